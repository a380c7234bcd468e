// Where a unit's standing figures stand: the foot (eight figures), mounted (six) and leader
// (one) layouts, one offset per facing for every figure, and the small operations that place,
// rebuild and hide the figures.
#include "core/events.h"
#include "game/pictures/vh_physical_object.h"

namespace {

struct FootPlace {
    std::int16_t x, y, value;
};

// Per slot, facings N, NE, E, SE, S, SW, W, NW.
const FootPlace kFootLayout[8][8] = {
    {{-32, -5, 4}, {-22, -6, 1}, {15, -11, 1}, {49, 2, 2}, {33, 16, 5}, {8, 32, 8}, {-15, 31, 8}, {-40, 27, 7}},
    {{-9, -5, 3}, {-3, 4, 3}, {15, 3, 2}, {30, 12, 4}, {10, 16, 6}, {-11, 22, 6}, {-15, 17, 7}, {-21, 17, 5}},
    {{14, -5, 2}, {16, 14, 5}, {15, 17, 3}, {11, 22, 6}, {-13, 16, 7}, {-30, 12, 4}, {-15, 3, 6}, {-2, 7, 3}},
    {{37, -5, 1}, {35, 24, 7}, {15, 31, 4}, {-8, 32, 8}, {-36, 16, 8}, {-49, 2, 2}, {-15, -11, 5}, {17, -3, 1}},
    {{-36, 16, 8}, {-49, 2, 2}, {-15, -11, 5}, {22, -6, 1}, {37, -5, 1}, {35, 24, 7}, {15, 31, 4}, {-13, 35, 8}},
    {{-13, 16, 7}, {-30, 12, 4}, {-15, 3, 6}, {3, 4, 3}, {14, -5, 2}, {16, 14, 5}, {15, 17, 3}, {6, 25, 6}},
    {{10, 16, 6}, {-11, 22, 6}, {-15, 17, 7}, {-16, 14, 5}, {-9, -5, 3}, {-3, 4, 3}, {15, 3, 2}, {25, 15, 4}},
    {{33, 16, 5}, {8, 32, 8}, {-15, 31, 8}, {-35, 24, 7}, {-32, -5, 4}, {-22, -6, 1}, {15, -11, 1}, {44, 5, 2}},
};

const std::int16_t kMountedLayout[6][8][2] = {
    {{-30, -1}, {4, -12}, {-24, -4}, {44, 9}, {33, 24}, {0, 29}, {24, 32}, {-38, 3}},
    {{0, -1}, {23, -1}, {-24, 14}, {26, 19}, {4, 24}, {-19, 13}, {24, 14}, {-15, -6}},
    {{29, -1}, {41, 10}, {-24, 32}, {8, 28}, {-26, 24}, {-37, 7}, {24, -4}, {8, -14}},
    {{-25, 24}, {-37, 2}, {24, -4}, {13, -4}, {30, -1}, {41, 15}, {-24, 32}, {3, 18}},
    {{5, 24}, {-19, 13}, {24, 14}, {-10, 5}, {0, -1}, {23, 4}, {-24, 14}, {21, 9}},
    {{34, 24}, {0, 24}, {24, 32}, {-33, 13}, {-29, -1}, {4, -7}, {-24, -4}, {39, -1}},
};

const std::int16_t kLeaderLayout[8][2] = {{0, 11}, {0, 11}, {0, 11}, {0, 11}, {0, 11}, {0, 11}, {0, 11}, {0, 11}};

// A facing outside 1..8 would index past the nine entries of a slot; it stands as north.
std::uint32_t SlotIndex(std::uint32_t f) { return (f >= 1 && f <= 8) ? f : 1; }

} // namespace

VhSprite* VhPhysicalObject::GetFigureSprite(std::int16_t i) {
    if (i < 0 || i >= spriteCount) return nullptr;
    return dynamic_cast<VhSprite*>(sprites[i]);
}

VhSprite* VhPhysicalObject::MakeFigureSprite(std::int16_t hex, const Point3D& position, const FrameInfo& frame,
                                             std::int16_t value, PhysicalObject* owner, std::int16_t) {
    return new VhSprite(hex, position, frame, value, owner, 1, GetArt(), halfArt, quarterArt, 0);
}

std::uint32_t VhPhysicalObject::TurnFacing(std::uint32_t f) {
    if (recordFlag) return f;
    f += 2;
    return f > 8 ? f - 8 : f;
}

FrameInfo VhPhysicalObject::StandingFrame() {
    return FrameInfo("Standing", static_cast<std::int16_t>(GetStandingFrame() - 1));
}

std::int16_t VhPhysicalObject::IsFigurePresent(std::int16_t figure) const {
    if (figure < 0 || figure >= spriteCount || !figureStates) return 0;
    return figureStates[figure] == 0 ? 1 : 0;
}

Point3D* VhPhysicalObject::NewSlot(const std::int16_t (*row)[2], std::int16_t* values) {
    auto* offsets = new Point3D[9];
    for (int f = 1; f <= 8; ++f) offsets[f] = Point3D(row[f - 1][0], row[f - 1][1], 0);
    slotOffsets[slotCount] = offsets;
    // The array's new entries are not cleared: every slot sets its start values, if only to none.
    slotFrames[slotCount] = values;
    ++slotCount;
    return offsets;
}

void VhPhysicalObject::AddFigure(VhSprite* sprite) {
    sprites[spriteCount] = sprite;
    ++spriteCount;
    Container<Sprite*> p(sprite);
    Post(SPRITE_CREATED, &p);
}

void VhPhysicalObject::BuildFootFigures() {
    for (int i = 0; i < 8; ++i) {
        std::int16_t row[8][2];
        auto* values = new std::int16_t[9]();
        for (int f = 0; f < 8; ++f) {
            row[f][0] = kFootLayout[i][f].x;
            row[f][1] = kFootLayout[i][f].y;
            values[f + 1] = kFootLayout[i][f].value;
        }
        Point3D* offsets = NewSlot(row, values);
        const std::uint32_t F = SlotIndex(GetFigureFacing());
        AddFigure(MakeFigureSprite(GetHex(), offsets[F], StandingFrame(), values[F], this,
                                   static_cast<std::int16_t>(spriteCount)));
    }
    delete[] figureStates;
    figureStates = new std::uint16_t[8]();
    for (int k = 0; k < 8; ++k) figureSlots[k] = static_cast<std::int16_t>(k);
}

void VhPhysicalObject::BuildMountedFigures() {
    for (int i = 0; i < 6; ++i) {
        Point3D* offsets = NewSlot(kMountedLayout[i]);
        const std::uint32_t F = SlotIndex(GetFigureFacing());
        AddFigure(MakeFigureSprite(GetHex(), offsets[F], StandingFrame(), -1, this,
                                   static_cast<std::int16_t>(spriteCount)));
    }
    delete[] figureStates;
    figureStates = new std::uint16_t[6]();
    for (int k = 0; k < 6; ++k) figureSlots[k] = static_cast<std::int16_t>(k);
}

void VhPhysicalObject::BuildLeaderFigure() {
    Point3D* offsets = NewSlot(kLeaderLayout);
    const std::uint32_t F = SlotIndex(GetFigureFacing());
    AddFigure(new VhSprite(GetHex(), offsets[F], StandingFrame(), 1, this, 1, GetArt(), halfArt, quarterArt, 0));
    figureSlots[0] = 0;
    delete[] figureStates;
    figureStates = new std::uint16_t[1]();
    if (VhSprite* s = GetFigureSprite(0)) s->EnableAllSounds();
}

void VhPhysicalObject::RebuildFigures() {
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        if (!IsFigurePresent(i)) continue;
        const FrameInfo frame = StandingFrame();
        Sprite* old = sprites[i];
        const bool wasHidden = old && old->IsHidden();
        if (old) {
            old->Hide();
            retired.AddTail(old);
        }
        const std::uint32_t F = SlotIndex(GetFigureFacing());
        const Point3D at = i < slotCount ? slotOffsets[i][F] : Point3D();
        VhSprite* fresh = MakeFigureSprite(GetHex(), at, frame, -1, this, i);
        if (wasHidden) fresh->Hide();
        sprites[i] = fresh;
        Container<Sprite*> p(fresh);
        delete Send(SPRITE_CREATED, &p);
    }
}

void VhPhysicalObject::HideSprites(std::int16_t hide) {
    if (flag && !HasNoFlag()) {
        if (hide) flag->Hide();
        else flag->Show();
    }
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        if (!IsFigurePresent(i)) continue;
        VhSprite* s = GetFigureSprite(i);
        if (!s) continue;
        if (hide) s->Hide();
        else s->Show();
    }
}

void VhPhysicalObject::FindSectionBases() {
    QIF<Bitmap>* a = GetArt();
    if (!a) {
        standSection = sequenceBase = 0;
        return;
    }
    if (a->HasSection("CN")) standSection = static_cast<std::uint16_t>(a->SectionIndex("CN"));
    else if (a->HasSection("N")) standSection = static_cast<std::uint16_t>(a->SectionIndex("N"));
    else standSection = 0;
    sequenceBase = a->HasSection("N") ? static_cast<std::uint16_t>(a->SectionIndex("N")) : 0;
}

void VhPhysicalObject::SetUpStepUps6() {
    static const std::int16_t table[6] = {3, 4, 5, -1, -1, -1};
    delete[] stepUpTable;
    stepUpTable = new std::int16_t[6];
    for (int i = 0; i < 6; ++i) stepUpTable[i] = table[i];
    if (VhSprite* s = GetFigureSprite(0)) s->EnableAllSounds();
}

void VhPhysicalObject::SetUpStepUps8() {
    static const std::int16_t table[8] = {4, 5, 6, 7, -1, -1, -1, -1};
    delete[] stepUpTable;
    stepUpTable = new std::int16_t[8];
    for (int i = 0; i < 8; ++i) stepUpTable[i] = table[i];
    if (VhSprite* s = GetFigureSprite(0)) s->EnableAllSounds();
}
