#include "engine/restore_folder.h"

#include <windows.h>

#include "engine/checks.h"
#include "engine/desktop_ini.h"
#include "engine/path_rules.h"
#include "process/owned_handle.h"

namespace {

enum class FileState { missing, readable, unreadable };

FileState ReadWholeFile(const Text& path, Text& bytes) {
    bytes.clear();
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? FileState::missing
                   : FileState::unreadable;
    }
    // A directory named desktop.ini names no icon that Explorer could read.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileState::missing;
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ,
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

// The profile functions read and write desktop.ini in UTF-16 when it starts with that byte
// order mark (Windows writes it so for names outside the ANSI code page).
Text AsAnsiText(const Text& bytes) {
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
    if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) return bytes;
    std::wstring wide((bytes.size() - 2) / 2, L'\0');
    for (size_t i = 0; i < wide.size(); ++i) {
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                       static_cast<unsigned char>(bytes[3 + 2 * i]) << 8);
    }
    if (wide.empty()) return {};
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    Text ansi(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), size,
                        nullptr, nullptr);
    return ansi;
}

bool IsProfileSpace(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A';
}

TextView Trimmed(TextView t) {
    while (!t.empty() && IsProfileSpace(t.front())) t.remove_prefix(1);
    while (!t.empty() && IsProfileSpace(t.back())) t.remove_suffix(1);
    return t;
}

bool SameIniName(TextView a, TextView b) { return ToUpperAscii(a) == ToUpperAscii(b); }

// What a desktop.ini holds, read the way the profile functions read it: names of sections
// and keys without case, the key up to the first '=', spaces around it ignored.
struct IniContent {
    bool namesIcon = false;  // [.ShellClassInfo] has IconFile or IconIndex
    bool holdsMore = false;  // any line that is neither blank nor a section header
};

IniContent ReadIniContent(const Text& bytes) {
    const Text text = AsAnsiText(bytes);
    IniContent content;
    bool inShellClassInfo = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == Text::npos) end = text.size();
        const TextView line = Trimmed(TextView(text).substr(start, end - start));
        start = end + 1;
        if (line.empty()) continue;
        if (line.front() == '[') {
            const int close = FindText(line, "]");
            if (close > 0) {
                inShellClassInfo = SameIniName(line.substr(1, close - 2), kShellClassInfo);
                continue;
            }
        }
        // Comments too: whoever wrote them meant them to stay.
        content.holdsMore = true;
        const int equals = FindText(line, "=");
        const TextView key = Trimmed(equals > 0 ? line.substr(0, equals - 1) : line);
        if (inShellClassInfo && (SameIniName(key, kIconFileKey) || SameIniName(key, kIconIndexKey))) {
            content.namesIcon = true;
        }
    }
    return content;
}

}  // namespace

RestoreResult RestoreFolder(TextView folder) {
    if (!IsExistingFolder(folder)) return {kResultFolderMissing, false};
    const Text d = FolderPathNoSlash(folder);
    const Text ini = DesktopIniPath(d);

    Text bytes;
    FileState state = ReadWholeFile(ini, bytes);
    if (state == FileState::unreadable) return {kResultRestoreFailed, false};
    if (state == FileState::readable) {
        IniContent content = ReadIniContent(bytes);
        if (content.namesIcon) {
            WriteIniKey(ini, kIconFileKey, nullptr);
            WriteIniKey(ini, kIconIndexKey, nullptr);
            // The file itself, not the profile functions with their cache, tells whether
            // the icon has gone.
            state = ReadWholeFile(ini, bytes);
            if (state == FileState::unreadable) return {kResultRestoreFailed, false};
            content = ReadIniContent(bytes);
            if (state == FileState::readable && content.namesIcon) {
                return {kResultRestoreFailed, false};
            }
        }
        // Read-only is left alone: whoever set it wanted the file kept.
        if (state == FileState::readable && !content.holdsMore) DeleteFileA(ini.c_str());
    }
    NotifyShellFolderChanged(d);
    return {kResultRestored, true};
}
