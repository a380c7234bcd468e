#include "platform/file.h"

#include "platform/path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

HFILE OpenFile(const char* path, OFSTRUCT* info, UINT mode) {
    if (!path) return HFILE_ERROR;
    const std::string mapped = platform::MapPath(path);
    if (info) {
        std::memset(info, 0, sizeof *info);
        info->cBytes = sizeof *info;
        std::strncpy(info->szPathName, mapped.c_str(), sizeof info->szPathName - 1);
    }
    int flags = O_RDONLY;
    if (mode & OF_CREATE)
        flags = O_RDWR | O_CREAT | O_TRUNC;
    else if ((mode & 3) == OF_WRITE)
        flags = O_WRONLY;
    else if ((mode & 3) == OF_READWRITE)
        flags = O_RDWR;
    const int fd = ::open(mapped.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (info) info->nErrCode = 2;
        return HFILE_ERROR;
    }
    if (mode & OF_EXIST) {
        ::close(fd);
        return 0;
    }
    return fd;
}

UINT _lread(HFILE file, void* buffer, UINT count) {
    const long n = _hread(file, buffer, static_cast<long>(count));
    return n < 0 ? static_cast<UINT>(HFILE_ERROR) : static_cast<UINT>(n);
}

long _hread(HFILE file, void* buffer, long count) {
    if (file < 0 || count < 0) return HFILE_ERROR;
    long done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < count) {
        const ssize_t n = ::read(file, p + done, static_cast<std::size_t>(count - done));
        if (n < 0) return HFILE_ERROR;
        if (n == 0) break;
        done += n;
    }
    return done;
}

UINT _lwrite(HFILE file, const void* buffer, UINT count) {
    if (file < 0) return static_cast<UINT>(HFILE_ERROR);
    UINT done = 0;
    auto* p = static_cast<const char*>(buffer);
    while (done < count) {
        const ssize_t n = ::write(file, p + done, count - done);
        if (n <= 0) return static_cast<UINT>(HFILE_ERROR);
        done += static_cast<UINT>(n);
    }
    return done;
}

LONG _llseek(HFILE file, LONG offset, int origin) {
    if (file < 0) return HFILE_ERROR;
    const int whence = origin == FILE_CURRENT ? SEEK_CUR : origin == FILE_END ? SEEK_END : SEEK_SET;
    const off_t r = ::lseek(file, offset, whence);
    return r < 0 ? HFILE_ERROR : static_cast<LONG>(r);
}

HFILE _lclose(HFILE file) {
    if (file < 0) return HFILE_ERROR;
    return ::close(file) == 0 ? 0 : HFILE_ERROR;
}

namespace platform {
long long FileSize(HFILE file) {
    struct stat st;
    if (file < 0 || ::fstat(file, &st) != 0) return -1;
    return static_cast<long long>(st.st_size);
}
} // namespace platform
