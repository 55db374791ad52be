// <commdlg.h> and <shlobj.h> come before the engine headers: engine/text.h takes back the
// FindText name that <commdlg.h> defines as a macro.
#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include "ui/pickers.h"

#include <memory>
#include <vector>

#include "engine/checks.h"
#include "engine/path_rules.h"
#include "ui/path_boxes.h"
#include "process/system_function.h"

namespace {

constexpr char kFolderError[] = "文件夹错误！";
constexpr char kIconMissing[] = "图标文件不存在！";
constexpr char kIconWrongKind[] = "图标文件错误！";
constexpr char kBrowseTitle[] = "请选择文件夹！";
constexpr char kIconFilter[] = "支持文件|*.exe;*.ico|EXE|*.exe|ICO|*.ico";

struct ShellAllocatorFree {
    void operator()(ITEMIDLIST* item) const {
        IMalloc* allocator = nullptr;
        const auto getMalloc = LoadedSystemFunction<decltype(&SHGetMalloc)>("shell32.dll", "SHGetMalloc");
        if (getMalloc && SUCCEEDED(getMalloc(&allocator))) {
            allocator->Free(item);
            allocator->Release();
        }
    }
};
using UniqueItemList = std::unique_ptr<ITEMIDLIST, ShellAllocatorFree>;

// While the folder browser is open, the program's top-level windows without an owner take no
// input. Afterwards each gets back the enabled state it had, and the foreground and active
// windows are put back, since closing a dialog over a disabled owner activates someone else.
class ProgramWindowsDisabled {
public:
    ProgramWindowsDisabled() {
        EnumThreadWindows(GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(this));
        for (const Saved& s : saved_) EnableWindow(s.window, FALSE);
    }
    ~ProgramWindowsDisabled() {
        for (const Saved& s : saved_) {
            if (IsWindow(s.window)) EnableWindow(s.window, s.enabled);
        }
        if (foreground_ && IsWindow(foreground_)) SetForegroundWindow(foreground_);
        if (active_ && IsWindow(active_)) SetActiveWindow(active_);
    }
    ProgramWindowsDisabled(const ProgramWindowsDisabled&) = delete;
    ProgramWindowsDisabled& operator=(const ProgramWindowsDisabled&) = delete;

private:
    struct Saved {
        HWND window;
        BOOL enabled;
    };

    static BOOL CALLBACK Collect(HWND window, LPARAM self) {
        if (GetWindow(window, GW_OWNER) != nullptr) return TRUE;
        try {
            reinterpret_cast<ProgramWindowsDisabled*>(self)->saved_.push_back({window, IsWindowEnabled(window)});
        } catch (...) {
            return FALSE;
        }
        return TRUE;
    }

    HWND foreground_ = GetForegroundWindow();
    HWND active_ = GetActiveWindow();
    std::vector<Saved> saved_;
};

// The browser's choice as a file-system path; empty on Cancel and for items that have none.
Text ChooseFolderPath() {
    const HWND active = GetActiveWindow();
    char displayName[MAX_PATH] = {};
    BROWSEINFOA browse{};
    browse.hwndOwner = IsWindow(active) ? active : nullptr;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = kBrowseTitle;
    browse.ulFlags = BIF_EDITBOX;

    UniqueItemList chosen;
    {
        ProgramWindowsDisabled disabled;
        const auto browseForFolder = LoadedSystemFunction<decltype(&SHBrowseForFolderA)>("shell32.dll", "SHBrowseForFolderA");
        if (browseForFolder) chosen.reset(browseForFolder(&browse));
    }
    char path[MAX_PATH] = {};
    const auto pathFromItem = LoadedSystemFunction<decltype(&SHGetPathFromIDListA)>("shell32.dll", "SHGetPathFromIDListA");
    if (!chosen || !pathFromItem || !pathFromItem(chosen.get(), path)) return {};
    return path;
}

void Reject(HWND box, TextView errorText) {
    SetBoxText(box, errorText);
    Beep();
}

}  // namespace

void OfferFolder(HWND folderBox, TextView candidate) {
    if (!IsExistingFolder(candidate)) return Reject(folderBox, kFolderError);
    SetBoxText(folderBox, candidate);
}

void OfferIcon(HWND iconBox, TextView candidate) {
    if (!IconFileExists(candidate)) return Reject(iconBox, kIconMissing);
    if (IconKind(candidate) == IconSourceKind::bad || !HoldsIcon(candidate)) {
        return Reject(iconBox, kIconWrongKind);
    }
    SetBoxText(iconBox, candidate);
}

void BrowseFolder(HWND folderBox) {
    const Text folder = ChooseFolderPath();
    if (folder.empty()) return;
    // A drive root comes back as C:\ and is rejected like any text ending in a backslash.
    OfferFolder(folderBox, folder);
}

Text DesktopFolderPath() {
    char path[MAX_PATH] = {};
    const auto specialFolderPath = LoadedSystemFunction<decltype(&SHGetSpecialFolderPathA)>("shell32.dll", "SHGetSpecialFolderPathA");
    if (!specialFolderPath || !specialFolderPath(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE)) return {};
    Text folder = path;
    if (folder.empty()) return {};
    if (FindTextLast(folder, "\\") != TextLength(folder)) folder += '\\';
    return folder;
}

Text OpenFileFilterList(TextView stored) {
    Text list;
    list.reserve(stored.size() + 2);
    int barsAtEnd = 0;
    for (size_t i = 0; i < stored.size(); ++i) {
        const char c = stored[i];
        if (IsLeadByte(c) && i + 1 < stored.size()) {
            list += c;
            list += stored[++i];
            barsAtEnd = 0;
        } else if (c == '|') {
            list += '\0';
            ++barsAtEnd;
        } else {
            list += c;
            barsAtEnd = 0;
        }
    }
    if (barsAtEnd < 2) list.append(2, '\0');
    return list;
}

void IconFileDialog::PickIconFile(HWND iconBox) {
    char file[260] = {};
    remembered_.copy(file, sizeof file - 1);
    const Text initialFolder = DesktopFolderPath();
    const Text filter = OpenFileFilterList(kIconFilter);

    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = GetActiveWindow();
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
    dialog.lpstrDefExt = "exe";
    dialog.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT |
                   OFN_EXPLORER | OFN_ENABLESIZING;
    const auto getOpenFileName = LoadedSystemFunction<decltype(&GetOpenFileNameA)>("comdlg32.dll", "GetOpenFileNameA");
    if (!getOpenFileName || !getOpenFileName(&dialog)) return;

    remembered_ = file;
    OfferIcon(iconBox, remembered_);
}
