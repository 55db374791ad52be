// Dispatching the thread's queued window messages while an operation waits.
#pragma once

#include <windows.h>

// Returns true when it has consumed the message, which then goes no further.
using MessageFilter = bool (*)(MSG& msg);

// The user interface installs its keyboard filter here; until then no filter applies.
void InstallMessageFilter(MessageFilter filter);
// Offers a message taken from the queue to the installed filter.
bool FilterMessage(MSG& msg);
// Dispatches every message already waiting and returns without waiting. A waiting WM_QUIT
// stays in the queue for the main message loop.
void ProcessPendingMessages();
bool IsQuitPending();
// Waits until the object is signalled, dispatching window messages as they arrive, or until
// timeoutMs has passed. Returns true when the object was signalled.
bool WaitDispatchingMessages(HANDLE object, DWORD timeoutMs = INFINITE);
