#include "platform/shared_memory.h"

#include "platform/named_object.h"

#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace platform {

struct SharedMapping {
    detail::NamedObject object;
    std::size_t bytes;
};

namespace {

// The control block takes the object's first system page; views start after it.
constexpr std::size_t kControlBytes = 4096;

SharedMapping* open(const char* name, detail::OpenMode mode, std::size_t bytes) {
    void* mem = std::malloc(sizeof(SharedMapping));
    if (!mem) return nullptr;
    auto* m = new (mem) SharedMapping{};
    bool created = false;
    if (!detail::OpenNamedObject("map", name, mode, kControlBytes, kControlBytes + bytes, nullptr, &m->object,
                                 &created)) {
        std::free(mem);
        return nullptr;
    }
    auto* head = static_cast<detail::NamedObjectControl*>(m->object.control);
    m->bytes = static_cast<std::size_t>(head->totalBytes) - kControlBytes;
    return m;
}

} // namespace

SharedMapping* CreateSharedMapping(const char* name, std::size_t bytes) {
    if (bytes == 0) return nullptr;
    return open(name, detail::OpenMode::CreateNew, bytes);
}

SharedMapping* OpenSharedMapping(const char* name) { return open(name, detail::OpenMode::OpenExisting, 0); }

std::size_t SharedMappingSize(const SharedMapping* m) { return m ? m->bytes : 0; }

void* MapSharedView(SharedMapping* m, void* at, std::size_t bytes) {
    if (!m || bytes == 0 || bytes > m->bytes) return nullptr;
    int flags = MAP_SHARED;
    if (at) flags |= MAP_FIXED_NOREPLACE;
    void* p = mmap(at, bytes, PROT_READ | PROT_WRITE, flags, m->object.fd, static_cast<off_t>(kControlBytes));
    if (p == MAP_FAILED) return nullptr;
    if (at && p != at) {
        munmap(p, bytes);
        return nullptr;
    }
    return p;
}

bool UnmapSharedView(void* view, std::size_t bytes) { return munmap(view, bytes) == 0; }

void CloseSharedMapping(SharedMapping* m) {
    if (!m) return;
    detail::CloseNamedObject(&m->object);
    m->~SharedMapping();
    std::free(m);
}

} // namespace platform
