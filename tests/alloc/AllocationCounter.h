#pragma once

// Include from exactly one source file per test program. It replaces the C allocation functions
// (JUCE's HeapBlock allocates with std::malloc) and the global operator new with versions that
// count while a ScopedAllocationCounter is alive, forwarding to glibc's own allocator.

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

// The SIMD headers declare posix_memalign as well; their declaration has to come before ours.
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

extern "C"
{
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);
}

namespace alloc_counter
{
inline std::atomic<bool> counting{false};
inline std::atomic<long> allocations{0};

inline void note()
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
}
} // namespace alloc_counter

class ScopedAllocationCounter
{
public:
    ScopedAllocationCounter()
    {
        alloc_counter::allocations = 0;
        alloc_counter::counting = true;
    }
    ~ScopedAllocationCounter() { alloc_counter::counting = false; }
    long count() const { return alloc_counter::allocations.load(); }
};

extern "C"
{
void* malloc(std::size_t size)
{
    alloc_counter::note();
    return __libc_malloc(size);
}
void* calloc(std::size_t n, std::size_t size)
{
    alloc_counter::note();
    return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t size)
{
    alloc_counter::note();
    return __libc_realloc(p, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    alloc_counter::note();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size)
{
    alloc_counter::note();
    *out = __libc_memalign(alignment, size);
    return *out != nullptr ? 0 : 12; // ENOMEM
}
void free(void* p) { __libc_free(p); }
}

namespace alloc_counter
{
inline void* allocate(std::size_t size)
{
    if (void* p = malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
inline void* allocateAligned(std::size_t size, std::size_t alignment)
{
    void* p = nullptr;
    if (posix_memalign(&p, alignment, size == 0 ? 1 : size) == 0)
        return p;
    throw std::bad_alloc();
}
} // namespace alloc_counter

void* operator new(std::size_t size) { return alloc_counter::allocate(size); }
void* operator new[](std::size_t size) { return alloc_counter::allocate(size); }
void* operator new(std::size_t size, std::align_val_t a) { return alloc_counter::allocateAligned(size, (std::size_t)a); }
void* operator new[](std::size_t size, std::align_val_t a) { return alloc_counter::allocateAligned(size, (std::size_t)a); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, std::size_t) noexcept { free(p); }
void operator delete[](void* p, std::size_t) noexcept { free(p); }
void operator delete(void* p, std::align_val_t) noexcept { free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { free(p); }
