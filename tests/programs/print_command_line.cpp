// Writes its own command line, exactly as it received it, to standard output.
#include <windows.h>

#include <cstring>

int main() {
    const char* line = GetCommandLineA();
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    return 0;
}
