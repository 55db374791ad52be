// Folder names that the command interpreter would rewrite, even between quotes, into the name
// of another folder: applying an icon marks the chosen folder and leaves that other one alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/apply_icon.h"
#include "tests/scoped_registry_value.h"
#include "tests/scratch_folder.h"

namespace {

std::string Variable(const char* name) {
    char value[512] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length < sizeof value ? std::string(value, length) : std::string();
}

struct NameCase {
    std::string folder;   // the chosen folder's name
    std::string sibling;  // what cmd would make of it
};

TEST(ApplyFolderNames, ANameCmdWouldRewriteMarksTheChosenFolderAndNoOther) {
    SetEnvironmentVariableA("VANDREL_SIBLING", "sibling");
    // Delayed expansion (!NAME!) on, as a user may have it.
    const ScopedUserDword delayed("Software\\Microsoft\\Command Processor", "DelayedExpansion", 1);
    std::vector<NameCase> cases = {
        {"%VANDREL_SIBLING%", "sibling"},
        {"!VANDREL_SIBLING!", "sibling"},
        {"x%VANDREL_SIBLING%x", "xsiblingx"},
    };
    const std::string user = Variable("USERNAME");
    if (!user.empty()) cases.push_back({"%USERNAME%", user});

    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        ScratchFolder root;
        const std::string chosen = root / c.folder, sibling = root / c.sibling;
        MakeFolder(chosen);
        MakeFolder(sibling);
        CopyProgramWithIcon(chosen + "\\app.exe");

        EXPECT_EQ(ApplyFolderIcon(chosen, chosen + "\\app.exe"), kResultApplied);
        EXPECT_TRUE(Attributes(chosen) & FILE_ATTRIBUTE_SYSTEM);
        EXPECT_TRUE(PathExists(chosen + "\\desktop.ini"));
        EXPECT_FALSE(Attributes(sibling) & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN |
                                           FILE_ATTRIBUTE_READONLY));
        EXPECT_FALSE(PathExists(sibling + "\\desktop.ini"));
    }
    SetEnvironmentVariableA("VANDREL_SIBLING", nullptr);
}

}  // namespace
