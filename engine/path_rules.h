// Rules over path texts. The backslash is the only separator; drive letters, forward
// slashes and UNC prefixes get no special treatment.
#pragma once

#include "engine/text.h"

enum class IconSourceKind { exe, ico, bad };

// The part after the last backslash; the whole text when there is none.
Text FileNamePart(TextView path);
// The folder text without one trailing backslash character.
Text FolderPathNoSlash(TextView folder);
IconSourceKind IconKind(TextView path);
// True when the icon path lies below the folder: it begins with the folder text and a
// backslash, ASCII letters compared without case as Windows compares paths.
bool IsInsideFolderText(TextView icon, TextView folder);
