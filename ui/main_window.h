// The main window "Vandrel": two path boxes, the buttons that act on them, and the
// stay-on-top state lifted around every result box.
#pragma once

#include <windows.h>

#include "engine/text.h"
#include "ui/control_ids.h"
#include "ui/drop_target.h"
#include "ui/main_layout.h"
#include "ui/pickers.h"

inline constexpr char kResultCaption[] = "信息：";
// Shown when the shell was ended and neither Windows nor this program could bring it back,
// so that the user is not left without a taskbar in silence.
inline constexpr char kResultShellNotBack[] = "无法重新启动资源管理器！请按 Ctrl+Shift+Esc 打开任务管理器，运行 explorer.exe。";

class MainWindow {
public:
    MainWindow() = default;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow();

    // Creates the window hidden and topmost with all its controls, then registers the drop
    // targets. False when the window could not be made.
    bool Create(HINSTANCE instance);
    void Show(int showCommand);
    HWND Hwnd() const { return hwnd_; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK GroupBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    HWND Control(ControlId id) const;
    // Keeps the control that has the focus when the window is left, to give it back on return.
    void RememberFocus();
    void OnCommand(int id);
    void OnApply();
    void OnRestore();
    void OnRestartShell();
    void OnToggleStayOnTop();
    void ApplyStayOnTop();
    void ShowResult(TextView text);

    HWND hwnd_ = nullptr;
    HWND groupBox1_ = nullptr;
    HWND groupBox2_ = nullptr;
    HWND focusBeforeLeaving_ = nullptr;
    int stayOnTop_ = 1;
    // An operation is waiting for its console command; a second press starts nothing.
    bool operationRunning_ = false;
    IconFileDialog 通用对话框1_;
    DropTargets dropTargets_;
};

// Starts the program: OLE, current directory, main window, message loop. Returns the
// process exit code.
int RunVandrel(HINSTANCE instance, int showCommand);
