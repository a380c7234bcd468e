// The global allocation operators, routed through the default pool. Pools give 16-byte alignment;
// a stricter alignment is left to the C library, and the matching aligned delete gives it back
// there (the alignment argument of a delete always matches its new).
#include "memory/pool.h"

#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kPoolAlignment = 16;

void* poolNew(std::size_t size) {
    void* p = size <= 0xFFFFFFFF ? PoolOperatorNew(static_cast<std::uint32_t>(size), 0, nullptr) : nullptr;
    if (!p) throw std::bad_alloc();
    return p;
}

void* poolNewNothrow(std::size_t size) noexcept {
    try {
        return size <= 0xFFFFFFFF ? PoolOperatorNew(static_cast<std::uint32_t>(size), 0, nullptr) : nullptr;
    } catch (...) {
        return nullptr;  // a new-handler gave up by throwing
    }
}

void poolDelete(void* p) noexcept {
    if (p) MemFreePtr(p);
}

void* alignedNew(std::size_t size, std::align_val_t al) {
    const auto alignment = static_cast<std::size_t>(al);
    if (alignment <= kPoolAlignment) return poolNew(size);
    for (;;) {
        void* p = nullptr;
        if (posix_memalign(&p, alignment, size ? size : 1) == 0) return p;
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

void* alignedNewNothrow(std::size_t size, std::align_val_t al) noexcept {
    try {
        return alignedNew(size, al);
    } catch (...) {
        return nullptr;
    }
}

void alignedDelete(void* p, std::align_val_t al) noexcept {
    if (!p) return;
    if (static_cast<std::size_t>(al) <= kPoolAlignment) {
        MemFreePtr(p);
    } else {
        std::free(p);
    }
}

} // namespace

void* operator new(std::size_t size) { return poolNew(size); }
void* operator new[](std::size_t size) { return poolNew(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return poolNewNothrow(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return poolNewNothrow(size); }

void operator delete(void* p) noexcept { poolDelete(p); }
void operator delete[](void* p) noexcept { poolDelete(p); }
void operator delete(void* p, std::size_t) noexcept { poolDelete(p); }
void operator delete[](void* p, std::size_t) noexcept { poolDelete(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { poolDelete(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { poolDelete(p); }

void* operator new(std::size_t size, std::align_val_t al) { return alignedNew(size, al); }
void* operator new[](std::size_t size, std::align_val_t al) { return alignedNew(size, al); }
void* operator new(std::size_t size, std::align_val_t al, const std::nothrow_t&) noexcept {
    return alignedNewNothrow(size, al);
}
void* operator new[](std::size_t size, std::align_val_t al, const std::nothrow_t&) noexcept {
    return alignedNewNothrow(size, al);
}

void operator delete(void* p, std::align_val_t al) noexcept { alignedDelete(p, al); }
void operator delete[](void* p, std::align_val_t al) noexcept { alignedDelete(p, al); }
void operator delete(void* p, std::size_t, std::align_val_t al) noexcept { alignedDelete(p, al); }
void operator delete[](void* p, std::size_t, std::align_val_t al) noexcept { alignedDelete(p, al); }
void operator delete(void* p, std::align_val_t al, const std::nothrow_t&) noexcept { alignedDelete(p, al); }
void operator delete[](void* p, std::align_val_t al, const std::nothrow_t&) noexcept { alignedDelete(p, al); }
