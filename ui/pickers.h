// Filling the two path boxes: the folder browser, the open-file dialog and the checks that
// every candidate passes before a box takes it. A rejected candidate leaves an error text in
// the box and beeps.
#pragma once

#include <windows.h>

#include "engine/text.h"

void OfferFolder(HWND folderBox, TextView candidate);
void OfferIcon(HWND iconBox, TextView candidate);

// The 文件夹 button: the shell's folder browser. Cancel leaves the box as it is.
void BrowseFolder(HWND folderBox);

// The desktop folder with one trailing backslash; empty when the shell cannot name it.
Text DesktopFolderPath();

// The platform's filter list from a filter text of "name|pattern|..." pairs: "||" is
// appended unless the text already ends in it, and then every bar character becomes a zero
// byte, so the result holds its zero bytes and ends in two of them. A 0x7C trail byte of a
// double-byte character is no bar.
Text OpenFileFilterList(TextView stored);

// 通用对话框1: the open-file dialog of the 图标 button. It remembers the last file chosen
// with OK and offers it as the initial file name of the next opening.
class IconFileDialog {
public:
    // Cancel, or a dialog that cannot open, changes nothing.
    void PickIconFile(HWND iconBox);
    const Text& RememberedFile() const { return remembered_; }

private:
    Text remembered_;
};
