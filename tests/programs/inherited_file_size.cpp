// Tells whether it inherited a file handle: given the handle's value (decimal), writes the
// size of the file behind it, or "none" when it holds no such handle.
#include <windows.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    std::string report = "none";
    if (argc > 1) {
        const auto handle = reinterpret_cast<HANDLE>(std::strtoul(argv[1], nullptr, 10));
        LARGE_INTEGER size{};
        if (GetFileType(handle) == FILE_TYPE_DISK && GetFileSizeEx(handle, &size)) {
            report = std::to_string(size.QuadPart);
        }
    }
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), report.data(), static_cast<DWORD>(report.size()),
              &written, nullptr);
    return 0;
}
