#pragma once
// Named objects that live as long as some process holds them: POSIX shared memory of our own
// naming, with a small control block that counts the holders. The last holder to close removes
// the name, as the system removes a named object when its last handle closes. Used by the named
// mutexes and the shared mappings; nothing here allocates through the program's allocator.
#include <cstddef>
#include <cstdint>

namespace platform::detail {

enum class OpenMode { CreateNew, OpenExisting, OpenOrCreate };

struct NamedObject {
    NamedObject* nextOpen = nullptr;  // the process's open objects, so that a fork can count its child in
    NamedObject* prevOpen = nullptr;
    int fd = -1;
    void* control = nullptr;  // the first controlBytes of the object
    std::size_t controlBytes = 0;
    char shmName[256] = {};
};

// Control block fields at the start of every object; kind-specific data follows.
struct NamedObjectControl {
    std::uint32_t magic;
    std::uint32_t holders;
    std::uint64_t totalBytes;
};
constexpr std::size_t kControlHeaderBytes = 64;

// A handle must stay at one address while it is open.
// Opens (or creates) the object `name` of `kind`. A new object is sized to totalBytes and
// `init` fills its control block (beyond the header) before anyone else can see it.
bool OpenNamedObject(const char* kind, const char* name, OpenMode mode, std::size_t controlBytes,
                     std::size_t totalBytes, void (*init)(void* control), NamedObject* out, bool* created);
void CloseNamedObject(NamedObject* object);

} // namespace platform::detail
