#pragma once
// VhPhysicalLayer: the drawn battlefield of one view of the game. View 0 is the main map, view 4
// the combat close-up; each shows the logical map turned a quarter turn, in opposite senses. The
// layer owns a game landscape per zoom level, keeps one picture per unit, files the pictures'
// sprites in a grid of screen cells (65 x 160 full-size pixels), turns the map tiles' clicks
// and moves into region selections and drives the pictures' animation from its timer.
//
// Invariants (Check): a sprite sits only in the cells its rectangle covers when it was last
// filed, at most once per cell; the grid exists exactly between BEGIN_LANDSCAPE and Close; the
// moving-pictures list holds each id once; the animation timer runs exactly while the animating
// list is non-empty, at 10 ticks a second with a viewport and 1 without.
#include "game/pictures/view_services.h"
#include "landscape/physical/physical_layer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class Bitmap;
class SuperString;
class VhLandscape;
class VhPhysicalObject;
struct PointInfo;

// What the layer asks of a map window that shows it; the application's map window answers.
// The window is the viewport's window component, owned by the viewport.
class MapWindowView {
public:
    static constexpr int kPlacementSize = 44;
    virtual ~MapWindowView() = default;
    virtual Component* WindowComponent() = 0;
    virtual void SetViewport(Viewport* viewport) = 0;
    virtual Viewport* GetViewport() const = 0;
    // The layer's sprite cells (a window joining another layer takes that layer's).
    virtual void SetTileMap(List<Sprite*>** cells, const Dim& gridSize) = 0;
    // The native window, made and shown maximised; made with a saved placement.
    virtual void CreateMaximized() = 0;
    virtual void CreatePlaced(const std::uint8_t* placement) = 0;
    // The native placement (kPlacementSize bytes, as the window system keeps it).
    virtual void GetPlacement(std::uint8_t* placement) = 0;
    // The window's own block: view mode, overview shown, the centre of the visible area.
    virtual void SaveState(SuperString& out) = 0;
    virtual void LoadState(SuperString& in) = 0;
};

class VhPhysicalLayer : public PhysicalLayer, public ViewLayer {
public:
    // Makes a map window for the layer: a new one (saved null) or one whose view mode and
    // overview flag are read from a saved game. Null when no window can be made.
    using MapWindowMaker = std::function<MapWindowView*(VhPhysicalLayer& layer, SuperString* saved)>;
    static void SetMapWindowMaker(MapWindowMaker maker);
    static const MapWindowMaker& GetMapWindowMaker();

    static constexpr int kCellWidth = 65;
    static constexpr int kCellHeight = 160;
    // The menu commands of the hex grid, registered under these numbers.
    static constexpr std::uint16_t kMapOpenId = 254;
    static constexpr std::uint16_t kHexGridOnId = 257;
    static constexpr std::uint16_t kHexGridOffId = 258;

    explicit VhPhysicalLayer(std::uint16_t view);
    ~VhPhysicalLayer() override;

    void Connect() override;

    ContainerBase* CreatePicture(const LogicalCommandInfo& command) override;
    // The logical side's commands in the view's terms: facings turned, the non-animated forms
    // while nothing is watched, missile headings as compass directions, held cohesion hits
    // during a rampage; then posted to the unit's picture.
    ContainerBase* DeliverCommand(const LogicalCommandInfo& command) override;
    // A combat fanned out: the cohesion hits, then one command per attacker and defender picture;
    // the shown view's first attacker carries the reply.
    void UnitCombat(const LogicalCommandInfo& command);
    void RaiseFlags(const List<unsigned short>& gray, const List<unsigned short>& units);
    void UnitReplenished(std::uint16_t unit);
    void EndOfTurn();
    ContainerBase* AddSprite(Sprite* sprite) override;
    ContainerBase* ActivateObject(short componentId) override;
    ContainerBase* DeactivateObject(short componentId) override;
    ContainerBase* AnimationTick(long time) override;
    // The game layer does not react to the engine's point messages; the map tiles post
    // "VhPointSelected" and "VhPointFlyby" with the zoom level instead.
    ContainerBase* PointSelected(const Point&) override { return nullptr; }
    ContainerBase* PointFlyby(const Point&) override { return nullptr; }
    ContainerBase* Close() override;
    virtual void ObjectMoving(short picture);
    virtual void ObjectNotMoving(short picture);
    // A picture going away while it moves will never say that it stopped: it stops here.
    void ForgetObject(PhysicalObject* object) override;

    // ViewLayer: the landscape of a zoom level as the figure sprites see it.
    ViewLandscape* GetLandscape(std::int16_t zoom) override;
    // The game landscape of zoom level 0 (full), 1 (half) or 2 (quarter); null for another.
    VhLandscape* GetGameLandscape(int zoom) const;
    std::uint16_t GetView() const { return view; }
    bool IsCombatView() const { return (view & 4) != 0; }

    // Hex numbers and display cells: the view's columns are the logical map's rows.
    Point RegionToCell(short region) const;
    short CellToRegion(int x, int y) const;
    int RegionToIndex(short region) const;
    // A compass direction (1-8) turned by steps eighths clockwise (negative: anticlockwise).
    static std::uint32_t TurnDirection(std::uint32_t direction, int steps);

    // The cell walk of a click: the object id of the front-most sprite under the point at the
    // zoom level, -1 for none.
    short CellHitTest(const PointInfo& info) const;
    Sprite* CellSpriteAt(const PointInfo& info) const;
    PhysicalObject* CellObjectAt(const PointInfo& info) const;
    ContainerBase* VhPointSelected(const PointInfo& info);
    ContainerBase* VhPointFlyby(const PointInfo& info);

    void SetUpView(std::uint16_t regions, const Dim& definitionSize);
    void CenterOnRegion(short region, const char* message);
    void ShowHexGrid(bool on);
    Container<List<short>>* GetUnitRegions(short unit);
    void AdoptPicture(VhPhysicalObject* picture);
    void SelectObject(const LogicalCommandInfo& command);

    // Viewports are made by the map windows; the timer follows their count.
    void AddMapViewport(Viewport* viewport);
    ContainerBase* RemoveViewport(ChildWindow* window) override;
    // "MapOpen": one more map window on this layer. False when no window could be made.
    bool OpenMapWindow();
    // "Change Viewport": a window leaves this layer, or joins it from the other one.
    void ChangeViewport(const ViewportInfo& info);
    // The map-window block of the saved game: u16 count, per window its placement and state.
    void SaveMapWindows(SuperString& out);
    // Reads the block back and opens the windows; false (nothing opened past the fault) for a
    // block cut short or a count past what the stream holds.
    bool OpenMapWindows(SuperString& in);
    // The layer's block in the saved-game file (its offset in the table the header's u32 at
    // byte 4 points at). False when the file cannot be read or written, or the block is damaged.
    bool SaveGame(const std::string& fileName);
    bool LoadGame(const std::string& fileName);
    List<Sprite*>** CellTable() const { return cells; }
    bool IsViewShown() const { return viewShown != 0; }

    const List<Sprite*>* Cell(int column, int row) const;
    Dim GridSize() const { return gridSize; }
    Dim MapSize() const { return mapSize; }
    short RegionCount() const { return regionCount; }
    std::uint16_t HexGridShown() const { return hexGridShown; }
    std::uint16_t UnitSelected() const { return unitSelected; }
    std::uint16_t CombatAnimationOff() const { return combatAnimationOff; }
    std::uint16_t WalkingAnimationOff() const { return walkingAnimationOff; }
    std::uint16_t RampagePending() const { return rampagePending; }
    const List<short>& MovingPictures() const { return movingPictures; }
    int TimerRate() const { return timerRate; }
    bool CheckCells() const;

    // The overview's unit marks. A colour is a Windows colour value (red in the low byte, then
    // green, then blue); kNoColour marks an empty entry. Entry RegionToIndex(h) holds the first
    // unit on hex h, entry regionCount + RegionToIndex(h) a second one; only the first is marked.
    static constexpr std::uint32_t kNoColour = 0xFFFFFFFFu;
    static std::uint32_t SideColour(std::uint32_t side);
    // The marks' bitmap, made at the first request at that size and kept (and owned) from then.
    Bitmap* GetUnitBitmap(const Dim& size);
    Bitmap* UnitBitmap() const { return unitBitmap; }
    const std::vector<std::uint32_t>& UnitColours() const { return unitColours; }
    // Under fog of war a mark of the other side on a shadowed hex stays undrawn; colour 0
    // erases a mark and is always drawn.
    void DrawMarker(short region, std::uint32_t colour);
    void RecordUnit(short region, std::uint32_t side);
    // A unit moved between hexes, or left the map.
    void MoveMark(short from, short to);
    void EraseMark(short region);
    void SetFogOfWar(std::int32_t side);
    // The logical side hid (shadow) or revealed hexes: their marks are erased or drawn again.
    void ShadowMarks(const List<short>& regions, bool shadow);
    std::uint16_t FogOn() const { return fogOn; }
    std::int32_t OwnSide() const { return ownSide; }

    // Handler bodies that need the layer's private state.
    void SetWalkingAnimationOff(bool off) { walkingAnimationOff = off ? 1 : 0; }
    void SetCombatAnimationOff(bool off) { combatAnimationOff = off ? 1 : 0; }
    void BeginRampage() { rampagePending = 1; }

private:
    class LandscapeView;
    void FreeCells();
    void RestartTimer();
    void GainFirstViewport();
    void LoseLastViewport();
    void SetViewShown(bool shown);
    void AdoptViewport(MapWindowView* window, bool restored, const std::uint8_t* placement);
    // Posts the command to a picture (by bus id); the picture's replies are not wanted.
    void PostToPicture(std::uint16_t picture, const LogicalCommandInfo& command);
    bool AnimationWatched(bool walking) const;
    // A mark drawn without the fog test.
    void PaintMarker(short region, std::uint32_t colour);

    std::uint16_t view;
    std::uint16_t hexGridShown = 0;
    std::uint16_t unitSelected = 0;
    std::uint16_t combatAnimationOff = 0;
    std::uint16_t walkingAnimationOff = 0;
    VhLandscape* landscapes[3] = {nullptr, nullptr, nullptr};
    std::unique_ptr<LandscapeView> landscapeViews[3];
    List<unsigned short> raisedFlagPictures;
    std::uint16_t rampagePending = 0;
    List<short> movingPictures;
    std::int16_t regionCount = 0;
    Dim mapSize;
    int timerRate = 0;
    std::uint16_t viewShown = 0;
    Bitmap* unitBitmap = nullptr;
    std::vector<std::uint32_t> unitColours;
    std::uint16_t fogOn = 0;
    std::int32_t ownSide = -1;
    float overviewScaleX = 0.0f;
    float overviewScaleY = 0.0f;
};
