#include <gtest/gtest.h>

#include "engine/checks.h"
#include "tests/scratch_folder.h"

namespace {

class Checks : public testing::Test {
protected:
    void SetUp() override {
        MakeFolder(root / "Tools");
        MakeFolder(root / "Tools\\Viewer");
        MakeFolder(root / "Tools\\乗");  // trail byte 0x5C in the last component
        MakeFolder(root / "Tools\\Price€");  // € is 0x80, a character of its own
        MakeFolder(root / "Tools\\Price€\\App");
        MakeFolder(root / "Tools\\fake.exe");
        WriteFileBytes(root / "Tools\\Viewer\\viewer.exe", "MZ");
        WriteFileBytes(root / "Tools\\Viewer\\star.ico", "icon");
        WriteFileBytes(root / "Tools\\readme.txt", "text");
    }
    ScratchFolder root;
};

TEST_F(Checks, IsExistingFolderMatchesTheLastComponentExactly) {
    const std::string tools = root / "Tools";
    const std::string upperRoot = [&] {
        std::string r = root.Path();
        for (char& c : r) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        return r;
    }();
    const struct {
        std::string folder;
        bool exists;
    } cases[] = {
        {tools, true},
        {tools + "\\Viewer", true},
        {tools + "\\", false},
        {tools + "\\Viewer\\", false},
        {tools + "\\viewer", false},             // the last component keeps its case
        {upperRoot + "\\Tools\\Viewer", true},   // earlier ones follow the file system
        {tools + "\\Missing", false},
        {tools + "\\readme.txt", false},         // a file is no folder
        {tools + "\\Viewer\\.", true},
        {tools + "\\Viewer\\..", true},
        {tools + "\\乗", true},
        {tools + "\\Price€", true},
        {tools + "\\Price€\\App", true},
        {tools + "\\Price€\\", false},
        {"C:\\", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(IsExistingFolder(c.folder), c.exists);
    }
}

TEST_F(Checks, IsExistingFolderLooksUpABareNameInTheCurrentDirectory) {
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA((root / "Tools").c_str()));
    EXPECT_TRUE(IsExistingFolder("Viewer"));
    EXPECT_FALSE(IsExistingFolder("viewer"));
    EXPECT_FALSE(IsExistingFolder("readme.txt"));
    SetCurrentDirectoryA(previous);
    EXPECT_FALSE(IsExistingFolder("Viewer"));
}

TEST_F(Checks, IconFileExistsOnlyForOneExistingFile) {
    const std::string tools = root / "Tools";
    const struct {
        std::string path;
        bool exists;
    } cases[] = {
        {tools + "\\Viewer\\viewer.exe", true},
        {tools + "\\Viewer\\STAR.ICO", true},
        {tools + "\\readme.txt", true},
        {tools + "\\Viewer\\missing.ico", false},
        {tools + "\\fake.exe", false},        // a directory is no icon file
        {tools + "\\Viewer", false},
        {tools + "\\Viewer\\*.ico", false},   // nor is a pattern, even one that matches
        {tools + "\\Viewer\\sta?.ico", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(IconFileExists(c.path), c.exists);
    }
}

TEST_F(Checks, HoldsIconTellsSourcesWithAnIconFromThoseWithout) {
    const std::string viewer = root / "Tools\\Viewer";
    WriteIconFile(viewer + "\\real.ico");
    CopyProgramWithIcon(viewer + "\\app.exe");
    CopyProgramWithoutIcon(viewer + "\\plain.exe");
    WriteFileBytes(viewer + "\\empty.ico", "");
    WriteFileBytes(viewer + "\\cut.ico", IconFileBytes().substr(0, 5));  // a directory and no image
    const struct {
        std::string path;
        bool holds;
    } cases[] = {
        {viewer + "\\real.ico", true},
        {viewer + "\\app.exe", true},
        {viewer + "\\plain.exe", false},
        {viewer + "\\empty.ico", false},
        {viewer + "\\star.ico", false},  // four bytes of text
        {viewer + "\\cut.ico", false},
        {viewer + "\\viewer.exe", false},  // "MZ" and nothing more
        {viewer + "\\missing.ico", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HoldsIcon(c.path), c.holds) << c.path;
    }
}

}  // namespace
