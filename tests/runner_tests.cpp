#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "process/console_runner.h"
#include "process/message_pump.h"
#include "process/owned_handle.h"
#include "tests/gui_driver.h"
#include "tests/scratch_folder.h"

namespace {

TEST(ConsoleRunner, ReturnsLongOutputWholeAndInOrder) {
    ScratchFolder folder;
    std::string expected;
    for (int i = 0; i < 400; ++i) expected += "line " + std::to_string(i) + "\r\n";
    ASSERT_GT(expected.size(), 3 * 1023u);
    WriteFileBytes(folder / "out.txt", expected);
    EXPECT_EQ(RunConsoleCommand("type \"" + (folder / "out.txt") + "\""), expected);
}

TEST(ConsoleRunner, CollectsStandardErrorToo) {
    const Text output = RunConsoleCommand("echo to-out & echo to-err 1>&2");
    EXPECT_NE(output.find("to-out"), Text::npos);
    EXPECT_NE(output.find("to-err"), Text::npos);
}

std::string TestSystemFolder() {
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, MAX_PATH);
    return folder;
}

TEST(ConsoleRunner, TheChildIsTheSystemsCmdStartedInTheSystemFolder) {
    const std::string system = TestSystemFolder();
    ASSERT_EQ(SystemFolder(), system);
    ASSERT_TRUE(PathExists(system + "\\cmd.exe"));
    EXPECT_EQ(InterpreterPrefix(), "\"" + system + "\\cmd.exe\" /d /c ");

    // A stand-in in the interpreter's place shows the child's whole command line, exactly as
    // built, with no quoting added, and the folder it was started in.
    const std::string program = "\"" + BuiltProgramPath("print_command_line.exe") + "\"";
    const std::string line = program + " /d /c attrib \"D:\\Tools\\Viewer\" +s";
    EXPECT_EQ(RunCommandLine(line), line + "\n" + system);

    // The real interpreter reports the same of itself.
    EXPECT_EQ(RunConsoleCommand("cd"), system + "\r\n");
    ScratchFolder folder;
    MakeFolder(folder / "Viewer");
    const std::string viewer = folder / "Viewer";
    // attrib through the runner really marks the folder, quoted as given, and says nothing.
    EXPECT_EQ(RunConsoleCommand("attrib \"" + viewer + "\" +s"), "");
    EXPECT_TRUE(Attributes(viewer) & FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesA(viewer.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Sets an environment variable for the length of a test; the child inherits it.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        char old[32767];
        const DWORD length = GetEnvironmentVariableA(name, old, sizeof old);
        had_ = length > 0 && length < sizeof old;
        if (had_) old_.assign(old, length);
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::string& folder) {
        GetCurrentDirectoryA(MAX_PATH, old_);
        SetCurrentDirectoryA(folder.c_str());
    }
    ~ScopedCurrentDirectory() { SetCurrentDirectoryA(old_); }

private:
    char old_[MAX_PATH] = {};
};

// Every name under which cmd would take a planted program for attrib, or for itself.
void PlantImpostors(const std::string& folder) {
    const std::string writer = BuiltProgramPath("print_command_line.exe");
    for (const char* name : {"attrib.bat", "attrib.cmd"}) {
        WriteFileBytes(folder + "\\" + name, "@echo planted " + std::string(name) + "\r\n");
    }
    for (const char* name : {"attrib.com", "attrib.exe", "cmd.exe"}) {
        ASSERT_TRUE(CopyFileA(writer.c_str(), (folder + "\\" + name).c_str(), FALSE)) << name;
    }
}

TEST(ConsoleRunner, NoPlantedAttribOrCmdRunsInsteadOfTheSystemsOwn) {
    ScratchFolder folder;
    const std::string here = folder / "current", onPath = folder / "on path";
    const std::string target = folder / "Viewer";
    MakeFolder(here);
    MakeFolder(onPath);
    MakeFolder(target);
    PlantImpostors(here);
    PlantImpostors(onPath);
    {
        // The program's current directory may be any folder (the open-file dialog moves it
        // on Windows); one on the PATH may be writable by anyone, and with this variable
        // set cmd would look there before its own current directory.
        const ScopedCurrentDirectory current(here);
        char path[32767] = {};
        GetEnvironmentVariableA("PATH", path, sizeof path);
        const ScopedVariable pathFirst("PATH", onPath + ";" + path);
        const ScopedVariable skipCurrent("NoDefaultCurrentDirectoryInExePath", "1");
        EXPECT_EQ(RunConsoleCommand("attrib \"" + target + "\" +s"), "");
    }
    EXPECT_TRUE(Attributes(target) & FILE_ATTRIBUTE_SYSTEM);
}

struct QuotingCase {
    const char* path;
    bool safe;
};

TEST(ConsoleRunner, OnlyPathsTheInterpreterLeavesAloneAreSafeInQuotes) {
    const QuotingCase cases[] = {
        {"D:\\Tools\\Viewer", true},
        {"D:\\Program Files (x86)\\A&B;C,D=E@F", true},
        {"\\\\server\\share\\Viewer", true},
        {"D:\\工具\\乗", true},    // 乗 ends in the byte of a backslash
        {"D:\\工具\\乛b", true},   // 乛 ends in the byte of ^
        {"D:\\x\\%USERNAME%", false},
        {"D:\\x\\50%", false},
        {"D:\\x\\!USERNAME!", false},
        {"D:\\x\\a^b", false},
        {"D:\\x\\a\"b", false},
        {"D:\\x\\a*", false},
        {"D:\\x\\a?", false},
        {"D:\\x\\a<b", false},
        {"D:\\x\\a>b", false},
        {"D:\\x\\a|b", false},
        {"D:\\x\\a\tb", false},
        {"D:\\x\\a\nb", false},
        {"D:\\x\\\x81%", false},  // a lead byte before a byte that cannot follow it
        {"D:\\", false},
        {"D:\\x\\", false},
        {"D:Tools", false},
        {"\\Tools\\Viewer", false},
        {"Tools\\Viewer", false},
        {"Viewer", false},
        {"\\\\.\\C:\\Viewer", false},
        {"\\\\\\share", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(IsPathSafeInQuotes(c.path), c.safe);
    }
}

// Starts the program with every inheritable handle passed on, its output going to a file.
std::string RunInheritingEverything(const std::string& commandLine, const std::string& outputFile) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    UniqueHandle output(CreateFileA(outputFile.c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output.Get();
    std::string line = commandLine;
    PROCESS_INFORMATION started{};
    if (!output || !CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                   nullptr, nullptr, &startup, &started)) {
        return "not started";
    }
    UniqueHandle process(started.hProcess), thread(started.hThread);
    WaitForSingleObject(process.Get(), 10000);
    output.Reset();
    return ReadFileBytes(outputFile);
}

TEST(ConsoleRunner, TheChildInheritsThePipeAndNoOtherHandle) {
    if (!GetProcAddress(GetModuleHandleA("kernel32.dll"), "UpdateProcThreadAttribute")) {
        GTEST_SKIP() << "this system passes every inheritable handle on";
    }
    ScratchFolder folder;
    const std::string secret = folder / "secret.bin";
    WriteFileBytes(secret, std::string(12345, 's'));
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    UniqueHandle held(CreateFileA(secret.c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    const std::string line = "\"" + BuiltProgramPath("inherited_file_size.exe") + "\" " +
                             std::to_string(reinterpret_cast<uintptr_t>(held.Get()));
    // The probe sees the handle when it is passed on, so its "none" below means something.
    ASSERT_EQ(RunInheritingEverything(line, folder / "report.txt"), "12345");
    EXPECT_EQ(RunCommandLine(line), "none");
}

TEST(ConsoleRunner, ReturnsPromptlyWithEmptyOutput) {
    const DWORD start = GetTickCount();
    EXPECT_EQ(RunConsoleCommand(""), "");
    EXPECT_EQ(RunCommandLine("no-such-interpreter.exe /c echo hello"), "");
    EXPECT_EQ(RunConsoleCommand("rem silent"), "");
    // Not a timing test: a hang would never return at all; this only reports a stall.
    EXPECT_LT(GetTickCount() - start, 20000u);
}

int timerTicks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++timerTicks; }

TEST(ConsoleRunner, DispatchesWindowMessagesWhileWaiting) {
    timerTicks = 0;
    HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    SetTimer(window, 1, 20, CountTick);
    // ping waits about a second between its two echo requests.
    RunConsoleCommand("ping -n 2 127.0.0.1 >nul");
    KillTimer(window, 1);
    DestroyWindow(window);
    EXPECT_GT(timerTicks, 3);
}

TEST(ConsoleRunner, KeyboardFilterSeesDispatchedMessages) {
    static int filtered = 0;
    filtered = 0;
    InstallMessageFilter([](MSG& msg) {
        if (msg.message != WM_USER + 7) return false;
        ++filtered;
        return true;
    });
    PostThreadMessageA(GetCurrentThreadId(), WM_USER + 7, 0, 0);
    PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);
    PostThreadMessageA(GetCurrentThreadId(), WM_USER + 7, 0, 0);
    ProcessPendingMessages();
    EXPECT_EQ(filtered, 1);  // stopped at WM_QUIT, which stays for the main loop
    EXPECT_TRUE(IsQuitPending());
    // With WM_QUIT waiting the runner neither dispatches nor hangs.
    EXPECT_NE(RunConsoleCommand("echo after-quit").find("after-quit"), Text::npos);
    EXPECT_EQ(filtered, 1);
    EXPECT_TRUE(IsQuitPending());
    InstallMessageFilter(nullptr);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

}  // namespace
