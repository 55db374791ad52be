// Runs one folder operation on the folder and icon given, as the buttons would:
//   folder_icon_tool apply FOLDER ICON   |   folder_icon_tool restore FOLDER
// Exits with 0 when the operation reports success, 1 when it reports anything else, 2 on a
// wrong command line. The tests end it midway to see what a killed process leaves behind.
#include <cstring>

#include "engine/apply_icon.h"
#include "engine/restore_folder.h"

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "apply") == 0) {
        return ApplyFolderIcon(argv[2], argv[3]) == kResultApplied ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "restore") == 0) {
        return RestoreFolder(argv[2]).text == kResultRestored ? 0 : 1;
    }
    return 2;
}
