#include "engine/desktop_ini.h"

#include <windows.h>
#include <shlobj.h>

Text DesktopIniPath(TextView folderNoSlash) { return Text(folderNoSlash) + "\\desktop.ini"; }

bool WriteIniKey(TextView ini, const char* key, const char* value) {
    const Text path(ini);
    if (!WritePrivateProfileStringA(kShellClassInfo, key, value, path.c_str())) return false;
    // Windows may keep profile writes in a cache; the file must hold them before the
    // folder is marked and Explorer looks at it.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
    return true;
}

Text ReadIniKey(TextView ini, const char* key) {
    char value[MAX_PATH * 2] = {};
    GetPrivateProfileStringA(kShellClassInfo, key, "", value, sizeof value, Text(ini).c_str());
    return value;
}

void NotifyShellFolderChanged(TextView folderNoSlash) {
    const Text folder(folderNoSlash);
    SHChangeNotify(SHCNE_UPDATEITEM, SHCNF_PATHA | SHCNF_FLUSH, folder.c_str(), nullptr);
}
