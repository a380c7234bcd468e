#pragma once
// The program's file calls, in the Windows shape its code uses: OpenFile with an OFSTRUCT and
// the _l* family on small integer handles. Names go through the case-insensitive path mapping.
#include "platform/wintypes.h"

using HFILE = int;
constexpr HFILE HFILE_ERROR = -1;

// OpenFile modes.
constexpr UINT OF_READ = 0x0000;
constexpr UINT OF_WRITE = 0x0001;
constexpr UINT OF_READWRITE = 0x0002;
constexpr UINT OF_CREATE = 0x1000;
constexpr UINT OF_EXIST = 0x4000;

struct OFSTRUCT {
    BYTE cBytes;
    BYTE fFixedDisk;
    WORD nErrCode;
    WORD reserved1;
    WORD reserved2;
    char szPathName[128];
};

// Seek origins.
constexpr int FILE_BEGIN = 0;
constexpr int FILE_CURRENT = 1;
constexpr int FILE_END = 2;

HFILE OpenFile(const char* path, OFSTRUCT* info, UINT mode);
// Bytes read or written, or HFILE_ERROR (as UINT) on failure.
UINT _lread(HFILE file, void* buffer, UINT count);
long _hread(HFILE file, void* buffer, long count);
UINT _lwrite(HFILE file, const void* buffer, UINT count);
// The new position, or HFILE_ERROR.
LONG _llseek(HFILE file, LONG offset, int origin);
HFILE _lclose(HFILE file);

namespace platform {
// The size of an open file in bytes, or -1.
long long FileSize(HFILE file);
} // namespace platform
