#include "process/message_pump.h"

namespace {

MessageFilter installedFilter = nullptr;

}  // namespace

void InstallMessageFilter(MessageFilter filter) { installedFilter = filter; }

bool FilterMessage(MSG& msg) { return installedFilter != nullptr && installedFilter(msg); }

bool IsQuitPending() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

void ProcessPendingMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) return;
        if (FilterMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool WaitDispatchingMessages(HANDLE object, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (timeoutMs != INFINITE && elapsed >= timeoutMs) return false;
        const DWORD left = timeoutMs == INFINITE ? INFINITE : timeoutMs - elapsed;
        // With WM_QUIT next in the queue nothing more is dispatched, and waiting for
        // input would wake at once, again and again.
        if (IsQuitPending()) return WaitForSingleObject(object, left) == WAIT_OBJECT_0;
        const DWORD woken = MsgWaitForMultipleObjects(1, &object, FALSE, left, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) return true;
        if (woken == WAIT_OBJECT_0 + 1) {
            ProcessPendingMessages();
            continue;
        }
        if (woken == WAIT_TIMEOUT) return false;
        return WaitForSingleObject(object, left) == WAIT_OBJECT_0;
    }
}
