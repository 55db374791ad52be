#include "engine/path_rules.h"

namespace {

bool EndsWithBackslashCharacter(TextView t) {
    // A trailing 0x5C byte may be the trail byte of a double-byte character (乗 is 0x81 0x5C),
    // so the last backslash found character by character must be the last byte.
    return !t.empty() && FindTextLast(t, "\\") == TextLength(t);
}

}  // namespace

Text FileNamePart(TextView path) {
    const int k = FindTextLast(path, "\\");
    return TextRight(path, TextLength(path) - k);
}

Text FolderPathNoSlash(TextView folder) {
    if (EndsWithBackslashCharacter(folder)) return TextLeft(folder, TextLength(folder) - 1);
    return Text(folder);
}

IconSourceKind IconKind(TextView path) {
    const Text ending = ToUpperAscii(TextRight(path, 4));
    if (ending == ".EXE") return IconSourceKind::exe;
    if (ending == ".ICO") return IconSourceKind::ico;
    return IconSourceKind::bad;
}

bool IsInsideFolderText(TextView icon, TextView folder) {
    if (folder.empty()) return false;
    const Text head = TextLeft(icon, TextLength(folder) + 1);
    // The separator must be a character of the icon text, not the trail byte of a
    // double-byte character that the folder text's last byte would begin.
    return EndsWithBackslashCharacter(head) && ToUpperAscii(head) == ToUpperAscii(Text(folder) + "\\");
}
