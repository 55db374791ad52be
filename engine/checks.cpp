#include "engine/checks.h"

#include "process/owned_handle.h"

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
