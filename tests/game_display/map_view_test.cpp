// The game's map view: the map tile (edge scrolling with its cursors, centring, zoomed redraw
// boxes, the figures drawn over the ground), the map windows a layer opens and hands to the other
// view, and the layer's blocks in a saved game.
#include "core/super_string.h"
#include "landscape/game/vh_landscape_tile.h"
#include "landscape/game/vh_viewport.h"
#include "platform/file.h"
#include "platform/msgbox.h"
#include "tests/game_display/game_display_fixture.h"
#include "tests/ui/control_fixture.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

using namespace gdtest;

constexpr std::uint16_t kCode = 3;

std::vector<std::uint8_t> PixelsOf(const Bitmap& b) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < b.GetHeight(); ++y)
        for (int x = 0; x < b.GetWidth(); ++x) out.push_back(landtest::PixelAt(b, x, y));
    return out;
}

// Hears the cursor changes and the fly-bys a map tile sends.
class PointerRecorder : public Component {
public:
    PointerRecorder() : Component("Pointer Recorder") {}
    void Connect() override {
        RegisterNamedHandler("ChangeCursor", OnCursor);
        RegisterNamedHandler("VhPointFlyby", OnFlyby);
        RegisterNamedHandler("VhPointSelected", OnSelected);
    }
    std::vector<std::string> cursors;
    std::vector<PointInfo> flybys;
    std::vector<PointInfo> selected;

private:
    static ContainerBase* OnCursor(Component* c, BusMessage, ContainerBase* p) {
        if (const std::string* s = PayloadValue<std::string>(p)) static_cast<PointerRecorder*>(c)->cursors.push_back(*s);
        return nullptr;
    }
    static ContainerBase* OnFlyby(Component* c, BusMessage, ContainerBase* p) {
        if (const PointInfo* i = PayloadValue<PointInfo>(p)) static_cast<PointerRecorder*>(c)->flybys.push_back(*i);
        return nullptr;
    }
    static ContainerBase* OnSelected(Component* c, BusMessage, ContainerBase* p) {
        if (const PointInfo* i = PayloadValue<PointInfo>(p)) static_cast<PointerRecorder*>(c)->selected.push_back(*i);
        return nullptr;
    }
};

class MapTileTest : public GameDisplayTest {
protected:
    void SetUp() override {
        GameDisplayTest::SetUp();
        window = std::make_unique<uitest::PlainWindow>(Point(0, 0), Dim(400, 300));
        window->AttachToBus(app.get());
        ASSERT_EQ(window->Create(Dim(400, 300), "GenericWindow", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr), 1);
        Drain();
    }
    void TearDown() override {
        if (tile) {
            if (tile->GetBus()) tile->DetachFromBus();
            tile.reset();
        }
        if (pointer.GetBus()) pointer.DetachFromBus();
        window.reset();
        GameDisplayTest::TearDown();
    }
    // A tile of the zoom on the layer's landscapes and cells, sized to the window.
    VhLandscapeTile& PlaceTile(VhPhysicalLayer& layer, std::uint16_t mode, const Dim& size = Dim(400, 300)) {
        tile = std::make_unique<VhLandscapeTile>(layer.CellTable(), layer.GridSize(), layer.MapSize(), mode, Point(0, 0), 0,
                                                 kBattleTitle);
        tile->AttachToBus(&layer);
        // The layer keeps the tile's points to itself: they are heard on its bus.
        if (pointer.GetBus() != &layer) {
            if (pointer.GetBus()) pointer.DetachFromBus();
            pointer.AttachToBus(&layer);
        }
        tile->Attach(window.get(), LayoutConstraints::Pixels(Box(Point(0, 0), size)));
        tile->Redraw();
        Drain();
        return *tile;
    }
    static landtest::TestMap BigMap() {
        landtest::TestMap map;
        map.columns = 30;
        map.rows = 40;
        return map;
    }

    std::unique_ptr<uitest::PlainWindow> window;
    std::unique_ptr<VhLandscapeTile> tile;
    PointerRecorder pointer;
};

TEST_F(MapTileTest, ATileTakesTheLandscapeOfItsZoomAndCountsItsContentInCells) {
    VhPhysicalLayer& layer = MakeLayer(0);
    for (std::uint16_t mode : {0, 1, 2}) {
        VhLandscapeTile& t = PlaceTile(layer, mode);
        EXPECT_EQ(t.GetLandscape(), layer.GetGameLandscape(mode)) << mode;
        EXPECT_EQ(t.GetContentSize(), Dim(static_cast<std::int16_t>(layer.MapSize().width * 2 + 2),
                                          static_cast<std::int16_t>(static_cast<int>(layer.MapSize().height * 1.5) + 12)));
        const Dim cells[3] = {Dim(65, 32), Dim(33, 16), Dim(17, 8)};
        EXPECT_EQ(t.GetCellSize(), cells[mode]);
        EXPECT_EQ(t.GetViewSize(), Dim(static_cast<std::int16_t>(400 / cells[mode].width),
                                       static_cast<std::int16_t>(300 / cells[mode].height)));
        tile->DetachFromBus();
        tile.reset();
    }
}

TEST_F(MapTileTest, OnAMapSmallerThanTheViewTheBandsDoNotScroll) {
    VhPhysicalLayer& layer = MakeLayer(0);
    VhLandscapeTile& t = PlaceTile(layer, 2);
    ASSERT_LT(t.GetContentSize().width, t.GetViewSize().width);
    t.OnMouseMove(Point(5, 150));
    Drain();
    EXPECT_TRUE(pointer.cursors.empty());
    EXPECT_FALSE(t.EdgeTimerRunning());
    ASSERT_EQ(pointer.flybys.size(), 1u) << "a pointer that does not scroll reports its point";
    EXPECT_EQ(pointer.flybys[0].word, 2);
    EXPECT_EQ(pointer.flybys[0].point, t.GetOrigin() + Point(5, 150));
}

TEST_F(MapTileTest, EdgeScrollingWaitsInTheTopBandAndStopsAtTheMapEdge) {
    VhPhysicalLayer& layer = MakeLayer(0, BigMap());
    VhLandscapeTile& t = PlaceTile(layer, 0);
    ASSERT_GT(t.GetContentSize().width, t.GetViewSize().width);
    ASSERT_GT(t.GetContentSize().height, t.GetViewSize().height);

    // The right band scrolls on the first step.
    t.OnMouseMove(Point(395, 150));
    Drain();
    EXPECT_EQ(pointer.cursors, std::vector<std::string>{"E.ani"});
    EXPECT_TRUE(t.EdgeTimerRunning());
    EXPECT_EQ(t.StartDelay(), 0);
    t.EdgeScrollStep(Point(395, 150));
    EXPECT_EQ(t.GetOriginCell(), Point(1, 0));

    // Back inside: the next step ends it with the arrow.
    t.OnMouseMove(Point(200, 150));
    t.EdgeScrollStep(Point(200, 150));
    Drain();
    EXPECT_FALSE(t.EdgeTimerRunning());
    EXPECT_EQ(pointer.cursors.back(), "ArrowCursor");

    // The top band of a view below the top waits ten steps.
    t.ScrollTo(Point(1, 10));
    pointer.cursors.clear();
    t.OnMouseMove(Point(200, 5));
    Drain();
    EXPECT_EQ(pointer.cursors, std::vector<std::string>{"N.ani"});
    EXPECT_EQ(t.StartDelay(), VhLandscapeTile::kTopDelay);
    for (int step = 0; step < VhLandscapeTile::kTopDelay; ++step) t.EdgeScrollStep(Point(200, 5));
    EXPECT_EQ(t.GetOriginCell(), Point(1, 10));
    t.EdgeScrollStep(Point(200, 5));
    EXPECT_EQ(t.GetOriginCell(), Point(1, 8));

    // At the right edge the step is clamped away and the timer ends with the arrow.
    const Dim content = t.GetContentSize(), view = t.GetViewSize();
    t.ScrollTo(Point(static_cast<std::int16_t>(content.width - view.width), 8));
    t.OnMouseMove(Point(395, 150));
    t.EdgeScrollStep(Point(395, 150));
    Drain();
    EXPECT_FALSE(t.EdgeTimerRunning());
    EXPECT_EQ(pointer.cursors.back(), "ArrowCursor");
    EXPECT_EQ(t.GetOriginCell().x, content.width - view.width);
}

TEST_F(MapTileTest, CentringKeepsTheViewOnTheMapAndCentresASmallMap) {
    VhPhysicalLayer& big = MakeLayer(0, BigMap());
    VhLandscapeTile& t = PlaceTile(big, 0);
    t.CenterOn(Point(-1000, -1000));
    EXPECT_EQ(t.GetOriginCell(), Point(0, 0));
    t.CenterOn(Point(30000, 30000));
    EXPECT_EQ(t.GetOriginCell(), Point(static_cast<std::int16_t>(t.GetContentSize().width - t.GetViewSize().width),
                                       static_cast<std::int16_t>(t.GetContentSize().height - t.GetViewSize().height)));
    tile->DetachFromBus();
    tile.reset();
    pointer.DetachFromBus();
    layers[0].reset();

    VhPhysicalLayer& small = MakeLayer(0);
    VhLandscapeTile& s = PlaceTile(small, 2);
    s.CenterOn(Point(10, 10));
    const Dim content = s.GetContentSize(), view = s.GetViewSize();
    EXPECT_EQ(s.GetOriginCell(), Point(static_cast<std::int16_t>(-(view.width - content.width) / 2),
                                       static_cast<std::int16_t>(-(view.height - content.height) / 2)));
}

TEST_F(MapTileTest, FullSizeBoxesAreScaledToTheZoom) {
    VhPhysicalLayer& layer = MakeLayer(0);
    const struct {
        std::uint16_t mode;
        Box expected;
    } cases[] = {{0, Box(130, 64, 130, 64)}, {1, Box(66, 32, 66, 32)}, {2, Box(34, 16, 34, 16)}};
    for (const auto& c : cases) {
        VhLandscapeTile& t = PlaceTile(layer, c.mode);
        EXPECT_EQ(t.ZoomBox(Box(130, 64, 130, 64)), c.expected) << c.mode;
        tile->DetachFromBus();
        tile.reset();
    }
}

TEST_F(MapTileTest, AClickIsPostedWithTheZoomOfTheTile) {
    VhPhysicalLayer& layer = MakeLayer(0);
    VhLandscapeTile& t = PlaceTile(layer, 1);
    t.OnLButtonDown(Point(40, 30));
    Drain();
    ASSERT_EQ(pointer.selected.size(), 1u);
    EXPECT_EQ(pointer.selected[0].word, 1);
    EXPECT_EQ(pointer.selected[0].point, t.GetOrigin() + Point(40, 30));
}

TEST_F(MapTileTest, AUnitsFiguresAreDrawnOverTheGround) {
    VhPhysicalLayer& layer = MakeLayer(0);
    PhysicalLayer::RegisterCreator(kCode, new RecordingPicture(0, 1));
    VhLandscapeTile& t = PlaceTile(layer, 0, Dim(400, 300));
    CreateUnit(0, kCode, 203, 3);
    auto* picture = dynamic_cast<VhPhysicalObject*>(layer.Objects().Head() ? layer.Objects().Head()->value : nullptr);
    ASSERT_NE(picture, nullptr);
    ASSERT_GT(picture->GetFigureCount(), 0);
    VhSprite* figure = picture->GetFigureSprite(0);
    ASSERT_NE(figure, nullptr);
    const Box at = figure->GetBoundsAtZoom(0);
    // The view is brought to the figure; the ground it keeps there has no figures in it.
    t.CenterOn(at.Origin());
    const std::vector<std::uint8_t> bare = PixelsOf(*t.GetKeptBitmap());
    t.InvalidateLandscapeRect(at);
    t.Redraw();
    Bitmap shown(t.GetSize(), Bitmap::Plain);
    shown.Draw(Point(0, 0), t, Box(Point(0, 0), t.GetSize()), 1);
    const std::vector<std::uint8_t> now = PixelsOf(shown);
    int changed = 0;
    for (std::size_t k = 0; k < now.size(); ++k) changed += now[k] != bare[k];
    EXPECT_GT(changed, 0) << "the figure at " << at.x << "," << at.y << " left the ground as it was";
}

// --- map windows ---

// A map window as the layer sees it, without a native window.
class StandInWindow : public Component, public MapWindowView {
public:
    explicit StandInWindow(std::int16_t mode_ = 2) : Component("Stand-in Map Window"), mode(mode_) {}
    Component* WindowComponent() override { return this; }
    void SetViewport(Viewport* v) override { viewport = v; }
    Viewport* GetViewport() const override { return viewport; }
    void SetTileMap(List<Sprite*>** c, const Dim& size) override {
        cells = c;
        gridSize = size;
    }
    void CreateMaximized() override { ++maximized; }
    void CreatePlaced(const std::uint8_t* p) override { placed.assign(p, p + kPlacementSize); }
    void GetPlacement(std::uint8_t* p) override {
        for (int k = 0; k < kPlacementSize; ++k) p[k] = static_cast<std::uint8_t>(k + 1);
    }
    void SaveState(SuperString& out) override { out << mode << std::int16_t{1} << std::int16_t{77} << std::int16_t{88}; }
    void LoadState(SuperString& in) override { in >> centre.x >> centre.y; }

    std::int16_t mode;
    Viewport* viewport = nullptr;
    List<Sprite*>** cells = nullptr;
    Dim gridSize;
    int maximized = 0;
    std::vector<std::uint8_t> placed;
    Point centre;
};

class MapWindowsTest : public GameDisplayTest {
protected:
    void SetUp() override {
        GameDisplayTest::SetUp();
        VhPhysicalLayer::SetMapWindowMaker([this](VhPhysicalLayer& layer, SuperString* saved) -> MapWindowView* {
            std::int16_t mode = 2, shown = 0;
            if (saved) *saved >> mode >> shown;
            auto* w = new StandInWindow(mode);
            made.push_back({&layer, w});
            return w;
        });
    }
    void TearDown() override {
        VhPhysicalLayer::SetMapWindowMaker(nullptr);
        GameDisplayTest::TearDown();
    }
    StandInWindow* Made(std::size_t k) const { return made.size() > k ? made[k].second : nullptr; }
    std::vector<std::pair<VhPhysicalLayer*, StandInWindow*>> made;
};

TEST_F(MapWindowsTest, MapOpenGivesTheMainMapAWindowAndShowsIt) {
    VhPhysicalLayer& main = MakeLayer(0);
    VhPhysicalLayer& combat = MakeLayer(4);
    SetActiveViewMode(-1);
    delete logic->PostNamedEventAndWait("MapOpen");
    Drain();
    ASSERT_EQ(made.size(), 1u) << "only the main map opens a window by itself";
    EXPECT_EQ(made[0].first, &main);
    EXPECT_EQ(main.Viewports().Count(), 1);
    EXPECT_EQ(combat.Viewports().Count(), 0);
    EXPECT_EQ(Made(0)->maximized, 1);
    ASSERT_NE(Made(0)->viewport, nullptr);
    EXPECT_EQ(Made(0)->viewport->GetName(), "Varnhold Map Viewport");
    EXPECT_EQ(Made(0)->GetBus(), Made(0)->viewport);
    EXPECT_EQ(Made(0)->viewport->GetOuterBus(), &main);
    EXPECT_EQ(GetActiveViewMode(), 0);
    EXPECT_TRUE(main.IsViewShown());
}

TEST_F(MapWindowsTest, AReversedViewMovesTheWindowToTheOtherLayerAndBack) {
    VhPhysicalLayer& main = MakeLayer(0);
    VhPhysicalLayer& combat = MakeLayer(4);
    ASSERT_TRUE(main.OpenMapWindow());
    StandInWindow* w = Made(0);
    ASSERT_NE(w, nullptr);

    ViewportInfo same;
    same.Set(w, nullptr, 2, 1);
    w->viewport->SendChangeViewport(same);
    Drain();
    EXPECT_EQ(main.Viewports().Count(), 1) << "a zoom change keeps the window where it is";
    EXPECT_EQ(combat.Viewports().Count(), 0);

    ViewportInfo reversed;
    reversed.Set(w, nullptr, 1, 5);
    w->viewport->SendChangeViewport(reversed);
    Drain();
    EXPECT_EQ(main.Viewports().Count(), 0);
    EXPECT_EQ(combat.Viewports().Count(), 1);
    EXPECT_EQ(w->viewport->GetOuterBus(), &combat);
    EXPECT_EQ(w->cells, combat.CellTable());
    EXPECT_EQ(w->gridSize, combat.GridSize());
    EXPECT_EQ(GetActiveViewMode(), 4) << "with the main map closed the combat view is the one shown";

    ViewportInfo back;
    back.Set(w, nullptr, 5, 1);
    w->viewport->SendChangeViewport(back);
    Drain();
    EXPECT_EQ(main.Viewports().Count(), 1);
    EXPECT_EQ(combat.Viewports().Count(), 0);
    EXPECT_EQ(GetActiveViewMode(), 0);
}

TEST_F(MapWindowsTest, TheWindowsBlockReopensTheWindowsAndRefusesACountPastTheStream) {
    VhPhysicalLayer& main = MakeLayer(0);
    ASSERT_TRUE(main.OpenMapWindow());
    ASSERT_TRUE(main.OpenMapWindow());
    Made(1)->mode = 5;
    SuperString block(1024);
    main.SaveMapWindows(block);
    ASSERT_FALSE(block.Failed());
    EXPECT_EQ(block.Length(), 2 + 2 * (MapWindowView::kPlacementSize + 8));
    layers[0].reset();
    made.clear();

    VhPhysicalLayer& again = MakeLayer(0);
    ASSERT_TRUE(again.OpenMapWindows(block));
    ASSERT_EQ(made.size(), 2u);
    EXPECT_EQ(again.Viewports().Count(), 2);
    EXPECT_EQ(Made(0)->mode, 2);
    EXPECT_EQ(Made(1)->mode, 5);
    std::vector<std::uint8_t> placement;
    for (int k = 0; k < MapWindowView::kPlacementSize; ++k) placement.push_back(static_cast<std::uint8_t>(k + 1));
    EXPECT_EQ(Made(1)->placed, placement);
    EXPECT_EQ(Made(1)->centre, Point(77, 88));
    EXPECT_EQ(GetActiveViewMode(), 0);

    SuperString damaged(64);
    damaged << std::uint16_t{3} << std::uint32_t{0};
    made.clear();
    EXPECT_FALSE(again.OpenMapWindows(damaged));
    EXPECT_TRUE(made.empty());
}

TEST(VhViewportName, AViewportWithoutANameIsAnUnnamedVarnholdViewport) {
    VhViewport unnamed(nullptr);
    EXPECT_EQ(unnamed.GetName(), "Unnamed Varnhold Viewport");
    VhViewport named(nullptr, "Varnhold Map Viewport");
    EXPECT_EQ(named.GetName(), "Varnhold Map Viewport");
}

// --- the saved block ---

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

class SavedBlockTest : public GameDisplayTest, public ::testing::WithParamInterface<bool> {};

// Both layers write into one table whatever their order, and each reads its own block back.
TEST_P(SavedBlockTest, TwoLayersShareOneTable) {
    const bool combatFirst = GetParam();
    VhPhysicalLayer& main = MakeLayer(0);
    VhPhysicalLayer& combat = MakeLayer(4);
    const std::string path = data.Data() + "/layers.sav";
    {
        std::ofstream out(path, std::ios::binary);
        const std::vector<char> header(32, 0);
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
    }
    main.ShowHexGrid(true);
    if (combatFirst) ASSERT_TRUE(combat.SaveGame(path));
    ASSERT_TRUE(main.SaveGame(path));
    if (!combatFirst) ASSERT_TRUE(combat.SaveGame(path));
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    ASSERT_GE(bytes.size(), 32u + 8u);
    const std::uint32_t table = U32At(bytes, 4);
    EXPECT_EQ(table, 32u) << "the first layer to save puts the table at the end it found";
    const std::uint32_t mainBlock = U32At(bytes, table), combatBlock = U32At(bytes, table + 4);
    EXPECT_NE(mainBlock, 0u);
    EXPECT_NE(combatBlock, 0u);
    EXPECT_NE(mainBlock, combatBlock);
    ASSERT_LT(mainBlock + 1, bytes.size());
    EXPECT_EQ(bytes[mainBlock], 1) << "the main map's hex grid was shown";
    EXPECT_EQ(bytes[combatBlock], 0);

    main.ShowHexGrid(false);
    ASSERT_TRUE(main.LoadGame(path));
    EXPECT_EQ(main.HexGridShown(), 1);
    ASSERT_TRUE(combat.LoadGame(path));
    EXPECT_EQ(combat.HexGridShown(), 0);
    std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Order, SavedBlockTest, ::testing::Bool(),
                         [](const auto& p) { return p.param ? std::string("CombatFirst") : std::string("MainFirst"); });

TEST_F(GameDisplayTest, ADamagedLayerBlockIsRefusedWithAMessage) {
    VhPhysicalLayer& main = MakeLayer(0);
    const std::string path = data.Data() + "/damaged.sav";
    {
        std::ofstream out(path, std::ios::binary);
        std::vector<char> bytes(40, 0);
        bytes[4] = 60;  // a table past the end of the file
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    platform::ClearShownMessageBoxes();
    EXPECT_FALSE(main.LoadGame(path));
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).text, "The units' part of the saved game is damaged and was not loaded.");
    std::remove(path.c_str());
}

} // namespace

// --- command delivery ---

namespace delivery {

// The names of the commands a picture has queued, in order.
std::vector<std::string> Queued(const PhysicalObject& picture) {
    std::vector<std::string> out;
    for (Item<LogicalCommandInfo>* i = picture.Commands().Head(); i; i = i->next)
        out.push_back(i->value.command.Number() == LOGICAL_OBJECT_MOVED ? "MOVED"
                      : i->value.command.Number() == CHANGE_UNIT_FACING ? "FACING"
                                                                         : MessageName(i->value.command.Number() & 0x0FFFFFFF));
    return out;
}

const PhysicalObject& Picture(VhPhysicalLayer& layer, std::uint16_t unit) {
    auto* p = dynamic_cast<PhysicalObject*>(layer.GetComponent(layer.PictureIdOf(unit)));
    EXPECT_NE(p, nullptr) << unit;
    static RecordingPicture none(0, 1);
    return p ? *p : none;
}

} // namespace delivery

class DeliveryTest : public MapWindowsTest {
protected:
    void SetUp() override {
        MapWindowsTest::SetUp();
        PhysicalLayer::RegisterCreator(kCode, new RecordingPicture(0, 1));
    }
    void Command(std::uint16_t unit, BusMessage command, ContainerBase* data, short region = 0) {
        Container<LogicalCommandInfo> c(LogicalCommandInfo(unit, data, region, command));
        Send(LOGICAL_COMMAND, &c);
    }
};

TEST_F(DeliveryTest, WithNoMapWindowTheCommandsArriveInTheirPlainForms) {
    VhPhysicalLayer& layer = MakeLayer(0);
    CreateUnit(0, kCode, 203, 3);
    List<short> path;
    path.AddTail(203);
    path.AddTail(303);
    Command(0, BusMessage(LOGICAL_OBJECT_MOVED), new Container<List<short>>(path));
    Command(0, BusMessage(RegisterMessage("TerminalRout")), new Container<short>(0), 303);
    EXPECT_EQ(delivery::Queued(delivery::Picture(layer, 0)), (std::vector<std::string>{"UnitTeleport", "UnitEliminated"}));
}

TEST_F(DeliveryTest, WithAMapWindowMovesAnimateAndFacingsTurnToTheView) {
    VhPhysicalLayer& main = MakeLayer(0);
    VhPhysicalLayer& combat = MakeLayer(4);
    ASSERT_TRUE(main.OpenMapWindow());
    ASSERT_TRUE(combat.OpenMapWindow());
    CreateUnit(0, kCode, 203, 3);
    List<short> path;
    path.AddTail(203);
    path.AddTail(303);
    Command(0, BusMessage(LOGICAL_OBJECT_MOVED), new Container<List<short>>(path));
    Command(0, BusMessage(CHANGE_UNIT_FACING), new Container<DIRECTION>(static_cast<DIRECTION>(1)));
    const PhysicalObject& onMain = delivery::Picture(main, 0);
    EXPECT_EQ(delivery::Queued(onMain), (std::vector<std::string>{"MOVED", "FACING"}));
    const PhysicalObject& onCombat = delivery::Picture(combat, 0);
    ASSERT_EQ(onCombat.Commands().Count(), 2);
    const DIRECTION* mainFacing = PayloadValue<DIRECTION>(onMain.Commands().Head()->next->value.data);
    const DIRECTION* combatFacing = PayloadValue<DIRECTION>(onCombat.Commands().Head()->next->value.data);
    ASSERT_NE(mainFacing, nullptr);
    ASSERT_NE(combatFacing, nullptr);
    EXPECT_EQ(*mainFacing, static_cast<DIRECTION>(3)) << "north turned two eighths clockwise on the main map";
    EXPECT_EQ(*combatFacing, static_cast<DIRECTION>(7)) << "and two anticlockwise in the combat view";
}

TEST_F(DeliveryTest, AShotIsShownOnlyOnAShownViewWithAHeadingThatNamesADirection) {
    VhPhysicalLayer& main = MakeLayer(0);
    CreateUnit(0, kCode, 203, 3);
    Command(0, BusMessage(RegisterMessage("MissileFire")), new Container<short>(5));
    EXPECT_TRUE(delivery::Queued(delivery::Picture(main, 0)).empty()) << "no map window shows the main map";
    ASSERT_TRUE(main.OpenMapWindow());
    for (short bad : {-1, 24}) Command(0, BusMessage(RegisterMessage("MissileFire")), new Container<short>(bad));
    EXPECT_TRUE(delivery::Queued(delivery::Picture(main, 0)).empty());
    const struct {
        short heading;
        int direction;
    } cases[] = {{0, 3}, {23, 3}, {1, 4}, {7, 5}, {8, 6}, {13, 7}, {16, 8}, {17, 1}, {22, 2}};
    for (const auto& c : cases) Command(0, BusMessage(RegisterMessage("MissileFire")), new Container<short>(c.heading));
    const PhysicalObject& picture = delivery::Picture(main, 0);
    ASSERT_EQ(picture.Commands().Count(), static_cast<int>(std::size(cases)));
    int k = 0;
    for (Item<LogicalCommandInfo>* i = picture.Commands().Head(); i; i = i->next, ++k) {
        const DIRECTION* d = PayloadValue<DIRECTION>(i->value.data);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(static_cast<int>(*d), cases[k].direction) << cases[k].heading;
    }
}

// Hears the reply a combat's sender waits for.
class ReplyRecorder : public Component {
public:
    ReplyRecorder() : Component("Reply Recorder") {}
    void Connect() override { RegisterNamedHandler("CombatDone", OnReply); }
    int replies = 0;

private:
    static ContainerBase* OnReply(Component* c, BusMessage, ContainerBase*) {
        ++static_cast<ReplyRecorder*>(c)->replies;
        return nullptr;
    }
};

TEST_F(DeliveryTest, ACombatFansOutAndOnlyTheShownViewsFirstAttackerCarriesTheReply) {
    VhPhysicalLayer& main = MakeLayer(0);
    CreateUnit(0, kCode, 203, 3);
    CreateUnit(1, kCode, 303, 3);
    CreateUnit(2, kCode, 302, 7);
    ReplyRecorder replies;
    replies.AttachToBus(app.get());
    List<short> attackers, defenders;
    attackers.AddTail(0);
    attackers.AddTail(1);
    defenders.AddTail(2);
    List<MethodOfDeathStruct> deaths;
    deaths.AddTail(MethodOfDeathStruct(2, 4, 0xFFFF));
    const auto fight = [&]() {
        Container<LogicalCommandInfo> combat(LogicalCommandInfo(0, new Container<CombatInfo>(CombatInfo(attackers, defenders, deaths)),
                                                                0, BusMessage(RegisterMessage("UnitCombat")),
                                                                BusMessage(RegisterMessage("CombatDone"))));
        delete logic->SendNamed("UnitCombat", &combat);
        Drain();
    };
    // Neither view shown: the layer answers for the pictures, once.
    SetActiveViewMode(-1);
    fight();
    EXPECT_EQ(replies.replies, 1);
    const auto replyOf = [](const PhysicalObject& p) {
        int n = 0;
        for (Item<LogicalCommandInfo>* i = p.Commands().Head(); i; i = i->next) n += i->value.reply.Number() != 0;
        return n;
    };
    EXPECT_EQ(delivery::Queued(delivery::Picture(main, 0)), std::vector<std::string>{"CombatDontAnimate"});
    EXPECT_EQ(delivery::Queued(delivery::Picture(main, 2)), (std::vector<std::string>{"CohesionHit", "CombatDontAnimate"}));
    EXPECT_EQ(replyOf(delivery::Picture(main, 0)), 0);

    // The main map shown: its first attacker carries the reply, nobody else.
    ASSERT_TRUE(main.OpenMapWindow());
    fight();
    EXPECT_EQ(replies.replies, 1) << "the picture posts the reply when it has played the combat";
    EXPECT_EQ(replyOf(delivery::Picture(main, 0)), 1);
    EXPECT_EQ(replyOf(delivery::Picture(main, 1)), 0);
    EXPECT_EQ(replyOf(delivery::Picture(main, 2)), 0);
    replies.DetachFromBus();
}
