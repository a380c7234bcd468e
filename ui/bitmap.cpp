#include "ui/bitmap.h"

#include "core/application.h"
#include "platform/msgbox.h"
#include "platform/wing.h"
#include "ui/blitters.h"
#include "ui/logical_palette.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

namespace {

int g_orientation = 0;
bool g_orientationKnown = false;
LogicalPalette* g_palette = nullptr;

std::int16_t I16(const unsigned char* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool IsCompressedType(std::int32_t t) { return t == Bitmap::Compressed || t == Bitmap::CompressedShadow; }


// Checks the size fields of a picture against its type.
bool SaneRecord(std::int16_t width, std::int16_t height, std::int32_t type, std::uint32_t dataSize) {
    if (width < 0 || height < 0 || type < 1 || type > 6) return false;
    if (IsCompressedType(type)) return dataSize >= 2u * static_cast<std::uint32_t>(height) && dataSize <= 4095u * static_cast<std::uint32_t>(height);
    return dataSize == static_cast<std::uint32_t>(height) * static_cast<std::uint32_t>(width + Bitmap::RowPadding(width));
}

} // namespace

void ReportDamagedArt(const std::string& file, const char* what) {
    const std::string text = "The art file " + file + " is damaged (" + what + ").";
    MessageBox(nullptr, text.c_str(), "Damaged art", MB_OK | MB_ICONSTOP);
}

void ReportArtLookUpMiss(const std::string& library, const char* section, const char* image) {
    const std::string what = image ? "no image \"" + std::string(image) + "\" in section \"" + (section ? section : "") + "\" of \"" + library + "\""
                                   : "no section \"" + std::string(section ? section : "") + "\" in \"" + library + "\"";
    static std::mutex guard;
    static std::set<std::string> told;
    std::lock_guard<std::mutex> lock(guard);
    if (told.insert(what).second) std::fprintf(stderr, "art: %s\n", what.c_str());
}

std::int16_t Bitmap::RowPadding(std::int16_t width) { return static_cast<std::int16_t>((4 - width % 4) % 4); }

int Bitmap::Orientation() {
    if (!g_orientationKnown) {
        BITMAPINFO info;
        WinGRecommendDIBFormat(&info);
        g_orientation = info.bmiHeader.biHeight > 0 ? 1 : -1;
        g_orientationKnown = true;
    }
    return g_orientation;
}

void Bitmap::ResetOrientation() { g_orientationKnown = false; }

LogicalPalette* Bitmap::DrawingPalette() {
    if (g_palette) return g_palette;
    const Application* app = GetApplication();
    return app ? app->GetPalette() : nullptr;
}
void Bitmap::SetDrawingPalette(LogicalPalette* palette) { g_palette = palette; }

Bitmap::Bitmap(const Dim& size, long type) : type_(static_cast<std::int32_t>(type)) {
    Orientation();
    Resize(size);
}

Bitmap::Bitmap(const char* fileName, HFILE file) : fileName_(fileName ? fileName : "") {
    Orientation();
    valid_ = ReadRecord(file);
    if (!valid_) {
        size_ = Dim();
        dataSize_ = 0;
        padding_ = 0;
    }
}

Bitmap::Bitmap(const char* fileName, const unsigned char*& cursor, const unsigned char* end)
    : fileName_(fileName ? fileName : "") {
    Orientation();
    if (!cursor || end - cursor < static_cast<std::ptrdiff_t>(kMemoryRecordSize)) {
        valid_ = false;
        return;
    }
    const unsigned char* p = cursor;
    SetName(reinterpret_cast<const char*>(p), 24);
    const std::int16_t w = I16(p + 24), h = I16(p + 26);
    hotspot_ = Point(I16(p + 28), I16(p + 30));
    type_ = I16(p + 32);
    const std::uint32_t size = U32(p + 34);
    dataOffset_ = static_cast<std::int32_t>(U32(p + 38));
    cursor += kMemoryRecordSize;
    valid_ = SaneRecord(w, h, type_, size) && dataOffset_ >= 0;
    if (valid_) {
        SetSizeFields(Dim(w, h));
        dataSize_ = size;
    }
}

Bitmap::~Bitmap() {
    FreePixels();
    delete[] name_;
}

void Bitmap::FreePixels() {
    if (owned_) delete[] pixels_;
    pixels_ = nullptr;
    owned_ = true;
    locks_ = 0;
}

void Bitmap::SetName(const char* name, std::size_t max) {
    std::size_t n = 0;
    while (n < max && name[n]) ++n;
    delete[] name_;
    name_ = new char[n + 1];
    std::memcpy(name_, name, n);
    name_[n] = 0;
}

void Bitmap::SetSizeFields(const Dim& size) {
    size_ = size;
    padding_ = static_cast<std::uint16_t>(RowPadding(size.width));
    dataSize_ = static_cast<std::uint32_t>(std::max<int>(0, size.height)) * static_cast<std::uint32_t>(std::max<int>(0, size.width + padding_));
}

bool Bitmap::ReadRecord(HFILE file) {
    unsigned char r[kRecordSize];
    const LONG start = _llseek(file, 0, FILE_CURRENT);
    const long long fileSize = platform::FileSize(file);
    if (start < 0 || _lread(file, r, kRecordSize) != kRecordSize) return false;
    SetName(reinterpret_cast<const char*>(r), 128);
    const std::int16_t w = I16(r + 128), h = I16(r + 130);
    hotspot_ = Point(I16(r + 132), I16(r + 134));
    type_ = I16(r + 136);
    const std::uint32_t size = U32(r + 138);
    const std::uint32_t next = U32(r + 146);
    dataOffset_ = start + static_cast<std::int32_t>(kRecordSize);
    if (!SaneRecord(w, h, type_, size)) return false;
    if (static_cast<long long>(dataOffset_) + size > fileSize) return false;
    if (next != 0) {
        // The next record must lie whole inside the file and not be this one.
        if (next == static_cast<std::uint32_t>(start) || static_cast<long long>(next) + static_cast<long long>(kRecordSize) > fileSize) return false;
        if (_llseek(file, static_cast<LONG>(next), FILE_BEGIN) != static_cast<LONG>(next)) return false;
    } else {
        _llseek(file, dataOffset_ + static_cast<LONG>(size), FILE_BEGIN);
    }
    SetSizeFields(Dim(w, h));
    dataSize_ = size;
    return true;
}

bool Bitmap::Load() {
    if (!valid_ || fileName_.empty() || dataOffset_ < 0) return false;
    if (pixels_) return true;
    OFSTRUCT info;
    const HFILE f = OpenFile(fileName_.c_str(), &info, OF_READ);
    if (f == HFILE_ERROR) {
        ReportDamagedArt(fileName_, "cannot be opened");
        return false;
    }
    auto* data = new std::uint8_t[std::max<std::uint32_t>(dataSize_, 1)];
    bool ok = _llseek(f, dataOffset_, FILE_BEGIN) == dataOffset_ &&
              _hread(f, data, static_cast<long>(dataSize_)) == static_cast<long>(dataSize_);
    _lclose(f);
    if (ok && IsCompressedType(type_)) ok = blit::ValidateCompressed(data, dataSize_, size_.width, size_.height);
    if (!ok) {
        delete[] data;
        ReportDamagedArt(fileName_, GetName());
        valid_ = false;
        return false;
    }
    if (BottomUp()) {
        // Stored rows are top-down; in memory they go in reverse order, each row intact.
        auto* flipped = new std::uint8_t[std::max<std::uint32_t>(dataSize_, 1)];
        if (IsCompressedType(type_)) {
            std::size_t in = 0, out = dataSize_;
            for (int y = 0; y < size_.height; ++y) {
                const std::size_t len = (data[in] | (data[in + 1] << 8)) & blit::kCountMask;
                out -= len;
                std::memcpy(flipped + out, data + in, len);
                in += len;
            }
        } else {
            const std::size_t stride = static_cast<std::size_t>(Stride());
            for (int y = 0; y < size_.height; ++y)
                std::memcpy(flipped + (static_cast<std::size_t>(size_.height) - 1 - y) * stride, data + y * stride, stride);
        }
        delete[] data;
        data = flipped;
    }
    pixels_ = data;
    owned_ = true;
    return true;
}

bool Bitmap::Lock() {
    if (!pixels_ && !Load()) return false;
    ++locks_;
    return true;
}

void Bitmap::Unlock() {
    if (locks_ > 0) --locks_;
}

void Bitmap::UnlockAll() { locks_ = 0; }

bool Bitmap::Discard() {
    if (locks_ > 0 || !owned_ || fileName_.empty() || !pixels_) return false;
    delete[] pixels_;
    pixels_ = nullptr;
    return true;
}

void Bitmap::AdoptForeignPixels(std::uint8_t* pixels, const Dim& size, std::uint16_t padding) {
    FreePixels();
    pixels_ = pixels;
    owned_ = false;
    size_ = size;
    padding_ = padding;
    dataSize_ = static_cast<std::uint32_t>(std::max<int>(0, size.height)) * static_cast<std::uint32_t>(std::max<int>(0, size.width + padding));
}

void Bitmap::ForgetPixels() {
    if (!owned_) pixels_ = nullptr;
    FreePixels();
}

void Bitmap::Resize(const Dim& size) {
    FreePixels();
    SetSizeFields(Dim(std::max<int>(0, size.width), std::max<int>(0, size.height)));
    if (size_.width > 0 && size_.height > 0) {
        pixels_ = new std::uint8_t[dataSize_]();
        owned_ = true;
    }
}

void Bitmap::SetHotspot(const Point& hotspot) { hotspot_ = hotspot; }

void Bitmap::EmptyHook() {}

Box Bitmap::MarkChanged(const Box& rect) { return pixels_ ? rect : Box(); }

Box Bitmap::Fill(unsigned char colour) {
    if (!pixels_) return Box();
    blit::Fill(pixels_, dataSize_, colour);
    return Box(0, 0, size_.width, size_.height);
}

Box Bitmap::DrawAll(const Point& at, Bitmap& source, int mode) {
    return Draw(at, source, Box(0, 0, source.GetWidth(), source.GetHeight()), mode);
}

Box Bitmap::Draw(const Point& at, Bitmap& source, const Box& sourceRect, int mode) {
    if (!pixels_) return Box();
    // A source without pixels (not locked, or its data refused) draws nothing.
    if (!source.pixels_) return Box();
    int x = at.x - source.hotspot_.x, y = at.y - source.hotspot_.y;
    int sx = sourceRect.x, sy = sourceRect.y, w = sourceRect.width, h = sourceRect.height;
    // Keep the source rectangle inside the source: the blitters read without bounds checks.
    if (sx < 0) { w += sx; x -= sx; sx = 0; }
    if (sy < 0) { h += sy; y -= sy; sy = 0; }
    w = std::min(w, source.size_.width - sx);
    h = std::min(h, source.size_.height - sy);
    if (x < 0) { w += x; sx -= x; x = 0; }
    if (y < 0) { h += y; sy -= y; y = 0; }
    if (x + w > size_.width) w = size_.width - x;
    if (y + h > size_.height) h = size_.height - y;
    if (w < 1 || h < 1) return Box();
    const Box result(x, y, w, h);

    const bool up = BottomUp();
    const int drow = up ? size_.height - y - h : y;
    const int srow = up ? source.size_.height - sy - h : sy;
    const int dstride = Stride(), sstride = source.Stride();
    std::uint8_t* d = pixels_ + static_cast<std::ptrdiff_t>(drow) * dstride + x;
    const std::uint8_t* s = source.pixels_ + static_cast<std::ptrdiff_t>(srow) * sstride + sx;
    const int dskip = dstride - w, sskip = sstride - w;

    const LogicalPalette* pal = DrawingPalette();
    static const int kModeTable[7] = {0, 0, 2, 3, 1, 4, 5};  // mode -> table number
    const std::uint8_t* M = (mode >= 2 && mode <= 6 && pal) ? pal->GetTable(kModeTable[mode]) : nullptr;
    const std::uint8_t* shadow = pal ? pal->GetShadowTable() : nullptr;
    const std::uint8_t* highlight = pal ? pal->GetHighlightTable() : nullptr;
    const bool remap = mode >= 2 && mode <= 6;
    // Without the palette's tables a remapping mode falls back to the picture's own drawing.
    const bool useM = remap && M;

    switch (source.type_) {
    case Plain:
        if (useM) blit::Remapped(d, s, w, h, dskip, sskip, M);
        else if (remap) blit::KeyedCopy(d, s, w, h, dskip, sskip, 0);
        else blit::Copy(d, s, w, h, dskip, sskip);
        break;
    case Keyed:
        if (useM) blit::Remapped(d, s, w, h, dskip, sskip, M);
        else blit::KeyedCopy(d, s, w, h, dskip, sskip, 0);
        break;
    case Shadowed:
        if (!shadow) blit::KeyedCopy(d, s, w, h, dskip, sskip, 0);
        else if (useM) blit::ShadowedRemapped(d, s, w, h, dskip, sskip, shadow, M);
        else blit::Shadowed(d, s, w, h, dskip, sskip, shadow);
        break;
    case ShadowHighlight:
        if (shadow && highlight) blit::ShadowHighlight(d, s, w, h, dskip, sskip, shadow, highlight);
        else blit::KeyedCopy(d, s, w, h, dskip, sskip, 0);
        break;
    case Compressed:
        blit::Compressed(d, source.pixels_, sx, srow, w, h, dskip, useM ? M : nullptr);
        break;
    case CompressedShadow:
        if (shadow) blit::CompressedShadow(d, source.pixels_, sx, srow, w, h, dskip, shadow, useM ? M : nullptr);
        else blit::Compressed(d, source.pixels_, sx, srow, w, h, dskip, useM ? M : nullptr);
        break;
    default: break;
    }
    return result;
}

Box Bitmap::FrameRect(const Box& rect, short r, short g, short b) {
    if (!pixels_) return Box();
    int x = rect.x, y = rect.y, w = rect.width, h = rect.height;
    if (x < 0) { w += x; x = 0; }
    if (y < 0) { h += y; y = 0; }
    if (x + w > size_.width) w = size_.width - x;
    if (y + h > size_.height) h = size_.height - y;
    if (w < 1 || h < 1) return Box();
    const LogicalPalette* pal = DrawingPalette();
    const std::uint8_t colour =
        pal ? pal->NearestIndex(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b)) : 0;
    const int stride = Stride();
    const int first = BottomUp() ? size_.height - y - h : y;
    std::uint8_t* row = pixels_ + static_cast<std::ptrdiff_t>(first) * stride + x;
    std::memset(row, colour, static_cast<std::size_t>(w));
    for (int i = 1; i < h - 1; ++i) {
        row += stride;
        row[0] = colour;
        row[w - 1] = colour;
    }
    if (h > 1) std::memset(row + stride, colour, static_cast<std::size_t>(w));
    return Box(x, y, w, h);
}

std::int16_t Bitmap::IsOpaqueAt(const Point& p) const {
    if (!pixels_) return 0;
    const int x = p.x + hotspot_.x, y = p.y + hotspot_.y;
    if (x < 0 || x >= size_.width || y < 0 || y >= size_.height) return 0;
    const int row = BottomUp() ? size_.height - 1 - y : y;
    switch (type_) {
    case Keyed:
    case Shadowed: {
        const std::uint8_t v = pixels_[static_cast<std::ptrdiff_t>(row) * Stride() + x];
        return v != 0 && v != 255;
    }
    case Compressed:
    case CompressedShadow: return blit::CompressedOpaqueAt(pixels_, x, row) ? 1 : 0;
    default: return 1;
    }
}
