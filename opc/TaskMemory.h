#pragma once
// What a server hands out comes from the COM task allocator: freed through the link's IMalloc,
// or with CoTaskMemFree where there is none (the same allocator).
#include <objbase.h>

// Whether a block the server handed out holds count entries of entrySize bytes; a null block
// holds none. The task allocator (malloc, or the process's when null) measures the blocks it
// handed out; memory of another origin (a server in process may pass its own) cannot be measured
// and is taken as it is. Divided, not multiplied: in 32-bit code a count near 2^32 / entrySize
// would wrap the product to a small size.
inline bool TaskBlockHolds(IMalloc* malloc, const void* block, size_t count, size_t entrySize) {
    if (!block)
        return count == 0;
    IMalloc* allocator = malloc;
    if (!allocator && FAILED(CoGetMalloc(1, &allocator)))
        return true;
    void* p = const_cast<void*>(block);
    const SIZE_T size = allocator->DidAlloc(p) == 1 ? allocator->GetSize(p) : (SIZE_T)-1;
    if (!malloc)
        allocator->Release();
    return size == (SIZE_T)-1 || count <= size / entrySize;
}

inline void FreeTaskMemory(IMalloc* malloc, void* p) {
    if (malloc)
        malloc->Free(p);
    else
        CoTaskMemFree(p);
}
