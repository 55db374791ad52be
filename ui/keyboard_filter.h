// The keyboard filter that every message of the program passes before it is dispatched,
// in the main message loop and while an operation waits for its console command.
#pragma once

#include <windows.h>

// Esc (no Ctrl, Shift or Alt) in this top-level window, or in any of its controls, closes it.
void SetEscapeCloses(HWND topLevel);
void ForgetEscapeCloses(HWND topLevel);
// Returns true when it consumed the message.
bool KeyboardFilter(MSG& msg);
