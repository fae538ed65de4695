#pragma once
// A typed buffer on the process heap that starts empty, can be grown to a byte
// size reported by the system, and frees its block when it goes away.

#include <windows.h>

#include "support/unique_resource.h"

template <class T>
class CAutoBuf {
public:
    CAutoBuf() = default;

    // Replaces the block by a new one of at least `bytes` bytes; false when the
    // heap cannot provide it (the buffer is then empty).
    bool Allocate(DWORD bytes) {
        block_.reset(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, bytes ? bytes : 1));
        bytes_ = block_ ? bytes : 0;
        return static_cast<bool>(block_);
    }

    T* get() const { return static_cast<T*>(block_.get()); }
    T* operator->() const { return get(); }
    DWORD size() const { return bytes_; }

private:
    tesk::UniqueProcessHeapBlock block_;
    DWORD bytes_ = 0;
};
