// Functions that only newer systems have are looked up when they are needed, so that the exe
// still starts on the oldest system it supports; the caller keeps a way for systems without.
// Modules that only some actions need are loaded the same way, when first needed.
#pragma once

#include <windows.h>

#include <cstring>

// The function of that name in a module the process has already loaded (kernel32 and user32
// always are), or null when this system's module does not export it.
template <typename Function>
Function SystemFunction(const char* module, const char* name) {
    HMODULE loaded = GetModuleHandleA(module);
    if (!loaded) return nullptr;
    // FARPROC stands for any function; through void* the conversion draws no warning.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(loaded, name)));
}

// As SystemFunction, but the module is loaded on first use, from the system folder by its
// full path, never from the folder this program runs from or its current directory. shell32
// and comdlg32 are needed only once the user acts; loading them at start-up costs the window
// its first tens of milliseconds. The module stays loaded for the rest of the run.
template <typename Function>
Function LoadedSystemFunction(const char* module, const char* name) {
    if (!GetModuleHandleA(module)) {
        char path[MAX_PATH] = {};
        const UINT length = GetSystemDirectoryA(path, MAX_PATH);
        if (length == 0 || length + 1 + std::strlen(module) >= MAX_PATH) return nullptr;
        path[length] = '\\';
        std::strcpy(path + length + 1, module);
        if (!LoadLibraryA(path)) return nullptr;
    }
    return SystemFunction<Function>(module, name);
}
