#include <gtest/gtest.h>

#include "engine/path_rules.h"

namespace {

const Text kTrailBackslash = "\x81\x5C";  // 乗

TEST(PathRules, FileNamePartAndFolderPathNoSlash) {
    const struct {
        Text path, fileName, noSlash;
    } cases[] = {
        {"D:\\a\\b.ico", "b.ico", "D:\\a\\b.ico"},
        {"b.ico", "b.ico", "b.ico"},
        {"D:\\a\\", "", "D:\\a"},
        {"D:\\a\\\\", "", "D:\\a\\"},  // exactly one backslash goes
        {"", "", ""},
        {"D:\\" + kTrailBackslash, kTrailBackslash, "D:\\" + kTrailBackslash},
        {"D:\\x\\" + kTrailBackslash + ".ico", kTrailBackslash + ".ico", "D:\\x\\" + kTrailBackslash + ".ico"},
        // € is 0x80 in code page 936, a character of its own and no lead byte.
        {"D:\\Price€\\App", "App", "D:\\Price€\\App"},
        {"D:\\Price€\\", "", "D:\\Price€"},
        {"D:\\€" + kTrailBackslash + "\\", "", "D:\\€" + kTrailBackslash},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.path));
        EXPECT_EQ(FileNamePart(c.path), c.fileName);
        EXPECT_EQ(FolderPathNoSlash(c.path), c.noSlash);
    }
}

TEST(PathRules, IconKindComparesTheLastFourBytesWithoutCase) {
    const std::pair<Text, IconSourceKind> cases[] = {
        {"D:\\a\\App.exe", IconSourceKind::exe},
        {"D:\\a\\App.Exe", IconSourceKind::exe},
        {"D:\\a\\star.ICO", IconSourceKind::ico},
        {".ico", IconSourceKind::ico},
        {"ico", IconSourceKind::bad},
        {"D:\\a\\star.icon", IconSourceKind::bad},
        {"D:\\a\\App.exe ", IconSourceKind::bad},
        {"D:\\a\\pic.png", IconSourceKind::bad},
        {"", IconSourceKind::bad},
        {"图标.ico", IconSourceKind::ico},
    };
    for (const auto& [path, kind] : cases) {
        SCOPED_TRACE(testing::PrintToString(path));
        EXPECT_EQ(IconKind(path), kind);
    }
}

TEST(PathRules, IsInsideFolderTextNeedsTheFolderAndABackslashAtTheStart) {
    const struct {
        Text icon, folder;
        bool inside;
    } cases[] = {
        {"D:\\Tools\\Viewer\\bin\\viewer.exe", "D:\\Tools\\Viewer", true},
        {"D:\\Tools\\Viewer\\viewer.exe", "D:\\Tools\\Viewer", true},
        {"d:\\tools\\VIEWER\\viewer.exe", "D:\\Tools\\Viewer", true},
        {"D:\\Apps\\x.exe", "D:\\App", false},
        {"X:\\D:\\App\\x.exe", "D:\\App", false},
        {"D:\\App", "D:\\App", false},
        {"D:\\Other\\viewer.exe", "D:\\Tools\\Viewer", false},
        {"D:\\a.exe", "", false},
        // The trail byte of 0x81 0x61 is 'a', never folded: 0x81 0x41 is another character.
        {"D:\\\x81" "a\\x.exe", "D:\\\x81" "a", true},
        {"D:\\\x81" "a\\x.exe", "D:\\\x81" "A", false},
        {"D:\\" + kTrailBackslash + "\\x.exe", "D:\\" + kTrailBackslash, true},
        {"D:\\" + kTrailBackslash + "x.exe", "D:\\\x81", false},
        {"D:\\Price€\\App\\app.exe", "D:\\Price€\\App", true},
        {"D:\\Price€\\App\\app.exe", "D:\\Price€", true},
        {"d:\\price€a\\x.exe", "D:\\Price€A", true},  // the letter after € is folded
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.icon) + " in " + testing::PrintToString(c.folder));
        EXPECT_EQ(IsInsideFolderText(c.icon, c.folder), c.inside);
    }
}

}  // namespace
