#include "platform/named_object.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace platform::detail {
namespace {

constexpr std::uint32_t kMagic = 0x4F4E4856;  // "VHNO"
constexpr int kAttempts = 2000;               // about two seconds of waiting for a maker

void makeShmName(const char* kind, const char* name, char* out, std::size_t outBytes) {
    int n = std::snprintf(out, outBytes, "/varnhold.%u.%s.", static_cast<unsigned>(getuid()), kind);
    std::size_t at = n > 0 ? static_cast<std::size_t>(n) : 0;
    for (const char* c = name; *c && at + 1 < outBytes; ++c) out[at++] = (*c == '/') ? '_' : *c;
    out[at] = 0;
}

void pause() {
    timespec ts{0, 1000000};
    nanosleep(&ts, nullptr);
}

bool lock(int fd, int how) {
    while (flock(fd, how) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

bool unlinked(int fd) {
    struct stat st;
    return fstat(fd, &st) != 0 || st.st_nlink == 0;
}

// Removes the object of that name when no handle holds it (its holders all closed or ended).
bool removeIfAbandoned(const char* shmName) {
    int fd = shm_open(shmName, O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool removed = false;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && !unlinked(fd)) {
        shm_unlink(shmName);
        removed = true;
    }
    close(fd);
    return removed;
}

bool finish(NamedObject* obj, int fd, std::size_t controlBytes, NamedObject* out) {
    void* control = mmap(nullptr, controlBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (control == MAP_FAILED) return false;
    obj->fd = fd;
    obj->control = control;
    *out = *obj;
    return true;
}

} // namespace

bool OpenNamedObject(const char* kind, const char* name, OpenMode mode, std::size_t controlBytes,
                     std::size_t totalBytes, void (*init)(void*), NamedObject* out, bool* created) {
    if (!name || !*name || controlBytes < kControlHeaderBytes) return false;
    NamedObject obj;
    makeShmName(kind, name, obj.shmName, sizeof obj.shmName);
    obj.controlBytes = controlBytes;
    removeIfAbandoned(obj.shmName);

    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (mode != OpenMode::OpenExisting) {
            const int fd = shm_open(obj.shmName, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd >= 0) {
                // Held from the start, so that nobody takes the half-made object for abandoned.
                if (!lock(fd, LOCK_SH) || unlinked(fd)) {
                    close(fd);
                    continue;
                }
                if (ftruncate(fd, static_cast<off_t>(totalBytes)) != 0 || !finish(&obj, fd, controlBytes, out)) {
                    shm_unlink(obj.shmName);
                    close(fd);
                    return false;
                }
                auto* head = static_cast<NamedObjectControl*>(out->control);
                head->totalBytes = totalBytes;
                if (init) init(out->control);
                __atomic_store_n(&head->magic, kMagic, __ATOMIC_RELEASE);
                if (created) *created = true;
                return true;
            }
            if (errno != EEXIST) return false;
            if (mode == OpenMode::CreateNew) {
                if (removeIfAbandoned(obj.shmName)) continue;
                return false;
            }
        }
        const int fd = shm_open(obj.shmName, O_RDWR | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == ENOENT && mode == OpenMode::OpenOrCreate) continue;
            return false;
        }
        if (!lock(fd, LOCK_SH) || unlinked(fd)) {
            close(fd);
            if (mode == OpenMode::OpenExisting) return false;
            continue;
        }
        struct stat st;
        if (fstat(fd, &st) != 0 || static_cast<std::size_t>(st.st_size) < controlBytes || !finish(&obj, fd, controlBytes, out)) {
            // Its maker has not sized it yet.
            close(fd);
            pause();
            continue;
        }
        auto* head = static_cast<NamedObjectControl*>(out->control);
        if (__atomic_load_n(&head->magic, __ATOMIC_ACQUIRE) != kMagic) {
            munmap(out->control, controlBytes);
            close(fd);
            pause();
            continue;
        }
        if (created) *created = false;
        return true;
    }
    return false;
}

void CloseNamedObject(NamedObject* object) {
    if (!object || object->fd < 0) return;
    munmap(object->control, object->controlBytes);
    // Closing lets go of this handle's hold (unless a forked child still shares it); if nobody
    // holds the object now, its name goes.
    close(object->fd);
    removeIfAbandoned(object->shmName);
    object->fd = -1;
    object->control = nullptr;
}

} // namespace platform::detail
