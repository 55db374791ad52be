#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ui/help_text.h"
#include "ui/help_window.h"
#include "ui/keyboard_filter.h"

namespace {

// ---- the help text ----

std::vector<Text> SplitAtLineBreaks(const Text& text) {
    std::vector<Text> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != Text::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start != text.size()) lines.push_back(text.substr(start));  // a last line without CR LF
    return lines;
}

Text Marker(int before, const char* words, int after) {
    return Text(static_cast<size_t>(before), '-') + words + Text(static_cast<size_t>(after), '-');
}

// Every line from 3 on except the contact lines 9 to 11; lines not listed are empty.
const std::vector<std::pair<int, Text>> fixedLines = {
    {3, "使用方法："},
    {4, "1、选择绿色软件的文件夹"},
    {5, "2、选择文件夹里的EXE文件或图标文件，EXE文件必须位于文件夹内，这样才能保证文件夹在任意电脑上都显示图标。"},
    {6, "3、点击[设置]即可，软件会在文件夹内生成隐藏的desktop.ini文件，图标文件会自动复制到文件夹内。"},
    {8, "联系方式："},
    {13, "附赠教程："},
    {15, "1、文件夹美化"},
    {17, "将以下代码另存为desktop.ini文件，修改相应数据，保存后运行命令attrib \"文件夹路径\" +s"},
    {18, Marker(32, "代码开始", 31)},
    {19, "[.ShellClassInfo]"},
    {20, "InfoTip=注释"},
    {21, "IconFile=图标文件的路径"},
    {22, "IconIndex=选择要使用文件中的第几个图标"},
    {24, "[ExtShellFolderViews]"},
    {25, "{BE098140-A513-11D0-A3A4-00C04FD706EC}={BE098140-A513-11D0-A3A4-00C04FD706EC}"},
    {26, "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]"},
    {27, "Attributes=1"},
    {28, "IconArea_Text=0x0000ff00（修改成你要的颜色）"},
    {29, "IconArea_Image=背景图片"},
    {30, Marker(32, "代码结束", 31)},
    {33, "2、文件夹伪装"},
    {34, Marker(32, "代码开始", 31)},
    {35, "[.ShellClassInfo]"},
    {36, "ConfirmFileOp=0"},
    {37, "UICLSID={7BD29E00-76C1-11CF-9DD0-00A0C9034933}"},
    {38, Marker(32, "代码结束", 31)},
    {39, "CLSID={伪装成相对应CLSID的文件夹}"},
    {40, "常见组件类对应的CLSID:"},
    {41, "我的电脑：20D04FE0-3AEA-1069-A2D8-08002B30309D"},
    {42, "回收站：645FF040-5081-101B-9F08-00AA002F954E"},
    {43, "Internet Explorer：871C5380-42A0-1069-A2EA-08002B30309D"},
    {44, "控制面板：21EC2020-3AEA-1069-A2DD-08002B30309D"},
    {45, "网络连接：992CFFA0-F557-101A-88EC-00DD010CCC48"},
    {46, "任务计划 ：D6277990-4C6A-11CF-8D87-00AA0060F5BF"},
    {47, "打印机：2227A280-3AEA-1069-A2DE-08002B30309D"},
    {50, "3、更改U盘图标"},
    {52, "在U盘根目录建立autorun.inf，加入以下内容"},
    {53, Marker(18, "代码开始", 4)},
    {54, "[autorun]"},
    {55, "ICON=图标文件.ico"},
    {56, Marker(18, "代码结束", 4)},
    {59, "4、文件夹虚拟磁盘"},
    {61, "subst Q: D:\\test\\123 （把D:\\test\\123虚拟成Q盘）"},
    {63, "SUBST /D Q: （卸载Q盘）"},
};

TEST(HelpText, HasSixtyFourLinesEachEndedByCrLf) {
    const Text text = HelpText();
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    const std::vector<Text> lines = SplitAtLineBreaks(text);
    ASSERT_EQ(lines.size(), 64u);
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].find_first_of("\r\n"), Text::npos) << "a lone CR or LF in line " << i + 1;
    }
}

TEST(HelpText, FixedLinesAreExactlyAsDesigned) {
    const std::vector<Text> lines = SplitAtLineBreaks(HelpText());
    ASSERT_EQ(lines.size(), 64u);
    std::vector<Text> expected(64);
    for (const auto& [number, line] : fixedLines) expected[number - 1] = line;
    for (int number = 2; number <= 64; ++number) {
        if (number >= 9 && number <= 11) continue;
        EXPECT_EQ(lines[number - 1], expected[number - 1]) << "line " << number;
    }
}

TEST(HelpText, IsCodePage936) {
    const std::vector<Text> lines = SplitAtLineBreaks(HelpText());
    ASSERT_EQ(lines.size(), 64u);
    // Spelled in bytes, so that a source saved or compiled in another character set shows up.
    const Text fullWidthColon = "\xA3\xBA";
    EXPECT_EQ(lines[2], "\xCA\xB9\xD3\xC3\xB7\xBD\xB7\xA8" + fullWidthColon);  // 使用方法：
    EXPECT_EQ(lines[40].substr(8, 2), fullWidthColon);                          // 我的电脑：
    EXPECT_EQ(lines[45].substr(8, 3), " " + fullWidthColon);                    // 任务计划 ：
    EXPECT_NE(lines[27].find("\xA3\xA8"), Text::npos);                          // （
    EXPECT_EQ(lines[62].substr(lines[62].size() - 2), "\xA3\xA9");              // ）
    EXPECT_EQ(lines[17], Text(32, '-') + "\xB4\xFA\xC2\xEB\xBF\xAA\xCA\xBC" + Text(31, '-'));
}

TEST(HelpText, IntroductionAndContactLinesAreFilledIn) {
    const std::vector<Text> lines = SplitAtLineBreaks(HelpText());
    ASSERT_EQ(lines.size(), 64u);
    EXPECT_NE(lines[0].find("绿色软件"), Text::npos);
    EXPECT_NE(lines[0].find("图标"), Text::npos);
    EXPECT_EQ(lines[1], "");
    const char* labels[] = {"Mail: ", "Home: ", "From: "};
    for (int i = 0; i < 3; ++i) {
        const Text& line = lines[8 + i];
        EXPECT_EQ(line.substr(0, 6), labels[i]) << "line " << 9 + i;
        EXPECT_GT(line.size(), 6u);
        // Addresses of the reserved example domain belong to nobody.
        EXPECT_NE(line.find("example.org"), Text::npos) << line;
    }
    EXPECT_NE(lines[8].find('@'), Text::npos);
    EXPECT_EQ(lines[9].substr(6, 8), "https://");
    EXPECT_EQ(lines[10].substr(6, 8), "https://");
}

// ---- the window ----

constexpr char helpTitle[] = "Vandrel V1.5";

bool quitSeen = false;

// The program's own loop: every message passes the keyboard filter before it is dispatched.
void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quitSeen = true;
            continue;
        }
        if (KeyboardFilter(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

template <typename Condition>
bool PumpUntil(Condition done, DWORD timeoutMs = 3000) {
    const DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

BOOL CALLBACK CountHelpWindow(HWND window, LPARAM count) {
    char title[64] = {};
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && GetWindowTextA(window, title, sizeof title) > 0 &&
        Text(title) == helpTitle)
        ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int HelpWindowCount() {
    int count = 0;
    EnumWindows(CountHelpWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

HWND FindHelpWindow() { return FindWindowA(nullptr, helpTitle); }
HWND HelpBox(HWND help) { return FindWindowExA(help, nullptr, "Edit", nullptr); }

Text WindowText(HWND window) {
    Text text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

LPARAM KeyData(UINT key) { return 1 | static_cast<LPARAM>(MapVirtualKeyA(key, 0)) << 16; }

HWND CreatePlainWindow(const char* title) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "HelpTestOwner";
    RegisterClassA(&windowClass);  // fails harmlessly once registered
    HWND window = CreateWindowExA(0, "HelpTestOwner", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300,
                                  200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    PumpMessages();
    return window;
}

class HelpWindow : public testing::Test {
protected:
    void SetUp() override {
        quitSeen = false;
        owner = CreatePlainWindow("Vandrel");
        ASSERT_TRUE(owner);
        ASSERT_EQ(FindHelpWindow(), nullptr);
    }
    void TearDown() override {
        DestroyWindow(owner);
        PumpMessages();
        EXPECT_EQ(FindHelpWindow(), nullptr) << "the help window outlived its owner";
        EXPECT_FALSE(quitSeen) << "closing a window posted WM_QUIT";
    }
    HWND Open() {
        OpenHelpWindow(owner);
        PumpMessages();
        return FindHelpWindow();
    }
    HWND owner = nullptr;
};

TEST_F(HelpWindow, OpensCentredWithItsFixedFrameAndOwner) {
    HWND help = Open();
    ASSERT_TRUE(help);
    EXPECT_TRUE(IsWindowVisible(help));
    EXPECT_EQ(GetWindow(help, GW_OWNER), owner);

    RECT rect;
    GetWindowRect(help, &rect);
    EXPECT_EQ(rect.right - rect.left, 548);
    EXPECT_EQ(rect.bottom - rect.top, 563);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 548) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 563) / 2);

    const LONG style = GetWindowLongA(help, GWL_STYLE);
    const LONG wanted = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    EXPECT_EQ(style & wanted, wanted);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CHILD), 0);
    EXPECT_EQ(GetWindowLongA(help, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    EXPECT_EQ(GetClassLongPtrA(help, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));
    // The test program carries no icon, so the window falls back to the system's.
    EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrA(help, GCLP_HICON)), LoadIconA(nullptr, IDI_APPLICATION));
}

TEST_F(HelpWindow, ShowsTheHelpTextWrappedInOneEditableBox) {
    HWND help = Open();
    ASSERT_TRUE(help);
    HWND box = HelpBox(help);
    ASSERT_TRUE(box);
    EXPECT_EQ(FindWindowExA(help, box, nullptr, nullptr), nullptr) << "more than one control";
    EXPECT_EQ(WindowText(box), HelpText());

    RECT rect;
    GetWindowRect(box, &rect);
    MapWindowPoints(nullptr, help, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 8);
    EXPECT_EQ(rect.top, 8);
    EXPECT_EQ(rect.right - rect.left, 528);
    EXPECT_EQ(rect.bottom - rect.top, 512);

    const LONG style = GetWindowLongA(box, GWL_STYLE);
    const LONG wanted = WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    EXPECT_EQ(style & wanted, wanted);
    EXPECT_EQ(style & (WS_HSCROLL | ES_AUTOHSCROLL | ES_READONLY), 0);
    EXPECT_TRUE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    // Without horizontal scrolling the long lines wrap, so the box shows more lines than the text has.
    EXPECT_GT(SendMessageA(box, EM_GETLINECOUNT, 0, 0), 64);
    EXPECT_GE(static_cast<DWORD>(SendMessageA(box, EM_GETLIMITTEXT, 0, 0)), 0x10000u);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageA(box, WM_GETFONT, 0, 0)), GetStockObject(DEFAULT_GUI_FONT));

    // The caret waits at the very start, scrolled to the top, in the focused box.
    DWORD selStart = 1, selEnd = 1;
    SendMessageA(box, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
    EXPECT_EQ(selStart, 0u);
    EXPECT_EQ(selEnd, 0u);
    EXPECT_EQ(SendMessageA(box, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    EXPECT_EQ(GetFocus(), box);
}

TEST_F(HelpWindow, PaintsTheBoxBlackOnWhite) {
    HWND help = Open();
    ASSERT_TRUE(help);
    HWND box = HelpBox(help);
    HDC dc = GetDC(box);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkColor(dc, RGB(4, 5, 6));
    auto brush = reinterpret_cast<HGDIOBJ>(
        SendMessageA(help, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box)));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
    ReleaseDC(box, dc);
    LOGBRUSH look = {};
    ASSERT_TRUE(brush);
    ASSERT_EQ(GetObjectA(brush, sizeof look, &look), static_cast<int>(sizeof look));
    EXPECT_EQ(look.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(look.lbColor, RGB(255, 255, 255));
}

TEST_F(HelpWindow, OpeningAgainBringsBackTheOneWindow) {
    HWND help = Open();
    ASSERT_TRUE(help);
    EXPECT_EQ(Open(), help);
    EXPECT_EQ(HelpWindowCount(), 1);

    ShowWindow(help, SW_MINIMIZE);
    PumpMessages();
    ASSERT_TRUE(IsIconic(help));
    EXPECT_EQ(Open(), help);
    EXPECT_FALSE(IsIconic(help));
    EXPECT_TRUE(IsWindowVisible(help));
    EXPECT_EQ(HelpWindowCount(), 1);

    // Behind another window of the program, it comes to the front again.
    HWND other = CreatePlainWindow("another window");
    SetActiveWindow(other);
    PumpMessages();
    ASSERT_EQ(GetActiveWindow(), other);
    EXPECT_EQ(Open(), help);
    EXPECT_EQ(GetActiveWindow(), help);
    EXPECT_EQ(GetFocus(), HelpBox(help)) << "keys should go to the help text again";
    EXPECT_EQ(HelpWindowCount(), 1);
    DestroyWindow(other);
}

TEST_F(HelpWindow, EditsAreLostWhenItIsClosedAndOpenedAgain) {
    HWND help = Open();
    ASSERT_TRUE(help);
    HWND box = HelpBox(help);
    for (char c : Text("typed")) PostMessageA(box, WM_CHAR, static_cast<WPARAM>(c), 1);
    PumpMessages();
    SendMessageA(box, EM_SETSEL, 200, 200);
    SendMessageA(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("插入的文字"));
    PumpMessages();
    const Text edited = WindowText(box);
    EXPECT_EQ(edited.substr(0, 5), "typed");
    EXPECT_NE(edited.find("插入的文字"), Text::npos);

    PostMessageA(help, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([] { return FindHelpWindow() == nullptr; }));
    EXPECT_TRUE(IsWindow(owner));

    HWND reopened = Open();
    ASSERT_TRUE(reopened);
    EXPECT_EQ(WindowText(HelpBox(reopened)), HelpText());
}

TEST_F(HelpWindow, EnterInTheBoxInsertsALineBreak) {
    HWND help = Open();
    ASSERT_TRUE(help);
    HWND box = HelpBox(help);
    PostMessageA(box, WM_KEYDOWN, VK_RETURN, KeyData(VK_RETURN));
    PostMessageA(box, WM_KEYUP, VK_RETURN, KeyData(VK_RETURN) | 0xC0000000);
    PumpMessages();
    EXPECT_EQ(WindowText(box), "\r\n" + HelpText());
    EXPECT_EQ(FindHelpWindow(), help);
}

TEST_F(HelpWindow, EscInTheBoxClosesOnlyTheHelpWindow) {
    HWND help = Open();
    ASSERT_TRUE(help);
    HWND box = HelpBox(help);
    SetFocus(box);
    ASSERT_EQ(GetFocus(), box);
    PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, KeyData(VK_ESCAPE));
    PostMessageA(box, WM_KEYUP, VK_ESCAPE, KeyData(VK_ESCAPE) | 0xC0000000);
    EXPECT_TRUE(PumpUntil([] { return FindHelpWindow() == nullptr; }));
    EXPECT_FALSE(IsWindow(help));
    EXPECT_TRUE(IsWindow(owner));
    EXPECT_TRUE(IsWindowVisible(owner));

    // Its Esc registration went with it: the next window closes on Esc just the same.
    help = Open();
    ASSERT_TRUE(help);
    PostMessageA(HelpBox(help), WM_KEYDOWN, VK_ESCAPE, KeyData(VK_ESCAPE));
    EXPECT_TRUE(PumpUntil([] { return FindHelpWindow() == nullptr; }));
    EXPECT_TRUE(IsWindow(owner));
}

TEST_F(HelpWindow, GoesWithItsOwner) {
    HWND help = Open();
    ASSERT_TRUE(help);
    DestroyWindow(owner);
    PumpMessages();
    EXPECT_FALSE(IsWindow(help));
    EXPECT_EQ(HelpWindowCount(), 0);
    // Afterwards a new owner gets a new window.
    owner = CreatePlainWindow("Vandrel");
    help = Open();
    ASSERT_TRUE(help);
    EXPECT_EQ(GetWindow(help, GW_OWNER), owner);
}

}  // namespace
