// The checks that decide whether a folder or an icon source is acceptable. They report
// false for anything they cannot list or find.
#pragma once

#include "engine/text.h"

// True when the parent's listing holds a directory whose name equals the last component
// byte for byte. A text ending in a backslash is never a folder.
bool IsExistingFolder(TextView folder);
// True when the text names one existing file: not a directory, and not a wildcard pattern.
bool IconFileExists(TextView path);
// True when the file holds at least one icon that the shell can extract: an .exe without an
// icon resource, an empty file or one that is no icon at all holds none.
bool HoldsIcon(TextView path);
