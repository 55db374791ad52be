#include "tests/scratch_folder.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "process/owned_handle.h"

namespace {

std::string NewScratchPath() {
    static int serial = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    char name[64];
    std::snprintf(name, sizeof name, "vandrel-test-%lu-%d-%lu", GetCurrentProcessId(), ++serial,
                  GetTickCount());
    return std::string(temp) + name;
}

// Runs a host program through Wine's Unix side; the tests need it only for chattr, when run by root.
bool RunHostCommand(const std::string& commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return false;
    }
    UniqueHandle process(started.hProcess);
    CloseHandle(started.hThread);
    WaitForSingleObject(process.Get(), 10000);
    DWORD code = 1;
    GetExitCodeProcess(process.Get(), &code);
    return code == 0;
}

std::string UnixPath(const std::string& windowsPath) {
    using ToUnix = char* (*)(const WCHAR*);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    WCHAR wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH);
    char* unix = toUnix(wide);
    if (!unix) return {};
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

void SetImmutable(const std::string& path, bool on) {
    const std::string unix = UnixPath(path);
    if (unix.empty()) return;
    RunHostCommand(std::string("/usr/bin/chattr ") + (on ? "+i" : "-i") + " \"" + unix + "\"");
}

}  // namespace

ScratchFolder::ScratchFolder() : path_(NewScratchPath()) { MakeFolder(path_); }

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

void MakeFolder(const std::string& path) {
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        std::fprintf(stderr, "cannot create %s (%lu)\n", path.c_str(), GetLastError());
        std::abort();
    }
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        std::fprintf(stderr, "cannot write %s (%lu)\n", path.c_str(), GetLastError());
        std::abort();
    }
    DWORD written = 0;
    WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string ReadFileBytes(const std::string& path) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return "<missing>";
    std::string bytes;
    char chunk[4096];
    DWORD count = 0;
    while (ReadFile(file.Get(), chunk, sizeof chunk, &count, nullptr) && count > 0) bytes.append(chunk, count);
    return bytes;
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

void RemoveTree(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (!DeleteFileA(path.c_str()) && RunningOnWine()) {
            MakeChangeable(path);
            DeleteFileA(path.c_str());
        }
        return;
    }
    WIN32_FIND_DATAA entry{};
    UniqueFind search(FindFirstFileA((path + "\\*").c_str(), &entry));
    if (search) {
        do {
            const std::string name = entry.cFileName;
            if (name != "." && name != "..") RemoveTree(path + "\\" + name);
        } while (FindNextFileA(search.Get(), &entry));
    }
    RemoveDirectoryA(path.c_str());
}

bool RunningOnWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

bool RefusesWrites(const std::string& path) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    return !file;
}

// Under Wine the host's chattr is started but cannot be waited for, so the file itself is
// watched until it shows the change.
static void WaitUntilRefusesWrites(const std::string& path, bool refuses) {
    for (int i = 0; i < 500 && RefusesWrites(path) != refuses; ++i) Sleep(10);
}

void MakeUnchangeable(const std::string& path) {
    SetFileAttributesA(path.c_str(), GetFileAttributesA(path.c_str()) | FILE_ATTRIBUTE_READONLY);
    // Read-only stops writes on Windows and, for an ordinary user, under Wine. Wine run by
    // root ignores it, and only the host's immutable flag stops writes there.
    if (!RefusesWrites(path) && RunningOnWine()) {
        SetImmutable(path, true);
        WaitUntilRefusesWrites(path, true);
    }
}

void MakeChangeable(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (RefusesWrites(path) && RunningOnWine()) {
        SetImmutable(path, false);
        WaitUntilRefusesWrites(path, false);
    }
}

std::string IconFileBytes(int variant) {
    constexpr int kSide = 16;
    constexpr unsigned kPixelBytes = kSide * kSide * 4;
    constexpr unsigned kMaskBytes = kSide * 4;  // one bit a pixel, rows padded to 32 bits
    constexpr unsigned kImageBytes = 40 + kPixelBytes + kMaskBytes;
    std::string bytes;
    auto put16 = [&](unsigned v) { bytes += char(v & 0xFF); bytes += char((v >> 8) & 0xFF); };
    auto put32 = [&](unsigned v) { put16(v & 0xFFFF); put16(v >> 16); };
    put16(0); put16(1); put16(1);                      // icon directory with one entry
    bytes += char(kSide); bytes += char(kSide); bytes += '\0'; bytes += '\0';
    put16(1); put16(32); put32(kImageBytes); put32(6 + 16);
    put32(40); put32(kSide); put32(kSide * 2);          // the height counts image and mask
    put16(1); put16(32); put32(0); put32(kPixelBytes + kMaskBytes);
    put32(0); put32(0); put32(0); put32(0);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            bytes += char((x * 16 + variant * 37) & 0xFF);  // blue
            bytes += char((y * 16 + variant * 91) & 0xFF);  // green
            bytes += char((variant * 53 + 40) & 0xFF);      // red
            bytes += char(0xFF);                            // opaque
        }
    }
    bytes.append(kMaskBytes, '\0');
    return bytes;
}

void WriteIconFile(const std::string& path, int variant) { WriteFileBytes(path, IconFileBytes(variant)); }

static std::string ProgramOfThisBuild(const char* fileName) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* lastSlash = std::strrchr(path, '\\');
    if (lastSlash) lastSlash[1] = '\0';
    return std::string(path) + fileName;
}

static void CopyProgram(const char* fileName, const std::string& path) {
    const std::string source = ProgramOfThisBuild(fileName);
    if (!CopyFileA(source.c_str(), path.c_str(), FALSE)) {
        std::fprintf(stderr, "cannot copy %s to %s (%lu)\n", source.c_str(), path.c_str(), GetLastError());
        std::abort();
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

void CopyProgramWithIcon(const std::string& path) { CopyProgram("Vandrel.exe", path); }
void CopyProgramWithoutIcon(const std::string& path) { CopyProgram("print_command_line.exe", path); }

std::vector<std::string> FolderListing(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry{};
    UniqueFind search(FindFirstFileA((folder + "\\*").c_str(), &entry));
    if (search) {
        do {
            const std::string name = entry.cFileName;
            if (name != "." && name != "..") names.push_back(name);
        } while (FindNextFileA(search.Get(), &entry));
    }
    std::sort(names.begin(), names.end());
    return names;
}

static std::wstring LongWidePath(const std::string& path) {
    std::wstring wide(path.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(),
                                    static_cast<int>(wide.size())));
    return L"\\\\?\\" + wide;
}

void MakeLongFolder(const std::string& path) {
    const std::wstring wide = LongWidePath(path);
    // Folders on the way that exist already (the drive among them) just refuse.
    for (size_t end = wide.find(L'\\', 4); end != std::wstring::npos; end = wide.find(L'\\', end + 1)) {
        CreateDirectoryW(wide.substr(0, end).c_str(), nullptr);
    }
    CreateDirectoryW(wide.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::fprintf(stderr, "cannot create %s (%lu)\n", path.c_str(), GetLastError());
        std::abort();
    }
}

void RemoveLongTree(const std::string& path) {
    const std::wstring wide = LongWidePath(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(wide.c_str());
        return;
    }
    WIN32_FIND_DATAW entry{};
    UniqueFind search(FindFirstFileW((wide + L"\\*").c_str(), &entry));
    if (search) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            char ansi[MAX_PATH * 2] = {};
            WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, ansi, sizeof ansi, nullptr, nullptr);
            RemoveLongTree(path + "\\" + ansi);
        } while (FindNextFileW(search.Get(), &entry));
    }
    RemoveDirectoryW(wide.c_str());
}
