// A figure's part of an animated combat: the turn to its enemy, two swing cycles, its fall at
// its moment, a rear figure stepping into a fallen comrade's place, rearing horses and the
// companions that run off the field.
#include "core/bus.h"
#include "core/events.h"
#include "game/logic/combat_records.h"
#include "game/pictures/hex_directions.h"
#include "game/pictures/picture_random.h"
#include "game/pictures/unit_pictures.h"

namespace {

const std::int16_t kStepX[8] = {0, 20, 30, 20, 0, -20, -30, -20};
const std::int16_t kStepY[8] = {-10, -12, 0, 12, 10, 12, 0, -12};
const char* const kCombatRow[8] = {"CN", "CNE", "CE", "CSE", "CS", "CSW", "CW", "CNW"};

int Rand() { return PictureRandom(); }

void FillList(List<FrameInfo>& l, const char* name, std::initializer_list<int> frames) {
    for (int f : frames) l.AddTail(FrameInfo(name, static_cast<std::int16_t>(f)));
}

} // namespace

Point3D VhPhysicalObject::HexPoint(std::int16_t hex) {
    ViewLayer* main = VhSprite::GetViewLayer(0);
    ViewLandscape* l = main ? main->GetLandscape(0) : nullptr;
    return l ? l->HexOrigin(hex) : Point3D();
}

std::int16_t VhPhysicalObject::NeighbourHex(std::int16_t hex, std::int32_t direction) {
    ViewLayer* main = VhSprite::GetViewLayer(0);
    ViewLandscape* l = main ? main->GetLandscape(0) : nullptr;
    return l ? l->HexNeighbour(hex, direction) : HexNeighbour(hex, direction);
}

List<short> VhPhysicalObject::RunAwayPath(std::int16_t hex, std::int32_t direction) {
    ViewLayer* main = VhSprite::GetViewLayer(0);
    ViewLandscape* l = main ? main->GetLandscape(0) : nullptr;
    List<short> path;
    path.AddTail(hex);
    std::int16_t at = hex;
    for (int k = 0; k < 8; ++k) {
        const std::int16_t next = NeighbourHex(at, direction);
        // Off the map, or a direction a hex has no side in: the horse stops where it is.
        if (next < 0 || next == at || (l && !l->HexExists(next))) break;
        path.AddTail(next);
        at = next;
    }
    return path;
}

void VhPhysicalObject::LaunchCompanion(const char* name, const LogicalCommandInfo& command) {
    auto* companion = new PHorse(name, GetHex(), 1, 8, 7);
    Container<VhPhysicalObject*> p(companion);
    delete SendNamed("PhysicalObjectCreated", &p);
    if (!companion->GetBus()) {
        // No layer took it: nothing would ever tick or delete it.
        delete companion;
        return;
    }
    companion->QueueMessage(command);
}

void VhPhysicalObject::QueueRearing(VhSprite* sprite, std::int16_t directionIndex) {
    if (!sprite || !(IsMounted() || kind == 13)) return;
    if (Rand() % 100 >= 60) return;
    QIF<Bitmap>* a = GetArt();
    if (!a || !a->HasSection("RN")) return;
    const auto section = static_cast<std::int16_t>(a->SectionIndex("RN") + directionIndex);
    a->SetCurrentSection(section);
    const char* name = a->SectionName(section);
    if (!name) return;
    List<FrameInfo> l;
    FillList(l, name, {0, 1, 2, 3, 4, 2});
    l.AddTail(FrameInfo("Standing", directionIndex));
    sprite->PostFrames(GetHex(), Point4(Point3D(), 0), l, -1, 2, 0);
}

void VhPhysicalObject::AnimateFigureCombat(std::int16_t figure, std::int16_t hex, std::int16_t isCasualty,
                                           std::int16_t stepUpTime[], std::int16_t stepUpFrom[],
                                           std::int16_t casualtyOrdinal, List<FrameInfo> standingFrames,
                                           std::int32_t direction, std::int16_t newCasualties, std::int16_t strikeFirst) {
    const bool mounted = IsMountedKind() != 0;
    VhSprite* sprite = GetFigureSprite(figure);
    if (!sprite) return;
    std::int16_t slot = figureSlots[figure];
    const bool stepPending = stepUpTime[figure] != -1;
    const std::int32_t stepTime = stepUpTime[figure];
    List<FrameInfo> advance, strike, back, casualty;
    std::int32_t deathTime = 0;
    const std::uint32_t F = GetFigureFacing();
    std::shared_ptr<bool> living = pictureAlive;

    if (isCasualty) {
        if (mounted) {
            const int r = Rand() % 100;
            const char* horse = kind == 10 ? "Cataphracted Horse" : "Horse";
            if (r < 15) {
                const std::int32_t d = Rand() % 8 + 1;
                LaunchCompanion(horse, LogicalCommandInfo(0, new Container<List<short>>(RunAwayPath(hex, d)), hex,
                                                          BusMessage(LOGICAL_OBJECT_MOVED)));
            } else {
                LaunchCompanion(horse, LogicalCommandInfo(0, new Container<MethodOfDeathStruct>(MethodOfDeathStruct(100, 4, 0xFFFF)),
                                                          hex, BusMessage(static_cast<int>(RegisterMessage("CohesionHit")))));
            }
            if (!*living) return;
        }
        if (kind == 7 && Rand() % 100 < 25) {
            const std::int32_t d = Rand() % 8 + 1;
            LaunchCompanion("Running Chariot", LogicalCommandInfo(0, new Container<List<short>>(RunAwayPath(hex, d)), hex,
                                                                  BusMessage(LOGICAL_OBJECT_MOVED)));
            if (!*living) return;
        }
        const int parts = newCasualties > 0 ? newCasualties * 2 : 2;
        deathTime = ((casualtyOrdinal - fallenCount) * 2 + 1) * 7200 / parts;
        FrameInfo death;
        if (DeathFrame(death)) casualty.AddTail(death);
        if (kind != 7 && kind != 13 && kind != 14 && kind != 16 && stepUpTable) {
            const std::int16_t p = stepUpTable[figure];
            if (p >= 0 && p < spriteCount) {
                stepUpTime[p] = static_cast<std::int16_t>(deathTime);
                stepUpFrom[p] = figure;
            }
        }
    }

    if (direction == 0) {
        if (!isCasualty) return;
        sprite->PostFrames(hex, Point4(SlotOffset(slot, F), deathTime), standingFrames, -1, 0, 0);
        sprite->PostSoundCode(17, static_cast<std::uint16_t>(kind), 0);
        if (casualty.IsEmpty()) sprite->PostCommand(SpriteEvent::HideSprite);
        else sprite->PostFrames(hex, Point4(Point3D(), 0), casualty, 0, 2, 0);
        if (!looseSprites.Contains(sprite)) looseSprites.AddTail(sprite);
        return;
    }

    const auto d = static_cast<std::int16_t>(
        RotateDirectionClockwise(static_cast<DIRECTION>(direction), static_cast<std::uint8_t>((GetStandingFrame() + 7) % 8)) - 1);
    if (d < 0 || d > 7) return;
    if (QIF<Bitmap>* a = GetArt()) a->SetCurrentSection(static_cast<std::int16_t>(standSection + d));
    const char* seq = kCombatRow[d];
    Point3D lunge;
    switch (kindVariant) {
    case 0:
        FillList(advance, seq, {0, 1, 2, 3});
        FillList(strike, seq, {4, 5, 6, 7, 8});
        FillList(back, seq, {9, 10, 1, 2, 3});
        break;
    case 1:
        FillList(advance, seq, {0, 1, 2, 3});
        FillList(strike, seq, {0, 1, 2, 3});
        FillList(back, seq, {3, 2, 1, 0});
        lunge = Point3D(kStepX[d], kStepY[d], 0);
        break;
    case 2:
        FillList(advance, seq, {0, 1, 2, 3, 4, 5});
        FillList(strike, seq, {6, 7, 8, 9, 10, 11, 12, 13});
        FillList(back, seq, {14, 15, 16, 17, 18, 19, 0, 1, 2, 3, 4, 5});
        break;
    case 3:
        FillList(advance, seq, {1, 2, 3});
        FillList(strike, seq, {1, 1, 2, 2, 3, 3});
        FillList(back, seq, {3, 3, 2, 2, 1, 1});
        lunge = Point3D(kStepX[d], kStepY[d], 0);
        break;
    default: break;
    }
    const Point3D P(kStepX[d], kStepY[d], 0);
    auto jitter = [&]() {
        const auto y = static_cast<std::int16_t>(5 - Rand() % 11);
        const auto x = static_cast<std::int16_t>(10 - Rand() % 21);
        return Point3D(x, y, 0);
    };

    sprite->PostCommand(5);
    sprite->PostCommand(5);
    for (int k = 0; Rand() % 5 > k; ++k) sprite->PostCommand(5);
    sprite->PostSoundCode(15, static_cast<std::uint16_t>(kind), static_cast<std::uint16_t>(kindVariant));
    {
        const Point3D J = jitter();
        sprite->PostFrames(hex, Point4(SlotOffset(slot, F) + P + J, 640 - Rand() % 81), advance, -1, 0, 0);
    }

    std::int32_t carry = 0, t = 600;
    bool stepped = false, dead = false;
    auto frameNumber = [&]() { return SlotStartValue(slot, F); };
    auto half = [&](const List<FrameInfo>& frames, int s) {
        if (dead) return;
        if (isCasualty && deathTime < t + 1800) {
            const std::int32_t dt = t + 1800 - deathTime;
            const Point3D at = SlotOffset(slot, F) + P +
                               Point3D(static_cast<std::int16_t>(s * kStepX[d] * dt / 1800),
                                       static_cast<std::int16_t>(s * kStepY[d] * dt / 1800), 0);
            sprite->PostFrames(hex, Point4(at, dt), frames, -1, 0, 0);
            sprite->PostSoundCode(17, static_cast<std::uint16_t>(kind), 0);
            sprite->PostFrames(hex, Point4(Point3D(), 0), casualty, 0, 2, 0);
            dead = true;
            return;
        }
        if (stepPending && !stepped && stepTime < t + 1800) {
            stepped = true;
            const std::int32_t dt = t + 1800 - stepTime;
            const Point3D at = SlotOffset(slot, F) + P +
                               Point3D(static_cast<std::int16_t>(s * kStepX[d] * dt / 1800),
                                       static_cast<std::int16_t>(s * kStepY[d] * dt / 1800), 0);
            sprite->PostFrames(hex, Point4(at, dt), frames, frameNumber(), 0, 0);
            const std::int16_t from = stepUpFrom[figure];
            if (from >= 0 && from < spriteCount) {
                figureSlots[figure] = figureSlots[from];
                figureSlots[from] = -1;
                slot = figureSlots[figure];
            }
            if (dt < 800) {
                carry = 0;
                const Point3D to = SlotOffset(slot, F) + P + Point3D(static_cast<std::int16_t>(s * lunge.x),
                                                                      static_cast<std::int16_t>(s * lunge.y), 0);
                sprite->PostFrames(hex, Point4(to, 1800 - dt), frames, frameNumber(), 0, 0);
            } else {
                carry = 1800 - dt;
            }
        } else {
            const Point3D J = jitter();
            const Point3D to = SlotOffset(slot, F) + P +
                               Point3D(static_cast<std::int16_t>(s * lunge.x), static_cast<std::int16_t>(s * lunge.y), 0) + J;
            sprite->PostFrames(hex, Point4(to, 1860 + carry - Rand() % 121), frames, frameNumber(), 0, 0);
        }
        t += 1800;
    };
    for (int cycle = 0; cycle < 2 && !dead; ++cycle) {
        if (strikeFirst == 0) {
            half(back, -1);
            half(strike, +1);
            if (!dead) QueueRearing(sprite, d);
        } else {
            half(strike, +1);
            if (!dead) QueueRearing(sprite, d);
            half(back, -1);
        }
    }
    if (isCasualty) {
        if (!dead) {
            // A casualty whose moment lies beyond both cycles falls at their end.
            sprite->PostSoundCode(17, static_cast<std::uint16_t>(kind), 0);
            sprite->PostFrames(hex, Point4(Point3D(), 0), casualty, 0, 2, 0);
            if (casualty.IsEmpty()) sprite->PostCommand(SpriteEvent::HideSprite);
        }
        if (!looseSprites.Contains(sprite)) looseSprites.AddTail(sprite);
    } else {
        sprite->PostFrames(hex, Point4(SlotOffset(slot, F), 0), back, -1, 0, 0);
        sprite->PostFrames(hex, Point4(Point3D(), 0), standingFrames, -1, 2, 0);
        if (!animating.Contains(sprite)) animating.AddTail(sprite);
    }
    sprite->PostSoundCode(16, static_cast<std::uint16_t>(kind), 0);
}
