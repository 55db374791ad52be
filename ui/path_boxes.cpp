#include "ui/path_boxes.h"

Text BoxText(HWND box) {
    const int length = GetWindowTextLengthA(box);
    Text text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(box, text.data(), length + 1)));
    return text;
}

void SetBoxText(HWND box, TextView text) { SetWindowTextA(box, Text(text).c_str()); }

void Beep() { MessageBeep(MB_OK); }
