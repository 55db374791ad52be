#include "ui/keyboard_filter.h"

#include <algorithm>
#include <utility>

namespace {

struct WindowKeys {
    HWND topLevel;
    bool escapeCloses = false;
    std::vector<HWND> tabOrder;
};

std::vector<WindowKeys>& KeyedWindows() {
    static std::vector<WindowKeys> windows;
    return windows;
}

WindowKeys* KeysOf(HWND topLevel) {
    auto& windows = KeyedWindows();
    auto found = std::find_if(windows.begin(), windows.end(),
                              [&](const WindowKeys& w) { return w.topLevel == topLevel; });
    return found == windows.end() ? nullptr : &*found;
}

WindowKeys& KeysFor(HWND topLevel) {
    if (WindowKeys* keys = KeysOf(topLevel)) return *keys;
    return KeyedWindows().emplace_back(WindowKeys{topLevel, false, {}});
}

bool IsDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

bool MoveFocus(const std::vector<HWND>& order, bool backwards) {
    const int count = static_cast<int>(order.size());
    if (count == 0) return false;
    const auto current = std::find(order.begin(), order.end(), GetFocus());
    int index = current == order.end() ? (backwards ? 0 : -1) : static_cast<int>(current - order.begin());
    for (int step = 0; step < count; ++step) {
        index = (index + (backwards ? count - 1 : 1)) % count;
        if (IsWindowEnabled(order[index]) && IsWindowVisible(order[index])) {
            SetFocus(order[index]);
            return true;
        }
    }
    return false;
}

bool IsNavigationKey(WPARAM key) {
    return key == VK_TAB || key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
}

// As the dialog manager does: focus rectangles, hidden while only the mouse is used, show
// from the first navigation key on; Alt shows the underlines too.
void ShowKeyboardCues(const MSG& msg, HWND topLevel) {
    WORD cues = 0;
    if (msg.message == WM_KEYDOWN && IsNavigationKey(msg.wParam)) cues = UISF_HIDEFOCUS;
    if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_MENU) cues = UISF_HIDEFOCUS | UISF_HIDEACCEL;
    if (cues && (SendMessageA(topLevel, WM_QUERYUISTATE, 0, 0) & cues)) {
        SendMessageA(topLevel, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, cues), 0);
    }
}

}  // namespace

void SetEscapeCloses(HWND topLevel) { KeysFor(topLevel).escapeCloses = true; }

void ForgetWindowKeys(HWND topLevel) {
    auto& windows = KeyedWindows();
    windows.erase(std::remove_if(windows.begin(), windows.end(),
                                 [&](const WindowKeys& w) { return w.topLevel == topLevel; }),
                  windows.end());
}

void SetTabOrder(HWND topLevel, std::vector<HWND> controls) { KeysFor(topLevel).tabOrder = std::move(controls); }

bool KeyboardFilter(MSG& msg) {
    if ((msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) || msg.hwnd == nullptr) return false;
    const WindowKeys* keys = KeysOf(GetAncestor(msg.hwnd, GA_ROOT));
    if (!keys) return false;
    ShowKeyboardCues(msg, keys->topLevel);
    if (msg.message != WM_KEYDOWN) return false;
    // No control of this program claims Esc, so the key belongs to the window it is in.
    if (msg.wParam == VK_ESCAPE && keys->escapeCloses && !IsDown(VK_CONTROL) && !IsDown(VK_SHIFT) &&
        !IsDown(VK_MENU)) {
        PostMessageA(keys->topLevel, WM_CLOSE, 0, 0);
        return true;
    }
    if (msg.wParam == VK_TAB && !IsDown(VK_CONTROL) && !IsDown(VK_MENU)) {
        return MoveFocus(keys->tabOrder, IsDown(VK_SHIFT));
    }
    return false;
}
