// Real folders for the tests, in the temporary folder of the Wine prefix.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A fresh empty folder that is removed with everything in it (attributes cleared first).
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Path of a name inside the folder.
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

void MakeFolder(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool PathExists(const std::string& path);
DWORD Attributes(const std::string& path);
void RemoveTree(const std::string& path);
// True when running under Wine rather than Windows.
bool RunningOnWine();
// Makes a file unchangeable for the test: Read-only, which stops writes on Windows and for an
// ordinary user under Wine; only when that is not enough (Wine run by root) also immutable on
// the host file system. Both return once the file shows the change.
void MakeUnchangeable(const std::string& path);
void MakeChangeable(const std::string& path);
// True when the file cannot be opened for writing.
bool RefusesWrites(const std::string& path);

// A valid .ico of one 16x16 image. Different variants give different pixels, so tests can
// tell copies apart by their bytes.
std::string IconFileBytes(int variant = 0);
void WriteIconFile(const std::string& path, int variant = 0);
// Real programs of this build, copied: Vandrel.exe, which carries the application icon, and
// a test program that carries none.
void CopyProgramWithIcon(const std::string& path);
void CopyProgramWithoutIcon(const std::string& path);
// The names in a folder (without . and ..), sorted.
std::vector<std::string> FolderListing(const std::string& folder);
// MakeFolder for paths of any length (CreateDirectoryA stops short of MAX_PATH); it also
// makes the missing folders on the way.
void MakeLongFolder(const std::string& path);
// RemoveTree for paths of any length.
void RemoveLongTree(const std::string& path);
