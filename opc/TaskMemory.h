#pragma once
// What a server hands out comes from the COM task allocator: freed through the link's IMalloc,
// or with CoTaskMemFree where there is none (the same allocator).
#include <objbase.h>

inline void FreeTaskMemory(IMalloc* malloc, void* p) {
    if (malloc)
        malloc->Free(p);
    else
        CoTaskMemFree(p);
}
