#include <windows.h>

#include <gtest/gtest.h>

#include "engine/apply_icon.h"
#include "tests/scratch_folder.h"
#include "tests/shell_listener.h"

namespace {

std::string IniWith(const std::string& iconFile) {
    return "[.ShellClassInfo]\r\nIconFile=" + iconFile + "\r\nIconIndex=0\r\n";
}

class Apply : public testing::Test {
protected:
    void SetUp() override {
        MakeFolder(root / "Tools");
        MakeFolder(viewer);
        MakeFolder(viewer + "\\bin");
        MakeFolder(viewer + "\\res");
        MakeFolder(root / "Icons");
        MakeFolder(root / "Other");
        WriteFileBytes(viewer + "\\bin\\viewer.exe", "MZ-viewer");
        WriteFileBytes(viewer + "\\viewer.exe", "MZ-viewer");
        WriteFileBytes(viewer + "\\res\\star.ico", "icon-from-res");
        WriteFileBytes(viewer + "\\inner.ico", "icon-inside");
        WriteFileBytes(root / "Icons\\star.ico", "icon-from-elsewhere");
        WriteFileBytes(root / "Icons\\STAR2.ICO", "capital-icon");
        WriteFileBytes(root / "Icons\\pic.png", "png");
        WriteFileBytes(root / "Other\\viewer.exe", "MZ-other");
    }

    bool IsSystem(const std::string& path) { return Attributes(path) & FILE_ATTRIBUTE_SYSTEM; }
    void ExpectExactlyHidden(const std::string& path) {
        EXPECT_EQ(Attributes(path) & ~FILE_ATTRIBUTE_ARCHIVE, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN)) << path;
    }
    std::string Ini() { return viewer + "\\desktop.ini"; }

    ScratchFolder root;
    const std::string viewer = root / "Tools\\Viewer";
};

TEST_F(Apply, ExeBelowTheFolderIsNamedByItsPathBelowTheFolder) {
    EXPECT_EQ(ApplyFolderIcon(viewer, viewer + "\\bin\\viewer.exe"), kResultApplied);
    EXPECT_EQ(ReadFileBytes(Ini()), IniWith("bin\\viewer.exe"));
    ExpectExactlyHidden(Ini());
    EXPECT_TRUE(IsSystem(viewer));
    EXPECT_FALSE(PathExists(viewer + "\\viewer.exe.ico"));
    EXPECT_EQ(ReadFileBytes(viewer + "\\bin\\viewer.exe"), "MZ-viewer");
}

TEST_F(Apply, ExeWhosePathDiffersInCaseStillLiesInside) {
    std::string upper = viewer;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(ApplyFolderIcon(viewer, upper + "\\VIEWER.EXE"), kResultApplied);
    EXPECT_EQ(ReadFileBytes(Ini()), IniWith("VIEWER.EXE"));
}

TEST_F(Apply, IcoSourcesAreCopiedIntoTheFolderAndHidden) {
    const struct {
        std::string icon, copyName, content;
    } cases[] = {
        {root / "Icons\\star.ico", "star.ico", "icon-from-elsewhere"},
        {viewer + "\\res\\star.ico", "star.ico", "icon-from-res"},
        {viewer + "\\inner.ico", "inner.ico", "icon-inside"},  // already there: not a failure
        {root / "Icons\\STAR2.ICO", "STAR2.ICO", "capital-icon"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.icon);
        EXPECT_EQ(ApplyFolderIcon(viewer, c.icon), kResultApplied);
        EXPECT_EQ(ReadFileBytes(viewer + "\\" + c.copyName), c.content);
        ExpectExactlyHidden(viewer + "\\" + c.copyName);
        EXPECT_EQ(ReadFileBytes(Ini()), IniWith(c.copyName));
        ExpectExactlyHidden(Ini());
        EXPECT_TRUE(IsSystem(viewer));
    }
    EXPECT_EQ(ReadFileBytes(viewer + "\\res\\star.ico"), "icon-from-res");
}

TEST_F(Apply, ReapplyingAnIcoOfTheSameNameReplacesTheHiddenCopy) {
    ASSERT_EQ(ApplyFolderIcon(viewer, root / "Icons\\star.ico"), kResultApplied);
    ExpectExactlyHidden(viewer + "\\star.ico");
    EXPECT_EQ(ApplyFolderIcon(viewer, viewer + "\\res\\star.ico"), kResultApplied);
    EXPECT_EQ(ReadFileBytes(viewer + "\\star.ico"), "icon-from-res");
    ExpectExactlyHidden(viewer + "\\star.ico");
}

TEST_F(Apply, ChecksComeInOrderAndWriteNothingWhenOneFails) {
    const struct {
        std::string folder, icon;
        const char* result;
    } cases[] = {
        {viewer + "\\", viewer + "\\viewer.exe", kResultFolderMissing},
        {root / "Tools\\viewer", viewer + "\\viewer.exe", kResultFolderMissing},
        {root / "Tools\\Missing", "not even looked at", kResultFolderMissing},
        {viewer, viewer + "\\missing.exe", kResultIconMissing},
        {viewer, viewer + "\\bin", kResultIconMissing},
        {viewer, viewer + "\\*.exe", kResultIconMissing},
        {viewer, root / "Icons\\pic.png", kResultIconWrongKind},
        {viewer, root / "Other\\viewer.exe", kResultExeOutsideFolder},
    };
    MakeFolder(root / "Tools\\View");
    WriteFileBytes(root / "Tools\\View\\x.exe", "MZ");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder + " | " + c.icon);
        EXPECT_EQ(ApplyFolderIcon(c.folder, c.icon), c.result);
        EXPECT_FALSE(PathExists(Ini()));
        EXPECT_FALSE(IsSystem(viewer));
    }
    // D:\App and D:\Apps\x.exe: the folder text occurs, but the exe lies elsewhere.
    EXPECT_EQ(ApplyFolderIcon(root / "Tools\\View", viewer + "\\viewer.exe"), kResultExeOutsideFolder);
    EXPECT_FALSE(PathExists(root / "Tools\\View\\desktop.ini"));
}

TEST_F(Apply, ForeignSectionsOfAnExistingDesktopIniAreKept) {
    WriteFileBytes(Ini(),
                   "[.ShellClassInfo]\r\nInfoTip=看图\r\nIconFile=old.ico\r\nIconIndex=3\r\n"
                   "[ViewState]\r\nMode=4\r\n");
    EXPECT_EQ(ApplyFolderIcon(viewer, viewer + "\\viewer.exe"), kResultApplied);
    EXPECT_EQ(ReadFileBytes(Ini()),
              "[.ShellClassInfo]\r\nInfoTip=看图\r\nIconFile=viewer.exe\r\nIconIndex=0\r\n"
              "[ViewState]\r\nMode=4\r\n");
    ExpectExactlyHidden(Ini());
}

TEST_F(Apply, AWriteThatFailsIsReportedAsAFailure) {
    MakeFolder(Ini());  // a directory where desktop.ini should be
    EXPECT_EQ(ApplyFolderIcon(viewer, viewer + "\\viewer.exe"), kResultApplyFailed);
    EXPECT_TRUE(Attributes(Ini()) & FILE_ATTRIBUTE_DIRECTORY);

    MakeFolder(viewer + "\\res\\star.ico\\..\\..\\busy.ico");  // a directory where the copy goes
    WriteFileBytes(root / "Icons\\busy.ico", "icon");
    EXPECT_EQ(ApplyFolderIcon(viewer, root / "Icons\\busy.ico"), kResultApplyFailed);
}

TEST_F(Apply, AFolderWhoseNameTheInterpreterExpandsStillGetsSystem) {
    const std::string odd = root / "Tools\\%PATH% & 100%";
    MakeFolder(odd);
    WriteFileBytes(odd + "\\app.exe", "MZ");
    ASSERT_TRUE(SetFileAttributesA(odd.c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(ApplyFolderIcon(odd, odd + "\\app.exe"), kResultApplied);
    EXPECT_TRUE(IsSystem(odd));
    EXPECT_TRUE(Attributes(odd) & FILE_ATTRIBUTE_HIDDEN);  // its other attributes stay
    EXPECT_TRUE(Attributes(odd) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(ReadFileBytes(odd + "\\desktop.ini"), IniWith("app.exe"));
}

TEST_F(Apply, TheShellIsToldThatTheFolderChanged) {
    ShellChangeListener shell(viewer);
    ASSERT_TRUE(shell.Listening());
    EXPECT_EQ(ApplyFolderIcon(viewer, viewer + "\\viewer.exe"), kResultApplied);
    EXPECT_TRUE(shell.WaitForNotice());
}

}  // namespace
