// The close-order pictures across two hexes: the phalanx (twenty figures in two ranks, its march,
// wheel, about-face, rout with dropped equipment, combat and return of figures) and the heavy
// infantry, a phalanx that fires volleys and turns its figures' sprites by drill commands.
#include "core/bus.h"
#include "core/events.h"
#include "core/geometry_stream.h"
#include "game/pictures/casualty_generator.h"
#include "game/pictures/flag.h"
#include "game/pictures/hex_directions.h"
#include "game/pictures/phalanx_places.h"
#include "game/pictures/picture_random.h"
#include "game/pictures/unit_pictures.h"
#include "game/pictures/volley_table.h"
#include "landscape/physical/physical_layer.h"

#include <vector>

namespace {

bool Is(const LogicalCommandInfo& c, const char* name) {
    return (c.command.Number() & 0x0FFFFFFFu) == RegisterMessage(name);
}

List<FrameInfo> OneFrame(const char* sequence, std::int32_t frame) {
    List<FrameInfo> l;
    l.AddTail(FrameInfo(sequence, static_cast<std::int16_t>(frame)));
    return l;
}

int Rand() { return PictureRandom(); }

const char* const kFacingNames[9] = {"", "N", "NE", "E", "SE", "S", "SW", "W", "NW"};
const char* const kFireRow[9] = {"", "MN", "MNE", "ME", "MSE", "MS", "MSW", "MW", "MNW"};

std::uint32_t Compass(std::uint32_t f) { return (f >= 1 && f <= 8) ? f : 1; }

// Each place's sprite layer, by facing N .. NW: the front of the formation is drawn last.
const std::int16_t kPlaceLayers[20][8] = {
    {10, 1, 2, 2, 11, 20, 18, 19},   {9, 3, 2, 4, 12, 18, 18, 17},   {8, 5, 4, 6, 13, 16, 16, 15},
    {7, 7, 6, 8, 14, 14, 14, 13},    {6, 9, 8, 10, 15, 12, 12, 11},  {5, 11, 10, 12, 16, 10, 10, 9},
    {4, 13, 12, 14, 17, 8, 8, 7},    {3, 15, 14, 16, 18, 6, 6, 5},   {2, 17, 16, 18, 19, 4, 4, 3},
    {1, 19, 18, 20, 20, 2, 2, 1},    {20, 2, 1, 1, 1, 19, 17, 20},   {19, 4, 1, 3, 2, 17, 17, 18},
    {18, 6, 3, 5, 3, 15, 15, 16},    {17, 8, 5, 7, 4, 13, 13, 14},   {16, 10, 7, 9, 5, 11, 11, 12},
    {15, 12, 9, 11, 6, 9, 9, 10},    {14, 14, 11, 13, 7, 7, 7, 8},   {13, 16, 13, 15, 8, 5, 5, 6},
    {12, 18, 15, 17, 9, 3, 3, 4},    {11, 20, 17, 19, 10, 1, 1, 2},
};

// The direction the figures that wheel in place turn through, by old and new facing.
std::uint32_t WheelThrough(std::uint32_t from, std::uint32_t to) {
    switch (from) {
    case 1: return to == 2 ? 2 : 8;
    case 2: return to == 4 ? 3 : 2;
    case 4: return to == 2 ? 3 : 4;
    case 5: return to == 6 ? 6 : 4;
    case 6: return to == 8 ? 7 : 6;
    case 8: return to == 6 ? 7 : 8;
    default: return Compass(to);
    }
}

Point3D Half(const Point3D& p) { return Point3D(p.x / 2, p.y / 2, p.z / 2); }

std::vector<short> Hexes(const List<short>& l) {
    std::vector<short> v;
    ListIterator<short> it(const_cast<List<short>*>(&l));
    short h = 0;
    while (it.Next(h)) v.push_back(h);
    return v;
}

} // namespace

// --- PPhalanx ---

Point3D PPhalanx::PlaceOffset(std::int16_t place, std::uint32_t direction) {
    if (place < 0 || place >= kPlaces || direction < 1 || direction > 8) return Point3D();
    return Point3D(pictures::kPhalanxPlaces[place][direction - 1][0], pictures::kPhalanxPlaces[place][direction - 1][1], 0);
}

std::int16_t PPhalanx::PlaceLayer(std::int16_t place, std::uint32_t f) {
    if (place < 0 || place >= kPlaces || f < 1 || f > 8) return -1;
    return kPlaceLayers[place][f - 1];
}

PPhalanx::PPhalanx(const char* artName_, std::int16_t hex, std::uint32_t facing_)
    : VhPhysicalObject(artName_, hex, facing_), firstRegion(hex), secondRegion(kNoRegion) {
    secondRegion = FlankRegion(hex, static_cast<std::int32_t>(facing_));
    minFigures = 10;
    kind = 3;
    kindVariant = 1;
}

VhPhysicalObject* PPhalanx::CreateInstance(std::int16_t hex, std::uint32_t facing_) {
    return new PPhalanx(artName.c_str(), hex, facing_);
}

std::int16_t PPhalanx::FlankRegion(std::int16_t region, std::int32_t direction) const {
    if (flipped) direction = direction > 4 ? direction - 4 : direction + 4;
    const bool odd = ((region / 100) & 1) != 0;
    switch (direction) {
    case 1: return static_cast<std::int16_t>(region - 1);
    case 2: return static_cast<std::int16_t>(region + (odd ? 100 : 99));
    case 4: return static_cast<std::int16_t>(region + (odd ? 101 : 100));
    case 5: return static_cast<std::int16_t>(region + 1);
    case 6: return static_cast<std::int16_t>(region - (odd ? 99 : 100));
    case 8: return static_cast<std::int16_t>(region - (odd ? 100 : 101));
    default: return kNoRegion;
    }
}

std::int16_t PPhalanx::OppositeFlankRegion(std::int16_t region, std::int32_t direction) const {
    return FlankRegion(region, direction > 4 ? direction - 4 : direction + 4);
}

List<short> PPhalanx::FlankPath(const List<short>& path) const {
    List<short> out;
    for (short r : Hexes(path)) out.AddTail(FlankRegion(r, static_cast<std::int32_t>(facing)));
    return out;
}

void PPhalanx::SetFlipped(std::uint16_t flag_) {
    flipped = flag_;
    secondRegion = FlankRegion(firstRegion, static_cast<std::int32_t>(facing));
}

void PPhalanx::SetViewIndex(std::uint16_t v) {
    VhPhysicalObject::SetViewIndex(v);
    SetFlipped(v == 1 ? 1 : 0);
}

Container<List<short>>* PPhalanx::GetRegions() {
    List<short> l;
    l.AddTail(firstRegion);
    l.AddTail(secondRegion);
    return new Container<List<short>>(l);
}

std::int16_t PPhalanx::DebrisRegion(std::int16_t place) const { return InFirstRegion(place) ? firstRegion : secondRegion; }

std::int16_t PPhalanx::FigureRegion(std::int16_t figure) {
    VhSprite* s = GetFigureSprite(figure);
    return s ? s->GetHex() : firstRegion;
}

void PPhalanx::SetUpFigures() {
    const FrameInfo first("Standing", static_cast<std::int16_t>(GetStandingFrame() - 1));
    const std::uint32_t F = Compass(facing);
    for (std::int16_t p = 0; p < kPlaces; ++p) {
        auto* offsets = new Point3D[9];
        auto* layers = new std::int16_t[9]();
        for (std::uint32_t d = 1; d <= 8; ++d) {
            offsets[d] = PlaceOffset(p, d);
            layers[d] = PlaceLayer(p, d);
        }
        slotOffsets[slotCount] = offsets;
        slotFrames[slotCount] = layers;
        ++slotCount;
        AddFigure(MakeFigureSprite(InFirstRegion(p) ? firstRegion : secondRegion, offsets[F], first, layers[F], this, p));
    }
    // A fallen front-rank figure's place is taken by the figure behind it.
    delete[] stepUpTable;
    stepUpTable = new std::int16_t[kPlaces];
    for (std::int16_t p = 0; p < kPlaces; ++p) stepUpTable[p] = static_cast<std::int16_t>(p < 10 ? p + 10 : -1);
    GetFigureSprite(kPlaces - 1)->EnableAllSounds();
    for (std::int16_t i = 0; i < kPlaces; ++i) figureSlots[i] = i;
    delete[] figureStates;
    figureStates = new std::uint16_t[kPlaces]();
}

void PPhalanx::Save(SuperString& s) {
    s << static_cast<std::uint16_t>(firstRegion) << static_cast<std::uint16_t>(secondRegion);
    VhPhysicalObject::Save(s);
}

void PPhalanx::Load(SuperString& s) {
    std::uint16_t a = 0, b = 0;
    s >> a >> b;
    if (s.Failed()) return;
    VhPhysicalObject::Load(s);
    // A refused base record leaves the picture whole as it was.
    if (s.Failed()) return;
    firstRegion = static_cast<std::int16_t>(a);
    secondRegion = static_cast<std::int16_t>(b);
}

const DirectionOffsets* PPhalanx::PhalanxWalk(std::int16_t place, std::uint32_t direction) {
    if (!walkingData || direction < 1 || direction > 8 || place < 0) return nullptr;
    const std::int16_t k = walkingData->SectionIndex("Phalanx");
    FacingOffsets* record = k >= 0 ? walkingData->GetBitmap(place, k) : nullptr;
    return record ? &record->facings[direction] : nullptr;
}

void PPhalanx::RaiseFlagForCommand() {
    if (HasNoFlag() || !flag) return;
    if (auto* f = dynamic_cast<Flag*>(flag)) {
        f->LowerFlag(basePoint, 1);
        if (!animating.Contains(f)) animating.AddTail(f);
    }
}

void PPhalanx::StartCommand(LogicalCommandInfo& command) {
    const std::uint32_t number = command.command.Number() & 0x0FFFFFFFu;
    if (Is(command, "AboutFace")) PlayAboutFace(command, 1);
    else if (Is(command, "AboutFaceNA")) PlayAboutFace(command, 0);
    else if (Is(command, "TerminalRout")) PhalanxRout(command);
    else if (Is(command, "RestoreCohesion")) PhalanxRestore(command);
    else if (Is(command, "CombatAnimate")) PhalanxCombat(command);
    else if (Is(command, "UnitTeleport")) PhalanxTeleport(command);
    else if (Is(command, "UnitInserted")) PhalanxInsert(command);
    else if (number == LOGICAL_OBJECT_MOVED) March(command);
    else if (Is(command, "ChangeFacingNA")) TurnToFacing(command, 0);
    else if (number == CHANGE_UNIT_FACING) TurnToFacing(command, 1);
    else VhPhysicalObject::StartCommand(command);
}

void PPhalanx::March(LogicalCommandInfo& command) {
    flagDropped = 1;
    walkSection = "Phalanx";
    List<short> P1;
    if (const List<short>* given = PayloadValue<List<short>>(command.data)) P1 = *given;
    if (P1.IsEmpty()) P1.AddTail(command.region);
    if (movesToSkip > 0) {
        pendingMoves.AddTail(P1);
        --movesToSkip;
        return;
    }
    List<short> P2 = FlankPath(P1);
    const std::uint32_t L = GetFigureFacing();
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
        if (!s) continue;
        const std::int16_t q = figureSlots[i];
        s->PostCommand(5);
        s->PostCommand(5);
        s->PostSoundCode(10, 3, 0);
        WalkFigureAlongPath(q, s, s->GetHex() == secondRegion && secondRegion != firstRegion ? &P2 : &P1, PhalanxWalk(q, L), 0, 0);
    }
    short last = 0;
    if (P1.PeekTail(last)) objectId = static_cast<std::uint16_t>(firstRegion = last);
    if (P2.PeekTail(last)) secondRegion = last;
    if (!HasNoFlag() && flag) {
        if (auto* f = dynamic_cast<Flag*>(flag)) {
            f->LowerFlag(basePoint, 1);
            f->ChangeRegion(GetHex());
            if (!animating.Contains(f)) animating.AddTail(f);
        }
    }
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
        if (s && !animating.Contains(s)) animating.AddTail(s);
    }
}

void PPhalanx::PhalanxRout(LogicalCommandInfo& command) {
    RaiseFlagForCommand();
    QIF<Bitmap>* a = GetArt();
    if (!a || !a->HasSection("StandingR")) return;
    List<short> P1;
    if (const List<short>* given = PayloadValue<List<short>>(command.data)) P1 = *given;
    // A rout with nowhere to go is played in the unit's own hexes.
    if (P1.IsEmpty()) P1.AddTail(firstRegion);
    List<short> P2 = FlankPath(P1);
    walkSection = "Phalanx";
    const std::int16_t routN = a->SectionIndex("RoutN");
    if (routN >= 0) sequenceBase = static_cast<std::uint16_t>(routN);
    const std::vector<short> path = Hexes(P1);
    const std::uint32_t runDirection = DirectionTo(GetHex(), path.size() > 1 ? path[1] : path[0]);
    const std::uint32_t L = GetFigureFacing();
    const std::int16_t dropN = a->SectionIndex("DropN");
    std::shared_ptr<bool> living = pictureAlive;
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
        if (!s) continue;
        const std::int16_t q = figureSlots[i];
        const std::int16_t r = s->GetHex();
        s->PostCommand(5);
        s->PostCommand(5);
        if (!routed) {
            if (dropN >= 0) {
                const auto section = static_cast<std::int16_t>(dropN + GetStandingFrame() - 1);
                List<FrameInfo> drop;
                if (const char* name = a->SectionName(section)) {
                    const std::int16_t n = a->ImageCount(section);
                    for (std::int16_t f = 0; f < n; ++f) {
                        drop.AddTail(FrameInfo(name, f));
                        if (f + 1 < n) drop.AddTail(FrameInfo(name, f));
                    }
                }
                s->PostFrames(r, Point4(Point3D(), 0), drop, -1, 2, 0);
            }
            VhSprite* pieces[3] = {MakeSpear(q), MakeShield(q), MakeHelmet(q, runDirection)};
            static const int kWaits[3] = {5, 5, 15};
            for (int k = 0; k < 3; ++k) {
                VhSprite* d = pieces[k];
                if (!d) continue;
                d->PostCommand(SpriteEvent::HideSprite);
                for (int w = 0; w < kWaits[k]; ++w) d->PostCommand(SpriteEvent::Notify);
                d->PostCommand(SpriteEvent::ShowSprite);
                animating.AddTail(d);
                // Kept with the retired figures, so that the picture deletes the pieces when it goes.
                retired.AddTail(d);
                Container<Sprite*> p(d);
                delete Send(SPRITE_CREATED, &p);
                if (!*living) return;
            }
        }
        s->PostSoundCode(10, static_cast<std::uint16_t>(kind), 0);
        WalkFigureAlongPath(q, s, r == firstRegion ? &P1 : &P2, PhalanxWalk(q, L), 1, routed ? 0 : 1);
        if (!animating.Contains(s)) animating.AddTail(s);
    }
    short last = 0;
    if (P1.PeekTail(last)) objectId = static_cast<std::uint16_t>(firstRegion = last);
    if (P2.PeekTail(last)) secondRegion = last;
    flagDropped = 1;
    routed = 1;
}

void PPhalanx::PhalanxRestore(LogicalCommandInfo& command) {
    const short* given = PayloadValue<short>(command.data);
    flagDropped = 1;
    RaiseFlagForCommand();
    std::int16_t v = given ? *given : lossPercent;
    if (v > 100) v = 100;
    if (v < 0) v = 0;
    lossPercent = v;
    const std::int16_t target = static_cast<std::int16_t>((spriteCount - minFigures) * v / 100);
    const FrameInfo F("Standing", static_cast<std::int16_t>(GetStandingFrame() - 1));
    const std::uint32_t L = GetFigureFacing();
    std::shared_ptr<bool> living = pictureAlive;
    for (std::int16_t lost = fallenCount; lost > target; --lost) {
        std::int16_t figure = -1;
        for (std::int16_t i = 0; i < spriteCount && figure < 0; ++i)
            if (!sprites[i] || figureStates[i] != 0) figure = i;
        std::int16_t place = -1;
        for (std::int16_t q = 0; q < kPlaces && place < 0; ++q) {
            bool held = false;
            for (std::int16_t i = 0; i < spriteCount && !held; ++i) held = IsFigurePresent(i) && figureSlots[i] == q;
            if (!held) place = q;
        }
        // A lost figure with no free place to return to (or no figure to return) is skipped.
        if (figure < 0 || place < 0) continue;
        if (Sprite* body = sprites[figure]) {
            body->Hide();
            looseSprites.Remove(body);
            retired.AddTail(body);
        }
        figureSlots[figure] = place;
        VhSprite* s = MakeFigureSprite(DebrisRegion(place), SlotOffset(place, L), F, SlotStartValue(place, L), this, figure);
        sprites[figure] = s;
        figureStates[figure] = 0;
        Container<Sprite*> p(s);
        delete Send(SPRITE_CREATED, &p);
        if (!*living) return;
    }
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
        if (!s) continue;
        List<FrameInfo> stand;
        stand.AddTail(F);
        s->PostFrames(s->GetHex(), Point4(SlotOffset(figureSlots[i], L), 0), stand, -1, 0, 0);
        if (!animating.Contains(s)) animating.AddTail(s);
    }
    fallenCount = target;
}

void PPhalanx::PhalanxCombat(LogicalCommandInfo& command) {
    bool A[9] = {}, B[9] = {};
    if (const List<short>* enemies = PayloadValue<List<short>>(command.data)) {
        const auto turn = static_cast<std::uint8_t>((Compass(facing) + 7) % 8);
        for (short e : Hexes(*enemies)) {
            if (HexesAdjacent(firstRegion, e))
                if (const int d = RotateDirectionAnticlockwise(static_cast<DIRECTION>(DirectionTo(firstRegion, e)), turn); d >= 1 && d <= 8)
                    A[d] = true;
            if (HexesAdjacent(secondRegion, e))
                if (const int d = RotateDirectionAnticlockwise(static_cast<DIRECTION>(DirectionTo(secondRegion, e)), turn); d >= 1 && d <= 8)
                    B[d] = true;
        }
    }
    std::vector<std::int16_t> choice(spriteCount, 0);
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        const std::int8_t* pref = CombatPreference(kind, static_cast<std::uint16_t>(i));
        if (!IsFigurePresent(i) || !pref) continue;
        const bool* M = FigureRegion(i) == firstRegion ? A : B;
        for (int d = 1; d <= 8; ++d)
            if (M[d] && pref[d] < pref[choice[i]]) choice[i] = static_cast<std::int16_t>(d);
    }
    const std::int16_t target = static_cast<std::int16_t>((spriteCount - minFigures) * lossPercent / 100);
    const std::int16_t toLose = static_cast<std::int16_t>(target - fallenCount);

    // The same draws on every peer and both views: the generator is seeded with the unit's hex.
    CasualtyGenerator draws(GetHex());
    std::vector<bool> falls(spriteCount, false);
    for (std::int16_t k = fallenCount; k < target; ++k) {
        auto open = [&](std::int16_t i, bool chosenOnly) { return IsFigurePresent(i) && !falls[i] && (!chosenOnly || choice[i] > 0); };
        int n = 0;
        for (std::int16_t i = 0; i < spriteCount; ++i) n += open(i, true) ? 1 : 0;
        const bool chosenOnly = n > 0;
        const int spread = chosenOnly ? n : spriteCount - k;
        if (spread <= 0) break;
        const int w = 100 / spread;
        // A draw at or above spread * w passes no figure; such a pass is drawn again, so that
        // the figures that fall are as many as the losses the unit counts (a few draws at most:
        // the gap is under spread in a hundred).
        bool fell = false;
        for (int tries = 0; tries < 100 && !fell; ++tries) {
            const int r = draws.Draw(0, 100);
            int t = w;
            for (std::int16_t i = 0; i < spriteCount && !fell; ++i) {
                if (!open(i, chosenOnly)) continue;
                if (t > r) fell = falls[i] = true;
                t += w;
            }
        }
        if (!fell) break;
    }

    std::vector<std::int16_t> stepUpTime(spriteCount, -1), stepUpFrom(spriteCount, -1);
    std::int16_t ordinal = static_cast<std::int16_t>(fallenCount - 1);
    const std::int32_t standing = static_cast<std::int32_t>(GetStandingFrame()) - 1;
    std::shared_ptr<bool> living = pictureAlive;
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        if (!IsFigurePresent(i) || !GetFigureSprite(i)) continue;
        if (falls[i]) {
            figureStates[i] = 1;
            ++ordinal;
        }
        AnimateFigureCombat(i, FigureRegion(i), falls[i] ? 1 : 0, stepUpTime.data(), stepUpFrom.data(), ordinal,
                            OneFrame("Standing", standing), choice[i], toLose, command.region);
        // A companion's announcement may have ended this picture.
        if (!*living) return;
    }
    if (target > fallenCount) fallenCount = target;
}

void PPhalanx::PhalanxTeleport(LogicalCommandInfo& command) {
    flagDropped = 1;
    const List<short>* list = PayloadValue<List<short>>(command.data);
    short to = 0;
    // Without a destination the unit stays where it is.
    if (!list || !list->PeekTail(to) || to == 0) return;
    const std::int16_t A = to, B = FlankRegion(A, static_cast<std::int32_t>(facing));
    const std::uint32_t L = GetFigureFacing();
    const auto stand = OneFrame("Standing", static_cast<std::int32_t>(GetStandingFrame()) - 1);
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
        if (!s) continue;
        const std::int16_t q = figureSlots[i];
        const std::int16_t g = s->GetHex() == firstRegion ? A : B;
        s->ChangeRegion(g);
        s->PostFrames(g, Point4(SlotOffset(q, L), 0), stand, SlotStartValue(q, L), 0, 0);
        if (!animating.Contains(s)) animating.AddTail(s);
    }
    objectId = static_cast<std::uint16_t>(A);
    firstRegion = A;
    secondRegion = B;
    if (!HasNoFlag() && flag) {
        if (auto* f = dynamic_cast<Flag*>(flag)) {
            f->HideFlag();
            f->ChangeRegion(A);
            if (!animating.Contains(f)) animating.AddTail(f);
        }
    }
}

void PPhalanx::PhalanxInsert(LogicalCommandInfo& command) {
    if (const DIRECTION* d = PayloadValue<DIRECTION>(command.data)) {
        // A facing off the compass would index the place tables out of range.
        if (*d < 1 || *d > 8) return;
        facing = static_cast<std::uint32_t>(*d);
    }
    const std::int16_t A = command.region, B = FlankRegion(A, static_cast<std::int32_t>(facing));
    const std::uint32_t L = GetFigureFacing();
    const auto stand = OneFrame("Standing", static_cast<std::int32_t>(GetStandingFrame()) - 1);
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
        if (!s) continue;
        const std::int16_t q = figureSlots[i];
        const std::int16_t g = InFirstRegion(q) ? A : B;
        s->ChangeRegion(g);
        s->PostFrames(g, Point4(SlotOffset(q, L), 0), stand, SlotStartValue(q, L), 0, 0);
        s->PostCommand(SpriteEvent::ShowSprite);
        if (!animating.Contains(s)) animating.AddTail(s);
    }
    objectId = static_cast<std::uint16_t>(A);
    firstRegion = A;
    secondRegion = B;
    if (!HasNoFlag() && flag) {
        if (auto* f = dynamic_cast<Flag*>(flag)) {
            f->ChangeRegion(GetHex());
            // A region change leaves the cloth and the shadow nowhere until their next move, and
            // the raise's hold gives way at once to the show behind it: the lowered flag's moves
            // put all three at the flag point of the new hex first.
            f->LowerFlag(basePoint);
            f->RaiseFlag(basePoint, 0);
            f->ShowFlag();
            if (!animating.Contains(f)) animating.AddTail(f);
        }
    }
}

void PPhalanx::TurnToFacing(LogicalCommandInfo& command, std::int16_t animate) {
    const DIRECTION* d = PayloadValue<DIRECTION>(command.data);
    if (!d) return;
    flagDropped = 1;
    if (movesToSkip >= 1) {
        pendingFacings.AddTail(*d);
        return;
    }
    const auto N = static_cast<std::uint32_t>(*d);
    // A facing off the compass would index the place tables out of range.
    if (N < 1 || N > 8) return;
    const std::uint32_t LN = TurnFacing(N);
    std::int16_t A2 = firstRegion, B2 = secondRegion;
    int pivot = 0;
    if (command.region == firstRegion) {
        pivot = 1;
        B2 = FlankRegion(firstRegion, static_cast<std::int32_t>(LN));
    } else if (command.region == secondRegion) {
        pivot = 2;
        A2 = OppositeFlankRegion(secondRegion, static_cast<std::int32_t>(LN));
    }
    if (!HasNoFlag() && flag) {
        if (auto* f = dynamic_cast<Flag*>(flag)) {
            f->LowerFlag(basePoint, 1);
            f->ChangeRegion(A2);
            if (!animating.Contains(f)) animating.AddTail(f);
        }
    }
    walkSection = "Phalanx";
    QIF<Bitmap>* a = GetArt();
    ViewLayer* view = VhSprite::GetViewLayer(static_cast<std::int16_t>(viewIndex));
    ViewLandscape* land = view ? view->GetLandscape(0) : nullptr;
    auto level = [&](short h) -> std::int16_t { return land ? land->HexLevel(h) : 1; };
    auto sectionFrames = [&](std::uint32_t dir) {
        List<FrameInfo> l;
        const auto section = static_cast<std::int16_t>(sequenceBase + dir - 1);
        if (a && dir >= 1 && dir <= 8)
            if (const char* name = a->SectionName(section))
                for (std::int16_t f = 0; f < a->ImageCount(section); ++f) l.AddTail(FrameInfo(name, f));
        return l;
    };
    const std::uint32_t oldLayout = GetFigureFacing();
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
        if (!s) continue;
        const std::int16_t q = figureSlots[i];
        const std::int16_t r = s->GetHex();
        const DirectionOffsets* D = PhalanxWalk(q, LN);
        s->PostCommand(5);
        s->PostCommand(5);
        s->PostSoundCode(10, 3, 0);
        std::int16_t endHex = r;
        if ((pivot == 1 && r == A2) || (pivot == 2 && r == B2)) {
            turningDirection = WheelThrough(facing, N);
            s->PostFrames(r, Point4(SlotOffset(q, LN), animate ? 2000 : 0), sectionFrames(turningDirection), SlotStartValue(q, LN), 0, 0);
        } else {
            const std::int16_t from = r == firstRegion ? firstRegion : secondRegion;
            const std::int16_t to = r == firstRegion ? A2 : B2;
            endHex = to;
            if (from != to && D) {
                const std::uint32_t step = DirectionTo(from, to);
                turningDirection = step;
                const List<FrameInfo> frames = sectionFrames(step);
                const HillOffsets& H = D->entries[Compass(step)];
                const std::int16_t lf = level(from), lt = level(to);
                // The legs' targets: level ground two, a climb or a descent three.
                struct Leg {
                    Point3D target;
                    std::int16_t relativeTo;
                };
                std::vector<Leg> legs;
                const int set = lt > lf ? 1 : (lt < lf ? 2 : 0);
                legs.push_back({H.hexes[set].points[0], from});
                if (set == 0) {
                    legs.push_back({D->extra, to});
                } else {
                    legs.push_back({H.hexes[set].points[1], to});
                    legs.push_back({D->extra, to});
                }
                // Durations share two seconds by the legs' lengths on the map.
                std::vector<int> lengths;
                Point3D at = HexPoint(from) + SlotOffset(q, oldLayout);
                int sum = 0;
                for (const Leg& leg : legs) {
                    const Point3D next = HexPoint(leg.relativeTo) + leg.target;
                    lengths.push_back(Point3D::Distance(at, next));
                    sum += lengths.back();
                    at = next;
                }
                for (std::size_t k = 0; k < legs.size(); ++k) {
                    const std::int32_t span = (animate && sum > 0) ? lengths[k] * 2000 / sum : 0;
                    s->PostFrames(to, Point4(legs[k].target, span), frames, SlotStartValue(q, LN), 0, 0);
                }
            }
        }
        s->PostSoundCode(11, 3, 0);
        s->PostFrames(endHex, Point4(Point3D(), 0), OneFrame("Standing", static_cast<std::int32_t>(MapFacing(N)) - 1), -1, 2, 0);
    }
    objectId = static_cast<std::uint16_t>(A2);
    firstRegion = A2;
    secondRegion = B2;
    facing = N;
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
        if (s && !animating.Contains(s)) animating.AddTail(s);
    }
}

void PPhalanx::PlayAboutFace(LogicalCommandInfo&, std::int16_t animate) {
    if (!HasNoFlag() && flag) {
        if (auto* f = dynamic_cast<Flag*>(flag)) {
            f->HideFlag();
            if (!animating.Contains(f)) animating.AddTail(f);
        }
    }
    const std::uint32_t N = static_cast<std::uint32_t>(RotateDirectionClockwise(static_cast<DIRECTION>(Compass(facing)), 4));
    List<FrameInfo> frames;
    if (animate) {
        QIF<Bitmap>* a = GetArt();
        const bool own = a && a->HasSection("ABOUTFACE");
        auto d = static_cast<DIRECTION>(Compass(MapFacing(facing)));
        for (int k = 0; k < 5; ++k) {
            for (int n = 0; n < 3; ++n) frames.AddTail(own ? FrameInfo("ABOUTFACE", static_cast<std::int16_t>(d - 1)) : FrameInfo(kFacingNames[d], 0));
            d = RotateDirectionClockwise(d, 1);
        }
    }
    frames.AddTail(FrameInfo("Standing", static_cast<std::int16_t>(MapFacing(N) - 1)));
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
        if (!s) continue;
        s->PostSoundCode(10, 3, 0);
        s->PostFrames(s->GetHex(), Point4(Point3D(), 0), frames, -1, 2, 0);
        s->PostSoundCode(11, 3, 0);
        figureSlots[i] = static_cast<std::int16_t>(kPlaces - 1 - figureSlots[i]);
        if (!animating.Contains(s)) animating.AddTail(s);
    }
    std::swap(firstRegion, secondRegion);
    facing = N;
}

// --- PHeavyInfantry ---

PHeavyInfantry::PHeavyInfantry(const char* artName_, std::int16_t missileKind, std::int16_t hex, std::uint32_t facing_)
    : PPhalanx(artName_, hex, facing_) {
    for (int z = 0; z < 3; ++z) ballArt[z] = PMissileUnit::MissileArt(missileKind, static_cast<std::int16_t>(z));
    kind = 15;
    kindVariant = 2;
}

PHeavyInfantry::~PHeavyInfantry() {
    auto* home = dynamic_cast<PhysicalLayer*>(GetBus());
    for (std::uint16_t i = 0; i < ballCount; ++i) {
        if (!balls[i]) continue;
        if (home) home->ForgetSprite(balls[i]);
        delete balls[i];
        balls[i] = nullptr;
    }
}

VhPhysicalObject* PHeavyInfantry::CreateInstance(std::int16_t hex, std::uint32_t facing_) {
    return new PHeavyInfantry(artName.c_str(), 8, hex, facing_);
}

VhSprite* PHeavyInfantry::NewBall() {
    return new VhSprite(GetHex(), Point3D(), FrameInfo("Default", 0), -1, nullptr, 1, ballArt[0], ballArt[1], ballArt[2], 0);
}

void PHeavyInfantry::SetUpFigures() {
    PPhalanx::SetUpFigures();
    ballCount = kPlaces;
    for (std::uint16_t i = 0; i < ballCount; ++i) {
        balls[i] = NewBall();
        Container<Sprite*> p(balls[i]);
        Post(SPRITE_CREATED, &p);
    }
    balls[ballCount - 1]->EnableAllSounds();
}

std::uint32_t PHeavyInfantry::MapFacing(std::uint32_t f) {
    if (turnOffset == 0) return f;
    const auto d = static_cast<DIRECTION>(Compass(f));
    return turnOffset > 0 ? RotateDirectionAnticlockwise(d, static_cast<std::uint8_t>(turnOffset))
                          : RotateDirectionClockwise(d, static_cast<std::uint8_t>(-turnOffset));
}

void PHeavyInfantry::SetRecordFlag(std::uint16_t v) {
    turnOffset = v == 0 ? 2 : 0;
    PPhalanx::SetRecordFlag(v);
}

void PHeavyInfantry::StartCommand(LogicalCommandInfo& command) {
    if (Is(command, "CenterFaceSprites")) FaceSprites(0, false);
    else if (Is(command, "AboutFaceSprites")) FaceSprites(0, true);
    else if (Is(command, "RightFaceSprites") || Is(command, "RightFaceSpritesNA")) FaceSprites(2, false);
    else if (Is(command, "LeftFaceSprites") || Is(command, "LeftFaceSpritesNA")) FaceSprites(-2, false);
    else if (Is(command, "MissileFire")) Volley(command);
    else PPhalanx::StartCommand(command);
}

void PHeavyInfantry::FinishCommand(LogicalCommandInfo& command) {
    if (Is(command, "MissileFire")) return;
    PPhalanx::FinishCommand(command);
}

void PHeavyInfantry::FaceSprites(std::int16_t offset, bool aboutFace) {
    flagDropped = 1;
    recordFlag = 1;
    turnOffset = offset;
    if (aboutFace) facing = static_cast<std::uint32_t>(RotateDirectionClockwise(static_cast<DIRECTION>(Compass(facing)), 4));
    const auto stand = OneFrame("Standing", static_cast<std::int32_t>(GetStandingFrame()) - 1);
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
        if (!s) continue;
        s->PostFrames(s->GetHex(), Point4(Point3D(), 0), stand, -1, 2, 0);
        if (!animating.Contains(s)) animating.AddTail(s);
    }
}

void PHeavyInfantry::Volley(LogicalCommandInfo& command) {
    const DIRECTION* dir = PayloadValue<DIRECTION>(command.data);
    // A volley with no direction to fire in plays nothing and is answered at once.
    if (!dir || *dir < 1 || *dir > 8) return;
    const auto d = static_cast<std::uint32_t>(*dir);
    flagDropped = 1;
    if (!HasNoFlag() && flag)
        if (auto* f = dynamic_cast<Flag*>(flag)) {
            f->LowerFlag(basePoint, 1);
            f->HideFlag();
            if (!animating.Contains(f)) animating.AddTail(f);
        }
    const std::uint32_t f = Compass(facing);
    const auto turn = static_cast<std::uint8_t>(f - 1);
    const std::uint32_t r = RotateDirectionAnticlockwise(static_cast<DIRECTION>(d), turn);
    std::uint32_t d2 = d;
    // The second hex's figures fire across the front toward the same target; a target behind or
    // to the left has no second direction of its own, so both hexes fire in the first direction.
    if (r == 1 || r == 2 || r == 3 || r == 8) {
        std::uint32_t r2 = 1;
        if (r == 1) r2 = 8;
        else if (r == 3) r2 = 2;
        else if (r == 8) r2 = (f == 1 || f == 5) ? 8 : 7;
        else if (f == 1) r2 = NeighbourHex(firstRegion, 2) == NeighbourHex(secondRegion, 8) ? 8 : 2;
        else if (f == 5) r2 = NeighbourHex(firstRegion, 6) == NeighbourHex(secondRegion, 4) ? 8 : 2;
        d2 = RotateDirectionClockwise(static_cast<DIRECTION>(r2), turn);
    }
    Point3D T = HexPoint(command.region);
    const Point3D P1 = HexPoint(firstRegion), P2 = HexPoint(secondRegion);
    {
        ViewLayer* main = VhSprite::GetViewLayer(0);
        ViewLandscape* l = main ? main->GetLandscape(0) : nullptr;
        if (l && l->IsHexMarked(command.region)) T.y = static_cast<std::int16_t>(T.y - 76);
    }
    T.x = static_cast<std::int16_t>(T.x + kVolley[d].shift);
    target = T;
    const Point3D apex1 = P1 + Half(T - P1) + kVolley[d].apex;
    const Point3D apex2 = P2 + Half(T - P2) + kVolley[d2].apex;
    const std::int32_t D1 = Point3D::Distance(P1, apex1), DT = Point3D::Distance(apex1, T);
    const std::int32_t D2 = Point3D::Distance(P2, apex2);

    auto aim = [](std::uint32_t dd) {
        List<FrameInfo> l;
        l.AddTail(FrameInfo("Standing", static_cast<std::int16_t>(dd - 1)));
        l.AddTail(FrameInfo(kFireRow[dd], 0));
        return l;
    };
    auto fire = [](std::uint32_t dd) {
        List<FrameInfo> l;
        const char* M = kFireRow[dd];
        for (int k = 0; k <= 13; ++k) l.AddTail(FrameInfo(M, static_cast<std::int16_t>(k)));
        for (int k = 9; k >= 1; --k) l.AddTail(FrameInfo(M, static_cast<std::int16_t>(k)));
        return l;
    };
    const List<FrameInfo> aimA = aim(d), fireA = fire(d), aimB = aim(d2), fireB = fire(d2);
    const List<FrameInfo> rest = OneFrame("Standing", static_cast<std::int32_t>(GetStandingFrame()) - 1);
    const std::uint32_t L = GetFigureFacing();
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
        if (!s) continue;
        const std::int16_t h = s->GetHex();
        const Point3D at = SlotOffset(figureSlots[i], L);
        const bool firstGroup = h == firstRegion;
        s->PostSoundCode(25, 0, 0);
        for (int w = Rand() % 10; w > 0; --w) s->PostCommand(SpriteEvent::Notify);
        s->PostFrames(h, Point4(at + (firstGroup ? kVolley[d].lean : kVolley[d2].lean), 0), firstGroup ? aimA : aimB, -1, 0, 0);
        s->PostFrames(h, Point4(Point3D(), 0), firstGroup ? fireA : fireB, -1, 2, 0);
        s->PostFrames(h, Point4(at, 0), rest, -1, 0, 0);
        if (!animating.Contains(s)) animating.AddTail(s);
    }
    const List<FrameInfo> blank = OneFrame("Default", 0);
    List<FrameInfo> wait;
    for (int k = 0; k < 4; ++k) wait.AddTail(FrameInfo("Default", 0));
    const List<FrameInfo> flight = OneFrame("Ball", 0);
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
        VhSprite* M = GetBall(i);
        if (!s || !M) continue;
        const std::int16_t h = s->GetHex();
        const Point3D at = SlotOffset(figureSlots[i], L);
        const auto ry = static_cast<std::int16_t>(10 - Rand() % 21);
        const auto rx = static_cast<std::int16_t>(10 - Rand() % 21);
        const Point3D R(rx, ry, 0);
        const bool firstGroup = h == firstRegion;
        const Point3D K = muzzleOffsets[firstGroup ? d : d2];
        const Point3D P = firstGroup ? P1 : P2;
        M->PostFrames(h, Point4(Point3D(), 0), blank, -1, 0, 0);
        M->PostFrames(h, Point4(K + at, 0), blank, -1, 0, 0);
        M->PostFrames(h, Point4(Point3D(), 0), wait, -1, 2, 0);
        M->PostFrames(h, Point4((firstGroup ? apex1 : apex2) - P + Half(R) + K + at, firstGroup ? D1 : D2), flight, -1, 0, 0);
        M->PostFrames(h, Point4(T - P + R + K + at, DT), flight, -1, 0, 0);
        M->PostFrames(h, Point4(Point3D(), 0), blank, -1, 0, 0);
        M->PostFrames(h, Point4(SlotOffset(i, L), 1000), blank, -1, 0, 0);
        if (!animating.Contains(M)) animating.AddTail(M);
    }
}

void PHeavyInfantry::Save(SuperString& s) {
    s << ballCount << target << turnOffset << static_cast<std::uint16_t>(ballCount);
    for (std::uint16_t i = 0; i < ballCount; ++i) {
        VhSprite* b = balls[i];
        s << static_cast<std::uint16_t>(!b ? 0 : (animating.Contains(b) ? 1 : 2));
        if (b) b->Save(s);
    }
    for (const Point3D& m : muzzleOffsets) s << m;
    PPhalanx::Save(s);
}

void PHeavyInfantry::Load(SuperString& s) {
    std::uint16_t count = 0, entries = 0;
    Point3D savedTarget;
    std::int16_t savedTurn = 0;
    s >> count >> savedTarget >> savedTurn >> entries;
    // One ball per figure at most: a larger count is a damaged record.
    if (s.Failed() || count > kPlaces || entries != count) {
        s.SetFailed();
        return;
    }
    std::vector<VhSprite*> loaded(entries, nullptr);
    std::vector<std::uint16_t> states(entries, 0);
    auto discard = [&] {
        for (VhSprite* b : loaded) delete b;
        s.SetFailed();
    };
    for (std::uint16_t i = 0; i < entries; ++i) {
        s >> states[i];
        if (s.Failed() || states[i] > 2) return discard();
        if (states[i] == 0) continue;
        loaded[i] = NewBall();
        loaded[i]->Load(s);
        if (s.Failed()) return discard();
    }
    Point3D muzzles[9];
    for (Point3D& m : muzzles) s >> m;
    if (s.Failed()) return discard();
    PPhalanx::Load(s);
    if (s.Failed()) return discard();
    auto* home = dynamic_cast<PhysicalLayer*>(GetBus());
    for (std::uint16_t i = 0; i < ballCount; ++i) {
        if (!balls[i]) continue;
        animating.Remove(balls[i]);
        if (home) home->ForgetSprite(balls[i]);
        delete balls[i];
        balls[i] = nullptr;
    }
    ballCount = count;
    target = savedTarget;
    turnOffset = savedTurn;
    for (int k = 0; k < 9; ++k) muzzleOffsets[k] = muzzles[k];
    for (std::uint16_t i = 0; i < entries; ++i) {
        balls[i] = loaded[i];
        if (!loaded[i]) continue;
        Container<Sprite*> p(loaded[i]);
        Post(SPRITE_CREATED, &p);
        if (states[i] == 1) animating.AddTail(loaded[i]);
    }
}
