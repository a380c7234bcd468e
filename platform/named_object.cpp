#include "platform/named_object.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace platform::detail {
namespace {

constexpr std::uint32_t kMagic = 0x4F4E4856;  // "VHNO"

void makeShmName(const char* kind, const char* name, char* out, std::size_t outBytes) {
    int n = std::snprintf(out, outBytes, "/varnhold.%u.%s.", static_cast<unsigned>(getuid()), kind);
    std::size_t at = n > 0 ? static_cast<std::size_t>(n) : 0;
    for (const char* c = name; *c && at + 1 < outBytes; ++c) out[at++] = (*c == '/') ? '_' : *c;
    out[at] = 0;
}

// Open objects of this process. A forked child inherits every handle, so it is counted as one
// more holder of each; otherwise its closing a handle could remove a name its parent still holds.
pthread_mutex_t g_openLock = PTHREAD_MUTEX_INITIALIZER;
NamedObject* g_open = nullptr;

void addHolder(NamedObject* o) {
    while (flock(o->fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    ++static_cast<NamedObjectControl*>(o->control)->holders;
    flock(o->fd, LOCK_UN);
}

void prepareFork() { pthread_mutex_lock(&g_openLock); }
void afterForkParent() { pthread_mutex_unlock(&g_openLock); }
void afterForkChild() {
    for (NamedObject* o = g_open; o; o = o->nextOpen) addHolder(o);
    pthread_mutex_unlock(&g_openLock);
}

void track(NamedObject* o) {
    static const int registered = pthread_atfork(prepareFork, afterForkParent, afterForkChild);
    (void)registered;
    pthread_mutex_lock(&g_openLock);
    o->prevOpen = nullptr;
    o->nextOpen = g_open;
    if (g_open) g_open->prevOpen = o;
    g_open = o;
    pthread_mutex_unlock(&g_openLock);
}

void untrack(NamedObject* o) {
    pthread_mutex_lock(&g_openLock);
    if (o->prevOpen) {
        o->prevOpen->nextOpen = o->nextOpen;
    } else if (g_open == o) {
        g_open = o->nextOpen;
    }
    if (o->nextOpen) o->nextOpen->prevOpen = o->prevOpen;
    o->nextOpen = o->prevOpen = nullptr;
    pthread_mutex_unlock(&g_openLock);
}

void pause() {
    timespec ts{0, 1000000};
    nanosleep(&ts, nullptr);
}

} // namespace

bool OpenNamedObject(const char* kind, const char* name, OpenMode mode, std::size_t controlBytes,
                     std::size_t totalBytes, void (*init)(void*), NamedObject* out, bool* created) {
    if (!name || !*name || controlBytes < kControlHeaderBytes) return false;
    NamedObject obj;
    makeShmName(kind, name, obj.shmName, sizeof obj.shmName);
    obj.controlBytes = controlBytes;
    int oflags = O_RDWR | O_CLOEXEC;
    if (mode != OpenMode::OpenExisting) oflags |= O_CREAT;
    if (mode == OpenMode::CreateNew) oflags |= O_EXCL;

    for (int attempt = 0; attempt < 200; ++attempt) {
        int fd = shm_open(obj.shmName, oflags, 0600);
        if (fd < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        while (flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                close(fd);
                return false;
            }
        }
        struct stat st;
        if (fstat(fd, &st) != 0) {
            close(fd);
            return false;
        }
        // The last holder removed the name while we were opening it: start again on a fresh one.
        if (st.st_nlink == 0) {
            close(fd);
            continue;
        }
        bool fresh = st.st_size == 0;
        if (fresh && mode == OpenMode::OpenExisting) {
            // Its creator has not filled it in yet.
            close(fd);
            pause();
            continue;
        }
        if (fresh && ftruncate(fd, static_cast<off_t>(totalBytes)) != 0) {
            shm_unlink(obj.shmName);
            close(fd);
            return false;
        }
        if (!fresh && static_cast<std::size_t>(st.st_size) < controlBytes) {
            close(fd);
            return false;
        }
        void* control = mmap(nullptr, controlBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (control == MAP_FAILED) {
            if (fresh) shm_unlink(obj.shmName);
            close(fd);
            return false;
        }
        auto* head = static_cast<NamedObjectControl*>(control);
        if (fresh) {
            head->totalBytes = totalBytes;
            head->holders = 0;
            if (init) init(control);
            head->magic = kMagic;
        } else if (head->magic != kMagic) {
            munmap(control, controlBytes);
            close(fd);
            return false;
        }
        ++head->holders;
        flock(fd, LOCK_UN);
        obj.fd = fd;
        obj.control = control;
        *out = obj;
        track(out);
        if (created) *created = fresh;
        return true;
    }
    return false;
}

void CloseNamedObject(NamedObject* object) {
    if (!object || object->fd < 0) return;
    untrack(object);
    auto* head = static_cast<NamedObjectControl*>(object->control);
    while (flock(object->fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    if (head->holders > 0 && --head->holders == 0) shm_unlink(object->shmName);
    flock(object->fd, LOCK_UN);
    munmap(object->control, object->controlBytes);
    close(object->fd);
    object->fd = -1;
    object->control = nullptr;
}

} // namespace platform::detail
