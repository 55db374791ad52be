#include "engine/apply_icon.h"

#include <windows.h>

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

bool CopyIconInto(const Text& source, const Text& destination) {
    if (IsSameFile(source, destination)) return true;  // the icon already lies there
    // Windows refuses to overwrite a Hidden or Read-only file, and an earlier copy is Hidden.
    const DWORD existing = GetFileAttributesA(destination.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && !(existing & FILE_ATTRIBUTE_DIRECTORY) &&
        (existing & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM))) {
        SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    return CopyFileA(source.c_str(), destination.c_str(), FALSE) != 0;
}

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

bool MakeExactlyHidden(const Text& path) {
    return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN) != 0;
}

// Writes everything once the checks have passed; false at the first step that failed.
bool WriteFolderIcon(TextView folder, TextView icon, IconSourceKind kind) {
    const Text d = FolderPathNoSlash(folder);
    const Text ini = DesktopIniPath(d);

    Text iconFile;
    if (kind == IconSourceKind::ico) {
        iconFile = FileNamePart(icon);
        const Text copy = d + "\\" + iconFile;
        if (!CopyIconInto(Text(icon), copy) || !MakeExactlyHidden(copy)) return false;
    } else {
        iconFile = TextMid(icon, TextLength(folder) + 2, TextLength(icon) - TextLength(folder));
    }
    if (!WriteIniKey(ini, kIconFileKey, iconFile.c_str())) return false;
    if (!WriteIniKey(ini, kIconIndexKey, "0")) return false;
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
    if (kind == IconSourceKind::bad) return kResultIconWrongKind;
    if (kind == IconSourceKind::exe && !IsInsideFolderText(icon, folder)) {
        return kResultExeOutsideFolder;
    }
    return WriteFolderIcon(folder, icon, kind) ? kResultApplied : kResultApplyFailed;
}
