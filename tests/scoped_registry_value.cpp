#include "tests/scoped_registry_value.h"

ScopedUserDword::ScopedUserDword(const char* key, const char* name, DWORD value) : name_(name) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        &key_, nullptr) != ERROR_SUCCESS) {
        key_ = nullptr;
        return;
    }
    DWORD size = sizeof old_;
    had_ = RegQueryValueExA(key_, name_, nullptr, &type_, old_, &size) == ERROR_SUCCESS;
    oldSize_ = size;
    RegSetValueExA(key_, name_, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

ScopedUserDword::~ScopedUserDword() {
    if (!key_) return;
    if (had_) {
        RegSetValueExA(key_, name_, 0, type_, old_, oldSize_);
    } else {
        RegDeleteValueA(key_, name_);
    }
    RegCloseKey(key_);
}
