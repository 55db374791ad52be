// Time from starting a program to its window being shown: Vandrel.exe against the smallest
// window program, both started the same way.
//   scripts/bench.sh
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/gui_driver.h"

namespace {

// Starts the program, waits for its visible window with the title, closes it again.
double SecondsToWindow(const std::string& program, const std::string& title) {
    std::string line = "\"" + BuiltProgramPath(program) + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    LARGE_INTEGER frequency, from, to;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&from);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return -1;
    }
    HWND window = nullptr;
    while (!(window = WaitForWindow(started.dwProcessId, title, nullptr, 0))) Sleep(1);
    QueryPerformanceCounter(&to);
    PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(started.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(started.hProcess, 1);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

}  // namespace

int main() {
    const int rounds = 10;
    double vandrel = 0, minimal = 0;
    SecondsToWindow("minimal_window.exe", "MinimalWindow");  // warms the file cache
    SecondsToWindow("Vandrel.exe", "Vandrel");
    for (int i = 0; i < rounds; ++i) {
        minimal += SecondsToWindow("minimal_window.exe", "MinimalWindow");
        vandrel += SecondsToWindow("Vandrel.exe", "Vandrel");
    }
    std::printf("start to window shown, Vandrel.exe   %8.1f ms\n", vandrel / rounds * 1000);
    std::printf("start to window shown, minimal       %8.1f ms\n", minimal / rounds * 1000);
    std::printf("Vandrel / minimal                    %8.2f   (goal <= 1.3)\n", vandrel / minimal);
    return 0;
}
