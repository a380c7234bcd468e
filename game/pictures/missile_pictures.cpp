// The firing pictures: the missile unit with its balls, the musket (formations, volleys, fire in
// combat), the shock musket and the mounted musket.
#include "core/bus.h"
#include "core/events.h"
#include "game/logic/combat_records.h"
#include "game/pictures/flag.h"
#include "game/pictures/picture_random.h"
#include "game/pictures/unit_pictures.h"
#include "game/pictures/volley_table.h"
#include "landscape/physical/physical_layer.h"

#include <cstring>
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

List<FrameInfo> Repeat(const char* sequence, std::int32_t frame, int times) {
    List<FrameInfo> l;
    for (int k = 0; k < times; ++k) l.AddTail(FrameInfo(sequence, static_cast<std::int16_t>(frame)));
    return l;
}

int Rand() { return PictureRandom(); }

const char* const kFacingNames[9] = {"", "N", "NE", "E", "SE", "S", "SW", "W", "NW"};
const char* const kFireRow[9] = {"", "MN", "MNE", "ME", "MSE", "MS", "MSW", "MW", "MNW"};
const char* const kDismountRow[9] = {"", "CDN", "CDNE", "CDE", "CDSE", "CDS", "CDSW", "CDW", "CDNW"};

const char* const kBallNames[2][3] = {{"Ball", "Ball (Half size)", "Ball (Quarter size)"},
                                      {"Cannon", "Cannon (Half size)", "Cannon (Quarter size)"}};

Point3D Half(const Point3D& p) { return Point3D(p.x / 2, p.y / 2, p.z / 2); }

void Announce(Component* self, Sprite* s) {
    Container<Sprite*> p(s);
    self->Post(SPRITE_CREATED, &p);
}

} // namespace

// --- PMissileUnit ---

const Point PMissileUnit::kFireStepOffsets[8] = {Point(0, 6),   Point(-13, 8), Point(-20, 0), Point(-13, -8),
                                                 Point(0, -6),  Point(13, -8), Point(20, 0),  Point(13, 8)};

PMissileUnit::PMissileUnit(const char* artName_, std::int16_t artKind_, std::int16_t hex, std::uint32_t facing_)
    : VhPhysicalObject(artName_, hex, facing_), artKind(artKind_) {
    for (int z = 0; z < 3; ++z) ballArt[z] = MissileArt(artKind, static_cast<std::int16_t>(z));
}

PMissileUnit::~PMissileUnit() {
    for (std::int16_t i = 0; i < ballCount; ++i) DeleteBall(i);
}

void PMissileUnit::DeleteBall(std::int16_t i) {
    VhSprite* b = balls[i];
    if (!b) return;
    if (auto* home = dynamic_cast<PhysicalLayer*>(GetBus())) home->ForgetSprite(b);
    delete b;
    balls[i] = nullptr;
}

VhPhysicalObject* PMissileUnit::CreateInstance(std::int16_t hex, std::uint32_t facing_) {
    return new PMissileUnit(artName.c_str(), 0, hex, facing_);
}

void PMissileUnit::InitMissileArt() {
    for (int row = 0; row < 2; ++row)
        for (int z = 0; z < 3; ++z)
            if (!missileArtTable[8 + row][z]) missileArtTable[8 + row][z] = new QIF<Bitmap>(kBallNames[row][z]);
}

void PMissileUnit::ReleaseMissileArt() {
    for (int z = 0; z < 3; ++z)
        for (auto& row : missileArtTable) {
            delete row[z];
            row[z] = nullptr;
        }
}

QIF<Bitmap>* PMissileUnit::MissileArt(std::int16_t row, std::int16_t zoom) {
    if (row < 0 || row > 9 || zoom < 0 || zoom > 2) return nullptr;
    return missileArtTable[row][zoom];
}

void PMissileUnit::CreateBalls(std::int16_t n) {
    ballCount = n;
    for (std::int16_t i = 0; i < n; ++i) {
        balls[i] = new VhSprite(GetHex(), Point3D(), FrameInfo("Default", 0), -1, nullptr, 1, ballArt[0], ballArt[1], ballArt[2], 0);
        Announce(this, balls[i]);
    }
    if (n > 0) balls[n - 1]->EnableAllSounds();
}

void PMissileUnit::SetUpSinglePiece() {
    auto* f = new Flag(GetHex(), basePoint, static_cast<std::int32_t>(flagStyle), static_cast<std::int16_t>(viewIndex), 0);
    f->SetLift(153);
    flag = f;
    Announce(this, f);
    minFigures = 1;
    static const std::int16_t kRow[8][2] = {{0, 10}, {0, 10}, {0, 10}, {0, 10}, {0, 10}, {0, 10}, {0, 10}, {0, 10}};
    Point3D* offsets = NewSlot(kRow);
    auto* s = new VhSprite(GetHex(), offsets[facing >= 1 && facing <= 8 ? facing : 1],
                           FrameInfo("Standing", static_cast<std::int16_t>(facing - 1)), -1, this, 1, GetArt(), halfArt,
                           quarterArt, 0);
    s->SetLift(153);
    AddFigure(s);
    balls[0] = new VhSprite(GetHex(), Point3D(), FrameInfo("Default", 0), -1, nullptr, 1, ballArt[0], ballArt[1], ballArt[2], 0);
    balls[0]->SetLift(153);
    ballCount = 1;
    Announce(this, balls[0]);
    for (int d = 1; d <= 8; ++d) muzzleOffsets[d] = Point3D(0, 10, 0);
    delete[] stepUpTable;
    stepUpTable = new std::int16_t[1]{-1};
    figureSlots[0] = 0;
    delete[] figureStates;
    figureStates = new std::uint16_t[1]();
    s->EnableAllSounds();
    balls[0]->EnableAllSounds();
}

// --- PMusket ---

PMusket::PMusket(const char* artName_, std::int16_t artKind_, std::int16_t hex, std::uint32_t facing_)
    : PMissileUnit(artName_, artKind_, hex, facing_) {
    kind = 0;
    kindVariant = 2;
}

VhPhysicalObject* PMusket::CreateInstance(std::int16_t hex, std::uint32_t facing_) {
    return new PMusket(artName.c_str(), artKind, hex, facing_);
}

void PMusket::SetUpFigures() {
    if (singlePiece) {
        SetUpSinglePiece();
        return;
    }
    BuildFootFigures();
    static const Point3D kMuzzle[9] = {{}, {0, 0, 0}, {41, -5, 0}, {30, 5, 0}, {10, -20, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {-10, 20, 0}};
    for (int d = 0; d <= 8; ++d) muzzleOffsets[d] = kMuzzle[d];
    CreateEightBallSprites();
    SetUpStepUps8();
}

void PMusket::Load(SuperString& s) {
    VhPhysicalObject::Load(s);
    if (s.Failed()) return;
    AfterLoad();
    RebuildFigures();
}

void PMusket::StartCommand(LogicalCommandInfo& command) {
    if (Is(command, "ColumnFormation")) ChangeFormation(true);
    else if (Is(command, "LineFormation")) ChangeFormation(false);
    else if (Is(command, "MissileFire")) Volley(command);
    else VhPhysicalObject::StartCommand(command);
}

void PMusket::FinishCommand(LogicalCommandInfo& command) {
    if (Is(command, "MissileFire")) return;
    VhPhysicalObject::FinishCommand(command);
}

void PMusket::ChangeFormation(bool column) {
    flagDropped = 1;
    recordFlag = column ? 0 : 1;
    if (!HasNoFlag() && flag)
        if (auto* f = dynamic_cast<Flag*>(flag)) {
            f->LowerFlag(basePoint, 1);
            if (!animating.Contains(f)) animating.AddTail(f);
        }
    const std::uint32_t F = GetFigureFacing();
    std::vector<VhSprite*> moved;
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
        if (!s) continue;
        const std::int16_t slot = figureSlots[i];
        s->PostCommand(5);
        s->PostCommand(5);
        std::int32_t time = 20000 / GetStepSpeed();
        List<FrameInfo> walk;
        if (kind == 14 || kind == 16) {
            walk = OneFrame("Standing", static_cast<std::int32_t>(facing) - 1);
            time = 0;
        } else if (QIF<Bitmap>* a = GetArt()) {
            const auto section = static_cast<std::int16_t>(sequenceBase + facing - 1);
            a->SetCurrentSection(section);
            for (std::int16_t f = 0; f < a->ImageCount(section); ++f) walk.AddTail(FrameInfo(kFacingNames[facing], f));
        }
        s->PostSoundCode(10, static_cast<std::uint16_t>(kind), 0);
        s->PostFrames(GetHex(), Point4(SlotOffset(slot, F), time), walk, SlotStartValue(slot, F), 0, 0);
        s->PostSoundCode(11, static_cast<std::uint16_t>(kind), 0);
        s->PostFrames(GetHex(), Point4(Point3D(), 0), OneFrame("Standing", static_cast<std::int32_t>(facing) - 1), -1, 2, 0);
        moved.push_back(s);
    }
    if (HasNoFlag()) flag = nullptr;
    for (VhSprite* s : moved)
        if (!animating.Contains(s)) animating.AddTail(s);
}

void PMusket::Volley(LogicalCommandInfo& command) {
    const DIRECTION* dir = PayloadValue<DIRECTION>(command.data);
    // A volley with no direction to fire in plays nothing and is answered at once.
    if (!dir || *dir < 1 || *dir > 8) return;
    const int d = static_cast<int>(*dir);
    flagDropped = 1;
    if (!HasNoFlag() && flag)
        if (auto* f = dynamic_cast<Flag*>(flag)) {
            f->LowerFlag(basePoint, 1);
            if (!animating.Contains(f)) animating.AddTail(f);
        }
    const bool mountedNow = recordFlag2 != 0;
    target = HexPoint(command.region);
    Point3D S = HexPoint(GetHex());
    if (singlePiece) S.y = static_cast<std::int16_t>(S.y - 153);
    const Point3D lean = mountedNow ? Point3D() : kVolley[d].lean;
    target.x = static_cast<std::int16_t>(target.x + kVolley[d].shift);
    const Point3D A = S + Half(target - S) + kVolley[d].apex;
    const std::int32_t toApex = Point3D::Distance(S, A);
    const std::int32_t toTarget = Point3D::Distance(A, target);

    const char* M = kFireRow[d];
    List<FrameInfo> aim;
    aim.AddTail(FrameInfo("Standing", static_cast<std::int16_t>(d - 1)));
    aim.AddTail(FrameInfo(M, 0));
    List<FrameInfo> fire;
    if (!mountedNow || kind == 7) {
        for (int f = 1; f <= 13; ++f) fire.AddTail(FrameInfo(M, static_cast<std::int16_t>(f)));
        for (int f = 9; f >= 1; --f) fire.AddTail(FrameInfo(M, static_cast<std::int16_t>(f)));
    } else {
        QIF<Bitmap>* a = GetArt();
        const std::int16_t mn = a ? a->SectionIndex("MN") : -1;
        const std::int16_t count = a ? a->ImageCount(mn >= 0 ? mn : a->CurrentSection()) : 0;
        if (count < 4) {
            for (int f = 0; f <= 11; ++f) fire.AddTail(FrameInfo(M, static_cast<std::int16_t>(f)));
        } else {
            for (int f : {0, 0, 1, 1, 1, 1, 2, 3, 3, 3, 3}) fire.AddTail(FrameInfo(M, static_cast<std::int16_t>(f)));
        }
    }
    const List<FrameInfo> rest = OneFrame("Standing", static_cast<std::int32_t>(facing) - 1);
    const std::uint32_t F = GetFigureFacing();
    std::vector<std::int16_t> late(spriteCount, 0);
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
        if (!s) continue;
        const std::int16_t slot = figureSlots[i];
        late[i] = Rand() % 10 < 5 ? 1 : 0;
        for (int w = Rand() % 10; w > 0; --w) s->PostCommand(SpriteEvent::Notify);
        s->PostFrames(GetHex(), Point4(lean + SlotOffset(slot, F), 0), aim, -1, 0, 0);
        s->PostFrames(GetHex(), Point4(Point3D(), 0), fire, -1, 2, 0);
        s->PostFrames(GetHex(), Point4(SlotOffset(slot, F), 0), rest, -1, 0, 0);
        if (!animating.Contains(s)) animating.AddTail(s);
    }
    const List<FrameInfo> blank = OneFrame("Default", 0);
    const List<FrameInfo> wait = Repeat("Default", 0, (!mountedNow || kind == 7) ? 4 : 3);
    const List<FrameInfo> flight = OneFrame("Ball", 0);
    for (std::int16_t i = 0; i < spriteCount; ++i) {
        VhSprite* s = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
        VhSprite* B = GetBall(i);
        if (!s || !B) continue;
        const Point3D P = SlotOffset(figureSlots[i], F);
        const Point3D Md = muzzleOffsets[d];
        const auto jy = static_cast<std::int16_t>(10 - Rand() % 21);
        const auto jx = static_cast<std::int16_t>(10 - Rand() % 21);
        const Point3D J(jx, jy, 0);
        B->PostFrames(GetHex(), Point4(Point3D(), 0), blank, -1, 0, 0);
        B->PostFrames(GetHex(), Point4(Md + P, 0), blank, -1, 0, 0);
        B->PostFrames(GetHex(), Point4(Md + P, 0), wait, -1, 2, 0);
        if (late[i]) B->PostCommand(SpriteEvent::Notify);
        B->PostFrames(GetHex(), Point4(A + Half(J) + Md + P - S, toApex), flight, -1, 0, 0);
        B->PostSoundCode(25, 0, 0);
        B->PostFrames(GetHex(), Point4(target + J + Md + P - S, toTarget), flight, -1, 0, 0);
        B->PostFrames(GetHex(), Point4(Point3D(), 0), blank, -1, 0, 0);
        B->PostFrames(GetHex(), Point4(SlotOffset(i, F), 1000), blank, -1, 0, 0);
        if (!animating.Contains(B)) animating.AddTail(B);
    }
}

void PMusket::AnimateFigureCombat(std::int16_t figure, std::int16_t hex, std::int16_t isCasualty, std::int16_t stepUpTime[],
                                  std::int16_t stepUpFrom[], std::int16_t, List<FrameInfo> standingFrames,
                                  std::int32_t direction, std::int16_t, std::int16_t) {
    VhSprite* Fs = GetFigureSprite(figure);
    if (!Fs) return;
    std::int16_t s = figureSlots[figure];
    const bool stepPending = stepUpTime[figure] != -1;
    const bool mountedNow = recordFlag2 != 0;
    List<FrameInfo> casualty;
    std::shared_ptr<bool> living = pictureAlive;
    if (isCasualty) {
        const char* suffixless = "Horse";
        if (mountedNow) {
            if (Rand() % 100 < 15) {
                const List<short> path = RunAwayPath(hex, Rand() % 8 + 1);
                LaunchCompanion(suffixless, LogicalCommandInfo(0, new Container<List<short>>(path), hex, BusMessage(LOGICAL_OBJECT_MOVED)));
            } else {
                LaunchCompanion(suffixless, LogicalCommandInfo(0, new Container<MethodOfDeathStruct>(MethodOfDeathStruct(100, 4, 0xFFFF)),
                                                               hex, BusMessage(static_cast<int>(RegisterMessage("CohesionHit")))));
            }
            if (!*living) return;
        }
        if (kind == 7 && Rand() % 100 < 25) {
            const List<short> path = RunAwayPath(hex, Rand() % 8 + 1);
            LaunchCompanion("Running Chariot", LogicalCommandInfo(0, new Container<List<short>>(path), hex, BusMessage(LOGICAL_OBJECT_MOVED)));
            if (!*living) return;
        }
        FrameInfo death;
        if (DeathFrame(death)) casualty.AddTail(death);
        if (kind != 7 && kind != 13 && kind != 14 && kind != 16 && stepUpTable) {
            const std::int16_t p = stepUpTable[figure];
            if (p >= 0 && p < spriteCount) {
                stepUpFrom[p] = figure;
                stepUpTime[p] = 0;
            }
        }
    }
    if (direction == 0) {
        if (!isCasualty) return;
        Fs->PostFrames(GetHex(), Point4(SlotOffset(s, facing), 0), standingFrames, -1, 0, 0);
        Fs->PostSoundCode(17, static_cast<std::uint16_t>(kind), 0);
        Fs->PostFrames(GetHex(), Point4(Point3D(), 0), casualty, 0, 2, 0);
        if (casualty.IsEmpty()) Fs->PostCommand(SpriteEvent::HideSprite);
        if (!looseSprites.Contains(Fs)) looseSprites.AddTail(Fs);
        return;
    }
    const std::uint32_t FF = GetFigureFacing();
    int d0 = static_cast<int>(RotateDirectionClockwise(static_cast<DIRECTION>(direction), static_cast<std::uint8_t>((facing + 7) % 8))) - 1;
    if (d0 < 0 || d0 > 7) return;
    const Point3D P = SlotOffset(s, FF);
    if (d0 == 4) d0 = P.x < 1 ? 5 : 3;
    else if (d0 == 0) d0 = P.x < 1 ? 7 : 1;
    const int d = d0 + 1;
    Point3D tgt = HexPoint(NeighbourHex(GetHex(), d));
    const Point3D S = HexPoint(GetHex());
    if (QIF<Bitmap>* a = GetArt()) a->SetCurrentSection(static_cast<std::int16_t>(standSection + d0));
    Fs->PostCommand(5);
    Fs->PostCommand(5);
    tgt.x = static_cast<std::int16_t>(tgt.x + kVolley[d].shift);
    target = tgt;
    const Point3D A = S + Half(tgt - S) + kVolley[d].apex;
    const std::int32_t toApex = Point3D::Distance(S, A);
    const std::int32_t toTarget = Point3D::Distance(A, tgt);

    List<FrameInfo> stepBack;
    if (QIF<Bitmap>* a = GetArt()) {
        const std::int16_t section = a->SectionIndex(kFacingNames[d]);
        a->SetCurrentSection(section);
        for (std::int16_t f = static_cast<std::int16_t>(a->ImageCount(section) - 1); section >= 0 && f >= 0; --f)
            stepBack.AddTail(FrameInfo(kFacingNames[d], f));
    }
    List<FrameInfo> fire;
    if (!mountedNow) {
        for (int f = 0; f <= 13; ++f) fire.AddTail(FrameInfo(kFireRow[d], static_cast<std::int16_t>(f)));
        for (int f = 9; f >= 1; --f) fire.AddTail(FrameInfo(kFireRow[d], static_cast<std::int16_t>(f)));
    } else {
        for (int f = 0; f <= 11; ++f) fire.AddTail(FrameInfo(kFireRow[d], static_cast<std::int16_t>(f)));
    }
    for (int k = 0; k < 10; ++k) fire.AddTail(FrameInfo("Standing", static_cast<std::int16_t>(d0)));
    const List<FrameInfo> rest = OneFrame("Standing", static_cast<std::int32_t>(facing) - 1);
    const Point& step = kFireStepOffsets[d0];
    Fs->PostFrames(GetHex(), Point4(Point3D(step) + P, 500), stepBack, -1, 0, 0);
    Fs->PostFrames(GetHex(), Point4(Point3D(), 0), fire, -1, 2, 0);
    Fs->PostFrames(GetHex(), Point4(Point3D(), 0), rest, -1, 2, 0);

    if (VhSprite* B = GetBall(figure)) {
        const auto jy = static_cast<std::int16_t>(10 - Rand() % 21);
        const auto jx = static_cast<std::int16_t>(10 - Rand() % 21);
        const Point3D J(jx, jy, 0);
        const Point3D Mr = GetMuzzleOffset(direction);
        const List<FrameInfo> blank = OneFrame("Default", 0);
        const List<FrameInfo> wait = Repeat("Default", 0, mountedNow ? 8 : 9);
        const List<FrameInfo> flight = OneFrame("Ball", 0);
        B->PostFrames(GetHex(), Point4(Point3D(), 0), blank, -1, 0, 0);
        B->PostFrames(GetHex(), Point4(Mr + P, 0), blank, -1, 0, 0);
        B->PostFrames(GetHex(), Point4(Mr + P, 0), wait, -1, 2, 0);
        B->PostFrames(GetHex(), Point4(A + Half(J) + Mr + P - S, toApex), flight, -1, 0, 0);
        B->PostSoundCode(5, 0, 0);
        B->PostFrames(GetHex(), Point4(tgt + J + Mr + P - S, toTarget), flight, -1, 0, 0);
        B->PostFrames(GetHex(), Point4(Point3D(), 0), blank, -1, 0, 0);
        B->PostFrames(GetHex(), Point4(SlotOffset(figure, FF), 1000), blank, -1, 0, 0);
        if (!animating.Contains(B)) animating.AddTail(B);
    }
    if (isCasualty) {
        Fs->PostSoundCode(17, static_cast<std::uint16_t>(kind), 0);
        if (casualty.IsEmpty()) Fs->PostCommand(SpriteEvent::HideSprite);
        else Fs->PostFrames(GetHex(), Point4(Point3D(), 0), casualty, 0, 2, 0);
        if (!looseSprites.Contains(Fs)) looseSprites.AddTail(Fs);
        return;
    }
    if (stepPending) {
        const std::int16_t from = stepUpFrom[figure];
        if (from >= 0 && from < spriteCount) {
            figureSlots[figure] = figureSlots[from];
            figureSlots[from] = -1;
            s = figureSlots[figure];
        }
        Fs->PostFrames(GetHex(), Point4(SlotOffset(s, FF), 0), standingFrames, -1, 0, 0);
    }
    Fs->PostFrames(GetHex(), Point4(SlotOffset(s, FF), 0), List<FrameInfo>(), -1, 0, 0);
    Fs->PostSoundCode(16, static_cast<std::uint16_t>(kind), 0);
    Fs->PostFrames(GetHex(), Point4(Point3D(), 0), standingFrames, -1, 2, 0);
    if (!animating.Contains(Fs)) animating.AddTail(Fs);
}

// --- PShockingMusket ---

PShockingMusket::PShockingMusket(const char* artName_, std::int16_t artKind_, std::int16_t hex, std::uint32_t facing_)
    : PMusket(artName_, artKind_, hex, facing_) {}

VhPhysicalObject* PShockingMusket::CreateInstance(std::int16_t hex, std::uint32_t facing_) {
    return new PShockingMusket(artName.c_str(), artKind, hex, facing_);
}

void PShockingMusket::AnimateFigureCombat(std::int16_t figure, std::int16_t hex, std::int16_t isCasualty,
                                          std::int16_t stepUpTime[], std::int16_t stepUpFrom[], std::int16_t ordinal,
                                          List<FrameInfo> standingFrames, std::int32_t direction,
                                          std::int16_t newCasualties, std::int16_t strikeFirst) {
    VhPhysicalObject::AnimateFigureCombat(figure, hex, isCasualty, stepUpTime, stepUpFrom, ordinal, standingFrames,
                                          direction, newCasualties, strikeFirst);
}

// --- PMountedMusket ---

PMountedMusket::PMountedMusket(const char* artName_, std::int16_t artKind_, std::int16_t hex, std::uint32_t facing_)
    : PMusket(artName_, artKind_, hex, facing_) {
    const std::string name = artName_ ? artName_ : "";
    const std::string side = name.find("Confederate") != std::string::npos ? "Confederate " : "Union ";
    static const char* const kSizes[3] = {"", " (Half size)", " (Quarter size)"};
    QIF<Bitmap>* own[3] = {GetArt(), halfArt, quarterArt};
    if (name.find("Cavalry") != std::string::npos) {
        for (int z = 0; z < 3; ++z) {
            mounted[z] = own[z];
            foot[z] = new QIF<Bitmap>((side + "Medium Infantry" + kSizes[z]).c_str());
        }
    } else {
        for (int z = 0; z < 3; ++z) {
            foot[z] = own[z];
            mounted[z] = new QIF<Bitmap>((std::string("Union Cavalry") + kSizes[z]).c_str());
        }
    }
    kind = 8;
    kindVariant = 0;
    minFigures = 2;
    // A new picture stands on foot until the game mounts it.
    recordFlag2 = 0;
}

PMountedMusket::~PMountedMusket() {
    QIF<Bitmap>** unused = GetArt() == mounted[0] ? foot : mounted;
    for (int z = 0; z < 3; ++z) {
        if (unused[z] == art || unused[z] == halfArt || unused[z] == quarterArt) continue;
        delete unused[z];
    }
}

VhPhysicalObject* PMountedMusket::CreateInstance(std::int16_t hex, std::uint32_t facing_) {
    return new PMountedMusket(artName.c_str(), artKind, hex, facing_);
}

void PMountedMusket::SelectArt() {
    QIF<Bitmap>** set = recordFlag2 ? mounted : foot;
    art = set[0];
    halfArt = set[1];
    quarterArt = set[2];
    FindSectionBases();
}

void PMountedMusket::SetMounted(std::uint16_t v) {
    if ((v != 0) == (recordFlag2 != 0)) return;
    recordFlag2 = v;
    SelectArt();
}

VhSprite* PMountedMusket::MakeFigureSprite(std::int16_t hex, const Point3D& position, const FrameInfo& frame,
                                           std::int16_t value, PhysicalObject* owner, std::int16_t index) {
    VhSprite* s = recordFlag2 ? VhPhysicalObject::MakeFigureSprite(hex, position, frame, value, owner, index)
                              : new VhSprite(hex, position, frame, value, nullptr, 1, foot[0], foot[1], foot[2], 0);
    s->EnableAllSounds();
    return s;
}

void PMountedMusket::SetUpFigures() {
    SelectArt();
    BuildMountedFigures();
    static const Point3D kMuzzle[9] = {{}, {0, 0, 0}, {10, -10, 0}, {30, -5, 0}, {10, -45, 0}, {0, 0, 0}, {0, -35, 0}, {0, -5, 0}, {-10, 10, 0}};
    for (int d = 0; d <= 8; ++d) muzzleOffsets[d] = kMuzzle[d];
    CreateSixBallSprites();
    SetUpStepUps6();
}

void PMountedMusket::AnimateFigureCombat(std::int16_t figure, std::int16_t hex, std::int16_t isCasualty,
                                         std::int16_t stepUpTime[], std::int16_t stepUpFrom[], std::int16_t ordinal,
                                         List<FrameInfo> standingFrames, std::int32_t direction, std::int16_t newCasualties,
                                         std::int16_t strikeFirst) {
    VhPhysicalObject::AnimateFigureCombat(figure, hex, isCasualty, stepUpTime, stepUpFrom, ordinal, standingFrames,
                                          direction, newCasualties, strikeFirst);
}

void PMountedMusket::ReplaceSprite(std::int16_t i, const FrameInfo& first, List<Box>* boxes, bool postCreated) {
    const Point3D own = SlotOffset(i, GetFigureFacing());
    VhSprite* fresh = MakeFigureSprite(GetHex(), own, first, -1, this, i);
    Sprite* old = sprites[i];
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
    if (postCreated) Post(SPRITE_CREATED, &p);
    else delete Send(SPRITE_CREATED, &p);
    if (boxes) boxes->AddTail(fresh->GetRect());
}

void PMountedMusket::StartCommand(LogicalCommandInfo& command) {
    const std::uint32_t F = GetFigureFacing();
    const char* cd = kDismountRow[facing >= 1 && facing <= 8 ? facing : 1];
    const List<FrameInfo> rest = OneFrame("Standing", static_cast<std::int32_t>(facing) - 1);
    if (Is(command, "CavalryMount")) {
        SetMounted(1);
        bool first = true;
        for (std::int16_t i = 0; i < spriteCount; ++i) {
            if (!IsFigurePresent(i)) continue;
            ReplaceSprite(i, FrameInfo(cd, 10), nullptr, false);
            delete SendEvent(INVALIDATE_VIEW);
            VhSprite* s = GetFigureSprite(i);
            if (!s) continue;
            if (first) s->PostSoundCode(30, 0, 0);
            first = false;
            for (int w = Rand() % 10; w > 0; --w) s->PostCommand(SpriteEvent::Notify);
            List<FrameInfo> reverse;
            for (int f = 10; f >= 0; --f) reverse.AddTail(FrameInfo(cd, static_cast<std::int16_t>(f)));
            s->PostFrames(GetHex(), Point4(SlotOffset(figureSlots[i], F), 0), OneFrame(cd, 10), -1, 0, 0);
            s->PostFrames(GetHex(), Point4(Point3D(), 0), reverse, -1, 2, 0);
            s->PostFrames(GetHex(), Point4(SlotOffset(figureSlots[i], F), 0), rest, -1, 0, 0);
            if (!animating.Contains(s)) animating.AddTail(s);
        }
        kindVariant = 0;
    } else if (Is(command, "CavalryDismount")) {
        bool first = true;
        for (std::int16_t i = 0; i < spriteCount; ++i) {
            VhSprite* s = IsFigurePresent(i) ? GetFigureSprite(i) : nullptr;
            if (!s) continue;
            if (first) s->PostSoundCode(29, 0, 0);
            first = false;
            for (int w = Rand() % 10; w > 0; --w) s->PostCommand(SpriteEvent::Notify);
            List<FrameInfo> forward;
            for (int f = 0; f <= 10; ++f) forward.AddTail(FrameInfo(cd, static_cast<std::int16_t>(f)));
            s->PostFrames(GetHex(), Point4(SlotOffset(figureSlots[i], F), 0), rest, -1, 0, 0);
            s->PostFrames(GetHex(), Point4(Point3D(), 0), forward, -1, 2, 0);
            s->PostFrames(GetHex(), Point4(SlotOffset(figureSlots[i], F), 0), OneFrame(cd, 10), -1, 0, 0);
            if (!animating.Contains(s)) animating.AddTail(s);
        }
    } else if (Is(command, "CavalryMountNA") || Is(command, "CavalryDismountNA")) {
        const bool up = Is(command, "CavalryMountNA");
        SetMounted(up ? 1 : 0);
        List<Box> boxes;
        for (std::int16_t i = 0; i < spriteCount; ++i) {
            if (!IsFigurePresent(i)) continue;
            ReplaceSprite(i, FrameInfo("Standing", static_cast<std::int16_t>(facing - 1)), &boxes, false);
            if (VhSprite* s = GetFigureSprite(i); s && !animating.Contains(s)) animating.AddTail(s);
        }
        Container<List<Box>> p(boxes);
        delete PostAndWait(INVALIDATE_VIEW, &p);
        kindVariant = up ? 0 : 2;
    } else {
        PMusket::StartCommand(command);
    }
}

void PMountedMusket::FinishCommand(LogicalCommandInfo& command) {
    if (!Is(command, "CavalryDismount")) {
        PMusket::FinishCommand(command);
        return;
    }
    SetMounted(0);
    List<Box> boxes;
    for (std::int16_t i = 0; i < spriteCount; ++i)
        if (IsFigurePresent(i)) ReplaceSprite(i, FrameInfo("Standing", static_cast<std::int16_t>(facing - 1)), &boxes, false);
    std::shared_ptr<bool> living = pictureAlive;
    Container<List<Box>> p(boxes);
    delete PostAndWait(INVALIDATE_VIEW, &p);
    if (!*living) return;
    kindVariant = 2;
}
