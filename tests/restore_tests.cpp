#include <windows.h>

#include <gtest/gtest.h>

#include "engine/apply_icon.h"
#include "engine/restore_folder.h"
#include "process/owned_handle.h"
#include "tests/scratch_folder.h"
#include "tests/shell_listener.h"

namespace {

// desktop.ini as Windows writes it for names outside the ANSI code page: UTF-16 with a
// byte order mark.
std::string Utf16Bytes(const std::string& ansi) {
    std::wstring wide(ansi.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                    wide.data(), static_cast<int>(wide.size())));
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : wide) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

class Restore : public testing::Test {
protected:
    void SetUp() override {
        MakeFolder(root / "Icons");
        WriteFileBytes(root / "Icons\\star.ico", "icon-from-elsewhere");
    }

    // Each case gets a folder of its own: the profile functions may cache a file by its path.
    std::string NewFolder() {
        const std::string folder = root / ("Viewer" + std::to_string(++folders));
        MakeFolder(folder);
        WriteFileBytes(folder + "\\viewer.exe", "MZ-viewer");
        return folder;
    }
    static std::string Ini(const std::string& folder) { return folder + "\\desktop.ini"; }
    static bool IsSystem(const std::string& path) { return Attributes(path) & FILE_ATTRIBUTE_SYSTEM; }
    static void ExpectRestored(const RestoreResult& result) {
        EXPECT_EQ(result.text, kResultRestored);
        EXPECT_TRUE(result.resetBoxes);
    }

    ScratchFolder root;
    int folders = 0;
};

TEST_F(Restore, AFolderThatNeverHadAnIconIsRestoredAndLeftAsItWas) {
    const std::string folder = NewFolder();
    ExpectRestored(RestoreFolder(folder));
    EXPECT_FALSE(PathExists(Ini(folder)));
    EXPECT_FALSE(IsSystem(folder));
    EXPECT_EQ(ReadFileBytes(folder + "\\viewer.exe"), "MZ-viewer");

    // A directory where desktop.ini would be names no icon either, and is not touched.
    const std::string other = NewFolder();
    MakeFolder(Ini(other));
    ExpectRestored(RestoreFolder(other));
    EXPECT_TRUE(Attributes(Ini(other)) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(Restore, AnAppliedIconIsTakenOffAndItsDesktopIniDeleted) {
    const std::string exeFolder = NewFolder();
    ASSERT_EQ(ApplyFolderIcon(exeFolder, exeFolder + "\\viewer.exe"), kResultApplied);
    ExpectRestored(RestoreFolder(exeFolder));
    EXPECT_EQ(ReadFileBytes(Ini(exeFolder)), "<missing>");
    EXPECT_TRUE(IsSystem(exeFolder));
    EXPECT_EQ(ReadFileBytes(exeFolder + "\\viewer.exe"), "MZ-viewer");

    const std::string icoFolder = NewFolder();
    ASSERT_EQ(ApplyFolderIcon(icoFolder, root / "Icons\\star.ico"), kResultApplied);
    ExpectRestored(RestoreFolder(icoFolder));
    EXPECT_EQ(ReadFileBytes(Ini(icoFolder)), "<missing>");
    EXPECT_TRUE(IsSystem(icoFolder));
    EXPECT_EQ(ReadFileBytes(icoFolder + "\\star.ico"), "icon-from-elsewhere");
    EXPECT_EQ(Attributes(icoFolder + "\\star.ico") & ~FILE_ATTRIBUTE_ARCHIVE,
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));

    // Restoring again finds nothing to take off and still succeeds.
    ExpectRestored(RestoreFolder(icoFolder));
}

TEST_F(Restore, OnlyTheTwoIconKeysAreRemovedAndEverythingElseStays) {
    const struct {
        const char* what;
        std::string before, after;
    } cases[] = {
        {"other keys and sections",
         "[.ShellClassInfo]\r\nInfoTip=看图工具\r\nIconFile=viewer.exe\r\nIconIndex=0\r\n"
         "[ViewState]\r\nMode=4\r\nVid={137E7700-3573-11CF-AE69-08002B2E1262}\r\n",
         "[.ShellClassInfo]\r\nInfoTip=看图工具\r\n"
         "[ViewState]\r\nMode=4\r\nVid={137E7700-3573-11CF-AE69-08002B2E1262}\r\n"},
        {"keys in another case, another tool's section first",
         "[OtherTool]\r\nsetting=1\r\n[.shellclassinfo]\r\niconfile=a.ico\r\nICONINDEX=0\r\n",
         "[OtherTool]\r\nsetting=1\r\n[.shellclassinfo]\r\n"},
        {"the same key names in a foreign section",
         "[Other]\r\nIconFile=keep.ico\r\nIconIndex=7\r\n[.ShellClassInfo]\r\nIconFile=a.ico\r\nIconIndex=0\r\n",
         "[Other]\r\nIconFile=keep.ico\r\nIconIndex=7\r\n[.ShellClassInfo]\r\n"},
        {"a comment is something to keep",
         "; 手写的说明\r\n[.ShellClassInfo]\r\nIconFile=a.ico\r\nIconIndex=0\r\n",
         "; 手写的说明\r\n[.ShellClassInfo]\r\n"},
        {"UTF-16 with a localized name",
         Utf16Bytes("[.ShellClassInfo]\r\nLocalizedResourceName=看图\r\nIconFile=viewer.exe\r\nIconIndex=0\r\n"),
         Utf16Bytes("[.ShellClassInfo]\r\nLocalizedResourceName=看图\r\n")},
        {"nothing of ours in it",
         "[.ShellClassInfo]\r\nConfirmFileOp=0\r\n", "[.ShellClassInfo]\r\nConfirmFileOp=0\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = NewFolder();
        WriteFileBytes(Ini(folder), c.before);
        ASSERT_TRUE(SetFileAttributesA(Ini(folder).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
        ExpectRestored(RestoreFolder(folder));
        EXPECT_EQ(ReadFileBytes(Ini(folder)), c.after);
        EXPECT_EQ(Attributes(Ini(folder)) & ~FILE_ATTRIBUTE_ARCHIVE,
                  static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    }
}

TEST_F(Restore, ADesktopIniLeftWithOnlyHeadersAndBlankLinesIsDeleted) {
    const std::string cases[] = {
        "[.ShellClassInfo]\r\nIconFile=a.ico\r\nIconIndex=0\r\n\r\n[Empty]\r\n",
        "\r\n  [.ShellClassInfo]\n  IconFile = a.ico\n",
        Utf16Bytes("[.ShellClassInfo]\r\nIconIndex=0\r\nIconFile=viewer.exe\r\n"),
    };
    for (const auto& before : cases) {
        SCOPED_TRACE(before);
        const std::string folder = NewFolder();
        WriteFileBytes(Ini(folder), before);
        ExpectRestored(RestoreFolder(folder));
        EXPECT_EQ(ReadFileBytes(Ini(folder)), "<missing>");
    }
}

TEST_F(Restore, ADesktopIniThatCannotBeChangedIsReportedAsAFailure) {
    const std::string folder = NewFolder();
    ASSERT_EQ(ApplyFolderIcon(folder, folder + "\\viewer.exe"), kResultApplied);
    const std::string before = ReadFileBytes(Ini(folder));
    MakeUnchangeable(Ini(folder));
    EXPECT_TRUE(RefusesWrites(Ini(folder)));
    const RestoreResult result = RestoreFolder(folder);
    const std::string after = ReadFileBytes(Ini(folder));
    MakeChangeable(Ini(folder));
    EXPECT_EQ(result.text, kResultRestoreFailed);
    EXPECT_FALSE(result.resetBoxes);
    EXPECT_EQ(after, before);

    // When it names no icon there is nothing to change, and nothing fails.
    const std::string foreign = NewFolder();
    WriteFileBytes(Ini(foreign), "[.ShellClassInfo]\r\nInfoTip=tip\r\n");
    MakeUnchangeable(Ini(foreign));
    EXPECT_TRUE(RefusesWrites(Ini(foreign)));
    const RestoreResult untouched = RestoreFolder(foreign);
    const std::string kept = ReadFileBytes(Ini(foreign));
    MakeChangeable(Ini(foreign));
    ExpectRestored(untouched);
    EXPECT_EQ(kept, "[.ShellClassInfo]\r\nInfoTip=tip\r\n");
}

TEST_F(Restore, TheFolderCheckComesFirstAndNothingIsTouched) {
    const std::string folder = NewFolder();
    ASSERT_EQ(ApplyFolderIcon(folder, folder + "\\viewer.exe"), kResultApplied);
    const std::string before = ReadFileBytes(Ini(folder));
    const std::string cases[] = {
        folder + "\\",
        root / "viewer1",  // the folder is Viewer1: names must match byte for byte
        root / "Missing",
        folder + "\\viewer.exe",
        "",
    };
    for (const auto& text : cases) {
        SCOPED_TRACE(text);
        const RestoreResult result = RestoreFolder(text);
        EXPECT_EQ(result.text, kResultFolderMissing);
        EXPECT_FALSE(result.resetBoxes);
        EXPECT_EQ(ReadFileBytes(Ini(folder)), before);
    }
}

TEST_F(Restore, TheShellIsToldThatTheFolderChanged) {
    const std::string folder = NewFolder();
    ASSERT_EQ(ApplyFolderIcon(folder, folder + "\\viewer.exe"), kResultApplied);
    ShellChangeListener shell(folder);
    ASSERT_TRUE(shell.Listening());
    shell.Forget();  // notices of the apply must not count for the restore

    ExpectRestored(RestoreFolder(folder));
    EXPECT_TRUE(shell.WaitForNotice());
}

}  // namespace
