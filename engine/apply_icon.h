// Giving a folder a custom icon through its desktop.ini.
#pragma once

#include "engine/text.h"

inline constexpr char kResultFolderMissing[] = "文件夹不存在！";
inline constexpr char kResultIconMissing[] = "图标文件不存在！";
inline constexpr char kResultIconWrongKind[] = "图标文件错误！";
inline constexpr char kResultExeOutsideFolder[] = "EXE文件必须位于文件夹内！";
inline constexpr char kResultApplied[] = "已设置！";
inline constexpr char kResultApplyFailed[] = "设置失败！";

// Checks the folder text and the icon text in a fixed order and, when they pass, writes
// [.ShellClassInfo] IconFile and IconIndex=0 into the folder's desktop.ini (and IconResource,
// where the file already has one), copies an .ico into the folder, marks the folder System
// and hides what it placed there. Returns the text to show.
// The copy never replaces a file of the user's: only the Hidden copy that IconFile already
// names, else it takes the first free name of logo.ico, logo (2).ico, … desktop.ini is
// replaced whole, never rewritten in place. A path too long for the ANSI functions, or the
// first write that fails, ends it with kResultApplyFailed; a failed step puts back the
// attributes it changed.
Text ApplyFolderIcon(TextView folder, TextView icon);
