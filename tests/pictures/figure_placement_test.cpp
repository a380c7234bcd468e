#include "tests/pictures/pictures_fixture.h"

namespace pictest {
namespace {

using PlacementTest = PictureLayerTest;

// Hex 12 stands at (120, 48).
Point At(int x, int y) { return Point(static_cast<std::int16_t>(120 + x), static_cast<std::int16_t>(48 + y)); }

TEST_F(PlacementTest, FootFiguresStandByFacingAndFormation) {
    struct Case {
        std::uint32_t facing;
        std::uint16_t line;  // recordFlag: 1 in line, 0 in column (a quarter turn)
        std::uint32_t usedFacing;
        Point first, last;  // slots 0 and 7 in the used facing
        std::int16_t firstValue, lastValue;
    };
    const Case cases[] = {
        {1, 1, 1, At(-32, -5), At(33, 16), 4, 5},
        {1, 0, 3, At(15, -11), At(-15, 31), 1, 8},
        {7, 0, 1, At(-32, -5), At(33, 16), 4, 5},
        {8, 0, 2, At(-22, -6), At(8, 32), 1, 8},
        {5, 1, 5, At(33, 16), At(-32, -5), 5, 4},
        {8, 1, 8, At(-40, 27), At(44, 5), 7, 2},
    };
    for (const Case& c : cases) {
        auto* p = new TestPicture(TestPicture::Foot, 12, c.facing);
        p->SetRecordFlag(c.line);
        Place(p);
        ASSERT_EQ(p->GetFigureCount(), 8);
        EXPECT_EQ(p->GetFigureFacing(), c.usedFacing);
        EXPECT_EQ(p->GetFigureSprite(0)->GetZoomPosition(0), c.first) << "facing " << c.facing << " line " << c.line;
        EXPECT_EQ(p->GetFigureSprite(7)->GetZoomPosition(0), c.last) << "facing " << c.facing << " line " << c.line;
        EXPECT_EQ(p->GetFigureSprite(0)->GetValue(), c.firstValue);
        EXPECT_EQ(p->GetFigureSprite(7)->GetValue(), c.lastValue);
        // The frame follows the unit's own facing, not the quarter turn.
        EXPECT_EQ(p->GetFigureSprite(3)->GetCurrentFrame(), FrameInfo("Standing", static_cast<std::int16_t>(c.facing - 1)));
    }
}

TEST_F(PlacementTest, FootFiguresKeepTheirSlotsStatesAndStepUps) {
    auto* p = Place(new TestPicture(TestPicture::Foot, 12, 2));
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(p->GetFigureSlot(static_cast<std::int16_t>(i)), i);
        EXPECT_EQ(p->GetFigureState(static_cast<std::int16_t>(i)), 0);
        EXPECT_EQ(p->GetSlotOffsets(static_cast<std::int16_t>(i))[0], Point3D());
    }
    EXPECT_EQ(p->GetSlotOffsets(2)[6], Point3D(-30, 12, 0));
    EXPECT_EQ(p->GetSlotFrames(2)[6], 4);
    const std::int16_t* ups = p->StepUps();
    EXPECT_EQ(std::vector<std::int16_t>(ups, ups + 8), (std::vector<std::int16_t>{4, 5, 6, 7, -1, -1, -1, -1}));
    EXPECT_EQ(p->GetFigureSprite(0)->AllSoundsEnabled(), 1);
    EXPECT_EQ(p->GetFigureSprite(1)->AllSoundsEnabled(), 0);
    // Each figure was announced, then the flag.
    EXPECT_EQ(listener.created.size(), 9u);
    EXPECT_EQ(listener.created.back(), p->GetFlag());
}

TEST_F(PlacementTest, MountedFiguresStandBySixSlotsWithoutValues) {
    auto* p = Place(new TestPicture(TestPicture::Mounted, 12, 4));
    ASSERT_EQ(p->GetFigureCount(), 6);
    EXPECT_EQ(p->GetFigureSprite(0)->GetZoomPosition(0), At(44, 9));
    EXPECT_EQ(p->GetFigureSprite(5)->GetZoomPosition(0), At(-33, 13));
    EXPECT_EQ(p->GetFigureSprite(2)->GetZoomPosition(1), Point(60 + 4, 24 + 14));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(p->GetFigureSprite(static_cast<std::int16_t>(i))->GetValue(), -1);
    EXPECT_EQ(p->GetSlotFrames(0), nullptr);
    const std::int16_t* ups = p->StepUps();
    EXPECT_EQ(std::vector<std::int16_t>(ups, ups + 6), (std::vector<std::int16_t>{3, 4, 5, -1, -1, -1}));
}

TEST_F(PlacementTest, TheLeaderStandsAloneAndMaySoundEverything) {
    auto* p = new TestPicture(TestPicture::Leader, 12, 6);
    p->SetKind(4);
    Place(p);
    ASSERT_EQ(p->GetFigureCount(), 1);
    VhSprite* s = p->GetFigureSprite(0);
    EXPECT_EQ(s->GetZoomPosition(0), At(0, 11));
    EXPECT_EQ(s->GetValue(), 1);
    EXPECT_EQ(s->AllSoundsEnabled(), 1);
    EXPECT_EQ(s->GetCurrentFrame(), FrameInfo("Standing", 5));
    EXPECT_EQ(p->GetFlag(), nullptr);
}

TEST_F(PlacementTest, TurningAQuarterWraps) {
    VhPhysicalObject p(kArt, 12, 1);
    p.SetRecordFlag(0);
    const std::uint32_t expected[9] = {2, 3, 4, 5, 6, 7, 8, 1, 2};
    for (std::uint32_t f = 0; f <= 8; ++f) EXPECT_EQ(p.TurnFacing(f), expected[f]) << f;
    p.SetRecordFlag(1);
    EXPECT_EQ(p.TurnFacing(7), 7u);
    EXPECT_EQ(p.MapFacing(3), 3u);
}

TEST_F(PlacementTest, RebuildingPlacesNewFiguresForTheNewFacingAndKeepsThemHidden) {
    auto* p = Place(new TestPicture(TestPicture::Foot, 12, 1));
    VhSprite* oldZero = p->GetFigureSprite(0);
    p->GetFigureSprite(1)->Hide();
    p->Fall(4);
    listener.created.clear();
    p->SetFacing(3);
    p->RebuildFigures();
    // Sent at once, one per standing figure; the fallen one is left alone.
    EXPECT_EQ(listener.created.size(), 7u);
    EXPECT_EQ(p->GetFigureSprite(4), nullptr);
    EXPECT_NE(p->GetFigureSprite(0), oldZero);
    EXPECT_TRUE(oldZero->IsHidden());
    EXPECT_EQ(p->GetFigureSprite(0)->GetZoomPosition(0), At(15, -11));
    EXPECT_EQ(p->GetFigureSprite(0)->GetValue(), -1);
    EXPECT_EQ(p->GetFigureSprite(0)->GetCurrentFrame(), FrameInfo("Standing", 2));
    EXPECT_TRUE(p->GetFigureSprite(1)->IsHidden());
    EXPECT_FALSE(p->GetFigureSprite(2)->IsHidden());
}

TEST_F(PlacementTest, HidingSpritesTouchesTheFlagUnlessTheKindHasNone) {
    auto* flagged = Place(new TestPicture(TestPicture::Foot, 12, 1));
    flagged->SetState(6, 1);
    flagged->HideSprites(1);
    EXPECT_TRUE(flagged->GetFlag()->IsHidden());
    EXPECT_TRUE(flagged->GetFigureSprite(0)->IsHidden());
    EXPECT_FALSE(flagged->GetFigureSprite(6)->IsHidden());  // a falling figure plays on
    flagged->HideSprites(0);
    EXPECT_FALSE(flagged->GetFlag()->IsHidden());
    EXPECT_FALSE(flagged->GetFigureSprite(0)->IsHidden());

    auto* leader = new TestPicture(TestPicture::Leader, 12, 1);
    leader->SetKind(5);
    Place(leader);
    EXPECT_EQ(leader->HasNoFlag(), 1);
    leader->HideSprites(1);
    EXPECT_TRUE(leader->GetFigureSprite(0)->IsHidden());
}

TEST_F(PlacementTest, AFacingOutsideTheCompassStandsAsNorth) {
    auto* p = Place(new TestPicture(TestPicture::Foot, 12, 0));
    ASSERT_EQ(p->GetFigureCount(), 8);
    EXPECT_EQ(p->GetFigureSprite(0)->GetZoomPosition(0), At(-32, -5));
    auto* q = Place(new TestPicture(TestPicture::Mounted, 12, 11));
    EXPECT_EQ(q->GetFigureSprite(0)->GetZoomPosition(0), At(-30, -1));
}

TEST_F(PlacementTest, ARecordThatHoldsAFigureThePictureLostStandsItAgain) {
    auto* full = Place(new TestPicture(TestPicture::Foot, 12, 2));
    const std::string record = RecordOf(*full);
    auto* p = Place(new TestPicture(TestPicture::Foot, 12, 2));
    p->Fall(2);
    listener.created.clear();
    SuperString in;
    in.Write(record.data(), static_cast<std::int32_t>(record.size()));
    p->Load(in);
    EXPECT_FALSE(in.Failed());
    ASSERT_NE(p->GetFigureSprite(2), nullptr);
    EXPECT_EQ(listener.created, (std::vector<Sprite*>{p->GetFigureSprite(2)}));
    EXPECT_EQ(p->GetFigureState(2), 0);
    EXPECT_EQ(RecordOf(*p), record);
}

} // namespace
} // namespace pictest
