// Reading and writing the two path boxes of the main window, and the rejection beep.
#pragma once

#include <windows.h>

#include "engine/text.h"

Text BoxText(HWND box);
void SetBoxText(HWND box, TextView text);
void Beep();
