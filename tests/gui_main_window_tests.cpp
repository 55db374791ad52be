#include <windows.h>

#include <algorithm>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "tests/gui_driver.h"
#include "tests/scratch_folder.h"
#include "ui/control_ids.h"

namespace {

constexpr DWORD kPushButton = BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE | WS_TABSTOP;
constexpr DWORD kToggle = BS_AUTOCHECKBOX | BS_PUSHLIKE | BS_CENTER | BS_VCENTER | BS_MULTILINE | WS_TABSTOP;
constexpr DWORD kPathBox = ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP;

RECT PlaceInMainClient(HWND control, HWND main) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, main, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::vector<int> ChildIdsInStackingOrder(HWND parent) {
    std::vector<int> ids;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        ids.push_back(GetDlgCtrlID(child));
    }
    return ids;
}

class MainWindowRun : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app.Main()) << "the window \"Vandrel\" did not appear";
    }
    HWND C(int id) { return app.Control(id); }
    // A real folder with an .exe in it, named in the two boxes as a user would choose them.
    std::string FillBoxesWithAProgramFolder() {
        const std::string folder = root / "Viewer";
        MakeFolder(folder);
        CopyProgramWithIcon(folder + "\\viewer.exe");
        SetText(C(kId编辑框1), folder);
        SetText(C(kId编辑框2), folder + "\\viewer.exe");
        return folder;
    }
    // Presses a button whose handler ends in a result box; returns the box's text after OK.
    std::string PressAndReadResult(int id, bool* topmostWhileShown = nullptr) {
        Click(C(id));
        HWND box = WaitForWindow(app.Pid(), "信息：", "#32770");
        if (!box) return "<no result box>";
        if (topmostWhileShown) *topmostWhileShown = IsTopmost(app.Main());
        const std::string text = MessageBoxText(box);
        PressOk(box);
        WaitForNoWindow(app.Pid(), "信息：");
        return text;
    }

    ScratchFolder root;  // outlives the program, which may still be writing into it
    VandrelProcess app;
};

TEST_F(MainWindowRun, WindowAndControlsAreAsDesigned) {
    HWND main = app.Main();
    RECT outer;
    GetWindowRect(main, &outer);
    EXPECT_EQ(outer.right - outer.left, 285);
    EXPECT_EQ(outer.bottom - outer.top, 197);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 285) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 197) / 2);
    const LONG style = GetWindowLongA(main, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN),
              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX));
    EXPECT_TRUE(IsTopmost(main));
    EXPECT_EQ(SendMessageA(C(kId选择框1), BM_GETCHECK, 0, 0), BST_CHECKED);

    const struct {
        int id;
        const char* className;
        DWORD style;
        DWORD exStyle;
        int parent;
        RECT place;  // in the main window's client area
        const char* caption;
    } controls[] = {
        {kId分组框1, "Button", BS_GROUPBOX, 0, 0, {7, 1, 272, 80}, ""},
        {kId文件夹, "Button", kPushButton, 0, kId分组框1, {15, 16, 71, 40}, "文件夹"},
        {kId编辑框1, "Edit", kPathBox, WS_EX_CLIENTEDGE, kId分组框1, {79, 16, 264, 40}, "拖放文件夹到这里"},
        {kIdEXE, "Button", kPushButton, 0, kId分组框1, {15, 48, 71, 72}, "图标"},
        {kId编辑框2, "Edit", kPathBox, WS_EX_CLIENTEDGE, kId分组框1, {79, 48, 264, 72}, "拖放EXE/ICO文件到这里"},
        {kId分组框2, "Button", BS_GROUPBOX, 0, 0, {8, 81, 273, 160}, ""},
        {kId选择框1, "Button", kToggle, 0, kId分组框2, {16, 95, 72, 119}, "置顶"},
        {kId设置, "Button", kPushButton, 0, kId分组框2, {80, 95, 136, 119}, "设置"},
        {kId还原, "Button", kPushButton, 0, kId分组框2, {144, 95, 200, 119}, "还原"},
        {kId关于, "Button", kPushButton, 0, kId分组框2, {208, 95, 264, 119}, "说明"},
        {kId按钮1, "Button", kPushButton, 0, kId分组框2, {16, 128, 264, 152}, "Win7系统需点此重新加载［explorer.exe］"},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.caption);
        HWND control = C(c.id);
        ASSERT_TRUE(control);
        EXPECT_EQ(ClassOf(control), c.className);
        const DWORD style = GetWindowLongA(control, GWL_STYLE);
        EXPECT_EQ(style & c.style, c.style);
        EXPECT_TRUE(style & WS_VISIBLE);
        if (c.className == std::string("Button")) {
            EXPECT_EQ(style & BS_TYPEMASK, c.style & BS_TYPEMASK);  // BS_PUSHBUTTON is 0
            EXPECT_EQ(style & WS_TABSTOP, c.style & WS_TABSTOP);   // group boxes are no tab stops
        }
        EXPECT_EQ(GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, c.exStyle);
        EXPECT_EQ(GetParent(control), c.parent ? C(c.parent) : app.Main());
        const RECT place = PlaceInMainClient(control, app.Main());
        EXPECT_EQ(place.left, c.place.left);
        EXPECT_EQ(place.top, c.place.top);
        EXPECT_EQ(place.right, c.place.right);
        EXPECT_EQ(place.bottom, c.place.bottom);
        EXPECT_EQ(WindowText(control), c.caption);
    }
    EXPECT_EQ(ChildIdsInStackingOrder(app.Main()), (std::vector<int>{kId分组框2, kId分组框1}));
    EXPECT_EQ(ChildIdsInStackingOrder(C(kId分组框1)), (std::vector<int>{kIdEXE, kId文件夹, kId编辑框2, kId编辑框1}));
    EXPECT_EQ(ChildIdsInStackingOrder(C(kId分组框2)),
              (std::vector<int>{kId按钮1, kId选择框1, kId关于, kId还原, kId设置}));
}

TEST(VandrelExe, CarriesItsIconInEverySizeAndItsVersion) {
    const std::string exe = BuiltProgramPath("Vandrel.exe");
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(1), reinterpret_cast<LPCSTR>(RT_GROUP_ICON));
    ASSERT_TRUE(group);
    // The icon directory lists each frame's width in the byte after its 6-byte header
    // (0 stands for 256 and more).
    const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
    const int count = directory[4] | (directory[5] << 8);
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i) sizes.push_back(directory[6 + 14 * i]);
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 64, 72, 96, 128}));
    EXPECT_TRUE(FindResourceA(module, MAKEINTRESOURCEA(1), reinterpret_cast<LPCSTR>(RT_MANIFEST)));
    FreeLibrary(module);
    WIN32_FILE_ATTRIBUTE_DATA file{};
    ASSERT_TRUE(GetFileAttributesExA(exe.c_str(), GetFileExInfoStandard, &file));
    EXPECT_LE(file.nFileSizeLow, 400u * 1024);

    DWORD ignored = 0;
    std::vector<char> version(GetFileVersionInfoSizeA(exe.c_str(), &ignored));
    ASSERT_FALSE(version.empty());
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, static_cast<DWORD>(version.size()), version.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(version.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    for (const char* key : {"FileDescription", "ProductName"}) {
        char* value = nullptr;
        const std::string query = std::string("\\StringFileInfo\\080403a8\\") + key;
        ASSERT_TRUE(VerQueryValueA(version.data(), query.c_str(), reinterpret_cast<void**>(&value), &length));
        EXPECT_STREQ(value, "Vandrel");
    }
}

TEST_F(MainWindowRun, StayOnTopFollowsTheToggleAndThePathBoxesTakeNoTyping) {
    Click(C(kId选择框1));
    EXPECT_TRUE(WaitUntil([&] { return !IsTopmost(app.Main()); }));
    EXPECT_EQ(SendMessageA(C(kId选择框1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    Click(C(kId选择框1));
    EXPECT_TRUE(WaitUntil([&] { return IsTopmost(app.Main()); }));
    EXPECT_EQ(SendMessageA(C(kId选择框1), BM_GETCHECK, 0, 0), BST_CHECKED);

    for (int box : {kId编辑框1, kId编辑框2}) {
        const std::string before = WindowText(C(box));
        SendMessageA(C(box), WM_CHAR, 'x', 0);
        SendMessageA(C(box), WM_KEYDOWN, VK_DELETE, 0);
        EXPECT_EQ(WindowText(C(box)), before);
    }
}

TEST_F(MainWindowRun, ApplyAndRestoreShowTheirResultsAboveTheWindow) {
    const std::string folder = FillBoxesWithAProgramFolder();

    bool topmostWhileShown = true;
    EXPECT_EQ(PressAndReadResult(kId设置, &topmostWhileShown), "已设置！");
    EXPECT_FALSE(topmostWhileShown);
    EXPECT_TRUE(WaitUntil([&] { return IsTopmost(app.Main()); }));
    EXPECT_EQ(ReadFileBytes(folder + "\\desktop.ini"), "[.ShellClassInfo]\r\nIconFile=viewer.exe\r\nIconIndex=0\r\n");
    EXPECT_EQ(WindowText(C(kId编辑框1)), folder);  // the boxes stay as they are

    EXPECT_EQ(PressAndReadResult(kId还原), "已还原！");
    EXPECT_EQ(WindowText(C(kId编辑框1)), "拖放文件夹到这里");
    EXPECT_EQ(WindowText(C(kId编辑框2)), "拖放EXE文件到这里");
    EXPECT_FALSE(PathExists(folder + "\\desktop.ini"));

    EXPECT_EQ(PressAndReadResult(kId设置), "文件夹不存在！");
}

TEST_F(MainWindowRun, FocusStartsOnTheFirstControlAndTabMovesItInReadingOrder) {
    const DWORD thread = GetWindowThreadProcessId(app.Main(), nullptr);
    auto focused = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
    };
    EXPECT_TRUE(WaitUntil([&] { return focused() == C(kId文件夹); }, 3000));
    // As after a start with the mouse: no focus rectangles until the keyboard is used. (Where
    // the system always shows keyboard cues, as Wine's default settings do, nothing hides them.)
    SendMessageA(app.Main(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    const int order[] = {kId编辑框1, kIdEXE, kId编辑框2, kId选择框1, kId设置, kId还原, kId关于, kId按钮1, kId文件夹};
    for (int id : order) {
        HWND before = focused();
        PostMessageA(before ? before : app.Main(), WM_KEYDOWN, VK_TAB, 0);
        EXPECT_TRUE(WaitUntil([&] { return focused() == C(id); }, 3000)) << "expected control " << id;
    }
    // Once the keyboard has been used, the window and its controls draw focus rectangles.
    EXPECT_FALSE(SendMessageA(app.Main(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
    for (int id : {kId文件夹, kId编辑框1, kId按钮1, kId选择框1}) {
        EXPECT_FALSE(SendMessageA(C(id), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) << "control " << id;
    }

    // Back from another window, the focus is where it was left.
    PostMessageA(app.Main(), WM_KEYDOWN, VK_TAB, 0);
    ASSERT_TRUE(WaitUntil([&] { return focused() == C(kId编辑框1); }, 3000));
    HWND other = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                 nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other; }, 3000));
    SetForegroundWindow(app.Main());
    EXPECT_TRUE(WaitUntil([&] { return focused() == C(kId编辑框1); }, 3000));
    DestroyWindow(other);
}

// Points in the client area of the window or group box named that no control covers.
struct UncoveredSpot {
    int box;  // 0: the window itself
    POINT at;
};

constexpr UncoveredSpot kMainSpots[] = {
    {0, {3, 40}}, {0, {276, 120}}, {0, {140, 162}},
    {kId分组框1, {4, 43}}, {kId分组框1, {68, 27}}, {kId分组框1, {130, 43}}, {kId分组框1, {260, 60}},
    {kId分组框1, {130, 74}},
    {kId分组框2, {4, 43}}, {kId分组框2, {68, 26}}, {kId分组框2, {196, 30}}, {kId分组框2, {130, 43}},
    {kId分组框2, {259, 60}}, {kId分组框2, {130, 74}},
};

TEST_F(MainWindowRun, EveryUncoveredPixelShowsTheWindowBackground) {
    HWND main = app.Main();
    RECT client;
    GetClientRect(main, &client);
    ASSERT_GT(client.bottom, 163) << "no strip of the window below the group boxes";
    auto coverAndUncover = [&] {
        RECT outer;
        GetWindowRect(main, &outer);
        HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE,
                                     outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top,
                                     nullptr, nullptr, nullptr, nullptr);
        UpdateWindow(cover);
        Sleep(200);
        DestroyWindow(cover);
    };
    auto minimiseAndRestore = [&] {
        PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_TRUE(WaitUntil([&] { return IsIconic(main) != 0; }, 3000));
        PostMessageA(main, WM_SYSCOMMAND, SC_RESTORE, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsIconic(main); }, 3000));
    };
    auto changeTexts = [&] {
        SetText(C(kId分组框1), "临时");
        SetText(C(kId分组框1), "");
        SetText(C(kId分组框2), "");
        SetText(C(kId编辑框1), std::string(200, 'x'));
    };
    const struct {
        const char* after;
        std::function<void()> act;
    } steps[] = {
        {"first shown", [] {}},
        {"covered and uncovered", coverAndUncover},
        {"minimised and restored", minimiseAndRestore},
        {"texts changed", changeTexts},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.after);
        step.act();
        std::vector<ClientSpot> spots;
        for (const UncoveredSpot& spot : kMainSpots) spots.push_back({spot.box ? C(spot.box) : main, spot.at});
        std::string wrong;
        EXPECT_TRUE(WaitUntil([&] { return (wrong = FirstSpotOffBackground(spots)).empty(); }, 3000)) << wrong;
    }
}

TEST_F(MainWindowRun, EscEndsTheProgramWithExitCodeZero) {
    PostMessageA(C(kId编辑框1), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(app.WaitForExit(), 0u);
}

TEST_F(MainWindowRun, ASecondPressDuringTheWaitStartsNothing) {
    const std::string folder = FillBoxesWithAProgramFolder();
    // Both presses are queued at once: the second arrives while the first waits for attrib.
    Click(C(kId设置));
    Click(C(kId还原));
    Click(C(kId设置));
    HWND box = WaitForWindow(app.Pid(), "信息：", "#32770");
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), "已设置！");
    PressOk(box);
    EXPECT_TRUE(WaitForNoWindow(app.Pid(), "信息："));
    Sleep(300);
    EXPECT_FALSE(WaitForWindow(app.Pid(), "信息：", "#32770", 300)) << "a second operation ran";
    EXPECT_EQ(ReadFileBytes(folder + "\\desktop.ini"), "[.ShellClassInfo]\r\nIconFile=viewer.exe\r\nIconIndex=0\r\n");
    EXPECT_EQ(WindowText(C(kId编辑框1)), folder);
}

TEST_F(MainWindowRun, ClosingDuringTheWaitFinishesTheWriteAndShowsNothing) {
    const std::string folder = FillBoxesWithAProgramFolder();
    Click(C(kId设置));
    PostMessageA(app.Main(), WM_CLOSE, 0, 0);
    // A result box would hold the process until OK.
    EXPECT_EQ(app.WaitForExit(), 0u);
    EXPECT_EQ(ReadFileBytes(folder + "\\desktop.ini"), "[.ShellClassInfo]\r\nIconFile=viewer.exe\r\nIconIndex=0\r\n");
    EXPECT_TRUE(Attributes(folder) & FILE_ATTRIBUTE_SYSTEM);
    EXPECT_TRUE(Attributes(folder + "\\desktop.ini") & FILE_ATTRIBUTE_HIDDEN);
}

}  // namespace
