#pragma once
// LandscapeSprite: the sprite of things that stand on the landscape rather than belong to a
// unit's picture: trees, stones, buildings and walls, battle arrows, and figures a picture hands
// over when they stay on the field. It shows one named frame (a section of its art and a picture
// number) from the art of its zoom level (0 full, 1 half, 2 quarter size), and its position is
// in the pixels of the landscape that made it.
//
// Saved form: the three art names (string each: full, half, quarter size; empty for none), then
// the record: object id u16, position x, y, z i16, layer u16, draw mode u32, sequence (string),
// frame i16, zoom u16, hidden u16, ignores-pointer u16, flag u16. Load refuses a short or damaged
// record (Failed() answers true and the sprite shows nothing).
//
// Invariants: the shown bitmap is the art's picture for the sequence and frame at the zoom, or
// null when the art has none; art the sprite opened itself is owned and closed with it.
#include "landscape/physical/sprite.h"
#include "ui/qif.h"

#include <cstdint>
#include <memory>
#include <string>

struct SpriteFrame {
    std::string sequence;
    std::int16_t frame = 0;
};

class LandscapeSprite : public Sprite {
public:
    // An empty sprite for loading.
    LandscapeSprite();
    // The art is not owned.
    LandscapeSprite(std::uint16_t objectId, const Point3D& position, const SpriteFrame& first, std::uint16_t layer,
                    PhysicalObject* owner, std::uint32_t drawMode, QIF<Bitmap>* full, QIF<Bitmap>* half,
                    QIF<Bitmap>* quarter, std::uint16_t flag, int zoom = 0);
    ~LandscapeSprite() override;

    Box Draw(Bitmap& target, const Point& origin) override;
    void Save(SuperString& s) const override;
    void Load(SuperString& s) override;

    void SaveArtNames(SuperString& s) const;
    // Opens the named libraries (owned from then on); false on a short stream.
    bool LoadArtNames(SuperString& s);

    void SetZoom(int zoom);
    int GetZoom() const { return zoom; }
    void SetFrame(const SpriteFrame& f);
    const SpriteFrame& GetFrameInfo() const { return frameInfo; }
    QIF<Bitmap>* Art(int z) const { return z >= 0 && z < 3 ? art[z] : nullptr; }
    bool IgnoresPointer() const { return ignoresPointer != 0; }
    void SetIgnoresPointer(bool on) { ignoresPointer = on ? 1 : 0; }
    std::uint16_t GetFlag() const { return flag; }
    bool Failed() const { return failed; }

private:
    void Resolve();

    QIF<Bitmap>* art[3] = {nullptr, nullptr, nullptr};
    std::unique_ptr<QIF<Bitmap>> owned[3];
    SpriteFrame frameInfo;
    std::uint16_t zoom = 0;
    std::uint16_t ignoresPointer = 0;
    std::uint16_t flag = 0;
    bool failed = false;
};
