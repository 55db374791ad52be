#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/gui_driver.h"
#include "ui/control_ids.h"
#include "ui/help_text.h"

namespace {

constexpr char kHelpTitle[] = "Vandrel V1.5";

struct HelpWindowQuery {
    DWORD pid;
    int count;
};

BOOL CALLBACK CountHelpWindow(HWND window, LPARAM param) {
    auto& query = *reinterpret_cast<HelpWindowQuery*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == query.pid && WindowText(window) == kHelpTitle) ++query.count;
    return TRUE;
}

int HelpWindowCount(DWORD pid) {
    HelpWindowQuery query{pid, 0};
    EnumWindows(CountHelpWindow, reinterpret_cast<LPARAM>(&query));
    return query.count;
}

LPARAM KeyData(UINT key) { return 1 | static_cast<LPARAM>(MapVirtualKeyA(key, 0)) << 16; }

class HelpWindowRun : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(app.Main()) << "the window \"Vandrel\" did not appear"; }
    void TearDown() override {
        // Closing the main window ends the program, whatever the help window is doing.
        PostMessageA(app.Main(), WM_CLOSE, 0, 0);
        EXPECT_EQ(app.WaitForExit(), 0u);
    }
    HWND PressAbout() {
        Click(app.Control(kId关于));
        return WaitForWindow(app.Pid(), kHelpTitle);
    }
    static HWND HelpBox(HWND help) { return FindWindowExA(help, nullptr, "Edit", nullptr); }
    bool StillRuns() {
        // The main window still answers, and the process has not ended.
        DWORD_PTR ignored = 0;
        return app.WaitForExit(0) == STILL_ACTIVE &&
               SendMessageTimeoutA(app.Main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored) != 0;
    }

    VandrelProcess app;
};

TEST_F(HelpWindowRun, AboutOpensOneOwnedWindowWithTheHelpText) {
    EXPECT_EQ(WindowText(app.Control(kId关于)), "说明");
    HWND help = PressAbout();
    ASSERT_TRUE(help) << "no window \"Vandrel V1.5\"";
    EXPECT_EQ(GetWindow(help, GW_OWNER), app.Main());
    RECT rect;
    GetWindowRect(help, &rect);
    EXPECT_EQ(rect.right - rect.left, 548);
    EXPECT_EQ(rect.bottom - rect.top, 563);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 548) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 563) / 2);
    HWND box = HelpBox(help);
    ASSERT_TRUE(box);
    EXPECT_EQ(WindowText(box), HelpText());
    EXPECT_TRUE(StillRuns());
}

TEST_F(HelpWindowRun, AroundTheTextTheWindowShowsItsBackground) {
    HWND help = PressAbout();
    ASSERT_TRUE(help);
    RECT client;
    GetClientRect(help, &client);
    const LONG right = client.right - 3, bottom = client.bottom - 3, middle = client.right / 2;
    const std::vector<ClientSpot> spots = {
        {help, {3, 3}}, {help, {middle, 3}}, {help, {right, 3}}, {help, {3, bottom / 2}},
        {help, {right, bottom / 2}}, {help, {3, bottom}}, {help, {middle, bottom}}, {help, {right, bottom}},
    };
    std::string wrong;
    EXPECT_TRUE(WaitUntil([&] { return (wrong = FirstSpotOffBackground(spots)).empty(); }, 3000)) << wrong;
    PostMessageA(help, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(help) != 0; }, 3000));
    PostMessageA(help, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsIconic(help); }, 3000));
    EXPECT_TRUE(WaitUntil([&] { return (wrong = FirstSpotOffBackground(spots)).empty(); }, 3000)) << wrong;
}

// Above z-order neighbour `below`, both being top-level windows.
bool IsAbove(HWND window, HWND below) {
    for (HWND next = GetWindow(window, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT))
        if (next == below) return true;
    return false;
}

TEST_F(HelpWindowRun, StaysAboveTheMainWindowOnTopOrNot) {
    HWND help = PressAbout();
    ASSERT_TRUE(help);
    ASSERT_TRUE(IsTopmost(app.Main()));
    EXPECT_TRUE(IsAbove(help, app.Main()));
    Click(app.Control(kId选择框1));
    ASSERT_TRUE(WaitUntil([&] { return !IsTopmost(app.Main()); }, 3000));
    EXPECT_TRUE(IsAbove(help, app.Main()));
    SetForegroundWindow(app.Main());
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == app.Main(); }, 3000));
    EXPECT_TRUE(IsAbove(help, app.Main())) << "the main window came up over the help window";
}

TEST_F(HelpWindowRun, ASecondPressBringsTheSameWindowBack) {
    HWND help = PressAbout();
    ASSERT_TRUE(help);

    // In front of the main window again after the user went back to it.
    SetForegroundWindow(app.Main());
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == app.Main(); }, 3000));
    EXPECT_EQ(PressAbout(), help);
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == help; }, 3000));
    EXPECT_EQ(HelpWindowCount(app.Pid()), 1);

    // Restored after it was minimised.
    PostMessageA(help, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(help) != 0; }, 3000));
    EXPECT_EQ(PressAbout(), help);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(help); }, 3000));
    EXPECT_TRUE(IsWindowVisible(help));
    EXPECT_EQ(HelpWindowCount(app.Pid()), 1);
}

TEST_F(HelpWindowRun, TypedTextIsGoneAfterClosingAndReopening) {
    HWND help = PressAbout();
    ASSERT_TRUE(help);
    HWND box = HelpBox(help);
    for (char c : std::string("typed")) PostMessageA(box, WM_CHAR, static_cast<WPARAM>(c), 1);
    // Enter passes the program's keyboard filter and becomes a line break in the box.
    PostMessageA(box, WM_KEYDOWN, VK_RETURN, KeyData(VK_RETURN));
    PostMessageA(box, WM_KEYUP, VK_RETURN, KeyData(VK_RETURN) | 0xC0000000);
    const std::string edited = "typed\r\n" + HelpText();
    EXPECT_TRUE(WaitUntil([&] { return WindowText(box) == edited; }, 3000)) << WindowText(box).substr(0, 40);
    EXPECT_TRUE(IsWindow(help));

    PostMessageA(help, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitForNoWindow(app.Pid(), kHelpTitle));
    EXPECT_TRUE(StillRuns());

    HWND reopened = PressAbout();
    ASSERT_TRUE(reopened);
    EXPECT_EQ(WindowText(HelpBox(reopened)), HelpText());
}

TEST_F(HelpWindowRun, EscInTheHelpTextClosesOnlyThatWindow) {
    HWND help = PressAbout();
    ASSERT_TRUE(help);
    PostMessageA(HelpBox(help), WM_KEYDOWN, VK_ESCAPE, KeyData(VK_ESCAPE));
    PostMessageA(HelpBox(help), WM_KEYUP, VK_ESCAPE, KeyData(VK_ESCAPE) | 0xC0000000);
    EXPECT_TRUE(WaitForNoWindow(app.Pid(), kHelpTitle));
    Sleep(300);
    EXPECT_TRUE(StillRuns());
    EXPECT_TRUE(IsWindowVisible(app.Main()));
    // The main window works on: its toggle still answers, and the help opens again.
    Click(app.Control(kId选择框1));
    EXPECT_TRUE(WaitUntil([&] { return !IsTopmost(app.Main()); }, 3000));
    EXPECT_TRUE(PressAbout());
}

TEST_F(HelpWindowRun, ClosingTheMainWindowTakesTheHelpWindowAlong) {
    HWND help = PressAbout();
    ASSERT_TRUE(help);
    PostMessageA(app.Main(), WM_CLOSE, 0, 0);
    EXPECT_EQ(app.WaitForExit(), 0u);
    EXPECT_FALSE(IsWindow(help));
}

}  // namespace
