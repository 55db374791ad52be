#include "engine/desktop_ini.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>

#include "process/owned_handle.h"

namespace {

// desktop.ini.~1f4 for process 0x1F4: short, since the draft's path must fit wherever
// desktop.ini's does, and unlike any name a user or an editor gives a file.
constexpr char kDraftPrefix[] = "desktop.ini.~";
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

Text DraftName(DWORD processId) {
    char number[16];
    std::snprintf(number, sizeof number, "%lx", static_cast<unsigned long>(processId));
    return Text(kDraftPrefix) + number;
}

// The process id in a draft's name; false for any other name, which is then no draft of
// ours and is never touched.
bool DraftProcessId(TextView name, DWORD& processId) {
    const TextView prefix = kDraftPrefix;
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 8 ||
        name.substr(0, prefix.size()) != prefix) {
        return false;
    }
    DWORD value = 0;
    for (char c : name.substr(prefix.size())) {
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

bool MoveOver(const Text& from, const Text& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    // The Windows 95 family has no MoveFileEx; there the old file has to go first.
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
    const DWORD existing = GetFileAttributesA(to.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && !DeleteFileA(to.c_str())) return false;
    return MoveFileA(from.c_str(), to.c_str()) != 0;
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
    SHChangeNotify(SHCNE_UPDATEITEM, SHCNF_PATHA | SHCNF_FLUSH, folder.c_str(), nullptr);
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

DesktopIniDraft::DesktopIniDraft(TextView folderNoSlash)
    : folder_(folderNoSlash),
      ini_(DesktopIniPath(folderNoSlash)),
      draft_(folder_ + "\\" + DraftName(GetCurrentProcessId())) {}

DesktopIniDraft::~DesktopIniDraft() { Discard(); }

void DesktopIniDraft::RemoveLeftovers() const {
    WIN32_FIND_DATAA entry{};
    UniqueFind search(FindFirstFileA((folder_ + "\\" + kDraftPrefix + "*").c_str(), &entry));
    if (!search) return;
    do {
        DWORD owner = 0;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!DraftProcessId(entry.cFileName, owner)) continue;
        // A draft of a process that still runs is that process's work in progress. One of
        // this process's own is never in progress when an operation starts.
        if (owner != GetCurrentProcessId() && IsRunningProcess(owner)) continue;
        const Text leftover = folder_ + "\\" + entry.cFileName;
        SetFileAttributesA(leftover.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(leftover.c_str());
    } while (FindNextFileA(search.Get(), &entry));
}

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
    if (!MoveOver(draft_, ini_)) return false;
    started_ = false;
    return true;
}

void DesktopIniDraft::Discard() {
    if (!started_) return;
    started_ = false;
    SetFileAttributesA(draft_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(draft_.c_str());
}
