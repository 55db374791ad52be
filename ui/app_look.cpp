#include "ui/app_look.h"

#include "resources/resource_ids.h"

HICON LoadApplicationIcon(int size) {
    auto icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_VANDREL),
                                              IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    return icon != nullptr ? icon : LoadIconA(nullptr, IDI_APPLICATION);
}

LRESULT PaintBlackOnWhite(HDC dc) {
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
}
