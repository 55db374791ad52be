// A process for the process tests to find, end and restart in place of a real shell. It
// waits until it is ended, or ends by itself after the seconds given (60 by default) so that
// a test that fails half-way leaves nothing running for long.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    Sleep(static_cast<DWORD>(seconds > 0 ? seconds : 60) * 1000);
    return 0;
}
