// The sprites that live on a hex landscape: the terrain features made as sprites (trees, stones,
// buildings, walls), the physical layer hearing of each and keeping them in drawing order, sparse
// mode, sprites handed over and dead figures, and sprites let go safely.
#include "landscape/landscape_sprite.h"
#include "landscape/physical/physical_layer.h"
#include "landscape/vh_landscape.h"
#include "tests/landscape/view_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace landtest;

TestMap GameMap() {
    TestMap map;
    map.columns = 6;
    map.rows = 5;
    return map;
}

class LandscapeSprites : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        layer = std::make_unique<PhysicalLayer>();
        layer->AttachToBus(app.get());
        // The map reaches the landscape on its layer's bus, as the game's layers hear it.
        logic->DetachFromBus();
        logic->AttachToBus(layer.get());
        recorder.DetachFromBus();
        recorder.AttachToBus(layer.get());
    }
    void TearDown() override {
        landscape.reset();
        logic->DetachFromBus();
        recorder.DetachFromBus();
        layer.reset();
        ViewTest::TearDown();
    }

    // A landscape with terrain sprites (option 0x2, the quarter-size zoom bits) on the layer.
    PointedIsometricHexLandscape& WithSprites(const TestMap& map, std::uint16_t flipped = 0, bool send = true) {
        const Zoom& z = kZooms[2];
        const std::string s = terrain::Suffix(2);
        landscape = std::make_unique<PointedIsometricHexLandscape>(
            z.block, z.cell, (terrain::kGround + s).c_str(), (terrain::kGround + s).c_str(),
            (terrain::kGround + s).c_str(), (terrain::kTerrain + s).c_str(), terrain::kLandscapeOverlays,
            (terrain::kGrid + s).c_str(), (terrain::kOutline + s).c_str(), 0, 16, kGroupSizes,
            static_cast<std::uint16_t>(0x2 | flipped));
        landscape->SetElevationStep(z.elevationStep);
        landscape->AttachToBus(layer.get());
        if (send) logic->SendMap(map);
        return *landscape;
    }
    // A full-size landscape without terrain sprites, which takes sprites handed over.
    PointedIsometricHexLandscape& FullSize(const TestMap& map) {
        landscape = MakeLandscape(kZooms[0]);
        landscape->AttachToBus(layer.get());
        logic->SendMap(map);
        return *landscape;
    }

    std::vector<const LandscapeSprite*> SpritesOf(int hex, const char* section) const {
        std::vector<const LandscapeSprite*> out;
        for (Item<Sprite*>* i = landscape->Sprites().Head(); i; i = i->next) {
            const auto* s = dynamic_cast<const LandscapeSprite*>(i->value);
            if (s && s->GetObjectId() == hex && s->GetFrameInfo().sequence == section) out.push_back(s);
        }
        return out;
    }
    void ToggleSparse(short value) {
        Container<short> v(value);
        delete recorder.SendNamed("ToggleSparseLandscape", &v);
        Drain();
    }
    LandscapeSprite* Loose(short hex, std::uint8_t colourPicture = 0) {
        QIF<Bitmap>* art = landscape->SpriteArt(0);
        (void)art;
        return new LandscapeSprite(static_cast<std::uint16_t>(hex), Point3D(100, 100, 0),
                                   SpriteFrame{"Trees", static_cast<std::int16_t>(colourPicture)}, Sprite::kNoLayer,
                                   nullptr, 1, nullptr, nullptr, nullptr, 0);
    }

    std::unique_ptr<PhysicalLayer> layer;
};

TEST_F(LandscapeSprites, TreesStonesBuildingsAndWallsBecomeSpritesAnnouncedToTheLayerInDrawingOrder) {
    TestMap map;
    map.columns = 3;
    map.rows = 15;
    map.codes = {{101, {1}}, {102, {2}}, {203, {17}}, {113, {17}}};
    map.sides = {{104, {{5, 2}, {6, 2}}}, {105, {{8, 2}}}, {106, {{6, 2}, {8, 2}}}};
    auto& l = WithSprites(map);
    Drain();

    const auto trees = SpritesOf(101, "Trees");
    ASSERT_TRUE(trees.size() == 6 || trees.size() == 7) << trees.size();
    // Every tree but the one at the hex's own point is sparse; that one shows picture 0.
    EXPECT_EQ(l.SparseSprites().Count(), static_cast<int>(trees.size()) - 1);
    EXPECT_FALSE(l.SparseSprites().Contains(const_cast<LandscapeSprite*>(trees.back())));
    EXPECT_EQ(trees.back()->GetFrameInfo().frame, 0);
    for (const LandscapeSprite* t : trees) {
        EXPECT_NE(t->GetFrame(), nullptr);
        EXPECT_EQ(t->GetZoom(), 2);
    }
    ASSERT_EQ(SpritesOf(102, "Stones").size(), 1u);
    EXPECT_LT(SpritesOf(102, "Stones")[0]->GetFrameInfo().frame, 2);

    // A building shows the picture of its hex number, 33 being passed over for 34.
    ASSERT_EQ(SpritesOf(203, "Building").size(), 1u);
    EXPECT_EQ(SpritesOf(203, "Building")[0]->GetFrameInfo().frame, 203 % 40);
    ASSERT_EQ(SpritesOf(113, "Building").size(), 1u);
    EXPECT_EQ(SpritesOf(113, "Building")[0]->GetFrameInfo().frame, 34);

    // Walls on the south, south-west and north-west sides: pictures by the walls beside them.
    struct Wall {
        int hex;
        std::vector<int> pictures;
    };
    for (const Wall& w : {Wall{104, {0, 2}}, Wall{105, {2}}, Wall{106, {1, 1}}}) {
        std::vector<int> got;
        for (const LandscapeSprite* s : SpritesOf(w.hex, "Walls")) got.push_back(s->GetFrameInfo().frame);
        EXPECT_EQ(got, w.pictures) << w.hex;
    }

    // The layer heard of every sprite and keeps them all, in drawing order.
    EXPECT_EQ(recorder.created.size(), static_cast<std::size_t>(l.Sprites().Count()));
    EXPECT_EQ(layer->Sprites().Count(), l.Sprites().Count());
    EXPECT_TRUE(layer->CheckDrawingOrder());
    EXPECT_TRUE(layer->Check());
}

TEST_F(LandscapeSprites, AFlippedLandscapeReadsItsWallsOnTheOppositeSides) {
    TestMap map;
    map.columns = 3;
    map.rows = 4;
    map.sides = {{101, {{1, 2}}}, {102, {{5, 2}}}};
    WithSprites(map, IsometricHexLandscape::kFlipped);
    ASSERT_EQ(SpritesOf(101, "Walls").size(), 1u);
    EXPECT_EQ(SpritesOf(101, "Walls")[0]->GetFrameInfo().frame, 0);
    EXPECT_TRUE(SpritesOf(102, "Walls").empty());
}

TEST_F(LandscapeSprites, SparseModeHidesTheSparseTreesOnceAndShowsThemAgain) {
    TestMap map;
    map.columns = 3;
    map.rows = 4;
    map.codes = {{101, {1}}, {202, {1}}};
    auto& l = WithSprites(map);
    Drain();
    const int sparse = l.SparseSprites().Count();
    ASSERT_GE(sparse, 10);
    auto hidden = [&] {
        int n = 0;
        for (Item<Sprite*>* i = l.Sprites().Head(); i; i = i->next) n += i->value->IsHidden() ? 1 : 0;
        return n;
    };

    recorder.invalidated.clear();
    ToggleSparse(1);
    EXPECT_EQ(hidden(), sparse);
    ASSERT_EQ(recorder.invalidated.size(), 1u);
    EXPECT_EQ(recorder.invalidated[0].size(), static_cast<std::size_t>(sparse));
    // Hidden boxes are those the trees stood on: none is empty.
    for (const Box& b : recorder.invalidated[0]) EXPECT_FALSE(b.IsEmpty());

    ToggleSparse(1);  // no change: nothing hidden again, nothing redrawn
    EXPECT_EQ(recorder.invalidated.size(), 1u);

    recorder.created.clear();
    ToggleSparse(0);
    EXPECT_EQ(hidden(), 0);
    EXPECT_EQ(recorder.invalidated.size(), 2u);
    EXPECT_EQ(recorder.created.size(), static_cast<std::size_t>(sparse));
}

TEST_F(LandscapeSprites, SparseModeSetBeforeTheMapIsCompleteOnlyRecordsTheFlag) {
    TestMap map;
    map.columns = 3;
    map.rows = 4;
    map.codes = {{101, {1}}};
    auto& l = WithSprites(map, 0, false);
    ToggleSparse(1);
    EXPECT_TRUE(l.IsSparse());
    EXPECT_TRUE(recorder.invalidated.empty());
    logic->SendMap(map);
    Drain();
    // The trees made after it are hidden as they are made, all but the permanent one.
    int hidden = 0;
    for (Item<Sprite*>* i = l.Sprites().Head(); i; i = i->next) hidden += i->value->IsHidden() ? 1 : 0;
    EXPECT_EQ(hidden, l.SparseSprites().Count());
    EXPECT_EQ(hidden, l.Sprites().Count() - 1);
}

TEST_F(LandscapeSprites, HandedOverAndDeadSpritesAndTheirRemoval) {
    TestMap map;
    map.columns = 3;
    map.rows = 4;
    auto& l = FullSize(map);
    LandscapeSprite* handed = Loose(101);
    Container<Sprite*> payload(handed);
    delete recorder.SendNamed("AddSpriteToLandscape", &payload);
    Drain();
    EXPECT_TRUE(l.Sprites().Contains(handed));
    EXPECT_EQ(recorder.created, std::vector<Sprite*>{handed});
    // Handed over twice, it is still held (and later deleted) once.
    delete recorder.SendNamed("AddSpriteToLandscape", &payload);
    Drain();
    EXPECT_EQ(l.Sprites().Count(), 1);

    // No dead sprites: the redraw request still goes out, with no boxes.
    recorder.invalidated.clear();
    delete recorder.SendNamedEvent("RemoveDeadSprites");
    Drain();
    ASSERT_EQ(recorder.invalidated.size(), 1u);
    EXPECT_TRUE(recorder.invalidated[0].empty());

    LandscapeSprite* dead = Loose(102);
    LandscapeSprite* dead2 = Loose(103);
    l.AddDeadSprite(dead);
    l.AddDeadSprite(dead2);
    recorder.invalidated.clear();
    delete recorder.SendNamedEvent("RemoveDeadSprites");
    Drain();
    EXPECT_TRUE(dead->IsHidden());
    EXPECT_TRUE(dead2->IsHidden());
    EXPECT_FALSE(handed->IsHidden());
    EXPECT_TRUE(l.DeadSprites().IsEmpty());
    EXPECT_EQ(l.Sprites().Count(), 3);  // hidden, not deleted
    ASSERT_EQ(recorder.invalidated.size(), 1u);
    EXPECT_EQ(recorder.invalidated[0].size(), 2u);
}

TEST_F(LandscapeSprites, ADestroyedSpriteLeavesEveryListAndTheLayer) {
    TestMap map;
    map.columns = 3;
    map.rows = 4;
    map.codes = {{101, {1}}};
    auto& l = WithSprites(map);
    Drain();
    Sprite* tree = l.SparseSprites().Head()->value;
    ASSERT_TRUE(layer->Sprites().Contains(tree));
    l.DestroySprite(tree);
    EXPECT_EQ(recorder.destroyed, std::vector<Sprite*>{tree});
    EXPECT_FALSE(l.Sprites().Contains(tree));
    // Sparse mode no longer reaches for it.
    EXPECT_FALSE(l.SparseSprites().Contains(tree));
    EXPECT_FALSE(layer->Sprites().Contains(tree));
    ToggleSparse(1);

    // A dead sprite destroyed before "RemoveDeadSprites" is not hidden afterwards.
    LandscapeSprite* dead = Loose(102);
    l.AddDeadSprite(dead);
    l.DestroySprite(dead);
    EXPECT_TRUE(l.DeadSprites().IsEmpty());

    // A sprite the landscape does not hold is not its to delete.
    LandscapeSprite stranger(101, Point3D(), SpriteFrame{"Trees", 0}, Sprite::kNoLayer, nullptr, 1, nullptr, nullptr,
                             nullptr, 0);
    recorder.destroyed.clear();
    l.DestroySprite(&stranger);
    EXPECT_TRUE(recorder.destroyed.empty());
}

TEST_F(LandscapeSprites, ClosingTheGameLetsTheLayerForgetEverySpriteBeforeItIsDeleted) {
    TestMap map;
    map.columns = 3;
    map.rows = 4;
    map.codes = {{101, {1}}, {102, {2}}};
    auto& l = WithSprites(map);
    Drain();
    const int count = l.Sprites().Count();
    ASSERT_GT(count, 0);
    recorder.destroyed.clear();
    l.Close();
    EXPECT_EQ(recorder.destroyed.size(), static_cast<std::size_t>(count));
    EXPECT_TRUE(l.Sprites().IsEmpty());
    EXPECT_TRUE(l.SparseSprites().IsEmpty());
    EXPECT_TRUE(layer->Sprites().IsEmpty());
}

TEST_F(LandscapeSprites, SpritesDrawnInTheLayersOrderShowTheFrontOneWhereTheyOverlap) {
    TestMap map;
    map.columns = 3;
    map.rows = 4;
    auto& l = WithSprites(map);
    QIF<Bitmap>* art[3] = {l.SpriteArt(0), l.SpriteArt(1), l.SpriteArt(2)};
    // Two stones overlapping, the lower one in front.
    auto* back = new LandscapeSprite(101, Point3D(20, 20, 0), SpriteFrame{"Stones", 0}, Sprite::kNoLayer, nullptr, 1,
                                     art[0], art[1], art[2], 0);
    auto* front = new LandscapeSprite(101, Point3D(22, 22, 0), SpriteFrame{"Stones", 1}, Sprite::kNoLayer, nullptr, 1,
                                      art[0], art[1], art[2], 0);
    l.AddSprite(front);
    l.AddSprite(back);
    Drain();
    Bitmap view(Dim(40, 40), Bitmap::Plain);
    view.Fill(0);
    for (Item<Sprite*>* i = layer->Sprites().Head(); i; i = i->next) i->value->Draw(view, Point(0, 0));
    // Full-size stones are 8 x 8 with the hot spot at the middle of the bottom row.
    EXPECT_EQ(PixelAt(view, 20, 18), terrain::kStones + 1);
    EXPECT_EQ(PixelAt(view, 17, 14), terrain::kStones + 0);
    EXPECT_EQ(PixelAt(view, 30, 30), 0);
}

TEST_F(LandscapeSprites, AGameLandscapeGoingAwayLetsTheLayerForgetItsArrowsFirst) {
    std::unique_ptr<VhLandscape> game(VhLandscape::CreateLandscape(0));
    game->AttachToBus(layer.get());
    logic->SendMap(GameMap());
    game->AddBattleArrow(BattleArrowStruct(102, 103, North));
    game->AddBattleArrow(BattleArrowStruct(203, 204, South));
    Drain();
    ASSERT_EQ(layer->Sprites().Count(), 2);
    game.reset();
    EXPECT_TRUE(layer->Sprites().IsEmpty());
}

} // namespace
