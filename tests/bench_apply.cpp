// Times one apply against the attrib command it runs, and the CPU time the apply costs.
//   scripts/bench.sh
#include <windows.h>

#include <cstdio>

#include "engine/apply_icon.h"
#include "tests/scratch_folder.h"

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto value = [](FILETIME t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return double(value(kernel) + value(user)) / 1e7;
}

double TimeBareAttrib(const std::string& folder) {
    std::string line = "cmd.exe /c attrib \"" + folder + "\" +s";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started{};
    LARGE_INTEGER from, to;
    QueryPerformanceCounter(&from);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return -1;
    }
    WaitForSingleObject(started.hProcess, INFINITE);
    QueryPerformanceCounter(&to);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return Seconds(from, to);
}

}  // namespace

int main() {
    const int rounds = 20;
    double applyWall = 0, applyCpu = 0, attribWall = 0;
    for (int i = 0; i < rounds; ++i) {
        ScratchFolder root;
        const std::string folder = root / "App";
        MakeFolder(folder);
        WriteFileBytes(folder + "\\app.exe", "MZ");
        WriteIconFile(root / "star.ico");

        attribWall += TimeBareAttrib(folder);
        SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);

        LARGE_INTEGER from, to;
        const double cpuFrom = ProcessCpuSeconds();
        QueryPerformanceCounter(&from);
        const Text result = ApplyFolderIcon(folder, root / "star.ico");
        QueryPerformanceCounter(&to);
        applyCpu += ProcessCpuSeconds() - cpuFrom;
        applyWall += Seconds(from, to);
        if (result != kResultApplied) {
            std::printf("apply failed\n");
            return 1;
        }
    }
    applyWall /= rounds;
    applyCpu /= rounds;
    attribWall /= rounds;
    std::printf("apply wall time      %8.1f ms\n", applyWall * 1000);
    std::printf("bare attrib wall     %8.1f ms\n", attribWall * 1000);
    std::printf("apply CPU time       %8.1f ms\n", applyCpu * 1000);
    std::printf("apply / bare attrib  %8.2f   (goal <= 1.15)\n", applyWall / attribWall);
    std::printf("CPU / wall           %8.2f   (goal <= 0.10)\n", applyCpu / applyWall);
    return 0;
}
