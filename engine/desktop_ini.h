// The folder's desktop.ini, as far as this program reads and writes it.
#pragma once

#include "engine/text.h"

inline constexpr char kShellClassInfo[] = ".ShellClassInfo";
inline constexpr char kIconFileKey[] = "IconFile";
inline constexpr char kIconIndexKey[] = "IconIndex";

Text DesktopIniPath(TextView folderNoSlash);
// Writes one key; a null value removes it. False when the file was not changed.
bool WriteIniKey(TextView ini, const char* key, const char* value);
Text ReadIniKey(TextView ini, const char* key);
// Tells Explorer that the folder's look has changed, so it need not be restarted.
void NotifyShellFolderChanged(TextView folderNoSlash);
