#pragma once
// SIDs, ACLs and security descriptors handed out by the security helpers are
// blocks of the process heap, each owned by one tesk::UniqueProcessHeapBlock.

#include <windows.h>

#include "support/unique_resource.h"

using HeapBlock = tesk::UniqueProcessHeapBlock;

// A zero-filled block, or an empty owner when the heap is exhausted.
inline HeapBlock AllocateHeapBlock(SIZE_T bytes) {
    return HeapBlock(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, bytes));
}

inline PACL AsAcl(const HeapBlock& block) { return static_cast<PACL>(block.get()); }

// The size an ACL or SID part needs so that the next part stays aligned.
constexpr DWORD AlignedSize(DWORD bytes) { return (bytes + 7) & ~DWORD{7}; }
