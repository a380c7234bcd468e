#include "game/app/dialogs/rich_text_file.h"

#include "platform/path.h"
#include "platform/richedit.h"

#include <cstdio>

namespace {

DWORD ReadFilePiece(std::uintptr_t cookie, BYTE* buffer, LONG cb, LONG* pcb) {
    auto* file = reinterpret_cast<std::FILE*>(cookie);
    const std::size_t got = cb > 0 ? std::fread(buffer, 1, static_cast<std::size_t>(cb), file) : 0;
    *pcb = static_cast<LONG>(got);
    return std::ferror(file) ? 1 : 0;
}

} // namespace

bool StreamRichTextFile(HWND control, const std::string& path) {
    std::FILE* file = std::fopen(platform::MapPath(path).c_str(), "rb");
    if (!file) return false;
    EDITSTREAM stream{reinterpret_cast<std::uintptr_t>(file), 0, &ReadFilePiece};
    SendMessageA(control, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    std::fclose(file);
    return stream.dwError == 0;
}
