// The base commands of a unit picture: each turns one command into sprite events on the figures,
// the flag and debris. Sprites put into `animating` hold the command at the head of the queue;
// falling figures go to `looseSprites` and let the next command start.
#include "core/bus.h"
#include "game/logic/combat_records.h"
#include "game/pictures/casualty_generator.h"
#include "game/pictures/flag.h"
#include "game/pictures/hex_directions.h"
#include "game/pictures/picture_random.h"
#include "game/pictures/vh_physical_object.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

// A figure slot's walking offsets; a kind or slot the walking data lacks is reported, and the
// figure then walks without offsets.
FacingOffsets* WalkRecord(QIF<FacingOffsets>& data, const std::string& section, std::int16_t slot) {
    if (section.empty()) return nullptr;
    const std::int16_t k = data.SectionIndex(section.c_str());
    if (k < 0 || slot < 0 || slot >= data.ImageCount(k)) {
        const std::string frame = "#" + std::to_string(slot);
        ReportArtLookUpMiss(data.GetName(), section.c_str(), k < 0 ? nullptr : frame.c_str());
        return nullptr;
    }
    return data.GetBitmap(slot, k);
}

bool Is(const LogicalCommandInfo& c, const char* name) {
    return (c.command.Number() & 0x0FFFFFFFu) == RegisterMessage(name);
}

const Point4 kInPlace(Point3D(0, 0, 0), 0);

List<FrameInfo> OneFrame(const char* sequence, std::int32_t frame) {
    List<FrameInfo> l;
    l.AddTail(FrameInfo(sequence, static_cast<std::int16_t>(frame)));
    return l;
}

// The facing a figure passes through while it turns from one facing to another.
std::uint32_t PassedThrough(std::uint32_t from, std::uint32_t to) {
    switch (from) {
    case 1: return to == 2 ? 2 : 8;
    case 2: return to == 4 ? 3 : 1;
    case 3: return 3;
    case 4: return to == 2 ? 3 : 5;
    case 5: return to == 6 ? 6 : 4;
    case 6: return to == 8 ? 7 : 5;
    case 7: return 7;
    case 8: return to == 6 ? 7 : 1;
    default: return to;
    }
}

// Combat preference rows: per figure, by direction relative to the unit's front (0-8); the
// lowest value below 9 among the engaged directions wins.
using PreferenceRow = std::int8_t[9];
const PreferenceRow kPrefsPhalanx[20] = {
    {9, 3, 4, 9, 9, 9, 9, 1, 2}, {9, 1, 3, 9, 9, 9, 9, 9, 2}, {9, 1, 3, 9, 9, 9, 9, 9, 2}, {9, 1, 2, 9, 9, 9, 9, 9, 3},
    {9, 2, 1, 9, 9, 9, 9, 9, 3}, {9, 2, 3, 9, 9, 9, 9, 9, 1}, {9, 1, 3, 9, 9, 9, 9, 9, 2}, {9, 1, 3, 9, 9, 9, 9, 9, 2},
    {9, 1, 2, 9, 9, 9, 9, 9, 3}, {9, 3, 2, 1, 9, 9, 9, 9, 4}, {9, 5, 6, 9, 9, 3, 2, 1, 4}, {9, 4, 5, 9, 9, 1, 2, 9, 3},
    {9, 4, 5, 9, 3, 1, 2, 9, 6}, {9, 4, 3, 9, 2, 1, 9, 9, 5}, {9, 4, 3, 9, 2, 1, 9, 9, 5}, {9, 4, 5, 9, 9, 2, 1, 9, 3},
    {9, 4, 5, 9, 9, 1, 2, 9, 3}, {9, 4, 6, 9, 3, 1, 2, 9, 5}, {9, 3, 4, 9, 2, 1, 9, 9, 6}, {9, 5, 4, 1, 3, 2, 9, 9, 6}};
const PreferenceRow kPrefsMounted[6] = {{9, 3, 4, 5, 9, 9, 9, 2, 1}, {9, 1, 2, 4, 9, 9, 9, 5, 3}, {9, 3, 1, 2, 9, 9, 9, 5, 4},
                                        {9, 6, 8, 7, 5, 3, 1, 2, 4}, {9, 8, 6, 4, 2, 1, 3, 5, 7}, {9, 6, 4, 2, 1, 3, 5, 7, 8}};
const PreferenceRow kPrefsThree[3] = {{9, 1, 6, 9, 9, 5, 4, 2, 3}, {9, 1, 3, 2, 4, 5, 9, 9, 6}, {9, 1, 2, 4, 9, 9, 9, 5, 3}};
const PreferenceRow kPrefsOther[8] = {{9, 3, 4, 9, 9, 9, 9, 1, 2}, {9, 1, 3, 9, 9, 9, 9, 9, 2}, {9, 1, 2, 9, 9, 9, 9, 9, 3},
                                      {9, 3, 2, 1, 9, 9, 9, 9, 4}, {9, 4, 5, 9, 9, 9, 2, 1, 3}, {9, 4, 5, 9, 9, 1, 2, 9, 3},
                                      {9, 4, 3, 9, 2, 1, 9, 9, 5}, {9, 4, 3, 1, 2, 9, 9, 9, 5}};

// The preference row of a figure; null for a figure beyond its kind's table.
const std::int8_t* PreferenceFor(std::uint32_t kind, std::uint16_t figure) {
    if (kind == 3 || kind == 15) return figure < 20 ? kPrefsPhalanx[figure] : nullptr;
    if (kind >= 8 && kind <= 12) return figure < 6 ? kPrefsMounted[figure] : nullptr;
    if (kind == 7 || kind == 13) return figure < 3 ? kPrefsThree[figure] : nullptr;
    return figure < 8 ? kPrefsOther[figure] : nullptr;
}

const char* const kFacingNames[9] = {"", "N", "NE", "E", "SE", "S", "SW", "W", "NW"};

} // namespace

const std::int8_t* CombatPreference(std::uint32_t kind, std::uint16_t figure) { return PreferenceFor(kind, figure); }

namespace {

std::int16_t CasualtyTarget(std::uint16_t figureCount, std::int16_t minFigures, std::int16_t loss) {
    const int t = (static_cast<int>(figureCount) - minFigures) * loss / 100;
    return static_cast<std::int16_t>(t < 0 ? 0 : t);
}

} // namespace

void VhPhysicalObject::StartCommand(LogicalCommandInfo& command) {
    Flag* theFlag = (!HasNoFlag() && flag) ? dynamic_cast<Flag*>(flag) : nullptr;
    auto lowerFlag = [&](std::int16_t hide) {
        if (!theFlag) return;
        theFlag->LowerFlag(basePoint, hide);
        if (!animating.Contains(theFlag)) animating.AddTail(theFlag);
    };
    auto upright = [&](std::uint16_t i) { return figureStates && figureStates[i] == 0 && GetFigureSprite(static_cast<std::int16_t>(i)); };
    auto slotAt = [&](std::int16_t slot, std::uint32_t entry) { return SlotOffset(slot, entry); };
    auto startValue = [&](std::int16_t slot, std::uint32_t entry) { return SlotStartValue(slot, entry); };
    auto addAnimating = [&](Sprite* s) {
        if (s && !animating.Contains(s)) animating.AddTail(s);
    };
    auto standing = [&]() { return OneFrame("Standing", static_cast<std::int32_t>(facing) - 1); };

    if (Is(command, "ChangeFacingNA")) {
        ChangeFacing(command, 0);
    } else if (Is(command, "EndOfTurn")) {
        if (flagDropped && theFlag && destroyed == 0) lowerFlag(0);
        flagDropped = 0;
    } else if (Is(command, "DropFlags")) {
        flagAnimating = 0;
        if (theFlag) {
            flagDropped = 1;
            lowerFlag(1);
        } else if (HasNoFlag()) {
            flag = nullptr;
            if (VhSprite* bearer = GetFigureSprite(0)) {
                bearer->PostFrames(GetHex(), kInPlace, standing(), -1, 2, 0);
                addAnimating(bearer);
            }
        }
    } else if (Is(command, "LowerFlags")) {
        flagAnimating = 0;
        lowerFlag(flagDropped ? 1 : 0);
    } else if (Is(command, "RaiseFlags") || Is(command, "RaiseGrayFlags")) {
        if (routed) return;
        flagAnimating = 1;
        if (theFlag && theFlag->RaiseFlag(basePoint, Is(command, "RaiseGrayFlags") ? 1 : 0)) addAnimating(theFlag);
    } else if (Is(command, "TerminalRout")) {
        Rout(command);
    } else if (Is(command, "CohesionHit")) {
        const MethodOfDeathStruct* hit = PayloadValue<MethodOfDeathStruct>(command.data);
        if (!hit) return;
        deathMethod = hit->method;
        if (static_cast<std::int32_t>(hit->method) == -1) return;
        const std::int16_t percent = static_cast<std::int16_t>(hit->first > 100 ? 100 : hit->first);
        if (percent == 100) destroyed = 1;
        lossPercent = percent;
        if (hit->method == 1) return;
        ChooseCasualties();
    } else if (Is(command, "RampageDie")) {
        const std::int16_t target = CasualtyTarget(spriteCount, minFigures, lossPercent);
        for (std::int16_t i = fallenCount; i < target && i < spriteCount; ++i) {
            if (!upright(static_cast<std::uint16_t>(i))) continue;
            figureStates[i] = 1;
            VhSprite* s = GetFigureSprite(i);
            for (int k = 0; k < 8; ++k) s->PostCommand(5);
            FallFigure(i, 1);
        }
        if (target > fallenCount) fallenCount = target;
    } else if (Is(command, "RampageCohesionHit")) {
        const RampageCohesionHitStruct* hit = PayloadValue<RampageCohesionHitStruct>(command.data);
        if (!hit) return;
        lossPercent = static_cast<std::int16_t>(hit->value > 100 ? 100 : (hit->value < 0 ? 0 : hit->value));
        if (lossPercent == 100) destroyed = 1;
        deathMethod = 3;
    } else if (Is(command, "UnitEliminated")) {
        const short* show = PayloadValue<short>(command.data);
        const bool showDeaths = !show || *show != 0;
        if (theFlag) {
            Container<Sprite*> p(theFlag);
            std::shared_ptr<bool> living = pictureAlive;
            delete SendNamed("SpriteDestroyed", &p);
            if (!*living) return;
            animating.Remove(theFlag);
            delete theFlag;
            flag = nullptr;
        }
        lossPercent = 0;
        fallenCount = static_cast<std::int16_t>(spriteCount);
        deathMethod = 4;
        for (std::uint16_t i = 0; i < spriteCount; ++i) {
            if (!upright(i)) continue;
            figureStates[i] = 1;
            FallFigure(static_cast<std::int16_t>(i), showDeaths ? 1 : 0);
        }
    } else if (Is(command, "UnitRemoved")) {
        if (theFlag) {
            theFlag->PostCommand(SpriteEvent::HideSprite);
            addAnimating(theFlag);
        }
        for (std::uint16_t i = 0; i < spriteCount; ++i) {
            if (!upright(i)) continue;
            VhSprite* s = GetFigureSprite(static_cast<std::int16_t>(i));
            s->PostCommand(SpriteEvent::HideSprite);
            addAnimating(s);
        }
    } else if (Is(command, "UnitInserted")) {
        if (const DIRECTION* d = PayloadValue<DIRECTION>(command.data)) facing = static_cast<std::uint32_t>(*d);
        objectId = static_cast<std::uint16_t>(command.region);
        const std::uint32_t F = GetFigureFacing();
        for (std::uint16_t i = 0; i < spriteCount; ++i) {
            if (!upright(i)) continue;
            VhSprite* s = GetFigureSprite(static_cast<std::int16_t>(i));
            const std::int16_t slot = figureSlots[i];
            s->ChangeRegion(GetHex());
            s->PostFrames(GetHex(), Point4(slotAt(slot, F), 0), standing(), startValue(slot, F), 0, 0);
            s->PostCommand(SpriteEvent::ShowSprite);
            addAnimating(s);
        }
        if (theFlag) {
            theFlag->ChangeRegion(GetHex());
            theFlag->LowerFlag(basePoint);
            theFlag->PostCommand(SpriteEvent::ShowSprite);
            addAnimating(theFlag);
        }
    } else if (Is(command, "RestoreCohesion")) {
        flagDropped = 1;
        lowerFlag(1);
        const short* percent = PayloadValue<short>(command.data);
        lossPercent = static_cast<std::int16_t>(!percent ? lossPercent : (*percent > 100 ? 100 : (*percent < 0 ? 0 : *percent)));
        const std::int16_t target = CasualtyTarget(spriteCount, minFigures, lossPercent);
        const std::uint32_t F = GetFigureFacing();
        std::shared_ptr<bool> living = pictureAlive;
        while (fallenCount > target) {
            // A body the landscape did not take stays with its figure until the figure returns.
            std::int16_t figure = -1;
            for (std::int16_t i = 0; i < spriteCount && figure < 0; ++i)
                if (!sprites[i] || figureStates[i] == 2) figure = i;
            std::int16_t freeSlot = -1;
            for (std::int16_t slot = 0; slot < slotCount && freeSlot < 0; ++slot) {
                bool held = false;
                for (std::uint16_t i = 0; i < spriteCount && !held; ++i) held = upright(i) && figureSlots[i] == slot;
                if (!held) freeSlot = slot;
            }
            if (figure >= 0 && freeSlot >= 0) {
                if (Sprite* body = sprites[figure]) {
                    body->Hide();
                    looseSprites.Remove(body);
                    retired.AddTail(body);
                }
                figureSlots[figure] = freeSlot;
                VhSprite* s = MakeFigureSprite(GetHex(), slotAt(freeSlot, F), FrameInfo("Standing", static_cast<std::int16_t>(facing - 1)),
                                               startValue(freeSlot, F), this, figure);
                sprites[figure] = s;
                figureStates[figure] = 0;
                Container<Sprite*> p(s);
                delete Send(SPRITE_CREATED, &p);
                if (!*living) return;
            }
            --fallenCount;
        }
        for (std::uint16_t i = 0; i < spriteCount; ++i) {
            if (!upright(i)) continue;
            VhSprite* s = GetFigureSprite(static_cast<std::int16_t>(i));
            const std::int16_t slot = figureSlots[i];
            s->PostFrames(GetHex(), Point4(slotAt(slot, F), 0), standing(), -1, 0, 0);
            addAnimating(s);
        }
        fallenCount = target;
    } else if (Is(command, "CombatAnimate")) {
        CombatWithAnimation(command);
    } else if (Is(command, "CombatDontAnimate")) {
        CombatWithoutAnimation(command);
    } else if (Is(command, "UnitTeleport")) {
        const List<short>* list = PayloadValue<List<short>>(command.data);
        short to = 0;
        // Without a destination the unit stays where it is.
        if (!list || !list->PeekTail(to)) return;
        const std::uint32_t F = GetFigureFacing();
        for (std::uint16_t i = 0; i < spriteCount; ++i) {
            if (!upright(i)) continue;
            VhSprite* s = GetFigureSprite(static_cast<std::int16_t>(i));
            const std::int16_t slot = figureSlots[i];
            s->ChangeRegion(to);
            s->PostFrames(to, Point4(slotAt(slot, F), 0), standing(), startValue(slot, F), 0, 0);
            addAnimating(s);
        }
        objectId = static_cast<std::uint16_t>(to);
        flagDropped = 1;
        lowerFlag(1);
        if (theFlag) theFlag->ChangeRegion(to);
    } else if (Is(command, "HideAllSprites")) {
        HideSprites(1);
    } else if (Is(command, "ShowAllSprites")) {
        HideSprites(0);
    } else if ((command.command.Number() & 0x0FFFFFFFu) == LOGICAL_OBJECT_MOVED) {
        MoveAlongRoute(command);
    } else if ((command.command.Number() & 0x0FFFFFFFu) == CHANGE_UNIT_FACING) {
        ChangeFacing(command, 1);
    }
}

void VhPhysicalObject::ChooseCasualties() {
    const std::int16_t target = CasualtyTarget(spriteCount, minFigures, lossPercent);
    if (fallenCount >= target) return;
    const std::int16_t chance = static_cast<std::int16_t>(spriteCount ? 100 / spriteCount : 0);
    // No draw can be below a chance of 0: the scan would never end.
    if (chance <= 0) return;
    CasualtyGenerator draws(GetHex());
    std::vector<bool> chosen(spriteCount, false);
    auto upright = [&](std::uint16_t i) { return figureStates && figureStates[i] == 0 && !chosen[i]; };
    for (std::int16_t c = fallenCount; c < target; ++c) {
        bool any = false;
        for (std::uint16_t i = 0; i < spriteCount; ++i) any = any || upright(i);
        // No figure left to choose: the scan would never stop.
        if (!any) break;
        for (std::uint16_t i = 0;; i = static_cast<std::uint16_t>((i + 1) % spriteCount)) {
            if (!upright(i)) continue;
            if (draws.Draw(0, 100) < chance) {
                chosen[i] = true;
                break;
            }
        }
    }
    for (std::uint16_t i = 0; i < spriteCount; ++i) {
        if (!chosen[i]) continue;
        figureStates[i] = 1;
        figureSlots[i] = -1;
        FallFigure(static_cast<std::int16_t>(i), 1);
    }
    fallenCount = target;
}


Point3D VhPhysicalObject::SlotOffset(std::int16_t slot, std::uint32_t entry) const {
    if (slot < 0 || slot >= slotCount || entry > 8 || !slotOffsets[slot]) return Point3D();
    return slotOffsets[slot][entry];
}

std::int16_t VhPhysicalObject::SlotStartValue(std::int16_t slot, std::uint32_t entry) const {
    if (slot < 0 || slot >= slotCount || entry > 8 || !slotFrames[slot]) return -1;
    return slotFrames[slot][entry];
}

bool VhPhysicalObject::DeathFrame(FrameInfo& frame) {
    QIF<Bitmap>* a = GetArt();
    if (!a || deathMethod == 0) return false;
    const std::int16_t section = a->SectionIndex("General");
    if (section < 0) return false;
    const std::int16_t count = a->ImageCount(section);
    if (count <= 0) return false;
    frame = FrameInfo("General", static_cast<std::int16_t>(PictureRandom() % static_cast<std::uint32_t>(count)));
    return true;
}

void VhPhysicalObject::FallFigure(std::int16_t i, std::int16_t showDeath, bool deathCue) {
    VhSprite* s = GetFigureSprite(i);
    if (!s) return;
    FrameInfo death;
    if (showDeath && DeathFrame(death)) {
        if (deathCue) s->PostSoundCode(17, static_cast<std::uint16_t>(kind), 0);
        List<FrameInfo> l;
        l.AddTail(death);
        s->PostFrames(GetHex(), kInPlace, l, 0, 2, 0);
    } else {
        s->PostCommand(SpriteEvent::HideSprite);
    }
    if (!looseSprites.Contains(s)) looseSprites.AddTail(s);
}

void VhPhysicalObject::ChangeFacing(LogicalCommandInfo& command, std::int16_t animate) {
    const DIRECTION* d = PayloadValue<DIRECTION>(command.data);
    if (!d) return;
    if (movesToSkip > 0) {
        pendingFacings.AddTail(*d);
        return;
    }
    flagDropped = 1;
    const auto to = static_cast<std::uint32_t>(*d);
    // A facing off the compass would index the slot tables out of range.
    if (to == facing || to < 1 || to > 8) return;
    if (!HasNoFlag() && flag) {
        if (auto* f = dynamic_cast<Flag*>(flag)) {
            f->LowerFlag(basePoint, 1);
            if (!animating.Contains(f)) animating.AddTail(f);
        }
    }
    const std::uint32_t from = facing;
    const std::uint32_t entry = TurnFacing(to);
    for (std::uint16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(static_cast<std::int16_t>(i)) ? GetFigureSprite(static_cast<std::int16_t>(i)) : nullptr;
        if (!s) continue;
        const std::int16_t slot = figureSlots[i];
        s->PostCommand(5);
        s->PostCommand(5);
        moveDirection = PassedThrough(from, to);
        const bool single = kind == 14 || kind == 16;
        std::int32_t duration = 0;
        if (animate && !single) duration = ((moveDirection == 3 || moveDirection == 7) ? 50000 : 20000) / GetStepSpeed();
        List<FrameInfo> frames;
        if (single) {
            frames.AddTail(FrameInfo("Standing", static_cast<std::int16_t>(moveDirection - 1)));
        } else if (QIF<Bitmap>* a = GetArt()) {
            const auto section = static_cast<std::int16_t>(sequenceBase + moveDirection - 1);
            for (std::int16_t f = 0; f < a->ImageCount(section); ++f) frames.AddTail(FrameInfo(kFacingNames[moveDirection], f));
        }
        s->PostSoundCode(10, static_cast<std::uint16_t>(kind), 0);
        s->PostFrames(GetHex(), Point4(SlotOffset(slot, entry), duration), frames, SlotStartValue(slot, entry), 0, 0);
        s->PostFrames(GetHex(), Point4(SlotOffset(slot, entry), 0), OneFrame("Standing", static_cast<std::int32_t>(to) - 1),
                      SlotStartValue(slot, entry), 0, 0);
        s->PostSoundCode(11, static_cast<std::uint16_t>(kind), 0);
        if (!animating.Contains(s)) animating.AddTail(s);
    }
    facing = to;
    if (HasNoFlag()) flag = nullptr;
}

void VhPhysicalObject::MoveAlongRoute(LogicalCommandInfo& command) {
    List<short> route;
    if (const List<short>* given = PayloadValue<List<short>>(command.data)) route = *given;
    if (route.IsEmpty()) route.AddTail(command.region);
    if (movesToSkip > 0) {
        pendingMoves.AddTail(route);
        --movesToSkip;
        return;
    }
    short last = GetHex();
    route.PeekTail(last);
    objectId = static_cast<std::uint16_t>(last);
    if (!HasNoFlag() && flag) {
        if (auto* f = dynamic_cast<Flag*>(flag)) {
            f->LowerFlag(basePoint, 1);
            f->ChangeRegion(last);
            if (!animating.Contains(f)) animating.AddTail(f);
        }
    }
    const char* section = nullptr;
    if (kind <= 2) section = "Foot";
    else if (kind == 3 || kind == 15) section = "Phalanx";
    else if (kind == 4) section = "Leader";
    else if (kind >= 8 && kind <= 10) section = "Mounted";
    else if (kind == 14 || kind == 16) section = "Supply";
    if (section) walkSection = section;
    const std::uint32_t entry = GetFigureFacing();
    for (std::uint16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(static_cast<std::int16_t>(i)) ? GetFigureSprite(static_cast<std::int16_t>(i)) : nullptr;
        if (!s) continue;
        const std::int16_t slot = figureSlots[i];
        const DirectionOffsets* offsets = nullptr;
        if (walkingData && !walkSection.empty() && entry <= 8) {
            FacingOffsets* record = WalkRecord(*walkingData, walkSection, slot);
            if (record) offsets = &record->facings[entry];
        }
        s->PostCommand(5);
        s->PostCommand(5);
        s->PostSoundCode(10, static_cast<std::uint16_t>(kind), 0);
        WalkFigureAlongPath(slot, s, &route, offsets, 0, 0);
    }
    flagDropped = 1;
    if (HasNoFlag()) flag = nullptr;
    for (std::uint16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(static_cast<std::int16_t>(i)) ? GetFigureSprite(static_cast<std::int16_t>(i)) : nullptr;
        if (s && !animating.Contains(s)) animating.AddTail(s);
    }
}

void VhPhysicalObject::Rout(LogicalCommandInfo& command) {
    if (!HasNoFlag() && flag) {
        if (auto* f = dynamic_cast<Flag*>(flag)) {
            f->LowerFlag(basePoint, 1);
            if (!animating.Contains(f)) animating.AddTail(f);
        }
    }
    QIF<Bitmap>* a = GetArt();
    if (!a || !a->HasSection("StandingR")) return;
    List<short> route;
    if (const List<short>* given = PayloadValue<List<short>>(command.data)) route = *given;
    // A rout with nowhere to go is played in the unit's own hex.
    if (route.IsEmpty()) route.AddTail(GetHex());
    static const struct {
        std::uint32_t lo, hi;
        const char* section;
    } kRoutSections[] = {{0, 2, "Foot"},      {3, 3, "Phalanx"},      {15, 15, "Phalanx"}, {4, 5, "Leader"},
                         {7, 7, "Chariot"},   {8, 10, "Mounted"},     {11, 11, "Companion"}, {12, 12, "Thessalian"},
                         {13, 13, "Elephant"}, {14, 14, "Supply"},    {16, 16, "Supply"}};
    for (const auto& r : kRoutSections)
        if (kind >= r.lo && kind <= r.hi) walkSection = r.section;
    const std::int16_t routN = a->SectionIndex("RoutN");
    if (routN >= 0) sequenceBase = static_cast<std::uint16_t>(routN);

    std::uint32_t firstStep = facing;
    {
        ListIterator<short> it(&route);
        short from = 0, to = 0;
        if (it.Next(from) && it.Next(to)) firstStep = DirectionTo(from, to);
    }
    const std::uint32_t entry = GetFigureFacing();
    const std::int16_t dropN = a->SectionIndex("DropN");
    std::shared_ptr<bool> living = pictureAlive;
    for (std::uint16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(static_cast<std::int16_t>(i)) ? GetFigureSprite(static_cast<std::int16_t>(i)) : nullptr;
        if (!s) continue;
        const std::int16_t slot = figureSlots[i];
        s->PostCommand(5);
        s->PostCommand(5);
        if (!routed) {
            if (dropN >= 0) {
                const auto section = static_cast<std::int16_t>(dropN + facing - 1);
                List<FrameInfo> drop;
                if (const char* name = a->SectionName(section)) {
                    const std::int16_t n = a->ImageCount(section);
                    for (std::int16_t f = 0; f < n; ++f) {
                        drop.AddTail(FrameInfo(name, f));
                        if (f + 1 < n) drop.AddTail(FrameInfo(name, f));
                    }
                }
                s->PostFrames(GetHex(), kInPlace, drop, -1, 2, 0);
            }
            VhSprite* debris[3] = {MakeSpear(slot), MakeShield(slot), MakeHelmet(slot, firstStep)};
            static const int kWaits[3] = {5, 6, 15};
            for (int k = 0; k < 3; ++k) {
                VhSprite* d = debris[k];
                if (!d) continue;
                d->PostCommand(SpriteEvent::HideSprite);
                for (int w = 0; w < kWaits[k]; ++w) d->PostCommand(SpriteEvent::Notify);
                d->PostCommand(SpriteEvent::ShowSprite);
                animating.AddTail(d);
                // Kept with the retired figures, so that the picture deletes the debris when it goes.
                retired.AddTail(d);
                Container<Sprite*> p(d);
                delete Send(SPRITE_CREATED, &p);
                if (!*living) return;
            }
        }
        const DirectionOffsets* offsets = nullptr;
        if (walkingData && entry <= 8) {
            FacingOffsets* record = WalkRecord(*walkingData, walkSection, slot);
            if (record) offsets = &record->facings[entry];
        }
        s->PostSoundCode(10, static_cast<std::uint16_t>(kind), 0);
        WalkFigureAlongPath(slot, s, &route, offsets, 1, routed ? 0 : 1);
        if (!animating.Contains(s)) animating.AddTail(s);
    }
    short last = GetHex();
    route.PeekTail(last);
    objectId = static_cast<std::uint16_t>(last);
    flagDropped = 1;
    routed = 1;
}

std::vector<std::int16_t> VhPhysicalObject::CombatDirections(const List<short>* enemies) {
    bool engaged[9] = {};
    if (enemies) {
        ListIterator<short> it(const_cast<List<short>*>(enemies));
        short enemy = 0;
        while (it.Next(enemy)) {
            if (!HexesAdjacent(GetHex(), enemy)) continue;
            const auto d = RotateDirectionAnticlockwise(static_cast<DIRECTION>(DirectionTo(GetHex(), enemy)),
                                                        static_cast<std::uint8_t>((facing + 7) % 8));
            if (d >= 0 && d <= 8) engaged[d] = true;
        }
    }
    if (engaged[2] && engaged[8]) {
        engaged[2] = engaged[8] = false;
        engaged[1] = true;
    }
    std::vector<std::int16_t> result(spriteCount, 0);
    for (std::uint16_t i = 0; i < spriteCount; ++i) {
        const std::int8_t* row = PreferenceFor(kind, i);
        if (!row) continue;
        int best = 9;
        for (int d = 0; d <= 8; ++d) {
            if (engaged[d] && row[d] < best) {
                best = row[d];
                result[i] = static_cast<std::int16_t>(d);
            }
        }
    }
    return result;
}

std::vector<bool> VhPhysicalObject::ChooseCombatCasualties(const std::vector<std::int16_t>& directions, std::int16_t target) {
    std::vector<bool> chosen(spriteCount, false);
    const std::int16_t chance = static_cast<std::int16_t>(spriteCount ? 100 / spriteCount : 0);
    CasualtyGenerator draws(GetHex());
    auto open = [&](std::uint16_t i) { return figureStates && figureStates[i] == 0 && !chosen[i]; };
    for (std::int16_t c = fallenCount; c < target && chance > 0; ++c) {
        bool any = false;
        for (std::uint16_t i = 0; i < spriteCount; ++i) any = any || open(i);
        // No figure left to choose: the scan would never stop.
        if (!any) break;
        bool wrapped = false;
        for (std::uint16_t i = 0;; ++i) {
            if (i == spriteCount) {
                i = 0;
                wrapped = true;
            }
            if (!open(i)) continue;
            if (draws.Draw(0, 100) < chance && directions[i] != 0) {
                chosen[i] = true;
                break;
            }
            if (draws.Draw(0, 100) < chance && wrapped) {
                chosen[i] = true;
                break;
            }
        }
    }
    return chosen;
}

void VhPhysicalObject::CombatWithoutAnimation(LogicalCommandInfo& command) {
    const std::vector<std::int16_t> directions = CombatDirections(PayloadValue<List<short>>(command.data));
    const std::int16_t target = CasualtyTarget(spriteCount, minFigures, lossPercent);
    const std::vector<bool> chosen = ChooseCombatCasualties(directions, target);
    std::vector<std::int16_t> replaces(spriteCount, -1);
    const std::uint32_t F = GetFigureFacing();
    for (std::uint16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = GetFigureSprite(static_cast<std::int16_t>(i));
        if (!s || !figureStates || figureStates[i] != 0) continue;
        if (!chosen[i] && replaces[i] >= 0) {
            const std::int16_t slot = figureSlots[replaces[i]];
            figureSlots[replaces[i]] = -1;
            figureSlots[i] = slot;
            // The figure steps up within its own hex (a unit across two hexes has two).
            s->PostFrames(s->GetHex(), Point4(SlotOffset(slot, F), 0), OneFrame("Standing", static_cast<std::int32_t>(facing) - 1), -1, 0, 0);
            if (!animating.Contains(s)) animating.AddTail(s);
        } else if (chosen[i]) {
            figureStates[i] = 1;
            if (kind != 7 && kind != 13 && kind != 14 && kind != 16 && stepUpTable && stepUpTable[i] >= 0 &&
                stepUpTable[i] < spriteCount)
                replaces[stepUpTable[i]] = static_cast<std::int16_t>(i);
            FallFigure(static_cast<std::int16_t>(i), 1, false);
        }
    }
    if (target > fallenCount) fallenCount = target;
}

void VhPhysicalObject::CombatWithAnimation(LogicalCommandInfo& command) {
    const std::vector<std::int16_t> directions = CombatDirections(PayloadValue<List<short>>(command.data));
    const std::int16_t target = CasualtyTarget(spriteCount, minFigures, lossPercent);
    const std::int16_t newCasualties = static_cast<std::int16_t>(target > fallenCount ? target - fallenCount : 0);
    const std::vector<bool> chosen = ChooseCombatCasualties(directions, target);
    std::vector<std::int16_t> stepUpTime(spriteCount, -1), stepUpFrom(spriteCount, -1);
    std::int16_t ordinal = static_cast<std::int16_t>(fallenCount - 1);
    std::shared_ptr<bool> living = pictureAlive;
    for (std::uint16_t i = 0; i < spriteCount; ++i) {
        if (!IsFigurePresent(static_cast<std::int16_t>(i)) || !GetFigureSprite(static_cast<std::int16_t>(i))) continue;
        if (chosen[i]) {
            figureStates[i] = 1;
            ++ordinal;
        }
        AnimateFigureCombat(static_cast<std::int16_t>(i), GetHex(), chosen[i] ? 1 : 0, stepUpTime.data(), stepUpFrom.data(),
                            ordinal, OneFrame("Standing", static_cast<std::int32_t>(facing) - 1), directions[i],
                            newCasualties, command.region);
        // A companion's announcement may have ended this picture.
        if (!*living) return;
    }
    if (target > fallenCount) fallenCount = target;
}
