#include "engine/apply_icon.h"

#include <windows.h>

#include <string>

#include "engine/checks.h"
#include "engine/desktop_ini.h"
#include "engine/path_rules.h"
#include "process/console_runner.h"
#include "process/owned_handle.h"

namespace {

constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                                      FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;
// logo.ico, logo (2).ico, … logo (999).ico: past that the folder is full of them.
constexpr int kMostCopyNames = 999;

bool FileIdentity(const Text& path, BY_HANDLE_FILE_INFORMATION& info) {
    UniqueHandle file(CreateFileA(path.c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file && GetFileInformationByHandle(file.Get(), &info);
}

// Two texts may name one file (a different case, a detour through ..): only the file
// system can tell.
bool IsSameFile(const Text& a, const Text& b) {
    BY_HANDLE_FILE_INFORMATION first{}, second{};
    return FileIdentity(a, first) && FileIdentity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

bool SetAttributesBack(const Text& path, DWORD attributes) {
    const DWORD settable = attributes & kSettableAttributes;
    return SetFileAttributesA(path.c_str(), settable ? settable : FILE_ATTRIBUTE_NORMAL) != 0;
}

bool MakeExactlyHidden(const Text& path) {
    return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN) != 0;
}

bool IsFreeName(const Text& path) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// What an earlier apply left: the Hidden file that desktop.ini's IconFile names. A Hidden
// file with the very bytes of the icon counts too (an apply ended before it could write
// desktop.ini leaves one): replacing it loses nothing.
bool IsEarlierCopy(const Text& path, const Text& namedByIconFile, const Text& iconBytes) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !(attributes & FILE_ATTRIBUTE_HIDDEN)) {
        return false;
    }
    if (!namedByIconFile.empty() && IsSameFile(path, namedByIconFile)) return true;
    Text bytes;
    return ReadWholeFile(path, bytes) == FileState::readable && bytes == iconBytes;
}

// "logo (2).ico" for logo.ico; the name ends in .ico, whatever its case.
Text NumberedName(TextView name, int number) {
    const int length = TextLength(name);
    return TextLeft(name, length - 4) + " (" + std::to_string(number) + ")" + TextRight(name, 4);
}

// The name the copy takes: the icon's own name, or the first numbered one, that is free or
// holds the copy an earlier apply left. Anything else of that name is the user's and stays
// as it is. Empty when every name is taken or the icon cannot be read.
Text CopyName(const Text& d, TextView icon) {
    const Text named = ReadIniKey(DesktopIniPath(d), kIconFileKey);
    const Text namedPath = named.empty() ? Text() : d + "\\" + named;
    Text iconBytes;
    if (ReadWholeFile(icon, iconBytes) != FileState::readable) return {};
    const Text iconName = FileNamePart(icon);
    for (int number = 1; number <= kMostCopyNames; ++number) {
        const Text name = number == 1 ? iconName : NumberedName(iconName, number);
        const Text path = d + "\\" + name;
        if (IsFreeName(path) || IsEarlierCopy(path, namedPath, iconBytes)) return name;
    }
    return {};
}

// The icon put where desktop.ini is to name it. Unless kept, the change is taken back when
// this goes: a copy it made is removed, a file that was there gets its attributes back.
class PlacedIcon {
public:
    PlacedIcon() = default;
    PlacedIcon(const PlacedIcon&) = delete;
    PlacedIcon& operator=(const PlacedIcon&) = delete;
    ~PlacedIcon() {
        if (!undo_) return;
        if (made_) {
            SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path_.c_str());
        } else if (before_ != INVALID_FILE_ATTRIBUTES) {
            SetAttributesBack(path_, before_);
        }
    }

    // inPlace: the source is that file, and only gets hidden.
    bool Place(const Text& source, const Text& destination, bool inPlace) {
        path_ = destination;
        before_ = GetFileAttributesA(destination.c_str());
        undo_ = true;
        if (inPlace) return MakeExactlyHidden(destination);
        // The copy is made whole and hidden under a working name, so that under its own name
        // it never shows half written, or visible like a file of the user's.
        const Text working = WorkingPath(destination);
        const bool placed = CopyFileA(source.c_str(), working.c_str(), TRUE) &&
                            MakeExactlyHidden(working) && MoveIntoPlace(working, destination);
        if (!placed) {
            SetFileAttributesA(working.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(working.c_str());
        }
        return placed;
    }
    void Keep() { undo_ = false; }

private:
    bool MoveIntoPlace(const Text& working, const Text& destination) {
        if (before_ == INVALID_FILE_ATTRIBUTES) {
            // Never over a file that appeared meanwhile.
            made_ = ::MoveIntoPlace(working, destination, false);
            return made_;
        }
        // Windows refuses to replace a Read-only file.
        if ((before_ & FILE_ATTRIBUTE_READONLY) &&
            !SetAttributesBack(destination, before_ & ~FILE_ATTRIBUTE_READONLY)) {
            return false;
        }
        return ::MoveIntoPlace(working, destination, true);
    }

    Text path_;
    DWORD before_ = INVALID_FILE_ATTRIBUTES;
    bool made_ = false;
    bool undo_ = false;
};

bool HasSystemAttribute(const Text& folder) {
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_SYSTEM);
}

// attrib is how the folder is marked. cmd rewrites some folder names even inside quotes
// (%NAME%, and !NAME! where delayed expansion is on), so attrib could act on another folder:
// such a name never goes to the interpreter. The result is checked and, where attrib has
// not marked the folder, set directly with the folder's other attributes kept.
bool MarkFolderSystem(const Text& folder) {
    if (IsPathSafeInQuotes(folder)) RunConsoleCommand("attrib \"" + folder + "\" +s");
    if (HasSystemAttribute(folder)) return true;
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    SetFileAttributesA(folder.c_str(), (attributes & kSettableAttributes) | FILE_ATTRIBUTE_SYSTEM);
    return HasSystemAttribute(folder);
}

// Writes everything once the checks have passed; false at the first step that failed.
// Every path it writes is checked to fit before the first write.
bool WriteFolderIcon(TextView folder, TextView icon, IconSourceKind kind) {
    const Text d = FolderPathNoSlash(folder);
    const Text ini = DesktopIniPath(d);
    if (!FitsPathLimit(ini)) return false;
    const DWORD iniAttributes = GetFileAttributesA(ini.c_str());
    const bool iniExists = iniAttributes != INVALID_FILE_ATTRIBUTES;
    // Whoever made desktop.ini Read-only wanted it kept; a directory there is no file at all.
    if (iniExists && (iniAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        return false;
    }

    Text iconFile;
    bool inPlace = false;
    if (kind == IconSourceKind::ico) {
        const Text name = FileNamePart(icon);
        inPlace = IsSameFile(Text(icon), d + "\\" + name);
        iconFile = inPlace ? name : CopyName(d, icon);
        const Text copy = d + "\\" + iconFile;
        if (iconFile.empty() || !FitsPathLimit(copy)) return false;
        if (!inPlace && !FitsPathLimit(WorkingPath(copy))) return false;
    } else {
        iconFile = TextMid(icon, TextLength(folder) + 2, TextLength(icon) - TextLength(folder));
    }
    DesktopIniDraft draft(d);
    if (!FitsPathLimit(draft.Path())) return false;

    RemoveLeftoverWorkingFiles(d);
    if (!draft.Start()) return false;
    if (!draft.WriteKey(kIconFileKey, iconFile.c_str())) return false;
    if (!draft.WriteKey(kIconIndexKey, "0")) return false;
    // Explorer prefers IconResource where there is one; a folder without it is not given one.
    if (draft.HasKey(kIconResourceKey) &&
        !draft.WriteKey(kIconResourceKey, (iconFile + ",0").c_str())) {
        return false;
    }
    PlacedIcon placed;
    if (kind == IconSourceKind::ico && !placed.Place(Text(icon), d + "\\" + iconFile, inPlace)) {
        return false;
    }
    if (!draft.ReplaceDesktopIni()) return false;
    placed.Keep();
    // The keys are in place before the folder is marked, and desktop.ini is hidden last.
    if (!MarkFolderSystem(d)) return false;
    if (!MakeExactlyHidden(ini)) return false;
    NotifyShellFolderChanged(d);
    return true;
}

}  // namespace

Text ApplyFolderIcon(TextView folder, TextView icon) {
    if (!IsExistingFolder(folder)) return kResultFolderMissing;
    if (!IconFileExists(icon)) return kResultIconMissing;
    const IconSourceKind kind = IconKind(icon);
    if (kind == IconSourceKind::bad || !HoldsIcon(icon)) return kResultIconWrongKind;
    if (kind == IconSourceKind::exe && !IsInsideFolderText(icon, folder)) {
        return kResultExeOutsideFolder;
    }
    return WriteFolderIcon(folder, icon, kind) ? kResultApplied : kResultApplyFailed;
}
