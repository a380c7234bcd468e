// Loaded with LD_PRELOAD, this makes the library the allocator of any program: every entry of the
// C allocation family goes to one serialised pool. Built for measuring only.
#include "bench/memlib/brm_malloc.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <malloc.h>

#define VH_EXPORT extern "C" __attribute__((visibility("default")))

VH_EXPORT void* malloc(std::size_t size) { return brm_malloc(size); }
VH_EXPORT void free(void* p) { brm_free(p); }
VH_EXPORT void cfree(void* p) { brm_free(p); }
VH_EXPORT void free_sized(void* p, std::size_t) { brm_free(p); }
VH_EXPORT void free_aligned_sized(void* p, std::size_t, std::size_t) { brm_free(p); }
VH_EXPORT void* calloc(std::size_t count, std::size_t size) { return brm_calloc(count, size); }
VH_EXPORT void* realloc(void* p, std::size_t size) { return brm_realloc(p, size); }
VH_EXPORT void* reallocarray(void* p, std::size_t count, std::size_t size) {
    if (size && count > SIZE_MAX / size) {
        errno = ENOMEM;
        return nullptr;
    }
    return brm_realloc(p, count * size);
}
VH_EXPORT void* memalign(std::size_t alignment, std::size_t size) { return brm_memalign(alignment, size); }
VH_EXPORT void* aligned_alloc(std::size_t alignment, std::size_t size) { return brm_memalign(alignment, size); }
VH_EXPORT int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    return brm_posix_memalign(out, alignment, size);
}
VH_EXPORT void* valloc(std::size_t size) { return brm_memalign(4096, size); }
VH_EXPORT void* pvalloc(std::size_t size) { return brm_memalign(4096, (size + 4095) & ~std::size_t{4095}); }
VH_EXPORT std::size_t malloc_usable_size(void* p) { return brm_usable_size(p); }
