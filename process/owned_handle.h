// One move-only owner per kind of Windows handle. A plain HANDLE elsewhere only borrows.
#pragma once

#include <windows.h>

#include <utility>

template <typename Traits>
class OwnedHandle {
public:
    using Type = typename Traits::Type;

    OwnedHandle() = default;
    explicit OwnedHandle(Type h) : h_(h) {}
    ~OwnedHandle() { Reset(); }

    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    OwnedHandle(OwnedHandle&& other) noexcept : h_(other.Release()) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    explicit operator bool() const { return Traits::IsValid(h_); }
    Type Get() const { return h_; }
    Type* Put() {
        Reset();
        return &h_;
    }
    Type Release() { return std::exchange(h_, Traits::Invalid()); }
    void Reset(Type h = Traits::Invalid()) {
        if (Traits::IsValid(h_)) Traits::Close(h_);
        h_ = h;
    }

private:
    Type h_ = Traits::Invalid();
};

// Kernel objects: processes, threads, events, pipes, files, snapshots. Different calls
// report failure with NULL or with INVALID_HANDLE_VALUE; neither is ever closed.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Type h) { FindClose(h); }
};

using UniqueHandle = OwnedHandle<KernelHandleTraits>;
using UniqueFind = OwnedHandle<FindHandleTraits>;
