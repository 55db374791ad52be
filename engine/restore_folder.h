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

// Removes [.ShellClassInfo] IconFile and IconIndex from the folder's desktop.ini and deletes
// the file when nothing else is left in it; every other section and key stays as it was.
// The folder keeps its System attribute and a copied .ico stays. kResultRestoreFailed when
// desktop.ini still names an icon afterwards.
RestoreResult RestoreFolder(TextView folder);
