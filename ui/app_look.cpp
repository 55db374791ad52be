#include "ui/app_look.h"

#include <algorithm>

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

LRESULT EraseToWindowBackground(HWND window, HDC dc) {
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    return 1;
}

int ScreenDpi() {
    // The program is system-DPI aware (its manifest says so), so the screen DC's DPI is the
    // one every window of it is drawn at; XP knows no per-window DPI.
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int found = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) ReleaseDC(nullptr, screen);
        return found > 0 ? found : 96;
    }();
    return dpi;
}

int Scaled(int pixels) { return MulDiv(pixels, ScreenDpi(), 96); }

int ScaledSpan(int from, int length) { return Scaled(from + length) - Scaled(from); }

RECT PlaceOnScreen(int width, int height) {
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    width = std::min<int>(width, work.right - work.left);
    height = std::min<int>(height, work.bottom - work.top);
    const int x = std::clamp<int>((GetSystemMetrics(SM_CXSCREEN) - width) / 2, work.left, work.right - width);
    const int y = std::clamp<int>((GetSystemMetrics(SM_CYSCREEN) - height) / 2, work.top, work.bottom - height);
    return RECT{x, y, x + width, y + height};
}
