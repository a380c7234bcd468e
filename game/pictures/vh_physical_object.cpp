#include "game/pictures/vh_physical_object.h"

#include "core/application.h"
#include "core/bus.h"
#include "core/events.h"
#include "core/geometry_stream.h"
#include "core/message_registry.h"
#include "game/logic/combat_records.h"
#include "game/pictures/picture_log.h"
#include "game/pictures/picture_random.h"
#include "game/pictures/unit_pictures.h"
#include "landscape/physical/physical_layer.h"

#include <string>
#include <vector>

namespace {

const char* const kWalkingData = "Walking Animation Data";
const char* const kDebris[3] = {"Generic Rout Debris", "Generic Rout Debris (Half size)",
                                "Generic Rout Debris (Quarter size)"};

VhPhysicalObject* Self(Component* c) { return static_cast<VhPhysicalObject*>(c); }

// With the debug log on: every command that comes in (a handler ahead of the one that queues it).
ContainerBase* OnLoggedCommand(Component* c, BusMessage, ContainerBase* p) {
    auto* self = dynamic_cast<VhPhysicalObject*>(c);
    const LogicalCommandInfo* command = PayloadValue<LogicalCommandInfo>(p);
    if (!self || !command) return nullptr;
    const int number = static_cast<int>(command->command.Number() & 0x0FFFFFFFu);
    std::string name = MessageName(number);
    if (name.empty()) name = std::to_string(number);  // the engine's own events have numbers only
    PictureLogLine("queue " + PictureLogName(self) + " " + std::to_string(self->GetViewIndex()) + " " +
                   (command->reply.Number() != 0 ? "1" : "0") + " " + name);
    return nullptr;
}

ContainerBase* OnGetRegions(Component* c, BusMessage, ContainerBase*) { return Self(c)->GetRegions(); }
ContainerBase* OnStartCombat(Component* c, BusMessage, ContainerBase*) {
    Self(c)->StartCombat();
    return nullptr;
}
ContainerBase* OnDropFlag(Component* c, BusMessage, ContainerBase*) {
    Self(c)->DropFlag();
    return nullptr;
}
ContainerBase* OnSelected(Component* c, BusMessage, ContainerBase*) {
    VhPhysicalObject* self = Self(c);
    if (self->GetViewIndex() == 0)
        if (PictureSoundManager* m = VhSprite::GetSoundManager()) m->PlayHorseNeigh(static_cast<std::uint16_t>(self->GetKind()));
    return nullptr;
}

std::string WithSuffix(const char* name, const char* suffix) { return std::string(name ? name : "") + suffix; }

} // namespace

const Point VhPhysicalObject::kHelmetShifts[9] = {Point(0, 0),    Point(0, -20),  Point(126, -75), Point(141, -3),
                                                  Point(89, 71),  Point(0, -20),  Point(-123, 69), Point(-151, -22),
                                                  Point(-92, -83)};
const Point VhPhysicalObject::kShieldShiftsA[9] = {Point(0, 0),  Point(-21, -4), Point(-19, -6), Point(0, 0), Point(5, -8),
                                                   Point(17, -4), Point(2, 5),    Point(0, 0),    Point(-23, -5)};
const Point VhPhysicalObject::kShieldShiftsB[9] = {Point(0, 0),  Point(-21, -4), Point(-21, -8), Point(0, 0), Point(13, 9),
                                                   Point(17, -9), Point(0, 3),    Point(0, 0),    Point(-28, 0)};
const Point VhPhysicalObject::kShieldShiftsC[9] = {Point(0, 0),  Point(-17, -22), Point(-1, -18), Point(0, 0), Point(6, -23),
                                                   Point(17, -17), Point(4, -9),   Point(0, 0),    Point(-13, -11)};
const Point VhPhysicalObject::kSpearShiftsA[9] = {Point(0, 0),    Point(20, -40), Point(51, -11), Point(0, 0), Point(-35, -15),
                                                  Point(-13, -32), Point(31, -19), Point(0, 0),    Point(-42, -15)};
const Point VhPhysicalObject::kSpearShiftsB[9] = {Point(0, 0),   Point(16, -43), Point(48, -18), Point(0, 0), Point(-32, -15),
                                                  Point(-8, -30), Point(24, -26), Point(0, 0),    Point(-16, -36)};
const Point VhPhysicalObject::kSpearShiftsC[9] = {Point(0, 0),    Point(-9, -63), Point(57, -16), Point(0, 0), Point(-43, -21),
                                                  Point(-16, -46), Point(31, -28), Point(0, 0),    Point(-67, -44)};

VhPhysicalObject::VhPhysicalObject(const char* artName_, std::int16_t hex, std::uint32_t facing_)
    : PhysicalObject(artName_, static_cast<std::uint16_t>(hex), facing_), artName(artName_ ? artName_ : "") {
    halfArt = new QIF<Bitmap>(WithSuffix(artName_, " (Half size)").c_str());
    quarterArt = new QIF<Bitmap>(WithSuffix(artName_, " (Quarter size)").c_str());
    FindSectionBases();
    basePoint = Point3D(static_cast<std::int16_t>(5 - PictureRandom() % 11), 0, 0);
}

VhPhysicalObject::~VhPhysicalObject() {
    *pictureAlive = false;
    // Only the shown view's picture answers commands; the other view's would answer them twice.
    if (!IsShownView()) {
        LogicalCommandInfo dropped;
        while (commands.Dequeue(dropped)) {
            if (dropped.reply.Number() != 0) PictureLogLine("drop " + PictureLogName(this) + " " + std::to_string(viewIndex));
        }
    } else if (PictureLogOn() && GetBus()) {
        // The engine's object answers what is still queued as it goes.
        for (const Item<LogicalCommandInfo>* i = commands.Head(); i; i = i->next)
            if (i->value.reply.Number() != 0) PictureLogLine("answer " + PictureLogName(this) + " " + std::to_string(viewIndex));
    }
    PictureLogLine("delete " + PictureLogName(this) + " " + std::to_string(viewIndex));
    // The flag (owned by no picture) and the retired figures are not found through the sprite
    // array, so the layer is told of them here before they go.
    auto* home = dynamic_cast<PhysicalLayer*>(GetBus());
    Sprite* s = nullptr;
    while (retired.RemoveHead(s)) {
        if (home) home->ForgetSprite(s);
        delete s;
    }
    if (flag && !HasNoFlag()) {
        if (home) home->ForgetSprite(flag);
        delete flag;
    }
    flag = nullptr;
    for (std::int16_t k = 0; k < slotCount; ++k) {
        delete[] slotOffsets[k];
        delete[] slotFrames[k];
    }
    delete[] figureStates;
    delete[] stepUpTable;
    delete halfArt;
    delete quarterArt;
}

VhPhysicalObject* VhPhysicalObject::CreateInstance(std::int16_t hex, std::uint32_t facing_) {
    return new VhPhysicalObject(artName.c_str(), hex, facing_);
}

void VhPhysicalObject::InitUnitPictureArt() {
    Flag::InitFlagArt();
    PMissileUnit::InitMissileArt();
    for (int z = 0; z < 3; ++z)
        if (!routDebris[z]) routDebris[z] = new QIF<Bitmap>(kDebris[z]);
}

void VhPhysicalObject::ReleaseUnitPictureArt() {
    Flag::FreeFlagArt();
    PMissileUnit::ReleaseMissileArt();
    delete walkingData;
    walkingData = nullptr;
    for (QIF<Bitmap>*& a : routDebris) {
        delete a;
        a = nullptr;
    }
}

void VhPhysicalObject::Connect() {
    if (!walkingData) walkingData = new QIF<FacingOffsets>(kWalkingData);
    if (PictureLogOn()) {
        // Ahead of the engine's handler: queuing a command announces the picture, and that post
        // may deliver the commands behind it at once, whose lines would then come first.
        RegisterHandler(LOGICAL_COMMAND, OnLoggedCommand);
        // The art names the unit type; blanks would split the line's fields.
        std::string art = artName;
        for (char& c : art)
            if (c == ' ') c = '_';
        PictureLogLine("make " + PictureLogName(this) + " " + std::to_string(viewIndex) + " " + std::to_string(GetHex()) + " " + art);
    }
    PhysicalObject::Connect();
    RegisterNamedHandler("GetRegions", OnGetRegions);
    RegisterNamedHandler("StartCombat", OnStartCombat);
    RegisterNamedHandler("DropFlag", OnDropFlag);
    RegisterNamedHandler("Selected", OnSelected);
    if (spriteCount == 0) SetUpFigures();
    if (!flag && !HasNoFlag() && CarriesFlag()) MakeFlag();
}

void VhPhysicalObject::MakeFlag() {
    flag = new Flag(GetHex(), basePoint, static_cast<std::int32_t>(flagStyle), static_cast<std::int16_t>(viewIndex), 0);
    Container<Sprite*> p(flag);
    Post(SPRITE_CREATED, &p);
}

void VhPhysicalObject::SetUpFigures() {
    static const std::int16_t kOne[8][2] = {{0, 11}, {0, 11}, {0, 11}, {0, 11}, {0, 11}, {0, 11}, {0, 11}, {0, 11}};
    const FrameInfo first("Standing", static_cast<std::int16_t>(facing - 1));
    const std::int16_t index = static_cast<std::int16_t>(spriteCount);
    Point3D* offsets = NewSlot(kOne);
    const std::uint32_t F = GetFigureFacing();
    const Point3D at = (F >= 1 && F <= 8) ? offsets[F] : offsets[1];
    figureSlots[index] = index;
    AddFigure(MakeFigureSprite(GetHex(), at, first, -1, this, index));
    auto* states = new std::uint16_t[spriteCount]();
    if (figureStates)
        for (std::uint16_t i = 0; i + 1 < spriteCount; ++i) states[i] = figureStates[i];
    delete[] figureStates;
    figureStates = states;
}

Container<List<short>>* VhPhysicalObject::GetRegions() {
    List<short> l;
    l.AddTail(GetHex());
    return new Container<List<short>>(l);
}

void VhPhysicalObject::DropFlag() {
    if (HasNoFlag() || !flag) return;
    if (auto* f = dynamic_cast<Flag*>(flag)) f->LowerFlag(basePoint, 1);
}

void VhPhysicalObject::Save(SuperString& s) {
    s << static_cast<std::uint16_t>(objectId) << facing << spriteCount << recordFlag << recordFlag2;
    for (std::uint16_t i = 0; i < spriteCount; ++i) {
        VhSprite* sprite = GetFigureSprite(static_cast<std::int16_t>(i));
        s << static_cast<std::uint16_t>(sprite ? 1 : 0);
        if (!sprite) continue;
        sprite->Save(s);
        s << static_cast<std::uint16_t>(looseSprites.Contains(sprite) ? 1 : 0);
    }
    for (std::uint16_t i = 0; i < spriteCount; ++i) s << figureSlots[i];
    s << moveDirection << basePoint << sequenceBase << flagSequenceBase << fallenCount << recordWord << lossPercent
      << deathMethod << destroyed << routed << flagDropped;
    for (std::uint16_t i = 0; i < spriteCount; ++i) s << static_cast<std::uint16_t>(figureStates ? figureStates[i] : 0);
    const bool hasFlag = !HasNoFlag() && flag;
    s << static_cast<std::uint16_t>(hasFlag ? 1 : 0);
    if (hasFlag) flag->Save(s);
}

void VhPhysicalObject::Load(SuperString& s) {
    const std::int32_t start = s.ReadPosition();
    // A record that is cut short, or written for another number of figures, is refused whole:
    // the picture stays as it was built.
    if (!ReadRecord(s, false)) {
        s.SetFailed();
        return;
    }
    s.SetReadPosition(start);
    ReadRecord(s, true);
}

bool VhPhysicalObject::ReadRecord(SuperString& s, bool apply) {
    std::uint16_t hex = 0, count = 0, flag1 = 0, flag2 = 0;
    std::uint32_t facing_ = 0;
    s >> hex >> facing_ >> count >> flag1 >> flag2;
    if (s.Failed() || count != spriteCount) return false;
    if (apply) {
        objectId = hex;
        facing = facing_;
        recordFlag = flag1;
        recordFlag2 = flag2;
        looseSprites.Clear();
    }
    for (std::uint16_t i = 0; i < count; ++i) {
        std::uint16_t present = 0;
        s >> present;
        if (s.Failed()) return false;
        VhSprite* sprite = apply ? GetFigureSprite(static_cast<std::int16_t>(i)) : nullptr;
        if (!present) {
            if (apply && sprites[i]) {
                Container<Sprite*> p(sprites[i]);
                delete SendNamed("SpriteDestroyed", &p);
                delete sprites[i];
                sprites[i] = nullptr;
            }
            continue;
        }
        VhSprite scratch;
        if (apply && !sprite) {
            // A figure the record holds but this picture had lost stands again.
            const std::uint32_t F = GetFigureFacing();
            const Point3D at = (i < slotCount && F >= 1 && F <= 8) ? slotOffsets[i][F] : Point3D();
            sprite = MakeFigureSprite(GetHex(), at, StandingFrame(), -1, this, static_cast<std::int16_t>(i));
            sprites[i] = sprite;
            Container<Sprite*> p(sprite);
            Post(SPRITE_CREATED, &p);
        }
        (sprite ? *sprite : scratch).Load(s);
        std::uint16_t loose = 0;
        s >> loose;
        if (s.Failed()) return false;
        if (apply && loose) looseSprites.AddTail(sprite);
    }
    std::vector<std::int16_t> slots(count);
    for (std::int16_t& v : slots) s >> v;
    std::uint32_t moveDirection_ = 0, recordWord_ = 0, deathMethod_ = 0;
    Point3D basePoint_;
    std::uint16_t sequenceBase_ = 0, flagSequenceBase_ = 0, destroyed_ = 0, routed_ = 0, flagDropped_ = 0;
    std::int16_t fallen = 0, loss = 0;
    s >> moveDirection_ >> basePoint_ >> sequenceBase_ >> flagSequenceBase_ >> fallen >> recordWord_ >> loss >>
        deathMethod_ >> destroyed_ >> routed_ >> flagDropped_;
    std::vector<std::uint16_t> states(count);
    for (std::uint16_t& v : states) s >> v;
    std::uint16_t flagPresent = 0;
    s >> flagPresent;
    if (s.Failed()) return false;
    if (flagPresent) {
        Flag scratchFlag(0, Point3D(), 0, 0, 0);
        VhSprite* target = (apply && !HasNoFlag()) ? flag : nullptr;
        if (apply && !target && !HasNoFlag() && CarriesFlag()) {
            MakeFlag();
            target = flag;
        }
        (target ? *target : static_cast<VhSprite&>(scratchFlag)).Load(s);
        if (s.Failed()) return false;
    }
    if (!apply) return true;
    for (std::uint16_t i = 0; i < count; ++i) figureSlots[i] = slots[i];
    moveDirection = moveDirection_;
    basePoint = basePoint_;
    sequenceBase = sequenceBase_;
    flagSequenceBase = flagSequenceBase_;
    fallenCount = fallen;
    recordWord = recordWord_;
    lossPercent = loss;
    deathMethod = deathMethod_;
    destroyed = destroyed_;
    routed = routed_;
    flagDropped = flagDropped_;
    delete[] figureStates;
    figureStates = new std::uint16_t[count]();
    for (std::uint16_t i = 0; i < count; ++i) figureStates[i] = states[i];
    if (!flagPresent && flag && !HasNoFlag()) {
        Container<Sprite*> p(flag);
        delete SendNamed("SpriteDestroyed", &p);
        delete flag;
        flag = nullptr;
    }
    return true;
}

void VhPhysicalObject::UnlockArt() {
    for (QIF<Bitmap>* a : {GetArt(), halfArt, quarterArt})
        if (a) a->UnlockAll();
}

void VhPhysicalObject::QueueCohesionHit(std::int16_t extraPercent) {
    const MethodOfDeathStruct hit(static_cast<std::uint16_t>(lossPercent + extraPercent), 3, 0xFFFF);
    QueueMessage(LogicalCommandInfo(0, new Container<MethodOfDeathStruct>(hit), 0, RegisterMessage("CohesionHit"), 0));
}

void VhPhysicalObject::ReleaseHeldMoves(std::int16_t count) {
    for (std::int16_t k = 0; k < count; ++k) {
        List<short> route;
        if (!pendingMoves.RemoveHead(route)) return;
        if (pendingMoves.IsEmpty()) {
            if (pendingAboutFaces > 0) QueueMessage(LogicalCommandInfo(0, nullptr, 0, RegisterMessage("AboutFace"), 0));
            // Each held turn is replayed once; a later release must not turn the unit again.
            DIRECTION d;
            while (pendingFacings.RemoveHead(d))
                QueueMessage(LogicalCommandInfo(0, new Container<DIRECTION>(d), 0, CHANGE_UNIT_FACING, 0));
        }
        QueueMessage(LogicalCommandInfo(0, new Container<List<short>>(route), 0, LOGICAL_OBJECT_MOVED, 0));
    }
}

VhSprite* VhPhysicalObject::MakeDebris(std::int16_t slot, QIF<Bitmap>* const* arts, std::int16_t section,
                                       const Point& shift) {
    QIF<Bitmap>* full = arts[0];
    if (!full || section < 0 || full->ImageCount(section) <= 0) return nullptr;
    const std::int16_t image = static_cast<std::int16_t>(PictureRandom() % full->ImageCount(section));
    const std::uint32_t F = GetFigureFacing();
    Point3D at;
    if (slot >= 0 && slot < slotCount && F >= 1 && F <= 8) at = slotOffsets[slot][F];
    at = at + Point3D(shift.x, shift.y, 0);
    return new VhSprite(DebrisRegion(slot), at, FrameInfo(full->SectionName(section), image), -1, this, 1, arts[0], arts[1], arts[2], 0);
}

namespace {
std::uint32_t FacingIndex(std::uint32_t f) { return (f >= 1 && f <= 8) ? f : 1; }
} // namespace

VhSprite* VhPhysicalObject::MakeSpear(std::int16_t slot) {
    QIF<Bitmap>* own[3] = {GetArt(), halfArt, quarterArt};
    QIF<Bitmap>* const* arts = (own[0] && own[0]->HasSection("SpearN")) ? own : routDebris;
    if (!arts[0]) return nullptr;
    const std::uint32_t f = FacingIndex(facing);
    const std::int16_t first = arts[0]->SectionIndex("SpearN");
    const std::int16_t section = first < 0 ? -1 : static_cast<std::int16_t>(first + f - 1);
    const Point* shifts = kind == 3 ? kSpearShiftsC : (IsMounted() ? kSpearShiftsB : kSpearShiftsA);
    return MakeDebris(slot, arts, section, shifts[f]);
}

VhSprite* VhPhysicalObject::MakeShield(std::int16_t slot) {
    if (IsMounted()) return nullptr;
    QIF<Bitmap>* own[3] = {GetArt(), halfArt, quarterArt};
    QIF<Bitmap>* const* arts = (own[0] && own[0]->HasSection("Shield")) ? own : routDebris;
    if (!arts[0]) return nullptr;
    const std::uint32_t f = FacingIndex(facing);
    std::int16_t section;
    if (f == 1 || f == 2 || f == 4)
        section = arts[0]->SectionIndex(arts[0]->HasSection("Shield U") ? "Shield U" : "Shield");
    else if (f == 3 || f == 7)
        section = arts[0]->CurrentSection();
    else
        section = arts[0]->SectionIndex("Shield");
    const Point* shifts = (typeCode == 11 || typeCode == 37) ? kShieldShiftsC
                          : (typeCode == 14 || typeCode == 3) ? kShieldShiftsB
                                                              : kShieldShiftsA;
    return MakeDebris(slot, arts, section, shifts[f]);
}

VhSprite* VhPhysicalObject::MakeHelmet(std::int16_t slot, std::uint32_t direction) {
    QIF<Bitmap>* own[3] = {GetArt(), halfArt, quarterArt};
    if (!own[0] || !own[0]->HasSection("Helmet")) return nullptr;
    return MakeDebris(slot, own, own[0]->SectionIndex("Helmet"), kHelmetShifts[FacingIndex(direction)]);
}

namespace {

// Locks every picture of the eight facing sections that start at the named one.
void LockFacingSections(QIF<Bitmap>* art, const char* first) {
    const std::int16_t base = art->SectionIndex(first);
    if (base < 0) return;
    for (std::int16_t k = 0; k < 8 && art->IsValidSection(static_cast<std::int16_t>(base + k)); ++k) {
        const std::int16_t section = static_cast<std::int16_t>(base + k);
        for (std::int16_t i = 0; i < art->ImageCount(section); ++i) art->GetBitmap(i, section);
    }
}

void LockSection(QIF<Bitmap>* art, const char* name) {
    const std::int16_t section = art->SectionIndex(name);
    for (std::int16_t i = 0; section >= 0 && i < art->ImageCount(section); ++i) art->GetBitmap(i, section);
}

} // namespace

void VhPhysicalObject::PreloadArt() {
    QIF<Bitmap>* full = GetArt();
    Application* app = GetApplication();
    if (!full || !halfArt || !app) return;
    Bitmap* current = full->GetBitmap();
    const std::string path = current ? current->GetFileName() : std::string();
    full->UnlockBitmap();
    const std::string second = app->GetDataDirectory(4);
    if (second.empty() || path.find(second) == std::string::npos) return;
    LockFacingSections(full, "CN");
    LockFacingSections(full, "N");
    LockSection(full, "Standing");
    LockFacingSections(halfArt, "MN");
    LockFacingSections(halfArt, "N");
    LockSection(halfArt, "Standing");
}
