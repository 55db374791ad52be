// Runs a console command through the command interpreter with no visible window and
// collects what it writes to standard output and standard error.
#pragma once

#include "engine/text.h"

// Waits for the command to finish, dispatching window messages meanwhile; empty output
// when the command is empty or cannot be started.
Text RunConsoleCommand(TextView command);
// "cmd.exe /c " on the NT family, "command.com /c " elsewhere.
Text InterpreterPrefix();
// Starts the full command line as it stands and collects its output.
Text RunCommandLine(TextView commandLine);
