// Drives the real Vandrel.exe from another process, as a user would: finds its windows by
// title, reads and writes their texts, presses buttons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Path of a program built next to the running test program.
std::string BuiltProgramPath(const std::string& fileName);

class VandrelProcess {
public:
    VandrelProcess();
    ~VandrelProcess();
    VandrelProcess(const VandrelProcess&) = delete;
    VandrelProcess& operator=(const VandrelProcess&) = delete;

    DWORD Pid() const { return pid_; }
    // The main window once it is visible, or null after the time-out.
    HWND Main() const { return main_; }
    // A control of the main window by its id, wherever it lies among the main window's children.
    HWND Control(int id) const;
    // Waits for the process to end; returns its exit code, or STILL_ACTIVE after the time-out.
    DWORD WaitForExit(DWORD timeoutMs = 10000);

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
};

// A visible top-level window of the process with this title (and class, when given).
HWND WaitForWindow(DWORD pid, const std::string& title, const char* className = nullptr,
                   DWORD timeoutMs = 10000);
// Waits until no such window exists; true when it is gone.
bool WaitForNoWindow(DWORD pid, const std::string& title, DWORD timeoutMs = 10000);
std::string WindowText(HWND window);
std::string ClassOf(HWND window);
void SetText(HWND window, const std::string& text);
void Click(HWND button);
// Polls cond every few milliseconds until it holds or the time is up.
template <typename Cond>
bool WaitUntil(Cond cond, DWORD timeoutMs = 10000) {
    const DWORD start = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}
bool IsTopmost(HWND window);
// The text of a message box (its static control) and a press of its OK button.
std::string MessageBoxText(HWND box);
void PressOk(HWND box);

// A point in a window's client area.
struct ClientSpot {
    HWND window;
    POINT at;
};
// Reads the spots from the screen: the first one that does not show the window background
// (COLOR_BTNFACE), described; empty when all do.
std::string FirstSpotOffBackground(const std::vector<ClientSpot>& spots);
