#include "ui/keyboard_filter.h"

#include <algorithm>
#include <vector>

namespace {

std::vector<HWND>& EscapeClosingWindows() {
    static std::vector<HWND> windows;
    return windows;
}

bool IsModifierDown() {
    return (GetKeyState(VK_CONTROL) & 0x8000) || (GetKeyState(VK_SHIFT) & 0x8000) ||
           (GetKeyState(VK_MENU) & 0x8000);
}

}  // namespace

void SetEscapeCloses(HWND topLevel) {
    auto& windows = EscapeClosingWindows();
    if (std::find(windows.begin(), windows.end(), topLevel) == windows.end()) windows.push_back(topLevel);
}

void ForgetEscapeCloses(HWND topLevel) {
    auto& windows = EscapeClosingWindows();
    windows.erase(std::remove(windows.begin(), windows.end(), topLevel), windows.end());
}

bool KeyboardFilter(MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_ESCAPE || msg.hwnd == nullptr) return false;
    if (IsModifierDown()) return false;
    // No control of this program claims Esc, so the key belongs to the window it is in.
    HWND top = GetAncestor(msg.hwnd, GA_ROOT);
    const auto& windows = EscapeClosingWindows();
    if (std::find(windows.begin(), windows.end(), top) == windows.end()) return false;
    PostMessageA(top, WM_CLOSE, 0, 0);
    return true;
}
