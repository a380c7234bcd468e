#pragma once
// Named objects that live as long as some process holds them: POSIX shared memory of our own
// naming. Every handle keeps a shared lock on its object for as long as it is open; the system
// drops it when the process ends (a forked child shares its parent's), so an object nobody holds
// any more is known as such and is cleared away by the next process that looks for its name, or
// by the last handle to close. Nothing here allocates through the program's allocator.
#include <cstddef>
#include <cstdint>

namespace platform::detail {

enum class OpenMode { CreateNew, OpenExisting, OpenOrCreate };

struct NamedObject {
    int fd = -1;
    void* control = nullptr;  // the first controlBytes of the object
    std::size_t controlBytes = 0;
    char shmName[256] = {};
};

// Control block fields at the start of every object; kind-specific data follows.
struct NamedObjectControl {
    std::uint32_t magic;  // set last, once the object is filled in
    std::uint32_t reserved;
    std::uint64_t totalBytes;
};
constexpr std::size_t kControlHeaderBytes = 64;

// Opens (or creates) the object `name` of `kind`. A new object is sized to totalBytes and
// `init` fills its control block (beyond the header) before anyone else can use it.
bool OpenNamedObject(const char* kind, const char* name, OpenMode mode, std::size_t controlBytes,
                     std::size_t totalBytes, void (*init)(void* control), NamedObject* out, bool* created);
void CloseNamedObject(NamedObject* object);

} // namespace platform::detail
