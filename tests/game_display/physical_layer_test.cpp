// The game's physical layer: clicks become region selections in both views at every zoom, a
// picture per unit through the registered creators, the cell grid the sprites are filed in,
// the menu, movement and timer rules.
#include "platform/input.h"
#include "platform/msgbox.h"
#include "ui/viewport.h"
#include "ui/main_window.h"
#include "landscape/physical_block.h"
#include "tests/game_display/game_display_fixture.h"

namespace {

using namespace gdtest;

constexpr std::uint16_t kCode = 3;

// The middle of a hex's top face at a zoom: its block's origin, half the art's width across and
// a quarter down (the face is half as high as wide).
Point Inside(VhPhysicalLayer& layer, short hex, std::int16_t zoom) {
    VhLandscape* land = layer.GetGameLandscape(zoom);
    const PhysicalBlock* block = land->GetBlock(land->HexNumberToIndex(hex));
    const Point3D origin = block ? block->GetPosition() : Point3D();
    const int width = land->GetBlockSize().width;
    return Point(static_cast<std::int16_t>(origin.x + width / 2), static_cast<std::int16_t>(origin.y + width / 4));
}

TEST_F(GameDisplayTest, AClickOnAHexSelectsThatHexInBothViewsAtEveryZoom) {
    for (std::uint16_t view : {0, 4}) {
        VhPhysicalLayer& layer = MakeLayer(view);
        for (std::int16_t zoom = 0; zoom < 3; ++zoom) {
            for (short hex : {0, 101, 203, 303, 402, 503}) {
                SCOPED_TRACE("view " + std::to_string(view) + " zoom " + std::to_string(zoom) + " hex " + std::to_string(hex));
                VhLandscape* land = layer.GetGameLandscape(zoom);
                ASSERT_NE(land, nullptr);
                ASSERT_TRUE(land->HasBlock(hex));
                Container<PointInfo> click(PointInfo(Inside(layer, hex, zoom), static_cast<std::uint16_t>(zoom)));
                SendNamed("VhPointSelected", &click);
                EXPECT_EQ(recorder.Take(), std::vector<std::string>{"REGION_SELECTED " + std::to_string(hex)});
            }
        }
        layers[view ? 1 : 0].reset();
    }
}

TEST_F(GameDisplayTest, AClickOffTheMapOrWithAModifierPostsNothing) {
    MakeLayer(0);
    Container<PointInfo> off(PointInfo(Point(-500, -500), 0));
    SendNamed("VhPointSelected", &off);
    EXPECT_TRUE(recorder.Take().empty());

    Container<PointInfo> click(PointInfo(Inside(*layers[0], 203, 0), 0));
    for (int key : {VK_CONTROL, VK_SHIFT}) {
        platform::InjectKey(key, true);
        SendNamed("VhPointSelected", &click);
        platform::InjectKey(key, false);
        EXPECT_TRUE(recorder.Take().empty()) << key;
    }
    SendNamed("VhPointSelected", &click);
    EXPECT_EQ(recorder.Take(), std::vector<std::string>{"REGION_SELECTED 203"});
}

TEST_F(GameDisplayTest, AFlybyIsPostedOnlyWhenTheHexChanges) {
    VhPhysicalLayer& layer = MakeLayer(0);
    for (short hex : {203, 203, 303, 203}) {
        Container<PointInfo> move(PointInfo(Inside(layer, hex, 1), 1));
        SendNamed("VhPointFlyby", &move);
    }
    EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"REGION_FLYBY 203", "REGION_FLYBY 303", "REGION_FLYBY 203"}));
}

TEST_F(GameDisplayTest, HexNumbersAndCellsTurnOppositeWaysInTheTwoViews) {
    // The logical map is 6 columns by 5 rows: the views show 5 columns by 6 rows.
    struct Case {
        std::uint16_t view;
        short region;
        Point cell;
    };
    const Case cases[] = {
        {0, 0, Point(4, 0)}, {0, 203, Point(1, 2)}, {0, 504, Point(0, 5)},
        {4, 0, Point(0, 5)}, {4, 203, Point(3, 3)}, {4, 504, Point(4, 0)},
    };
    for (const Case& c : cases) {
        VhPhysicalLayer& layer = MakeLayer(c.view);
        ASSERT_EQ(layer.MapSize(), Dim(5, 6));
        EXPECT_EQ(layer.RegionToCell(c.region), c.cell) << c.view << " " << c.region;
        EXPECT_EQ(layer.CellToRegion(c.cell.x, c.cell.y), c.region);
        EXPECT_EQ(layer.RegionToIndex(c.region), c.cell.y * 5 + c.cell.x);
    }
    EXPECT_EQ(VhPhysicalLayer::TurnDirection(1, 2), 3u);
    EXPECT_EQ(VhPhysicalLayer::TurnDirection(7, 2), 1u);
    EXPECT_EQ(VhPhysicalLayer::TurnDirection(2, -2), 8u);
}

TEST_F(GameDisplayTest, TheGridIsSizedFromTheMapAndFreedOnClose) {
    VhPhysicalLayer& layer = MakeLayer(0);
    // 5 x 130 = 650 pixels wide, 7 x 48 = 336 high.
    EXPECT_EQ(layer.GridSize(), Dim(650 / 65 + 2, 336 / 160 + 4));
    EXPECT_NE(layer.Cell(0, 0), nullptr);
    delete logic->SendNamedEvent("CloseGame");
    Drain();
    EXPECT_EQ(layer.Cell(0, 0), nullptr);
    // A second battle gets a grid again.
    logic->SendMap(Map());
    Drain();
    EXPECT_NE(layer.Cell(0, 0), nullptr);
}

// A sprite of a fixed rectangle that is hit everywhere inside it.
class BoxSprite : public Sprite {
public:
    BoxSprite(Box b, std::uint16_t id) : Sprite(id, Point3D(b.x, b.y, 0), nullptr, 1, nullptr), box(b) {}
    Box GetRect() const override { return box; }
    std::int16_t HitTest(const Point& p) const override { return box.Contains(p) ? 1 : 0; }
    Box box;
};

TEST_F(GameDisplayTest, SpritesAreFiledInTheCellsTheyCoverClippedToTheGrid) {
    VhPhysicalLayer& layer = MakeLayer(0);
    const Dim grid = layer.GridSize();
    struct Case {
        Box rect;
        int firstColumn, firstRow, lastColumn, lastRow;
    };
    const Case cases[] = {
        {Box(70, 10, 60, 100), 1, 1, 2, 1},
        {Box(-10, -10, 20, 20), 0, 0, 0, 1},
        {Box(600, 300, 5000, 5000), 9, 2, grid.width - 1, grid.height - 1},
    };
    for (const Case& c : cases) {
        BoxSprite sprite(c.rect, 7);
        layer.AddSprite(&sprite);
        for (int row = 0; row < grid.height; ++row)
            for (int column = 0; column < grid.width; ++column) {
                const bool inside = row >= c.firstRow && row <= c.lastRow && column >= c.firstColumn && column <= c.lastColumn;
                EXPECT_EQ(layer.Cell(column, row)->Contains(&sprite), inside)
                    << c.rect.x << "," << c.rect.y << " cell " << column << "," << row;
            }
        // Filing it again (an enabled sprite never taken out) keeps one entry per cell.
        layer.AddSprite(&sprite);
        EXPECT_TRUE(layer.CheckCells());
        layer.ForgetSprite(&sprite);
    }
}

TEST_F(GameDisplayTest, TheHitOfTheLowestRowThenRightmostCellThenLatestSpriteWins) {
    VhPhysicalLayer& layer = MakeLayer(0);
    // Both cover the point (100, 150); the second reaches into a lower row of cells.
    BoxSprite upper(Box(90, 140, 20, 15), 101);
    BoxSprite lower(Box(95, 145, 20, 30), 202);
    layer.AddSprite(&upper);
    layer.AddSprite(&lower);
    EXPECT_EQ(layer.CellHitTest(PointInfo(Point(100, 150), 0)), 202);
    EXPECT_EQ(layer.CellHitTest(PointInfo(Point(92, 142), 0)), 101);
    EXPECT_EQ(layer.CellHitTest(PointInfo(Point(5, 5), 0)), -1);
    // A sprite's click selects the region it stands on, whatever lies under the point.
    Container<PointInfo> click(PointInfo(Point(100, 150), 0));
    SendNamed("VhPointSelected", &click);
    EXPECT_EQ(recorder.Take(), std::vector<std::string>{"REGION_SELECTED 202"});
    layer.ForgetSprite(&upper);
    layer.ForgetSprite(&lower);
}

TEST_F(GameDisplayTest, EachUnitGetsAPictureInEachViewThroughItsCreator) {
    PhysicalLayer::RegisterCreator(kCode, new RecordingPicture(0, 1));
    VhPhysicalLayer& main = MakeLayer(0);
    VhPhysicalLayer& combat = MakeLayer(4);
    CreateUnit(2, kCode, 203, 1);
    CreateUnit(5, kCode, 303, 8, 1);
    struct Case {
        VhPhysicalLayer* layer;
        std::uint32_t facings[2];
        std::uint16_t viewIndex;
    };
    // Turned two eighths clockwise, four more in the combat view.
    const Case cases[] = {{&main, {3, 2}, 0}, {&combat, {7, 6}, 1}};
    for (const Case& c : cases) {
        ASSERT_EQ(c.layer->Objects().Count(), 2);
        int k = 0;
        for (Item<PhysicalObject*>* i = c.layer->Objects().Head(); i; i = i->next, ++k) {
            auto* picture = dynamic_cast<RecordingPicture*>(i->value);
            ASSERT_NE(picture, nullptr);
            EXPECT_EQ(picture->madeFacing, c.facings[k]);
            EXPECT_EQ(picture->GetViewIndex(), c.viewIndex);
            EXPECT_EQ(picture->GetLayer(), c.layer);
            EXPECT_EQ(picture->GetTypeCode(), kCode);
            EXPECT_EQ(picture->GetRecordFlag(), 11);
            EXPECT_EQ(picture->GetRecordFlag2(), 22);
            EXPECT_EQ(c.layer->PictureIdOf(k == 0 ? 2 : 5), picture->GetId());
        }
        EXPECT_TRUE(c.layer->CheckCells());
    }
    // The unit's regions come from its picture of that view.
    Container<short> unit(2);
    ContainerBase* reply = main.GetUnitRegions(2);
    const List<short>* regions = PayloadValue<List<short>>(reply);
    ASSERT_NE(regions, nullptr);
    EXPECT_TRUE(regions->Contains(203));
    delete reply;
    reply = main.GetUnitRegions(9);
    ASSERT_NE(PayloadValue<List<short>>(reply), nullptr);
    EXPECT_TRUE(PayloadValue<List<short>>(reply)->IsEmpty());
    delete reply;
}

TEST_F(GameDisplayTest, PicturesMadeElsewhereAreAdoptedAndTheLayerAnswersItsLandscape) {
    VhPhysicalLayer& layer = MakeLayer(4);
    auto* stray = new RecordingPicture(203, 1);
    Container<VhPhysicalObject*> made(stray);
    SendNamed("PhysicalObjectCreated", &made);
    SendNamed("PhysicalObjectCreated", &made);
    ASSERT_EQ(layer.Objects().Count(), 1);
    EXPECT_EQ(stray->GetLayer(), &layer);
    EXPECT_EQ(stray->GetViewIndex(), 1);
    EXPECT_EQ(stray->GetBus(), &layer);

    ContainerBase* reply = logic->SendNamedEvent("GetPrimaryLandscape");
    Landscape** primary = PayloadValue<Landscape*>(reply);
    ASSERT_NE(primary, nullptr);
    EXPECT_EQ(*primary, layer.GetGameLandscape(0));
    delete reply;

    // The first selection marks the layer; a unit without a picture changes nothing else.
    Container<LogicalCommandInfo> selected(LogicalCommandInfo(7));
    Send(LOGICAL_OBJECT_SELECTED, &selected);
    EXPECT_EQ(layer.UnitSelected(), 1);
}

TEST_F(GameDisplayTest, AFigureClickedSelectsTheHexItStandsOn) {
    PhysicalLayer::RegisterCreator(kCode, new RecordingPicture(0, 1));
    VhPhysicalLayer& layer = MakeLayer(0);
    CreateUnit(1, kCode, 303, 3);
    auto* picture = dynamic_cast<VhPhysicalObject*>(layer.Objects().Head()->value);
    ASSERT_NE(picture, nullptr);
    VhSprite* figure = picture->GetFigureSprite(0);
    ASSERT_NE(figure, nullptr);
    // Find a drawn pixel of the figure and click it.
    const Box b = figure->GetBoundsAtZoom(0);
    bool clicked = false;
    for (int y = b.y; y < b.y + b.height && !clicked; ++y)
        for (int x = b.x; x < b.x + b.width && !clicked; ++x) {
            if (!figure->HitTestAtZoom(Point(x, y), 0)) continue;
            EXPECT_EQ(layer.CellHitTest(PointInfo(Point(x, y), 0)), 303);
            figure->SetIgnoresPointer(1);
            EXPECT_NE(layer.CellSpriteAt(PointInfo(Point(x, y), 0)), figure);
            figure->SetIgnoresPointer(0);
            clicked = true;
        }
    EXPECT_TRUE(clicked);
}

TEST_F(GameDisplayTest, TheHexGridMenuIsUpdatedOnlyOnAChange) {
    VhPhysicalLayer& layer = MakeLayer(0);
    for (int i = 0; i < 2; ++i) Send(BusMessage(VhPhysicalLayer::kHexGridOnId), nullptr);
    EXPECT_EQ(layer.HexGridShown(), 1);
    EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"ENABLE 258", "DISABLE 257"}));
    for (int i = 0; i < 2; ++i) Send(BusMessage(VhPhysicalLayer::kHexGridOffId), nullptr);
    EXPECT_EQ(layer.HexGridShown(), 0);
    EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"ENABLE 257", "DISABLE 258"}));
}

TEST_F(GameDisplayTest, MovementIsAnnouncedForTheFirstMoverAndEndsWithTheLast) {
    VhPhysicalLayer& layer = MakeLayer(0);
    auto moving = [&](const char* name, short id) {
        Container<short> p(id);
        SendNamed(name, &p);
    };
    moving("PhysicalObjectMoving", 4);
    moving("PhysicalObjectMoving", 6);
    moving("PhysicalObjectMoving", 4);
    EXPECT_EQ(recorder.Take(), std::vector<std::string>{"Movement"});
    moving("PhysicalObjectNotMoving", 4);
    EXPECT_TRUE(recorder.Take().empty());
    moving("PhysicalObjectNotMoving", 6);
    moving("PhysicalObjectNotMoving", 6);
    EXPECT_EQ(recorder.Take(), std::vector<std::string>{"NoMovement"});

    // The pictures name themselves by their bus id, an unsigned short.
    Container<unsigned short> picture(9);
    SendNamed("PhysicalObjectMoving", &picture);
    EXPECT_TRUE(layer.MovingPictures().Contains(9));
    SendNamed("PhysicalObjectNotMoving", &picture);
    EXPECT_TRUE(layer.MovingPictures().IsEmpty());
    EXPECT_TRUE(layer.MovingPictures().IsEmpty());
}

TEST_F(GameDisplayTest, APictureDeletedWhileItMovesEndsTheMovement) {
    // An eliminated unit's picture goes while it is still listed as moving: "NoMovement" must
    // still come once the last mover is gone, or the computer player waits for it for ever.
    PhysicalLayer::RegisterCreator(kCode, new RecordingPicture(0, 1));
    VhPhysicalLayer& layer = MakeLayer(0);
    CreateUnit(1, kCode, 303, 3);
    CreateUnit(2, kCode, 304, 3);
    ASSERT_EQ(layer.Objects().Count(), 2);
    PhysicalObject* first = layer.Objects().Head()->value;
    PhysicalObject* second = layer.Objects().Head()->next->value;
    for (PhysicalObject* o : {first, second}) {
        Container<unsigned short> id(o->GetId());
        SendNamed("PhysicalObjectMoving", &id);
    }
    EXPECT_EQ(recorder.Take(), std::vector<std::string>{"Movement"});
    delete first;
    EXPECT_TRUE(recorder.Take().empty());
    EXPECT_EQ(layer.MovingPictures().Count(), 1);
    delete second;
    EXPECT_EQ(recorder.Take(), std::vector<std::string>{"NoMovement"});
    EXPECT_TRUE(layer.MovingPictures().IsEmpty());
}

TEST_F(GameDisplayTest, CentringSendsTheRegionsLocationAtEachZoom) {
    VhPhysicalLayer& layer = MakeLayer(0);
    // The map windows' tiles hear it on the layer's own bus.
    Recorder tiles;
    tiles.AttachToBus(&layer);
    for (const char* name : {"Center On Region", "Combat Center On Region"}) {
        Container<short> region(303);
        SendNamed(name, &region);
        const std::vector<std::string> heard = tiles.Take();
        ASSERT_EQ(heard.size(), 1u) << name;
        EXPECT_EQ(heard[0], std::string(name) == "Center On Region" ? "Center On Point" : "ZoomInForCombat");
        for (int z = 0; z < 3; ++z) {
            const Point3D expected = layer.GetGameLandscape(z)->GetRegionLocation(303);
            EXPECT_EQ(tiles.centred[z].x, expected.x);
            EXPECT_EQ(tiles.centred[z].y, expected.y);
        }
    }
    EXPECT_TRUE(recorder.Take().empty());
    tiles.DetachFromBus();
}

TEST_F(GameDisplayTest, TheAnimationTimerTicksSlowlyWithoutAMapWindow) {
    PhysicalLayer::RegisterCreator(kCode, new RecordingPicture(0, 1));
    VhPhysicalLayer& layer = MakeLayer(0);
    CreateUnit(1, kCode, 303, 3);
    const short id = static_cast<short>(layer.Objects().Head()->value->GetId());
    Container<short> p(id);
    Send(PHYSICAL_OBJECT_ACTIVATED, &p);
    EXPECT_TRUE(layer.TimerRunning());
    EXPECT_EQ(layer.TimerRate(), 1);
    Send(PHYSICAL_OBJECT_DEACTIVATED, &p);
    EXPECT_FALSE(layer.TimerRunning());
    EXPECT_TRUE(layer.CheckCells());
}

// A map window stand-in: all the layer needs of it is to be the window its viewport owns.
class MapChild : public ChildWindow {
public:
    MapChild() : Window(Box(0, 0, 16, 16), 1, "Map"), ChildWindow(Box(0, 0, 16, 16), 1, "Map") {}
    void PostEvent(int, std::int16_t) override {}
    void Minimize() override {}
    void Maximize() override {}
    void SetIcon(const char*) override {}
    void SetCursor(const char*) override {}
    void SetTitle(const char*) override {}
    void MoveTo(const Point&) override {}
    Point GetMousePosition() override { return Point(); }
    void Show() override {}
    Menu* MakeMenu(const char*) override { return nullptr; }
};

TEST_F(GameDisplayTest, TheTimerChangesRateAsTheFirstMapWindowOpensAndTheLastCloses) {
    PhysicalLayer::RegisterCreator(kCode, new RecordingPicture(0, 1));
    VhPhysicalLayer& layer = MakeLayer(0);
    CreateUnit(1, kCode, 303, 3);
    Container<short> p(static_cast<short>(layer.Objects().Head()->value->GetId()));
    Send(PHYSICAL_OBJECT_ACTIVATED, &p);
    ASSERT_EQ(layer.TimerRate(), 1);
    auto* window = new MapChild;
    layer.AddMapViewport(new Viewport(window));
    EXPECT_TRUE(layer.TimerRunning());
    EXPECT_EQ(layer.TimerRate(), 10);
    layer.RemoveViewport(window);
    EXPECT_TRUE(layer.TimerRunning());
    EXPECT_EQ(layer.TimerRate(), 1);
    // Without animating pictures a new window starts no timer.
    Send(PHYSICAL_OBJECT_DEACTIVATED, &p);
    layer.AddMapViewport(new Viewport(new MapChild));
    EXPECT_FALSE(layer.TimerRunning());
    EXPECT_TRUE(layer.CheckCells());
}

TEST_F(GameDisplayTest, WrongPayloadsAreRefusedWithoutChange) {
    VhPhysicalLayer& layer = MakeLayer(0);
    struct Case {
        const char* name;
        const char* where;
    };
    const Case cases[] = {{"VhPointSelected", "VHPHYS at line 1427"},
                          {"ToggleWalkingAnimation", "VHPHYS at line 626"},
                          {"PhysicalObjectMoving", "VHPHYS at line 1727"},
                          {"Center On Region", "VHPHYS at line 822"}};
    for (const Case& c : cases) {
        platform::QueueMessageBoxAnswer(IDNO);
        Container<std::string> wrong("x");
        SendNamed(c.name, &wrong);
        const std::size_t n = platform::ShownMessageBoxCount();
        ASSERT_GT(n, 0u);
        const platform::ShownBox box = platform::ShownMessageBox(n - 1);
        EXPECT_NE((box.caption + "|" + box.text).find(c.where), std::string::npos) << c.name;
    }
    EXPECT_TRUE(recorder.Take().empty());
    EXPECT_EQ(layer.WalkingAnimationOff(), 0);
    EXPECT_TRUE(layer.MovingPictures().IsEmpty());
    Container<short> off(0);
    SendNamed("ToggleWalkingAnimation", &off);
    EXPECT_EQ(layer.WalkingAnimationOff(), 1);
}

} // namespace
