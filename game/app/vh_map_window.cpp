#include "game/app/vh_map_window.h"

#include "core/assertion.h"
#include "core/events.h"
#include "core/message_registry.h"
#include "core/super_string.h"
#include "game/logic/combat_records.h"
#include "landscape/game/vh_landscape_tile.h"
#include "landscape/iso_hex_landscape.h"
#include "landscape/physical_block.h"
#include "platform/cursor.h"
#include "platform/dialog.h"
#include "platform/gdi.h"
#include "platform/input.h"
#include "platform/menu.h"
#include "ui/layout.h"
#include "ui/menu.h"
#include "ui/viewport.h"
#include "ui/windows/win_app.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kSource = "VHMAP";
constexpr int kBitsPerPixel = 12;

// The map windows' menu: the game, leader, unit, map, window and help commands.
const char* const kChildMenu = R"(POPUP "&Game"
BEGIN
  MENUITEM "&Close Battle\tCtrl+Q", 211
  MENUITEM "&Save\tCtrl+S", 226, GRAYED
  MENUITEM "Save &As...", 227, GRAYED
  MENUITEM SEPARATOR
  MENUITEM "&Game Overview...", 229
  MENUITEM "&Objectives...", 197
  MENUITEM "&Preferences...", 230
  MENUITEM SEPARATOR
  MENUITEM "E&xit", 101
END
POPUP "&Leader"
BEGIN
  MENUITEM "&Center On Leader", 209, GRAYED
  MENUITEM SEPARATOR
  MENUITEM "&Group Move", 212, GRAYED
  MENUITEM "Group Road &Move", 261, GRAYED
  MENUITEM "Group &Retreat", 248, GRAYED
  MENUITEM "Group &Attack", 259, GRAYED
  MENUITEM "Group Restore M&orale", 260, GRAYED
  MENUITEM SEPARATOR
  MENUITEM "&Finish Leader", 224, GRAYED
END
POPUP "&Unit"
BEGIN
  MENUITEM "&Center On Unit", 222, GRAYED
  MENUITEM "&View Details...", 225, GRAYED
  MENUITEM "&Undo Last Action", 255, GRAYED
  MENUITEM SEPARATOR
  MENUITEM "&Rally", 213, GRAYED
  MENUITEM "Restore &Morale", 214, GRAYED
  MENUITEM "Missile &Firing\tCtrl+M", 219, GRAYED
  MENUITEM SEPARATOR
  MENUITEM "Rotate C&ounter-clockwise", 220, GRAYED
  MENUITEM "Rotate Clock&wise", 221, GRAYED
  MENUITEM "&About Face", 235, GRAYED
  MENUITEM "&Backward Movement", 246, GRAYED
  MENUITEM "Mou&nt/Dismount", 193, GRAYED
  MENUITEM "&Limber/Unlimber", 194, GRAYED
  MENUITEM "Formation Count&er-clockwise", 196, GRAYED
  MENUITEM "Formation Clockwi&se", 195, GRAYED
  MENUITEM SEPARATOR
  MENUITEM "Remove &Dead Units", 253
END
POPUP "&Map"
BEGIN
  MENUITEM "Open &Map", 254
  MENUITEM SEPARATOR
  MENUITEM "Zoom &In", 218
  MENUITEM "&Normal", 217, CHECKED
  MENUITEM "Zoom &Out", 216
  MENUITEM SEPARATOR
  MENUITEM "&Reverse View", 223
  MENUITEM SEPARATOR
  MENUITEM "&Hide Overview", 250
  MENUITEM "&Show Overview", 251, GRAYED
  MENUITEM SEPARATOR
  MENUITEM "Hide Hex Gri&d", 258, GRAYED
  MENUITEM "Show Hex &Grid", 257
END
POPUP "&Window"
BEGIN
  MENUITEM "Tile &Vertical", 107
  MENUITEM "Tile &Horizontal", 106
  MENUITEM "&Cascade", 104
  MENUITEM "&Arrange Icons", 105
  MENUITEM SEPARATOR
  MENUITEM "&Show Commentary\tCtrl+C", 239, GRAYED
  MENUITEM "Sho&w Chat\tCtrl+A", 241, GRAYED
END
POPUP "&Help"
BEGIN
  MENUITEM "&About...", 102
  MENUITEM "About This &Battle...", 236
END
)";

VhMapWindow* Self(Component* c) {
    auto* self = dynamic_cast<VhMapWindow*>(c);
    if (!self) AssertFail(kBadBusData, kSource, __LINE__);
    return self;
}

// The "Center On Point" family carries a pointer to three points, one per zoom index.
const Point3D* Points(ContainerBase* p) {
    Point3D* const* points = PayloadValue<Point3D*>(p);
    return points ? *points : nullptr;
}

// The two messages that carry a list of landscape points differ only in what the window does.
ContainerBase* WithPoints(Component* c, ContainerBase* p, int line, void (VhMapWindow::*act)(const Point3D*)) {
    VhMapWindow* self = Self(c);
    const Point3D* points = Points(p);
    if (!self) return nullptr;
    if (!points) {
        Assert(0, kBadBusData, kSource, line);
        return nullptr;
    }
    (self->*act)(points);
    return nullptr;
}

ContainerBase* OnCenterOnPoint(Component* c, BusMessage, ContainerBase* p) {
    return WithPoints(c, p, __LINE__, &VhMapWindow::CenterOnPoints);
}

ContainerBase* OnZoomInForCombat(Component* c, BusMessage, ContainerBase* p) {
    return WithPoints(c, p, __LINE__, &VhMapWindow::ZoomInForCombat);
}

ContainerBase* OnChangeCursor(Component* c, BusMessage, ContainerBase* p) {
    VhMapWindow* self = Self(c);
    if (!self) return nullptr;
    std::string name;
    if (const std::string* s = PayloadValue<std::string>(p))
        name = *s;
    else if (!ExtractText(p, name)) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    self->ChangeCursor(name);
    return nullptr;
}

ContainerBase* OnZoomOutAfterCombat(Component* c, BusMessage, ContainerBase*) {
    if (VhMapWindow* self = Self(c)) self->ZoomOutAfterCombat();
    return nullptr;
}

ContainerBase* OnZoomOutForRout(Component* c, BusMessage, ContainerBase*) {
    if (VhMapWindow* self = Self(c)) self->ZoomOutForRout();
    return nullptr;
}

ContainerBase* OnZoomInAfterRout(Component* c, BusMessage, ContainerBase*) {
    if (VhMapWindow* self = Self(c)) self->ZoomInAfterRout();
    return nullptr;
}

ContainerBase* OnWillCombatFit(Component* c, BusMessage, ContainerBase* p) {
    VhMapWindow* self = Self(c);
    if (!self) return nullptr;
    const WillCombatFitStruct* record = PayloadValue<WillCombatFitStruct>(p);
    if (!record) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    std::int16_t hexes[4];
    for (int k = 0; k < 4; ++k) hexes[k] = static_cast<std::int16_t>(record->bounds[k]);
    const int fits = self->WillCombatFit(hexes);
    return fits < 0 ? nullptr : new Container<short>(static_cast<short>(fits));
}

ContainerBase* OnGetActiveChildMenu(Component* c, BusMessage, ContainerBase*) {
    VhMapWindow* self = Self(c);
    if (!self || !self->IsActive()) return nullptr;
    return new Container<Menu*>(self->GetMenu());
}

// The top-left point of a hex's block in a landscape; false when the hex has none.
bool HexPoint(Landscape* landscape, std::int16_t hex, Point& out) {
    auto* land = dynamic_cast<IsometricHexLandscape*>(landscape);
    if (!land) return false;
    const short index = land->HexNumberToIndex(hex);
    if (index < 0 || index >= land->GetBlockCount()) return false;
    const PhysicalBlock* block = land->GetBlock(index);
    if (!block) return false;
    const Point3D at = block->GetPosition();
    out = Point(at.x, at.y);
    return true;
}

std::string DataDirectory() {
    Application* app = GetApplication();
    return app ? app->GetDataDirectory(0) : std::string();
}

} // namespace

void VhMapWindow::RegisterMenuResource() {
    static const bool registered = platform::RegisterMenuResource("ChildMenu", kChildMenu);
    (void)registered;
}

VhMapWindow::VhMapWindow(List<Sprite*>** cells, const Dim& gridSize, const Dim& mapSize, const std::string& title)
    : Window(Point(-1, -1), Dim(500, 400), "Landscape View", "VhMapWindow"),
      WindowsChildWindow(Point(-1, -1), Dim(500, 400), "Landscape View", (RegisterMenuResource(), "ChildMenu"),
                         "AppIcon", "VhMapWindow") {
    Build(0, cells, gridSize, mapSize, title);
}

VhMapWindow::VhMapWindow(SuperString& saved, List<Sprite*>** cells, const Dim& gridSize, const Dim& mapSize,
                         const std::string& title)
    : Window(Point(-1, -1), Dim(500, 400), "Landscape View", "VhMapWindow"),
      WindowsChildWindow(Point(-1, -1), Dim(500, 400), "Landscape View", (RegisterMenuResource(), "ChildMenu"),
                         "AppIcon", "VhMapWindow") {
    std::int16_t mode = 0, second = 0;
    saved >> mode >> second;
    // A mode with both zoom bits is not one a window ever had: taken as zoomed out.
    std::uint32_t m = static_cast<std::uint16_t>(mode) & (kHalf | kQuarter | kReversed);
    if ((m & kHalf) && (m & kQuarter)) m &= ~kHalf;
    viewMode = savedViewMode = m;
    // The stored overview flag stands where a new window gives the tile's origin x.
    Build(static_cast<std::uint16_t>(second), cells, gridSize, mapSize, title);
}

void VhMapWindow::Build(std::uint16_t, List<Sprite*>** cells, const Dim& gridSize, const Dim& mapSize,
                        const std::string& title) {
    tile = new VhLandscapeTile(cells, gridSize, mapSize, static_cast<std::uint16_t>(viewMode), Point(0, 0), 1, title);
    LayoutConstraints whole;
    whole.x.Absolute(lmLeft, 0);
    whole.y.Absolute(lmTop, 0);
    whole.width.Set(lmWidth, lmSameAs, nullptr, lmWidth, 0);
    whole.height.Set(lmHeight, lmSameAs, nullptr, lmHeight, 0);
    tile->Attach(this, whole);
}

VhMapWindow::~VhMapWindow() {
    if (tile) {
        if (tile->GetBus()) tile->DetachFromBus();
        if (tile->GetParentDisplay()) tile->Detach();
        delete tile;
        tile = nullptr;
    }
    DestroyCursor(cursor_);
    cursor_ = nullptr;
}

// --- the bus ---

void VhMapWindow::Connect() {
    WindowsChildWindow::Connect();
    BlockRelayedEvent(SCROLL_TO, 2);
    if (tile && !tile->GetBus() && GetBus()) tile->AttachToBus(GetBus());
    RegisterNamedHandler("Center On Point", OnCenterOnPoint);
    RegisterNamedHandler("ChangeCursor", OnChangeCursor);
    RegisterNamedHandler("ZoomInForCombat", OnZoomInForCombat);
    RegisterNamedHandler("ZoomOutAfterCombat", OnZoomOutAfterCombat);
    RegisterNamedHandler("WillCombatFit?", OnWillCombatFit);
    RegisterNamedHandler("ZoomOutForRout", OnZoomOutForRout);
    RegisterNamedHandler("ZoomInAfterRout", OnZoomInAfterRout);
    RegisterNamedHandler("GetActiveChildMenu", OnGetActiveChildMenu);
}

void VhMapWindow::DetachFromBus() {
    if (tile && tile->GetBus()) tile->DetachFromBus();
    if (GetBus()) WindowsChildWindow::DetachFromBus();
}

bool VhMapWindow::IsActive() const {
    Application* app = GetApplication();
    auto* frame = app ? dynamic_cast<WindowsMainWindow*>(app->GetMainWindow()) : nullptr;
    // Without a frame (a window made on its own) the window is the only view there is.
    if (!frame) return true;
    return frame->GetActiveChild() == handle_;
}

// --- native window ---

void VhMapWindow::CreateMaximized() {
    Create();
    Maximize();
}

// The placement as the window system keeps it (44 bytes, little-endian): length, flags, show
// command, the minimised and maximised positions, the normal rectangle (left, top, right, bottom).
void VhMapWindow::CreatePlaced(const std::uint8_t* placement) {
    const auto i32 = [placement](int at) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(placement[at]) | placement[at + 1] << 8 |
                                         placement[at + 2] << 16 | static_cast<std::uint32_t>(placement[at + 3]) << 24);
    };
    Create();
    const std::int32_t show = i32(8);
    const std::int32_t left = i32(28), top = i32(32), right = i32(36), bottom = i32(40);
    if (handle_ && right > left && bottom > top && right - left < 0x8000 && bottom - top < 0x8000)
        MoveWindow(handle_, left, top, right - left, bottom - top, TRUE);
    if (show == kShowMaximized) Maximize();
}

void VhMapWindow::GetPlacement(std::uint8_t* placement) {
    std::memset(placement, 0, kPlacementSize);
    const auto put = [placement](int at, std::int32_t v) {
        for (int k = 0; k < 4; ++k) placement[at + k] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * k));
    };
    const Box box = GetWindowRect();
    put(0, kPlacementSize);
    put(4, 0);
    put(8, handle_ && IsZoomed(handle_) ? kShowMaximized : kShowNormal);
    put(12, -1);
    put(16, -1);
    put(20, -1);
    put(24, -1);
    put(28, box.x);
    put(32, box.y);
    put(36, box.x + box.width);
    put(40, box.y + box.height);
}

void VhMapWindow::SetTileMap(List<Sprite*>** cells, const Dim& gridSize) {
    if (tile) tile->SetSpriteTable(cells, gridSize);
}

// --- saved state ---

void VhMapWindow::SaveState(SuperString& out) {
    const Point origin = tile ? tile->GetOrigin() : Point();
    const Dim size = tile ? tile->GetSize() : Dim();
    out << static_cast<std::int16_t>(viewMode & 0xFFFF);
    out << static_cast<std::int16_t>(tile && tile->IsOverviewMapShown() ? 1 : 0);
    out << static_cast<std::int16_t>(origin.x + size.width / 2);
    out << static_cast<std::int16_t>(origin.y + size.height / 2);
}

void VhMapWindow::LoadState(SuperString& in) {
    std::int16_t x = 0, y = 0;
    in >> x >> y;
    if (in.Failed() || !tile) return;
    tile->CenterOn(Point(x, y));
}

// --- commands ---

int VhMapWindow::ZoomIndex() const {
    const std::uint16_t mode = tile ? tile->GetLandscapeMode() : static_cast<std::uint16_t>(viewMode);
    return (mode & kQuarter) ? 2 : (mode & kHalf) ? 1 : 0;
}

void VhMapWindow::MenuEvent(BusMessage event, std::uint16_t command) {
    Container<BusMessage> item{BusMessage(command)};
    delete PostAndWait(event, &item);
}

void VhMapWindow::SendViewRecord(std::uint32_t oldMode, std::uint32_t newMode) {
    if (!viewport) return;
    ViewportInfo info;
    info.Set(this, tile, static_cast<std::uint16_t>(oldMode), static_cast<std::uint16_t>(newMode));
    viewport->SendChangeViewport(info);
}

void VhMapWindow::ChangeView(std::uint32_t newMode) {
    if (tile) tile->SetDrawingEnabled(0);
    savedViewMode = viewMode;
    viewMode = newMode;
    SendViewRecord(savedViewMode, viewMode);
    if (tile) tile->SetDrawingEnabled(1);
}

void VhMapWindow::ReverseView() {
    EnableUpdates(0);
    if (tile) tile->SetDrawingEnabled(0);
    short hex = -1;
    if (tile && tile->GetLandscape()) {
        const Point origin = tile->GetOrigin();
        const Dim size = tile->GetSize();
        hex = tile->GetLandscape()->PointToRegion(
            Point(static_cast<std::int16_t>(origin.x + size.width / 2), static_cast<std::int16_t>(origin.y + size.height / 2)));
    }
    savedViewMode = viewMode;
    viewMode ^= kReversed;
    SendViewRecord(savedViewMode, viewMode);
    if (tile) tile->RefreshOverviewMap();
    if (hex >= 0) {
        Container<short> region(hex);
        delete PostNamedAndWait("Center On Region", &region);
    }
    if (tile) tile->SetDrawingEnabled(1);
    EnableUpdates(1);
}

void VhMapWindow::Command(int command, std::int16_t notification) {
    switch (command) {
    case kReverseView: ReverseView(); return;
    case kZoomOut:
        MenuEvent(UNCHECK_MENU_ITEM, kZoomIn);
        MenuEvent(UNCHECK_MENU_ITEM, kNormal);
        MenuEvent(CHECK_MENU_ITEM, kZoomOut);
        if (!(viewMode & kQuarter)) ChangeView((viewMode & ~kHalf) | kQuarter);
        return;
    case kNormal:
        MenuEvent(UNCHECK_MENU_ITEM, kZoomIn);
        MenuEvent(CHECK_MENU_ITEM, kNormal);
        MenuEvent(UNCHECK_MENU_ITEM, kZoomOut);
        if (!(viewMode & kHalf)) ChangeView((viewMode & ~kQuarter) | kHalf);
        return;
    case kZoomIn:
        MenuEvent(CHECK_MENU_ITEM, kZoomIn);
        MenuEvent(UNCHECK_MENU_ITEM, kNormal);
        MenuEvent(UNCHECK_MENU_ITEM, kZoomOut);
        if (viewMode & (kHalf | kQuarter)) ChangeView(viewMode & ~(kHalf | kQuarter));
        return;
    case kHideOverview:
        if (tile) tile->HideOverviewMap();
        if (Menu* menu = GetMenu()) {
            menu->Enable(kShowOverview, 1);
            menu->Disable(kHideOverview);
        }
        return;
    case kShowOverview:
        if (tile) tile->ShowOverviewMap();
        if (Menu* menu = GetMenu()) {
            menu->Enable(kHideOverview, 1);
            menu->Disable(kShowOverview);
        }
        return;
    default: WindowsChildWindow::PostEvent(command, notification); return;
    }
}

void VhMapWindow::PostEvent(int event, std::int16_t value) { Command(event, value); }

void VhMapWindow::InstallMenu() {
    for (std::uint16_t command : {251, 250, 223, 218, 217, 216, 107, 106, 104, 257, 258}) {
        Container<BusMessage> item{BusMessage(command)};
        delete Send(ENABLE_MENU_ITEM, &item);
    }
    const int zoom = (viewMode & kQuarter) ? 2 : (viewMode & kHalf) ? 1 : 0;
    MenuEvent(zoom == 0 ? CHECK_MENU_ITEM : UNCHECK_MENU_ITEM, kZoomIn);
    MenuEvent(zoom == 1 ? CHECK_MENU_ITEM : UNCHECK_MENU_ITEM, kNormal);
    MenuEvent(zoom == 2 ? CHECK_MENU_ITEM : UNCHECK_MENU_ITEM, kZoomOut);
    // The toolbar's overview toggle follows the overview of the window now active.
    Container<short> toggle(static_cast<short>(tile && tile->IsOverviewMapShown() ? kShowOverview : kHideOverview));
    delete SendNamed("Command", &toggle);
    WindowsChildWindow::InstallMenu();
}

LRESULT VhMapWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && tile) {
        switch (wParam) {
        case VK_LEFT: tile->ScrollBy(Dim(-1, 0)); break;
        case VK_UP: tile->ScrollBy(Dim(0, -2)); break;
        case VK_RIGHT: tile->ScrollBy(Dim(1, 0)); break;
        case VK_DOWN: tile->ScrollBy(Dim(0, 2)); break;
        default: break;
        }
    }
    return WindowsChildWindow::WindowProc(message, wParam, lParam);
}

// --- what the game asks ---

void VhMapWindow::CenterOnPoints(const Point3D* points) {
    if (!IsActive() || !tile) return;
    const Point3D& p = points[ZoomIndex()];
    tile->CenterOn(Point(p.x, p.y));
}

void VhMapWindow::ZoomInForCombat(const Point3D* points) {
    if (!IsActive() || !tile) return;
    tile->SetDrawingEnabled(0);
    const Point3D& p = points[ZoomIndex()];
    short hex = tile->GetLandscape() ? tile->GetLandscape()->PointToRegion(Point(p.x, p.y)) : -1;
    if (viewMode & (kHalf | kQuarter)) {
        combatZoom = 1;
        savedViewMode = viewMode;
        viewMode &= ~(kHalf | kQuarter);
        SendViewRecord(savedViewMode, viewMode);
        MenuEvent(UNCHECK_MENU_ITEM, kZoomOut);
        MenuEvent(UNCHECK_MENU_ITEM, kNormal);
        MenuEvent(CHECK_MENU_ITEM, kZoomIn);
    }
    Point at(p.x, p.y);
    if (hex >= 0) HexPoint(tile->GetLandscape(), hex, at);
    tile->CenterOn(at);
    tile->SetDrawingEnabled(1);
}

void VhMapWindow::ZoomOutAfterCombat() {
    if (!combatZoom) return;
    combatZoom = 0;
    if (savedViewMode & kHalf)
        Command(kNormal, 0);
    else if (savedViewMode & kQuarter)
        Command(kZoomOut, 0);
}

void VhMapWindow::ZoomOutForRout() {
    if (!IsActive()) return;
    if (!((viewMode & kHalf) || viewMode == 0 || viewMode == kReversed)) return;
    routZoom = 1;
    savedViewMode = viewMode;
    Command(kZoomOut, 0);
}

void VhMapWindow::ZoomInAfterRout() {
    if (!routZoom) return;
    routZoom = 0;
    if (savedViewMode & kHalf)
        Command(kNormal, 0);
    else if (!(savedViewMode & kQuarter))
        Command(kZoomIn, 0);
}

int VhMapWindow::WillCombatFit(const std::int16_t hexes[4]) {
    if (!IsActive() || !tile) return -1;
    ContainerBase* answer = PostNamedEventAndWait("GetPrimaryLandscape");
    Landscape* const* landscape = PayloadValue<Landscape*>(answer);
    Landscape* land = landscape ? *landscape : nullptr;
    delete answer;
    Point p[4];
    for (int k = 0; k < 4; ++k)
        if (!HexPoint(land, hexes[k], p[k])) return -1;
    const int width = std::max(p[1].x, p[3].x) - std::min(p[0].x, p[2].x);
    const int height = std::max(p[1].y, p[3].y) - std::min(p[0].y, p[2].y);
    const Dim visible = tile->GetSize();
    return visible.width < width || visible.height < height ? 0 : 1;
}

// --- cursors ---

std::string VhMapWindow::CursorFile(const std::string& directory, const std::string& name, int bitsPerPixel) {
    const std::size_t at = name.find(".ani");
    if (at == std::string::npos || bitsPerPixel >= 9) return DataPath(directory, name);
    return DataPath(directory, name.substr(0, at) + "8" + name.substr(at));
}

void VhMapWindow::ChangeCursor(const std::string& name) {
    if (name.find(".ani") == std::string::npos) {
        if (name == "ArrowCursor")
            SetCursor(nullptr);
        else
            SetCursor(name.c_str());
        return;
    }
    HDC dc = GetDC(handle_);
    const int bits = GetDeviceCaps(dc, kBitsPerPixel);
    ReleaseDC(handle_, dc);
    // A file that does not load leaves the window without a cursor of its own.
    DestroyCursor(cursor_);
    const std::string file = CursorFile(DataDirectory(), name, bits);
    cursor_ = LoadCursorFromFileA(file.c_str());
    if (!cursor_) std::fprintf(stderr, "art: no cursor \"%s\"\n", file.c_str());
}
