#include "ui/windows/windows_palette.h"

#include "platform/msgbox.h"
#include "ui/color.h"

#include <algorithm>
#include <cstring>
#include <vector>

WindowsPalette::WindowsPalette(const char* fileName, const std::string& dataDirectory) {
    const std::string name = fileName ? fileName : "";
    const std::string path = dataDirectory.empty() ? name : dataDirectory + "\\" + name;
    PaletteFileData data;
    loadResult_ = ReadPaletteFile(path, data);
    if (loadResult_ != PaletteFileResult::Ok) {
        std::string text = (loadResult_ == PaletteFileResult::Missing ? "Can't find the palette file " : "The palette file is damaged: ") + path;
        // The path is built the Windows way; a person reads it with this system's '/'.
        for (char& c : text)
            if (c == '\\') c = '/';
        MessageBox(nullptr, text.c_str(), "Palette", MB_OK | MB_ICONEXCLAMATION);
        for (int i = 0; i < 256; ++i) {
            data.entries[i * 4] = data.entries[i * 4 + 1] = data.entries[i * 4 + 2] = static_cast<std::uint8_t>(i);
            data.entries[i * 4 + 3] = 0;
        }
        data.hasTables = false;
    }
    std::memcpy(entries_, data.entries.data(), sizeof entries_);
    BuildPaletteObject();
    for (int k = 1; k <= 5; ++k) {
        if (data.hasTables) {
            auto* t = new std::uint8_t[256];
            std::memcpy(t, data.tables[k - 1].data(), 256);
            SetTable(k, t);
        } else {
            ComputeTable(k);
        }
    }
}

WindowsPalette::~WindowsPalette() {
    HDC screen = GetDC(nullptr);
    if (previous_) SelectPalette(screen, previous_, FALSE);
    ReleaseDC(nullptr, screen);
    DeleteObject(palette_);
}

void WindowsPalette::BuildPaletteObject() {
    HDC screen = GetDC(nullptr);
    PALETTEENTRY system[256];
    GetSystemPaletteEntries(screen, 0, 256, system);
    LOGPALETTE log{};
    log.palVersion = 0x300;
    log.palNumEntries = 256;
    for (int i = 0; i < 256; ++i) {
        if (i < 10 || i >= 246) {
            log.palPalEntry[i] = PALETTEENTRY{system[i].peRed, system[i].peGreen, system[i].peBlue, 0};
        } else {
            log.palPalEntry[i] = PALETTEENTRY{entries_[i * 4 + 2], entries_[i * 4 + 1], entries_[i * 4], PC_NOCOLLAPSE};
        }
    }
    palette_ = CreatePalette(&log);
    HPALETTE old = SelectPalette(screen, palette_, FALSE);
    if (!previous_) previous_ = old;
    RealizePalette(screen);
    ReleaseDC(nullptr, screen);
}

void WindowsPalette::Rebuild(std::int16_t first, std::int16_t last, std::uint8_t flag) {
    LOGPALETTE log{};
    log.palVersion = 0x300;
    log.palNumEntries = 256;
    GetPaletteEntries(palette_, 0, 256, log.palPalEntry);
    for (int i = std::max<int>(0, first); i <= std::min<int>(255, last); ++i) log.palPalEntry[i].peFlags = flag;
    HPALETTE next = CreatePalette(&log);
    if (!next) return;
    HDC screen = GetDC(nullptr);
    SelectPalette(screen, next, FALSE);
    RealizePalette(screen);
    ReleaseDC(nullptr, screen);
    // The replaced palette is no longer held by any context: let it go.
    DeleteObject(palette_);
    palette_ = next;
}

void WindowsPalette::ReserveRange(std::int16_t first, std::int16_t last) {
    animationFirst_ = first;
    animationLast_ = last;
    Rebuild(first, last, PC_RESERVED);
}

void WindowsPalette::ReleaseRange(std::int16_t first, std::int16_t last) {
    animationFirst_ = 0;
    animationLast_ = 0;
    Rebuild(first, last, PC_NOCOLLAPSE);
}

std::int16_t WindowsPalette::GetReservedRange(std::int16_t& first, std::int16_t& last) const {
    if (animationFirst_ == 0 && animationLast_ == 0) return 0;
    first = animationFirst_;
    last = animationLast_;
    return 1;
}

bool WindowsPalette::Save(const char* path) const {
    PaletteFileData data;
    std::memcpy(data.entries.data(), entries_, sizeof entries_);
    for (int k = 1; k <= 5; ++k) std::memcpy(data.tables[k - 1].data(), GetTable(k), 256);
    return WritePaletteFile(path ? path : "", data);
}

std::uint8_t WindowsPalette::NearestIndex(std::uint8_t r, std::uint8_t g, std::uint8_t b) const {
    return static_cast<std::uint8_t>(GetNearestPaletteIndex(palette_, RGB(r, g, b)));
}

void WindowsPalette::ComputeTable(int k) {
    auto* t = new std::uint8_t[256];
    for (int i = 0; i < 256; ++i) {
        const RGBTriple c = HSVToRGB(ApplyRemapRule(k, EntryToHSV(entries_ + i * 4)));
        t[i] = static_cast<std::uint8_t>(GetNearestPaletteIndex(palette_, RGB(c.red, c.green, c.blue)));
    }
    SetTable(k, t);
}
