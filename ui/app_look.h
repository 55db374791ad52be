// What both windows of the program share in their look.
#pragma once

#include <windows.h>

// The application icon at this size; the system's default icon in a module without ours.
HICON LoadApplicationIcon(int size);
// Answers a WM_CTLCOLOR* message: black text on white, though the box may be read-only.
LRESULT PaintBlackOnWhite(HDC dc);
// Fills a window's whole client area with the dialog background (COLOR_BTNFACE); for
// WM_ERASEBKGND, which it answers.
LRESULT EraseToWindowBackground(HWND window, HDC dc);

// The display's pixels per logical inch, which the program declares it follows itself.
int ScreenDpi();
// A size or place laid out at 96 DPI, at the display's DPI.
int Scaled(int pixels);
// The scaled length of a span that starts at `from`: both of its edges are scaled, so that
// spans that do not meet at 96 DPI do not meet at any other DPI either.
int ScaledSpan(int from, int length);
// Where a top-level window of this outer size goes: centred on the screen, then moved and,
// if need be, shrunk into the work area.
RECT PlaceOnScreen(int width, int height);
