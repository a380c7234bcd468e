#pragma once
// The system's one 256-colour palette: read from the palette file, built into a platform
// palette whose entries 0-9 and 246-255 are the system's static colours, with the five remap
// tables taken from the file or computed by the colour rules. Invariant: after construction the
// entries, the palette object and all five tables exist, whatever the file held; a missing or
// damaged file is reported once and replaced by a grey ramp.
#include "ui/logical_palette.h"
#include "ui/windows/palette_file.h"

#include <string>

class WindowsPalette : public LogicalPalette {
public:
    // `fileName` is relative to `dataDirectory` (joined with "\"); an empty directory takes the
    // name as it is.
    explicit WindowsPalette(const char* fileName, const std::string& dataDirectory = {});
    ~WindowsPalette() override;

    void ReserveRange(std::int16_t first, std::int16_t last) override;
    void ReleaseRange(std::int16_t first, std::int16_t last) override;
    std::int16_t GetReservedRange(std::int16_t& first, std::int16_t& last) const override;
    const std::uint8_t* GetData() const override { return entries_; }
    HPALETTE GetHandle() const override { return palette_; }
    bool Save(const char* path) const override;
    std::uint8_t NearestIndex(std::uint8_t r, std::uint8_t g, std::uint8_t b) const override;

    // The platform names of the animation-range operations.
    void SetAnimationRange(std::int16_t first, std::int16_t last) { ReserveRange(first, last); }
    void ClearAnimationRange(std::int16_t first, std::int16_t last) { ReleaseRange(first, last); }
    std::int16_t GetAnimationRange(std::int16_t& first, std::int16_t& last) const { return GetReservedRange(first, last); }

    PaletteFileResult LoadResult() const { return loadResult_; }

private:
    void BuildPaletteObject();
    void Rebuild(std::int16_t first, std::int16_t last, std::uint8_t flag);
    void ComputeTable(int k);

    std::uint8_t entries_[1024] = {};
    HPALETTE palette_ = nullptr;
    HPALETTE previous_ = nullptr;
    std::int16_t animationFirst_ = 0;
    std::int16_t animationLast_ = 0;
    PaletteFileResult loadResult_ = PaletteFileResult::Ok;
};
