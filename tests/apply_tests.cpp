#include <windows.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "engine/apply_icon.h"
#include "process/owned_handle.h"
#include "tests/scratch_folder.h"
#include "tests/shell_listener.h"

namespace {

std::string IniWith(const std::string& iconFile) {
    return "[.ShellClassInfo]\r\nIconFile=" + iconFile + "\r\nIconIndex=0\r\n";
}

// Icon variants, so that every .ico of the fixture has bytes of its own.
enum Variant { kResStar = 1, kInner, kElsewhereStar, kCapital, kLogo, kUsersLogo, kUsersSecond };

class Apply : public testing::Test {
protected:
    void SetUp() override {
        MakeFolder(root / "Tools");
        MakeFolder(viewer);
        MakeFolder(viewer + "\\bin");
        MakeFolder(viewer + "\\res");
        MakeFolder(root / "Icons");
        MakeFolder(root / "Other");
        CopyProgramWithIcon(viewer + "\\bin\\viewer.exe");
        CopyProgramWithIcon(viewer + "\\viewer.exe");
        WriteIconFile(viewer + "\\res\\star.ico", kResStar);
        WriteIconFile(viewer + "\\inner.ico", kInner);
        WriteIconFile(root / "Icons\\star.ico", kElsewhereStar);
        WriteIconFile(root / "Icons\\STAR2.ICO", kCapital);
        WriteIconFile(root / "Icons\\logo.ico", kLogo);
        WriteFileBytes(root / "Icons\\pic.png", "png");
        CopyProgramWithIcon(root / "Other\\viewer.exe");
        viewerExe = ReadFileBytes(viewer + "\\viewer.exe");
    }

    static bool IsSystem(const std::string& path) { return Attributes(path) & FILE_ATTRIBUTE_SYSTEM; }
    static DWORD AttributesBesidesArchive(const std::string& path) {
        return Attributes(path) & ~FILE_ATTRIBUTE_ARCHIVE;
    }
    static void ExpectExactlyHidden(const std::string& path) {
        EXPECT_EQ(AttributesBesidesArchive(path), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN)) << path;
    }
    std::string Ini() const { return viewer + "\\desktop.ini"; }
    // Each case gets a folder of its own: the profile functions may cache a file by its path.
    std::string NewFolder() {
        const std::string folder = root / ("Case" + std::to_string(++folders));
        MakeFolder(folder);
        return folder;
    }

    ScratchFolder root;
    const std::string viewer = root / "Tools\\Viewer";
    std::string viewerExe;
    int folders = 0;
};

TEST_F(Apply, ExeBelowTheFolderIsNamedByItsPathBelowTheFolder) {
    const std::vector<std::string> before = FolderListing(viewer);
    EXPECT_EQ(ApplyFolderIcon(viewer, viewer + "\\bin\\viewer.exe"), kResultApplied);
    EXPECT_EQ(ReadFileBytes(Ini()), IniWith("bin\\viewer.exe"));
    ExpectExactlyHidden(Ini());
    EXPECT_TRUE(IsSystem(viewer));
    EXPECT_EQ(ReadFileBytes(viewer + "\\bin\\viewer.exe"), viewerExe);
    // desktop.ini is all that was added: nothing copied, no file of the writing left over.
    std::vector<std::string> expected = before;
    expected.push_back("desktop.ini");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderListing(viewer), expected);
}

TEST_F(Apply, ExeWhosePathDiffersInCaseStillLiesInside) {
    std::string upper = viewer;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(ApplyFolderIcon(viewer, upper + "\\VIEWER.EXE"), kResultApplied);
    EXPECT_EQ(ReadFileBytes(Ini()), IniWith("VIEWER.EXE"));
}

TEST_F(Apply, IcoSourcesAreCopiedIntoTheFolderAndHidden) {
    const struct {
        std::string icon, copyName;
        int variant;
    } cases[] = {
        {root / "Icons\\star.ico", "star.ico", kElsewhereStar},
        {viewer + "\\res\\star.ico", "star.ico", kResStar},  // replaces the copy of the first
        {viewer + "\\inner.ico", "inner.ico", kInner},       // already there: not a failure
        {root / "Icons\\STAR2.ICO", "STAR2.ICO", kCapital},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.icon);
        EXPECT_EQ(ApplyFolderIcon(viewer, c.icon), kResultApplied);
        EXPECT_EQ(ReadFileBytes(viewer + "\\" + c.copyName), IconFileBytes(c.variant));
        ExpectExactlyHidden(viewer + "\\" + c.copyName);
        EXPECT_EQ(ReadFileBytes(Ini()), IniWith(c.copyName));
        ExpectExactlyHidden(Ini());
        EXPECT_TRUE(IsSystem(viewer));
    }
    EXPECT_EQ(ReadFileBytes(viewer + "\\res\\star.ico"), IconFileBytes(kResStar));
    EXPECT_EQ(FolderListing(viewer),
              (std::vector<std::string>{"STAR2.ICO", "bin", "desktop.ini", "inner.ico", "res", "star.ico",
                                        "viewer.exe"}));
}

TEST_F(Apply, ReapplyingAnIcoOfTheSameNameReplacesTheHiddenCopy) {
    ASSERT_EQ(ApplyFolderIcon(viewer, root / "Icons\\star.ico"), kResultApplied);
    ExpectExactlyHidden(viewer + "\\star.ico");
    EXPECT_EQ(ApplyFolderIcon(viewer, viewer + "\\res\\star.ico"), kResultApplied);
    EXPECT_EQ(ReadFileBytes(viewer + "\\star.ico"), IconFileBytes(kResStar));
    ExpectExactlyHidden(viewer + "\\star.ico");

    // Also when someone made the copy Read-only meanwhile.
    ASSERT_TRUE(SetFileAttributesA((viewer + "\\star.ico").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ApplyFolderIcon(viewer, root / "Icons\\star.ico"), kResultApplied);
    EXPECT_EQ(ReadFileBytes(viewer + "\\star.ico"), IconFileBytes(kElsewhereStar));
    ExpectExactlyHidden(viewer + "\\star.ico");
    EXPECT_EQ(ReadFileBytes(Ini()), IniWith("star.ico"));
}

// What already lies in the folder under the icon's name.
// What already lies in the folder under the icon's name. The …SameIcon ones hold the very
// bytes of the icon being applied (an apply ended before it wrote desktop.ini leaves a
// Hidden one).
enum class Occupant { visible, hidden, hiddenReadOnly, hiddenSameIcon, visibleSameIcon, directory };

TEST_F(Apply, TheCopyReplacesOnlyItsOwnEarlierCopyAndOtherwiseTakesANumberedName) {
    const struct {
        const char* what;
        std::vector<std::pair<std::string, Occupant>> present;
        const char* iconFileBefore;  // null: no desktop.ini
        std::string copyName;
    } cases[] = {
        {"a visible file of the user's", {{"logo.ico", Occupant::visible}}, nullptr, "logo (2).ico"},
        {"a Hidden file that desktop.ini does not name",
         {{"logo.ico", Occupant::hidden}}, "other.ico", "logo (2).ico"},
        {"a Hidden, Read-only file and no desktop.ini", {{"logo.ico", Occupant::hiddenReadOnly}}, nullptr,
         "logo (2).ico"},
        {"a directory", {{"logo.ico", Occupant::directory}}, nullptr, "logo (2).ico"},
        {"a visible file that desktop.ini names", {{"logo.ico", Occupant::visible}}, "logo.ico", "logo (2).ico"},
        {"the earlier copy", {{"logo.ico", Occupant::hidden}}, "logo.ico", "logo.ico"},
        {"the earlier copy, named in other case", {{"logo.ico", Occupant::hidden}}, "LOGO.ICO", "logo.ico"},
        {"the numbered names are taken too",
         {{"logo.ico", Occupant::visible}, {"logo (2).ico", Occupant::directory}, {"logo (3).ico", Occupant::hidden}},
         nullptr, "logo (4).ico"},
        {"a Hidden file with the icon's bytes", {{"logo.ico", Occupant::hiddenSameIcon}}, "other.ico", "logo.ico"},
        {"a visible file with the icon's bytes", {{"logo.ico", Occupant::visibleSameIcon}}, nullptr, "logo (2).ico"},
        {"an earlier numbered copy",
         {{"logo.ico", Occupant::visible}, {"logo (2).ico", Occupant::hidden}}, "logo (2).ico", "logo (2).ico"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = NewFolder();
        int variant = kUsersLogo;
        for (const auto& [name, occupant] : c.present) {
            const std::string path = folder + "\\" + name;
            if (occupant == Occupant::directory) {
                MakeFolder(path);
                continue;
            }
            const bool sameIcon = occupant == Occupant::hiddenSameIcon || occupant == Occupant::visibleSameIcon;
            WriteIconFile(path, sameIcon ? kLogo : variant++);
            if (occupant != Occupant::visible && occupant != Occupant::visibleSameIcon) {
                SetFileAttributesA(path.c_str(), occupant == Occupant::hiddenReadOnly
                                                     ? FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY
                                                     : FILE_ATTRIBUTE_HIDDEN);
            }
        }
        if (c.iconFileBefore) WriteFileBytes(folder + "\\desktop.ini", IniWith(c.iconFileBefore));
        struct Kept {
            std::string path, bytes;
            DWORD attributes;
        };
        std::vector<Kept> kept;
        for (const auto& [name, occupant] : c.present) {
            if (name == c.copyName) continue;
            kept.push_back({folder + "\\" + name, ReadFileBytes(folder + "\\" + name), Attributes(folder + "\\" + name)});
        }

        EXPECT_EQ(ApplyFolderIcon(folder, root / "Icons\\logo.ico"), kResultApplied);
        EXPECT_EQ(ReadFileBytes(folder + "\\desktop.ini"), IniWith(c.copyName));
        EXPECT_EQ(ReadFileBytes(folder + "\\" + c.copyName), IconFileBytes(kLogo));
        ExpectExactlyHidden(folder + "\\" + c.copyName);
        for (const Kept& k : kept) {
            EXPECT_EQ(ReadFileBytes(k.path), k.bytes) << k.path;
            EXPECT_EQ(Attributes(k.path), k.attributes) << k.path;
        }
    }
}

TEST_F(Apply, ChecksComeInOrderAndWriteNothingWhenOneFails) {
    CopyProgramWithoutIcon(viewer + "\\plain.exe");
    WriteFileBytes(viewer + "\\empty.ico", "");
    WriteFileBytes(root / "Icons\\text.ico", "not an icon at all");
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
        {viewer, viewer + "\\plain.exe", kResultIconWrongKind},  // a program without an icon
        {viewer, viewer + "\\empty.ico", kResultIconWrongKind},
        {viewer, root / "Icons\\text.ico", kResultIconWrongKind},
        {viewer, root / "Other\\viewer.exe", kResultExeOutsideFolder},
    };
    MakeFolder(root / "Tools\\View");
    CopyProgramWithIcon(root / "Tools\\View\\x.exe");
    const std::vector<std::string> before = FolderListing(viewer);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder + " | " + c.icon);
        EXPECT_EQ(ApplyFolderIcon(c.folder, c.icon), c.result);
        EXPECT_EQ(FolderListing(viewer), before);
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
    ASSERT_TRUE(SetFileAttributesA(Ini().c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(ApplyFolderIcon(viewer, viewer + "\\viewer.exe"), kResultApplied);
    EXPECT_EQ(ReadFileBytes(Ini()),
              "[.ShellClassInfo]\r\nInfoTip=看图\r\nIconFile=viewer.exe\r\nIconIndex=0\r\n"
              "[ViewState]\r\nMode=4\r\n");
    ExpectExactlyHidden(Ini());
}

TEST_F(Apply, AnIconResourceThatIsThereNamesTheNewIconAndNoneIsAdded) {
    const struct {
        const char* what;
        std::string before, after;
    } cases[] = {
        {"written by the Customize tab",
         "[.ShellClassInfo]\r\nIconResource=C:\\Windows\\system32\\imageres.dll,-3\r\n[ViewState]\r\nMode=4\r\n",
         "[.ShellClassInfo]\r\nIconResource=viewer.exe,0\r\nIconFile=viewer.exe\r\nIconIndex=0\r\n"
         "[ViewState]\r\nMode=4\r\n"},
        {"empty, and its name in other case",
         "[.ShellClassInfo]\r\nIconFile=old.ico\r\niconresource=\r\n",
         "[.ShellClassInfo]\r\nIconFile=viewer.exe\r\niconresource=viewer.exe,0\r\nIconIndex=0\r\n"},
        {"in another section only: not Explorer's",
         "[Other]\r\nIconResource=x.dll,1\r\n",
         "[Other]\r\nIconResource=x.dll,1\r\n[.ShellClassInfo]\r\nIconFile=viewer.exe\r\nIconIndex=0\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = NewFolder();
        CopyProgramWithIcon(folder + "\\viewer.exe");
        WriteFileBytes(folder + "\\desktop.ini", c.before);
        EXPECT_EQ(ApplyFolderIcon(folder, folder + "\\viewer.exe"), kResultApplied);
        EXPECT_EQ(ReadFileBytes(folder + "\\desktop.ini"), c.after);
    }
}

TEST_F(Apply, FilesOfTheUserThatLookLikeLeftoversAreKept) {
    const std::string names[] = {"desktop.ini.tmp", "desktop.ini~", "~desktop.ini", "desktop.ini.bak",
                                 "desktop (2).ini"};
    for (const std::string& name : names) WriteFileBytes(viewer + "\\" + name, "the user's " + name);
    ASSERT_EQ(ApplyFolderIcon(viewer, root / "Icons\\star.ico"), kResultApplied);
    for (const std::string& name : names) {
        EXPECT_EQ(ReadFileBytes(viewer + "\\" + name), "the user's " + name);
    }
}

TEST_F(Apply, AWriteThatFailsIsReportedAsAFailureAndUndone) {
    MakeFolder(Ini());  // a directory where desktop.ini should be
    EXPECT_EQ(ApplyFolderIcon(viewer, viewer + "\\viewer.exe"), kResultApplyFailed);
    EXPECT_TRUE(Attributes(Ini()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(IsSystem(viewer));
    RemoveDirectoryA(Ini().c_str());

    // desktop.ini cannot be replaced while another program holds it open: the copy made for it
    // goes again, and the old file stays as it was.
    WriteFileBytes(Ini(), IniWith("old.ico"));
    {
        UniqueHandle held(CreateFileA(Ini().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        const std::vector<std::string> before = FolderListing(viewer);
        EXPECT_EQ(ApplyFolderIcon(viewer, root / "Icons\\star.ico"), kResultApplyFailed);
        EXPECT_EQ(FolderListing(viewer), before);
    }
    EXPECT_EQ(ReadFileBytes(Ini()), IniWith("old.ico"));
    EXPECT_FALSE(IsSystem(viewer));
}

TEST_F(Apply, AReadOnlyDesktopIniIsLeftAsItIs) {
    WriteFileBytes(Ini(), "[.ShellClassInfo]\r\nInfoTip=tip\r\n");
    MakeUnchangeable(Ini());
    const std::vector<std::string> before = FolderListing(viewer);
    const Text result = ApplyFolderIcon(viewer, root / "Icons\\star.ico");
    const std::string after = ReadFileBytes(Ini());
    const std::vector<std::string> listing = FolderListing(viewer);
    MakeChangeable(Ini());
    EXPECT_EQ(result, kResultApplyFailed);
    EXPECT_EQ(after, "[.ShellClassInfo]\r\nInfoTip=tip\r\n");
    EXPECT_EQ(listing, before);
    EXPECT_FALSE(IsSystem(viewer));
}

TEST_F(Apply, AFailedCopyPutsBackTheAttributesOfTheEarlierCopy) {
    ASSERT_EQ(ApplyFolderIcon(viewer, root / "Icons\\star.ico"), kResultApplied);
    const std::string iniBefore = ReadFileBytes(Ini());
    {
        // Another program reads the copy and lets nobody write it.
        UniqueHandle held(CreateFileA((viewer + "\\star.ico").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_EQ(ApplyFolderIcon(viewer, viewer + "\\res\\star.ico"), kResultApplyFailed);
        ExpectExactlyHidden(viewer + "\\star.ico");
    }
    EXPECT_EQ(ReadFileBytes(viewer + "\\star.ico"), IconFileBytes(kElsewhereStar));
    EXPECT_EQ(ReadFileBytes(Ini()), iniBefore);
}

// parent\aaa…\bbb… exactly length bytes long.
std::string FolderPathOfLength(const std::string& parent, size_t length) {
    const size_t first = (length - parent.size()) / 2;
    return parent + "\\" + std::string(first - 1, 'a') + "\\" + std::string(length - parent.size() - first - 1, 'b');
}

// Under Wine a profile write past the limit once went into the current directory, so each
// test here runs in an empty one of its own.
class ApplyToLongPaths : public Apply {
protected:
    void SetUp() override {
        Apply::SetUp();
        char path[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, path);
        previousDirectory = path;
        MakeFolder(current);
        ASSERT_TRUE(SetCurrentDirectoryA(current.c_str()));
    }
    void TearDown() override {
        SetCurrentDirectoryA(previousDirectory.c_str());
        EXPECT_TRUE(FolderListing(current).empty()) << "something was written into the current directory";
        RemoveLongTree(root / "Long");
    }

    const std::string current = root / "Current";
    std::string previousDirectory;
};

TEST_F(ApplyToLongPaths, APathTooLongToWriteFailsBeforeAnythingIsWritten) {
    const std::string parent = root / "Long";
    MakeFolder(parent);
    // Around the longest folder whose desktop.ini still fits (247 bytes, as D:\...\desktop.ini
    // then has 259): below it both outcomes are sound, as long as they are whole.
    for (size_t length = 225; length <= 252; ++length) {
        SCOPED_TRACE(length);
        const std::string folder = FolderPathOfLength(parent + "\\" + std::to_string(length), length);
        MakeLongFolder(folder);
        const Text result = ApplyFolderIcon(folder, root / "Icons\\star.ico");
        const std::vector<std::string> listing = FolderListing(folder);
        if (length >= 248) {
            EXPECT_EQ(result, kResultApplyFailed);
        } else if (length <= 225) {
            EXPECT_EQ(result, kResultApplied);
        }
        if (result == kResultApplied) {
            EXPECT_EQ(listing, (std::vector<std::string>{"desktop.ini", "star.ico"}));
            EXPECT_EQ(ReadFileBytes(folder + "\\desktop.ini"), IniWith("star.ico"));
            EXPECT_TRUE(IsSystem(folder));
        } else {
            EXPECT_EQ(result, kResultApplyFailed);
            EXPECT_TRUE(listing.empty());
            EXPECT_FALSE(IsSystem(folder));
        }
    }
}

TEST_F(ApplyToLongPaths, TheLimitCountsCharactersNotBytes) {
    const std::string parent = root / "Long";
    MakeFolder(parent);
    // 300 bytes, but far fewer characters: each 看 is two bytes and one character.
    std::string folder = parent;
    while (folder.size() < 300) folder += "\\看看看看看看看看看看看看看看看看看看看看";
    MakeLongFolder(folder);
    CopyProgramWithIcon(folder + "\\viewer.exe");
    EXPECT_EQ(ApplyFolderIcon(folder, folder + "\\viewer.exe"), kResultApplied);
    EXPECT_EQ(ReadFileBytes(folder + "\\desktop.ini"), IniWith("viewer.exe"));

    // A copy's name can be too long where desktop.ini is not.
    const std::string deep = FolderPathOfLength(parent + "\\x", 235);
    MakeLongFolder(deep);
    const std::string longName = std::string(40, 'n') + ".ico";
    WriteIconFile(root / ("Icons\\" + longName), kLogo);
    EXPECT_EQ(ApplyFolderIcon(deep, root / ("Icons\\" + longName)), kResultApplyFailed);
    EXPECT_TRUE(FolderListing(deep).empty());
    EXPECT_FALSE(IsSystem(deep));
}

TEST_F(Apply, AFolderWhoseNameTheInterpreterExpandsStillGetsSystem) {
    const std::string odd = root / "Tools\\%PATH% & 100%";
    MakeFolder(odd);
    CopyProgramWithIcon(odd + "\\app.exe");
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
