#include <windows.h>
#include <shlobj.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "process/owned_handle.h"
#include "tests/gui_driver.h"
#include "tests/scratch_folder.h"
#include "ui/control_ids.h"

namespace {

constexpr char kFolderStart[] = "拖放文件夹到这里";
constexpr char kIconStart[] = "拖放EXE/ICO文件到这里";
constexpr char kBrowseTitle[] = "请选择文件夹！";
constexpr int kFileNameCombo = 0x47C;  // cmb13, the file name of an Explorer-style dialog

struct ChildQuery {
    const char* className;
    const char* text;
    HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM param) {
    auto& query = *reinterpret_cast<ChildQuery*>(param);
    if (query.className && ClassOf(child) != query.className) return TRUE;
    if (query.text && WindowText(child) != query.text) return TRUE;
    query.found = child;
    return FALSE;
}

HWND FindDescendant(HWND parent, const char* className, const char* text = nullptr) {
    ChildQuery query{className, text, nullptr};
    EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

struct DialogQuery {
    DWORD pid;
    HWND owner;
    bool (*fits)(HWND);
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
    auto& query = *reinterpret_cast<DialogQuery*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != query.pid || !IsWindowVisible(window) || ClassOf(window) != "#32770") return TRUE;
    if (GetWindow(window, GW_OWNER) != query.owner || !query.fits(window)) return TRUE;
    query.found = window;
    return FALSE;
}

HWND WaitForDialog(DWORD pid, HWND owner, bool (*fits)(HWND)) {
    DialogQuery query{pid, owner, fits, nullptr};
    WaitUntil([&] {
        EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&query));
        return query.found != nullptr;
    });
    return query.found;
}

bool IsFolderBrowser(HWND dialog) { return FindDescendant(dialog, "Static", kBrowseTitle) != nullptr; }
bool IsOpenFileDialog(HWND dialog) { return GetDlgItem(dialog, kFileNameCombo) != nullptr; }

HWND FileNameEdit(HWND dialog) {
    HWND combo = GetDlgItem(dialog, kFileNameCombo);
    if (combo && ClassOf(combo) == "Edit") return combo;
    return FindDescendant(combo, "Edit");
}

// A text in another process's memory, for a message whose lParam points at one.
class RemoteText {
public:
    RemoteText(DWORD pid, const std::string& text)
        : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid)), size_(text.size() + 1) {
        if (!process_) return;
        address_ = VirtualAllocEx(process_.Get(), nullptr, size_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (address_ && !WriteProcessMemory(process_.Get(), address_, text.c_str(), size_, nullptr)) {
            VirtualFreeEx(process_.Get(), address_, 0, MEM_RELEASE);
            address_ = nullptr;
        }
    }
    ~RemoteText() {
        if (address_) VirtualFreeEx(process_.Get(), address_, 0, MEM_RELEASE);
    }
    RemoteText(const RemoteText&) = delete;
    RemoteText& operator=(const RemoteText&) = delete;

    LPARAM Address() const { return reinterpret_cast<LPARAM>(address_); }

private:
    UniqueHandle process_;
    size_t size_;
    void* address_ = nullptr;
};

std::string DesktopFolder() {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE);
    std::string folder = path;
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

// Files put on the desktop of the prefix for one test, removed again afterwards.
class DesktopFiles {
public:
    ~DesktopFiles() {
        for (const std::string& path : made_) RemoveTree(path);
    }
    std::string Make(const std::string& name) {
        const std::string path = DesktopFolder() + name;
        WriteIconFile(path, static_cast<int>(made_.size()));
        made_.push_back(path);
        return path;
    }

private:
    std::vector<std::string> made_;
};

class PickersRun : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app.Main()) << "the window \"Vandrel\" did not appear";
        folderBox = app.Control(kId编辑框1);
        iconBox = app.Control(kId编辑框2);
        ASSERT_TRUE(folderBox && iconBox);
        MakeFolder(root / "Tools");
        MakeFolder(root / "Tools\\查看器");
        WriteIconFile(root / "Tools\\查看器\\star.ico");
        CopyProgramWithIcon(root / "Tools\\查看器\\viewer.exe");
        WriteFileBytes(root / "Tools\\查看器\\blank.ico", "");
        WriteFileBytes(root / "Tools\\readme.txt", "read me");
    }

    HWND OpenFolderBrowser() {
        Click(app.Control(kId文件夹));
        HWND dialog = WaitForDialog(app.Pid(), app.Main(), IsFolderBrowser);
        if (dialog) {
            EXPECT_FALSE(IsWindowEnabled(app.Main())) << "the main window takes input under the browser";
        }
        return dialog;
    }

    HWND OpenIconDialog() {
        Click(app.Control(kIdEXE));
        return WaitForDialog(app.Pid(), app.Main(), IsOpenFileDialog);
    }

    // Selects the folder in the browser's tree, and types it where the dialog has an edit field.
    void ChooseInBrowser(HWND dialog, const std::string& folder) {
        RemoteText remote(app.Pid(), folder);
        ASSERT_NE(remote.Address(), 0);
        HWND tree = FindDescendant(dialog, "SysTreeView32");
        ASSERT_TRUE(tree);
        const LRESULT start = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
        // Wine fills in some drives of the tree after the dialog shows; a folder below them is
        // found once they are there.
        ASSERT_TRUE(WaitUntil([&] {
            SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, remote.Address());
            return SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0) != start;
        }, 5000)) << "the browser did not select " << folder;
        if (HWND edit = FindDescendant(dialog, "Edit")) SetText(edit, folder);
    }

    // Ends the dialog with OK or Cancel and waits until the button's handler has finished.
    void Close(HWND dialog, int button) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "the dialog did not close";
        ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(app.Main()) != FALSE; }))
            << "the main window stayed disabled";
        // Answered only once the handler has returned to the message loop.
        DWORD_PTR ignored = 0;
        ASSERT_TRUE(SendMessageTimeoutA(app.Main(), WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored));
    }

    ScratchFolder root;
    VandrelProcess app;
    HWND folderBox = nullptr;
    HWND iconBox = nullptr;
};

TEST_F(PickersRun, TheFolderBrowserFillsTheFolderBox) {
    const struct {
        std::string folder;
        std::string shown;
    } cases[] = {
        {root / "Tools\\查看器", root / "Tools\\查看器"},
        {root / "Tools", root / "Tools"},
        {"C:\\", "文件夹错误！"},  // a drive root comes back with its backslash
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        SetText(folderBox, kFolderStart);
        HWND browser = OpenFolderBrowser();
        ASSERT_TRUE(browser) << "no folder browser titled " << kBrowseTitle;
        ChooseInBrowser(browser, c.folder);
        Close(browser, IDOK);
        EXPECT_EQ(WindowText(folderBox), c.shown);
        EXPECT_EQ(WindowText(iconBox), kIconStart);
    }
}

TEST_F(PickersRun, CancellingTheFolderBrowserChangesNothing) {
    for (const std::string& before : {std::string(kFolderStart), root / "Tools"}) {
        SetText(folderBox, before);
        HWND browser = OpenFolderBrowser();
        ASSERT_TRUE(browser);
        ChooseInBrowser(browser, root / "Tools\\查看器");
        Close(browser, IDCANCEL);
        EXPECT_EQ(WindowText(folderBox), before);
        EXPECT_EQ(GetForegroundWindow(), app.Main()) << "the main window was not given back the foreground";
    }
}

TEST_F(PickersRun, TheIconDialogStartsOnTheDesktopAndCancelChangesNothing) {
    DesktopFiles desktop;
    const std::string first = desktop.Make("vandrel-first-" + std::to_string(app.Pid()) + ".ico");
    const std::string second = desktop.Make("vandrel-second-" + std::to_string(app.Pid()) + ".ico");

    // Before any file was chosen, Cancel leaves the start text (no "图标文件不存在！").
    HWND dialog = OpenIconDialog();
    ASSERT_TRUE(dialog) << "no open-file dialog";
    EXPECT_EQ(WindowText(FileNameEdit(dialog)), "");
    Close(dialog, IDCANCEL);
    EXPECT_EQ(WindowText(iconBox), kIconStart);

    // A bare name resolves against the folder the dialog opened in: the desktop, every time.
    for (const std::string& chosen : {first, second}) {
        SCOPED_TRACE(chosen);
        dialog = OpenIconDialog();
        ASSERT_TRUE(dialog);
        SetText(FileNameEdit(dialog), chosen.substr(DesktopFolder().size()));
        Close(dialog, IDOK);
        EXPECT_EQ(WindowText(iconBox), chosen);
    }
    EXPECT_EQ(WindowText(folderBox), kFolderStart);
}

TEST_F(PickersRun, TheIconDialogChecksTheChosenFileAndRemembersIt) {
    const std::string star = root / "Tools\\查看器\\star.ico";
    const struct {
        std::string typed;
        std::string shown;
    } cases[] = {
        {root / "Tools\\readme.txt", "图标文件错误！"},
        {root / "Tools\\查看器\\blank.ico", "图标文件错误！"},  // holds no icon
        {root / "Tools\\查看器\\viewer.exe", root / "Tools\\查看器\\viewer.exe"},
        {star, star},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        SetText(iconBox, kIconStart);
        HWND dialog = OpenIconDialog();
        ASSERT_TRUE(dialog);
        SetText(FileNameEdit(dialog), c.typed);
        Close(dialog, IDOK);
        EXPECT_EQ(WindowText(iconBox), c.shown);
    }

    // The last file chosen is the initial file name of the next opening; OK takes it as it is.
    SetText(iconBox, kIconStart);
    HWND dialog = OpenIconDialog();
    ASSERT_TRUE(dialog);
    const std::string offered = WindowText(FileNameEdit(dialog));
    EXPECT_TRUE(offered == star || offered == "star.ico") << offered;
    Close(dialog, IDOK);
    EXPECT_EQ(WindowText(iconBox), star);

    // Cancel does not put the remembered file back over what the box holds now.
    SetText(iconBox, kIconStart);
    dialog = OpenIconDialog();
    ASSERT_TRUE(dialog);
    Close(dialog, IDCANCEL);
    EXPECT_EQ(WindowText(iconBox), kIconStart);
    EXPECT_EQ(ReadFileBytes(star), IconFileBytes());
}

}  // namespace
