#include "ui/windows/palette_file.h"

#include "platform/file.h"

#include <cstring>

namespace {

const char kSignature[] = "Quorren Palette";

bool ReadExactly(HFILE f, void* buffer, UINT count) { return _lread(f, buffer, count) == count; }

} // namespace

PaletteFileResult ReadPaletteFile(const std::string& path, PaletteFileData& out) {
    OFSTRUCT info;
    const HFILE f = OpenFile(path.c_str(), &info, OF_READ);
    if (f == HFILE_ERROR) return PaletteFileResult::Missing;
    PaletteFileData data;
    char signature[16] = {};
    bool ok = ReadExactly(f, signature, 15);
    if (ok && std::strcmp(signature, kSignature) == 0) {
        ok = ReadExactly(f, data.entries.data(), 1024);
        for (auto& t : data.tables) ok = ok && ReadExactly(f, t.data(), 256);
        data.hasTables = ok;
    } else {
        // Not ours: a BMP whose two headers are skipped unread.
        ok = _llseek(f, 54, FILE_BEGIN) == 54 && ReadExactly(f, data.entries.data(), 1024);
    }
    _lclose(f);
    if (!ok) return PaletteFileResult::Damaged;
    out = data;
    return PaletteFileResult::Ok;
}

bool WritePaletteFile(const std::string& path, const PaletteFileData& data) {
    OFSTRUCT info;
    const HFILE f = OpenFile(path.c_str(), &info, OF_CREATE);
    if (f == HFILE_ERROR) return false;
    bool ok = _lwrite(f, kSignature, 15) == 15 && _lwrite(f, data.entries.data(), 1024) == 1024;
    for (const auto& t : data.tables) ok = ok && _lwrite(f, t.data(), 256) == 256;
    return _lclose(f) == 0 && ok;
}
