// The main window's controls as they are laid out at 96 DPI: one row per control, in
// creation order, which is each parent's stacking order from the top. Places are relative
// to the parent's client area. The start-up benchmark builds a program from the same rows.
#pragma once

#include <windows.h>

#include "engine/restore_folder.h"
#include "ui/control_ids.h"

inline constexpr char kIconBoxStartText[] = "拖放EXE/ICO文件到这里";

inline constexpr int kMainOuterWidth = 285;
inline constexpr int kMainOuterHeight = 197;
inline constexpr DWORD kMainWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

inline constexpr DWORD kPushButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER |
                                     BS_VCENTER | BS_MULTILINE;
inline constexpr DWORD kToggle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX | BS_PUSHLIKE |
                                 BS_CENTER | BS_VCENTER | BS_MULTILINE;
inline constexpr DWORD kPathBox = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_READONLY | ES_AUTOHSCROLL;
// The group boxes hold the other controls; painting their own background must not paint
// over them.
inline constexpr DWORD kGroupBox = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | BS_GROUPBOX;

enum class Parent { window, group1, group2 };

struct ControlRow {
    ControlId id;
    const char* className;
    DWORD style;
    DWORD exStyle;
    Parent parent;
    int x, y, width, height;
    const char* caption;
};

inline constexpr ControlRow kControls[] = {
    {kId分组框2, "BUTTON", kGroupBox, 0, Parent::window, 8, 81, 265, 79, ""},
    {kId分组框1, "BUTTON", kGroupBox, 0, Parent::window, 7, 1, 265, 79, ""},
    {kIdEXE, "BUTTON", kPushButton, 0, Parent::group1, 8, 47, 56, 24, "图标"},
    {kId文件夹, "BUTTON", kPushButton, 0, Parent::group1, 8, 15, 56, 24, "文件夹"},
    {kId编辑框2, "EDIT", kPathBox, WS_EX_CLIENTEDGE, Parent::group1, 72, 47, 185, 24, kIconBoxStartText},
    {kId编辑框1, "EDIT", kPathBox, WS_EX_CLIENTEDGE, Parent::group1, 72, 15, 185, 24, kPromptFolder},
    {kId按钮1, "BUTTON", kPushButton, 0, Parent::group2, 8, 47, 248, 24, "Win7系统需点此重新加载［explorer.exe］"},
    {kId选择框1, "BUTTON", kToggle, 0, Parent::group2, 8, 14, 56, 24, "置顶"},
    {kId关于, "BUTTON", kPushButton, 0, Parent::group2, 200, 14, 56, 24, "说明"},
    {kId还原, "BUTTON", kPushButton, 0, Parent::group2, 136, 14, 56, 24, "还原"},
    {kId设置, "BUTTON", kPushButton, 0, Parent::group2, 72, 14, 56, 24, "设置"},
};
