// Apply and restore ended at many moments, as a kill, a crash or a power cut would end them:
// every time, desktop.ini is the old file or the new one, whole, and whatever the ended
// process left half-made is gone after the next operation on the folder.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/apply_icon.h"
#include "engine/restore_folder.h"
#include "process/owned_handle.h"
#include "tests/gui_driver.h"
#include "tests/scratch_folder.h"

namespace {

constexpr int kMoments = 32;
// The moments run a little past the length of a full run, which varies from run to run.
constexpr double kSpan = 1.25;

// Hundreds of kilobytes, most of it sections of other programs.
std::string LargeDesktopIni() {
    std::string ini = "[.ShellClassInfo]\r\nInfoTip=看图工具\r\nIconFile=old.ico\r\nIconIndex=5\r\n";
    char line[160];
    for (int i = 0; i < 2500; ++i) {
        std::snprintf(line, sizeof line, "[Tool%d]\r\nPath=D:\\Tools\\Viewer\\plugins\\plugin-%d.dll\r\n"
                      "Note=设置 %d, kept as it was written by the other program\r\n", i, i, i);
        ini += line;
    }
    return ini;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// folder_icon_tool.exe running one operation.
class ToolRun {
public:
    explicit ToolRun(const std::string& arguments) {
        std::string line = "\"" + BuiltProgramPath("folder_icon_tool.exe") + "\" " + arguments;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &started)) {
            CloseHandle(started.hThread);
            process_.Reset(started.hProcess);
        }
    }
    bool Started() const { return static_cast<bool>(process_); }
    // The exit code once it has ended by itself; STILL_ACTIVE after the time-out.
    DWORD Wait(DWORD timeoutMs = 30000) {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(process_.Get(), timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(process_.Get(), &code);
        return code;
    }
    // Ends it where it stands and waits until it is gone.
    void Kill() {
        TerminateProcess(process_.Get(), 99);
        WaitForSingleObject(process_.Get(), 30000);
    }

private:
    UniqueHandle process_;
};

class InterruptedOperation : public testing::Test {
protected:
    void SetUp() override {
        MakeFolder(root / "Icons");
        WriteIconFile(root / "Icons\\new.ico", 7);
    }

    // The folder as the operation finds it: its desktop.ini, and for a restore the copy that
    // the apply left.
    void PrepareFolder(const std::string& ini, bool withCopy) {
        RemoveTree(folder);
        MakeFolder(folder);
        WriteFileBytes(folder + "\\desktop.ini", ini);
        if (withCopy) {
            WriteIconFile(folder + "\\new.ico", 7);
            SetFileAttributesA((folder + "\\new.ico").c_str(), FILE_ATTRIBUTE_HIDDEN);
        }
    }

    // Runs the operation to its end in a process of its own; how long that took.
    double TimeFullRun(const std::string& arguments) {
        LARGE_INTEGER from, to;
        QueryPerformanceCounter(&from);
        ToolRun run(arguments);
        EXPECT_TRUE(run.Started());
        EXPECT_EQ(run.Wait(), 0u);
        QueryPerformanceCounter(&to);
        return Milliseconds(from, to);
    }

    struct Outcomes {
        int old = 0, fresh = 0;
    };

    // Ends the operation at kMoments moments spread over the time a full run takes, and
    // after each: desktop.ini is one of the two files, and the next operation (finish) ends
    // with the folder holding exactly what a run that was never ended leaves.
    Outcomes EndAtManyMoments(const std::string& arguments, const std::string& before, bool withCopy,
                              const std::string& after, const std::vector<std::string>& finalListing,
                              const std::function<void(const std::string&)>& finish) {
        PrepareFolder(before, withCopy);
        const double full = TimeFullRun(arguments);

        Outcomes outcomes;
        for (int moment = 0; moment < kMoments; ++moment) {
            const DWORD delay = static_cast<DWORD>(kSpan * full * moment / (kMoments - 1));
            SCOPED_TRACE("ended after " + std::to_string(delay) + " ms");
            PrepareFolder(before, withCopy);
            ToolRun run(arguments);
            EXPECT_TRUE(run.Started());
            Sleep(delay);
            run.Kill();

            const std::string left = ReadFileBytes(folder + "\\desktop.ini");
            if (left == before) {
                ++outcomes.old;
            } else {
                EXPECT_EQ(left, after) << "desktop.ini is neither the old file nor the new one";
                ++outcomes.fresh;
            }
            finish(folder);
            EXPECT_EQ(ReadFileBytes(folder + "\\desktop.ini"), after);
            EXPECT_EQ(FolderListing(folder), finalListing);
        }
        return outcomes;
    }

    ScratchFolder root;
    const std::string folder = root / "Viewer";
};

TEST_F(InterruptedOperation, AnApplyEndedAtAnyMomentLeavesTheOldDesktopIniOrTheNewOne) {
    const std::string before = LargeDesktopIni();
    const std::string icon = root / "Icons\\new.ico";
    const std::string arguments = "apply \"" + folder + "\" \"" + icon + "\"";
    PrepareFolder(before, false);
    TimeFullRun(arguments);
    const std::string after = ReadFileBytes(folder + "\\desktop.ini");
    // Both keys changed, and everything else is as it was.
    std::string expected = before;
    expected.replace(expected.find("IconFile=old.ico\r\nIconIndex=5"), 29, "IconFile=new.ico\r\nIconIndex=0");
    ASSERT_EQ(after, expected);

    const Outcomes outcomes = EndAtManyMoments(
        arguments, before, false, after, {"desktop.ini", "new.ico"},
        [&](const std::string& f) {
            EXPECT_EQ(ApplyFolderIcon(f, icon), kResultApplied);
            EXPECT_EQ(ReadFileBytes(f + "\\new.ico"), IconFileBytes(7));
            EXPECT_EQ(Attributes(f + "\\new.ico") & ~FILE_ATTRIBUTE_ARCHIVE, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
        });
    std::printf("apply ended %d times before desktop.ini was replaced, %d times after\n", outcomes.old,
                outcomes.fresh);
}

TEST_F(InterruptedOperation, ARestoreEndedAtAnyMomentLeavesTheOldDesktopIniOrTheNewOne) {
    std::string before = LargeDesktopIni();
    before.replace(before.find("IconFile=old.ico\r\nIconIndex=5"), 29, "IconFile=new.ico\r\nIconIndex=0");
    const std::string arguments = "restore \"" + folder + "\"";
    PrepareFolder(before, true);
    TimeFullRun(arguments);
    const std::string after = ReadFileBytes(folder + "\\desktop.ini");
    std::string expected = before;
    expected.erase(expected.find("IconFile=new.ico\r\nIconIndex=0\r\n"), 31);
    ASSERT_EQ(after, expected);

    const Outcomes outcomes = EndAtManyMoments(
        arguments, before, true, after, {"desktop.ini", "new.ico"},
        [](const std::string& f) { EXPECT_EQ(RestoreFolder(f).text, kResultRestored); });
    std::printf("restore ended %d times before desktop.ini was replaced, %d times after\n", outcomes.old,
                outcomes.fresh);
}

}  // namespace
