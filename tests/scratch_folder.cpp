#include "tests/scratch_folder.h"

#include <cstdio>
#include <cstdlib>

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
