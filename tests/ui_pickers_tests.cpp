#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/checks.h"
#include "engine/path_rules.h"
#include "tests/scratch_folder.h"
#include "ui/drop_target.h"
#include "ui/path_boxes.h"
#include "ui/pickers.h"

using namespace std::string_view_literals;

namespace {

TEST(OpenFileFilterList, BarsBecomeZeroBytesAndTheListEndsInTwo) {
    const struct {
        std::string_view stored;
        std::string_view list;
    } cases[] = {
        {"支持文件|*.exe;*.ico|EXE|*.exe|ICO|*.ico", "支持文件\0*.exe;*.ico\0EXE\0*.exe\0ICO\0*.ico\0\0"sv},
        {"A|*.a", "A\0*.a\0\0"sv},
        {"A|*.a||", "A\0*.a\0\0"sv},      // already ends in "||"
        {"A|*.a|||", "A\0*.a\0\0\0"sv},
        {"A|*.a|", "A\0*.a\0\0\0"sv},     // one bar is not "||"
        {"", "\0\0"sv},
        {"亅|*.x", "亅\0*.x\0\0"sv},      // 亅 is 0x81 0x7C: its trail byte is no bar
        {"X亅|", "X亅\0\0\0"sv},          // ends in one bar character, not in "||"
        {"名字|*.x", "名字\0*.x\0\0"sv},
        {"\x80|", "\x80\0\0\0"sv},        // 0x80 is a character of its own in code page 936
        {"A|\x81", "A\0\x81\0\0"sv},      // a cut-off lead byte does not swallow the appended bars
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.stored));
        EXPECT_EQ(OpenFileFilterList(c.stored), c.list);
    }
}

TEST(DropPayload, OnePathAsItStandsSeveralEachEndedByALineBreak) {
    const struct {
        std::vector<Text> paths;
        Text payload;
    } cases[] = {
        {{}, ""},
        {{"C:\\Tools\\Viewer"}, "C:\\Tools\\Viewer"},
        {{"C:\\a.ico", "D:\\乗"}, "C:\\a.ico\r\nD:\\乗\r\n"},
        {{"C:\\a.ico", "C:\\b.ico", "C:\\c"}, "C:\\a.ico\r\nC:\\b.ico\r\nC:\\c\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.payload);
        EXPECT_EQ(DropPayload(c.paths), c.payload);
    }
}

TEST(DesktopFolderPath, NamesTheExistingDesktopFolderWithOneTrailingBackslash) {
    const Text desktop = DesktopFolderPath();
    ASSERT_GE(desktop.size(), 2u);
    EXPECT_EQ(FindTextLast(desktop, "\\"), TextLength(desktop));
    EXPECT_NE(desktop[desktop.size() - 2], '\\');
    EXPECT_TRUE(IsExistingFolder(FolderPathNoSlash(desktop)));
    char shell[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, shell, CSIDL_DESKTOPDIRECTORY, FALSE));
    EXPECT_EQ(FolderPathNoSlash(desktop), FolderPathNoSlash(shell));
}

// A data object of the kind a drag source hands over: CF_HDROP with ANSI paths, or CF_TEXT.
class TestData final : public IDataObject {
public:
    static TestData Files(const std::vector<std::string>& paths) {
        DROPFILES header{};
        header.pFiles = sizeof header;
        header.fWide = FALSE;
        std::string block(reinterpret_cast<const char*>(&header), sizeof header);
        for (const std::string& path : paths) block += path + '\0';
        block += '\0';
        return TestData(CF_HDROP, block);
    }
    static TestData PlainText(const std::string& text) { return TestData(CF_TEXT, text + '\0'); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
            *object = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }

    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        ++queries;
        const bool offered = format && format->cfFormat == format_ && format->dwAspect == DVASPECT_CONTENT &&
                             format->lindex == -1 && (format->tymed & TYMED_HGLOBAL) && format->ptd == nullptr;
        return offered ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        ++fetches;
        if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes_.size());
        if (!memory) return E_OUTOFMEMORY;
        std::memcpy(GlobalLock(memory), bytes_.data(), bytes_.size());
        GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    int references = 1;
    int queries = 0;
    int fetches = 0;

private:
    TestData(CLIPFORMAT format, std::string bytes) : format_(format), bytes_(std::move(bytes)) {}

    CLIPFORMAT format_;
    std::string bytes_;
};

constexpr DWORD kAnyEffect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

struct DragOutcome {
    DWORD entered;
    DWORD over;
    HRESULT dropped;
    DWORD afterDrop;
};

// What OLE does on a drag that ends over the target: enter, move, drop.
DragOutcome DragAndDrop(IDropTarget* target, IDataObject& data, DWORD keys = 0, DWORD allowed = kAnyEffect) {
    const POINTL at{20, 20};
    DragOutcome outcome{};
    DWORD effect = allowed;
    target->DragEnter(&data, keys | MK_LBUTTON, at, &effect);
    outcome.entered = effect;
    effect = allowed;
    target->DragOver(keys | MK_LBUTTON, at, &effect);
    outcome.over = effect;
    effect = allowed;
    outcome.dropped = target->Drop(&data, keys, at, &effect);
    outcome.afterDrop = effect;
    return outcome;
}

// Every name below a folder with its content, to show that a drop moved or copied nothing.
std::vector<std::string> TreeSnapshot(const std::string& folder) {
    std::vector<std::string> entries;
    WIN32_FIND_DATAA entry{};
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return entries;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            entries.push_back(path + "\\");
            for (std::string& below : TreeSnapshot(path)) entries.push_back(std::move(below));
        } else {
            entries.push_back(path + " = " + ReadFileBytes(path));
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(entries.begin(), entries.end());
    return entries;
}

const char* TestWindowClass() {
    static const ATOM atom = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "VandrelDropTestWindow";
        return RegisterClassA(&windowClass);
    }();
    return MAKEINTATOM(atom);
}

constexpr char kFolderStart[] = "拖放文件夹到这里";
constexpr char kIconStart[] = "拖放EXE/ICO文件到这里";

class DropOntoBoxes : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        window = CreateWindowExA(0, TestWindowClass(), "Vandrel drop test", WS_OVERLAPPEDWINDOW, 0, 0, 300, 120, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        folderBox = MakeBox(kFolderStart, 10);
        iconBox = MakeBox(kIconStart, 40);
        ASSERT_TRUE(targets.RegisterDropTargets(folderBox, iconBox));
        folderTarget = targets.RegisteredTarget(folderBox);
        iconTarget = targets.RegisteredTarget(iconBox);
        ASSERT_NE(folderTarget, nullptr);
        ASSERT_NE(iconTarget, nullptr);
        ASSERT_NE(folderTarget, iconTarget);

        MakeFolder(root / "Tools");
        MakeFolder(root / "Tools\\Viewer");
        MakeFolder(root / "Tools\\乗");  // trail byte 0x5C
        MakeFolder(root / "Tools\\fake.exe");
        CopyProgramWithIcon(root / "Tools\\Viewer\\viewer.exe");
        WriteIconFile(root / "Tools\\Viewer\\star.ico", 1);
        WriteIconFile(root / "Tools\\Viewer\\moon.ico", 2);
        CopyProgramWithoutIcon(root / "Tools\\Viewer\\plain.exe");
        WriteFileBytes(root / "Tools\\Viewer\\blank.ico", "");
        WriteFileBytes(root / "Tools\\Viewer\\text.ico", "not an icon");
        WriteFileBytes(root / "Tools\\readme.txt", "read me");
    }

    void TearDown() override {
        targets.RevokeDropTargets();
        if (window) DestroyWindow(window);
        OleUninitialize();
    }

    HWND MakeBox(const char* text, int y) {
        return CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", text, WS_CHILD | WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL,
                               10, y, 260, 24, window, nullptr, GetModuleHandleA(nullptr), nullptr);
    }

    void ResetBoxes() {
        SetBoxText(folderBox, kFolderStart);
        SetBoxText(iconBox, kIconStart);
    }

    ScratchFolder root;
    HWND window = nullptr;
    HWND folderBox = nullptr;
    HWND iconBox = nullptr;
    DropTargets targets;
    IDropTarget* folderTarget = nullptr;
    IDropTarget* iconTarget = nullptr;
};

TEST_F(DropOntoBoxes, DroppedItemsAreCheckedIntoTheBoxAndLeftWhereTheyAre) {
    const std::string tools = root / "Tools";
    enum Box { folder, icon };
    const std::string shown = "<the dropped path>";
    const struct {
        Box box;
        std::vector<std::string> items;
        std::string text;
    } cases[] = {
        {folder, {tools + "\\Viewer"}, shown},
        {folder, {tools + "\\乗"}, shown},
        {folder, {tools}, shown},
        {folder, {tools + "\\readme.txt"}, "文件夹错误！"},
        {folder, {tools + "\\Viewer\\star.ico"}, "文件夹错误！"},
        {folder, {tools + "\\Viewer", tools + "\\乗"}, "文件夹错误！"},  // several make one text
        {folder, {"C:\\"}, "文件夹错误！"},
        {icon, {tools + "\\Viewer\\star.ico"}, shown},
        {icon, {tools + "\\Viewer\\viewer.exe"}, shown},
        {icon, {tools + "\\fake.exe"}, "图标文件不存在！"},  // a directory is no icon file
        {icon, {tools + "\\Viewer"}, "图标文件不存在！"},
        {icon, {tools + "\\readme.txt"}, "图标文件错误！"},
        {icon, {tools + "\\Viewer\\plain.exe"}, "图标文件错误！"},  // sources that hold no icon
        {icon, {tools + "\\Viewer\\blank.ico"}, "图标文件错误！"},
        {icon, {tools + "\\Viewer\\text.ico"}, "图标文件错误！"},
        {icon, {tools + "\\Viewer\\star.ico", tools + "\\Viewer\\moon.ico"}, "图标文件不存在！"},
    };
    const std::vector<std::string> before = TreeSnapshot(root.Path());
    ASSERT_FALSE(before.empty());

    for (const auto& c : cases) {
        SCOPED_TRACE(c.items.front() + (c.items.size() > 1 ? " and more" : "") + (c.box == folder ? " on folder box" : " on icon box"));
        ResetBoxes();
        TestData data = TestData::Files(c.items);
        const DragOutcome outcome = DragAndDrop(c.box == folder ? folderTarget : iconTarget, data);

        EXPECT_EQ(outcome.entered, static_cast<DWORD>(DROPEFFECT_COPY));
        EXPECT_EQ(outcome.over, static_cast<DWORD>(DROPEFFECT_COPY));
        EXPECT_EQ(outcome.dropped, E_FAIL);
        EXPECT_EQ(outcome.afterDrop, static_cast<DWORD>(DROPEFFECT_NONE));
        EXPECT_EQ(data.fetches, 1);
        EXPECT_EQ(data.references, 1) << "the target kept the data object";

        const std::string expected = c.text == shown ? c.items.front() : c.text;
        EXPECT_EQ(BoxText(c.box == folder ? folderBox : iconBox), expected);
        EXPECT_EQ(BoxText(c.box == folder ? iconBox : folderBox), c.box == folder ? kIconStart : kFolderStart);
    }
    EXPECT_EQ(TreeSnapshot(root.Path()), before);
}

TEST_F(DropOntoBoxes, TextIsRefusedAndItsDropChangesNothing) {
    for (IDropTarget* target : {folderTarget, iconTarget}) {
        ResetBoxes();
        TestData text = TestData::PlainText(root / "Tools\\Viewer");
        const DragOutcome outcome = DragAndDrop(target, text);
        EXPECT_EQ(outcome.entered, static_cast<DWORD>(DROPEFFECT_NONE));
        EXPECT_EQ(outcome.over, static_cast<DWORD>(DROPEFFECT_NONE));
        EXPECT_EQ(outcome.dropped, E_FAIL);
        EXPECT_EQ(outcome.afterDrop, static_cast<DWORD>(DROPEFFECT_NONE));
        EXPECT_EQ(text.fetches, 0);
        EXPECT_EQ(BoxText(folderBox), kFolderStart);
        EXPECT_EQ(BoxText(iconBox), kIconStart);
    }
}

TEST_F(DropOntoBoxes, CtrlAndShiftChooseAmongTheEffectsTheSourceAllows) {
    constexpr DWORD none = DROPEFFECT_NONE, copy = DROPEFFECT_COPY, move = DROPEFFECT_MOVE, link = DROPEFFECT_LINK;
    const struct {
        DWORD keys;
        DWORD allowed;
        DWORD shown;
    } cases[] = {
        {0, copy | move | link, copy},
        {0, move | link, move},
        {0, link, link},
        {0, move, move},
        {0, none, none},
        {MK_CONTROL, copy | move | link, copy},
        {MK_CONTROL, move | link, none},
        {MK_SHIFT, copy | move | link, move},
        {MK_SHIFT, copy | link, none},
        {MK_SHIFT, move, move},
        {MK_CONTROL | MK_SHIFT, copy | move | link, none},
        {MK_CONTROL | MK_SHIFT, copy, none},
        {MK_ALT, move | link, move},  // Alt is not one of the modifiers that choose
    };
    TestData files = TestData::Files({root / "Tools\\Viewer"});
    const POINTL at{5, 5};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "keys " << c.keys << " allowed " << c.allowed);
        DWORD effect = c.allowed;
        ASSERT_EQ(folderTarget->DragEnter(&files, c.keys | MK_LBUTTON, at, &effect), S_OK);
        EXPECT_EQ(effect, c.shown);
        effect = c.allowed;
        ASSERT_EQ(folderTarget->DragOver(c.keys | MK_LBUTTON, at, &effect), S_OK);
        EXPECT_EQ(effect, c.shown);
        folderTarget->DragLeave();
    }
    // The data is asked once per entry; moving over the box reuses that answer.
    EXPECT_EQ(files.queries, static_cast<int>(std::size(cases)));
    EXPECT_EQ(files.fetches, 0);

    DWORD effect = kAnyEffect;
    folderTarget->DragOver(MK_LBUTTON, at, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE)) << "the answer outlived DragLeave";
}

TEST_F(DropOntoBoxes, ADropIsOfferedOnlyWhenItsEffectIsNotNone) {
    const std::string viewer = root / "Tools\\Viewer";
    const struct {
        DWORD keys;
        DWORD allowed;
        bool offered;
    } cases[] = {
        {0, DROPEFFECT_LINK, true},
        {MK_SHIFT, DROPEFFECT_MOVE, true},
        {MK_CONTROL, DROPEFFECT_MOVE, false},
        {MK_CONTROL | MK_SHIFT, kAnyEffect, false},
        {0, DROPEFFECT_NONE, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "keys " << c.keys << " allowed " << c.allowed);
        ResetBoxes();
        TestData files = TestData::Files({viewer});
        const DragOutcome outcome = DragAndDrop(folderTarget, files, c.keys, c.allowed);
        EXPECT_EQ(outcome.dropped, E_FAIL);
        EXPECT_EQ(outcome.afterDrop, static_cast<DWORD>(DROPEFFECT_NONE));
        EXPECT_EQ(BoxText(folderBox), c.offered ? viewer : kFolderStart);
        EXPECT_EQ(files.fetches, c.offered ? 1 : 0);
    }
    EXPECT_TRUE(IsExistingFolder(viewer));
}

TEST_F(DropOntoBoxes, ATargetAnswersOnlyForIUnknownAndIDropTarget) {
    for (IDropTarget* target : {folderTarget, iconTarget}) {
        void* answer = nullptr;
        ASSERT_EQ(target->QueryInterface(IID_IDropTarget, &answer), S_OK);
        EXPECT_EQ(answer, static_cast<void*>(target));
        static_cast<IUnknown*>(answer)->Release();
        ASSERT_EQ(target->QueryInterface(IID_IUnknown, &answer), S_OK);
        EXPECT_EQ(answer, static_cast<void*>(target));
        static_cast<IUnknown*>(answer)->Release();
        answer = target;
        EXPECT_EQ(target->QueryInterface(IID_IDataObject, &answer), E_NOINTERFACE);
        EXPECT_EQ(answer, nullptr);
    }
}

TEST_F(DropOntoBoxes, ASecondRegistrationIsRefusedAndChangesNothing) {
    const HWND otherFolderBox = MakeBox("", 70);
    const HWND otherIconBox = MakeBox("", 100);
    EXPECT_FALSE(targets.RegisterDropTargets(folderBox, iconBox));
    EXPECT_FALSE(targets.RegisterDropTargets(otherFolderBox, otherIconBox));
    EXPECT_EQ(targets.RegisteredTarget(folderBox), folderTarget);
    EXPECT_EQ(targets.RegisteredTarget(iconBox), iconTarget);
    EXPECT_EQ(targets.RegisteredTarget(otherFolderBox), nullptr);
    EXPECT_EQ(targets.RegisteredTarget(otherIconBox), nullptr);

    // OLE still holds the boxes for the first targets, and the other boxes are free.
    DropTargets intruder;
    EXPECT_FALSE(intruder.RegisterDropTargets(folderBox, iconBox));
    EXPECT_EQ(intruder.RegisteredTarget(folderBox), nullptr);
    DropTargets elsewhere;
    EXPECT_TRUE(elsewhere.RegisterDropTargets(otherFolderBox, otherIconBox));
    elsewhere.RevokeDropTargets();

    ResetBoxes();
    TestData files = TestData::Files({root / "Tools\\Viewer\\star.ico"});
    DragAndDrop(iconTarget, files);
    EXPECT_EQ(BoxText(iconBox), root / "Tools\\Viewer\\star.ico");
}

TEST_F(DropOntoBoxes, RevokingFreesBothBoxes) {
    targets.RevokeDropTargets();
    EXPECT_EQ(targets.RegisteredTarget(folderBox), nullptr);
    EXPECT_EQ(targets.RegisteredTarget(iconBox), nullptr);
    DropTargets next;
    EXPECT_TRUE(next.RegisterDropTargets(folderBox, iconBox));
    next.RevokeDropTargets();
    EXPECT_TRUE(targets.RegisterDropTargets(folderBox, iconBox));
}

}  // namespace
