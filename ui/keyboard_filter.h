// The keyboard filter that every message of the program passes before it is dispatched,
// in the main message loop and while an operation waits for its console command.
#pragma once

#include <windows.h>

#include <vector>

// Esc (no Ctrl, Shift or Alt) in this top-level window, or in any of its controls, closes it.
void SetEscapeCloses(HWND topLevel);
// Forgets what was set for the window; called when it is destroyed.
void ForgetWindowKeys(HWND topLevel);
// Tab and Shift+Tab in this top-level window move the focus through these controls, in
// this order and round again; disabled ones are passed over.
void SetTabOrder(HWND topLevel, std::vector<HWND> controls);
// Returns true when it consumed the message.
bool KeyboardFilter(MSG& msg);
