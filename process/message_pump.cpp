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
        // Whatever is queued already goes first: a wait for input wakes only for input that
        // arrived after the last look at the queue, and any peek counts as a look.
        ProcessPendingMessages();
        const DWORD elapsed = GetTickCount() - start;
        if (timeoutMs != INFINITE && elapsed >= timeoutMs) return WaitForSingleObject(object, 0) == WAIT_OBJECT_0;
        const DWORD left = timeoutMs == INFINITE ? INFINITE : timeoutMs - elapsed;
        // With WM_QUIT next in the queue nothing more is dispatched, and a wait for input
        // would wake at once, again and again.
        if (IsQuitPending()) return WaitForSingleObject(object, left) == WAIT_OBJECT_0;
        const DWORD woken = MsgWaitForMultipleObjectsEx(1, &object, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0) return true;
        if (woken == WAIT_OBJECT_0 + 1) continue;
        if (woken == WAIT_TIMEOUT) return false;
        return WaitForSingleObject(object, left) == WAIT_OBJECT_0;
    }
}
