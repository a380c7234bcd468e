// The default pool and the settings it is made with, and the C-style entry points that are not
// on every allocation's path. PoolOperatorNew (behind every operator new when routing is on),
// MemMalloc and MemFree live with the pointer paths in pointers.cpp, which they call straight
// into.
#include "memory/pool_internal.h"

#include <atomic>
#include <mutex>
#include <new>

using namespace bramble;

namespace bramble {
std::atomic<MemPoolHeader*> g_defaultPool{nullptr};
constinit MemSettings g_settings{MEM_POOL_DEFAULT, 0, 0xFFFF};
} // namespace bramble

namespace {

// Made once and never destroyed: the default pool is asked for while statics are built and
// torn down.
std::recursive_mutex& creationLock() {
    alignas(std::recursive_mutex) static unsigned char storage[sizeof(std::recursive_mutex)];
    static std::recursive_mutex* m = new (storage) std::recursive_mutex();
    return *m;
}

} // namespace

namespace bramble {

MemPoolHeader* MakeDefaultPool() {
    std::lock_guard<std::recursive_mutex> guard(creationLock());
    MemPoolHeader* pool = g_defaultPool.load(std::memory_order_acquire);
    if (pool) return pool;
    // Every thread reaches the default pool (operator new), so it is always serialised.
    pool = MemPoolInit(g_settings.defaultPoolFlags | MEM_POOL_SERIALIZE);
    if (!pool) return nullptr;
    // A report raised while making it may have made one already, from inside the handler.
    if (MemPoolHeader* made = g_defaultPool.load(std::memory_order_acquire)) {
        MemPoolFree(pool);
        return made;
    }
    if (g_settings.defaultPageSize != 0) MemPoolSetPageSize(pool, g_settings.defaultPageSize);
    if (g_settings.defaultBlockSize != 0xFFFF) MemPoolSetBlockSizeFS(pool, g_settings.defaultBlockSize);
    g_defaultPool.store(pool, std::memory_order_release);
    return pool;
}

} // namespace bramble

MEMPOOL MemDefaultPool() { return DefaultPool(); }

MemSettings MemGetSettings() { return g_settings; }

void MemSetSettings(const MemSettings& settings) { g_settings = settings; }

void* MemCalloc(std::size_t count, std::size_t size) {
    MemPoolHeader* pool = DefaultPool();
    if (!pool) return nullptr;
    // A product that does not fit is refused rather than wrapped round to a small block.
    if (size != 0 && count > 0xFFFFFFFF / size) return nullptr;
    std::size_t bytes = count * size;
    if (bytes == 0) bytes = 1;
    return MemAllocPtr(pool, static_cast<std::uint32_t>(bytes), MEM_ZEROINIT);
}

void* MemRealloc(void* block, std::size_t size) {
    if (!block) return MemMalloc(size);
    if (size == 0) {
        MemFree(block);
        return nullptr;
    }
    if (size > 0xFFFFFFFF) return nullptr;
    return MemReAllocPtr(block, static_cast<std::uint32_t>(size), DefaultZeroFill());
}
