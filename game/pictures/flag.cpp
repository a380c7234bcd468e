#include "game/pictures/flag.h"

#include "game/pictures/picture_random.h"

#include <string>

namespace {

const char* const kFlagLibraries[3] = {"Activation Unit Flags", "Activation Unit Flags (Half size)",
                                       "Activation Unit Flags (Quarter size)"};

struct FlagArt {
    QIF<Bitmap>* art[3] = {nullptr, nullptr, nullptr};
    List<FrameInfo> shadowList;
    List<FrameInfo> cloth[2][2];
    List<FrameInfo> grey[2][2];
};

FlagArt* flagArt = nullptr;

const List<FrameInfo>& EmptyList() {
    static const List<FrameInfo> empty;
    return empty;
}

std::int32_t CheckedIndex(std::int32_t v) { return v == 1 ? 1 : 0; }

QIF<Bitmap>* ArtAt(int z) { return flagArt ? flagArt->art[z] : nullptr; }

// Moves the head of a list to its tail.
void Turn(List<FrameInfo>& list) {
    FrameInfo f;
    if (list.RemoveHead(f)) list.AddTail(f);
}

const FrameInfo kStem("Stem", 0);

} // namespace

const Point3D Flag::kClothRaised[2] = {Point3D(0, -94, 0), Point3D(0, -161, 0)};
const Point3D Flag::kClothLowered[2] = {Point3D(0, -82, 0), Point3D(0, -149, 0)};
const Point3D Flag::kShadowRaised[2] = {Point3D(34, 23, 0), Point3D(34, -44, 0)};
const Point3D Flag::kShadowLowered[2] = {Point3D(31, 19, 0), Point3D(31, -48, 0)};

std::int16_t Flag::GetFlagAnimation() { return 1; }

void Flag::InitFlagArt() {
    FreeFlagArt();
    flagArt = new FlagArt;
    for (int z = 0; z < 3; ++z) flagArt->art[z] = new QIF<Bitmap>(kFlagLibraries[z]);
    QIF<Bitmap>* full = flagArt->art[0];
    full->SelectSection("Shadow");
    const std::int16_t n = full->HasSection("Shadow") ? full->ImageCount() : 0;
    static const char* const kCloth[2] = {"union", "confederate"};
    static const char* const kGrey[2] = {"union dis", "confederate dis"};
    for (std::int16_t i = 0; i < n; ++i) {
        flagArt->shadowList.AddTail(FrameInfo("Shadow", i));
        for (int s = 0; s < 2; ++s)
            for (int v = 0; v < 2; ++v) {
                flagArt->cloth[s][v].AddTail(FrameInfo(kCloth[s], i));
                flagArt->grey[s][v].AddTail(FrameInfo(kGrey[s], i));
            }
    }
}

void Flag::FreeFlagArt() {
    if (!flagArt) return;
    for (QIF<Bitmap>* a : flagArt->art) delete a;
    delete flagArt;
    flagArt = nullptr;
}

const List<FrameInfo>& Flag::ShadowFrames() { return flagArt ? flagArt->shadowList : EmptyList(); }

const List<FrameInfo>& Flag::ClothFrames(std::int32_t side_, std::int16_t variant_, bool grey) {
    if (!flagArt) return EmptyList();
    const int s = CheckedIndex(side_), v = variant_ != 0 ? 1 : 0;
    return grey ? flagArt->grey[s][v] : flagArt->cloth[s][v];
}

FrameInfo Flag::FirstOf(const List<FrameInfo>& list) const {
    FrameInfo f;
    list.PeekHead(f);
    return f;
}

List<FrameInfo> Flag::StemList() const {
    List<FrameInfo> l;
    l.AddTail(kStem);
    return l;
}

Flag::Flag(std::int16_t hex, const Point3D& position_, std::int32_t side_, std::int16_t variant_, std::int16_t stand_)
    : VhSprite(hex, position_, kStem, -1, nullptr, 1, ArtAt(0), ArtAt(1), ArtAt(2), 0), side(CheckedIndex(side_)),
      stand(static_cast<std::int16_t>(CheckedIndex(stand_))), variant(variant_ != 0 ? 1 : 0) {
    cloth = new VhSprite(hex, position_ + kClothLowered[stand], FirstOf(ClothFrames(side, variant, false)), -1, nullptr,
                         1, ArtAt(0), ArtAt(1), ArtAt(2), 0);
    shadow = new VhSprite(hex, position_ + kShadowLowered[stand], FirstOf(ShadowFrames()), -1, nullptr, 1, ArtAt(0),
                          ArtAt(1), ArtAt(2), 0);
    SetIgnoresPointer(1);
    cloth->SetIgnoresPointer(1);
    shadow->SetIgnoresPointer(1);
}

Flag::~Flag() {
    delete cloth;
    delete shadow;
}

void Flag::LowerFlag(const Point3D& position_) {
    List<FrameInfo> clothFirst, shadowFirst;
    clothFirst.AddTail(FirstOf(ClothFrames(side, variant, false)));
    shadowFirst.AddTail(FirstOf(ShadowFrames()));
    cloth->PostFrames(-1, Point4(position_ + kClothLowered[stand], 0), clothFirst, -1, SpriteEvent::Move, 0);
    shadow->PostFrames(-1, Point4(position_ + kShadowLowered[stand], 0), shadowFirst, -1, SpriteEvent::Move, 0);
    VhSprite::PostFrames(-1, Point4(position_, 0), StemList(), -1, SpriteEvent::Move, 0);
}

void Flag::LowerFlag(const Point3D& position_, std::int16_t hide) {
    LowerFlag(position_);
    if (hide) HideFlag();
}

std::int16_t Flag::RaiseFlag(const Point3D& position_, std::int16_t grey) {
    ShowFlag();
    if (!GetFlagAnimation()) return 0;
    List<FrameInfo> clothCopy(ClothFrames(side, variant, grey != 0));
    List<FrameInfo> shadowCopy(ShadowFrames());
    // Each raise starts the cloth at a random phase and leaves the shared shadow cycle turned,
    // so that flags raised together do not wave in step.
    for (int i = 0;; ++i) {
        const int m = clothCopy.Count();
        const int r = m > 0 ? PictureRandom() % m : 0;
        if (r <= i) break;
        Turn(clothCopy);
        if (flagArt) Turn(flagArt->shadowList);
    }
    cloth->PostFrames(-1, Point4(position_ + kClothRaised[stand], 0), clothCopy, -1, SpriteEvent::Hold, 0);
    shadow->PostFrames(-1, Point4(position_ + kShadowRaised[stand], 0), shadowCopy, -1, SpriteEvent::Hold, 0);
    VhSprite::PostFrames(-1, Point4(position_, 0), StemList(), -1, SpriteEvent::Move, 0);
    return 0;
}

void Flag::PostEvent(std::int16_t hex, const Point4& target, const char*, std::int16_t value, std::uint16_t type,
                     std::uint16_t repeat) {
    VhSprite::PostFrames(hex, target, StemList(), value, type, repeat);
    cloth->PostFrames(hex, target + Point4(kClothRaised[stand], 0), ClothFrames(side, variant, false), value, type,
                      repeat);
    shadow->PostFrames(hex, target + Point4(kShadowRaised[stand], 0), ShadowFrames(), value, type, repeat);
}

void Flag::PostFrames(std::int16_t hex, const Point4& target, const List<FrameInfo>&, std::int16_t value,
                      std::uint16_t type, std::uint16_t repeat) {
    PostEvent(hex, target, nullptr, value, type, repeat);
}

void Flag::PostCommand(std::uint16_t type) {
    VhSprite::PostCommand(type);
    cloth->PostCommand(type);
    shadow->PostCommand(type);
}

std::int16_t Flag::Tick(std::int32_t now, List<Box>* dirty) {
    const std::int16_t a = cloth->Tick(now, dirty);
    const std::int16_t b = VhSprite::Tick(now, dirty);
    const std::int16_t c = shadow->Tick(now, dirty);
    return (a || b || c) ? 1 : 0;
}

namespace {
Box Union(const Box& a, const Box& b) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return a | b;
}
} // namespace

Box Flag::GetBounds() const {
    if (hidden) return Box();
    return Union(Union(VhSprite::GetBounds(), cloth->GetBounds()), shadow->GetBounds());
}

Box Flag::GetBoundsAtZoom(std::int16_t zoom) const {
    if (hidden) return Box();
    return Union(Union(VhSprite::GetBoundsAtZoom(zoom), cloth->GetBoundsAtZoom(zoom)), shadow->GetBoundsAtZoom(zoom));
}

Box Flag::DrawAtZoom(Bitmap& surface, const Point& origin, std::int16_t zoom) {
    if (hidden) return Box();
    const Box own = VhSprite::DrawAtZoom(surface, origin, zoom);
    const Box c = cloth->DrawAtZoom(surface, origin, zoom);
    const Box s = shadow->DrawAtZoom(surface, origin, zoom);
    return Union(Union(own, c), s);
}

std::int16_t Flag::HitTest(const Point& point) const {
    return (VhSprite::HitTest(point) || cloth->HitTest(point) || shadow->HitTest(point)) ? 1 : 0;
}

std::int16_t Flag::HitTestAtZoom(const Point& point, std::int16_t zoom) const {
    return (VhSprite::HitTestAtZoom(point, zoom) || cloth->HitTestAtZoom(point, zoom) ||
            shadow->HitTestAtZoom(point, zoom))
               ? 1
               : 0;
}

void Flag::Save(SuperString& s) const {
    VhSprite::Save(s);
    cloth->Save(s);
    shadow->Save(s);
}

void Flag::Load(SuperString& s) {
    VhSprite::Load(s);
    cloth->Load(s);
    shadow->Load(s);
}

void Flag::MoveToCombatView() {
    VhSprite::MoveToCombatView();
    cloth->MoveToCombatView();
    shadow->MoveToCombatView();
}

void Flag::ChangeRegion(std::int16_t hex) {
    cloth->ChangeRegion(hex);
    shadow->ChangeRegion(hex);
    VhSprite::ChangeRegion(hex);
}

void Flag::SetLift(std::int16_t h) {
    cloth->SetLift(h);
    shadow->SetLift(h);
    VhSprite::SetLift(h);
}

void Flag::PostSoundCode1(std::uint32_t code, std::uint16_t first) { PostSoundCode(code, first, 0); }
