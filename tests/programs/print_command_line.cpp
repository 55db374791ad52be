// Writes what it was started with to standard output: its command line, exactly as it
// received it, then a line break and its current directory.
#include <windows.h>

#include <string>

int main() {
    std::string report = GetCommandLineA();
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    report += "\n";
    report += folder;
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), report.data(), static_cast<DWORD>(report.size()),
              &written, nullptr);
    return 0;
}
