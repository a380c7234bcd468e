#pragma once
// Landscape: the base of every battlefield landscape. It takes the map from the game logic
// region by region (BEGIN_LANDSCAPE, CREATE_REGION, END_LANDSCAPE), answers region queries,
// applies highlight and shadow requests, keeps the tiles that show it and the rectangles of it
// that wait to be redrawn. How an area is drawn is left to the derived landscapes.
//
// Invariants: no two rectangles of the dirty list overlap (shared edges do not count), and none
// of them is the all-zero box; every tile of the list has this landscape as its landscape.
#include "core/component.h"
#include "core/container.h"
#include "core/geometry.h"
#include "core/list.h"
#include "game/logic/logical_region.h"
#include "game/logic/referee/referee_records.h"
#include "ui/bitmap.h"

#include <cstdint>

class LandscapeTile;

// The regions of a payload that names several: a List<short> held in the payload, or one the
// payload points to (the fog of war sends the pointer form). Null for anything else.
const List<short>* RegionListOf(ContainerBase* payload);

class Landscape : public Component {
public:
    explicit Landscape(const Dim& cellSize, const char* name = nullptr);
    ~Landscape() override;

    void Connect() override;

    virtual void AddDirty(const Box& box);
    virtual void DrawAll();
    virtual void DrawDirty();
    virtual void Update(const Box& box);
    virtual void BeginLandscape(const LandscapeDefinition& definition) = 0;
    virtual void CreateBlock(const LogicalRegion& region) = 0;
    virtual void CreateBlocks(const List<LogicalRegion>& regions) = 0;
    virtual void EndLandscape() = 0;
    virtual void Close();
    // Takes the tile; the answer (a Container<Landscape*> of this landscape, or null when the
    // tile is refused) goes back to the tile that announced itself.
    virtual ContainerBase* AddTile(LandscapeTile* tile);

    // Region operations. Regions are what the derived landscape calls a region (a block index,
    // or the game's hex number); a list entry of -1 is skipped.
    virtual Point3D GetRegionLocation(short region) = 0;
    virtual short PointToRegion(const Point& p) = 0;

    virtual void HighlightRegions(const List<short>& regions, std::uint16_t flag) = 0;
    virtual void HighlightBox(const Box& box, std::uint16_t flag) = 0;
    virtual void HighlightPoint(const Point& p, std::uint16_t flag) = 0;
    virtual void HighlightRegion(short region, std::uint16_t flag) = 0;
    virtual void HighlightAll(std::uint16_t flag) = 0;
    virtual void ToggleHighlightRegions(const List<short>& regions) = 0;
    virtual void ToggleHighlightBox(const Box& box) = 0;
    virtual void ToggleHighlightPoint(const Point& p) = 0;
    virtual void ToggleHighlightRegion(short region) = 0;
    virtual void ToggleHighlightAll() = 0;
    virtual void HalfHighlightRegions(const List<short>& regions, std::uint16_t flag) = 0;
    virtual void HalfHighlightBox(const Box& box, std::uint16_t flag) = 0;
    virtual void HalfHighlightPoint(const Point& p, std::uint16_t flag) = 0;
    virtual void HalfHighlightRegion(short region, std::uint16_t flag) = 0;
    virtual void HalfHighlightAll(std::uint16_t flag) = 0;
    virtual void ToggleHalfHighlightRegions(const List<short>& regions) = 0;
    virtual void ToggleHalfHighlightBox(const Box& box) = 0;
    virtual void ToggleHalfHighlightPoint(const Point& p) = 0;
    virtual void ToggleHalfHighlightRegion(short region) = 0;
    virtual void ToggleHalfHighlightAll() = 0;
    virtual void ShadowRegions(const List<short>& regions, std::uint16_t flag) = 0;
    virtual void ToggleShadowRegions(const List<short>& regions) = 0;

    // Draws the landscape area whose top-left corner is origin into the whole of target.
    virtual void DrawArea(Bitmap& target, const Point& origin) = 0;
    virtual void RedrawTiles(List<Box> boxes);

    void RemoveTile(LandscapeTile* tile);

    Dim GetMapSize() const { return mapSize; }
    Dim GetCellSize() const { return cellSize; }
    const List<Box>& GetDirty() const { return dirty; }
    const List<LandscapeTile*>& GetTiles() const { return tiles; }

protected:
    Landscape(const Dim& cellSize, const char* name, const char* defaultName);

    Dim mapSize;
    Dim cellSize;
    List<LandscapeTile*> tiles;
    List<Box> dirty;

private:
    static ContainerBase* OnBeginLandscape(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnCreateRegion(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnEndLandscape(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnFindRegion(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnHighlight(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnDehighlight(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnHalfHighlight(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnHalfDehighlight(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnToggleHalfHighlight(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnLandTileCreated(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnShadow(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnDeshadow(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnToggleShadow(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnGetRegionLocation(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnCloseGame(Component* c, BusMessage e, ContainerBase* p);
};
