// Functions that only newer systems have are looked up when they are needed, so that the exe
// still starts on the oldest system it supports; the caller keeps a way for systems without.
#pragma once

#include <windows.h>

// The function of that name in a module the process has already loaded (kernel32 and user32
// always are), or null when this system's module does not export it.
template <typename Function>
Function SystemFunction(const char* module, const char* name) {
    HMODULE loaded = GetModuleHandleA(module);
    if (!loaded) return nullptr;
    // FARPROC stands for any function; through void* the conversion draws no warning.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(loaded, name)));
}
