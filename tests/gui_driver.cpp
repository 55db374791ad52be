#include "tests/gui_driver.h"

#include <vector>

#include "engine/text.h"
#include "ui/control_ids.h"

namespace {

struct WindowQuery {
    DWORD pid;
    const std::string* title;
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    auto& query = *reinterpret_cast<WindowQuery*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != query.pid || !IsWindowVisible(window)) return TRUE;
    if (WindowText(window) != *query.title) return TRUE;
    if (query.className && ClassOf(window) != query.className) return TRUE;
    query.found = window;
    return FALSE;
}

HWND FindProcessWindow(DWORD pid, const std::string& title, const char* className) {
    WindowQuery query{pid, &title, className, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

}  // namespace

std::string BuiltProgramPath(const std::string& fileName) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    // The build folder's name may hold a double-byte character whose trail byte is 0x5C.
    return TextLeft(path, FindTextLast(path, "\\")) + fileName;
}

VandrelProcess::VandrelProcess() {
    std::string line = "\"" + BuiltProgramPath("Vandrel.exe") + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return;
    }
    CloseHandle(started.hThread);
    process_ = started.hProcess;
    pid_ = started.dwProcessId;
    // The first window in a new Wine prefix can take a while.
    main_ = WaitForWindow(pid_, kMainWindowTitle, kMainWindowClass, 30000);
}

VandrelProcess::~VandrelProcess() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

HWND VandrelProcess::Control(int id) const {
    for (HWND group : {GetDlgItem(main_, kId分组框1), GetDlgItem(main_, kId分组框2)}) {
        if (group && GetDlgCtrlID(group) == id) return group;
        if (HWND inside = GetDlgItem(group, id)) return inside;
    }
    return GetDlgItem(main_, id);
}

DWORD VandrelProcess::WaitForExit(DWORD timeoutMs) {
    DWORD code = STILL_ACTIVE;
    if (process_ && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process_, &code);
    }
    return code;
}

HWND WaitForWindow(DWORD pid, const std::string& title, const char* className, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindProcessWindow(pid, title, className)) != nullptr; }, timeoutMs);
    return found;
}

bool WaitForNoWindow(DWORD pid, const std::string& title, DWORD timeoutMs) {
    return WaitUntil([&] { return FindProcessWindow(pid, title, nullptr) == nullptr; }, timeoutMs);
}

std::string WindowText(HWND window) {
    // WM_GETTEXT is marshalled between processes, unlike GetWindowText for another's control.
    const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    const LRESULT copied = SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

void SetText(HWND window, const std::string& text) {
    SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

bool IsTopmost(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

std::string MessageBoxText(HWND box) { return WindowText(GetDlgItem(box, 0xFFFF)); }

void PressOk(HWND box) { Click(GetDlgItem(box, IDOK)); }

std::string FirstSpotOffBackground(const std::vector<ClientSpot>& spots) {
    const COLORREF background = GetSysColor(COLOR_BTNFACE);
    HDC screen = GetDC(nullptr);
    std::string wrong;
    for (const ClientSpot& spot : spots) {
        POINT at = spot.at;
        ClientToScreen(spot.window, &at);
        const COLORREF seen = GetPixel(screen, at.x, at.y);
        if (seen == background) continue;
        char text[128];
        wsprintfA(text, "control %d at %d,%d shows %06lX, not %06lX", GetDlgCtrlID(spot.window),
                  static_cast<int>(spot.at.x), static_cast<int>(spot.at.y), static_cast<unsigned long>(seen),
                  static_cast<unsigned long>(background));
        wrong = text;
        break;
    }
    ReleaseDC(nullptr, screen);
    return wrong;
}
