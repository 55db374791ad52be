// What identifies the main window and its controls, for the window itself and for anything
// that drives it from outside.
#pragma once

// Control ids, so that a driver or a test can find each control in its parent.
enum ControlId : int {
    kId分组框1 = 100,
    kId文件夹,
    kId编辑框1,
    kIdEXE,
    kId编辑框2,
    kId分组框2,
    kId选择框1,
    kId设置,
    kId还原,
    kId关于,
    kId按钮1,
};

inline constexpr char kMainWindowTitle[] = "Vandrel";
inline constexpr char kMainWindowClass[] = "Vandrel.MainWindow";
