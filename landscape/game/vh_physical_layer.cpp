#include "landscape/game/vh_physical_layer.h"

#include "core/application.h"
#include "core/message_registry.h"
#include "game/logic/combat_records.h"
#include "game/logic/game_records.h"
#include "game/logic/referee/referee_records.h"
#include "game/pictures/vh_physical_object.h"
#include "game/pictures/vh_sprite.h"
#include "game/units/vh_unit.h"
#include "landscape/game/vh_viewport.h"
#include "landscape/landscape.h"
#include "landscape/landscape_sprite.h"
#include "landscape/physical_block.h"
#include "landscape/vh_landscape.h"
#include "core/super_string.h"
#include "platform/file.h"
#include "platform/file_handle.h"
#include "platform/input.h"
#include "platform/msgbox.h"
#include "ui/bitmap.h"

#include <string>
#include <vector>

namespace {

constexpr const char* kSource = "VHPHYS";

template <class T>
bool Args(Component* c, ContainerBase* p, VhPhysicalLayer*& self, T*& value, int line) {
    return BusArgs(c, p, self, value, kSource, line);
}

VhPhysicalLayer* Receiver(Component* c, int line) {
    VhPhysicalLayer* self = nullptr;
    return BusReceiver(c, self, kSource, line) ? self : nullptr;
}

ContainerBase* OnObjectSelected(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self;
    LogicalCommandInfo* command;
    if (!Args(c, p, self, command, 1400)) return nullptr;
    self->SelectObject(*command);
    return nullptr;
}

ContainerBase* OnObjectDeselected(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self;
    short* unused;
    Args(c, p, self, unused, 1410);
    return nullptr;
}

ContainerBase* OnCenterOnRegion(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self;
    short* region;
    if (!Args(c, p, self, region, 822)) return nullptr;
    self->CenterOnRegion(*region, "Center On Point");
    return nullptr;
}

ContainerBase* OnCombatCenterOnRegion(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self;
    short* region;
    if (!Args(c, p, self, region, 834)) return nullptr;
    self->CenterOnRegion(*region, "ZoomInForCombat");
    return nullptr;
}

ContainerBase* OnHexGridOn(Component* c, BusMessage, ContainerBase*) {
    if (VhPhysicalLayer* self = Receiver(c, __LINE__)) self->ShowHexGrid(true);
    return nullptr;
}

ContainerBase* OnHexGridOff(Component* c, BusMessage, ContainerBase*) {
    if (VhPhysicalLayer* self = Receiver(c, __LINE__)) self->ShowHexGrid(false);
    return nullptr;
}

ContainerBase* OnToggleWalking(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self;
    short* value;
    if (!Args(c, p, self, value, 626)) return nullptr;
    self->SetWalkingAnimationOff(*value == 0);
    return nullptr;
}

ContainerBase* OnToggleCombat(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self;
    short* value;
    if (!Args(c, p, self, value, 635)) return nullptr;
    self->SetCombatAnimationOff(*value == 0);
    return nullptr;
}

ContainerBase* OnBeginRampage(Component* c, BusMessage, ContainerBase*) {
    if (VhPhysicalLayer* self = Receiver(c, __LINE__)) self->BeginRampage();
    return nullptr;
}

ContainerBase* OnGetUnitRegions(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self;
    short* unit;
    if (!Args(c, p, self, unit, 599)) return nullptr;
    return self->GetUnitRegions(*unit);
}

ContainerBase* OnVhPointSelected(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self;
    PointInfo* info;
    if (!Args(c, p, self, info, 1427)) return nullptr;
    return self->VhPointSelected(*info);
}

ContainerBase* OnVhPointFlyby(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self;
    PointInfo* info;
    if (!Args(c, p, self, info, 1497)) return nullptr;
    return self->VhPointFlyby(*info);
}

ContainerBase* OnPictureCreated(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self;
    VhPhysicalObject** picture;
    if (!Args(c, p, self, picture, 881) || !*picture) return nullptr;
    self->AdoptPicture(*picture);
    return nullptr;
}

ContainerBase* OnGetPrimaryLandscape(Component* c, BusMessage, ContainerBase*) {
    VhPhysicalLayer* self = Receiver(c, __LINE__);
    if (!self) return nullptr;
    return new Container<Landscape*>(self->GetGameLandscape(0));
}

// A picture names itself by its bus id, an unsigned short; a short is taken as well.
bool PictureIdOf(ContainerBase* p, short& id) {
    if (const unsigned short* u = PayloadValue<unsigned short>(p)) {
        id = static_cast<short>(*u);
        return true;
    }
    if (const short* s = PayloadValue<short>(p)) {
        id = *s;
        return true;
    }
    return false;
}

ContainerBase* OnObjectMoving(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self = Receiver(c, 1727);
    short id = 0;
    if (!self) return nullptr;
    if (!PictureIdOf(p, id)) {
        Assert(0, kBadBusData, kSource, 1727);
        return nullptr;
    }
    self->ObjectMoving(id);
    return nullptr;
}

ContainerBase* OnObjectNotMoving(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self = Receiver(c, 1737);
    short id = 0;
    if (!self) return nullptr;
    if (!PictureIdOf(p, id)) {
        Assert(0, kBadBusData, kSource, 1737);
        return nullptr;
    }
    self->ObjectNotMoving(id);
    return nullptr;
}

ContainerBase* OnBeginLandscape(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self;
    LandscapeDefinition* definition;
    if (!Args(c, p, self, definition, 1542)) return nullptr;
    self->SetUpView(definition->regionCount, definition->size);
    return nullptr;
}

ContainerBase* OnGetUnitBitmap(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self;
    Dim* size;
    if (!Args(c, p, self, size, 1569)) return nullptr;
    Bitmap* bitmap = self->GetUnitBitmap(*size);
    return bitmap ? new Container<Bitmap*>(bitmap) : nullptr;
}

ContainerBase* OnFogOfWar(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self = Receiver(c, 1748);
    if (!self) return nullptr;
    if (const NATION* side = PayloadValue<NATION>(p)) self->SetFogOfWar(static_cast<std::int32_t>(*side));
    else if (const long* wide = PayloadValue<long>(p)) self->SetFogOfWar(static_cast<std::int32_t>(*wide));
    else Assert(0, kBadBusData, kSource, 1748);
    return nullptr;
}

ContainerBase* ShadowMarksFrom(Component* c, ContainerBase* p, bool shadow, int line) {
    VhPhysicalLayer* self = Receiver(c, line);
    if (!self) return nullptr;
    const List<short>* regions = RegionListOf(p);
    if (!regions) {
        Assert(0, kBadBusData, kSource, line);
        return nullptr;
    }
    self->ShadowMarks(*regions, shadow);
    return nullptr;
}

ContainerBase* OnShadowRegion(Component* c, BusMessage, ContainerBase* p) { return ShadowMarksFrom(c, p, true, 1757); }
ContainerBase* OnDeshadowRegion(Component* c, BusMessage, ContainerBase* p) { return ShadowMarksFrom(c, p, false, 1778); }

ContainerBase* OnUnitCombat(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self;
    LogicalCommandInfo* command;
    if (Args(c, p, self, command, 1540)) self->UnitCombat(*command);
    return nullptr;
}

ContainerBase* OnRaiseFlags(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self;
    RaiseFlagsStruct* flags;
    // The record holds the units in its first list and those shown grey in its second.
    if (Args(c, p, self, flags, 1550)) self->RaiseFlags(flags->second, flags->first);
    return nullptr;
}

ContainerBase* OnUnitReplenished(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self = Receiver(c, 1560);
    if (!self) return nullptr;
    short unit = 0;
    if (!ExtractData(p, unit)) {
        Assert(0, kBadBusData, kSource, 1560);
        return nullptr;
    }
    self->UnitReplenished(static_cast<std::uint16_t>(unit));
    return nullptr;
}

ContainerBase* OnEndOfTurn(Component* c, BusMessage, ContainerBase*) {
    if (VhPhysicalLayer* self = Receiver(c, 1570)) self->EndOfTurn();
    return nullptr;
}

void Discard(List<VectorBusResponse> replies) { DeleteResponses(replies); }

std::uint32_t Number(BusMessage e) { return e.Number() & 0x0FFFFFFF; }

std::uint32_t Id(const char* name) { return RegisterMessage(name) & 0x0FFFFFFF; }

ContainerBase* OnMapOpen(Component* c, BusMessage, ContainerBase*) {
    if (VhPhysicalLayer* self = Receiver(c, 1500)) self->OpenMapWindow();
    return nullptr;
}

ContainerBase* OnChangeViewport(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self;
    ViewportInfo* info;
    if (Args(c, p, self, info, 1510)) self->ChangeViewport(*info);
    return nullptr;
}

// The saved game's name: a text payload or a string.
bool FileNameOf(ContainerBase* p, std::string& name) {
    if (ExtractText(p, name)) return true;
    if (const auto* s = PayloadValue<std::string>(p)) {
        name = *s;
        return true;
    }
    return false;
}

ContainerBase* OnSaveGame(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self = Receiver(c, 1520);
    std::string name;
    if (!self) return nullptr;
    if (!FileNameOf(p, name)) {
        Assert(0, kBadBusData, kSource, 1520);
        return nullptr;
    }
    self->SaveGame(name);
    return nullptr;
}

ContainerBase* OnLoadGame(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self = Receiver(c, 1530);
    std::string name;
    if (!self) return nullptr;
    if (!FileNameOf(p, name)) {
        Assert(0, kBadBusData, kSource, 1530);
        return nullptr;
    }
    self->LoadGame(name);
    return nullptr;
}

VhPhysicalLayer::MapWindowMaker& Maker() {
    static VhPhysicalLayer::MapWindowMaker maker;
    return maker;
}

// Which view the player sees follows the two layers' flags: the main map while it has a window,
// else the combat view while it has one.
std::uint16_t g_viewShown[2] = {0, 0};

void PublishActiveView() { SetActiveViewMode(g_viewShown[0] ? 0 : g_viewShown[1] ? 4 : -1); }

std::uint32_t U32(const std::uint8_t* b) {
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

void PutU32(std::uint8_t* b, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) b[k] = static_cast<std::uint8_t>(v >> (8 * k));
}


// A saved block larger than this is not one the game wrote.
constexpr long long kMaxSavedBlock = 64ll * 1024 * 1024;

void ReportDamagedBlock() {
    MessageBox(nullptr, "The units' part of the saved game is damaged and was not loaded.", "Load Game",
               MB_OK | MB_ICONSTOP);
}

ContainerBase* OnUnitMovement(Component* c, BusMessage, ContainerBase* p) {
    VhPhysicalLayer* self;
    LogicalCommandInfo* command;
    Args(c, p, self, command, 1591);
    return nullptr;
}

bool KeyHeld(int key) { return (GetKeyState(key) & 0x8000) != 0; }

int FloorCell(int v, int size) { return v < 0 ? (v - size) / size : v / size; }

} // namespace

// The figure sprites ask a landscape for a hex's screen origin and whether it is hidden; the
// game landscape answers from its blocks. The figures' places are offsets from the middle of the
// hex's top face (the ground they stand on), not from its block's corner: from the corner they
// would stand half a hex up and to the left, over the hex behind.
class VhPhysicalLayer::LandscapeView : public ViewLandscape {
public:
    explicit LandscapeView(VhLandscape* l) : land(l) {}
    Point3D HexOrigin(std::int16_t hex) override {
        const PhysicalBlock* b = Block(hex);
        if (!b) return Point3D();
        const Point3D at = b->GetPosition();
        return Point3D(at.x + land->ColumnStep(), at.y + land->RowStep() * 4 / 3, at.z);
    }
    std::int16_t IsHexHidden(std::int16_t hex) override {
        const PhysicalBlock* b = Block(hex);
        return b && b->GetShadow() ? 1 : 0;
    }

private:
    const PhysicalBlock* Block(std::int16_t hex) const {
        if (!land) return nullptr;
        const short index = land->HexNumberToIndex(hex);
        return index < 0 || index >= land->GetBlockCount() ? nullptr : land->GetBlock(index);
    }
    VhLandscape* land;
};

VhPhysicalLayer::VhPhysicalLayer(std::uint16_t view_) : PhysicalLayer(), view(view_) {
    for (int z = 0; z < 3; ++z) {
        landscapes[z] = VhLandscape::CreateLandscape(static_cast<std::uint16_t>(view | z));
        landscapeViews[z] = std::make_unique<LandscapeView>(landscapes[z]);
    }
}

VhPhysicalLayer::~VhPhysicalLayer() {
    // A layer that goes while shown leaves no view flag behind for the next one of its view.
    if (viewShown) {
        g_viewShown[IsCombatView() ? 1 : 0] = 0;
        PublishActiveView();
    }
    StopAnimationTimer();
    // The pictures must leave while the cells they are filed in still exist.
    DeleteObjectsAndViewports();
    FreeCells();
    delete unitBitmap;
    unitBitmap = nullptr;
    for (VhLandscape*& l : landscapes) {
        delete l;
        l = nullptr;
    }
}

void VhPhysicalLayer::Connect() {
    PhysicalLayer::Connect();
    // The Open Map command (menu and toolbar) is delivered under its command id.
    RegisterMessageId(kMapOpenId, "MapOpen");
    RegisterMessageId(kHexGridOnId, "ToggleHexGridOn");
    RegisterMessageId(kHexGridOffId, "ToggleHexGridOff");
    RegisterHandler(LOGICAL_OBJECT_SELECTED, OnObjectSelected);
    RegisterHandler(LOGICAL_OBJECT_DESELECTED, OnObjectDeselected);
    RegisterNamedHandler("Center On Region", OnCenterOnRegion);
    RegisterHandler(BusMessage(kHexGridOnId), OnHexGridOn);
    RegisterHandler(BusMessage(kHexGridOffId), OnHexGridOff);
    RegisterNamedHandler("ToggleWalkingAnimation", OnToggleWalking);
    RegisterNamedHandler("ToggleCombatAnimation", OnToggleCombat);
    RegisterNamedHandler("Combat Center On Region", OnCombatCenterOnRegion);
    RegisterNamedHandler("BeginElephantRampage", OnBeginRampage);
    RegisterNamedHandler("GetUnitRegions", OnGetUnitRegions);
    RegisterNamedHandler("VhPointSelected", OnVhPointSelected);
    RegisterNamedHandler("VhPointFlyby", OnVhPointFlyby);
    RegisterNamedHandler("PhysicalObjectCreated", OnPictureCreated);
    RegisterNamedHandler("GetPrimaryLandscape", OnGetPrimaryLandscape);
    RegisterNamedHandler("PhysicalObjectMoving", OnObjectMoving);
    RegisterNamedHandler("PhysicalObjectNotMoving", OnObjectNotMoving);
    RegisterHandler(BEGIN_LANDSCAPE, OnBeginLandscape);
    RegisterNamedHandler("UnitMovement", OnUnitMovement);
    RegisterNamedHandler("Change Viewport", OnChangeViewport);
    RegisterNamedHandler("UnitCombat", OnUnitCombat);
    RegisterNamedHandler("RaiseFlags", OnRaiseFlags);
    RegisterNamedHandler("UnitReplenished", OnUnitReplenished);
    RegisterNamedHandler("EndOfTurn", OnEndOfTurn);
    RegisterNamedHandler("Get Unit Bitmap", OnGetUnitBitmap);
    RegisterNamedHandler("FogOfWar", OnFogOfWar);
    RegisterNamedHandler("Shadow Region", OnShadowRegion);
    RegisterNamedHandler("Deshadow Region", OnDeshadowRegion);
    RegisterNamedHandler("SaveGame", OnSaveGame);
    RegisterNamedHandler("LoadGame", OnLoadGame);
    // Only the main map opens windows by itself; the combat view gets them by "Change Viewport".
    if (!IsCombatView()) RegisterNamedHandler("MapOpen", OnMapOpen);

    BlockRelayedEvent(LANDTILE_CREATED, 0);
    BlockRelayedNamedEvent("Center On Point", 0);
    BlockRelayedEvent(LOGICAL_OBJECT_DESELECTED, 0);
    for (const char* name : {"ZoomInForCombat", "VhPointSelected", "VhPointFlyby", "GetUnitRegions",
                             "PhysicalObjectCreated", "GetPrimaryLandscape", "PhysicalObjectMoving",
                             "PhysicalObjectNotMoving", "Get Unit Bitmap"})
        BlockRelayedNamedEvent(name, 0);
    for (VhLandscape* l : landscapes)
        if (l) l->AttachToBus(this);
}

ViewLandscape* VhPhysicalLayer::GetLandscape(std::int16_t zoom) {
    return zoom >= 0 && zoom < 3 && landscapes[zoom] ? landscapeViews[zoom].get() : nullptr;
}

VhLandscape* VhPhysicalLayer::GetGameLandscape(int zoom) const { return zoom >= 0 && zoom < 3 ? landscapes[zoom] : nullptr; }

// --- hex numbers and cells ---

Point VhPhysicalLayer::RegionToCell(short region) const {
    const int a = region / 100, b = region % 100;
    if (!IsCombatView()) return Point(static_cast<std::int16_t>(mapSize.width - b - 1), static_cast<std::int16_t>(a));
    return Point(static_cast<std::int16_t>(b), static_cast<std::int16_t>(mapSize.height - a - 1));
}

short VhPhysicalLayer::CellToRegion(int x, int y) const {
    if (!IsCombatView()) return static_cast<short>(y * 100 + (mapSize.width - x - 1));
    return static_cast<short>((mapSize.height - y - 1) * 100 + x);
}

int VhPhysicalLayer::RegionToIndex(short region) const {
    const Point cell = RegionToCell(region);
    return cell.y * mapSize.width + cell.x;
}

std::uint32_t VhPhysicalLayer::TurnDirection(std::uint32_t direction, int steps) {
    if (direction < 1 || direction > 8) return direction;
    const int turned = (static_cast<int>(direction) - 1 + steps) % 8;
    return static_cast<std::uint32_t>((turned + 8) % 8 + 1);
}

// --- the view ---

void VhPhysicalLayer::SetUpView(std::uint16_t regions, const Dim& definitionSize) {
    mapSize = Dim(definitionSize.height, definitionSize.width);
    regionCount = static_cast<std::int16_t>(regions);
    unitColours.assign(static_cast<std::size_t>(regions) * 2, kNoColour);
    // A second battle's BEGIN_LANDSCAPE without a close in between must not leak the old grid
    // nor leave sprites filed in it.
    FreeCells();
    const int pixelWidth = mapSize.width * 130;
    const int pixelHeight = (mapSize.height + 1) * 48;
    gridSize = Dim(static_cast<std::int16_t>(pixelWidth / kCellWidth + 2), static_cast<std::int16_t>(pixelHeight / kCellHeight + 4));
    cells = new List<Sprite*>*[gridSize.height];
    for (int row = 0; row < gridSize.height; ++row) cells[row] = new List<Sprite*>[gridSize.width];
}

void VhPhysicalLayer::FreeCells() {
    if (!cells) return;
    for (int row = 0; row < gridSize.height; ++row) delete[] cells[row];
    delete[] cells;
    cells = nullptr;
}

const List<Sprite*>* VhPhysicalLayer::Cell(int column, int row) const {
    if (!cells || column < 0 || row < 0 || column >= gridSize.width || row >= gridSize.height) return nullptr;
    return &cells[row][column];
}

ContainerBase* VhPhysicalLayer::AddSprite(Sprite* sprite) {
    if (IsCombatView())
        if (auto* figure = dynamic_cast<VhSprite*>(sprite)) figure->MoveToCombatView();
    sprite->SetRedraw(0);
    if (!cells) return nullptr;
    const Box r = sprite->GetRect();
    int firstColumn = FloorCell(r.x, kCellWidth);
    int firstRow = FloorCell(r.y, kCellHeight) + 1;
    int lastColumn = (r.x + r.width) / kCellWidth;
    int lastRow = (r.y + r.height) / kCellHeight + 1;
    if (firstColumn < 0) firstColumn = 0;
    if (firstRow < 0) firstRow = 0;
    if (lastColumn > gridSize.width - 1) lastColumn = gridSize.width - 1;
    if (lastRow > gridSize.height - 1) lastRow = gridSize.height - 1;
    for (int row = firstRow; row <= lastRow; ++row)
        for (int column = lastColumn; column >= firstColumn; --column) {
            // A sprite enabled while still filed must not be filed (and drawn) twice.
            if (cells[row][column].Contains(sprite)) continue;
            InsertInDrawingOrder(cells[row][column], sprite);
        }
    return nullptr;
}

bool VhPhysicalLayer::CheckCells() const {
    if (!cells) return true;
    for (int row = 0; row < gridSize.height; ++row)
        for (int column = 0; column < gridSize.width; ++column) {
            List<Sprite*> seen;
            for (Item<Sprite*>* i = cells[row][column].Head(); i; i = i->next) {
                if (seen.Contains(i->value)) return false;
                seen.AddTail(i->value);
            }
        }
    for (Item<short>* i = movingPictures.Head(); i; i = i->next)
        for (Item<short>* j = i->next; j; j = j->next)
            if (j->value == i->value) return false;
    return Check();
}

// --- clicks ---

Sprite* VhPhysicalLayer::CellSpriteAt(const PointInfo& info) const {
    if (!cells) return nullptr;
    const auto zoom = static_cast<std::int16_t>(info.word);
    for (int row = gridSize.height - 1; row >= 0; --row)
        for (int column = gridSize.width - 1; column >= 0; --column)
            for (Item<Sprite*>* i = cells[row][column].Tail(); i; i = i->prev) {
                Sprite* s = i->value;
                if (auto* figure = dynamic_cast<VhSprite*>(s)) {
                    if (!figure->IgnoresPointer() && figure->HitTestAtZoom(info.point, zoom)) return s;
                    continue;
                }
                // A landscape's own sprite stands in the pixels of its zoom only, as it is drawn:
                // at another zoom the same numbers are another place on the map.
                const auto* ground = dynamic_cast<const LandscapeSprite*>(s);
                if (ground && ground->GetZoom() != zoom) continue;
                if (s->HitTest(info.point)) return s;
            }
    return nullptr;
}

short VhPhysicalLayer::CellHitTest(const PointInfo& info) const {
    const Sprite* s = CellSpriteAt(info);
    return s ? static_cast<short>(s->GetObjectId()) : -1;
}

PhysicalObject* VhPhysicalLayer::CellObjectAt(const PointInfo& info) const {
    const short hit = CellHitTest(info);
    if (hit == -1) return nullptr;
    for (Item<PhysicalObject*>* i = objects.Head(); i; i = i->next)
        if (i->value->GetObjectId() == static_cast<std::uint16_t>(hit)) return i->value;
    return nullptr;
}

ContainerBase* VhPhysicalLayer::VhPointSelected(const PointInfo& info) {
    // Control and Shift reach hooks that do nothing in this game: no selection, no beep.
    if (KeyHeld(VK_CONTROL) || KeyHeld(VK_SHIFT)) return nullptr;
    short hit = CellHitTest(info);
    if (hit == -1)
        if (VhLandscape* l = GetGameLandscape(info.word)) hit = l->PointToRegion(info.point);
    if (hit == -1) {
        if (Application* app = GetApplication()) app->Beep();
        return nullptr;
    }
    Container<short> region(hit);
    Post(REGION_SELECTED, &region);
    return nullptr;
}

ContainerBase* VhPhysicalLayer::VhPointFlyby(const PointInfo& info) {
    short hit = CellHitTest(info);
    if (hit == -1)
        if (VhLandscape* l = GetGameLandscape(info.word)) hit = l->PointToRegion(info.point);
    if (hit == -1 || hit == lastFlybyId) return nullptr;
    lastFlybyId = hit;
    Container<short> region(hit);
    Post(REGION_FLYBY, &region);
    return nullptr;
}

// --- pictures ---

ContainerBase* VhPhysicalLayer::CreatePicture(const LogicalCommandInfo& command) {
    const LOCreateInfo* info = PayloadValue<LOCreateInfo>(command.data);
    if (!info) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    auto* creator = dynamic_cast<VhPhysicalObject*>(Creator(static_cast<short>(info->typeIndex)));
    if (!creator) {
        AssertFail("No picture is registered for type code " + std::to_string(info->typeIndex), kSource, __LINE__);
        return nullptr;
    }
    std::uint32_t facing = TurnDirection(info->facing, 2);
    if (IsCombatView()) facing = TurnDirection(facing, 4);
    VhPhysicalObject* picture = creator->CreateInstance(command.region, facing);
    if (!picture) return nullptr;
    picture->SetFlagStyle(info->nation);
    // The figure sprites know the views as 0 (main map) and 1 (combat close-up).
    picture->SetViewIndex(IsCombatView() ? 1 : 0);
    picture->SetLayer(this);
    picture->SetTypeCode(info->typeIndex);
    picture->SetRecordFlag(info->firstWord);
    picture->SetRecordFlag2(info->secondWord);
    objects.AddTail(picture);
    picture->AttachToBus(this);
    if (picture->GetId() != kNoId) {
        for (int k = idTableFilled; k < command.object; ++k) idTable[k] = kNoId;
        if (command.object >= idTableFilled) idTableFilled = command.object + 1;
        idTable[command.object] = picture->GetId();
    }
    if (info->awaitingArrival) picture->HideSprites(1);
    else RecordUnit(command.region, static_cast<std::uint32_t>(info->nation));
    return nullptr;
}

// --- commands ---

void VhPhysicalLayer::PostToPicture(std::uint16_t picture, const LogicalCommandInfo& command) {
    if (picture == kNoId || !dynamic_cast<PhysicalObject*>(GetComponent(picture))) {
        // No picture will play it; whoever waits for its reply must not wait forever.
        if (command.reply.Number() != 0) Post(command.reply, command.replyData);
        return;
    }
    Container<LogicalCommandInfo> copy(command);
    List<VectorBusResponse> replies = CollectFrom(picture, LOGICAL_COMMAND, &copy);
    DeleteResponses(replies);
}

bool VhPhysicalLayer::AnimationWatched(bool walking) const {
    if (viewports.IsEmpty()) return false;
    return walking ? walkingAnimationOff == 0 : combatAnimationOff == 0;
}

ContainerBase* VhPhysicalLayer::DeliverCommand(const LogicalCommandInfo& command) {
    LogicalCommandInfo copy(command);
    const std::uint32_t number = Number(command.command);
    if (number == LOGICAL_OBJECT_MOVED || number == Id("UnitTeleport"))
        if (const List<short>* path = PayloadValue<List<short>>(command.data))
            if (path->Head()) MoveMark(path->Head()->value, path->Tail()->value);
    if (number == Id("CohesionHit") && rampagePending) {
        // Held back while a rampage is pending; the held commands go with a loaded game.
        return nullptr;
    }
    if (number == CHANGE_UNIT_FACING || number == Id("ChangeFacingNA")) {
        if (const DIRECTION* d = PayloadValue<DIRECTION>(command.data)) {
            const auto turned = static_cast<DIRECTION>(TurnDirection(static_cast<std::uint32_t>(*d), IsCombatView() ? -2 : 2));
            delete copy.data;
            copy.data = new Container<DIRECTION>(turned);
        }
    }
    if (number == Id("MissileFire")) {
        short heading = -1;
        const bool shown = g_viewShown[IsCombatView() ? 1 : 0] != 0;
        if (!shown || !ExtractData(command.data, heading) || heading < 0 || heading > 23) {
            // Nothing to watch, or a heading no direction stands for: the shot is not shown,
            // but the reply still comes.
            if (command.reply.Number() != 0) Post(command.reply, command.replyData);
            return nullptr;
        }
        std::uint32_t direction = 3;
        if (heading >= 1 && heading <= 4) direction = 4;
        else if (heading >= 5 && heading <= 7) direction = 5;
        else if (heading >= 8 && heading <= 10) direction = 6;
        else if (heading >= 11 && heading <= 13) direction = 7;
        else if (heading >= 14 && heading <= 16) direction = 8;
        else if (heading >= 17 && heading <= 19) direction = 1;
        else if (heading >= 20 && heading <= 22) direction = 2;
        if (IsCombatView()) direction = TurnDirection(direction, 4);
        delete copy.data;
        copy.data = new Container<DIRECTION>(static_cast<DIRECTION>(direction));
    }
    if (!AnimationWatched(true)) {
        const struct {
            std::uint32_t from;
            const char* to;
        } plain[] = {{LOGICAL_OBJECT_MOVED, "UnitTeleport"},
                     {CHANGE_UNIT_FACING, "ChangeFacingNA"},
                     {Id("AboutFace"), "AboutFaceNA"},
                     {Id("TerminalRout"), "UnitEliminated"},
                     {Id("CavalryDismount"), "CavalryDismountNA"},
                     {Id("CavalryMount"), "CavalryMountNA"},
                     {Id("LimberArtillery"), "LimberArtilleryNA"},
                     {Id("UnlimberArtillery"), "UnlimberArtilleryNA"}};
        for (const auto& p : plain)
            if (number == p.from) copy.command = BusMessage(RegisterMessage(p.to));
    }
    const std::uint32_t delivered = Number(copy.command);
    if (delivered == Id("TerminalRout") || delivered == Id("UnitEliminated") || delivered == Id("UnitRemoved") ||
        delivered == Id("HideAllSprites"))
        EraseMark(command.region);
    if (delivered == Id("UnitInserted") || delivered == Id("ShowAllSprites"))
        if (VhUnit* const* unit = PayloadValue<VhUnit*>(command.data))
            if (*unit) RecordUnit(command.region, (*unit)->GetSide());
    PostToPicture(PictureIdOf(command.object), copy);
    return nullptr;
}

void VhPhysicalLayer::UnitCombat(const LogicalCommandInfo& command) {
    const CombatInfo* info = PayloadValue<CombatInfo>(command.data);
    if (!info) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return;
    }
    for (Item<MethodOfDeathStruct>* i = info->deaths.Head(); i; i = i->next) {
        LogicalCommandInfo hit(i->value.first, new Container<MethodOfDeathStruct>(i->value), 0,
                               BusMessage(RegisterMessage("CohesionHit")));
        DeliverCommand(hit);
    }
    List<std::uint16_t> attackers, defenders;
    for (Item<short>* i = info->first.Head(); i; i = i->next) {
        const std::uint16_t pictureId = PictureIdOf(static_cast<std::uint16_t>(i->value));
        if (pictureId != kNoId) attackers.AddTail(pictureId);
    }
    for (Item<short>* i = info->second.Head(); i; i = i->next) {
        const std::uint16_t pictureId = PictureIdOf(static_cast<std::uint16_t>(i->value));
        if (pictureId != kNoId) defenders.AddTail(pictureId);
    }
    const auto regionsOf = [this](const List<std::uint16_t>& pictures) {
        List<short> regions;
        for (Item<std::uint16_t>* i = pictures.Head(); i; i = i->next) {
            List<VectorBusResponse> replies = CollectNamedEventFrom(i->value, "GetRegions");
            for (Item<VectorBusResponse>* r = replies.Head(); r; r = r->next)
                if (const List<short>* list = PayloadValue<List<short>>(r->value.result))
                    for (Item<short>* h = list->Head(); h; h = h->next) regions.AddTail(h->value);
            DeleteResponses(replies);
        }
        return regions;
    };
    const List<short> attackerRegions = regionsOf(attackers);
    const List<short> defenderRegions = regionsOf(defenders);
    const BusMessage word(RegisterMessage(AnimationWatched(false) ? "CombatAnimate" : "CombatDontAnimate"));
    const std::int16_t active = GetActiveViewMode();
    bool replied = command.reply.Number() == 0;
    if (active == static_cast<std::int16_t>(view & 4) && !attackers.IsEmpty()) {
        std::uint16_t first = 0;
        attackers.RemoveHead(first);
        LogicalCommandInfo lead(first, new Container<List<short>>(defenderRegions), 0, word, command.reply,
                                command.replyData ? command.replyData->Clone() : new Container<short>(0));
        lead.object = first;
        Container<LogicalCommandInfo> payload(lead);
        Discard(CollectFrom(first, LOGICAL_COMMAND, &payload));
        replied = true;
    }
    for (Item<std::uint16_t>* i = attackers.Head(); i; i = i->next) {
        LogicalCommandInfo c(i->value, new Container<List<short>>(defenderRegions), 0, word);
        Container<LogicalCommandInfo> payload(c);
        Discard(CollectFrom(i->value, LOGICAL_COMMAND, &payload));
    }
    for (Item<std::uint16_t>* i = defenders.Head(); i; i = i->next) {
        LogicalCommandInfo c(i->value, new Container<List<short>>(attackerRegions), 1, word);
        Container<LogicalCommandInfo> payload(c);
        Discard(CollectFrom(i->value, LOGICAL_COMMAND, &payload));
    }
    // With neither view shown (or no attacker picture) no picture answers: the main map's layer
    // answers for them, once, so that the combat's sender does not wait for ever.
    if (!replied && !IsCombatView() && (active == -1 || attackers.IsEmpty())) Post(command.reply, command.replyData);
}

void VhPhysicalLayer::RaiseFlags(const List<unsigned short>& gray, const List<unsigned short>& units) {
    unsigned short picture = 0;
    while (raisedFlagPictures.RemoveHead(picture)) {
        LogicalCommandInfo lower(picture, nullptr, 0, BusMessage(RegisterMessage("LowerFlags")), BusMessage(),
                                 new Container<short>(0));
        Container<LogicalCommandInfo> payload(lower);
        Discard(CollectFrom(picture, LOGICAL_COMMAND, &payload));
    }
    for (Item<unsigned short>* i = units.Head(); i; i = i->next) {
        const std::uint16_t pictureId = PictureIdOf(i->value);
        if (pictureId == kNoId) continue;
        raisedFlagPictures.AddTail(pictureId);
        LogicalCommandInfo raise(pictureId, nullptr, 0, BusMessage(RegisterMessage(gray.Contains(i->value) ? "RaiseGrayFlags" : "RaiseFlags")),
                                 BusMessage(), new Container<short>(0));
        Container<LogicalCommandInfo> payload(raise);
        Discard(CollectFrom(pictureId, LOGICAL_COMMAND, &payload));
    }
}

void VhPhysicalLayer::UnitReplenished(std::uint16_t unit) {
    const std::uint16_t pictureId = PictureIdOf(unit);
    if (pictureId == kNoId) return;
    LogicalCommandInfo drop(pictureId, new Container<short>(0), 0, BusMessage(RegisterMessage("DropFlags")), BusMessage(),
                            new Container<short>(0));
    Container<LogicalCommandInfo> payload(drop);
    Discard(CollectFrom(pictureId, LOGICAL_COMMAND, &payload));
}

void VhPhysicalLayer::EndOfTurn() {
    Container<LogicalCommandInfo> payload(LogicalCommandInfo(0, new Container<short>(0), 0,
                                                             BusMessage(RegisterMessage("EndOfTurn")), BusMessage(),
                                                             new Container<short>(0)));
    for (Item<PhysicalObject*>* i = objects.Head(); i; i = i->next)
        Discard(CollectFrom(i->value->GetId(), LOGICAL_COMMAND, &payload));
}

void VhPhysicalLayer::AdoptPicture(VhPhysicalObject* picture) {
    if (objects.Contains(picture)) return;
    picture->SetViewIndex(IsCombatView() ? 1 : 0);
    picture->SetLayer(this);
    objects.AddTail(picture);
    picture->AttachToBus(this);
}

void VhPhysicalLayer::SelectObject(const LogicalCommandInfo& command) {
    unitSelected = 1;
    const std::uint16_t picture = PictureIdOf(command.object);
    if (picture == kNoId) return;
    Container<short> none(0);
    List<VectorBusResponse> replies = CollectFrom(picture, BusMessage(RegisterMessage("Selected")), &none);
    DeleteResponses(replies);
}

Container<List<short>>* VhPhysicalLayer::GetUnitRegions(short unit) {
    auto* result = new Container<List<short>>();
    const std::uint16_t picture = unit < 0 ? kNoId : PictureIdOf(static_cast<std::uint16_t>(unit));
    if (picture == kNoId) return result;
    List<VectorBusResponse> replies = CollectEventFrom(picture, BusMessage(RegisterMessage("GetRegions")));
    for (Item<VectorBusResponse>* i = replies.Head(); i; i = i->next)
        if (const List<short>* regions = PayloadValue<List<short>>(i->value.result)) *result->Value() = *regions;
    DeleteResponses(replies);
    return result;
}

void VhPhysicalLayer::CenterOnRegion(short region, const char* message) {
    Point3D where[3];
    for (int z = 0; z < 3; ++z)
        if (landscapes[z]) where[z] = landscapes[z]->GetRegionLocation(region);
    Container<Point3D*> points(where);
    delete PostNamedAndWait(message, &points);
}

void VhPhysicalLayer::ShowHexGrid(bool on) {
    if ((hexGridShown != 0) == on) return;
    hexGridShown = on ? 1 : 0;
    Container<BusMessage> enable(BusMessage(on ? kHexGridOffId : kHexGridOnId));
    delete Send(ENABLE_MENU_ITEM, &enable);
    Container<BusMessage> disable(BusMessage(on ? kHexGridOnId : kHexGridOffId));
    delete Send(DISABLE_MENU_ITEM, &disable);
    for (VhLandscape* l : landscapes)
        if (l) l->ShowHexGrid(static_cast<std::int16_t>(hexGridShown));
}

void VhPhysicalLayer::ObjectMoving(short picture) {
    if (movingPictures.IsEmpty()) delete PostNamedEventAndWait("Movement");
    if (!movingPictures.Contains(picture)) movingPictures.AddTail(picture);
}

void VhPhysicalLayer::ObjectNotMoving(short picture) {
    const bool wasMoving = !movingPictures.IsEmpty();
    movingPictures.RemoveAll(picture);
    if (wasMoving && movingPictures.IsEmpty()) delete PostNamedEventAndWait("NoMovement");
}

void VhPhysicalLayer::ForgetObject(PhysicalObject* object) {
    PhysicalLayer::ForgetObject(object);
    // Those waiting for "NoMovement" (the computer player, the toolbar) would wait for ever.
    if (movingPictures.Contains(static_cast<short>(object->GetId()))) ObjectNotMoving(static_cast<short>(object->GetId()));
}

// --- animation ---

ContainerBase* VhPhysicalLayer::ActivateObject(short componentId) {
    auto* object = dynamic_cast<PhysicalObject*>(GetComponent(static_cast<std::uint16_t>(componentId)));
    if (!object || animating.Contains(object)) return nullptr;
    if (animating.IsEmpty()) {
        timerRate = viewports.IsEmpty() ? 1 : 10;
        StartAnimationTimer(timerRate);
    }
    animating.AddTail(object);
    return nullptr;
}

ContainerBase* VhPhysicalLayer::DeactivateObject(short componentId) {
    PhysicalLayer::DeactivateObject(componentId);
    if (!timerRunning) timerRate = 0;
    return nullptr;
}

void VhPhysicalLayer::RestartTimer() {
    if (!timerRunning) return;
    const int rate = viewports.IsEmpty() ? 1 : 10;
    if (rate == timerRate) return;
    StopAnimationTimer();
    timerRate = rate;
    StartAnimationTimer(rate);
}

void VhPhysicalLayer::AddMapViewport(Viewport* viewport) {
    const bool first = viewports.IsEmpty();
    AddViewport(viewport);
    if (first) SetViewShown(true);
    RestartTimer();
}

ContainerBase* VhPhysicalLayer::RemoveViewport(ChildWindow* window) {
    const bool had = !viewports.IsEmpty();
    PhysicalLayer::RemoveViewport(window);
    if (had && viewports.IsEmpty()) LoseLastViewport();
    RestartTimer();
    return nullptr;
}

// --- map windows ---

void VhPhysicalLayer::SetMapWindowMaker(MapWindowMaker maker) { Maker() = std::move(maker); }
const VhPhysicalLayer::MapWindowMaker& VhPhysicalLayer::GetMapWindowMaker() { return Maker(); }

void VhPhysicalLayer::SetViewShown(bool shown) {
    viewShown = shown ? 1 : 0;
    g_viewShown[IsCombatView() ? 1 : 0] = viewShown;
    PublishActiveView();
}

void VhPhysicalLayer::GainFirstViewport() {
    // The figures animate at full rate only while someone watches them.
    if (timerRunning) {
        StopAnimationTimer();
        timerRate = 10;
        StartAnimationTimer(10);
    }
    SetViewShown(true);
}

void VhPhysicalLayer::LoseLastViewport() {
    if (timerRunning) {
        StopAnimationTimer();
        timerRate = 1;
        StartAnimationTimer(1);
    }
    SetViewShown(false);
}

void VhPhysicalLayer::AdoptViewport(MapWindowView* window, bool restored, const std::uint8_t* placement) {
    auto* viewport = new VhViewport(window->WindowComponent(), "Varnhold Map Viewport");
    window->SetViewport(viewport);
    viewport->AttachToBus(this);
    viewports.AddTail(viewport);
    if (restored)
        window->CreatePlaced(placement);
    else
        window->CreateMaximized();
}

bool VhPhysicalLayer::OpenMapWindow() {
    if (viewports.IsEmpty() && timerRunning) {
        StopAnimationTimer();
        timerRate = 10;
        StartAnimationTimer(10);
    }
    SetViewShown(true);
    if (!Maker()) return false;
    MapWindowView* window = Maker()(*this, nullptr);
    if (!window) return false;
    AdoptViewport(window, false, nullptr);
    return true;
}

void VhPhysicalLayer::ChangeViewport(const ViewportInfo& info) {
    const std::uint16_t mine = view & Viewport::kFlipped;
    const std::uint16_t oldBit = info.oldFlags & Viewport::kFlipped, newBit = info.newFlags & Viewport::kFlipped;
    if (oldBit == mine && newBit != mine) {
        for (Item<Viewport*>* i = viewports.Head(); i; i = i->next) {
            if (i->value->GetWindow() != info.window) continue;
            viewports.RemoveItem(i);
            if (viewports.IsEmpty()) LoseLastViewport();
            return;
        }
        return;
    }
    if (newBit == mine && oldBit != mine) {
        auto* window = dynamic_cast<MapWindowView*>(info.window);
        Viewport* viewport = window ? window->GetViewport() : nullptr;
        if (!viewport) return;
        if (viewports.IsEmpty()) GainFirstViewport();
        if (viewport->GetBus()) viewport->DetachFromBus();
        window->SetTileMap(cells, gridSize);
        viewports.AddTail(viewport);
        viewport->AttachToBus(this);
    }
}

void VhPhysicalLayer::SaveMapWindows(SuperString& out) {
    out << static_cast<std::uint16_t>(viewports.Count());
    for (Item<Viewport*>* i = viewports.Head(); i; i = i->next) {
        auto* window = dynamic_cast<MapWindowView*>(i->value->GetWindow());
        std::uint8_t placement[MapWindowView::kPlacementSize] = {};
        if (window) window->GetPlacement(placement);
        out.Write(placement, MapWindowView::kPlacementSize);
        if (window) {
            window->SaveState(out);
        } else {
            // A viewport without a map window keeps the block's layout with a default view.
            for (int k = 0; k < 4; ++k) out << std::int16_t{0};
        }
    }
}

bool VhPhysicalLayer::OpenMapWindows(SuperString& in) {
    std::uint16_t count = 0;
    in >> count;
    if (in.Failed()) return false;
    constexpr std::int64_t kWindowBlock = MapWindowView::kPlacementSize + 8;
    if (static_cast<std::int64_t>(count) * kWindowBlock > in.Length() - in.ReadPosition()) return false;
    if (count == 0) return true;
    if (timerRunning) {
        StopAnimationTimer();
        timerRate = 10;
        StartAnimationTimer(10);
    }
    SetViewShown(true);
    for (std::uint16_t k = 0; k < count; ++k) {
        std::uint8_t placement[MapWindowView::kPlacementSize];
        if (!in.Read(placement, MapWindowView::kPlacementSize)) return false;
        MapWindowView* window = Maker() ? Maker()(*this, &in) : nullptr;
        if (!window) return false;
        AdoptViewport(window, true, placement);
        window->LoadState(in);
        if (in.Failed()) return false;
    }
    return true;
}

// --- the saved block ---

bool VhPhysicalLayer::SaveGame(const std::string& fileName) {
    FileHandle file(fileName, OF_READWRITE);
    if (!file.Ok()) return false;
    std::uint8_t head[8];
    if (!file.ReadAt(0, head, 8)) return false;
    std::uint32_t table = U32(head + 4);
    const LONG end = _llseek(file.Get(), 0, FILE_END);
    if (end < 8) return false;
    auto position = static_cast<std::uint32_t>(end);
    if (table == 0) {
        // The first layer to save makes the table of the two layers' blocks.
        table = position;
        std::uint8_t zeros[8] = {};
        if (!file.WriteAt(end, zeros, 8)) return false;
        PutU32(head + 4, table);
        if (!file.WriteAt(4, head + 4, 4)) return false;
        position += 8;
    }
    SuperString out(1 << 16);
    out << hexGridShown << unitSelected;
    // The overview's unit colours are not kept by this layer: none are written.
    out << std::uint16_t{0};
    for (Item<PhysicalObject*>* i = objects.Head(); i; i = i->next) i->value->Save(out);
    if (out.Failed()) return false;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(out.Length()));
    if (!bytes.empty() && !out.Read(bytes.data(), out.Length())) return false;
    if (!file.WriteAt(static_cast<LONG>(position), bytes.data(), static_cast<UINT>(bytes.size()))) return false;
    std::uint8_t word[4];
    PutU32(word, position);
    return file.WriteAt(static_cast<LONG>(table + (IsCombatView() ? 4 : 0)), word, 4);
}

bool VhPhysicalLayer::LoadGame(const std::string& fileName) {
    FileHandle file(fileName, OF_READ);
    if (!file.Ok()) return false;
    const long long size = platform::FileSize(file.Get());
    if (size < 8 || size > kMaxSavedBlock) {
        ReportDamagedBlock();
        return false;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!file.ReadAt(0, bytes.data(), static_cast<UINT>(bytes.size()))) {
        ReportDamagedBlock();
        return false;
    }
    const std::uint32_t table = U32(&bytes[4]);
    if (table == 0) return true;  // no layer saved a block
    if (table < 8 || table + 8ull > bytes.size()) {
        ReportDamagedBlock();
        return false;
    }
    const std::uint32_t block = U32(&bytes[table + (IsCombatView() ? 4 : 0)]);
    if (block == 0) return true;
    if (block < 8 || block + 6ull > bytes.size()) {
        ReportDamagedBlock();
        return false;
    }
    SuperString in(static_cast<std::int32_t>(bytes.size() - block) + 1);
    in.Write(&bytes[block], static_cast<std::int32_t>(bytes.size() - block));
    std::uint16_t grid = 0, selected = 0, colours = 0;
    in >> grid >> selected >> colours;
    if (in.Failed() || colours > 1) {
        ReportDamagedBlock();
        return false;
    }
    if (colours) {
        // Unit colours written by another program version: skipped, the marks are rebuilt.
        const std::int64_t n = regionCount;
        if (n * 4 > in.Length() - in.ReadPosition()) {
            ReportDamagedBlock();
            return false;
        }
        std::vector<std::uint8_t> skip(static_cast<std::size_t>(n * 4));
        if (n > 0 && !in.Read(skip.data(), static_cast<std::int32_t>(n * 4))) {
            ReportDamagedBlock();
            return false;
        }
    }
    rampagePending = 0;
    raisedFlagPictures.Clear();
    ShowHexGrid(grid != 0);
    unitSelected = selected;
    // The pictures were made again by the logical side, in the order they were saved.
    for (Item<PhysicalObject*>* i = objects.Head(); i; i = i->next) i->value->Load(in);
    // The pictures' positions changed: every sprite is filed afresh.
    if (cells) {
        List<Sprite*> all;
        for (int row = 0; row < gridSize.height; ++row)
            for (int column = 0; column < gridSize.width; ++column) {
                Sprite* sp = nullptr;
                while (cells[row][column].RemoveHead(sp))
                    if (!all.Contains(sp)) all.AddTail(sp);
            }
        for (Item<Sprite*>* i = all.Head(); i; i = i->next) AddSprite(i->value);
    }
    return true;
}

ContainerBase* VhPhysicalLayer::AnimationTick(long time) {
    List<Box> dirty[3];
    // A picture leaves the animating list during its own tick; walk a copy.
    List<PhysicalObject*> ticking = animating;
    for (Item<PhysicalObject*>* i = ticking.Head(); i; i = i->next)
        if (objects.Contains(i->value)) i->value->Tick(static_cast<std::int32_t>(time), dirty);
    List<Sprite*> moved;
    if (cells) {
        for (int row = 0; row < gridSize.height; ++row)
            for (int column = 0; column < gridSize.width; ++column) {
                List<Sprite*>& cell = cells[row][column];
                for (Item<Sprite*>* i = cell.Head(); i;) {
                    Item<Sprite*>* next = i->next;
                    Sprite* s = i->value;
                    if (moved.Contains(s)) {
                        cell.RemoveItem(i);
                    } else if (s->NeedsRedraw()) {
                        s->SetRedraw(0);
                        cell.RemoveItem(i);
                        moved.AddTail(s);
                    }
                    i = next;
                }
            }
    }
    for (Item<Sprite*>* i = moved.Head(); i; i = i->next) AddSprite(i->value);
    for (int z = 0; z < 3; ++z)
        if (landscapes[z]) landscapes[z]->RedrawTiles(dirty[z]);
    return nullptr;
}

ContainerBase* VhPhysicalLayer::Close() {
    viewShown = 0;
    g_viewShown[IsCombatView() ? 1 : 0] = 0;
    SetActiveViewMode(-1);
    hexGridShown = 0;
    raisedFlagPictures.Clear();
    StopAnimationTimer();
    timerRate = 0;
    // Pictures go before the grid: their destructors take their sprites out of the cells.
    DeleteObjectsAndViewports();
    FreeCells();
    sprites.Clear();
    disabled.Clear();
    animating.Clear();
    movingPictures.Clear();
    // The next battle starts with its own marks and its own fog of war.
    delete unitBitmap;
    unitBitmap = nullptr;
    unitColours.clear();
    fogOn = 0;
    ownSide = -1;
    return nullptr;
}

// --- overview marks and fog of war ---

std::uint32_t VhPhysicalLayer::SideColour(std::uint32_t side) {
    // Side 0 pure blue, side 1 pure red.
    return side == 0 ? 0x00FF0000u : 0x000000FFu;
}

void VhPhysicalLayer::DrawMarker(short region, std::uint32_t colour) {
    if (fogOn && colour != 0 && colour != SideColour(static_cast<std::uint32_t>(ownSide)) && landscapes[0] &&
        landscapes[0]->IsShadowed(region))
        return;
    PaintMarker(region, colour);
}

void VhPhysicalLayer::PaintMarker(short region, std::uint32_t colour) {
    if (!unitBitmap) return;
    const Point cell = RegionToCell(region);
    int x = static_cast<int>(cell.x * overviewScaleX);
    const int y = static_cast<int>(cell.y * overviewScaleY);
    if (cell.x % 2 != 0) x = static_cast<int>(x + overviewScaleX * 0.5f);
    // A 2 x 2 outline is filled.
    unitBitmap->FrameRect(Box(x, y, 2, 2), static_cast<short>(colour & 0xFF), static_cast<short>((colour >> 8) & 0xFF),
                          static_cast<short>((colour >> 16) & 0xFF));
}

Bitmap* VhPhysicalLayer::GetUnitBitmap(const Dim& size) {
    if (unitBitmap) return unitBitmap;
    // A map not yet sent, or a size with nothing to draw into, gets no bitmap (asked again later).
    if (size.width <= 0 || size.height <= 0 || mapSize.width <= 0 || mapSize.height <= 0) return nullptr;
    unitBitmap = new Bitmap(size, Bitmap::Keyed);
    overviewScaleX = static_cast<float>(size.width) / static_cast<float>(mapSize.width);
    overviewScaleY = static_cast<float>(size.height) / static_cast<float>(mapSize.height);
    const std::size_t cellCount = static_cast<std::size_t>(mapSize.width) * static_cast<std::size_t>(mapSize.height);
    for (int row = 0; row < mapSize.height; ++row)
        for (int column = 0; column < mapSize.width; ++column) {
            const std::size_t index = static_cast<std::size_t>(row) * mapSize.width + column;
            if (index < cellCount && index < unitColours.size() && unitColours[index] != kNoColour)
                DrawMarker(CellToRegion(column, row), unitColours[index]);
        }
    return unitBitmap;
}

void VhPhysicalLayer::RecordUnit(short region, std::uint32_t side) {
    const int index = RegionToIndex(region);
    if (index < 0 || static_cast<std::size_t>(index) >= unitColours.size() / 2) return;
    unitColours[static_cast<std::size_t>(index)] = SideColour(side);
    DrawMarker(region, unitColours[static_cast<std::size_t>(index)]);
}

void VhPhysicalLayer::MoveMark(short from, short to) {
    const std::size_t n = unitColours.size() / 2;
    const int fromIndex = RegionToIndex(from), toIndex = RegionToIndex(to);
    if (n == 0 || fromIndex < 0 || toIndex < 0 || static_cast<std::size_t>(fromIndex) >= n ||
        static_cast<std::size_t>(toIndex) >= n)
        return;
    // A second unit on the start hex leaves first, so the mark there stays.
    std::size_t i = static_cast<std::size_t>(fromIndex) + n;
    if (unitColours[i] == kNoColour) i -= n;
    const std::uint32_t colour = unitColours[i];
    unitColours[i] = kNoColour;
    // Onto an occupied hex the unit goes in second place, unmarked.
    std::size_t j = static_cast<std::size_t>(toIndex);
    if (unitColours[j] != kNoColour) j += n;
    unitColours[j] = colour;
    if (i < n) DrawMarker(from, 0);
    // A unit that was never marked (it had not arrived) gets no mark of an empty colour.
    if (j < n && colour != kNoColour) DrawMarker(to, colour);
}

void VhPhysicalLayer::EraseMark(short region) {
    const int index = RegionToIndex(region);
    if (index < 0 || static_cast<std::size_t>(index) >= unitColours.size() / 2) return;
    unitColours[static_cast<std::size_t>(index)] = kNoColour;
    DrawMarker(region, 0);
}

void VhPhysicalLayer::SetFogOfWar(std::int32_t side) {
    fogOn = 1;
    ownSide = side;
}

void VhPhysicalLayer::ShadowMarks(const List<short>& regions, bool shadow) {
    if (!fogOn || !unitBitmap) return;
    for (const Item<short>* i = regions.Head(); i; i = i->next) {
        const int index = RegionToIndex(i->value);
        if (index < 0 || static_cast<std::size_t>(index) >= unitColours.size() / 2) continue;
        const std::uint32_t colour = unitColours[static_cast<std::size_t>(index)];
        if (colour == kNoColour) continue;
        PaintMarker(i->value, shadow ? 0 : colour);
    }
}
