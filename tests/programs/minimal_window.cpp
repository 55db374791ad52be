// The smallest window program, started like Vandrel.exe to measure start-up against.
#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "MinimalWindow";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("MinimalWindow", "MinimalWindow", WS_OVERLAPPEDWINDOW, 100, 100,
                                285, 197, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, showCommand);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
