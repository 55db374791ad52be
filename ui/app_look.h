// What both windows of the program share in their look.
#pragma once

#include <windows.h>

// The application icon at this size; the system's default icon in a module without ours.
HICON LoadApplicationIcon(int size);
// Answers a WM_CTLCOLOR* message: black text on white, though the box may be read-only.
LRESULT PaintBlackOnWhite(HDC dc);
