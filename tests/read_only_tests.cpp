// Read-only files, as Windows treats them: a write to one is refused. Wine grants such a
// write when root runs it, so these tests mean something only when an ordinary user runs
// them (the test command arranges that).
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <map>

#include <gtest/gtest.h>

#include "engine/apply_icon.h"
#include "engine/restore_folder.h"
#include "tests/gui_driver.h"
#include "tests/scratch_folder.h"

namespace {

// Everything in a folder that an operation could change: each entry's bytes and
// attributes, and the folder's own attributes.
struct FolderState {
    DWORD attributes = 0;
    std::map<std::string, std::pair<DWORD, std::string>> entries;
    bool operator==(const FolderState&) const = default;
};

FolderState StateOf(const std::string& folder) {
    FolderState state;
    state.attributes = Attributes(folder);
    WIN32_FIND_DATAA entry{};
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return state;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        state.entries[name] = {entry.dwFileAttributes, ReadFileBytes(folder + "\\" + name)};
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return state;
}

std::string Describe(const FolderState& state) {
    std::string text = "folder " + std::to_string(state.attributes) + ":";
    for (const auto& [name, entry] : state.entries) {
        text += " " + name + " " + std::to_string(entry.first) + " (" + std::to_string(entry.second.size()) + " bytes)";
    }
    return text;
}

class ReadOnly : public testing::Test {
protected:
    void SetUp() override {
        MakeFolder(root / "Icons");
        MakeFolder(viewer);
        WriteFileBytes(root / "Icons\\logo.ico", IconFileBytes(1));
        MakeFolder(root / "Icons\\new");
        WriteFileBytes(root / "Icons\\new\\logo.ico", IconFileBytes(2));
        // A program with an icon of its own, as a user's portable program has.
        ASSERT_TRUE(CopyFileA(BuiltProgramPath("Vandrel.exe").c_str(), (viewer + "\\viewer.exe").c_str(), FALSE));
        for (const std::string& source : {root / "Icons\\logo.ico", root / "Icons\\new\\logo.ico", viewer + "\\viewer.exe"}) {
            const UINT icons = ExtractIconExA(source.c_str(), -1, nullptr, nullptr, 0);
            ASSERT_TRUE(icons > 0 && icons != 0xFFFFFFFF) << source << " holds no icon";
        }
    }
    void TearDown() override { TakeOffWhatApplyPlaced(); }
    // Leaves the folder as SetUp made it, whatever an operation or a test did to it.
    void TakeOffWhatApplyPlaced() {
        for (const char* name : {"desktop.ini", "logo.ico"}) {
            const std::string path = viewer + "\\" + name;
            if (!PathExists(path)) continue;
            MakeChangeable(path);
            RemoveTree(path);
        }
        SetFileAttributesA(viewer.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    std::string Ini() const { return viewer + "\\desktop.ini"; }

    ScratchFolder root;
    const std::string viewer = root / "Viewer";
};

TEST_F(ReadOnly, AReadOnlyFileRefusesWritesAsOnWindows) {
    if (std::getenv("VANDREL_WINE_RUN_BY_ROOT")) {
        GTEST_SKIP() << "Wine runs as root here, and root may write Read-only files";
    }
    WriteFileBytes(Ini(), "[.ShellClassInfo]\r\nInfoTip=tip\r\n");
    ASSERT_TRUE(SetFileAttributesA(Ini().c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(WritePrivateProfileStringA(".ShellClassInfo", "IconIndex", "0", Ini().c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(CopyFileA((root / "Icons\\logo.ico").c_str(), Ini().c_str(), FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadFileBytes(Ini()), "[.ShellClassInfo]\r\nInfoTip=tip\r\n");
}

// A Read-only desktop.ini is the user's wish that it stay as it is: apply and restore fail
// and leave the folder exactly as they found it.
TEST_F(ReadOnly, AReadOnlyDesktopIniFailsApplyAndRestoreAndNothingChanges) {
    enum class Operation { apply, restore };
    const struct {
        const char* what;
        std::string ini;  // empty: the folder's icon is applied first
        Operation operation;
        std::string icon;  // what apply is given
        const char* result;
    } cases[] = {
        {"apply over another tool's desktop.ini", "[.ShellClassInfo]\r\nInfoTip=tip\r\n", Operation::apply,
         viewer + "\\viewer.exe", kResultApplyFailed},
        {"an .ico over another tool's desktop.ini", "[.ShellClassInfo]\r\nInfoTip=tip\r\n", Operation::apply,
         root / "Icons\\new\\logo.ico", kResultApplyFailed},
        {"apply again", "", Operation::apply, viewer + "\\viewer.exe", kResultApplyFailed},
        {"another .ico again", "", Operation::apply, root / "Icons\\new\\logo.ico", kResultApplyFailed},
        {"restore", "", Operation::restore, "", kResultRestoreFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.ini.empty()) {
            ASSERT_EQ(ApplyFolderIcon(viewer, root / "Icons\\logo.ico"), kResultApplied);
        } else {
            WriteFileBytes(Ini(), c.ini);
        }
        MakeUnchangeable(Ini());
        const FolderState before = StateOf(viewer);
        const Text result = c.operation == Operation::apply ? ApplyFolderIcon(viewer, c.icon)
                                                            : RestoreFolder(viewer).text;
        const FolderState after = StateOf(viewer);
        EXPECT_EQ(result, c.result);
        EXPECT_TRUE(after == before) << "before: " << Describe(before) << "\nafter:  " << Describe(after);
        TakeOffWhatApplyPlaced();
    }
}

// The copy Vandrel placed is its own to replace, even when something made it Read-only.
TEST_F(ReadOnly, ReapplyingReplacesVandrelsOwnReadOnlyCopy) {
    ASSERT_EQ(ApplyFolderIcon(viewer, root / "Icons\\logo.ico"), kResultApplied);
    ASSERT_TRUE(SetFileAttributesA((viewer + "\\logo.ico").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ApplyFolderIcon(viewer, root / "Icons\\new\\logo.ico"), kResultApplied);
    EXPECT_EQ(ReadFileBytes(viewer + "\\logo.ico"), IconFileBytes(2));
    EXPECT_EQ(Attributes(viewer + "\\logo.ico") & ~FILE_ATTRIBUTE_ARCHIVE, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(GetPrivateProfileIntA(".ShellClassInfo", "IconIndex", -1, Ini().c_str()), 0);
    char iconFile[MAX_PATH] = {};
    GetPrivateProfileStringA(".ShellClassInfo", "IconFile", "", iconFile, MAX_PATH, Ini().c_str());
    EXPECT_STREQ(iconFile, "logo.ico");
}

}  // namespace
