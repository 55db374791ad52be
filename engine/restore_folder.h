// Taking a custom icon off a folder again.
#pragma once

#include "engine/apply_icon.h"
#include "engine/text.h"

inline constexpr char kResultRestored[] = "已还原！";
inline constexpr char kResultRestoreFailed[] = "还原失败！";

// What the two path boxes show again after a restore. After a restore the icon box asks for
// EXE files only, unlike at start-up.
inline constexpr char kPromptFolder[] = "拖放文件夹到这里";
inline constexpr char kPromptExeAfterRestore[] = "拖放EXE文件到这里";

struct RestoreResult {
    Text text;
    bool resetBoxes;  // put kPromptFolder and kPromptExeAfterRestore back into the boxes
};

// Removes [.ShellClassInfo] IconFile and IconIndex from the folder's desktop.ini (and
// IconResource when it names the same file as IconFile) and deletes the file when nothing
// else is left in it; every other section and key stays as it was. desktop.ini is replaced
// whole, never rewritten in place. The folder keeps its System attribute and a copied .ico
// stays. kResultRestoreFailed when the profile functions still read an icon key afterwards,
// when desktop.ini is Read-only or unreadable, or when a path is too long to write.
RestoreResult RestoreFolder(TextView folder);
