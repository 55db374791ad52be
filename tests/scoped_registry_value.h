// A value of the current user's registry, set for the life of this object and then put back
// as it was (or removed, when there was none), for tests that need a setting a user may have.
#pragma once

#include <windows.h>

class ScopedUserDword {
public:
    ScopedUserDword(const char* key, const char* name, DWORD value);
    ~ScopedUserDword();
    ScopedUserDword(const ScopedUserDword&) = delete;
    ScopedUserDword& operator=(const ScopedUserDword&) = delete;

private:
    const char* name_;
    HKEY key_ = nullptr;
    bool had_ = false;
    DWORD type_ = 0, oldSize_ = 0;
    BYTE old_[256] = {};
};
