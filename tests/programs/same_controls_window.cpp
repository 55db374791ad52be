// Vandrel's window with nothing behind it: the same eleven controls, the same manifest, and
// no other start-up work than what common controls 6 ask for. The start-up benchmark measures Vandrel.exe against it.
#include <windows.h>
#include <commctrl.h>

#include "ui/main_layout.h"

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // What any program with this manifest does: Windows XP wants it before the first control.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "SameControlsWindow";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "SameControlsWindow", "SameControlsWindow", kMainWindowStyle, 100, 100,
                                  kMainOuterWidth, kMainOuterHeight, nullptr, nullptr, instance, nullptr);
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    HWND group1 = nullptr, group2 = nullptr;
    for (const ControlRow& row : kControls) {
        HWND parent = row.parent == Parent::group1 ? group1 : row.parent == Parent::group2 ? group2 : window;
        HWND control = CreateWindowExA(row.exStyle, row.className, row.caption, row.style, row.x, row.y,
                                       row.width, row.height, parent,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), instance, nullptr);
        SendMessageA(control, WM_SETFONT, font, FALSE);
        if (row.id == kId分组框1) group1 = control;
        if (row.id == kId分组框2) group2 = control;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
