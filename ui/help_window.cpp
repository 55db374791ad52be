#include "ui/help_window.h"

#include "ui/app_look.h"
#include "ui/help_text.h"
#include "ui/keyboard_filter.h"

namespace {

constexpr char helpClassName[] = "VandrelHelpWindow";
constexpr char helpTitle[] = "Vandrel V1.5";
constexpr int helpWidth = 548;
constexpr int helpHeight = 563;

// There is never more than one instructions window.
HWND helpWindow = nullptr;
HWND 编辑框1 = nullptr;

// The window may have been made shorter than designed to fit the work area; the text box
// gives up that much height and the text scrolls.
void CreateHelpBox(HWND window, int windowHeight) {
    const int shortBy = Scaled(helpHeight) - windowHeight;
    编辑框1 = CreateWindowExA(
        WS_EX_CLIENTEDGE, "EDIT", "",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_LEFT | ES_MULTILINE | ES_AUTOVSCROLL |
            ES_WANTRETURN,
        Scaled(8), Scaled(8), ScaledSpan(8, 528), ScaledSpan(8, 512) - shortBy, window, nullptr,
        GetModuleHandleA(nullptr), nullptr);
    SendMessageA(编辑框1, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    SendMessageA(编辑框1, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextA(编辑框1, HelpText().c_str());
    SendMessageA(编辑框1, EM_SETSEL, 0, 0);
    SendMessageA(编辑框1, EM_SCROLLCARET, 0, 0);
}

LRESULT CALLBACK HelpWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        CreateHelpBox(window, reinterpret_cast<CREATESTRUCTA*>(lParam)->cy);
        // The keyboard filter takes Esc before the edit box sees it, so Esc closes the
        // window even from the help text.
        SetEscapeCloses(window);
        return 0;
    case WM_SETFOCUS:
        // Keys typed into the window belong to its only control.
        SetFocus(编辑框1);
        return 0;
    case WM_CTLCOLOREDIT:
        return PaintBlackOnWhite(reinterpret_cast<HDC>(wParam));
    case WM_DESTROY:
        ForgetWindowKeys(window);
        helpWindow = nullptr;
        编辑框1 = nullptr;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterHelpClass() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, helpClassName, &existing)) return;
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = HelpWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadApplicationIcon(GetSystemMetrics(SM_CXICON));
    windowClass.hIconSm = LoadApplicationIcon(GetSystemMetrics(SM_CXSMICON));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = helpClassName;
    RegisterClassExA(&windowClass);
}

}  // namespace

void OpenHelpWindow(HWND owner) {
    if (helpWindow != nullptr) {
        if (IsIconic(helpWindow)) {
            ShowWindow(helpWindow, SW_RESTORE);
        } else {
            SetActiveWindow(helpWindow);
            SetForegroundWindow(helpWindow);
        }
        return;
    }
    RegisterHelpClass();
    const RECT place = PlaceOnScreen(Scaled(helpWidth), Scaled(helpHeight));
    helpWindow = CreateWindowExA(0, helpClassName, helpTitle, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                 place.left, place.top, place.right - place.left, place.bottom - place.top,
                                 owner, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (helpWindow == nullptr) return;
    ShowWindow(helpWindow, SW_SHOW);
    SetFocus(编辑框1);
}
