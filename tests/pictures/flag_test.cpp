#include "tests/pictures/pictures_fixture.h"

namespace pictest {
namespace {

class FlagTest : public PicturesTest {
protected:
    void SetUp() override {
        PicturesTest::SetUp();
        Flag::InitFlagArt();
    }
    // Hex 12 stands at (120, 48) at full size.
    static Point At(const Point3D& offset) { return Point(static_cast<std::int16_t>(120 + offset.x), static_cast<std::int16_t>(48 + offset.y)); }
    static void TickAll(Flag& f, int ticks, int from = 0) {
        for (int t = 0; t < ticks; ++t) f.Tick(from + 100 * t, nullptr);
    }
};

TEST_F(FlagTest, ANewFlagStandsLoweredAndIgnoresThePointer) {
    Flag flag(12, Point3D(), 0, 0, 0);
    EXPECT_EQ(flag.GetZoomPosition(0), At(Point3D()));
    EXPECT_EQ(flag.GetCloth()->GetZoomPosition(0), At(Flag::kClothLowered[0]));
    EXPECT_EQ(flag.GetShadow()->GetZoomPosition(0), At(Flag::kShadowLowered[0]));
    EXPECT_EQ(ImageName(flag), "Stem 0");
    EXPECT_EQ(ImageName(*flag.GetCloth()), "union 0");
    EXPECT_EQ(ImageName(*flag.GetShadow()), "Shadow 0");
    EXPECT_EQ(flag.IgnoresPointer(), 1);
    EXPECT_EQ(flag.GetCloth()->IgnoresPointer(), 1);
    EXPECT_EQ(flag.GetShadow()->IgnoresPointer(), 1);
    EXPECT_EQ(Flag::ShadowFrames().Count(), 4);
}

TEST_F(FlagTest, ARaisedFlagWavesItsSidesClothAtTheRaisedOffsets) {
    struct Case {
        std::int32_t side;
        std::int16_t grey;
        const char* cloth;
    };
    const Case cases[] = {{0, 0, "union"}, {1, 0, "confederate"}, {0, 1, "union dis"}, {1, 1, "confederate dis"}};
    for (const Case& c : cases) {
        Flag flag(12, Point3D(), c.side, 0, 0);
        flag.LowerFlag(Point3D());
        flag.RaiseFlag(Point3D(), c.grey);
        // The zero-time lower, the show, then the hold.
        TickAll(flag, 3);
        EXPECT_EQ(flag.GetCloth()->GetZoomPosition(0), At(Flag::kClothRaised[0]));
        EXPECT_EQ(flag.GetShadow()->GetZoomPosition(0), At(Flag::kShadowRaised[0]));
        std::set<std::string> shown;
        for (int t = 0; t < 8; ++t) {
            EXPECT_EQ(flag.Tick(1000 + t, nullptr), 1);
            const std::string name = ImageName(*flag.GetCloth());
            EXPECT_EQ(name.substr(0, name.size() - 2), c.cloth);
            shown.insert(name);
        }
        EXPECT_EQ(shown.size(), 4u) << c.cloth;
        EXPECT_FALSE(flag.IsHidden());
    }
}

TEST_F(FlagTest, EachRaiseStartsAtARandomPhaseAndTurnsTheSharedShadowCycle) {
    for (std::uint32_t seed : {1u, 2u, 3u, 11u, 12u}) {
        // The rule: draw r in 0..3 for i = 0, 1, ...; turn once for every draw above i.
        SeedPictureRandom(seed);
        int turns = 0;
        for (int i = 0;; ++i) {
            if (PictureRandom() % 4 <= i) break;
            ++turns;
        }
        FrameInfo shadowHead;
        Flag::ShadowFrames().PeekHead(shadowHead);
        SeedPictureRandom(seed);
        Flag flag(12, Point3D(), 0, 0, 0);
        flag.RaiseFlag(Point3D(), 0);
        TickAll(flag, 2);
        EXPECT_EQ(flag.GetCloth()->GetCurrentFrame(), FrameInfo("union", static_cast<std::int16_t>(turns))) << seed;
        FrameInfo after;
        Flag::ShadowFrames().PeekHead(after);
        EXPECT_EQ(after.GetFrame(), (shadowHead.GetFrame() + turns) % 4) << seed;
    }
}

TEST_F(FlagTest, LoweringARaisedFlagDropsTheHoldOnTheNextTick) {
    Flag flag(12, Point3D(2, 0, 0), 0, 0, 0);
    flag.RaiseFlag(Point3D(2, 0, 0), 0);
    TickAll(flag, 5);
    flag.LowerFlag(Point3D(2, 0, 0));
    flag.Tick(2000, nullptr);
    EXPECT_EQ(flag.GetCloth()->GetZoomPosition(0), At(Flag::kClothLowered[0] + Point3D(2, 0, 0)));
    EXPECT_EQ(flag.GetShadow()->GetZoomPosition(0), At(Flag::kShadowLowered[0] + Point3D(2, 0, 0)));
    EXPECT_EQ(ImageName(*flag.GetCloth()), "union 0");
    EXPECT_EQ(flag.Tick(2100, nullptr), 0);
}

TEST_F(FlagTest, HidingReachesAllThreePartsAndDrawsNothing) {
    Flag flag(12, Point3D(), 0, 0, 0);
    Bitmap surface(Dim(300, 200), static_cast<long>(Bitmap::Plain));
    EXPECT_FALSE(flag.DrawAtZoom(surface, Point(0, -100), 0).IsEmpty());
    flag.LowerFlag(Point3D(), 1);
    TickAll(flag, 2);
    EXPECT_TRUE(flag.IsHidden());
    EXPECT_TRUE(flag.GetCloth()->IsHidden());
    EXPECT_TRUE(flag.GetShadow()->IsHidden());
    EXPECT_TRUE(flag.DrawAtZoom(surface, Point(0, -100), 0).IsEmpty());
    EXPECT_TRUE(flag.GetBounds().IsEmpty());
    flag.ShowFlag();
    TickAll(flag, 1, 500);
    EXPECT_FALSE(flag.GetShadow()->IsHidden());
    // The box holds the stem, the cloth above it and the shadow to its right.
    const Box all = flag.GetBoundsAtZoom(0);
    EXPECT_EQ(all, Box(116, 48 - 82 - 15, 31 + 8, 82 + 19 + 16));
}

TEST_F(FlagTest, LiftRegionAndViewReachThePartsToo) {
    Flag flag(12, Point3D(), 0, 0, 0);
    flag.SetLift(8);
    EXPECT_EQ(flag.GetCloth()->GetLift(1), 4);
    EXPECT_EQ(flag.GetShadow()->GetLift(0), 8);
    flag.MoveToCombatView();
    EXPECT_EQ(flag.GetShadow()->GetView(), 1);
    EXPECT_EQ(flag.GetCloth()->GetZoomPosition(0), Point(1120, 48 - 82));
    flag.ChangeRegion(30);
    flag.Tick(0, nullptr);
    EXPECT_EQ(flag.GetCloth()->GetHex(), 30);
    EXPECT_EQ(flag.GetHex(), 30);
}

TEST_F(FlagTest, SavedRecordHoldsTheThreePartsAndRoundTrips) {
    Flag flag(12, Point3D(1, 0, 0), 1, 0, 0);
    flag.RaiseFlag(Point3D(1, 0, 0), 1);
    TickAll(flag, 4);
    SuperString first;
    flag.Save(first);
    SuperString stem;
    flag.VhSprite::Save(stem);
    EXPECT_GT(first.Length(), 3 * (stem.Length() - 8));
    Flag loaded(40, Point3D(), 1, 0, 0);
    loaded.Load(first);
    EXPECT_FALSE(first.Failed());
    SuperString second;
    loaded.Save(second);
    EXPECT_EQ(second.Contents(), first.Contents());
    EXPECT_EQ(loaded.GetCloth()->GetZoomPosition(0), flag.GetCloth()->GetZoomPosition(0));
}

TEST_F(FlagTest, ASideOrStandOutsideTheTablesIsTakenAsTheFirst) {
    Flag flag(12, Point3D(), -1, 0, 7);
    EXPECT_EQ(flag.GetSide(), 0);
    EXPECT_EQ(flag.GetStand(), 0);
    EXPECT_EQ(ImageName(*flag.GetCloth()), "union 0");
    flag.RaiseFlag(Point3D(), 0);
    TickAll(flag, 3);
    EXPECT_EQ(flag.GetCloth()->GetZoomPosition(0), At(Flag::kClothRaised[0]));
}

TEST_F(FlagTest, WithoutFlagArtTheFlagStillWorksButShowsNothing) {
    Flag::FreeFlagArt();
    Flag flag(12, Point3D(), 0, 0, 0);
    EXPECT_EQ(flag.GetImage(0), nullptr);
    EXPECT_EQ(flag.RaiseFlag(Point3D(), 0), 0);
    TickAll(flag, 4);
    EXPECT_TRUE(flag.GetBounds().IsEmpty());
}

} // namespace
} // namespace pictest
