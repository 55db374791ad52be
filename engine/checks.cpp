#include "engine/checks.h"

#include <windows.h>
#include <shellapi.h>

#include "process/owned_handle.h"
#include "process/system_function.h"

namespace {

bool IsDirectory(const WIN32_FIND_DATAA& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool HasWildcard(TextView path) { return FindText(path, "*") != -1 || FindText(path, "?") != -1; }

}  // namespace

bool IsExistingFolder(TextView folder) {
    const int k = FindTextLast(folder, "\\");
    const Text parent = TextLeft(folder, k);
    const Text name = TextRight(folder, TextLength(folder) - k);

    WIN32_FIND_DATAA entry{};
    UniqueFind search(FindFirstFileA((parent + "*.*").c_str(), &entry));
    if (!search) return false;
    do {
        if (IsDirectory(entry) && name == entry.cFileName) return true;
    } while (FindNextFileA(search.Get(), &entry));
    return false;
}

bool IconFileExists(TextView path) {
    if (path.empty() || HasWildcard(path)) return false;
    WIN32_FIND_DATAA entry{};
    UniqueFind search(FindFirstFileA(Text(path).c_str(), &entry));
    return search && !IsDirectory(entry);
}

bool HoldsIcon(TextView path) {
    const Text file(path);
    // With the index -1 the call counts the icons. Wine answers 0xFFFFFFFF for some files
    // that hold none, and a damaged .ico may announce an icon that is not there, so the
    // first one is also taken out.
    const auto extractIcons = LoadedSystemFunction<decltype(&ExtractIconExA)>("shell32.dll", "ExtractIconExA");
    if (!extractIcons) return false;
    const UINT count = extractIcons(file.c_str(), -1, nullptr, nullptr, 0);
    if (count == 0 || count == 0xFFFFFFFFu) return false;
    HICON icon = nullptr;
    if (extractIcons(file.c_str(), 0, &icon, nullptr, 1) == 0 || !icon) return false;
    DestroyIcon(icon);
    return true;
}
