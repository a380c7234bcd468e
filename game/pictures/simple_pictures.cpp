// The plain pictures: foot figures without missiles, the companion horse, the leader and the
// supply wagon.
#include "core/bus.h"
#include "core/events.h"
#include "game/pictures/picture_random.h"
#include "game/pictures/unit_pictures.h"

namespace {

bool Is(const LogicalCommandInfo& c, const char* name) {
    return (c.command.Number() & 0x0FFFFFFFu) == RegisterMessage(name);
}

List<FrameInfo> OneFrame(const char* sequence, std::int32_t frame) {
    List<FrameInfo> l;
    l.AddTail(FrameInfo(sequence, static_cast<std::int16_t>(frame)));
    return l;
}

std::uint32_t Entry(std::uint32_t f) { return (f >= 1 && f <= 8) ? f : 1; }

} // namespace

// --- PInfantry ---

PInfantry::PInfantry(const char* artName_, std::uint32_t kind_, std::uint32_t variant, std::int16_t hex, std::uint32_t facing_)
    : VhPhysicalObject(artName_, hex, facing_) {
    kind = kind_;
    kindVariant = variant;
}

VhPhysicalObject* PInfantry::CreateInstance(std::int16_t hex, std::uint32_t facing_) {
    return new PInfantry(artName.c_str(), kind, kindVariant, hex, facing_);
}

void PInfantry::SetUpFigures() {
    BuildFootFigures();
    SetUpStepUps8();
}

VhSprite* PInfantry::MakeSpear(std::int16_t slot) {
    // These figures carry no spear to drop.
    if (kindVariant == 2) return nullptr;
    return VhPhysicalObject::MakeSpear(slot);
}

// --- PHorse ---

PHorse::PHorse(const char* artName_, std::int16_t hex, std::uint32_t facing_, std::uint32_t kind_, std::uint16_t delayed)
    : VhPhysicalObject(artName_, hex, facing_), delayedEntry(delayed) {
    minFigures = 0;
    kind = kind_;
}

VhPhysicalObject* PHorse::CreateInstance(std::int16_t hex, std::uint32_t facing_) {
    return new PHorse(artName.c_str(), hex, facing_, kind, delayedEntry);
}

void PHorse::SetUpFigures() {
    static const std::int16_t kRow[8][2] = {{0, 11}, {0, 11}, {0, 11}, {0, 11}, {0, 11}, {0, 11}, {0, 11}, {0, 11}};
    const FrameInfo first("Standing", static_cast<std::int16_t>(facing - 1));
    Point3D* offsets = NewSlot(kRow);
    auto* s = new VhSprite(GetHex(), offsets[Entry(GetFigureFacing())], first, 1, this, 1, GetArt(), halfArt, quarterArt, 0);
    s->Hide();
    figureSlots[0] = 0;
    AddFigure(s);
    delete[] figureStates;
    figureStates = new std::uint16_t[1]();
}

void PHorse::QueueDelay() {
    VhSprite* h = GetFigureSprite(0);
    if (!h || !delayedEntry) return;
    for (int k = 0; k < 7; ++k) h->PostCommand(SpriteEvent::HideSprite);
    const Point3D P = SlotOffset(0, GetFigureFacing());
    h->PostFrames(GetHex(), Point4(P, 1300 + PictureRandom() % 1000), OneFrame("Standing", static_cast<std::int32_t>(facing) - 1),
                  -1, 0, 0);
}

void PHorse::StartCommand(LogicalCommandInfo& command) {
    VhSprite* h = GetFigureSprite(0);
    if (Is(command, "CohesionHit")) {
        QueueDelay();
        VhPhysicalObject::StartCommand(command);
        if (h) h->PostCommand(SpriteEvent::ShowSprite);
    } else if ((command.command.Number() & 0x0FFFFFFFu) == LOGICAL_OBJECT_MOVED) {
        QueueDelay();
        if (h) h->PostCommand(SpriteEvent::ShowSprite);
        VhPhysicalObject::StartCommand(command);
        if (h) h->PostCommand(SpriteEvent::HideSprite);
    } else {
        VhPhysicalObject::StartCommand(command);
    }
    // The delay alone must hold the command too: a horse that neither walks nor falls still
    // waits out its entry before the next command.
    if (h && !animating.Contains(h) && !looseSprites.Contains(h) && !h->Events().IsEmpty()) animating.AddTail(h);
}

// --- PLeader ---

PLeader::PLeader(const char* artName_, std::int16_t hex, std::uint32_t facing_, std::int16_t secondKind)
    : VhPhysicalObject(artName_, hex, facing_) {
    minFigures = 0;
    kind = secondKind ? 5 : 4;
    if (QIF<Bitmap>* a = GetArt()) {
        const std::int16_t k = a->SectionIndex("ASN");
        flagSequenceBase = static_cast<std::uint16_t>(k < 0 ? 0 : k);
    }
}

VhPhysicalObject* PLeader::CreateInstance(std::int16_t hex, std::uint32_t facing_) {
    return new PLeader(artName.c_str(), hex, facing_, kind == 5 ? 1 : 0);
}

List<FrameInfo> PLeader::FlagFrames() {
    List<FrameInfo> l;
    QIF<Bitmap>* a = GetArt();
    if (!a) return l;
    const auto section = static_cast<std::int16_t>(flagSequenceBase + facing - 1);
    const char* name = a->SectionName(section);
    // Art without the waving sequences: the leader waves by standing still.
    if (!name) return OneFrame(standingName.c_str(), static_cast<std::int32_t>(facing) - 1);
    a->SetCurrentSection(section);
    for (std::int16_t f = 0; f < a->ImageCount(section); ++f) l.AddTail(FrameInfo(name, f));
    return l;
}

void PLeader::StartCommand(LogicalCommandInfo& command) {
    VhSprite* L0 = GetFigureSprite(0);
    const Point4 inPlace(Point3D(), 0);
    if (Is(command, "WoundedLeader")) {
        if (QIF<Bitmap>* a = GetArt()) {
            const std::int16_t flags = a->SectionIndex("ASNWA");
            const std::int16_t walk = a->SectionIndex("NWA");
            // A leader art without the wounded set keeps its sound sequences.
            if (flags >= 0) flagSequenceBase = static_cast<std::uint16_t>(flags);
            if (walk >= 0) sequenceBase = static_cast<std::uint16_t>(walk);
            if (a->HasSection("StandingWA")) standingName = "StandingWA";
        }
        if (L0) {
            L0->PostFrames(GetHex(), inPlace, OneFrame(standingName.c_str(), static_cast<std::int32_t>(facing) - 1), -1, 2, 0);
            if (!animating.Contains(L0)) animating.AddTail(L0);
        }
        VhPhysicalObject::StartCommand(command);
    } else if (Is(command, "LowerFlags")) {
        flagAnimating = 0;
        if (flag) {
            flag = nullptr;
            if (L0) {
                L0->PostFrames(GetHex(), inPlace, OneFrame(standingName.c_str(), static_cast<std::int32_t>(facing) - 1), -1, 2, 0);
                if (!animating.Contains(L0)) animating.AddTail(L0);
            }
        }
    } else if (Is(command, "RaiseFlags")) {
        if (destroyed || !L0) return;
        flagAnimating = 1;
        flag = L0;
        L0->PostFrames(GetHex(), inPlace, FlagFrames(), -1, 3, 0);
    } else if (Is(command, "TerminalRout") || Is(command, "CohesionHit") || Is(command, "RampageDie") ||
               Is(command, "RampageCohesionHit") || Is(command, "RestoreCohesion") || Is(command, "CombatAnimate")) {
        // A leader is not a body of troops: losses and combat pass it by.
    } else if (Is(command, "UnitEliminated")) {
        Eliminated();
    } else if (Is(command, "UnitTeleport")) {
        Teleport(command);
    } else {
        VhPhysicalObject::StartCommand(command);
    }
}

void PLeader::Eliminated() {
    lossPercent = 0;
    fallenCount = static_cast<std::int16_t>(spriteCount);
    deathMethod = 4;
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        if (!IsFigurePresent(i)) continue;
        VhSprite* S = GetFigureSprite(i);
        if (!S) continue;
        figureStates[i] = 1;
        FrameInfo death;
        if (!DeathFrame(death)) {
            S->PostCommand(SpriteEvent::HideSprite);
        } else {
            S->PostSoundCode(17, static_cast<std::uint16_t>(kind), 0);
            List<FrameInfo> l;
            l.AddTail(death);
            S->PostFrames(GetHex(), Point4(Point3D(), 0), l, 0, 2, 0);
        }
        if (!looseSprites.Contains(S)) looseSprites.AddTail(S);
        // The fallen body stays until the picture goes (kept with the retired figures).
        retired.AddTail(S);
        auto* fresh = new VhSprite(GetHex(), SlotOffset(0, GetFigureFacing()),
                                   FrameInfo("Standing", static_cast<std::int16_t>(facing - 1)), 1, this, 1, GetArt(),
                                   halfArt, quarterArt, 0);
        sprites[0] = fresh;
        Container<Sprite*> p(fresh);
        Post(SPRITE_CREATED, &p);
        fresh->PostCommand(SpriteEvent::HideSprite);
        for (int k = 0; k < 7; ++k) fresh->PostCommand(SpriteEvent::Notify);
        fresh->PostCommand(SpriteEvent::ShowSprite);
        animating.AddTail(fresh);
        figureStates[0] = 0;
        fresh->EnableAllSounds();
    }
}

void PLeader::Teleport(LogicalCommandInfo& command) {
    const List<short>* route = PayloadValue<List<short>>(command.data);
    short N = 0;
    if (route) route->PeekTail(N);
    const std::uint32_t F = GetFigureFacing();
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* S = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
        if (!S) continue;
        const std::int16_t s = figureSlots[i];
        S->ChangeRegion(N);
        S->PostFrames(N, Point4(SlotOffset(s, F), 0), OneFrame("Standing", static_cast<std::int32_t>(facing) - 1),
                      SlotStartValue(s, F), 0, 0);
        if (!flagAnimating && !animating.Contains(S)) animating.AddTail(S);
    }
    if (N != 0) objectId = static_cast<std::uint16_t>(N);
    flagDropped = 1;
    if (flagAnimating)
        if (VhSprite* L0 = GetFigureSprite(0)) L0->PostFrames(GetHex(), Point4(SlotOffset(0, F), 0), FlagFrames(), -1, 3, 0);
}

void PLeader::Save(SuperString& s) {
    s << static_cast<std::uint16_t>(standingName.size());
    for (char c : standingName) s << static_cast<std::uint8_t>(c);
    VhPhysicalObject::Save(s);
}

void PLeader::Load(SuperString& s) {
    std::uint16_t n = 0;
    s >> n;
    std::string name;
    for (std::uint16_t k = 0; k < n && !s.Failed(); ++k) {
        std::uint8_t c = 0;
        s >> c;
        name.push_back(static_cast<char>(c));
    }
    if (s.Failed()) return;
    // Only the two standing sequences exist; any other name is a damaged record.
    if (name != "Standing" && name != "StandingWA") {
        s.SetFailed();
        return;
    }
    standingName = name;
    VhPhysicalObject::Load(s);
}

// --- PSupplyWagon ---

PSupplyWagon::PSupplyWagon(const char* artName_, std::int16_t hex, std::uint32_t facing_)
    : VhPhysicalObject(artName_, hex, facing_) {
    kind = 14;
}

VhPhysicalObject* PSupplyWagon::CreateInstance(std::int16_t hex, std::uint32_t facing_) {
    return new PSupplyWagon(artName.c_str(), hex, facing_);
}

void PSupplyWagon::SetUpFigures() {
    static const std::int16_t kAnchor[8][2] = {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}};
    Point3D* offsets = NewSlot(kAnchor);
    figureSlots[0] = 0;
    AddFigure(new VhSprite(GetHex(), offsets[Entry(facing)], FrameInfo("Standing", static_cast<std::int16_t>(facing - 1)), -1,
                           this, 1, GetArt(), halfArt, quarterArt, 0));
    delete[] stepUpTable;
    stepUpTable = new std::int16_t[1]{-1};
    delete[] figureStates;
    figureStates = new std::uint16_t[1]();
    if (VhSprite* s = GetFigureSprite(0)) s->EnableAllSounds();
}
