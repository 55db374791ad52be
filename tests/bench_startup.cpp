// Time from starting a program to its window being shown: Vandrel.exe against a program with
// the same controls and manifest and nothing else, and against the smallest window program,
// all started the same way. The runs of the three are interleaved, so that a load on the
// machine falls on all of them alike, and each figure is the median of its runs.
//   scripts/bench.sh
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "tests/gui_driver.h"

namespace {

struct Contender {
    const char* label;
    const char* program;
    const char* title;
    std::vector<double> seconds;
};

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

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    Contender contenders[] = {
        {"Vandrel.exe", "Vandrel.exe", "Vandrel", {}},
        {"same controls, same manifest", "same_controls_window.exe", "SameControlsWindow", {}},
        {"bare window", "minimal_window.exe", "MinimalWindow", {}},
    };
    for (Contender& c : contenders) SecondsToWindow(c.program, c.title);  // warms the file cache
    for (int i = 0; i < rounds; ++i) {
        // Each round starts with another program, so none is always the one after a pause.
        for (size_t k = 0; k < std::size(contenders); ++k) {
            Contender& c = contenders[(i + k) % std::size(contenders)];
            c.seconds.push_back(SecondsToWindow(c.program, c.title));
        }
    }
    std::printf("start to window shown, median of %d interleaved runs each\n", rounds);
    for (const Contender& c : contenders) {
        std::printf("  %-30s %8.1f ms\n", c.label, Median(c.seconds) * 1000);
    }
    const double vandrel = Median(contenders[0].seconds);
    std::printf("Vandrel / same controls        %8.2f   (goal <= 1.15)\n", vandrel / Median(contenders[1].seconds));
    std::printf("Vandrel / bare window          %8.2f\n", vandrel / Median(contenders[2].seconds));
    return 0;
}
