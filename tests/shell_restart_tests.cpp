#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "process/owned_handle.h"
#include "process/shell_restart.h"
#include "tests/gui_driver.h"
#include "tests/scratch_folder.h"

// Lets a failed check name the outcome.
static void PrintTo(RestartOutcome outcome, std::ostream* out) {
    const char* const names[] = {"notEnded", "cameBack", "started", "notStarted"};
    *out << names[static_cast<int>(outcome)];
}

namespace {

// The tests never touch a real shell: they end and restart copies of vandrel_standin.exe,
// each under a name of its own, so nothing else can match.
struct StandIn {
    std::string name, path, commandLine;
};

struct Started {
    UniqueHandle process;
    DWORD id = 0;
};

std::vector<DWORD> ProcessIdsNamed(const std::string& name) {
    std::vector<DWORD> ids;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry)) {
        if (name == entry.szExeFile) ids.push_back(entry.th32ProcessID);
    }
    return ids;
}

Started Start(const std::string& commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string line = commandLine;
    PROCESS_INFORMATION info{};
    Started started;
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        started.process.Reset(info.hProcess);
        started.id = info.dwProcessId;
    }
    return started;
}

bool IsRunning(const Started& started) {
    return WaitForSingleObject(started.process.Get(), 0) == WAIT_TIMEOUT;
}

// The exit code once the process has ended; STILL_ACTIVE when it has not ended in time.
DWORD ExitCodeAfterEnd(const Started& started) {
    WaitForSingleObject(started.process.Get(), 10000);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(started.process.Get(), &code);
    return code;
}

void ExpectEndedUnexpectedly(const Started& started) {
    const DWORD code = ExitCodeAfterEnd(started);
    EXPECT_NE(code, static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_NE(code, 0u);
    EXPECT_NE(code, 1u);
}

void EndAllNamed(const std::string& name) {
    for (int round = 0; round < 20; ++round) {
        const std::vector<DWORD> ids = ProcessIdsNamed(name);
        if (ids.empty()) return;
        for (DWORD id : ids) {
            UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
            if (!process) continue;
            TerminateProcess(process.Get(), 99);
            WaitForSingleObject(process.Get(), 5000);
        }
    }
}

// The hidden window a stand-in started with "window" owns, as a shell owns the shell window.
HWND WindowOf(const Started& started) {
    const std::string title = "Vandrel stand-in shell " + std::to_string(started.id);
    HWND window = nullptr;
    WaitUntil([&] { return (window = FindWindowA(nullptr, title.c_str())) != nullptr; });
    return window;
}

std::string TestWindowsFolder() {
    char folder[MAX_PATH] = {};
    GetSystemWindowsDirectoryA(folder, MAX_PATH);
    return folder;
}

std::string Swapped(std::string text, int (*change)(int)) {
    for (char& c : text) c = static_cast<char>(change(static_cast<unsigned char>(c)));
    return text;
}

class ShellRestart : public testing::Test {
protected:
    void SetUp() override {
        original = BuiltProgramPath("vandrel_standin.exe");
        ASSERT_TRUE(PathExists(original)) << original << " is missing: build vandrel_standin";
    }

    void TearDown() override {
        for (const auto& standIn : standIns) EndAllNamed(standIn.name);
    }

    StandIn NewStandIn() {
        static int serial = 0;
        StandIn standIn;
        standIn.name = "Vandrel_StandIn_" + std::to_string(GetCurrentProcessId()) + "_" +
                       std::to_string(++serial) + ".exe";
        standIn.path = folder / standIn.name;
        standIn.commandLine = "\"" + standIn.path + "\" 60";
        EXPECT_TRUE(CopyFileA(original.c_str(), standIn.path.c_str(), TRUE)) << standIn.path;
        standIns.push_back(standIn);
        return standIn;
    }

    // Removed last, once every stand-in started from it has ended.
    ScratchFolder folder;
    std::string original;
    std::vector<StandIn> standIns;
};

TEST_F(ShellRestart, AProcessIsFoundByItsExactNameOnly) {
    const StandIn standIn = NewStandIn();
    const Started running = Start(standIn.commandLine);
    ASSERT_TRUE(running.process);
    EXPECT_EQ(FindProcessIdByName(standIn.name), static_cast<int>(running.id));

    const std::string otherSpellings[] = {
        Swapped(standIn.name, tolower),
        Swapped(standIn.name, toupper),
        standIn.name.substr(0, standIn.name.size() - 4),  // without .exe
        standIn.name + " ",
        standIn.path,
        "",
    };
    for (const auto& spelling : otherSpellings) {
        SCOPED_TRACE(spelling);
        EXPECT_EQ(FindProcessIdByName(spelling), -1);
    }
    EXPECT_TRUE(IsRunning(running));
}

TEST_F(ShellRestart, KillEndsTheFirstMatchOnlyAndNotAsADeliberateExit) {
    const StandIn standIn = NewStandIn();
    const Started one = Start(standIn.commandLine);
    ASSERT_TRUE(one.process);
    EXPECT_TRUE(KillProcessByName(standIn.name));
    ExpectEndedUnexpectedly(one);
    EXPECT_TRUE(ProcessIdsNamed(standIn.name).empty());

    const Started first = Start(standIn.commandLine);
    const Started second = Start(standIn.commandLine);
    ASSERT_TRUE(first.process && second.process);
    const int found = FindProcessIdByName(standIn.name);
    ASSERT_TRUE(found == static_cast<int>(first.id) || found == static_cast<int>(second.id));
    const Started& ended = found == static_cast<int>(first.id) ? first : second;
    const Started& spared = found == static_cast<int>(first.id) ? second : first;
    EXPECT_TRUE(KillProcessByName(standIn.name));
    ExpectEndedUnexpectedly(ended);
    EXPECT_TRUE(IsRunning(spared));
    EXPECT_EQ(ProcessIdsNamed(standIn.name), std::vector<DWORD>{spared.id});
}

TEST_F(ShellRestart, TheShellWindowsOwnerIsEndedNotTheFirstOfItsName) {
    const StandIn standIn = NewStandIn();
    const std::string windowed = standIn.commandLine + " window";
    const Started a = Start(windowed);
    const Started b = Start(windowed);
    ASSERT_TRUE(a.process && b.process);
    // The shell is the one that comes second in snapshot order; the first plays a folder
    // window in a process of its own.
    const int first = FindProcessIdByName(standIn.name);
    ASSERT_TRUE(first == static_cast<int>(a.id) || first == static_cast<int>(b.id));
    const Started& folderWindow = first == static_cast<int>(a.id) ? a : b;
    const Started& shell = first == static_cast<int>(a.id) ? b : a;
    HWND shellWindow = WindowOf(shell);
    ASSERT_TRUE(shellWindow);
    EXPECT_EQ(ShellProcessId(shellWindow, standIn.name), static_cast<int>(shell.id));
    EXPECT_EQ(ShellProcessId(nullptr, standIn.name), first);

    // The folder window's process goes on running, so only a new process counts as the
    // shell come back; none comes, so the restart starts one, in the Windows folder.
    const std::string whereStarted = folder / "started-in.txt";
    EXPECT_EQ(RestartProcessByName(standIn.name, standIn.commandLine + " cwd-to \"" + whereStarted + "\"",
                                   500, shellWindow),
              RestartOutcome::started);
    ExpectEndedUnexpectedly(shell);
    EXPECT_TRUE(IsRunning(folderWindow));
    ASSERT_TRUE(WaitUntil([&] { return PathExists(whereStarted); }));
    EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(whereStarted) == TestWindowsFolder(); }))
        << ReadFileBytes(whereStarted);
    const std::vector<DWORD> now = ProcessIdsNamed(standIn.name);
    EXPECT_EQ(now.size(), 2u);
    EXPECT_NE(std::find(now.begin(), now.end(), folderWindow.id), now.end());
}

TEST_F(ShellRestart, AShellWindowOfAnotherProgramOrOfNoProcessEndsNothing) {
    const StandIn standIn = NewStandIn();
    const StandIn otherShell = NewStandIn();
    const Started running = Start(standIn.commandLine);
    const Started other = Start(otherShell.commandLine + " window");
    const Started gone = Start(standIn.commandLine + " window");
    ASSERT_TRUE(running.process && other.process && gone.process);
    HWND otherWindow = WindowOf(other);
    HWND goneWindow = WindowOf(gone);
    ASSERT_TRUE(otherWindow && goneWindow);
    TerminateProcess(gone.process.Get(), 99);
    ASSERT_EQ(ExitCodeAfterEnd(gone), 99u);

    for (HWND shellWindow : {otherWindow, goneWindow}) {
        SCOPED_TRACE(shellWindow == otherWindow ? "another program's" : "of no process");
        EXPECT_EQ(ShellProcessId(shellWindow, standIn.name), -1);
        EXPECT_EQ(RestartProcessByName(standIn.name, standIn.commandLine, 200, shellWindow),
                  RestartOutcome::notEnded);
    }
    EXPECT_TRUE(IsRunning(running));
    EXPECT_TRUE(IsRunning(other));
    EXPECT_EQ(ProcessIdsNamed(standIn.name), std::vector<DWORD>{running.id});
}

TEST_F(ShellRestart, ANameThatMatchesNothingChangesNothing) {
    const StandIn standIn = NewStandIn();
    const Started running = Start(standIn.commandLine);
    ASSERT_TRUE(running.process);
    const std::string names[] = {"Vandrel_NoSuchProcess.exe", Swapped(standIn.name, tolower)};
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(FindProcessIdByName(name), -1);
        EXPECT_FALSE(KillProcessByName(name));
        // Nothing was ended, so nothing is started either.
        EXPECT_EQ(RestartProcessByName(name, standIn.commandLine, 200), RestartOutcome::notEnded);
    }
    EXPECT_TRUE(IsRunning(running));
    EXPECT_EQ(ProcessIdsNamed(standIn.name), std::vector<DWORD>{running.id});
}

TEST_F(ShellRestart, WhenNothingBringsItBackTheRestartStartsIt) {
    const StandIn standIn = NewStandIn();
    const Started old = Start(standIn.commandLine);
    ASSERT_TRUE(old.process);
    EXPECT_EQ(RestartProcessByName(standIn.name, standIn.commandLine, 500), RestartOutcome::started);
    ExpectEndedUnexpectedly(old);
    const std::vector<DWORD> now = ProcessIdsNamed(standIn.name);
    ASSERT_EQ(now.size(), 1u);
    EXPECT_NE(now[0], old.id);

    // A command that cannot be started is the one thing left to report.
    EXPECT_EQ(RestartProcessByName(standIn.name, "\"" + (folder / "missing.exe") + "\"", 200),
              RestartOutcome::notStarted);
    EXPECT_TRUE(ProcessIdsNamed(standIn.name).empty());
}

// Plays Windows: once the old process has gone, starts a new one a little later.
struct Restarter {
    HANDLE old;
    std::string commandLine;
    Started started;
};

DWORD WINAPI RestartAfterEnd(void* parameter) {
    auto* restarter = static_cast<Restarter*>(parameter);
    WaitForSingleObject(restarter->old, 10000);
    Sleep(300);
    restarter->started = Start(restarter->commandLine);
    return 0;
}

TEST_F(ShellRestart, WhenSomethingElseBringsItBackNoSecondOneIsStarted) {
    const StandIn standIn = NewStandIn();
    const Started old = Start(standIn.commandLine);
    ASSERT_TRUE(old.process);
    Restarter restarter{old.process.Get(), standIn.commandLine, {}};
    UniqueHandle thread(CreateThread(nullptr, 0, RestartAfterEnd, &restarter, 0, nullptr));
    ASSERT_TRUE(thread);

    EXPECT_EQ(RestartProcessByName(standIn.name, standIn.commandLine, 5000), RestartOutcome::cameBack);
    WaitForSingleObject(thread.Get(), INFINITE);
    ExpectEndedUnexpectedly(old);
    ASSERT_TRUE(restarter.started.process);
    EXPECT_EQ(ProcessIdsNamed(standIn.name), std::vector<DWORD>{restarter.started.id});
}

int ticks = 0;
StandIn nestedStandIn;
RestartOutcome nestedOutcome = RestartOutcome::started;

void CALLBACK RequestAnotherRestart(HWND, UINT, UINT_PTR, DWORD) {
    if (++ticks == 1) {
        nestedOutcome = RestartProcessByName(nestedStandIn.name, nestedStandIn.commandLine, 200);
    }
}

TEST_F(ShellRestart, TheWindowStaysResponsiveAndARequestMeanwhileDoesNothing) {
    const StandIn standIn = NewStandIn();
    nestedStandIn = NewStandIn();
    const Started old = Start(standIn.commandLine);
    const Started bystander = Start(nestedStandIn.commandLine);
    ASSERT_TRUE(old.process && bystander.process);
    HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    ticks = 0;
    nestedOutcome = RestartOutcome::started;
    SetTimer(window, 1, 20, RequestAnotherRestart);

    EXPECT_EQ(RestartProcessByName(standIn.name, standIn.commandLine, 1000), RestartOutcome::started);
    KillTimer(window, 1);
    DestroyWindow(window);
    EXPECT_GT(ticks, 3);
    EXPECT_EQ(nestedOutcome, RestartOutcome::notEnded);
    EXPECT_TRUE(IsRunning(bystander));
    EXPECT_EQ(ProcessIdsNamed(nestedStandIn.name), std::vector<DWORD>{bystander.id});
}

}  // namespace
