#include "engine/restore_folder.h"

#include <windows.h>

#include "engine/checks.h"
#include "engine/desktop_ini.h"
#include "engine/path_rules.h"

namespace {

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

// True when anything but blank lines and section headers is left: a key of any section, or
// a comment, whose writer meant it to stay. A header is what the profile functions take for
// one: '[' first, and a ']' after it.
bool HoldsMoreThanHeaders(const Text& bytes) {
    const Text text = AsAnsiText(bytes);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == Text::npos) end = text.size();
        const TextView line = Trimmed(TextView(text).substr(start, end - start));
        start = end + 1;
        if (line.empty()) continue;
        if (line.front() == '[' && FindText(line, "]") > 1) continue;
        return true;
    }
    return false;
}

// The file part of an IconResource value: "path,index".
Text IconResourceFile(TextView value) {
    const int comma = FindTextLast(value, ",");
    TextView file = Trimmed(comma > 0 ? value.substr(0, comma - 1) : value);
    if (file.size() >= 2 && file.front() == '"' && file.back() == '"') file = file.substr(1, file.size() - 2);
    return Text(file);
}

// A name in desktop.ini that is not a full path lies in the folder.
Text InFolder(const Text& d, const Text& name) {
    const bool full = (name.size() >= 2 && name[1] == ':') || (!name.empty() && name[0] == '\\');
    return full ? name : d + "\\" + name;
}

bool NamesSameFile(const Text& d, const Text& a, const Text& b) {
    return ToUpperAscii(InFolder(d, a)) == ToUpperAscii(InFolder(d, b));
}

bool NamesIcon(TextView ini) { return HasIniKey(ini, kIconFileKey) || HasIniKey(ini, kIconIndexKey); }

// Takes the icon keys out of a draft of desktop.ini; IconResource goes too when it names
// the file IconFile names, since it would show that icon on. False when the profile
// functions still read any of them afterwards.
bool RemoveIconKeys(const Text& d, DesktopIniDraft& draft) {
    const Text iconFile = draft.ReadKey(kIconFileKey);
    const bool ownResource = !iconFile.empty() && draft.HasKey(kIconResourceKey) &&
                             NamesSameFile(d, IconResourceFile(draft.ReadKey(kIconResourceKey)), iconFile);
    draft.WriteKey(kIconFileKey, nullptr);
    draft.WriteKey(kIconIndexKey, nullptr);
    if (ownResource) draft.WriteKey(kIconResourceKey, nullptr);
    // What the profile functions read back decides, not what the calls answered.
    return !NamesIcon(draft.Path()) && !(ownResource && draft.HasKey(kIconResourceKey));
}

// desktop.ini without the icon keys, put in place whole; deleted when nothing else is left.
bool TakeIconOff(const Text& d, const Text& ini) {
    // Whoever made it Read-only wanted it kept as it is.
    if (GetFileAttributesA(ini.c_str()) & FILE_ATTRIBUTE_READONLY) return false;
    DesktopIniDraft draft(d);
    if (!FitsPathLimit(draft.Path())) return false;
    if (!draft.Start() || !RemoveIconKeys(d, draft)) return false;
    Text left;
    if (ReadWholeFile(draft.Path(), left) != FileState::readable) return false;
    if (HoldsMoreThanHeaders(left)) return draft.ReplaceDesktopIni();
    draft.Discard();
    return DeleteFileA(ini.c_str()) != 0;
}

}  // namespace

RestoreResult RestoreFolder(TextView folder) {
    if (!IsExistingFolder(folder)) return {kResultFolderMissing, false};
    const Text d = FolderPathNoSlash(folder);
    const Text ini = DesktopIniPath(d);
    if (!FitsPathLimit(ini)) return {kResultRestoreFailed, false};
    // What an ended process left goes first, even when there is nothing to take off; a
    // leftover under this process's own working name would stop the draft.
    if (FitsPathLimit(WorkingPath(ini))) RemoveLeftoverWorkingFiles(d);

    Text bytes;
    const FileState state = ReadWholeFile(ini, bytes);
    if (state == FileState::unreadable) return {kResultRestoreFailed, false};
    if (state == FileState::readable) {
        if (NamesIcon(ini)) {
            if (!TakeIconOff(d, ini)) return {kResultRestoreFailed, false};
        } else if (!HoldsMoreThanHeaders(bytes)) {
            // Read-only is left alone: whoever set it wanted the file kept.
            DeleteFileA(ini.c_str());
        }
    }
    NotifyShellFolderChanged(d);
    return {kResultRestored, true};
}
