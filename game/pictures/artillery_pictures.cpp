// The battery pictures: one piece drawn limbered or unlimbered, turning, limbering and
// unlimbering, the bombardment and the combat shot; the mixed battery draws its first piece
// in the other metal.
#include "core/bus.h"
#include "core/events.h"
#include "game/pictures/flag.h"
#include "game/pictures/picture_random.h"
#include "game/pictures/unit_pictures.h"
#include "landscape/physical/physical_layer.h"

namespace {

bool Is(const LogicalCommandInfo& c, const char* name) {
    return (c.command.Number() & 0x0FFFFFFFu) == RegisterMessage(name);
}

List<FrameInfo> OneFrame(const char* sequence, std::int32_t frame) {
    List<FrameInfo> l;
    l.AddTail(FrameInfo(sequence, static_cast<std::int16_t>(frame)));
    return l;
}

List<FrameInfo> Run(const char* sequence, int first, int last) {
    List<FrameInfo> l;
    for (int f = first; f <= last; ++f) l.AddTail(FrameInfo(sequence, static_cast<std::int16_t>(f)));
    return l;
}

int Rand() { return PictureRandom(); }

const char* const kFireRow[9] = {"", "MN", "MNE", "ME", "MSE", "MS", "MSW", "MW", "MNW"};
const char* const kSizes[3] = {"", " (Half size)", " (Quarter size)"};

std::uint32_t TwoClockwise(std::uint32_t f) {
    f += 2;
    return f > 8 ? f - 8 : f;
}

std::uint32_t MarchDirection(std::uint32_t c, std::uint32_t to) {
    switch (c) {
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

int FlightSpeed(int d) {
    if (d == 1 || d == 5) return 100;
    if (d == 3 || d == 7) return 260;
    return 166;
}

// The two legs of a shot: the first ends 200 ms before the landing.
struct Flight {
    std::int32_t t2 = 0;
    Point3D mid;
};

Flight PlanFlight(const Point3D& from, const Point3D& to, int direction) {
    Flight f;
    const std::int32_t t = static_cast<std::int32_t>(Point3D::Distance(from, to) * 1000.0 / FlightSpeed(direction));
    f.t2 = t - 200 < 0 ? 0 : t - 200;
    // A target on the battery's own point has no flight to share out: all of it is the last leg.
    if (t <= 0) {
        f.t2 = 0;
        f.mid = from;
        return f;
    }
    const std::int32_t dx = to.x - from.x, dy = to.y - from.y;
    f.mid = from + Point3D(static_cast<std::int16_t>(dx * f.t2 / t), static_cast<std::int16_t>(dy * f.t2 / t), 0);
    return f;
}

} // namespace

void PArtillery::BatteryNames(const std::string& name, bool otherMetal, std::string names[6]) {
    const std::string side = name.find("Confederate") != std::string::npos ? "Confederate " : "Union ";
    bool iron = name.find("Iron") != std::string::npos;
    if (otherMetal) iron = !iron;
    const std::string metal = iron ? "Iron " : "Brass ";
    for (int z = 0; z < 3; ++z) {
        names[z] = side + metal + "Unlimbered Battery" + kSizes[z];
        names[3 + z] = side + metal + "Limbered Battery" + kSizes[z];
    }
}

PArtillery::PArtillery(const char* artName_, std::int16_t artKind_, std::int16_t hex, std::uint32_t facing_)
    : PMissileUnit(artName_, artKind_, hex, facing_) {
    kind = 16;
    minFigures = 1;
    const std::string name = artName_ ? artName_ : "";
    std::string names[6];
    BatteryNames(name, false, names);
    QIF<Bitmap>* own[3] = {GetArt(), halfArt, quarterArt};
    const bool limberedName = name.find("Limbered") != std::string::npos && name.find("Unlimbered") == std::string::npos;
    for (int z = 0; z < 3; ++z) {
        if (limberedName) {
            limbered[z] = own[z];
            unlimbered[z] = new QIF<Bitmap>(names[z].c_str());
        } else {
            unlimbered[z] = own[z];
            limbered[z] = new QIF<Bitmap>(names[3 + z].c_str());
        }
    }
}

PArtillery::~PArtillery() {
    QIF<Bitmap>** unused = GetArt() == limbered[0] ? unlimbered : limbered;
    for (int z = 0; z < 3; ++z) delete unused[z];
}

VhPhysicalObject* PArtillery::CreateInstance(std::int16_t hex, std::uint32_t facing_) {
    return new PArtillery(artName.c_str(), 9, hex, facing_);
}

void PArtillery::SelectArt() {
    QIF<Bitmap>** set = recordFlag == 0 ? limbered : unlimbered;
    art = set[0];
    halfArt = set[1];
    quarterArt = set[2];
    FindSectionBases();
}

void PArtillery::SetLineFormation(std::uint16_t v) {
    if (v == recordFlag) return;
    recordFlag = v;
    SelectArt();
}

VhSprite* PArtillery::MakeFigureSprite(std::int16_t hex, const Point3D& position, const FrameInfo& frame, std::int16_t value,
                                       PhysicalObject* owner, std::int16_t index) {
    VhSprite* s = recordFlag == 0 ? VhPhysicalObject::MakeFigureSprite(hex, position, frame, value, owner, index)
                                  : new VhSprite(hex, position, frame, value, owner, 1, unlimbered[0], unlimbered[1], unlimbered[2], 0);
    if (index == 0) s->EnableAllSounds();
    return s;
}

void PArtillery::SetUpFigures() {
    SelectArt();
    static const Point3D kMuzzle[9] = {{}, {0, 0, 0}, {0, 0, 0}, {0, -20, 0}, {0, -10, 0}, {0, 0, 0}, {-25, -30, 0}, {0, -20, 0}, {0, 0, 0}};
    for (int d = 0; d <= 8; ++d) muzzleOffsets[d] = kMuzzle[d];
    static const std::int16_t kAnchor[8][2] = {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}};
    const auto n = static_cast<std::int16_t>(spriteCount);
    Point3D* offsets = NewSlot(kAnchor);
    figureSlots[n] = n;
    AddFigure(MakeFigureSprite(GetHex(), offsets[facing >= 1 && facing <= 8 ? facing : 1],
                               FrameInfo("Standing", static_cast<std::int16_t>(facing - 1)), -1, this, n));
    balls[ballCount] = new VhSprite(GetHex(), Point3D(), FrameInfo("Default", 0), -1, nullptr, 1, ballArt[0], ballArt[1], ballArt[2], 0);
    Container<Sprite*> p(balls[ballCount]);
    Post(SPRITE_CREATED, &p);
    ++ballCount;
    delete[] figureStates;
    figureStates = new std::uint16_t[spriteCount]();
    delete[] stepUpTable;
    stepUpTable = new std::int16_t[spriteCount];
    for (std::uint16_t i = 0; i < spriteCount; ++i) stepUpTable[i] = -1;
    if (VhSprite* s = GetFigureSprite(0)) s->EnableAllSounds();
    if (balls[0]) balls[0]->EnableAllSounds();
}

void PArtillery::Load(SuperString& s) {
    VhPhysicalObject::Load(s);
    if (s.Failed()) return;
    SelectArt();
    RebuildFigures();
}

void PArtillery::ReplaceFigure(std::int16_t i, List<Box>& boxes, std::int16_t soundCode) {
    const FrameInfo frame("Standing", static_cast<std::int16_t>(facing - 1));
    Sprite* old = sprites[i];
    if (old) boxes.AddTail(old->GetRect());
    VhSprite* fresh = MakeFigureSprite(GetHex(), SlotOffset(figureSlots[i], facing), frame, -1, this, i);
    if (soundCode) fresh->PostSoundCode(static_cast<std::uint32_t>(soundCode), 0, 0);
    if (old) {
        Container<Sprite*> p(old);
        delete SendNamed("SpriteDestroyed", &p);
        if (auto* home = dynamic_cast<PhysicalLayer*>(GetBus())) home->ForgetSprite(old);
        animating.Remove(old);
        looseSprites.Remove(old);
        delete old;
    }
    sprites[i] = fresh;
    Container<Sprite*> p(fresh);
    delete Send(SPRITE_CREATED, &p);
    boxes.AddTail(fresh->GetRect());
}

void PArtillery::TurnTo(std::uint32_t to) {
    if (movesToSkip > 0) {
        pendingFacings.AddTail(static_cast<DIRECTION>(to));
        return;
    }
    flagDropped = 1;
    if (to == facing || to < 1 || to > 8) return;
    if (!HasNoFlag() && flag)
        if (auto* f = dynamic_cast<Flag*>(flag)) {
            f->LowerFlag(basePoint, 1);
            if (!animating.Contains(f)) animating.AddTail(f);
        }
    moveDirection = MarchDirection(facing, to);
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* S = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
        if (!S) continue;
        S->PostCommand(5);
        S->PostCommand(5);
        S->PostSoundCode(10, static_cast<std::uint16_t>(kind), 0);
        S->PostFrames(GetHex(), Point4(SlotOffset(figureSlots[i], to), 0), OneFrame("Standing", static_cast<std::int32_t>(moveDirection) - 1),
                      -1, 0, 0);
        S->PostSoundCode(11, static_cast<std::uint16_t>(kind), 0);
        S->PostFrames(GetHex(), Point4(Point3D(), 0), OneFrame("Standing", static_cast<std::int32_t>(to) - 1), -1, 2, 0);
        if (!animating.Contains(S)) animating.AddTail(S);
    }
    facing = to;
}

void PArtillery::StartCommand(LogicalCommandInfo& command) {
    const std::uint16_t count = spriteCount;
    if (Is(command, "UnlimberArtillery")) {
        SetLineFormation(1);
        const std::uint32_t f = facing;
        TurnTo(TwoClockwise(f));
        TurnTo(TwoClockwise(facing));
        facing = f;
    } else if (Is(command, "LimberArtillery")) {
        SetLineFormation(0);
        facing = facing + 4 > 8 ? facing - 4 : facing + 4;
        for (std::int16_t i = 0; i < count; ++i) {
            if (!IsFigurePresent(i)) continue;
            List<Box> boxes;
            ReplaceFigure(i, boxes, 0);
            Container<List<Box>> p(boxes);
            delete Send(INVALIDATE_VIEW, &p);
        }
        TurnTo(TwoClockwise(facing));
        TurnTo(TwoClockwise(facing));
    } else if (Is(command, "LimberArtilleryNA") || Is(command, "UnlimberArtilleryNA")) {
        const bool up = Is(command, "UnlimberArtilleryNA");
        SetLineFormation(up ? 1 : 0);
        for (std::int16_t i = 0; i < count; ++i) {
            if (!IsFigurePresent(i)) continue;
            List<Box> boxes;
            ReplaceFigure(i, boxes, up ? 32 : 31);
            Container<List<Box>> p(boxes);
            delete Send(INVALIDATE_VIEW, &p);
        }
    } else if (Is(command, "MissileFire")) {
        Bombard(command);
    } else if ((command.command.Number() & 0x0FFFFFFFu) == CHANGE_UNIT_FACING ||
               Is(command, "ChangeFacingNA")) {
        const DIRECTION* d = PayloadValue<DIRECTION>(command.data);
        if (d) TurnTo(static_cast<std::uint32_t>(*d));
    } else {
        VhPhysicalObject::StartCommand(command);
    }
}

void PArtillery::FinishCommand(LogicalCommandInfo& command) {
    if (Is(command, "MissileFire")) return;
    if (!Is(command, "UnlimberArtillery")) {
        VhPhysicalObject::FinishCommand(command);
        return;
    }
    List<Box> boxes;
    for (std::int16_t i = 0; i < spriteCount; ++i)
        if (IsFigurePresent(i)) ReplaceFigure(i, boxes, 0);
    Container<List<Box>> p(boxes);
    delete PostAndWait(INVALIDATE_VIEW, &p);
}

void PArtillery::Bombard(LogicalCommandInfo& command) {
    const DIRECTION* dir = PayloadValue<DIRECTION>(command.data);
    // A bombardment without a direction has nothing to aim at: it is answered at once.
    if (!dir || *dir < 1 || *dir > 8) return;
    const int r = static_cast<int>(*dir);
    flagDropped = 1;
    if (!HasNoFlag() && flag)
        if (auto* f = dynamic_cast<Flag*>(flag)) {
            f->LowerFlag(basePoint, 1);
            if (!animating.Contains(f)) animating.AddTail(f);
        }
    Point3D T = HexPoint(command.region);
    {
        // A hex the main map marks is shelled higher up the screen.
        ViewLayer* main = VhSprite::GetViewLayer(0);
        ViewLandscape* l = main ? main->GetLandscape(0) : nullptr;
        if (l && l->IsHexMarked(command.region)) T.y = static_cast<std::int16_t>(T.y - 153);
    }
    const Point3D P0 = HexPoint(GetHex());
    target = T;
    const Flight flight = PlanFlight(P0, T, r);
    const List<FrameInfo> firing = Run(kFireRow[r], 0, 19);
    const List<FrameInfo> closing = OneFrame("Standing", static_cast<std::int32_t>(facing) - 1);
    bool first = true;
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* S = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
        if (!S) continue;
        if (first) S->PostSoundCode(26, 0, 0);
        first = false;
        S->PostFrames(GetHex(), Point4(Point3D(), 0), firing, -1, 2, 0);
        S->PostFrames(GetHex(), Point4(Point3D(), 0), closing, -1, 2, 0);
        if (!animating.Contains(S)) animating.AddTail(S);
    }
    const List<FrameInfo> blank = OneFrame("Default", 0);
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* B = IsFigurePresent(i) ? GetBall(i) : nullptr;
        if (!B) continue;
        const Point3D A = SlotOffset(figureSlots[i], facing);
        const Point3D M = muzzleOffsets[r];
        Point3D s1, s2;
        s1.y = static_cast<std::int16_t>(-20 - Rand() % 21);
        s1.x = static_cast<std::int16_t>(-5 - Rand() % 21);
        s2.y = static_cast<std::int16_t>(-50 - Rand() % 21);
        s2.x = static_cast<std::int16_t>(-5 - Rand() % 21);
        B->PostFrames(GetHex(), Point4(Point3D(), 0), blank, -1, 0, 0);
        B->PostFrames(GetHex(), Point4(M + A, 0), blank, -1, 0, 0);
        B->PostFrames(GetHex(), Point4(Point3D(), 0), blank, -1, 2, 0);
        B->PostFrames(GetHex(), Point4(flight.mid + s1 + A - P0, flight.t2), blank, -1, 0, 0);
        const bool ground = Rand() % 100 > 30;
        B->PostFrames(GetHex(), Point4(T + (ground ? s1 : s2) + A - P0, 200), blank, -1, 0, 0);
        B->PostSoundCode(28, 0, 0);
        B->PostFrames(GetHex(), Point4(Point3D(), 0), Run(ground ? "ExplodeGround" : "ExplodeAir", 0, 6), -1, 2, 0);
        B->PostFrames(GetHex(), Point4(Point3D(), 0), blank, -1, 0, 0);
        if (!animating.Contains(B)) animating.AddTail(B);
    }
}

void PArtillery::AnimateFigureCombat(std::int16_t f, std::int16_t h, std::int16_t lost, std::int16_t[], std::int16_t[],
                                     std::int16_t, List<FrameInfo> closing, std::int32_t r, std::int16_t, std::int16_t) {
    VhSprite* S = GetFigureSprite(f);
    if (!S) return;
    const Point3D A = SlotOffset(figureSlots[f], facing);
    List<FrameInfo> dropOut;
    FrameInfo death;
    if (lost && DeathFrame(death)) dropOut.AddTail(death);
    auto fall = [&]() {
        S->PostSoundCode(17, static_cast<std::uint16_t>(kind), 0);
        if (dropOut.IsEmpty()) S->PostCommand(SpriteEvent::HideSprite);
        else S->PostFrames(GetHex(), Point4(Point3D(), 0), dropOut, 0, 2, 0);
        if (!looseSprites.Contains(S)) looseSprites.AddTail(S);
    };
    if (r == 0) {
        if (!lost) return;
        S->PostFrames(GetHex(), Point4(A, 0), closing, -1, 0, 0);
        fall();
        return;
    }
    int d = static_cast<int>(RotateDirectionClockwise(static_cast<DIRECTION>(r), static_cast<std::uint8_t>((facing + 7) % 8)));
    if (d < 1 || d > 8) return;
    if (d == 5) d = A.x > 0 ? 4 : 6;
    else if (d == 1) d = A.x > 0 ? 2 : 8;
    const Point3D T = HexPoint(NeighbourHex(h, d));
    target = T;
    const Point3D P0 = HexPoint(h);
    if (QIF<Bitmap>* a = GetArt()) {
        std::int16_t base = a->SectionIndex("CN");
        if (base < 0) base = a->SectionIndex("N");
        if (base >= 0) a->SetCurrentSection(static_cast<std::int16_t>(base + d - 1));
    }
    S->PostCommand(5);
    S->PostCommand(5);
    const Flight flight = PlanFlight(P0, T, d);
    const bool unlimberedNow = recordFlag != 0;
    List<FrameInfo> firing;
    if (unlimberedNow) {
        firing = Run(kFireRow[d], 0, 19);
        S->PostSoundCode(26, 0, 0);
    } else {
        for (int k = 0; k < 20; ++k) firing.AddTail(FrameInfo("Standing", static_cast<std::int16_t>(d - 1)));
    }
    S->PostFrames(GetHex(), Point4(Point3D(), 0), firing, -1, 2, 0);
    S->PostFrames(GetHex(), Point4(Point3D(), 0), closing, h, 2, 0);
    VhSprite* B = unlimberedNow ? GetBall(f) : nullptr;
    if (B) {
        const auto sy = static_cast<std::int16_t>(10 - Rand() % 21);
        const auto sx = static_cast<std::int16_t>(10 - Rand() % 21);
        const Point3D s(sx, sy, 0);
        // The muzzle follows the direction the piece actually fires in.
        const Point3D M = muzzleOffsets[d];
        const List<FrameInfo> burst = Run("ExplodeGround", 0, 6);
        List<FrameInfo> wait;
        for (int k = 0; k < 12; ++k) wait.AddTail(FrameInfo("Default", 0));
        const List<FrameInfo> shot = OneFrame("Cannon", 0);
        const List<FrameInfo> blank = OneFrame("Default", 0);
        B->PostFrames(GetHex(), Point4(Point3D(), 0), blank, -1, 0, 0);
        B->PostFrames(GetHex(), Point4(M + A, 0), blank, -1, 0, 0);
        B->PostFrames(GetHex(), Point4(Point3D(), 0), wait, -1, 2, 0);
        B->PostFrames(GetHex(), Point4(flight.mid + s + A - P0, flight.t2), shot, -1, 0, 0);
        B->PostSoundCode(28, 0, 0);
        B->PostFrames(GetHex(), Point4(T + s + A - P0, 200), shot, -1, 0, 0);
        // The burst belongs where the shot lands.
        B->PostFrames(GetHex(), Point4(Point3D(), 0), burst, -1, 2, 0);
        B->PostFrames(GetHex(), Point4(SlotOffset(f, facing), 0), blank, -1, 0, 0);
        if (!animating.Contains(B)) animating.AddTail(B);
    }
    if (lost) {
        fall();
    } else {
        S->PostFrames(GetHex(), Point4(A, 0), List<FrameInfo>(), -1, 0, 0);
        S->PostSoundCode(16, static_cast<std::uint16_t>(kind), 0);
        S->PostFrames(GetHex(), Point4(Point3D(), 0), closing, -1, 2, 0);
        if (!animating.Contains(S)) animating.AddTail(S);
    }
}

// --- PMixedArtillery ---

PMixedArtillery::PMixedArtillery(const char* artName_, std::int16_t artKind_, std::int16_t hex, std::uint32_t facing_)
    : PArtillery(artName_, artKind_, hex, facing_) {
    std::string names[6];
    BatteryNames(artName_ ? artName_ : "", true, names);
    for (int z = 0; z < 3; ++z) otherUnlimbered[z] = new QIF<Bitmap>(names[z].c_str());
    for (int z = 0; z < 3; ++z) otherLimbered[z] = new QIF<Bitmap>(names[3 + z].c_str());
}

PMixedArtillery::~PMixedArtillery() {
    for (int z = 0; z < 3; ++z) delete otherUnlimbered[z];
    for (int z = 0; z < 3; ++z) delete otherLimbered[z];
}

VhPhysicalObject* PMixedArtillery::CreateInstance(std::int16_t hex, std::uint32_t facing_) {
    return new PMixedArtillery(artName.c_str(), 9, hex, facing_);
}

VhSprite* PMixedArtillery::MakeFigureSprite(std::int16_t hex, const Point3D& position, const FrameInfo& frame,
                                            std::int16_t value, PhysicalObject* owner, std::int16_t index) {
    if (index != 0) return PArtillery::MakeFigureSprite(hex, position, frame, value, owner, index);
    QIF<Bitmap>** set = recordFlag == 0 ? otherLimbered : otherUnlimbered;
    auto* s = new VhSprite(hex, position, frame, value, owner, 1, set[0], set[1], set[2], 0);
    s->EnableAllSounds();
    return s;
}
