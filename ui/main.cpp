#include <windows.h>

#include <cstdlib>

#include "ui/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return RunVandrel(instance, showCommand);
}

// No exception escapes the program; should one still end it, it ends quietly. Defined here,
// in the exe itself, this replaces libstdc++'s verbose handler and keeps the symbol
// demangler it pulls in (about 50 KB) out of the exe.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
