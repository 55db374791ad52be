// Ending a process by its executable name, and bringing the shell back after ending it,
// so that Explorer reads the folder settings afresh. Nothing here is shown to the user: the
// outcome is returned for the window to report.
#pragma once

#include <windows.h>

#include "engine/text.h"

inline constexpr char kShellProcessName[] = "explorer.exe";
inline constexpr DWORD kShellReturnWaitMs = 5000;

// The id of the first process, in snapshot order, whose executable name (without a
// directory) equals name byte for byte; -1 when there is none or name is empty.
int FindProcessIdByName(TextView name);
// Ends the first process that FindProcessIdByName finds. True when it was ended.
bool KillProcessByName(TextView name);

// The process a restart of the shell ends: the owner of shellWindow when its executable is
// named name exactly; with no shell window (null), the first process named name; -1 when
// there is none. With folder windows in separate processes several explorer.exe run, and
// the first may be one of those: only the shell window's owner is the shell.
int ShellProcessId(HWND shellWindow, TextView name);

enum class RestartOutcome {
    notEnded,    // no such process, no right to end it, it did not end, or a restart was under way
    cameBack,    // something else (Windows, for the shell) started a new one
    started,     // none came back, so commandLine was started
    notStarted,  // none came back and commandLine could not be started
};

// Ends the process ShellProcessId(shellWindow, name) finds and waits, up to waitMs, for it to
// end; then waits up to waitMs again for a new process of that name to appear, and starts
// commandLine, in the Windows folder, when none has. Window messages are dispatched
// throughout; a request made while one is under way does nothing.
RestartOutcome RestartProcessByName(TextView name, TextView commandLine, DWORD waitMs,
                                    HWND shellWindow = nullptr);
// The 按钮1 handler's work: restarts the shell, explorer.exe from the Windows folder.
// notStarted means the user is left without a shell.
RestartOutcome RestartShell();
