// A small map drawn into a tile's kept bitmap and read back at chosen pixels: ground, marsh,
// highlight, shadow, bridges and cliffs; the dirty rectangles a highlight leaves; the map's
// messages on the bus; and art that is missing.
#include "tests/landscape/landscape_fixture.h"

#include <gtest/gtest.h>

namespace {

using landtest::LandscapeTest;
using landtest::TestMap;
using landtest::Remapped;
namespace terrain = datagen::terrain;

std::vector<Box> Boxes(const List<Box>& list) {
    std::vector<Box> out;
    for (Item<Box>* i = list.Head(); i; i = i->next) out.push_back(i->value);
    return out;
}

// The middle of a hex's ground, relative to its block.
constexpr int kMidX = 65, kMidY = 32;

class DrawingTest : public LandscapeTest {};

TEST_F(DrawingTest, GroundMarshHighlightAndShadowAtChosenPixels) {
    TestMap map;
    map.codes[201] = {3};  // marsh
    Show(map);
    landscape->DrawAll();
    const std::uint8_t flat = terrain::GroundColour(0, 0);
    EXPECT_EQ(KeptPixel(101, kMidX, kMidY), flat);
    EXPECT_EQ(KeptPixel(300, kMidX, kMidY), flat);
    const terrain::Area marsh = terrain::MarshArea(0);
    EXPECT_EQ(KeptPixel(201, marsh.x + 1, marsh.y + 1), terrain::kMarsh);
    EXPECT_EQ(KeptPixel(101, marsh.x + 1, marsh.y + 1), flat);

    landscape->HighlightRegion(101, 1);
    EXPECT_EQ(KeptPixel(101, kMidX, kMidY), Remapped(flat, 3));
    EXPECT_EQ(KeptPixel(201, kMidX, kMidY + 5), flat) << "a neighbour keeps its look";

    List<short> fog;
    fog << 300 << 201;
    Container<List<short>*> shadow(&fog);
    delete logic->SendNamed("Shadow Region", &shadow);
    EXPECT_EQ(KeptPixel(300, kMidX, kMidY), Remapped(flat, 4));
    EXPECT_EQ(KeptPixel(201, marsh.x + 1, marsh.y + 1), Remapped(terrain::kMarsh, 4));

    // A highlight shows through the fog; taking the highlight away leaves the fog.
    landscape->HighlightRegion(300, 1);
    EXPECT_EQ(KeptPixel(300, kMidX, kMidY), Remapped(flat, 3));
    landscape->HighlightRegion(300, 0);
    EXPECT_EQ(KeptPixel(300, kMidX, kMidY), Remapped(flat, 4));

    List<short> half;
    half << 2;
    Container<List<short>> halfPayload(half);
    delete logic->Send(HALF_HIGHLIGHT_REGION, &halfPayload);
    EXPECT_EQ(KeptPixel(2, kMidX, kMidY), Remapped(flat, 5));
}

TEST_F(DrawingTest, HighlightLeavesTheBlockBoxDirtyOnTheTile) {
    TestMap map;
    Show(map);
    landscape->DrawAll();
    tile->Validate();
    List<short> one;
    one << 202;
    Container<List<short>> payload(one);
    delete logic->Send(HIGHLIGHT_REGION, &payload);
    EXPECT_TRUE(landscape->GetDirty().IsEmpty());
    EXPECT_EQ(Boxes(tile->DirtyRects()), std::vector<Box>{BlockOf(202).GetBox()});
    EXPECT_EQ(landscape->IsHighlighted(202), 1);

    // Two blocks side by side touch without overlapping: they stay two rectangles.
    tile->Validate();
    List<short> two;
    two << 100 << 101;
    landscape->HighlightRegions(two, 1);
    EXPECT_EQ(Boxes(tile->DirtyRects()), (std::vector<Box>{BlockOf(100).GetBox(), BlockOf(101).GetBox()}));
}

TEST_F(DrawingTest, ScrolledTileDrawsTheSameLandscape) {
    TestMap map;
    map.codes[201] = {3};
    Show(map);
    tile->SetOrigin(Point(40, 30));
    landscape->DrawAll();
    const terrain::Area marsh = terrain::MarshArea(0);
    EXPECT_EQ(KeptPixel(201, marsh.x + 1, marsh.y + 1), terrain::kMarsh);
    EXPECT_EQ(KeptPixel(101, kMidX, kMidY), terrain::GroundColour(0, 0));
}

TEST_F(DrawingTest, BridgesAndRoadsFollowTheRoadCodes) {
    TestMap map;
    // A road along logical column 2, rows 0-3: west to east on the display.
    for (int row = 0; row < 4; ++row) map.codes[200 + row] = {12};
    map.levels = {{200, 1}, {201, 1}, {202, 0}, {203, 0}};
    Show(map);
    landscape->DrawAll();
    // Display row 2 runs 203 (west) ... 200 (east); 202 is at level 0 with road east and west.
    const auto codes = landscape->RoadCodes(landscape->HexNumberToIndex(202));
    EXPECT_EQ(codes[0], 18);  // west 2 + east 16: one line through the hex
    EXPECT_EQ(PointedIsometricHexLandscape::RoadPictureNumber(18), 4);
    const terrain::Area road = terrain::RoadArea(0);
    EXPECT_EQ(KeptPixel(202, road.x + 2, road.y), terrain::kBridge);
    EXPECT_EQ(KeptPixel(201, road.x + 2, road.y), terrain::kRoad);
    EXPECT_EQ(landscape->GetZ(202), 1) << "a bridge carries things one level up";
    EXPECT_EQ(landscape->GetZ(201), 1);
    EXPECT_EQ(landscape->GetZ(102), 0);
}

TEST(RoadPictures, CodesToPictureNumbers) {
    const std::pair<std::uint16_t, int> cases[] = {{5, 0},  {9, 1},  {17, 2}, {10, 3}, {18, 4}, {34, 5},
                                                   {20, 6}, {36, 7}, {40, 9}, {3, -1}, {24, -1}, {0, -1}};
    for (auto [code, picture] : cases) EXPECT_EQ(PointedIsometricHexLandscape::RoadPictureNumber(code), picture) << code;
}

TEST_F(DrawingTest, CliffBelowAHighHexAndSlopeMasks) {
    TestMap map;
    map.levels[101] = 2;  // display row 1, column 2
    Show(map);
    landscape->DrawAll();
    const short high = landscape->HexNumberToIndex(101);
    const short se = landscape->Neighbour(high, PointedIsometricHexLandscape::SE);
    const short nw = landscape->Neighbour(high, PointedIsometricHexLandscape::NW);
    EXPECT_TRUE(BlockOf(101).HasBitmap(0, 0)) << "south-east cliff";
    EXPECT_TRUE(BlockOf(101).HasBitmap(0, 1)) << "south-west cliff";
    // Right of the hex's bottom point, inside the cliff picture and no hex's ground.
    EXPECT_EQ(KeptPixel(101, 100, 62), terrain::kSeCliff);
    // Its upper neighbours lie lower: both bits of the raised hex; lower neighbours see nothing
    // one level up.
    EXPECT_EQ(landscape->SlopeMask(high), 0x30);
    EXPECT_EQ(landscape->SlopeMask(se), 0);
    EXPECT_EQ(landscape->SlopeMask(nw), 0);
    EXPECT_EQ(KeptPixel(101, kMidX, kMidY), terrain::GroundColour(2, 0));
}

TEST_F(DrawingTest, OneLevelStepsSetTheMasksOfTheLowerSide) {
    TestMap map;
    map.levels[101] = 1;
    Show(map);
    const short high = landscape->HexNumberToIndex(101);
    using L = PointedIsometricHexLandscape;
    EXPECT_EQ(landscape->SlopeMask(landscape->Neighbour(high, L::SE)), 0x2);
    EXPECT_EQ(landscape->SlopeMask(landscape->Neighbour(high, L::SW)), 0x4);
    EXPECT_EQ(landscape->SlopeMask(landscape->Neighbour(high, L::E)), 0x1);
    EXPECT_EQ(landscape->SlopeMask(landscape->Neighbour(high, L::W)), 0x8);
    EXPECT_FALSE(BlockOf(101).HasBitmap(0, 0));
}

TEST_F(DrawingTest, RiverAndEarthworkCornersAndTheHexGrid) {
    TestMap map;
    // Corner 2 lies between the north and north-east sides.
    map.sides[201] = {{1, 1}, {2, 1}, {8, 1}, {4, 3}, {5, 3}};
    Show(map);
    PhysicalBlock& b = BlockOf(201);
    EXPECT_TRUE(b.HasBitmap(2, 2 + 2));
    EXPECT_TRUE(b.HasBitmap(2, 2 + 1)) << "north-west and north carry the river too";
    EXPECT_TRUE(b.HasBitmap(2, 8 + 2)) << "the side before the pair ends the river";
    EXPECT_TRUE(b.HasBitmap(3, 4 + 1)) << "south-east and south: a ditch";
    EXPECT_FALSE(b.HasBitmap(3, 1));
    landscape->DrawAll();
    const terrain::Area river = terrain::RiverArea(0);
    EXPECT_EQ(KeptPixel(201, river.x + 1, river.y + 1), terrain::kRiverEnd);

    EXPECT_EQ(b.IsVisible(4, 0), 0);
    landscape->ShowHexGrid(1);
    EXPECT_EQ(b.IsVisible(4, 0), 1);
    EXPECT_EQ(KeptPixel(100, 0, 32), terrain::kGridLine);
}

TEST_F(DrawingTest, StyleThreeHasNoMinorRiverArt) {
    TestMap map;
    map.style = 3;
    map.sides[201] = {{1, 1}, {2, 1}};
    Show(map);
    EXPECT_FALSE(BlockOf(201).HasBitmap(2, 4));
}

TEST_F(DrawingTest, BorderFillsTheHalfHexAtTheLeftEdge) {
    TestMap map;
    Show(map);
    landscape->DrawAll();
    // Display row 1 starts 65 pixels right: its border half hex lies in x 0..64.
    const int y = 48 + kMidY;
    EXPECT_EQ(landtest::PixelAt(*tile->GetKeptBitmap(), 30, y), terrain::GroundColour(0, 0));
}

class LandscapeBusTest : public LandscapeTest {};

TEST_F(LandscapeBusTest, RequestsWaitForTheMapAndStopAtCloseGame) {
    landscape = MakeLandscape(landtest::kZooms[0]);
    landscape->AttachToBus(app.get());
    TestMap map;
    Container<LandscapeDefinition> begin(map.Definition());
    delete logic->Send(BEGIN_LANDSCAPE, &begin);
    Container<List<LogicalRegion>> all(map.Regions());
    delete logic->Send(CREATE_REGION, &all);
    landscape->HighlightRegion(101, 1);
    EXPECT_EQ(landscape->IsHighlighted(101), 0);
    delete logic->SendEvent(END_LANDSCAPE);
    landscape->HighlightRegion(101, 1);
    EXPECT_EQ(landscape->IsHighlighted(101), 1);
    EXPECT_EQ(landscape->GetMapSize(), Dim(4, 5)) << "the display turns the map a quarter";

    delete logic->SendNamedEvent("CloseGame");
    EXPECT_FALSE(landscape->HasBlock(101));
    landscape->HighlightAll(1);
    EXPECT_EQ(landscape->IsHighlighted(101), 0);
}

TEST_F(LandscapeBusTest, WrongPayloadsAreReportedOrIgnoredAsEachMessageSays) {
    TestMap map;
    Show(map);
    platform::ClearShownMessageBoxes();
    Container<int> stray(5);
    delete logic->Send(CREATE_REGION, &stray);  // ignored without a word
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);

    platform::QueueMessageBoxAnswer(IDNO);
    delete logic->Send(HALF_HIGHLIGHT_REGION, &stray);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_NE(platform::ShownMessageBox(0).text.find("Bad data passed in bus message to function"), std::string::npos);
    EXPECT_NE(platform::ShownMessageBox(0).caption.find("LANDSCAP"), std::string::npos);

    Container<short> where(101);
    ContainerBase* answer = logic->SendNamed("Get Region Location", &where);
    ASSERT_NE(PayloadValue<Point3D>(answer), nullptr);
    EXPECT_EQ(*PayloadValue<Point3D>(answer), BlockOf(101).GetCentre());
    delete answer;
}

TEST_F(LandscapeBusTest, TilesOfAnotherZoomLevelAreRefused) {
    landscape = MakeLandscape(landtest::kZooms[1]);
    landscape->AttachToBus(app.get());
    LandscapeTile full(Dim(1, 1), Point(0, 0), Point(0, 0), Dim(50, 50));
    full.AttachToBus(app.get());
    EXPECT_EQ(full.GetLandscape(), nullptr);
    LandscapeTile half(Dim(1, 1), Point(0, 0), Point(0, 0), Dim(50, 50));
    half.SetLandscapeMode(1);
    half.AttachToBus(app.get());
    EXPECT_EQ(half.GetLandscape(), landscape.get());
    EXPECT_EQ(landscape->GetTiles().Count(), 1);
}

TEST_F(LandscapeBusTest, MissingArtIsReportedOnceAndDrawsNothing) {
    platform::ClearShownMessageBoxes();
    const std::int16_t sizes[2] = {4, 4};
    // Only two ground groups: a hex whose mask has no group draws nothing rather than reading
    // past the group tables; the "Terrain" library stands in for a ground set without sections.
    landscape = std::make_unique<PointedIsometricHexLandscape>(Dim(130, 76), Dim(130, 64), "Terrain", "Terrain",
                                                               "Terrain", "Terrain", "", "Hex Grid", "Hex Outline", 0,
                                                               2, sizes, 0);
    landscape->SetElevationStep(12);
    landscape->AttachToBus(app.get());
    TestMap map;
    map.codes[201] = {3};
    map.levels[101] = 1;
    logic->SendMap(map);
    std::size_t missing = 0;
    for (std::size_t i = 0; i < platform::ShownMessageBoxCount(); ++i)
        if (platform::ShownMessageBox(i).caption == "Missing art") ++missing;
    EXPECT_EQ(missing, 1u) << "the ground section, once for the whole map";
    EXPECT_FALSE(BlockOf(101).HasBitmap(1, 0));
    EXPECT_TRUE(BlockOf(201).HasBitmap(2, 1)) << "the marsh comes from the terrain library";
    Bitmap target(Dim(300, 200), Bitmap::Plain);
    landscape->DrawArea(target, Point(0, 0));  // nothing to draw for the ground, and no crash
}

} // namespace

namespace {

class UntrustedDataTest : public LandscapeTest {};

TEST_F(UntrustedDataTest, CountsAndRegionsOffTheMapReachNothingOutsideTheTable) {
    TestMap map;
    landscape = MakeLandscape(landtest::kZooms[0]);
    landscape->AttachToBus(app.get());
    // The definition claims three regions; the map has twenty: the table follows the map.
    LandscapeDefinition d = map.Definition();
    d.regionCount = 3;
    Container<LandscapeDefinition> begin(d);
    delete logic->Send(BEGIN_LANDSCAPE, &begin);
    List<LogicalRegion> regions = map.Regions();
    LogicalRegion stray;
    stray.number = 0xFFFF;
    regions.AddTail(stray);
    stray.number = 9999;
    regions.AddTail(stray);
    stray.number = 7;  // row 7 of a map of four rows
    regions.AddTail(stray);
    Container<List<LogicalRegion>> all(regions);
    delete logic->Send(CREATE_REGION, &all);
    delete logic->SendEvent(END_LANDSCAPE);
    EXPECT_EQ(landscape->GetBlockCount(), 20);
    EXPECT_TRUE(landscape->HasBlock(402));
    EXPECT_FALSE(landscape->HasBlock(7));
    EXPECT_FALSE(landscape->HasBlock(-1));
    int blocks = 0;
    for (int i = 0; i < landscape->GetBlockCount(); ++i) blocks += landscape->GetBlock(i) != nullptr;
    EXPECT_EQ(blocks, 18) << "twenty hexes less the two half hexes";

    // A plain block landscape drops a region numbered past its table.
    BlockLandscape plain(Dim(10, 10), Dim(10, 10));
    LandscapeDefinition small;
    small.size = Dim(2, 1);
    small.regionCount = 2;
    plain.BeginLandscape(small);
    LogicalRegion far;
    far.number = 5;
    plain.CreateBlock(far);
    EXPECT_EQ(plain.GetBlockCount(), 2);
    EXPECT_EQ(plain.GetBlock(0), nullptr);
    EXPECT_EQ(plain.GetBlock(1), nullptr);
}

TEST_F(UntrustedDataTest, SmallGroupTablesDrawWithoutReachingPastThem) {
    const std::int16_t sizes[1] = {2};
    landscape = std::make_unique<PointedIsometricHexLandscape>(Dim(130, 76), Dim(130, 64), "Ground", "Ground", "Ground",
                                                               "Terrain", "", "Hex Grid", "Hex Outline", 0, 1, sizes, 0);
    landscape->SetElevationStep(12);
    landscape->AttachToBus(app.get());
    TestMap map;
    map.levels[101] = 1;
    logic->SendMap(map);
    // Mask 0 with a group of two: the first pick stands.
    EXPECT_TRUE(BlockOf(300).HasBitmap(1, 0));
    Bitmap target(Dim(600, 300), Bitmap::Plain);
    target.Fill(0);
    landscape->DrawArea(target, Point(0, 0));
    const Point3D at = BlockOf(300).GetPosition();
    EXPECT_EQ(landtest::PixelAt(target, at.x + kMidX, at.y + kMidY), terrain::GroundColour(0, 0));
}

TEST_F(UntrustedDataTest, DamagedGroundArtIsReportedAndLeavesTheGroundOut) {
    data.WriteBytes("GROUND0.QIF", std::vector<std::uint8_t>(300, 0xEE));
    platform::ClearShownMessageBoxes();
    TestMap map;
    Show(map);
    bool damaged = false, missing = false;
    for (std::size_t i = 0; i < platform::ShownMessageBoxCount(); ++i) {
        damaged = damaged || platform::ShownMessageBox(i).caption == "Damaged art";
        missing = missing || platform::ShownMessageBox(i).caption == "Missing art";
    }
    EXPECT_TRUE(damaged);
    EXPECT_TRUE(missing);
    EXPECT_FALSE(BlockOf(101).HasBitmap(1, 0));
    landscape->DrawAll();
    EXPECT_EQ(KeptPixel(101, kMidX, kMidY), 0) << "no ground drawn from a refused file";
}

} // namespace

namespace {

class InFrontTest : public LandscapeTest {};

TEST_F(InFrontTest, RaisedGroundInFrontOfAHexIsDrawnAgain) {
    TestMap map;
    map.levels[201] = 1;  // south-east of 101 on the display
    Show(map);
    using L = PointedIsometricHexLandscape;
    const short i = landscape->HexNumberToIndex(101);
    ASSERT_EQ(landscape->IndexToHexNumber(landscape->Neighbour(i, L::SE)), 201);
    Bitmap target(Dim(600, 300), Bitmap::Plain);
    target.Fill(0);
    landscape->DrawBlocksInFront(target, 102, Point(0, 0));  // nothing higher in front of it
    const Point3D raised = BlockOf(201).GetPosition(), behind = BlockOf(101).GetPosition();
    EXPECT_EQ(landtest::PixelAt(target, raised.x + kMidX, raised.y + kMidY), 0);

    landscape->DrawBlocksInFront(target, 101, Point(0, 0));
    EXPECT_EQ(landtest::PixelAt(target, raised.x + kMidX, raised.y + kMidY), terrain::GroundColour(1, 0));
    const Point3D sw = BlockOf(202).GetPosition(), below = BlockOf(301).GetPosition();
    // Both lie one level below the raised hex: their ground is the group of their slope mask,
    // east neighbour one higher (0x8) and north-east one higher (0x4).
    EXPECT_EQ(landtest::PixelAt(target, sw.x + kMidX, sw.y + kMidY), terrain::GroundColour(0, 0x8));
    EXPECT_EQ(landtest::PixelAt(target, below.x + kMidX, below.y + kMidY + 20), terrain::GroundColour(0, 0x4));
    EXPECT_EQ(landtest::PixelAt(target, behind.x + kMidX, behind.y + 10), 0) << "the hex itself is not drawn";
}

TEST(LandscapeNames, DefaultNames) {
    const std::int16_t sizes[1] = {1};
    BlockLandscape block(Dim(1, 1), Dim(1, 1));
    PointedIsometricHexLandscape pointed(Dim(1, 1), Dim(2, 8), "", "", "", "", "", "", "", 0, 1, sizes, 0);
    LandscapeTile tile(Dim(1, 1), Point(0, 0), Point(0, 0), Dim(1, 1));
    EXPECT_EQ(block.GetName(), "Unnamed BlockLandscape");
    EXPECT_EQ(pointed.GetName(), "Unnamed Flat Isometric Hex Landscape");
    EXPECT_EQ(static_cast<Component&>(tile).GetName(), "Unnamed Landscape Tile");
    EXPECT_EQ(pointed.GetCellSize(), Dim(1, 3));
}

} // namespace
