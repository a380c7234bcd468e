#pragma once
// Flag: a unit's flag. The flag sprite draws the stem and owns two more sprites, the cloth and
// the cloth's shadow; all three move together, and while the flag is raised the cloth and
// shadow hold at their raised offsets cycling their frames (the side's cloth, or the grey cloth
// of a flag raised in its disabled look). A new flag stands lowered.
//
// The art and the frame lists are shared by every flag (InitFlagArt / FreeFlagArt). A side or
// stand outside 0..1 is taken as 0: they index those tables.
#include "game/pictures/vh_sprite.h"

class Flag : public VhSprite {
public:
    Flag(std::int16_t hex, const Point3D& position, std::int32_t side, std::int16_t variant, std::int16_t stand);
    ~Flag() override;

    void LowerFlag(const Point3D& position);
    void LowerFlag(const Point3D& position, std::int16_t hide);
    std::int16_t RaiseFlag(const Point3D& position, std::int16_t grey);
    void HideFlag() { PostCommand(SpriteEvent::HideSprite); }
    void ShowFlag() { PostCommand(SpriteEvent::ShowSprite); }

    // --- the cloth and the shadow follow the flag ---
    Box Draw(Bitmap& target, const Point& origin) override { return DrawAtZoom(target, origin, 0); }
    void PostEvent(std::int16_t hex, const Point4& target, const char* sequence, std::int16_t value,
                   std::uint16_t type, std::uint16_t repeat) override;
    void PostCommand(std::uint16_t type) override;
    std::int16_t Tick(std::int32_t now, List<Box>* dirty) override;
    Box GetBounds() const override;
    std::int16_t HitTest(const Point& point) const override;
    void Save(SuperString& s) const override;
    void Load(SuperString& s) override;
    void PostFrames(std::int16_t hex, const Point4& target, const List<FrameInfo>& frames, std::int16_t value,
                    std::uint16_t type, std::uint16_t repeat) override;
    Box DrawAtZoom(Bitmap& surface, const Point& origin, std::int16_t zoom) override;
    Box GetBoundsAtZoom(std::int16_t zoom) const override;
    std::int16_t HitTestAtZoom(const Point& point, std::int16_t zoom) const override;
    void MoveToCombatView() override;
    void ChangeRegion(std::int16_t hex) override;
    void SetLift(std::int16_t h) override;
    virtual void PostSoundCode1(std::uint32_t code, std::uint16_t first);

    VhSprite* GetCloth() const { return cloth; }
    VhSprite* GetShadow() const { return shadow; }
    std::int32_t GetSide() const { return side; }
    std::int16_t GetStand() const { return stand; }

    static std::int16_t GetFlagAnimation();
    static void InitFlagArt();
    static void FreeFlagArt();
    // The shared lists, for the pictures and tests; empty before InitFlagArt.
    static const List<FrameInfo>& ShadowFrames();
    static const List<FrameInfo>& ClothFrames(std::int32_t side, std::int16_t variant, bool grey);

    // Offsets from the flag's position by stand.
    static const Point3D kClothRaised[2];
    static const Point3D kClothLowered[2];
    static const Point3D kShadowRaised[2];
    static const Point3D kShadowLowered[2];

private:
    List<FrameInfo> StemList() const;
    FrameInfo FirstOf(const List<FrameInfo>& list) const;

    VhSprite* cloth = nullptr;
    VhSprite* shadow = nullptr;
    std::int32_t side = 0;
    std::int16_t stand = 0;
    std::int16_t variant = 0;
};
