#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "ui/main_window.h"

#include "engine/apply_icon.h"
#include "engine/restore_folder.h"
#include "process/message_pump.h"
#include "process/shell_restart.h"
#include "ui/app_look.h"
#include "ui/help_window.h"
#include "ui/keyboard_filter.h"
#include "ui/main_layout.h"
#include "ui/path_boxes.h"

namespace {

bool IsPathBox(HWND control) {
    const int id = GetDlgCtrlID(control);
    return id == kId编辑框1 || id == kId编辑框2;
}

Text ProgramFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const Text program(path, length);
    return TextLeft(program, FindTextLast(program, "\\") - 1);
}

}  // namespace

MainWindow::~MainWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool MainWindow::Create(HINSTANCE instance) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadApplicationIcon(GetSystemMetrics(SM_CXICON));
    windowClass.hIconSm = LoadApplicationIcon(GetSystemMetrics(SM_CXSMICON));
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kMainWindowClass;
    if (!RegisterClassExA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    const RECT place = PlaceOnScreen(Scaled(kMainOuterWidth), Scaled(kMainOuterHeight));
    if (!CreateWindowExA(0, kMainWindowClass, kMainWindowTitle, kMainWindowStyle, place.left, place.top,
                         place.right - place.left, place.bottom - place.top, nullptr, nullptr, instance,
                         this)) {
        return false;
    }
    // Set on the window as well as its class, so that the shell and other programs can ask.
    SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(windowClass.hIcon));
    SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(windowClass.hIconSm));
    ApplyStayOnTop();
    CreateControls();
    SendMessageA(Control(kId选择框1), BM_SETCHECK, BST_CHECKED, 0);
    // Focus rectangles and underlines show as the system's last input suggests, until the
    // keyboard is used.
    SendMessageA(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
    SetEscapeCloses(hwnd_);
    SetTabOrder(hwnd_, {Control(kId文件夹), Control(kId编辑框1), Control(kIdEXE), Control(kId编辑框2),
                        Control(kId选择框1), Control(kId设置), Control(kId还原), Control(kId关于),
                        Control(kId按钮1)});
    dropTargets_.RegisterDropTargets(Control(kId编辑框1), Control(kId编辑框2));
    return true;
}

void MainWindow::Show(int showCommand) {
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
}

void MainWindow::CreateControls() {
    // The stock font is made at the system DPI, which is the DPI the window is laid out at.
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageA(hwnd_, WM_SETFONT, font, FALSE);
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwnd_, GWLP_HINSTANCE));
    for (const ControlRow& row : kControls) {
        const HWND parent = row.parent == Parent::group1   ? groupBox1_
                            : row.parent == Parent::group2 ? groupBox2_
                                                            : hwnd_;
        HWND control = CreateWindowExA(row.exStyle, row.className, row.caption, row.style,
                                       Scaled(row.x), Scaled(row.y), ScaledSpan(row.x, row.width),
                                       ScaledSpan(row.y, row.height), parent,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)),
                                       instance, nullptr);
        SendMessageA(control, WM_SETFONT, font, FALSE);
        if (row.id == kId分组框1 || row.id == kId分组框2) {
            // The buttons and boxes live in the group boxes, which hand their notifications
            // on to this window.
            SetWindowLongPtrA(control, GWLP_USERDATA, SetWindowLongPtrA(control, GWLP_WNDPROC,
                              reinterpret_cast<LONG_PTR>(GroupBoxProc)));
            (row.id == kId分组框1 ? groupBox1_ : groupBox2_) = control;
        }
        if (row.className == TextView("EDIT")) {
            SendMessageA(control, EM_SETLIMITTEXT, 0, 0);
            SendMessageA(control, EM_SETSEL, 0, 0);
        }
    }
}

HWND MainWindow::Control(ControlId id) const {
    if (id == kId分组框1) return groupBox1_;
    if (id == kId分组框2) return groupBox2_;
    HWND inFirst = GetDlgItem(groupBox1_, id);
    return inFirst ? inFirst : GetDlgItem(groupBox2_, id);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        // From here on an operation that is still running knows the window is gone.
        self->hwnd_ = nullptr;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT CALLBACK MainWindow::GroupBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return SendMessageA(GetParent(hwnd), message, wParam, lParam);
    case WM_ERASEBKGND:
        // A group box paints only its frame and caption; under a WS_CLIPCHILDREN parent
        // nobody else paints its inside.
        return EraseToWindowBackground(hwnd, reinterpret_cast<HDC>(wParam));
    default:
        return CallWindowProcA(original, hwnd, message, wParam, lParam);
    }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) OnCommand(LOWORD(wParam));
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        if (IsPathBox(reinterpret_cast<HWND>(lParam))) {
            return PaintBlackOnWhite(reinterpret_cast<HDC>(wParam));
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) RememberFocus();
        break;  // activation sets the focus on the window, which hands it on below
    case WM_SETFOCUS:
        SetFocus(focusBeforeLeaving_ && IsChild(hwnd_, focusBeforeLeaving_) ? focusBeforeLeaving_
                                                                               : Control(kId文件夹));
        return 0;
    case WM_DESTROY:
        dropTargets_.RevokeDropTargets();
        ForgetWindowKeys(hwnd_);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void MainWindow::RememberFocus() {
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) focusBeforeLeaving_ = focus;
}

void MainWindow::OnCommand(int id) {
    switch (id) {
    case kId设置: OnApply(); break;
    case kId还原: OnRestore(); break;
    case kId按钮1: OnRestartShell(); break;
    case kId选择框1: OnToggleStayOnTop(); break;
    case kId文件夹: BrowseFolder(Control(kId编辑框1)); break;
    case kIdEXE: 通用对话框1_.PickIconFile(Control(kId编辑框2)); break;
    case kId关于: OpenHelpWindow(hwnd_); break;
    }
}

// While an operation waits for its console command, window messages are dispatched: the
// window may be closed meanwhile (then hwnd_ is null afterwards and nothing is shown), and
// a second press must not start another operation on top of the running one.
void MainWindow::OnApply() {
    if (operationRunning_) return;
    operationRunning_ = true;
    const Text result = ApplyFolderIcon(BoxText(Control(kId编辑框1)), BoxText(Control(kId编辑框2)));
    operationRunning_ = false;
    if (hwnd_) ShowResult(result);
}

void MainWindow::OnRestore() {
    if (operationRunning_) return;
    operationRunning_ = true;
    const RestoreResult result = RestoreFolder(BoxText(Control(kId编辑框1)));
    operationRunning_ = false;
    if (!hwnd_) return;
    if (result.resetBoxes) {
        SetBoxText(Control(kId编辑框1), kPromptFolder);
        SetBoxText(Control(kId编辑框2), kPromptExeAfterRestore);
    }
    ShowResult(result.text);
}

void MainWindow::OnRestartShell() {
    if (operationRunning_) return;
    operationRunning_ = true;
    const RestartOutcome outcome = RestartShell();
    operationRunning_ = false;
    if (outcome == RestartOutcome::notStarted && hwnd_) ShowResult(kResultShellNotBack);
}

void MainWindow::OnToggleStayOnTop() {
    stayOnTop_ = stayOnTop_ == 0 ? 1 : 0;
    ApplyStayOnTop();
}

void MainWindow::ApplyStayOnTop() {
    SetWindowPos(hwnd_, stayOnTop_ == 1 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

void MainWindow::ShowResult(TextView text) {
    const Text message(text);
    const bool lift = stayOnTop_ == 1;
    if (lift) {
        stayOnTop_ = 0;
        ApplyStayOnTop();
    }
    MessageBoxA(nullptr, message.c_str(), kResultCaption, MB_OK | MB_TASKMODAL);
    if (lift && hwnd_) {
        stayOnTop_ = 1;
        ApplyStayOnTop();
    }
}

int RunVandrel(HINSTANCE instance, int showCommand) {
    OleInitialize(nullptr);
    SetCurrentDirectoryA(ProgramFolder().c_str());
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    InstallMessageFilter(KeyboardFilter);

    int exitCode = 0;
    {
        MainWindow window;
        if (!window.Create(instance)) return 1;
        window.Show(showCommand);
        MSG msg;
        for (;;) {
            const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0) {
                exitCode = static_cast<int>(msg.wParam);
                break;
            }
            if (got == -1) break;
            if (FilterMessage(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    OleUninitialize();
    return exitCode;
}
