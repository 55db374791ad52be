#include <gtest/gtest.h>

#include <string>

#include "process/console_runner.h"
#include "process/message_pump.h"
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

TEST(ConsoleRunner, TheChildRunsTheCommandThroughCmdUnchanged) {
    ASSERT_EQ(InterpreterPrefix(), "cmd.exe /c ");
    // The child gets the command line exactly as built, with no quoting added.
    const std::string program = "\"" + BuiltProgramPath("print_command_line.exe") + "\"";
    EXPECT_EQ(RunCommandLine(program + " /c attrib \"D:\\Tools\\Viewer\" +s"),
              program + " /c attrib \"D:\\Tools\\Viewer\" +s");
    ScratchFolder folder;
    MakeFolder(folder / "Viewer");
    const std::string viewer = folder / "Viewer";
    // attrib through the runner really marks the folder, quoted as given.
    RunConsoleCommand("attrib \"" + viewer + "\" +s");
    EXPECT_TRUE(Attributes(viewer) & FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesA(viewer.c_str(), FILE_ATTRIBUTE_NORMAL);
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
