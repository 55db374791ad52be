// The program at display scales of 100 to 200 %: under Wine the DPI is set in the prefix's
// registry before the program starts; on Windows a new DPI takes a new sign-in, so there only
// the scale the desktop runs at is checked.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/gui_driver.h"
#include "tests/scoped_registry_value.h"
#include "tests/scratch_folder.h"
#include "ui/control_ids.h"

namespace {

constexpr char kDesktopKey[] = "Control Panel\\Desktop";

int Scale(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }

RECT OnScreen(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

RECT ClientOnScreen(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    return client;
}

RECT WorkArea() {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

// The width and height of a caption in the program's font, the stock GUI font, which this
// process gets at the same DPI.
SIZE CaptionExtent(const std::string& caption) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ was = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    GetTextExtentPoint32A(dc, caption.data(), static_cast<int>(caption.size()), &size);
    SelectObject(dc, was);
    ReleaseDC(nullptr, dc);
    return size;
}

struct DesignedControl {
    int id;
    int width, height;  // at 96 DPI
};

constexpr DesignedControl kDesigned[] = {
    {kId分组框1, 265, 79}, {kId文件夹, 56, 24}, {kId编辑框1, 185, 24}, {kIdEXE, 56, 24},
    {kId编辑框2, 185, 24}, {kId分组框2, 265, 79}, {kId选择框1, 56, 24}, {kId设置, 56, 24},
    {kId还原, 56, 24},    {kId关于, 56, 24},    {kId按钮1, 248, 24},
};

int DisplayDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

constexpr char kExpectedDpi[] = "VANDREL_EXPECTED_DPI";

// Measured in real pixels: aware of the DPI, this process sees no scaled coordinates. It
// must also run at the program's DPI, which Wine reads when a process starts, so the scales
// that the registry sets are measured in a fresh run of this test program.
void MeasureInRealPixels() {
    using Declare = BOOL(WINAPI*)();
    if (auto aware = reinterpret_cast<Declare>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDPIAware")))) {
        aware();
    }
}

TEST(AtTheDisplayDpi, WindowsControlsAndCaptionsScaleAndFit) {
    MeasureInRealPixels();
    const int dpi = DisplayDpi();
    char expected[16] = {};
    if (GetEnvironmentVariableA(kExpectedDpi, expected, sizeof expected)) {
        ASSERT_EQ(dpi, atoi(expected)) << "this run is not at the DPI it was started for";
    }
    VandrelProcess app;
    ASSERT_TRUE(app.Main()) << "the window \"Vandrel\" did not appear";

    const RECT work = WorkArea();
    const RECT outer = OnScreen(app.Main());
    EXPECT_EQ(Width(outer), Scale(285, dpi));
    EXPECT_EQ(Height(outer), Scale(197, dpi));
    EXPECT_TRUE(Inside(outer, work));

    const RECT client = ClientOnScreen(app.Main());
    std::vector<HWND> placed;
    for (const DesignedControl& designed : kDesigned) {
        SCOPED_TRACE(designed.id);
        HWND control = app.Control(designed.id);
        ASSERT_TRUE(control);
        const RECT place = OnScreen(control);
        EXPECT_NEAR(Width(place), Scale(designed.width, dpi), 1);
        EXPECT_NEAR(Height(place), Scale(designed.height, dpi), 1);
        HWND parent = GetParent(control);
        EXPECT_TRUE(Inside(place, ClientOnScreen(parent)));
        EXPECT_TRUE(Inside(place, client));
        for (HWND other : placed) {
            RECT both;
            const RECT otherPlace = OnScreen(other);
            if (GetParent(other) == parent) {
                EXPECT_FALSE(IntersectRect(&both, &place, &otherPlace)) << "overlaps control " << GetDlgCtrlID(other);
            }
        }
        placed.push_back(control);

        const std::string caption = WindowText(control);
        if (caption.empty()) continue;
        // Room for the button's edge and focus rectangle, or the edit box's border and margins.
        const SIZE text = CaptionExtent(caption);
        RECT inside;
        GetClientRect(control, &inside);
        const int room = Width(inside) - 2 * Scale(ClassOf(control) == "Edit" ? 2 : 3, dpi);
        EXPECT_LE(text.cx, room) << caption;
        EXPECT_LE(text.cy, Height(inside)) << caption;
    }

    Click(app.Control(kId关于));
    HWND help = WaitForWindow(app.Pid(), "Vandrel V1.5");
    ASSERT_TRUE(help);
    const RECT helpOuter = OnScreen(help);
    EXPECT_EQ(Width(helpOuter), Scale(548, dpi));
    EXPECT_EQ(Height(helpOuter), std::min<int>(Scale(563, dpi), Height(work)));
    EXPECT_TRUE(Inside(helpOuter, work));
    HWND text = FindWindowExA(help, nullptr, "Edit", nullptr);
    ASSERT_TRUE(text);
    const RECT helpClient = ClientOnScreen(help);
    const RECT textPlace = OnScreen(text);
    EXPECT_TRUE(Inside(textPlace, helpClient));
    EXPECT_EQ(textPlace.left - helpClient.left, Scale(8, dpi));
    EXPECT_EQ(textPlace.top - helpClient.top, Scale(8, dpi));
    EXPECT_EQ(Width(textPlace), Scale(528, dpi));
    // The help text's lines grow with the font, which the program takes at the display's DPI.
    const LRESULT secondLine = SendMessageA(text, EM_LINEINDEX, 1, 0);
    const int lineHeight = HIWORD(SendMessageA(text, EM_POSFROMCHAR, secondLine, 0)) -
                           HIWORD(SendMessageA(text, EM_POSFROMCHAR, 0, 0));
    EXPECT_GE(lineHeight, Scale(12, dpi) - 1);

    PostMessageA(app.Main(), WM_CLOSE, 0, 0);
    EXPECT_EQ(app.WaitForExit(), 0u);
}

TEST(VandrelExe, DeclaresThatItScalesItself) {
    HMODULE module = LoadLibraryExA(BuiltProgramPath("Vandrel.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), reinterpret_cast<LPCSTR>(RT_MANIFEST));
    ASSERT_TRUE(found);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(module, found))),
                               SizeofResource(module, found));
    FreeLibrary(module);
    EXPECT_NE(manifest.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>"),
              std::string::npos);
    // Per-monitor awareness would oblige the program to follow WM_DPICHANGED, which it does not.
    EXPECT_EQ(manifest.find("dpiAwareness"), std::string::npos);
}

class AtDisplayScale : public testing::TestWithParam<int> {};

TEST_P(AtDisplayScale, TheProgramScalesToIt) {
    if (!RunningOnWine()) GTEST_SKIP() << "Windows takes a new DPI only at the next sign-in";
    const int dpi = GetParam();
    {
        // Without DpiScalingVer beside it, Wine treats every process as DPI-aware and
        // scales nothing itself, so what shows is the program's own scaling. (With it, Wine 8
        // honours the manifest but maps a system-aware window wrongly: at 192 DPI a window
        // made 570 pixels wide showed 143 wide.)
        ScopedUserDword logPixels(kDesktopKey, "LogPixels", static_cast<DWORD>(dpi));
        SetEnvironmentVariableA(kExpectedDpi, std::to_string(dpi).c_str());
        std::string line = "\"" + BuiltProgramPath("gui_dpi_tests.exe") +
                           "\" --gtest_filter=AtTheDisplayDpi.* --gtest_brief=1";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                   &started));
        SetEnvironmentVariableA(kExpectedDpi, nullptr);
        // The run starts the program, which reads the DPI at its own start: the values stay
        // until both have ended.
        DWORD code = 1;
        EXPECT_EQ(WaitForSingleObject(started.hProcess, 60000), WAIT_OBJECT_0);
        GetExitCodeProcess(started.hProcess, &code);
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
        EXPECT_EQ(code, 0u) << "the run at " << dpi << " DPI failed (its output is above)";
    }
}

INSTANTIATE_TEST_SUITE_P(Dpi, AtDisplayScale, testing::Values(120, 144, 192),
                         [](const testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

}  // namespace
