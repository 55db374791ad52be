// A process for the process tests to find, end and restart in place of a real shell. It
// waits until it is ended, or ends by itself after the seconds given (60 by default) so that
// a test that fails half-way leaves nothing running for long.
//   vandrel_standin.exe [SECONDS] [window] [cwd-to FILE]
// window: it owns a (hidden) top-level window titled "Vandrel stand-in shell PID", as a
// shell owns the shell window, and answers messages while it waits.
// cwd-to FILE: it first writes its current directory into FILE.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void WriteCurrentDirectory(const char* file) {
    char folder[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, folder);
    HANDLE out = CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(out, folder, length, &written, nullptr);
    CloseHandle(out);
}

void WaitWithWindow(DWORD ms) {
    const std::string title = "Vandrel stand-in shell " + std::to_string(GetCurrentProcessId());
    CreateWindowA("STATIC", title.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetTimer(nullptr, 0, ms, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0 && msg.message != WM_TIMER) DispatchMessageA(&msg);
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const DWORD ms = static_cast<DWORD>(seconds > 0 ? seconds : 60) * 1000;
    bool window = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "window") == 0) window = true;
        if (std::strcmp(argv[i], "cwd-to") == 0 && i + 1 < argc) WriteCurrentDirectory(argv[++i]);
    }
    if (window) {
        WaitWithWindow(ms);
    } else {
        Sleep(ms);
    }
    return 0;
}
