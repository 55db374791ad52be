#include "process/shell_restart.h"

#include <tlhelp32.h>

#include <algorithm>
#include <iterator>

#include "engine/path_rules.h"
#include "process/message_pump.h"
#include "process/owned_handle.h"

namespace {

constexpr DWORD kSnapshotAll = 15;  // TH32CS_SNAPALL
constexpr DWORD kPollMs = 50;

// Windows starts a new shell only when it takes the old one's end for a failure; the exit
// codes 0 and 1 read as a deliberate exit (1 is what an ordinary forced end gives).
constexpr UINT kUnexpectedExitCode = 2;

bool restartUnderWay = false;

int FirstProcessIdNamed(TextView name, int skippedId) {
    // A process still being set up may have no name yet; no name is meant by an empty one.
    if (name.empty()) return -1;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(kSnapshotAll, 0));
    if (!snapshot) return -1;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry)) {
        const char* const end = std::find(std::begin(entry.szExeFile), std::end(entry.szExeFile), '\0');
        const TextView exe(entry.szExeFile, end - entry.szExeFile);
        const int id = static_cast<int>(entry.th32ProcessID);
        if (exe == name && id != skippedId) return id;
    }
    return -1;
}

UniqueHandle EndFirstProcessNamed(TextView name, DWORD access, int& id) {
    id = FindProcessIdByName(name);
    if (id == -1) return {};
    UniqueHandle process(OpenProcess(access, FALSE, static_cast<DWORD>(id)));
    if (!process || !TerminateProcess(process.Get(), kUnexpectedExitCode)) return {};
    return process;
}

bool StartCommandLine(TextView commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    Text mutableLine(commandLine);  // CreateProcessA may write into its command line
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return false;
    }
    UniqueHandle process(started.hProcess);
    UniqueHandle thread(started.hThread);
    return true;
}

RestartOutcome EndAndBringBack(TextView name, TextView commandLine, DWORD waitMs) {
    int id = -1;
    UniqueHandle old = EndFirstProcessNamed(name, PROCESS_TERMINATE | SYNCHRONIZE, id);
    if (!old) return RestartOutcome::notEnded;
    // A shell that does not end stays the shell; a second one must not join it.
    if (!WaitDispatchingMessages(old.Get(), waitMs)) return RestartOutcome::notEnded;

    // While the old process's handle is held its id cannot be given to a new process, so
    // an entry with that id is the old one still being taken down.
    UniqueHandle neverSignalled(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const DWORD since = GetTickCount();
    for (;;) {
        if (FirstProcessIdNamed(name, id) != -1) return RestartOutcome::cameBack;
        const DWORD elapsed = GetTickCount() - since;
        if (elapsed >= waitMs) break;
        WaitDispatchingMessages(neverSignalled.Get(), std::min(kPollMs, waitMs - elapsed));
    }
    return StartCommandLine(commandLine) ? RestartOutcome::started : RestartOutcome::notStarted;
}

Text ShellCommandLine() {
    // The full path: a bare name would be looked for in the program's own folder first.
    char windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return kShellProcessName;
    return "\"" + FolderPathNoSlash(TextView(windows, length)) + "\\" + kShellProcessName + "\"";
}

}  // namespace

int FindProcessIdByName(TextView name) { return FirstProcessIdNamed(name, -1); }

bool KillProcessByName(TextView name) {
    int id = -1;
    return static_cast<bool>(EndFirstProcessNamed(name, PROCESS_TERMINATE, id));
}

RestartOutcome RestartProcessByName(TextView name, TextView commandLine, DWORD waitMs) {
    // Pressed again during the wait: the restart under way already brings it back.
    if (restartUnderWay) return RestartOutcome::notEnded;
    restartUnderWay = true;
    const RestartOutcome outcome = EndAndBringBack(name, commandLine, waitMs);
    restartUnderWay = false;
    return outcome;
}

void RestartShell() { RestartProcessByName(kShellProcessName, ShellCommandLine(), kShellReturnWaitMs); }
