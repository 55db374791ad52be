#include "process/shell_restart.h"

#include <tlhelp32.h>

#include <algorithm>
#include <iterator>
#include <vector>

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

// The id of the first process, in snapshot order, for which matches(exe name, id) holds; -1
// when there is none.
template <typename Matches>
int FirstProcessId(Matches matches) {
    UniqueHandle snapshot(CreateToolhelp32Snapshot(kSnapshotAll, 0));
    if (!snapshot) return -1;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry)) {
        const char* const end = std::find(std::begin(entry.szExeFile), std::end(entry.szExeFile), '\0');
        const TextView exe(entry.szExeFile, end - entry.szExeFile);
        const int id = static_cast<int>(entry.th32ProcessID);
        if (matches(exe, id)) return id;
    }
    return -1;
}

UniqueHandle EndProcess(int id, DWORD access) {
    if (id == -1) return {};
    UniqueHandle process(OpenProcess(access, FALSE, static_cast<DWORD>(id)));
    if (!process || !TerminateProcess(process.Get(), kUnexpectedExitCode)) return {};
    return process;
}

// GetSystemWindowsDirectory names the shared Windows folder even on a terminal server,
// where GetWindowsDirectory may give a private one to programs not marked aware of it.
Text WindowsFolder() {
    char windows[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return FolderPathNoSlash(TextView(windows, length));
}

// Started in the Windows folder, so that a shell started from here does not hold the
// folder, or the drive, this program runs from.
bool StartCommandLine(TextView commandLine) {
    const Text folder = WindowsFolder();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    Text mutableLine(commandLine);  // CreateProcessA may write into its command line
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
        return false;
    }
    UniqueHandle process(started.hProcess);
    UniqueHandle thread(started.hThread);
    return true;
}

std::vector<int> ProcessIdsNamed(TextView name) {
    std::vector<int> ids;
    FirstProcessId([&](TextView exe, int id) {
        if (exe == name) ids.push_back(id);
        return false;
    });
    return ids;
}

RestartOutcome EndAndBringBack(TextView name, TextView commandLine, DWORD waitMs, HWND shellWindow) {
    // Other processes of that name (folder windows in processes of their own) may go on
    // running: only one that was not there before has come back. While the old process's
    // handle is held its id cannot be given to a new process, so an entry with that id is
    // the old one still being taken down.
    const std::vector<int> before = ProcessIdsNamed(name);
    UniqueHandle old = EndProcess(ShellProcessId(shellWindow, name), PROCESS_TERMINATE | SYNCHRONIZE);
    if (!old) return RestartOutcome::notEnded;
    // A shell that does not end stays the shell; a second one must not join it.
    if (!WaitDispatchingMessages(old.Get(), waitMs)) return RestartOutcome::notEnded;

    const auto isNew = [&](TextView exe, int id) {
        return exe == name && std::find(before.begin(), before.end(), id) == before.end();
    };
    UniqueHandle neverSignalled(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const DWORD since = GetTickCount();
    for (;;) {
        if (FirstProcessId(isNew) != -1) return RestartOutcome::cameBack;
        const DWORD elapsed = GetTickCount() - since;
        if (elapsed >= waitMs) break;
        WaitDispatchingMessages(neverSignalled.Get(), std::min(kPollMs, waitMs - elapsed));
    }
    return StartCommandLine(commandLine) ? RestartOutcome::started : RestartOutcome::notStarted;
}

Text ShellCommandLine() {
    // The full path: a bare name would be looked for in the program's own folder first.
    const Text windows = WindowsFolder();
    if (windows.empty()) return kShellProcessName;
    return "\"" + windows + "\\" + kShellProcessName + "\"";
}

}  // namespace

int FindProcessIdByName(TextView name) {
    // A process still being set up may have no name yet; no name is meant by an empty one.
    if (name.empty()) return -1;
    return FirstProcessId([&](TextView exe, int) { return exe == name; });
}

bool KillProcessByName(TextView name) {
    return static_cast<bool>(EndProcess(FindProcessIdByName(name), PROCESS_TERMINATE));
}

int ShellProcessId(HWND shellWindow, TextView name) {
    if (!shellWindow) return FindProcessIdByName(name);
    DWORD owner = 0;
    if (!GetWindowThreadProcessId(shellWindow, &owner) || owner == 0) return -1;
    const int id = static_cast<int>(owner);
    return FirstProcessId([&](TextView exe, int each) { return each == id && exe == name; });
}

RestartOutcome RestartProcessByName(TextView name, TextView commandLine, DWORD waitMs,
                                    HWND shellWindow) {
    // Pressed again during the wait: the restart under way already brings it back.
    if (restartUnderWay) return RestartOutcome::notEnded;
    restartUnderWay = true;
    const RestartOutcome outcome = EndAndBringBack(name, commandLine, waitMs, shellWindow);
    restartUnderWay = false;
    return outcome;
}

RestartOutcome RestartShell() {
    return RestartProcessByName(kShellProcessName, ShellCommandLine(), kShellReturnWaitMs,
                                GetShellWindow());
}
