#include <gtest/gtest.h>

#include "engine/text.h"

namespace {

// 乗 is 0x81 0x5C in cp936: its trail byte is the backslash.
const Text kTrailBackslash = "\x81\x5C";

struct CutCase {
    const char* text;
    int a, b;
    const char* left;   // TextLeft(text, a)
    const char* right;  // TextRight(text, a)
    const char* mid;    // TextMid(text, a, b)
};

TEST(TextPrimitives, LeftRightMidClampAndEmpty) {
    const CutCase cases[] = {
        {"abcdef", 2, 3, "ab", "ef", "bcd"},
        {"abcdef", 0, 3, "", "", ""},
        {"abcdef", -1, 3, "", "", ""},
        {"abcdef", 6, 1, "abcdef", "abcdef", "f"},
        {"abcdef", 7, 1, "abcdef", "abcdef", ""},
        {"abcdef", 5, 99, "abcde", "bcdef", "ef"},
        {"abcdef", 1, 0, "a", "f", ""},
        {"abcdef", 1, -2, "a", "f", ""},
        {"", 1, 1, "", "", ""},
        {"", 0, 0, "", "", ""},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " a=" + std::to_string(c.a) + " b=" + std::to_string(c.b));
        EXPECT_EQ(TextLeft(c.text, c.a), c.left);
        EXPECT_EQ(TextRight(c.text, c.a), c.right);
        EXPECT_EQ(TextMid(c.text, c.a, c.b), c.mid);
    }
}

struct FindCase {
    Text text, sought;
    int first, last;
};

TEST(TextPrimitives, FindTextAndFindTextLastStepOverTrailBytes) {
    const FindCase cases[] = {
        {"abcabc", "bc", 2, 5},
        {"abcabc", "x", -1, -1},
        {"abc", "abcd", -1, -1},
        {"abc", "", 1, 1},
        {"", "", -1, -1},
        {"", "a", -1, -1},
        {"ABC", "b", -1, -1},  // case-sensitive
        // A trail byte 0x5C is not a backslash of its own.
        {"D:" + kTrailBackslash, "\\", -1, -1},
        {"D:\\a" + kTrailBackslash + "b", "\\", 3, 3},
        {"D:\\" + kTrailBackslash + "\\x", "\\", 3, 6},
        // Matches may not start on a trail byte either: 0x5C 0x41 inside "\x81\x5C" "A".
        {kTrailBackslash + "A", "\\A", -1, -1},
        {"\\A" + kTrailBackslash + "A\\A", "\\A", 1, 6},
        // 0x80 (€) and 0xFF are characters of their own: the byte after them is one too.
        {"D:\\Price€\\App", "\\", 3, 10},
        {"\x80\\", "\\", 2, 2},
        {"\xFF\\", "\\", 2, 2},
        {"€" + kTrailBackslash + "\\", "\\", 4, 4},
        {"€" + kTrailBackslash, "\\", -1, -1},
        // A lead byte at the very end has no trail byte; the scan must not run past it.
        {"ab\x81", "\x81", 3, 3},
        {"ab\x81", "b\x81", 2, 2},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text) + " / " + testing::PrintToString(c.sought));
        EXPECT_EQ(FindText(c.text, c.sought), c.first);
        EXPECT_EQ(FindTextLast(c.text, c.sought), c.last);
    }
}

TEST(TextPrimitives, ToUpperAsciiLeavesDoubleByteCharactersAlone) {
    const std::pair<Text, Text> cases[] = {
        {"", ""},
        {"abc.Exe", "ABC.EXE"},
        {"z{a`", "Z{A`"},
        // 0x81 0x61: a lead byte with the trail byte 'a', which must stay lower case.
        {"a\x81" "ab", "A\x81" "aB"},
        {"设置.ico", "设置.ICO"},
        {"x\x81", "X\x81"},
        // After € (0x80) or 0xFF, a single-byte character, the next letter is folded.
        {"€a", "€A"},
        {"\xFF" "a", "\xFF" "A"},
    };
    for (const auto& [text, upper] : cases) {
        SCOPED_TRACE(testing::PrintToString(text));
        EXPECT_EQ(ToUpperAscii(text), upper);
    }
}

}  // namespace
