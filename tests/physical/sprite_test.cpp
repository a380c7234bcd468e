#include "physical_fixture.h"

#include "core/type_info.h"

namespace {

// Frames are only compared by address here; their pixels do not matter.
struct Frames {
    std::vector<std::unique_ptr<Bitmap>> owned;
    List<Bitmap*> list;
    explicit Frames(int n) {
        for (int k = 0; k < n; ++k) {
            owned.push_back(MakeSolid(2 + k, 2));
            list.AddTail(owned.back().get());
        }
    }
    // 1-based number of a frame, 0 for none of these.
    int NumberOf(const Bitmap* b) const {
        for (std::size_t k = 0; k < owned.size(); ++k)
            if (owned[k].get() == b) return static_cast<int>(k) + 1;
        return 0;
    }
};

Point Where(const Sprite& s) { return Point(s.GetPosition().x, s.GetPosition().y); }

TEST(SpriteMove, ReachesItsTargetAfterItsDurationFromTheFirstTickAndChainsWithoutDrift) {
    Sprite s(1, Point3D(0, 0, 3), nullptr, Sprite::kNoLayer, nullptr);
    s.AddEvent(40, Point4(100, 50, 9, 1000), List<Bitmap*>(), SpriteEvent::kKeepLayer, SpriteEvent::Move, 0);
    s.AddEvent(41, Point4(100, 90, 0, 400), List<Bitmap*>(), SpriteEvent::kKeepLayer, SpriteEvent::Move, 0);
    struct Step {
        int now;
        Point at;
        int id;
    };
    // The first tick comes at 500: the first move ends at 1500, the second 400 later at 1900,
    // though no tick falls on 1500 exactly.
    const Step steps[] = {
        {500, Point(0, 0), 1},     {1000, Point(50, 25), 1},   {1499, Point(99, 49), 1},
        {1600, Point(100, 50), 40}, // the first ends; the second starts with its end at 1900
        {1800, Point(100, 80), 40}, {1899, Point(100, 89), 40}, {1900, Point(100, 90), 41},
    };
    for (const Step& st : steps) {
        EXPECT_EQ(s.Tick(st.now, nullptr), 1) << st.now;
        EXPECT_EQ(Where(s), st.at) << st.now;
        EXPECT_EQ(s.GetObjectId(), st.id) << st.now;
    }
    EXPECT_EQ(s.GetPosition().z, 0) << "a finished move takes the whole target";
    EXPECT_TRUE(s.Events().IsEmpty());
    EXPECT_EQ(s.Tick(2000, nullptr), 0);
    EXPECT_EQ(s.NeedsRedraw(), 0);
}

TEST(SpriteMove, AMoveFinishesExactlyAtItsEndTime) {
    Sprite s(1, Point3D(0, 0, 0), nullptr, Sprite::kNoLayer, nullptr);
    s.AddEvent(2, Point4(10, 0, 0, 100), List<Bitmap*>(), SpriteEvent::kKeepLayer, SpriteEvent::Move, 0);
    s.Tick(0, nullptr);
    s.Tick(100, nullptr);
    EXPECT_EQ(Where(s), Point(10, 0));
    EXPECT_TRUE(s.Events().IsEmpty());
}

TEST(SpriteFrames, AMoveLoopsItsFramesFromTheFirstAndNeverRestsOnTheEnd) {
    Frames f(2);
    Sprite s(1, Point3D(), nullptr, Sprite::kNoLayer, nullptr);
    s.AddEvent(1, Point4(0, 0, 0, 10000), f.list, SpriteEvent::kKeepLayer, SpriteEvent::Move, 0);
    std::vector<int> shown;
    for (int t = 0; t < 5; ++t) {
        s.Tick(t, nullptr);
        shown.push_back(f.NumberOf(s.GetFrame()));
    }
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 1, 2, 1}));
}

TEST(SpriteFrames, ALoopingMoveLoopsFromItsLoopStartAndTheNextGoesOnWhereItStood) {
    Frames f(5);
    Sprite s(1, Point3D(), nullptr, Sprite::kNoLayer, nullptr);
    s.AddEvent(1, Point4(0, 0, 0, 10), f.list, SpriteEvent::kKeepLayer, SpriteEvent::LoopingMove, 2);
    s.AddEvent(1, Point4(0, 0, 0, 100), f.list, SpriteEvent::kKeepLayer, SpriteEvent::LoopingMove, 2);
    std::vector<int> shown;
    for (int t = 0; t < 12; ++t) {
        s.Tick(t, nullptr);
        shown.push_back(f.NumberOf(s.GetFrame()));
    }
    // Ticks 0-9 play the first event (its end is 10); the tick at 10 ends it on the next frame
    // and the second event carries the count on: 4, 5, 2, ...
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 4, 5, 2, 3, 4, 5, 2, 3, 4}));
}

TEST(SpriteFrames, APlayEventStepsItsFramesOnceAndTheNextStartsFromThatMoment) {
    Frames f(3);
    Sprite s(1, Point3D(), nullptr, Sprite::kNoLayer, nullptr);
    s.AddEvent(1, Point4(), f.list, SpriteEvent::kKeepLayer, SpriteEvent::Play, 0);
    s.AddEvent(1, Point4(30, 0, 0, 300), List<Bitmap*>(), SpriteEvent::kKeepLayer, SpriteEvent::Move, 0);
    std::vector<int> shown;
    for (int t : {0, 10, 20, 30}) {
        s.Tick(t, nullptr);
        shown.push_back(f.NumberOf(s.GetFrame()));
    }
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 3})) << "the end keeps the last frame";
    // The play ended at 30, so the move runs from 30 to 330.
    s.Tick(180, nullptr);
    EXPECT_EQ(Where(s), Point(15, 0));
    s.Tick(330, nullptr);
    EXPECT_TRUE(s.Events().IsEmpty());
}

TEST(SpriteEvents, AHoldStaysAloneAndIsDroppedOnceAnotherEventWaits) {
    Sprite s(1, Point3D(), nullptr, Sprite::kNoLayer, nullptr);
    s.AddEvent(1, Point4(7, 8, 0, 0), List<Bitmap*>(), SpriteEvent::kKeepLayer, SpriteEvent::Hold, 0);
    for (int t = 0; t < 5000; t += 1000) EXPECT_EQ(s.Tick(t, nullptr), 1);
    EXPECT_EQ(Where(s), Point(7, 8));
    EXPECT_EQ(s.Events().Count(), 1);
    s.AddTypeEvent(SpriteEvent::HideSprite);
    s.Tick(6000, nullptr);
    EXPECT_TRUE(s.Events().IsEmpty());
    EXPECT_TRUE(s.IsHidden());
}

TEST(SpriteEvents, IdleAndUnknownTypesStayAtTheHead) {
    for (std::uint16_t type : {std::uint16_t(SpriteEvent::Idle), std::uint16_t(12)}) {
        Sprite s(1, Point3D(), nullptr, Sprite::kNoLayer, nullptr);
        s.AddTypeEvent(type);
        s.AddTypeEvent(SpriteEvent::HideSprite);
        for (int t = 0; t < 3; ++t) EXPECT_EQ(s.Tick(t, nullptr), 1);
        EXPECT_EQ(s.Events().Count(), 2) << type;
        s.EndEvent();
        s.Tick(5, nullptr);
        EXPECT_TRUE(s.IsHidden()) << type;
    }
}

TEST(SpriteEvents, ModeAndVisibilityEventsTakeOneTickEach) {
    struct Case {
        std::uint16_t type;
        std::uint32_t mode;
        bool hidden;
    };
    const Case cases[] = {
        {SpriteEvent::DrawGrey, 2, false},   {SpriteEvent::DrawBright, 3, false},
        {SpriteEvent::DrawPlain, 1, false},  {SpriteEvent::DrawPlainToo, 1, false},
        {SpriteEvent::HideSprite, 1, true},  {SpriteEvent::Notify, 1, true},
        {SpriteEvent::ShowSprite, 1, false},
    };
    auto figure = MakeSolid(4, 4);
    Sprite s(1, Point3D(20, 30, 0), figure.get(), Sprite::kNoLayer, nullptr, 3);
    for (const Case& c : cases) s.AddTypeEvent(c.type);
    int t = 0;
    for (const Case& c : cases) {
        List<Box> dirty;
        EXPECT_EQ(s.Tick(t++, &dirty), 1);
        EXPECT_EQ(s.GetDrawMode(), c.mode) << c.type;
        EXPECT_EQ(s.IsHidden(), c.hidden) << c.type;
        // A hidden sprite still reports where its frame is, so that the place is redrawn.
        Box reported;
        ASSERT_TRUE(dirty.PeekHead(reported));
        EXPECT_EQ(reported, Box(20, 30, 4, 4)) << c.type;
    }
    EXPECT_EQ(s.Tick(t, nullptr), 0);
}

TEST(SpriteEvents, AnEventLayerIsTakenWhenItStarts) {
    Sprite s(1, Point3D(), nullptr, 4, nullptr);
    s.AddEvent(1, Point4(0, 0, 0, 10), List<Bitmap*>(), 9, SpriteEvent::Move, 0);
    s.AddEvent(1, Point4(0, 0, 0, 10), List<Bitmap*>(), SpriteEvent::kKeepLayer, SpriteEvent::Move, 0);
    EXPECT_EQ(s.GetLayer(), 4);
    s.Tick(0, nullptr);
    EXPECT_EQ(s.GetLayer(), 9);
    s.Tick(10, nullptr);
    EXPECT_EQ(s.GetLayer(), 9);
}

TEST(SpriteTick, ReportsTheUnionOfWhereTheFrameWasAndWhereItIs) {
    auto figure = MakeFigure(10, 6, Point(5, 6), {});
    Sprite s(1, Point3D(100, 100, 0), figure.get(), Sprite::kNoLayer, nullptr);
    s.AddEvent(1, Point4(140, 90, 0, 100), List<Bitmap*>(), SpriteEvent::kKeepLayer, SpriteEvent::Move, 0);
    List<Box> dirty;
    s.Tick(0, &dirty);
    s.Tick(50, &dirty); // to (120, 95)
    ASSERT_EQ(dirty.Count(), 2);
    Box second;
    dirty.PeekTail(second);
    EXPECT_EQ(second, Box(95, 89, 30, 11));
    EXPECT_EQ(s.GetRect(), Box(115, 89, 10, 6));
}

TEST(SpriteTick, AFramelessSpriteReportsNoAreaAndAFirstFrameOnlyItsOwn) {
    Sprite s(1, Point3D(100, 100, 0), nullptr, Sprite::kNoLayer, nullptr);
    auto figure = MakeSolid(4, 2);
    List<Bitmap*> frames;
    frames.AddTail(figure.get());
    s.AddEvent(1, Point4(100, 100, 0, 100), List<Bitmap*>(), SpriteEvent::kKeepLayer, SpriteEvent::Move, 0);
    s.AddEvent(1, Point4(), frames, SpriteEvent::kKeepLayer, SpriteEvent::Play, 0);
    List<Box> dirty;
    s.Tick(0, &dirty);
    s.Tick(100, &dirty); // the move ends, the play starts
    s.Tick(110, &dirty); // the first frame appears
    std::vector<Box> boxes;
    Box b;
    while (dirty.RemoveHead(b)) boxes.push_back(b);
    // Empty boxes would otherwise stretch the union to the origin.
    EXPECT_EQ(boxes, (std::vector<Box>{Box(), Box(), Box(100, 100, 4, 2)}));
}

TEST(SpriteMove, AClockThatGoesBackNeverDividesByAnEmptySpan) {
    Sprite s(1, Point3D(0, 0, 0), nullptr, Sprite::kNoLayer, nullptr);
    s.AddEvent(1, Point4(10, 0, 0, 100), List<Bitmap*>(), SpriteEvent::kKeepLayer, SpriteEvent::Move, 0);
    s.AddEvent(2, Point4(50, 0, 0, 0), List<Bitmap*>(), SpriteEvent::kKeepLayer, SpriteEvent::Move, 0);
    s.Tick(1000, nullptr);
    s.Tick(1100, nullptr); // the second move starts with no span: it ends where it began, at 1100
    s.Tick(1050, nullptr); // an earlier time
    EXPECT_EQ(Where(s), Point(10, 0));
    EXPECT_EQ(s.Events().Count(), 1);
    s.Tick(1100, nullptr);
    EXPECT_EQ(Where(s), Point(50, 0));
    EXPECT_TRUE(s.Events().IsEmpty());
}

TEST(SpriteDrawing, DrawsItsFrameAtItsPositionAndNothingWhenHidden) {
    auto figure = MakeFigure(3, 3, Point(1, 1), {Point(1, 1)});
    Sprite s(1, Point3D(10, 10, 0), figure.get(), Sprite::kNoLayer, nullptr);
    Bitmap target(Dim(32, 32), static_cast<long>(Bitmap::Plain));
    target.Fill(1);
    EXPECT_EQ(s.Draw(target, Point(4, 2)), Box(5, 7, 3, 3));
    const int row = Bitmap::BottomUp() ? 31 - 8 : 8;
    EXPECT_EQ(target.GetPixels()[row * target.Stride() + 6], 7);
    EXPECT_EQ(target.GetPixels()[row * target.Stride() + 5], 1) << "colour 0 is transparent";
    s.Hide();
    EXPECT_EQ(s.NeedsRedraw(), 1);
    EXPECT_EQ(s.Draw(target, Point()), Box());
    EXPECT_EQ(s.GetRect(), Box());
}

TEST(SpriteHitTest, OnlyDrawnPixelsOfAVisibleFrameAreHit) {
    auto figure = MakeFigure(4, 4, Point(2, 3), {Point(2, 3), Point(0, 0)});
    Sprite s(1, Point3D(50, 60, 0), figure.get(), Sprite::kNoLayer, nullptr);
    EXPECT_EQ(s.HitTest(Point(50, 60)), 1);
    EXPECT_EQ(s.HitTest(Point(48, 57)), 1);
    EXPECT_EQ(s.HitTest(Point(49, 60)), 0) << "transparent pixel";
    EXPECT_EQ(s.HitTest(Point(53, 60)), 0) << "outside the frame";
    s.Hide();
    EXPECT_EQ(s.HitTest(Point(50, 60)), 0);
    Sprite bare(1, Point3D(50, 60, 0), nullptr, Sprite::kNoLayer, nullptr);
    EXPECT_EQ(bare.HitTest(Point(50, 60)), 0);
    EXPECT_EQ(bare.GetRect(), Box());
}

TEST(SpriteOrder, SameOwnerWithLayersGoesByLayerElseByY) {
    FigureObject a(1, 0), b(2, 0);
    struct Case {
        PhysicalObject* ownerOfFirst;
        std::uint16_t layerOfFirst;
        short yOfFirst;
        PhysicalObject* ownerOfSecond;
        std::uint16_t layerOfSecond;
        short yOfSecond;
        bool firstInFront;
    };
    const Case cases[] = {
        {&a, 5, 0, &a, 2, 100, true},                        // layers decide within one owner
        {&a, 2, 100, &a, 5, 0, false},
        {&a, 5, 0, &b, 2, 100, false},                       // different owners: y only
        {&a, Sprite::kNoLayer, 10, &a, 2, 5, true},          // a missing layer: y
        {nullptr, 5, 0, nullptr, 2, 100, false},             // no owner: y
        {&a, 3, 10, &b, 3, 10, false},                       // ties are not in front
    };
    for (const Case& c : cases) {
        Sprite first(1, Point3D(0, c.yOfFirst, 0), nullptr, c.layerOfFirst, c.ownerOfFirst);
        Sprite second(1, Point3D(0, c.yOfSecond, 0), nullptr, c.layerOfSecond, c.ownerOfSecond);
        EXPECT_EQ(first.IsInFrontOf(second), c.firstInFront) << c.layerOfFirst << "/" << c.yOfFirst;
    }
}

TEST(SpriteEventRecord, CopiesCloneThePayloadAndEqualityIgnoresValueTypeAndPayload) {
    Frames f(2);
    SpriteEvent e(3, Point4(1, 2, 3, 4), f.list, 6, SpriteEvent::Play, 1, new Container<short>(77));
    SpriteEvent copy(e);
    ASSERT_NE(copy.payload, nullptr);
    EXPECT_NE(copy.payload, e.payload);
    EXPECT_EQ(*PayloadValue<short>(copy.payload), 77);
    SpriteEvent other(9, Point4(1, 2, 3, 4), f.list, 6, SpriteEvent::Move, 1);
    EXPECT_TRUE(other == e);
    other.loopStart = 2;
    EXPECT_FALSE(other == e);
    other = e;
    EXPECT_NE(other.payload, e.payload);
    EXPECT_EQ(other.value, 3);
    other = other;
    EXPECT_EQ(*PayloadValue<short>(other.payload), 77);
}

TEST(SpriteEventRecord, TheSavedFormRoundTripsWithAndWithoutPayload) {
    TypeInfo<short>::Register();
    for (bool withPayload : {true, false}) {
        Frames f(2);
        SpriteEvent e(3, Point4(-1, 2, -3, 70000), f.list, 0xFFFF, SpriteEvent::LoopingMove, 4,
                      withPayload ? new Container<short>(-5) : nullptr);
        SuperString s;
        e.Write(s);
        ASSERT_FALSE(s.Failed());
        SpriteEvent back;
        back.Read(s);
        ASSERT_FALSE(s.Failed());
        EXPECT_EQ(s.Remaining(), 0);
        EXPECT_EQ(back.target, e.target);
        EXPECT_EQ(back.value, 3);
        EXPECT_EQ(back.type, SpriteEvent::LoopingMove);
        EXPECT_EQ(back.layer, 0xFFFF);
        EXPECT_EQ(back.loopStart, 4);
        EXPECT_TRUE(back.frames.IsEmpty());
        if (withPayload) {
            ASSERT_NE(PayloadValue<short>(back.payload), nullptr);
            EXPECT_EQ(*PayloadValue<short>(back.payload), -5);
        } else {
            EXPECT_EQ(back.payload, nullptr);
        }
    }
}

TEST(SpriteEventRecord, TheSavedFormIsByteExact) {
    SpriteEvent e(0x0102, Point4(1, -2, 3, 0x01020304), List<Bitmap*>(), 5, 6, 7);
    SuperString s;
    e.Write(s);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(s.Length()));
    s.Read(bytes.data(), s.Length());
    const std::vector<unsigned char> expected = {1, 0, 0xFE, 0xFF, 3, 0, 4, 3, 2, 1, 2, 1, 6, 0, 5, 0, 7, 0, 0, 0, 0, 0};
    EXPECT_EQ(bytes, expected);
}

TEST(SpriteEventRecord, ADamagedPayloadLengthIsRefused) {
    SpriteEvent e(1, Point4(), List<Bitmap*>(), 0, 0, 0);
    SuperString s;
    e.Write(s);
    // Claim a payload of 1000 bytes that the stream does not hold.
    SuperString damaged;
    std::vector<char> bytes(static_cast<std::size_t>(s.Length()));
    s.Read(bytes.data(), s.Length());
    bytes[18] = static_cast<char>(0xE8);
    bytes[19] = 0x03;
    damaged.Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    SpriteEvent back(new Container<short>(1));
    back.Read(damaged);
    EXPECT_TRUE(damaged.Failed());
    EXPECT_EQ(back.payload, nullptr);
}

TEST(SpriteEventRecord, TheMessageBufferFormCarriesNoTargetOrFrames) {
    TypeInfo<short>::Register();
    Frames f(1);
    SpriteEvent e(11, Point4(5, 6, 7, 8), f.list, 2, SpriteEvent::Notify, 3, new Container<short>(12));
    SuperString s;
    s << e;
    // value, type, layer, loop start, then the payload's flag, class name and value.
    EXPECT_EQ(s.Length(), 8 + 2 + 2 + static_cast<int>(TypeNameOf<short>().size()) + 2);
    SpriteEvent back(new Container<short>(99));
    s >> back;
    EXPECT_EQ(back.value, 11);
    EXPECT_EQ(back.type, SpriteEvent::Notify);
    EXPECT_EQ(back.layer, 2);
    EXPECT_EQ(back.loopStart, 3);
    EXPECT_EQ(back.target, Point4());
    EXPECT_TRUE(back.frames.IsEmpty());
    ASSERT_NE(PayloadValue<short>(back.payload), nullptr);
    EXPECT_EQ(*PayloadValue<short>(back.payload), 12);
}

TEST(SpriteEventRecord, APayloadOfSpriteEventsIsMadeAgainByItsClassName) {
    TypeInfo<short>::Register();
    SpriteEvent e(11, Point4(5, 6, 7, 8), List<Bitmap*>(), 2, SpriteEvent::Notify, 3, new Container<short>(12));
    const Container<SpriteEvent> payload(e);
    SuperString s;
    s << static_cast<const ContainerBase*>(&payload);
    ASSERT_FALSE(s.Failed());
    ContainerBase* back = nullptr;
    s >> back;
    std::unique_ptr<ContainerBase> owned(back);
    const SpriteEvent* read = PayloadValue<SpriteEvent>(back);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(back->TypeName(), "SpriteEvent");
    EXPECT_EQ(read->value, 11);
    EXPECT_EQ(read->loopStart, 3);
    ASSERT_NE(PayloadValue<short>(read->payload), nullptr);
    EXPECT_EQ(*PayloadValue<short>(read->payload), 12);
}

} // namespace
