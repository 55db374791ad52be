// The instructions window, opened by the main window's 关于 button.
#pragma once

#include <windows.h>

// Opens the window owned by owner, or brings back the one already open.
void OpenHelpWindow(HWND owner);
