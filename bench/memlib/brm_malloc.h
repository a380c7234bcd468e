#pragma once
// The C allocation family over serialised pools of the library (a set for each thread), for
// measuring the library as the allocator of real programs. Not part of the library's interface.
#include <cstddef>

extern "C" {
void* brm_malloc(std::size_t size);
void brm_free(void* p);
void* brm_calloc(std::size_t count, std::size_t size);
void* brm_realloc(void* p, std::size_t size);
void* brm_memalign(std::size_t alignment, std::size_t size);
int brm_posix_memalign(void** out, std::size_t alignment, std::size_t size);
std::size_t brm_usable_size(void* p);
// Nonzero: every thread allocates from one shared set of pools from now on; zero: each from its own.
void brm_one_pool(int on);
}
