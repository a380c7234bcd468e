#include "physical_fixture.h"

namespace {

const int kMoved = LOGICAL_OBJECT_MOVED;

Point3D LocationOf(short region) { return Point3D(static_cast<short>(region / 100 * 10), static_cast<short>(region % 100 * 10), 0); }

// A layer on the application with one recorder on its bus that answers "Get Region Location",
// and the figure picture registered under type code 3.
class ObjectFixture : public PhysicalFixture {
protected:
    void SetUp() override {
        PhysicalFixture::SetUp();
        layer = std::make_unique<TickingLayer>();
        layer->AttachToBus(app.get());
        rec.AttachToBus(layer.get());
        replyOne = RegisterMessage("MovementDone");
        replyTwo = RegisterMessage("FacingDone");
        replyThree = RegisterMessage("RallyDone");
        for (int e : {replyOne, replyTwo, replyThree, int(PHYSICAL_OBJECT_ACTIVATED), int(PHYSICAL_OBJECT_DEACTIVATED)})
            rec.Listen(e);
        const int where = RegisterMessage("Get Region Location");
        rec.Listen(where);
        rec.answers[where] = [](ContainerBase* p) -> ContainerBase* {
            return new Container<Point3D>(LocationOf(*PayloadValue<short>(p)));
        };
        PhysicalLayer::RegisterCreator(3, new FigureObject(0, 2));
    }
    void TearDown() override {
        rec.DetachFromBus();
        layer.reset();
        EXPECT_EQ(FigureObject::live, 0) << "pictures or prototypes leaked";
        PhysicalFixture::TearDown();
    }

    // The picture of logical object `number`, standing on `region`.
    FigureObject* Create(std::uint16_t number, short region) {
        LogicalCommandInfo created(number, new Container<short>(3), region);
        Container<LogicalCommandInfo> p(created);
        layer->Post(LOGICAL_UNIT_CREATED, &p);
        return dynamic_cast<FigureObject*>(layer->GetComponent(layer->PictureIdOf(number)));
    }

    void Command(std::uint16_t number, short region, int command, int reply, short replyValue = 0) {
        LogicalCommandInfo c(number, nullptr, region, command, reply, new Container<short>(replyValue));
        Container<LogicalCommandInfo> p(c);
        app->Post(LOGICAL_COMMAND, &p);
    }

    // Animation timer ticks every 100 ms up to `until`.
    void RunUntil(long until) {
        for (; clock < until;) {
            clock += 100;
            rec.now = clock;
            app->TimerTick(static_cast<std::uint32_t>(clock));
        }
    }

    std::vector<Heard> HeardOf(int event) const {
        std::vector<Heard> out;
        for (const Heard& h : rec.heard)
            if (h.event == event) out.push_back(h);
        return out;
    }

    std::unique_ptr<TickingLayer> layer;
    Recorder rec;
    int replyOne = 0, replyTwo = 0, replyThree = 0;
    long clock = 0;
};

TEST_F(ObjectFixture, CommandsPlayOneAfterAnotherAndEachReplyIsPostedOnceWhenItsMoveEnds) {
    FigureObject* o = Create(12, 101);
    ASSERT_NE(o, nullptr);
    Command(12, 705, kMoved, replyOne, 1);
    Command(12, 303, kMoved, replyTwo, 2);
    EXPECT_EQ(rec.Count(PHYSICAL_OBJECT_ACTIVATED), 1) << "two commands queued while idle activate once";
    EXPECT_TRUE(layer->TimerRunning());
    int queuedAtFirstReply = -1;
    rec.onHeard = [&](int e) {
        if (e == replyOne) queuedAtFirstReply = o->Commands().Count();
    };

    RunUntil(6000);

    // The first tick (100) starts the first move of 2000: it reaches its target at 2100, and
    // the tick after (2200) finds its figures idle and answers. The second starts on the next
    // tick (2300), arrives at 4300 and is answered at 4400.
    const std::vector<Heard> first = HeardOf(replyOne), second = HeardOf(replyTwo);
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(first[0].time, 2200);
    EXPECT_EQ(first[0].value, 1);
    EXPECT_EQ(second[0].time, 4400);
    EXPECT_EQ(second[0].value, 2);
    EXPECT_EQ(queuedAtFirstReply, 2) << "the reply goes out before its command leaves the queue";
    EXPECT_EQ(rec.Events().back(), PHYSICAL_OBJECT_DEACTIVATED) << "deactivation follows the last reply only";
    EXPECT_EQ(rec.Count(PHYSICAL_OBJECT_DEACTIVATED), 1);
    EXPECT_FALSE(layer->TimerRunning());
    EXPECT_TRUE(o->Commands().IsEmpty());
    EXPECT_TRUE(layer->Check());
    // The figures stand at the last region's location plus their offsets, with its number.
    for (std::uint16_t i = 0; i < 2; ++i) {
        EXPECT_EQ(o->GetSprite(i)->GetPosition(), LocationOf(303) + Point3D(static_cast<short>(10 * i), static_cast<short>(5 * i), 0));
        EXPECT_EQ(o->GetSprite(i)->GetObjectId(), 303);
    }
    EXPECT_EQ(o->finished, 2);
}

TEST_F(ObjectFixture, ACommandNothingCanPlayIsAnsweredAtOnceInsteadOfBlockingTheQueue) {
    FigureObject* o = Create(4, 101);
    Command(4, 202, CHANGE_UNIT_FACING, replyTwo, 7);
    Command(4, 705, kMoved, replyOne, 1);
    RunUntil(100);
    ASSERT_EQ(HeardOf(replyTwo).size(), 1u);
    EXPECT_EQ(HeardOf(replyTwo)[0].time, 100);
    EXPECT_EQ(o->finished, 1);
    RunUntil(3000);
    EXPECT_EQ(HeardOf(replyTwo).size(), 1u) << "answered once";
    EXPECT_EQ(HeardOf(replyOne).size(), 1u);
    EXPECT_EQ(rec.Count(PHYSICAL_OBJECT_DEACTIVATED), 1);
}

TEST_F(ObjectFixture, AnObjectWithoutFiguresAnswersItsMoveAtOnce) {
    PhysicalLayer::RegisterCreator(5, new FigureObject(0, 0));
    LogicalCommandInfo created(8, new Container<short>(5), 404);
    Container<LogicalCommandInfo> p(created);
    layer->Post(LOGICAL_UNIT_CREATED, &p);
    Command(8, 705, kMoved, replyOne);
    RunUntil(200);
    EXPECT_EQ(HeardOf(replyOne).size(), 1u);
    EXPECT_FALSE(layer->TimerRunning());
}

TEST_F(ObjectFixture, ACommandOfTheWrongTypeIsReportedAndNotQueued) {
    FigureObject* o = Create(12, 101);
    platform::QueueMessageBoxAnswer(IDNO);
    Container<short> wrong(5);
    List<VectorBusResponse> replies = layer->CollectFrom(o->GetId(), LOGICAL_COMMAND, &wrong);
    DeleteResponses(replies);
    EXPECT_NE(LastBox().find("PHYSOBJ at line 224"), std::string::npos) << LastBox();
    EXPECT_NE(LastBox().find(kBadBusData), std::string::npos);
    EXPECT_TRUE(o->Commands().IsEmpty());
    EXPECT_EQ(rec.Count(PHYSICAL_OBJECT_ACTIVATED), 0);
    EXPECT_FALSE(layer->TimerRunning());
}

TEST_F(ObjectFixture, AnObjectDeletedWithCommandsQueuedAnswersEachOnceAndLeavesNothingBehind) {
    FigureObject* o = Create(12, 101);
    Command(12, 705, kMoved, replyOne, 1);
    Command(12, 303, kMoved, replyTwo, 2);
    Command(12, 304, kMoved, 0);
    RunUntil(500); // the first move is under way
    Sprite* figure = o->GetSprite(0);
    EXPECT_TRUE(layer->Sprites().Contains(figure));
    delete o;
    EXPECT_EQ(HeardOf(replyOne).size(), 1u);
    EXPECT_EQ(HeardOf(replyTwo).size(), 1u);
    EXPECT_TRUE(layer->Objects().IsEmpty());
    EXPECT_TRUE(layer->AnimatingObjects().IsEmpty());
    EXPECT_TRUE(layer->Sprites().IsEmpty()) << "the layer must not draw deleted figures";
    EXPECT_FALSE(layer->TimerRunning());
    EXPECT_TRUE(layer->Check());
    RunUntil(5000);
    EXPECT_EQ(HeardOf(replyOne).size(), 1u);
    EXPECT_EQ(HeardOf(replyTwo).size(), 1u);
}

TEST_F(ObjectFixture, AnObjectDeletedByItsOwnReplysHandlerAnswersTheRestOnce) {
    FigureObject* o = Create(12, 101);
    Command(12, 705, kMoved, replyOne, 1);
    Command(12, 303, kMoved, replyTwo, 2);
    rec.onHeard = [&](int e) {
        if (e == replyOne && o) {
            FigureObject* doomed = o;
            o = nullptr;
            delete doomed;
        }
    };
    RunUntil(6000);
    EXPECT_EQ(o, nullptr);
    EXPECT_EQ(HeardOf(replyOne).size(), 1u);
    EXPECT_EQ(HeardOf(replyTwo).size(), 1u);
    EXPECT_EQ(rec.Count(PHYSICAL_OBJECT_DEACTIVATED), 0) << "a deleted object is forgotten, not deactivated";
    EXPECT_TRUE(layer->AnimatingObjects().IsEmpty());
    EXPECT_FALSE(layer->TimerRunning());
}

TEST_F(ObjectFixture, AnObjectDeletedWhileItAwaitsItsDestinationStopsThere) {
    FigureObject* o = Create(12, 101);
    Command(12, 705, kMoved, replyOne, 1);
    const int where = RegisterMessage("Get Region Location");
    rec.answers[where] = [&](ContainerBase*) -> ContainerBase* {
        delete o;
        o = nullptr;
        return new Container<Point3D>(Point3D(1, 2, 3));
    };
    RunUntil(3000);
    EXPECT_EQ(o, nullptr);
    EXPECT_EQ(HeardOf(replyOne).size(), 1u);
    EXPECT_FALSE(layer->TimerRunning());
}

TEST_F(ObjectFixture, ALayerDestroyedWithCommandsQueuedStillSendsTheirRepliesOut) {
    Recorder outside;
    outside.AttachToBus(app.get());
    outside.Listen(replyOne);
    Create(12, 101);
    Command(12, 705, kMoved, replyOne, 1);
    RunUntil(300);
    rec.DetachFromBus();
    layer.reset();
    EXPECT_EQ(outside.Count(replyOne), 1);
}

TEST_F(ObjectFixture, ClosingTheGameAnswersWhatThePicturesStillHadQueued) {
    Create(12, 101);
    Create(13, 102);
    Command(12, 705, kMoved, replyOne, 1);
    Command(13, 706, kMoved, replyTwo, 2);
    RunUntil(300);
    layer->PostNamedEvent("CloseGame");
    EXPECT_EQ(FigureObject::live, 1) << "only the prototype is left";
    EXPECT_EQ(HeardOf(replyOne).size(), 1u);
    EXPECT_EQ(HeardOf(replyTwo).size(), 1u);
    EXPECT_TRUE(layer->Sprites().IsEmpty());
    EXPECT_FALSE(layer->TimerRunning());
}

TEST_F(ObjectFixture, SpritesAreTakenOutOfAndBackIntoDrawingThroughTheLayer) {
    FigureObject* o = Create(12, 101);
    Sprite* s = o->GetSprite(1);
    o->DisableSprite(s);
    EXPECT_FALSE(layer->Sprites().Contains(s));
    EXPECT_TRUE(layer->DisabledSprites().Contains(s));
    o->EnableSprite(s);
    EXPECT_TRUE(layer->Sprites().Contains(s));
    EXPECT_TRUE(layer->DisabledSprites().IsEmpty());
    EXPECT_TRUE(layer->Check());
}

TEST(PhysicalObjectPlain, AnInstanceTakesTheArtNameTheIdAndFacingOne) {
    PhysicalObject prototype("Union Infantry", 0, 6);
    std::unique_ptr<PhysicalObject> made(prototype.CreateInstance(1205));
    EXPECT_EQ(made->GetName(), "Union Infantry");
    EXPECT_EQ(made->GetObjectId(), 1205);
    EXPECT_EQ(made->GetFacing(), 1u);
    EXPECT_EQ(made->GetSpriteCount(), 0);
    EXPECT_EQ(made->GetSprite(0), nullptr);
}

} // namespace
