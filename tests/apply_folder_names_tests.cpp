// Folder names that the command interpreter would rewrite, even between quotes, into the name
// of another folder: applying an icon marks the chosen folder and leaves that other one alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/apply_icon.h"
#include "tests/scratch_folder.h"

namespace {

std::string Variable(const char* name) {
    char value[512] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length < sizeof value ? std::string(value, length) : std::string();
}

// Turns on cmd's delayed expansion (!NAME!) for the current user while the test runs, as a
// user may have it; the earlier setting comes back afterwards.
class DelayedExpansionOn {
public:
    DelayedExpansionOn() {
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Command Processor", 0, nullptr,
                            0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        DWORD size = sizeof old_;
        had_ = RegQueryValueExA(key_, kValue, nullptr, &type_, old_, &size) == ERROR_SUCCESS;
        oldSize_ = size;
        const DWORD on = 1;
        RegSetValueExA(key_, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on);
    }
    ~DelayedExpansionOn() {
        if (!key_) return;
        if (had_) {
            RegSetValueExA(key_, kValue, 0, type_, old_, oldSize_);
        } else {
            RegDeleteValueA(key_, kValue);
        }
        RegCloseKey(key_);
    }
    DelayedExpansionOn(const DelayedExpansionOn&) = delete;
    DelayedExpansionOn& operator=(const DelayedExpansionOn&) = delete;

private:
    static constexpr char kValue[] = "DelayedExpansion";
    HKEY key_ = nullptr;
    bool had_ = false;
    DWORD type_ = 0, oldSize_ = 0;
    BYTE old_[256] = {};
};

struct NameCase {
    std::string folder;   // the chosen folder's name
    std::string sibling;  // what cmd would make of it
};

TEST(ApplyFolderNames, ANameCmdWouldRewriteMarksTheChosenFolderAndNoOther) {
    SetEnvironmentVariableA("VANDREL_SIBLING", "sibling");
    const DelayedExpansionOn delayed;
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
