// Real folders for the tests, in the temporary folder of the Wine prefix.
#pragma once

#include <windows.h>

#include <string>

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
