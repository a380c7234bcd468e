// The game's landscape: one per zoom and orientation with the game's art, battle arrows as the
// game logic sends them (drawn and taken away), the hex to move to, the tiles of a changed view,
// and its part of the saved game (byte-exact, shared by both orientations, damaged parts refused).
#include "landscape/vh_landscape.h"
#include "tests/landscape/view_fixture.h"
#include "ui/viewport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using namespace landtest;

TestMap GameMap() {
    TestMap map;
    map.columns = 6;
    map.rows = 5;
    map.levels = {{203, 1}, {302, 1}};
    return map;
}

class GameLandscape : public ViewTest {
protected:
    void TearDown() override {
        tile.reset();
        others.clear();
        game.reset();
        ViewTest::TearDown();
    }
    VhLandscape& Make(std::uint16_t options, const TestMap& map = GameMap()) {
        game.reset(VhLandscape::CreateLandscape(options));
        game->AttachToBus(app.get());
        logic->SendMap(map);
        return *game;
    }
    // Another landscape on the bus beside the first, made before the map is sent.
    VhLandscape& Another(std::uint16_t options) {
        others.emplace_back(VhLandscape::CreateLandscape(options));
        others.back()->AttachToBus(app.get());
        return *others.back();
    }
    void Send(const char* name, ContainerBase* payload) {
        delete recorder.SendNamed(name, payload);
        Drain();
    }
    void SendArrow(const char* name, short from, short to, DIRECTION d) {
        Container<BattleArrowStruct> arrow(BattleArrowStruct(from, to, d));
        Send(name, &arrow);
    }
    // The landscape with its sprites drawn over it, at origin.
    Bitmap& View(VhLandscape& l, const Point& origin = Point(0, 0)) {
        view = std::make_unique<Bitmap>(Dim(400, 300), Bitmap::Plain);
        l.DrawArea(*view, origin);
        for (Item<Sprite*>* i = l.Sprites().Head(); i; i = i->next) i->value->Draw(*view, origin);
        return *view;
    }
    std::string SavedGame(const std::vector<std::uint8_t>& bytes) {
        const std::string path = data.Data() + "/saved.sav";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    static std::vector<std::uint8_t> Bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    std::unique_ptr<VhLandscape> game;
    std::vector<std::unique_ptr<VhLandscape>> others;
    std::unique_ptr<Bitmap> view;
};

TEST_F(GameLandscape, EachZoomIsBuiltWithItsOwnArtNameAndSizes) {
    struct Case {
        std::uint16_t asked;
        std::uint16_t options;
        const char* name;
        std::int16_t step;
        Dim tileCell;
        bool full;
    };
    const Case cases[] = {
        {0, 0, "VhLandscapeNormal", 12, Dim(65, 32), true},
        {4, 4, "VhLandscapeNormal", 12, Dim(65, 32), true},
        {1, 1, "VhLandscapeZO", 6, Dim(33, 16), false},
        {3, 2, "VhLandscapeZO2", 3, Dim(17, 8), false},
        {6, 6, "VhLandscapeZO2", 3, Dim(17, 8), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        std::unique_ptr<VhLandscape> l(VhLandscape::CreateLandscape(c.asked));
        EXPECT_EQ(l->GetOptions(), c.options);
        EXPECT_EQ(l->GetName(), c.name);
        EXPECT_EQ(l->GetElevationStep(), c.step);
        EXPECT_EQ(l->TileCellSize(), c.tileCell);
        EXPECT_EQ(l->IsFullSize(), c.full);
        EXPECT_EQ(l->ArrowArt(0) != nullptr, c.full);
        ASSERT_NE(l->GetBackground(), nullptr);
    }
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);
}

TEST_F(GameLandscape, ABattleArrowIsShownOnceDrawnAtItsHexAndTakenAwayAgain) {
    VhLandscape& l = Make(0);
    const std::vector<std::uint8_t> bare = PixelsOf(View(l));
    recorder.invalidated.clear();
    SendArrow("AddBattleArrow", 102, 103, North);
    SendArrow("AddBattleArrow", 102, 103, South);  // equal: the same two hexes
    ASSERT_EQ(l.Arrows().size(), 1u);
    auto* sprite = dynamic_cast<LandscapeSprite*>(l.Arrows()[0].sprite);
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(l.Sprites().Count(), 1);
    EXPECT_EQ(sprite->GetObjectId(), 102);
    // North turned two steps clockwise is the art's east: picture 2.
    EXPECT_EQ(sprite->GetFrameInfo().frame, 2);
    ASSERT_EQ(recorder.invalidated.size(), 1u);
    EXPECT_EQ(recorder.invalidated[0], std::vector<Box>{sprite->GetRect()});

    // Drawn below the middle of its hex's block.
    const Point3D block = l.GetBlock(l.HexNumberToIndex(102))->GetPosition();
    const Point3D at = sprite->GetPosition();
    EXPECT_EQ(at, Point3D(block.x + 65, block.y + 64, block.z));
    EXPECT_EQ(PixelAt(View(l), at.x, at.y - 1), terrain::kArrow + 2);

    // An arrow that is not shown is not removed.
    SendArrow("RemoveBattleArrow", 103, 102, North);
    EXPECT_EQ(l.Arrows().size(), 1u);
    SendArrow("RemoveBattleArrow", 102, 103, East);
    EXPECT_TRUE(l.Arrows().empty());
    EXPECT_TRUE(l.Sprites().IsEmpty());
    EXPECT_EQ(recorder.destroyed, std::vector<Sprite*>{sprite});
    EXPECT_EQ(PixelsOf(View(l)), bare);
}

TEST_F(GameLandscape, AFlippedLandscapeTurnsItsArrowsTheOtherWay) {
    VhLandscape& l = Make(4);
    SendArrow("AddBattleArrow", 102, 103, North);
    ASSERT_EQ(l.Arrows().size(), 1u);
    // North turned two steps anticlockwise is west: picture 6.
    EXPECT_EQ(dynamic_cast<LandscapeSprite*>(l.Arrows()[0].sprite)->GetFrameInfo().frame, 6);
}

TEST_F(GameLandscape, RemoveAllTakesEveryArrowAndOnlyFullSizeLandscapesShowThem) {
    VhLandscape& l = Make(0);
    VhLandscape& half = Another(1);
    SendArrow("AddBattleArrow", 102, 103, North);
    SendArrow("AddBattleArrow", 203, 204, SouthEast);
    SendArrow("AddBattleArrow", 304, 303, NorthWest);
    EXPECT_EQ(l.Arrows().size(), 3u);
    EXPECT_TRUE(half.Arrows().empty());
    recorder.destroyed.clear();
    delete recorder.SendNamedEvent("RemoveAllBattleArrows");
    Drain();
    EXPECT_TRUE(l.Arrows().empty());
    EXPECT_TRUE(l.Sprites().IsEmpty());
    EXPECT_EQ(recorder.destroyed.size(), 3u);
}

TEST_F(GameLandscape, TheHexToMoveToIsOutlinedOnTheTileAndCleared) {
    VhLandscape& l = Make(0);
    tile = std::make_unique<LandscapeTile>(Dim(1, 1), Point(0, 0), Point(0, 0), Dim(400, 300));
    tile->AttachToBus(app.get());
    tile->Attach(window.get(), LayoutConstraints::Pixels(Box(0, 0, 400, 300)));
    tile->Redraw();
    ASSERT_EQ(tile->GetLandscape(), &l);
    auto outlined = [&] {
        const auto pixels = PixelsOf(*tile);
        return std::count(pixels.begin(), pixels.end(), terrain::kOutlineLine);
    };
    ASSERT_EQ(outlined(), 0);
    Container<std::uint16_t> hex(203);
    Send("ShowHexToMoveTo", &hex);
    EXPECT_GT(outlined(), 0);
    EXPECT_EQ(PixelsOf(*tile), FreshView(l));
    Send("HideHexToMoveTo", &hex);
    EXPECT_EQ(outlined(), 0);
    EXPECT_EQ(PixelsOf(*tile), FreshView(l));
}

TEST_F(GameLandscape, AChangedViewGoesToTheLandscapeOfItsNewZoomOnly) {
    VhLandscape& full = Make(0);
    VhLandscape& half = Another(1);
    LandscapeTile t(Dim(65, 32), Point(0, 0), Point(0, 0), Dim(100, 100));
    delete full.AddTile(&t);
    t.SetLandscape(&full);
    ViewportInfo info;
    info.Set(nullptr, &t, 0, 1);
    Container<ViewportInfo> change(info);
    Send("Change Viewport", &change);
    EXPECT_EQ(t.GetLandscape(), &half);
    EXPECT_TRUE(half.GetTiles().Contains(&t));
    EXPECT_FALSE(full.GetTiles().Contains(&t));
    EXPECT_EQ(t.GetCellSize(), Dim(33, 16));
    EXPECT_EQ(t.GetLandscapeMode(), 1);

    // A request naming neither of its words leaves the half-size landscape alone.
    info.Set(nullptr, &t, 2, 4);
    Container<ViewportInfo> other(info);
    Send("Change Viewport", &other);
    EXPECT_EQ(t.GetLandscape(), &half);
    EXPECT_TRUE(half.GetTiles().Contains(&t));

    info.Set(nullptr, &t, 1, 0);
    Container<ViewportInfo> back(info);
    Send("Change Viewport", &back);
    EXPECT_EQ(t.GetLandscape(), &full);
    EXPECT_FALSE(half.GetTiles().Contains(&t));
    EXPECT_EQ(t.GetCellSize(), Dim(65, 32));
    EXPECT_EQ(t.GetLandscapeMode(), 0);
}

TEST_F(GameLandscape, BothOrientationsShareOneTableAndEachRestoresOnlyItsOwn) {
    VhLandscape& normal = Make(0);
    VhLandscape& flipped = Another(4);
    logic->SendMap(GameMap());  // the second landscape hears the map too
    SendArrow("AddBattleArrow", 102, 103, SouthEast);
    // Arrows come to both; the flipped one keeps a second of its own and a fallen figure.
    flipped.AddBattleArrow(BattleArrowStruct(203, 204, North));
    auto* figure = new LandscapeSprite(302, Point3D(40, 50, 1), SpriteFrame{"Arrows", 3}, Sprite::kNoLayer, nullptr, 1,
                                       flipped.ArrowArt(0), flipped.ArrowArt(1), flipped.ArrowArt(2), 4);
    figure->SetIgnoresPointer(true);
    flipped.AddDeadSprite(figure);

    const std::string path = SavedGame(std::vector<std::uint8_t>(8, 0));
    Container<std::string> name(path);
    Send("SaveGame", &name);

    std::vector<std::uint8_t> expected = {8, 0, 0, 0, 0, 0, 0, 0,
                                          // the table at 8: the normal block at 18, the flipped at 30
                                          18, 0, 0, 0, 30, 0, 0, 0,
                                          // no scars
                                          0, 0,
                                          // the normal landscape: one arrow, no sprites
                                          1, 0, 102, 0, 103, 0, 4, 0, 0, 0, 0, 0,
                                          // the flipped one: two arrows, then one sprite
                                          2, 0, 102, 0, 103, 0, 4, 0, 0, 0, 203, 0, 204, 0, 1, 0, 0, 0, 1, 0};
    const std::vector<std::uint8_t> written = Bytes(path);
    ASSERT_GT(written.size(), expected.size());
    EXPECT_EQ(std::vector<std::uint8_t>(written.begin(), written.begin() + static_cast<long>(expected.size())),
              expected);

    // Fresh landscapes of the same map take back what each saved.
    game.reset();
    others.clear();
    VhLandscape& normal2 = Make(0);
    VhLandscape& flipped2 = Another(4);
    logic->SendMap(GameMap());
    (void)normal;
    Send("LoadGame", &name);
    ASSERT_EQ(normal2.Arrows().size(), 1u);
    EXPECT_EQ(normal2.Arrows()[0].arrow, BattleArrowStruct(102, 103, SouthEast));
    EXPECT_EQ(normal2.Arrows()[0].arrow.direction, SouthEast);
    EXPECT_EQ(normal2.Sprites().Count(), 1);
    ASSERT_EQ(flipped2.Arrows().size(), 2u);
    EXPECT_EQ(flipped2.Arrows()[1].arrow.from, 203);
    EXPECT_EQ(flipped2.Sprites().Count(), 3);
    ASSERT_EQ(flipped2.DeadSprites().Count(), 1);
    const auto* back = dynamic_cast<const LandscapeSprite*>(flipped2.DeadSprites().Head()->value);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetPosition(), Point3D(40, 50, 1));
    EXPECT_EQ(back->GetFrameInfo().sequence, "Arrows");
    EXPECT_EQ(back->GetFrameInfo().frame, 3);
    EXPECT_EQ(back->GetFlag(), 4);
    ASSERT_NE(back->Art(0), nullptr);
    EXPECT_EQ(back->Art(0)->GetName(), "Battle Arrows");
    EXPECT_NE(back->GetFrame(), nullptr);

    // Saving the restored game writes the same blocks again.
    const std::string again = SavedGame(std::vector<std::uint8_t>(8, 0));
    Container<std::string> againName(again);
    Send("SaveGame", &againName);
    EXPECT_EQ(Bytes(again), written);
}

TEST_F(GameLandscape, ScarsSavedInTheTableAreShownOnEveryZoom) {
    VhLandscape& half = Make(1);
    // A header pointing at a table without blocks, and a scar list of one raised hex.
    const std::string path = SavedGame({8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 203 & 0xFF, 0});
    Container<std::string> name(path);
    Send("LoadGame", &name);
    EXPECT_EQ(half.ScarHexes().Count(), 1);
    PhysicalBlock* b = half.GetBlock(half.HexNumberToIndex(203));
    ASSERT_NE(b, nullptr);
    ASSERT_NE(b->GetBitmap(2, 30), nullptr);
    EXPECT_EQ(b->IsVisible(2, 30), 1);
}

TEST_F(GameLandscape, ADamagedSavedPartIsRefusedWholeWithAMessage) {
    // A good file: the table at 8, one scar, the normal block at 20 with one arrow and one sprite.
    std::vector<std::uint8_t> good = {8, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0, 1, 0, 102, 0,
                                      1, 0, 102, 0, 103, 0, 4, 0, 0, 0, 1, 0};
    {
        // The sprite: three art names, then its record.
        SuperString s;
        s << std::string("Battle Arrows") << std::string() << std::string();
        LandscapeSprite sprite(302, Point3D(1, 2, 0), SpriteFrame{"Arrows", 1}, Sprite::kNoLayer, nullptr, 1, nullptr,
                               nullptr, nullptr, 0);
        sprite.Save(s);
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(s.Length()));
        s.Read(bytes.data(), s.Length());
        good.insert(good.end(), bytes.begin(), bytes.end());
    }
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    auto cut = [&](std::size_t n) { return std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<long>(n)); };
    auto with = [&](std::size_t at, std::uint8_t v) {
        auto b = good;
        b[at] = v;
        return b;
    };
    const std::size_t zoomAt = good.size() - 8;  // zoom u16, hidden, ignores pointer, flag follow
    const Case cases[] = {
        {"table past the end", with(0, 200)},
        {"scar list longer than the file", with(16, 90)},
        {"block past the end", with(8, 250)},
        {"arrow list cut short", cut(24)},
        {"arrow direction out of range", with(26, 9)},
        {"sprite count with no sprite", cut(32)},
        {"sprite record cut short", cut(good.size() - 3)},
        {"sprite zoom out of range", with(zoomAt, 7)},
    };
    // The good file loads.
    {
        VhLandscape& l = Make(0);
        EXPECT_TRUE(l.LoadGame(SavedGame(good)));
        EXPECT_EQ(l.Arrows().size(), 1u);
        EXPECT_EQ(l.Sprites().Count(), 2);
        EXPECT_EQ(l.ScarHexes().Count(), 1);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VhLandscape& l = Make(0);
        platform::ClearShownMessageBoxes();
        EXPECT_FALSE(l.LoadGame(SavedGame(c.bytes)));
        EXPECT_TRUE(l.Arrows().empty());
        EXPECT_TRUE(l.Sprites().IsEmpty());
        EXPECT_TRUE(l.ScarHexes().IsEmpty());
        EXPECT_EQ(platform::ShownMessageBoxCount(), 1u);
    }
}

} // namespace

namespace {

using namespace landtest;

class HexPaths : public GameLandscape {};

TEST_F(HexPaths, AWalkStartedBesideTheEdgeEndsAtOnce) {
    VhLandscape& l = Make(0);
    // A hex of the top display row: its north-east neighbour lies off the map.
    const short top = l.IndexToHexNumber(static_cast<short>(2));
    ASSERT_LT(l.HexNeighbour(top, 2), 0);
    const List<short> path = l.HexPath(top, 2);
    ASSERT_EQ(path.Count(), 1);
    EXPECT_EQ(path.Head()->value, top);
}

TEST_F(HexPaths, AWalkStepsFromNeighbourToNeighbourAndShunsTheNearestEdgesWay) {
    TestMap map;
    map.columns = 12;
    map.rows = 12;
    VhLandscape& l = Make(0, map);
    const int columns = l.GetMapSize().width, rows = l.GetMapSize().height;
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        l.SeedArtRandom(seed);
        // Two columns from the left edge, half way down.
        const short start = l.IndexToHexNumber(static_cast<short>((rows / 2) * columns + 2));
        ASSERT_TRUE(l.HasBlock(start));
        const List<short> path = l.HexPath(start, 7);
        ASSERT_GE(path.Count(), 1);
        EXPECT_EQ(path.Head()->value, start);
        for (Item<short>* i = path.Head(); i && i->next; i = i->next) {
            const int d = l.HexDirection(i->value, i->next->value);
            ASSERT_NE(d, 0) << i->value << " -> " << i->next->value;
            const int index = l.HexNumberToIndex(i->value);
            const int c = index % columns, r = index / columns;
            if (c < columns - c && c < r && c < rows - r) {
                EXPECT_NE(d, 3);
            }
        }
        // It ends beside the edge: one of the three ways onward leaves the map.
        const short last = path.Tail()->value;
        bool besideEdge = false;
        for (int d : {2, 3, 4, 6, 7, 8}) besideEdge = besideEdge || l.HexNeighbour(last, d) < 0;
        EXPECT_TRUE(besideEdge);
    }
}

} // namespace
