#pragma once
// A file opened with OpenFile for the life of a scope, with whole reads and writes at an offset;
// closed on every way out, so a refused or damaged file never leaves a handle behind.
#include "platform/file.h"

#include <string>

class FileHandle {
public:
    FileHandle(const std::string& name, UINT mode) {
        OFSTRUCT info{};
        handle = OpenFile(name.c_str(), &info, mode);
    }
    ~FileHandle() {
        if (handle != HFILE_ERROR) _lclose(handle);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HFILE Get() const { return handle; }
    bool Ok() const { return handle != HFILE_ERROR; }
    // True when all n bytes were written (read) at that offset.
    bool WriteAt(LONG at, const void* bytes, UINT n) const {
        return _llseek(handle, at, FILE_BEGIN) == at && _lwrite(handle, bytes, n) == n;
    }
    bool ReadAt(LONG at, void* bytes, UINT n) const {
        return _llseek(handle, at, FILE_BEGIN) == at && _lread(handle, bytes, n) == n;
    }

private:
    HFILE handle = HFILE_ERROR;
};
