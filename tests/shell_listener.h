// Listens, as Explorer does, for the shell's notices that a folder has changed.
#pragma once

#include <windows.h>

#include <string>

class ShellChangeListener {
public:
    explicit ShellChangeListener(const std::string& folder);
    ~ShellChangeListener();
    ShellChangeListener(const ShellChangeListener&) = delete;
    ShellChangeListener& operator=(const ShellChangeListener&) = delete;

    bool Listening() const { return registration_ != 0; }
    // Drops the notices that have come so far.
    void Forget();
    // True when a notice about the folder comes within the time.
    bool WaitForNotice(DWORD timeoutMs = 1000);

private:
    static LRESULT CALLBACK ListenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Dispatch();

    HWND window_ = nullptr;
    ULONG registration_ = 0;
    void* folderId_ = nullptr;
    bool noticed_ = false;
};
