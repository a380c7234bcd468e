#include "tests/pictures/pictures_fixture.h"

namespace pictest {
namespace {

using SpriteTest = PicturesTest;

TEST_F(SpriteTest, PositionsPerZoomAreTheHexOriginPlusTheScaledOffset) {
    struct Case {
        Point3D p;
        Point at[3];
    };
    // Hex 12 lies at (120, 48), (60, 24), (30, 12); offsets are halved per zoom, truncating.
    const Case cases[] = {
        {Point3D(0, 0, 0), {Point(120, 48), Point(60, 24), Point(30, 12)}},
        {Point3D(-5, 9, 3), {Point(115, 57), Point(58, 28), Point(29, 14)}},
        {Point3D(7, -7, 0), {Point(127, 41), Point(63, 21), Point(31, 11)}},
    };
    for (const Case& c : cases) {
        auto s = MakeSprite(12, c.p);
        for (int z = 0; z < 3; ++z) {
            EXPECT_EQ(s->GetZoomPosition(static_cast<std::int16_t>(z)), c.at[z]) << "zoom " << z;
            EXPECT_EQ(s->GetZoomBase(static_cast<std::int16_t>(z)), c.at[z]);
        }
        EXPECT_EQ(s->GetPosition(), Point3D(c.at[0].x, c.at[0].y, 0));
    }
}

TEST_F(SpriteTest, FramesAreTakenFromEachZoomsArtAndAPrefixedNameFallsBack) {
    auto s = MakeSprite(1, Point3D(), "Standing", 4);
    EXPECT_EQ(ImageName(*s, 0), "Standing 4");
    EXPECT_EQ(s->GetImage(1)->GetWidth(), figures::FigureWidth(1));
    EXPECT_EQ(s->GetImage(2)->GetWidth(), figures::FigureWidth(2));
    // No section "MNE": its first character is dropped.
    s->SetFrame(FrameInfo("MNE", 1));
    for (int z = 0; z < 3; ++z) EXPECT_EQ(ImageName(*s, z), "NE 1");
    EXPECT_EQ(s->GetCurrentFrame(), FrameInfo("MNE", 1));
    // Frame -1 changes nothing.
    s->SetFrame(FrameInfo("N", -1));
    EXPECT_EQ(ImageName(*s), "NE 1");
}

TEST_F(SpriteTest, ChainedMovesMeasureFromThePreviousEndAndDoNotStandStill) {
    auto s = MakeSprite(12, Point3D());
    const List<FrameInfo> walk = Frames("N", {0, 1, 2, 3});
    s->PostFrames(-1, Point4(100, 0, 0, 500), walk, -1, SpriteEvent::Move, 0);
    s->PostFrames(-1, Point4(200, 0, 0, 500), walk, -1, SpriteEvent::Move, 0);
    EXPECT_EQ(s->Tick(1000, nullptr), 1);
    EXPECT_EQ(s->GetZoomPosition(0).x, 120);
    s->Tick(1250, nullptr);
    EXPECT_EQ(s->GetZoomPosition(0).x, 170);
    EXPECT_EQ(s->GetZoomPosition(1).x, 60 + 25);
    s->Tick(1500, nullptr);
    EXPECT_EQ(s->GetZoomPosition(0).x, 220);
    EXPECT_EQ(s->GetStartTime(), 1500);
    // The second starts on the next tick but counts from 1500: it is already under way.
    s->Tick(1600, nullptr);
    EXPECT_GT(s->GetZoomPosition(0).x, 220);
    s->Tick(2099, nullptr);
    EXPECT_LT(s->GetZoomPosition(0).x, 320);
    s->Tick(2100, nullptr);
    EXPECT_EQ(s->GetZoomPosition(0), Point(320, 48));
    EXPECT_EQ(s->GetZoomPosition(2), Point(30 + 50, 12));
    EXPECT_EQ(s->Tick(2200, nullptr), 0);
    EXPECT_EQ(s->GetStartTime(), 0);
}

TEST_F(SpriteTest, AMoveWithoutDurationCompletesOnItsFirstTick) {
    auto s = MakeSprite(12, Point3D());
    s->Tick(700, nullptr);  // an empty tick leaves the start time unset
    s->PostFrames(-1, Point4(10, 20, 0, 0), Frames("N", {1}), -1, SpriteEvent::Move, 0);
    EXPECT_EQ(s->Tick(700, nullptr), 1);
    EXPECT_EQ(s->GetZoomPosition(0), Point(130, 68));
    EXPECT_TRUE(s->Events().IsEmpty());
    EXPECT_EQ(ImageName(*s), "N 1");
}

TEST_F(SpriteTest, AMoveChangesTheHexAndValueGivenWithIt) {
    auto s = MakeSprite(12, Point3D());
    s->PostFrames(30, Point4(0, 0, 0, 0), List<FrameInfo>(), 5, SpriteEvent::Move, 0);
    s->Tick(10, nullptr);
    EXPECT_EQ(s->GetHex(), 30);
    EXPECT_EQ(s->GetValue(), 5);
    // Hex -1 and value -1 keep them.
    s->PostFrames(-1, Point4(0, 0, 0, 0), List<FrameInfo>(), -1, SpriteEvent::Move, 0);
    s->Tick(20, nullptr);
    EXPECT_EQ(s->GetHex(), 30);
    EXPECT_EQ(s->GetValue(), 5);
}

TEST_F(SpriteTest, HoldCyclesItsFramesUntilAnotherEventIsQueued) {
    auto s = MakeSprite(12, Point3D());
    s->PostFrames(-1, Point4(4, 0, 0, 0), Frames("N", {0, 1, 2}), -1, SpriteEvent::Hold, 0);
    std::vector<std::string> shown;
    for (int t = 0; t < 7; ++t) {
        EXPECT_EQ(s->Tick(100 * t, nullptr), 1);
        shown.push_back(ImageName(*s));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"N 0", "N 1", "N 2", "N 0", "N 1", "N 2", "N 0"}));
    EXPECT_EQ(s->GetZoomPosition(0), Point(124, 48));
    EXPECT_EQ(s->Events().Count(), 1);
    s->PostFrames(-1, Point4(40, 0, 0, 0), Frames("S", {2}), -1, SpriteEvent::Move, 0);
    s->Tick(800, nullptr);
    EXPECT_TRUE(s->Events().IsEmpty());
    EXPECT_EQ(s->GetZoomPosition(0), Point(160, 48));
    EXPECT_EQ(ImageName(*s), "S 2");
}

TEST_F(SpriteTest, LoopingMovesGoOnWithTheWalkingCycleAndLoopFromTheRepeatFrame) {
    auto s = MakeSprite(12, Point3D());
    const List<FrameInfo> walk = Frames("N", {0, 1, 2, 3});
    s->PostFrames(-1, Point4(10, 0, 0, 200), walk, -1, SpriteEvent::LoopingMove, 2);
    s->PostFrames(-1, Point4(20, 0, 0, 10000), walk, -1, SpriteEvent::LoopingMove, 2);
    std::vector<std::string> shown;
    for (int t : {0, 100, 200, 300, 400, 500, 600, 700}) {
        s->Tick(t, nullptr);
        shown.push_back(ImageName(*s));
    }
    // The first move ends on N 2; the second goes on with N 3, then loops from the second frame.
    EXPECT_EQ(shown, (std::vector<std::string>{"N 0", "N 1", "N 2", "N 3", "N 1", "N 2", "N 3", "N 1"}));
}

TEST_F(SpriteTest, PlayShowsEachFrameOnceThenEnds) {
    auto s = MakeSprite(12, Point3D());
    s->PostFrames(-1, Point4(), Frames("E", {0, 1}), -1, SpriteEvent::Play, 0);
    s->Tick(0, nullptr);
    EXPECT_EQ(ImageName(*s), "E 0");
    s->Tick(100, nullptr);
    EXPECT_EQ(ImageName(*s), "E 1");
    EXPECT_EQ(s->Tick(200, nullptr), 1);
    EXPECT_TRUE(s->Events().IsEmpty());
    EXPECT_EQ(ImageName(*s), "E 1");
    EXPECT_EQ(s->Tick(300, nullptr), 0);
}

TEST_F(SpriteTest, WaitEndsOnlyAfterItsTime) {
    auto s = MakeSprite(12, Point3D());
    s->PostEvent(-1, Point4(0, 0, 0, 300), "unused", -1, SpriteEvent::Idle, 0);
    s->Tick(1000, nullptr);
    s->Tick(1300, nullptr);
    EXPECT_EQ(s->Events().Count(), 1);
    s->Tick(1301, nullptr);
    EXPECT_TRUE(s->Events().IsEmpty());
}

TEST_F(SpriteTest, ChangeRegionEmptiesTheBoundsUntilTheNextMove) {
    auto s = MakeSprite(12, Point3D(3, 3, 0));
    EXPECT_FALSE(s->GetBoundsAtZoom(0).IsEmpty());
    s->ChangeRegion(40);
    s->Tick(0, nullptr);
    EXPECT_EQ(s->GetHex(), 40);
    for (int z = 0; z < 3; ++z) {
        EXPECT_EQ(s->GetZoomPosition(static_cast<std::int16_t>(z)), Point());
        EXPECT_TRUE(s->GetBoundsAtZoom(static_cast<std::int16_t>(z)).IsEmpty());
    }
    s->PostFrames(-1, Point4(0, 0, 0, 0), List<FrameInfo>(), -1, SpriteEvent::Move, 0);
    s->Tick(10, nullptr);
    EXPECT_EQ(s->GetZoomPosition(0), Point(400, 160));
    EXPECT_FALSE(s->GetBoundsAtZoom(0).IsEmpty());
}

TEST_F(SpriteTest, LiftRaisesBoundsDrawingAndHitsPerZoom) {
    auto s = MakeSprite(12, Point3D());
    s->SetLift(-5);
    EXPECT_EQ(s->GetLift(0), -5);
    EXPECT_EQ(s->GetLift(1), -2);
    EXPECT_EQ(s->GetLift(2), -1);
    s->SetLift(9);
    // Figures are 8 x 16 with the hot spot at (4, 15); hex 12 stands at (120, 48).
    EXPECT_EQ(s->GetBoundsAtZoom(0), Box(116, 48 - 15 - 9, 8, 16));
    EXPECT_EQ(s->GetBoundsAtZoom(1), Box(60 - 2, 24 - 7 - 4, 4, 8));
    EXPECT_EQ(s->HitTestAtZoom(Point(120, 48 - 9), 0), 1);
    EXPECT_EQ(s->HitTestAtZoom(Point(120, 48), 0), 0);
    // The top-left pixel of every figure is transparent.
    EXPECT_EQ(s->HitTestAtZoom(Point(116, 48 - 15 - 9), 0), 0);
    EXPECT_EQ(s->HitTestAtZoom(Point(117, 48 - 15 - 9), 0), 1);
    s->Hide();
    EXPECT_EQ(s->HitTestAtZoom(Point(120, 48 - 9), 0), 0);
    EXPECT_TRUE(s->GetBoundsAtZoom(0).IsEmpty());
}

TEST_F(SpriteTest, DrawAtZoomDrawsTheZoomsImageRelativeToTheOrigin) {
    auto s = MakeSprite(12, Point3D(), "Standing", 2);
    Bitmap surface(Dim(100, 60), static_cast<long>(Bitmap::Plain));
    surface.Fill(0);
    const Box drawn = s->DrawAtZoom(surface, Point(50, 0), 1);
    EXPECT_EQ(drawn, Box(60 - 50 - 2, 24 - 7, 4, 8));
    const int row = Bitmap::BottomUp() ? 59 - 24 : 24;
    EXPECT_EQ(surface.GetPixels()[row * surface.Stride() + 10], figures::FrameColour(0, 2));
    s->Hide();
    EXPECT_TRUE(s->DrawAtZoom(surface, Point(), 0).IsEmpty());
}

TEST_F(SpriteTest, TickReportsOldAndNewBoundsPerZoom) {
    auto s = MakeSprite(12, Point3D());
    s->PostFrames(-1, Point4(40, 0, 0, 0), List<FrameInfo>(), -1, SpriteEvent::Move, 0);
    List<Box> dirty[3];
    s->Tick(0, dirty);
    for (int z = 0; z < 3; ++z) ASSERT_EQ(dirty[z].Count(), 1);
    Box b;
    dirty[0].PeekHead(b);
    EXPECT_EQ(b, Box(116, 33, 48, 16));
    dirty[2].PeekHead(b);
    EXPECT_EQ(b, Box(29, 9, 12, 4));
}

TEST_F(SpriteTest, DrawOrder) {
    struct Case {
        Point a;
        std::int16_t aValue;
        Point b;
        bool aAfterB;
    };
    const Case cases[] = {
        {Point(0, 20), -1, Point(0, 10), true},    // lower on screen is drawn later
        {Point(0, 10), -1, Point(0, 20), false},
        {Point(0, 20), -1, Point(5, 21), true},    // same key: the one to the left first
        {Point(5, 21), -1, Point(0, 20), false},
        {Point(0, 24), -2, Point(0, 20), false},   // a value below -1 sorts a quarter width higher
        {Point(0, 24), -2, Point(5, 20), true},
    };
    for (const Case& c : cases) {
        // Hex 0 lies at the origin, so positions are the offsets.
        auto a = MakeSprite(0, Point3D(c.a.x, c.a.y, 0), "Standing", 0, c.aValue);
        auto b = MakeSprite(0, Point3D(c.b.x, c.b.y, 0));
        EXPECT_EQ(a->SortsAfter(*b), c.aAfterB) << c.a.x << "," << c.a.y << " vs " << c.b.x << "," << c.b.y;
        EXPECT_EQ(a->IsInFrontOf(*b), c.aAfterB);
    }
}

TEST_F(SpriteTest, AnotherKindOfSpriteIsComparedByItsPositionOnly) {
    auto a = MakeSprite(0, Point3D(0, 24, 0), "Standing", 0, -1);
    auto wide = MakeSprite(0, Point3D(9, 24, 0), "Standing", 0, -2);
    Flag flag(0, Point3D(9, 24, 0), 0, 0, 0);
    // Against a figure whose value is below -1 the key is corrected; a flag's never is.
    EXPECT_TRUE(a->SortsAfter(*wide));
    EXPECT_TRUE(a->SortsAfter(flag));
    flag.VhSprite::PostFrames(-1, Point4(9, 24, 0, 0), List<FrameInfo>(), -2, SpriteEvent::Move, 0);
    flag.Tick(0, nullptr);
    EXPECT_EQ(flag.GetValue(), -2);
    EXPECT_TRUE(a->SortsAfter(flag));
    Sprite plain(0, Point3D(9, 30, 0), nullptr, 0, nullptr);
    EXPECT_FALSE(a->SortsAfter(plain));
}

TEST_F(SpriteTest, MoveToCombatViewKeepsTheOffsetFromTheHex) {
    auto s = MakeSprite(12, Point3D(-6, 10, 0));
    s->MoveToCombatView();
    EXPECT_EQ(s->GetView(), 1);
    EXPECT_EQ(s->GetZoomPosition(0), Point(1120 - 6, 58));
    EXPECT_EQ(s->GetZoomPosition(1), Point(560 - 3, 29));
    EXPECT_EQ(s->GetZoomBase(2), Point(280 - 1, 14));
    s->MoveToCombatView();
    EXPECT_EQ(s->GetZoomPosition(0), Point(1114, 58));
}

TEST_F(SpriteTest, SavedRecordRoundTripsByteForByte) {
    auto s = MakeSprite(12, Point3D(3, -4, 0), "Standing", 5, 7);
    s->SetLift(6);
    s->EnableAllSounds();
    s->SetIgnoresPointer(1);
    s->PostFrames(20, Point4(10, 0, 0, 100), Frames("SW", {0, 1, 2}), -1, SpriteEvent::LoopingMove, 0);
    s->Tick(0, nullptr);
    s->Tick(50, nullptr);
    SuperString first;
    s->Save(first);
    // value, hex, position, start point, redraw, draw mode, counter, hidden, 3 x (pos, base),
    // frame ("SW": 2 + 2 + 2), loop handle, all sounds, played, ignores pointer.
    EXPECT_EQ(first.Length(), 2 + 2 + 6 + 10 + 2 + 4 + 2 + 2 + 24 + 6 + 8);
    VhSprite loaded;
    loaded.Load(first);
    EXPECT_FALSE(first.Failed());
    SuperString second;
    loaded.Save(second);
    EXPECT_EQ(second.Contents(), first.Contents());
    EXPECT_EQ(loaded.GetCurrentFrame(), FrameInfo("SW", 1));
    EXPECT_EQ(loaded.AllSoundsEnabled(), 1);
    EXPECT_EQ(loaded.IgnoresPointer(), 1);
    EXPECT_EQ(loaded.GetZoomPosition(1), s->GetZoomPosition(1));
}

TEST_F(SpriteTest, ACutShortRecordChangesNothing) {
    auto s = MakeSprite(12, Point3D(3, -4, 0), "Standing", 5);
    SuperString full;
    s->Save(full);
    const std::string bytes = full.Contents();
    auto other = MakeSprite(30, Point3D(), "N", 1);
    SuperString before;
    other->Save(before);
    for (std::size_t cut : {std::size_t(1), std::size_t(20), bytes.size() - 1}) {
        SuperString damaged;
        damaged.Write(bytes.data(), static_cast<std::int32_t>(cut));
        other->Load(damaged);
        EXPECT_TRUE(damaged.Failed());
        SuperString after;
        other->Save(after);
        EXPECT_EQ(after.Contents(), before.Contents()) << "cut at " << cut;
    }
}

TEST_F(SpriteTest, ArtNamesRoundTripAndTheLoadedSpriteOpensItsOwnArt) {
    auto s = MakeSprite(12, Point3D(), "Standing", 3);
    SuperString names;
    s->WriteArtNames(names);
    SuperString record;
    s->Save(record);
    VhSprite loaded;
    loaded.Load(record);
    loaded.ReadArtNames(names);
    EXPECT_FALSE(names.Failed());
    EXPECT_EQ(loaded.GetArtAt(1)->GetName(), std::string(kArt) + " (Half size)");
    EXPECT_EQ(ImageName(loaded, 2), "Standing 3");
}

TEST_F(SpriteTest, AnEngineEventWithoutTheGamesPayloadPlaysAsAnEmptyOne) {
    auto s = MakeSprite(12, Point3D(), "Standing", 1);
    s->AddEvent(0xFFFF, Point4(10, 0, 0, 0), List<Bitmap*>(), 0xFFFF, SpriteEvent::Move, 0);
    s->Sprite::QueueEvent(SpriteEvent(0xFFFF, Point4(), List<Bitmap*>(), 0xFFFF, SpriteEvent::HideSprite, 0));
    EXPECT_EQ(s->Tick(0, nullptr), 1);
    EXPECT_EQ(s->GetZoomPosition(0), Point(130, 48));
    EXPECT_EQ(ImageName(*s), "Standing 1");
    s->Tick(100, nullptr);
    EXPECT_TRUE(s->IsHidden());
    EXPECT_EQ(s->Tick(200, nullptr), 0);
}

} // namespace
} // namespace pictest
