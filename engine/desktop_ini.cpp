#include "engine/desktop_ini.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>

#include "process/owned_handle.h"
#include "process/system_function.h"

namespace {

// A file being written carries the name it is going to take, ".~" and the writing process's
// id in hex (desktop.ini.~1f4): short, since its path must fit wherever the final one does,
// and unlike any name a user or an editor gives a file.
constexpr char kWorkingMark[] = ".~";
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The profile functions may keep a file in a cache; this call writes out and drops it, so
// that the next call reads the file as it stands on disk.
void ReleaseProfileCache(const Text& path) {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

bool WriteIniKey(const Text& ini, const char* key, const char* value) {
    const bool written = WritePrivateProfileStringA(kShellClassInfo, key, value, ini.c_str()) != 0;
    ReleaseProfileCache(ini);
    return written;
}

bool EndsWithoutCase(TextView text, TextView end) {
    return text.size() >= end.size() && ToUpperAscii(text.substr(text.size() - end.size())) == ToUpperAscii(end);
}

// The process id in a working file's name; false for any other name, which is then no file
// of ours and is never touched. Only desktop.ini and .ico files are ever written this way.
bool WorkingFileProcessId(TextView name, DWORD& processId) {
    const size_t mark = name.rfind(kWorkingMark);
    if (mark == TextView::npos) return false;
    const TextView finalName = name.substr(0, mark);
    const TextView digits = name.substr(mark + 2);
    if (!(ToUpperAscii(finalName) == "DESKTOP.INI" || EndsWithoutCase(finalName, ".ico")) ||
        digits.empty() || digits.size() > 8) {
        return false;
    }
    DWORD value = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            return false;
        }
        value = value << 4 | static_cast<DWORD>(digit);
    }
    processId = value;
    return true;
}

bool IsRunningProcess(DWORD processId) {
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    return process && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

bool WriteNewFile(const Text& path, const Text& bytes) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return bytes.empty() || (WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                       &written, nullptr) &&
                             written == bytes.size());
}

bool FlushToDisk(const Text& path) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    return file && FlushFileBuffers(file.Get());
}

}  // namespace

Text DesktopIniPath(TextView folderNoSlash) { return Text(folderNoSlash) + "\\desktop.ini"; }

Text ReadIniKey(TextView ini, const char* key) {
    const Text path(ini);
    char value[MAX_PATH * 2] = {};
    GetPrivateProfileStringA(kShellClassInfo, key, "", value, sizeof value, path.c_str());
    ReleaseProfileCache(path);
    return value;
}

bool HasIniKey(TextView ini, const char* key) {
    // No value a key can hold contains a line break, so this default tells absence apart.
    static constexpr char kAbsent[] = "\n";
    const Text path(ini);
    char value[4] = {};
    GetPrivateProfileStringA(kShellClassInfo, key, kAbsent, value, sizeof value, path.c_str());
    ReleaseProfileCache(path);
    return Text(value) != kAbsent;
}

void NotifyShellFolderChanged(TextView folderNoSlash) {
    const Text folder(folderNoSlash);
    if (const auto notify = LoadedSystemFunction<decltype(&SHChangeNotify)>("shell32.dll", "SHChangeNotify")) {
        notify(SHCNE_UPDATEITEM, SHCNF_PATHA | SHCNF_FLUSH, folder.c_str(), nullptr);
    }
}

FileState ReadWholeFile(TextView path, Text& bytes) {
    bytes.clear();
    const Text name(path);
    const DWORD attributes = GetFileAttributesA(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? FileState::missing
                   : FileState::unreadable;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileState::missing;
    UniqueHandle file(CreateFileA(name.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return FileState::unreadable;
    char chunk[4096];
    DWORD count = 0;
    for (;;) {
        if (!ReadFile(file.Get(), chunk, sizeof chunk, &count, nullptr)) {
            return FileState::unreadable;
        }
        if (count == 0) return FileState::readable;
        bytes.append(chunk, count);
    }
}

bool FitsPathLimit(TextView path) {
    const Text name(path);
    char full[MAX_PATH * 2] = {};
    const DWORD length = GetFullPathNameA(name.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return false;
    // The limit counts characters, and a double-byte character is one of them.
    const int characters = MultiByteToWideChar(CP_ACP, 0, full, static_cast<int>(length), nullptr, 0);
    return characters > 0 && characters < MAX_PATH;
}

Text WorkingPath(TextView finalPath) {
    char number[16];
    std::snprintf(number, sizeof number, "%lx", static_cast<unsigned long>(GetCurrentProcessId()));
    return Text(finalPath) + kWorkingMark + number;
}

bool MoveIntoPlace(TextView from, TextView to, bool replace) {
    const Text source(from), target(to);
    if (!replace) return MoveFileA(source.c_str(), target.c_str()) != 0;
    return MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void RemoveLeftoverWorkingFiles(TextView folderNoSlash) {
    const Text folder(folderNoSlash);
    WIN32_FIND_DATAA entry{};
    UniqueFind search(FindFirstFileA((folder + "\\*" + kWorkingMark + "*").c_str(), &entry));
    if (!search) return;
    do {
        DWORD owner = 0;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!WorkingFileProcessId(entry.cFileName, owner)) continue;
        // A file of a process that still runs is that process's work in progress. One of
        // this process's own is never in progress when an operation starts.
        if (owner != GetCurrentProcessId() && IsRunningProcess(owner)) continue;
        const Text leftover = folder + "\\" + entry.cFileName;
        SetFileAttributesA(leftover.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(leftover.c_str());
    } while (FindNextFileA(search.Get(), &entry));
}

DesktopIniDraft::DesktopIniDraft(TextView folderNoSlash)
    : ini_(DesktopIniPath(folderNoSlash)),
      draft_(WorkingPath(ini_)) {}

DesktopIniDraft::~DesktopIniDraft() { Discard(); }

bool DesktopIniDraft::Start() {
    Text bytes;
    if (ReadWholeFile(ini_, bytes) == FileState::unreadable) return false;
    // Written afresh rather than copied: a copy would keep the old file's time, and the
    // profile functions may take a cached file of that name and time for unchanged.
    if (!WriteNewFile(draft_, bytes)) return false;
    const DWORD old = GetFileAttributesA(ini_.c_str());
    attributes_ = old == INVALID_FILE_ATTRIBUTES ? 0 : old & kKeptAttributes;
    started_ = true;
    return true;
}

bool DesktopIniDraft::WriteKey(const char* key, const char* value) {
    return started_ && WriteIniKey(draft_, key, value);
}

Text DesktopIniDraft::ReadKey(const char* key) const { return ReadIniKey(draft_, key); }

bool DesktopIniDraft::HasKey(const char* key) const { return HasIniKey(draft_, key); }

bool DesktopIniDraft::ReplaceDesktopIni() {
    if (!started_) return false;
    ReleaseProfileCache(draft_);
    if (!FlushToDisk(draft_)) return false;
    if (!SetFileAttributesA(draft_.c_str(), attributes_ ? attributes_ : FILE_ATTRIBUTE_NORMAL)) return false;
    if (!MoveIntoPlace(draft_, ini_, true)) return false;
    started_ = false;
    return true;
}

void DesktopIniDraft::Discard() {
    if (!started_) return;
    started_ = false;
    SetFileAttributesA(draft_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(draft_.c_str());
}
