// The folder's desktop.ini, as far as this program reads and writes it.
#pragma once

#include "engine/text.h"

inline constexpr char kShellClassInfo[] = ".ShellClassInfo";
inline constexpr char kIconFileKey[] = "IconFile";
inline constexpr char kIconIndexKey[] = "IconIndex";
// Written by Windows' own Customize tab; Vista and later prefer it to IconFile/IconIndex.
inline constexpr char kIconResourceKey[] = "IconResource";

Text DesktopIniPath(TextView folderNoSlash);
// Reads one key of [.ShellClassInfo] through the profile functions, which are what Explorer
// reads; an absent key reads as empty.
Text ReadIniKey(TextView ini, const char* key);
bool HasIniKey(TextView ini, const char* key);
// Tells Explorer that the folder's look has changed, so it need not be restarted.
void NotifyShellFolderChanged(TextView folderNoSlash);

enum class FileState { missing, readable, unreadable };
// A directory in the file's place counts as missing: it holds nothing to read.
FileState ReadWholeFile(TextView path, Text& bytes);

// True when the path, made absolute, is short enough for the ANSI file functions. Past that
// limit some of them fail and some (the profile functions under Wine) write elsewhere.
bool FitsPathLimit(TextView path);

// Files are written under a working name beside their final one (WorkingPath) and then moved
// into place in one step, so that a process ended at any moment leaves the old file or the
// new one, whole. The working name carries the process id: a working file whose process is
// gone is a leftover of a process that was ended midway, and the next operation on the
// folder removes it (RemoveLeftoverWorkingFiles).
Text WorkingPath(TextView finalPath);
// replace: over an existing file; else only where there is none.
bool MoveIntoPlace(TextView from, TextView to, bool replace);
void RemoveLeftoverWorkingFiles(TextView folderNoSlash);

// A new desktop.ini, built beside the old one by the profile functions (which keep its
// encoding and every other line as they always do) and then put in its place in one step, so
// that a process ended at any moment leaves either the old file or the new one, whole.
class DesktopIniDraft {
public:
    explicit DesktopIniDraft(TextView folderNoSlash);
    ~DesktopIniDraft();  // a draft that was not put in place is removed
    DesktopIniDraft(const DesktopIniDraft&) = delete;
    DesktopIniDraft& operator=(const DesktopIniDraft&) = delete;

    const Text& Path() const { return draft_; }
    // Starts the draft as a byte copy of desktop.ini, or empty when there is none. Never
    // overwrites an existing file.
    bool Start();
    // One key of [.ShellClassInfo]; a null value removes it.
    bool WriteKey(const char* key, const char* value);
    Text ReadKey(const char* key) const;
    bool HasKey(const char* key) const;
    // Flushes the draft to disk and puts it in desktop.ini's place, with the attributes the
    // old file had (Read-only aside, which would stop the next change).
    bool ReplaceDesktopIni();
    void Discard();

private:
    Text ini_;
    Text draft_;
    unsigned long attributes_ = 0;
    bool started_ = false;
};
