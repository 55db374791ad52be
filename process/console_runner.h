// Runs a console command through the command interpreter with no visible window and
// collects what it writes to standard output and standard error.
#pragma once

#include "engine/text.h"

// Waits for the command to finish, dispatching window messages meanwhile; empty output
// when the command is empty or cannot be started.
Text RunConsoleCommand(TextView command);
// The system's own interpreter, named by its full path so that no other cmd.exe is found
// first, and its switches, ending in a blank: "<system folder>\cmd.exe" /d /c on the NT
// family (/d keeps the AutoRun commands of the registry out), command.com elsewhere. Empty
// when the system does not say where its folders are.
Text InterpreterPrefix();
// The system folder (GetSystemDirectory) without a closing backslash; empty when unknown.
Text SystemFolder();
// True when path, put between double quotes in a command, reaches the child as this very
// path: the interpreter rewrites nothing in it (no %NAME%, no !NAME!, no ^, no quote), it
// holds no wildcard that would widen it to other files, it ends in no backslash (which
// would escape the closing quote), and it is fully qualified, since the child runs in
// another current directory.
bool IsPathSafeInQuotes(TextView path);
// Starts the full command line as it stands, hidden, in the system folder, and collects its
// output. The child inherits the pipe's write end and, where the system allows choosing
// (Vista on), no other handle.
Text RunCommandLine(TextView commandLine);
