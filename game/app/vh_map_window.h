#pragma once
// VhMapWindow: the MDI child that shows one battlefield view. It owns the map tile (a
// VhLandscapeTile with its overview map), keeps the view mode (zoom bits 0x1 normal / 0x2
// zoomed out / neither zoomed in, and 0x4 the reversed view, which lives in the other game layer),
// turns the map menu's commands into view changes, zooms in and out around combats and routs
// when the game asks, answers whether a combat fits the visible area, swaps animated cursors and
// scrolls with the arrow keys.
//
// Saved block (after the 44-byte placement the layer writes): i16 view mode, i16 overview shown,
// i16 x and i16 y of the centre of the visible area, little-endian.
//
// Invariants: bits 0x1 and 0x2 of the view mode are never both set; the combat-zoom and
// rout-zoom flags are set only by their zoom and cleared by their way back.
#include "landscape/game/vh_physical_layer.h"
#include "ui/windows/mdi_windows.h"

#include <cstdint>
#include <string>

class VhLandscapeTile;

class VhMapWindow : public WindowsChildWindow, public MapWindowView {
public:
    static constexpr std::uint32_t kHalf = 0x1;
    static constexpr std::uint32_t kQuarter = 0x2;
    static constexpr std::uint32_t kReversed = 0x4;
    static constexpr std::int32_t kShowNormal = 1;
    static constexpr std::int32_t kShowMaximized = 3;
    enum : std::uint16_t {
        kZoomOut = 216, kNormal = 217, kZoomIn = 218, kReverseView = 223, kHideOverview = 250, kShowOverview = 251
    };

    // A new window on the layer's cells: zoomed out, overview shown.
    VhMapWindow(List<Sprite*>** cells, const Dim& gridSize, const Dim& mapSize, const std::string& title);
    // A window of a saved game: view mode and overview flag read from the stream.
    VhMapWindow(SuperString& saved, List<Sprite*>** cells, const Dim& gridSize, const Dim& mapSize,
                const std::string& title);
    ~VhMapWindow() override;

    void Connect() override;
    void DetachFromBus() override;
    void InstallMenu() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostEvent(int event, std::int16_t value) override;
    // The menu or toolbar command: the map commands change the view, the rest go to the bus.
    void Command(int command, std::int16_t notification);

    // MapWindowView
    Component* WindowComponent() override { return this; }
    void SetViewport(Viewport* v) override { viewport = v; }
    Viewport* GetViewport() const override { return viewport; }
    void SetTileMap(List<Sprite*>** cells, const Dim& gridSize) override;
    void CreateMaximized() override;
    void CreatePlaced(const std::uint8_t* placement) override;
    void GetPlacement(std::uint8_t* placement) override;
    void SaveState(SuperString& out) override;
    void LoadState(SuperString& in) override;

    std::uint32_t GetViewMode() const { return viewMode; }
    std::uint32_t GetSavedViewMode() const { return savedViewMode; }
    bool IsCombatZoomed() const { return combatZoom != 0; }
    bool IsRoutZoomed() const { return routZoom != 0; }
    VhLandscapeTile* GetTile() const { return tile; }
    // Whether the frame reports this window as its active MDI child.
    bool IsActive() const;
    // The cursor a name chooses: "ArrowCursor" the default, a ".ani" name the animated cursor of
    // the data directory ("8" before ".ani" on a palette screen), any other a resource.
    void ChangeCursor(const std::string& name);
    // The file an animated cursor name loads on a screen of that many bits per pixel.
    static std::string CursorFile(const std::string& directory, const std::string& name, int bitsPerPixel);
    // Registers the "ChildMenu" resource (once).
    static void RegisterMenuResource();

    void CenterOnPoints(const Point3D* points);
    void ZoomInForCombat(const Point3D* points);
    void ZoomOutAfterCombat();
    void ZoomOutForRout();
    void ZoomInAfterRout();
    // 1 when the combatants' hexes fit the visible area, 0 when not, -1 when not asked here.
    int WillCombatFit(const std::int16_t hexes[4]);

private:
    void Build(std::uint16_t overviewArg, List<Sprite*>** cells, const Dim& gridSize, const Dim& mapSize,
               const std::string& title);
    int ZoomIndex() const;
    void ChangeView(std::uint32_t newMode);
    void SendViewRecord(std::uint32_t oldMode, std::uint32_t newMode);
    void MenuEvent(BusMessage event, std::uint16_t command);
    void ReverseView();

    VhLandscapeTile* tile = nullptr;
    Viewport* viewport = nullptr;
    std::uint32_t viewMode = kQuarter;
    std::uint32_t savedViewMode = kQuarter;
    std::uint16_t combatZoom = 0;
    std::uint16_t routZoom = 0;
};
