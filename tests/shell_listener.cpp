#include "tests/shell_listener.h"

#include <shlobj.h>

namespace {

constexpr UINT kNotice = WM_APP + 1;

}  // namespace

ShellChangeListener::ShellChangeListener(const std::string& folder) {
    window_ = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!window_) return;
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListenerProc));
    WCHAR wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide, MAX_PATH);
    PIDLIST_ABSOLUTE id = nullptr;
    if (SHParseDisplayName(wide, nullptr, &id, 0, nullptr) != S_OK) return;
    folderId_ = id;
    SHChangeNotifyEntry entry{id, FALSE};
    registration_ = SHChangeNotifyRegister(window_, SHCNRF_ShellLevel | SHCNRF_InterruptLevel | SHCNRF_NewDelivery,
                                           SHCNE_UPDATEITEM | SHCNE_UPDATEDIR, kNotice, 1, &entry);
}

ShellChangeListener::~ShellChangeListener() {
    if (registration_) SHChangeNotifyDeregister(registration_);
    CoTaskMemFree(folderId_);
    if (window_) DestroyWindow(window_);
}

LRESULT CALLBACK ShellChangeListener::ListenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kNotice) {
        reinterpret_cast<ShellChangeListener*>(GetWindowLongPtrA(window, GWLP_USERDATA))->noticed_ = true;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void ShellChangeListener::Dispatch() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

void ShellChangeListener::Forget() {
    Dispatch();
    noticed_ = false;
}

bool ShellChangeListener::WaitForNotice(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        Dispatch();
        if (noticed_ || GetTickCount() - start >= timeoutMs) return noticed_;
        Sleep(20);
    }
}
