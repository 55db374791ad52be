#include <windows.h>

#include <algorithm>

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

std::string ReadKey(const std::string& ini, const char* section, const char* key) {
    char value[256] = {};
    GetPrivateProfileStringA(section, key, "<absent>", value, sizeof value, ini.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
    return value;
}

class Restore : public testing::Test {
protected:
    void SetUp() override {
        MakeFolder(root / "Icons");
        WriteIconFile(root / "Icons\\star.ico");
    }

    // Each case gets a folder of its own: the profile functions may cache a file by its path.
    std::string NewFolder() {
        const std::string folder = root / ("Viewer" + std::to_string(++folders));
        MakeFolder(folder);
        CopyProgramWithIcon(folder + "\\viewer.exe");
        if (viewerExe.empty()) viewerExe = ReadFileBytes(folder + "\\viewer.exe");
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
    std::string viewerExe;
};

TEST_F(Restore, AFolderThatNeverHadAnIconIsRestoredAndLeftAsItWas) {
    const std::string folder = NewFolder();
    ExpectRestored(RestoreFolder(folder));
    EXPECT_FALSE(PathExists(Ini(folder)));
    EXPECT_FALSE(IsSystem(folder));
    EXPECT_EQ(ReadFileBytes(folder + "\\viewer.exe"), viewerExe);

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
    EXPECT_EQ(ReadFileBytes(exeFolder + "\\viewer.exe"), viewerExe);

    const std::string icoFolder = NewFolder();
    ASSERT_EQ(ApplyFolderIcon(icoFolder, root / "Icons\\star.ico"), kResultApplied);
    ExpectRestored(RestoreFolder(icoFolder));
    EXPECT_EQ(ReadFileBytes(Ini(icoFolder)), "<missing>");
    EXPECT_EQ(FolderListing(icoFolder), (std::vector<std::string>{"star.ico", "viewer.exe"}));
    EXPECT_TRUE(IsSystem(icoFolder));
    EXPECT_EQ(ReadFileBytes(icoFolder + "\\star.ico"), IconFileBytes());
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
        {"an IconResource that names IconFile's file, in other case",
         "[.ShellClassInfo]\r\nIconResource=A.ICO,0\r\nIconFile=a.ico\r\nIconIndex=0\r\nInfoTip=x\r\n",
         "[.ShellClassInfo]\r\nInfoTip=x\r\n"},
        {"an IconResource that names it by its full path",
         "[.ShellClassInfo]\r\nIconFile=a.ico\r\nIconIndex=0\r\nIconResource=<folder>\\a.ico,0\r\n[V]\r\nM=1\r\n",
         "[.ShellClassInfo]\r\n[V]\r\nM=1\r\n"},
        {"a foreign IconResource",
         "[.ShellClassInfo]\r\nIconResource=C:\\Windows\\system32\\imageres.dll,-3\r\nIconFile=a.ico\r\nIconIndex=0\r\n",
         "[.ShellClassInfo]\r\nIconResource=C:\\Windows\\system32\\imageres.dll,-3\r\n"},
        {"an IconResource of another file of the same name",
         "[.ShellClassInfo]\r\nIconResource=D:\\Icons\\a.ico,0\r\nIconFile=a.ico\r\nIconIndex=0\r\n",
         "[.ShellClassInfo]\r\nIconResource=D:\\Icons\\a.ico,0\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = NewFolder();
        auto inFolder = [&](std::string text) {
            const size_t at = text.find("<folder>");
            return at == std::string::npos ? text : text.replace(at, 8, folder);
        };
        WriteFileBytes(Ini(folder), inFolder(c.before));
        ASSERT_TRUE(SetFileAttributesA(Ini(folder).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
        ExpectRestored(RestoreFolder(folder));
        EXPECT_EQ(ReadFileBytes(Ini(folder)), inFolder(c.after));
        EXPECT_EQ(Attributes(Ini(folder)) & ~FILE_ATTRIBUTE_ARCHIVE,
                  static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
        EXPECT_EQ(FolderListing(folder), (std::vector<std::string>{"desktop.ini", "viewer.exe"}));
    }
}

// Explorer reads desktop.ini through the profile functions, so what they read afterwards is
// what counts, however the file spells its names.
TEST_F(Restore, NamesAreReadAsTheProfileFunctionsReadThem) {
    const struct {
        const char* what;
        std::string before;
        bool keepsFile;
    } cases[] = {
        {"blanks inside the brackets", "[ .ShellClassInfo ]\r\nInfoTip=tip\r\nIconFile=a.ico\r\nIconIndex=0\r\n", true},
        {"tabs inside the brackets", "[\t.ShellClassInfo\t]\r\nIconFile=a.ico\r\nInfoTip=tip\r\nIconIndex=0\r\n", true},
        {"blanks everywhere, other case",
         "  [ .shellclassinfo ]  \r\n  iconfile \t=  a.ico\r\n ICONINDEX= 0 \r\nInfoTip=tip\r\n", true},
        {"nothing left but the header", "[ .ShellClassInfo ]\r\nIconFile=a.ico\r\nIconIndex=0\r\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = NewFolder();
        WriteFileBytes(Ini(folder), c.before + "[Other]\r\nKeep=1\r\n");
        ASSERT_EQ(ReadKey(Ini(folder), ".ShellClassInfo", "IconFile"), "a.ico");
        ExpectRestored(RestoreFolder(folder));
        EXPECT_EQ(ReadKey(Ini(folder), ".ShellClassInfo", "IconFile"), "<absent>");
        EXPECT_EQ(ReadKey(Ini(folder), ".ShellClassInfo", "IconIndex"), "<absent>");
        EXPECT_EQ(ReadKey(Ini(folder), ".ShellClassInfo", "InfoTip"), c.keepsFile ? "tip" : "<absent>");
        EXPECT_EQ(ReadKey(Ini(folder), "Other", "Keep"), "1");
    }
}

TEST_F(Restore, ADesktopIniLeftWithOnlyHeadersAndBlankLinesIsDeleted) {
    const std::string cases[] = {
        "[.ShellClassInfo]\r\nIconFile=a.ico\r\nIconIndex=0\r\n\r\n[Empty]\r\n",
        "\r\n  [.ShellClassInfo]\n  IconFile = a.ico\n",
        Utf16Bytes("[.ShellClassInfo]\r\nIconIndex=0\r\nIconFile=viewer.exe\r\n"),
        "[.ShellClassInfo]\r\nIconResource=a.ico,0\r\nIconFile=a.ico\r\nIconIndex=0\r\n",
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

TEST_F(Restore, ADesktopIniHeldOpenByAnotherProgramIsLeftWholeAndReportedAsAFailure) {
    const std::string cases[] = {
        "[.ShellClassInfo]\r\nIconFile=a.ico\r\nIconIndex=0\r\nInfoTip=tip\r\n",  // to be replaced
        "[.ShellClassInfo]\r\nIconFile=a.ico\r\nIconIndex=0\r\n",                  // to be deleted
    };
    for (const std::string& before : cases) {
        SCOPED_TRACE(before);
        const std::string folder = NewFolder();
        WriteFileBytes(Ini(folder), before);
        const std::vector<std::string> listing = FolderListing(folder);
        UniqueHandle held(CreateFileA(Ini(folder).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        const RestoreResult result = RestoreFolder(folder);
        EXPECT_EQ(result.text, kResultRestoreFailed);
        EXPECT_FALSE(result.resetBoxes);
        EXPECT_EQ(ReadFileBytes(Ini(folder)), before);
        EXPECT_EQ(FolderListing(folder), listing);
    }
}

TEST_F(Restore, APathTooLongToWriteFailsWithNothingChanged) {
    const std::string parent = root / "Long";
    const std::string named = "[.ShellClassInfo]\r\nIconFile=a.ico\r\nIconIndex=0\r\nInfoTip=tip\r\n";
    // Around the longest folder whose desktop.ini still fits (247 bytes): below it both
    // outcomes are sound, as long as they are whole.
    for (size_t length = 235; length <= 252; ++length) {
        SCOPED_TRACE(length);
        std::string folder = parent + "\\" + std::to_string(length);
        while (folder.size() < length) {
            folder += "\\" + std::string(std::min<size_t>(100, length - folder.size() - 1), 'a');
        }
        MakeLongFolder(folder);
        if (length < 248) WriteFileBytes(Ini(folder), named);
        const RestoreResult result = RestoreFolder(folder);
        if (length >= 248) {
            EXPECT_EQ(result.text, kResultRestoreFailed);
            EXPECT_TRUE(FolderListing(folder).empty());
        } else if (result.text == kResultRestored) {
            EXPECT_EQ(ReadFileBytes(Ini(folder)), "[.ShellClassInfo]\r\nInfoTip=tip\r\n");
            EXPECT_EQ(FolderListing(folder), std::vector<std::string>{"desktop.ini"});
        } else {
            EXPECT_EQ(result.text, kResultRestoreFailed);
            EXPECT_EQ(ReadFileBytes(Ini(folder)), named);
            EXPECT_EQ(FolderListing(folder), std::vector<std::string>{"desktop.ini"});
        }
    }
    RemoveLongTree(parent);
}

}  // namespace
