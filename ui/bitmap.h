#pragma once
// Bitmap: the one 8-bit picture and surface type. Invariants: row padding = (4 - width mod 4)
// mod 4, so every stride is a multiple of 4; an uncompressed bitmap's data size is height x
// stride; pixel (x, y) lies in stored row y (top-down) or height - 1 - y (bottom-up), one
// orientation for the whole process; compressed pixel data in memory has passed validation.
// Every drawing operation returns the touched rectangle in top-down coordinates, or the empty
// box when nothing was touched.
#include "core/geometry.h"
#include "platform/file.h"

#include <cstdint>
#include <string>

class LogicalPalette;

// Tells the user once per call that an art file cannot be used ("Damaged art" box).
void ReportDamagedArt(const std::string& file, const char* what);
// A look-up of a picture or section by name that found nothing, so that whoever asked draws
// without it: one line on stderr per distinct miss, e.g.
//   art: no image "Logo" in section "Bull Run" of "Company Logos"
//   art: no section "Alpha" in "Chiseled Text"          (image null)
void ReportArtLookUpMiss(const std::string& library, const char* section, const char* image);

class Bitmap {
public:
    // Source types.
    enum : std::int32_t { Plain = 1, Keyed = 2, Shadowed = 3, Compressed = 4, ShadowHighlight = 5, CompressedShadow = 6 };
    static constexpr std::size_t kRecordSize = 150;
    static constexpr std::size_t kMemoryRecordSize = 42;

    Bitmap(const Dim& size, long type);
    // Reads one image record at the file's position and leaves the file at the next record.
    // A damaged record leaves the bitmap empty and IsValid false.
    Bitmap(const char* fileName, HFILE file);
    // Reads one 42-byte memory record and advances the cursor; `end` bounds the read.
    Bitmap(const char* fileName, const unsigned char*& cursor, const unsigned char* end);
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    virtual ~Bitmap();

    virtual Box Fill(unsigned char colour);
    virtual Box Draw(const Point& at, Bitmap& source, const Box& sourceRect, int mode);
    virtual Box DrawAll(const Point& at, Bitmap& source, int mode);
    virtual void EmptyHook();
    virtual Box FrameRect(const Box& rect, short r, short g, short b);
    virtual Box MarkChanged(const Box& rect);
    virtual void Resize(const Dim& size);
    virtual void SetHotspot(const Point& hotspot);

    // Library images: pixels are read on the first lock; unlocked ones may be discarded.
    bool Lock();
    void Unlock();
    void UnlockAll();
    bool IsResident() const { return pixels_ != nullptr; }
    bool Load();
    // Lets an unlocked library image go; the next Lock reads it again.
    bool Discard();
    int LockCount() const { return locks_; }

    bool IsValid() const { return valid_; }
    Dim GetSize() const { return size_; }
    std::int16_t GetWidth() const { return size_.width; }
    std::int16_t GetHeight() const { return size_.height; }
    std::uint32_t GetDataSize() const { return dataSize_; }
    std::uint8_t* GetPixels() const { return pixels_; }
    std::uint16_t GetRowPadding() const { return padding_; }
    const char* GetName() const { return name_ ? name_ : ""; }
    std::string GetFileName() const { return fileName_; }
    Point GetHotspot() const { return hotspot_; }
    std::int32_t GetType() const { return type_; }
    std::int32_t GetDataOffset() const { return dataOffset_; }
    int Stride() const { return size_.width + padding_; }

    std::int16_t IsOpaqueAt(const Point& p) const;
    static std::int16_t RowPadding(std::int16_t width);

    // The process-wide row orientation: > 0 bottom-up, otherwise top-down.
    static int Orientation();
    static bool BottomUp() { return Orientation() > 0; }
    // Tests: forget the cached orientation so that the next bitmap asks again.
    static void ResetOrientation();

    // The palette whose remap tables drawing uses: the one set here, else the application's.
    static LogicalPalette* DrawingPalette();
    static void SetDrawingPalette(LogicalPalette* palette);

protected:
    // For surfaces whose pixels belong to someone else (windows, tiles, references): the
    // bitmap forgets them without freeing.
    void AdoptForeignPixels(std::uint8_t* pixels, const Dim& size, std::uint16_t padding);
    void ForgetPixels();
    void SetSizeFields(const Dim& size);

    std::uint8_t* pixels_ = nullptr;
    Dim size_;
    std::uint16_t padding_ = 0;
    std::uint32_t dataSize_ = 0;

private:
    bool ReadRecord(HFILE file);
    void SetName(const char* name, std::size_t max);
    void FreePixels();

    std::string fileName_;
    std::int32_t dataOffset_ = -1;
    char* name_ = nullptr;
    Point hotspot_;
    std::int32_t type_ = Plain;
    bool owned_ = true;   // pixels_ belongs to this bitmap
    bool valid_ = true;
    int locks_ = 0;
};
