#include "game/logic/combat_records.h"
#include "game/pictures/hex_directions.h"
#include "game/pictures/picture_log.h"
#include "tests/pictures/pictures_fixture.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

namespace pictest {
namespace {

// Records, in order, the picture messages of the layer's bus: activation, the two notices and
// the replies ("reply N" for a reply carrying the short N).
struct Recorder : Component {
    std::vector<std::string> seen;
    Recorder() : Component("Picture Recorder") {}
    static Recorder* Self(Component* c) { return static_cast<Recorder*>(c); }
    static ContainerBase* OnActivated(Component* c, BusMessage, ContainerBase*) {
        Self(c)->seen.push_back("activated");
        return nullptr;
    }
    static ContainerBase* OnDeactivated(Component* c, BusMessage, ContainerBase*) {
        Self(c)->seen.push_back("deactivated");
        return nullptr;
    }
    static ContainerBase* OnMoving(Component* c, BusMessage, ContainerBase* p) {
        const unsigned short* id = PayloadValue<unsigned short>(p);
        Self(c)->seen.push_back("moving " + std::to_string(id ? *id : -1));
        return nullptr;
    }
    static ContainerBase* OnNotMoving(Component* c, BusMessage, ContainerBase* p) {
        const unsigned short* id = PayloadValue<unsigned short>(p);
        Self(c)->seen.push_back("not-moving " + std::to_string(id ? *id : -1));
        return nullptr;
    }
    static ContainerBase* OnReply(Component* c, BusMessage, ContainerBase* p) {
        const short* n = PayloadValue<short>(p);
        Self(c)->seen.push_back("reply " + std::to_string(n ? *n : -1));
        return nullptr;
    }
    void Connect() override {
        RegisterHandler(PHYSICAL_OBJECT_ACTIVATED, OnActivated);
        RegisterHandler(PHYSICAL_OBJECT_DEACTIVATED, OnDeactivated);
        RegisterNamedHandler("PhysicalObjectMoving", OnMoving);
        RegisterNamedHandler("PhysicalObjectNotMoving", OnNotMoving);
        RegisterNamedHandler("Picture Test Reply", OnReply);
    }
    int Count(const std::string& what) const { return static_cast<int>(std::count(seen.begin(), seen.end(), what)); }
};

class CommandCycleTest : public PictureLayerTest {
protected:
    void SetUp() override {
        PictureLayerTest::SetUp();
        recorder.AttachToBus(layer.get());
    }
    void TearDown() override {
        pictures.clear();
        recorder.DetachFromBus();
        PictureLayerTest::TearDown();
    }
    // A command record: sourceWord non-zero for a command a logical unit sent.
    static LogicalCommandInfo Command(BusMessage event, ContainerBase* payload, short replyNumber, std::uint16_t source = 0,
                                      std::int16_t value = 0) {
        return LogicalCommandInfo(source, payload, value, event, RegisterMessage("Picture Test Reply"),
                                  new Container<short>(replyNumber));
    }
    static LogicalCommandInfo Named(const char* name, ContainerBase* payload, short replyNumber, std::uint16_t source = 0) {
        return Command(RegisterMessage(name), payload, replyNumber, source);
    }
    static LogicalCommandInfo Turn(DIRECTION d, short replyNumber, std::uint16_t source = 0) {
        return Command(CHANGE_UNIT_FACING, new Container<DIRECTION>(d), replyNumber, source);
    }
    // Ticks the picture every 50 time units from `from` (the virtual clock) and delivers what it
    // posted; the number of ticks until it went quiet (0 return), or -1 after `limit` ticks.
    int RunUntilIdle(VhPhysicalObject& p, int limit = 400) {
        for (int k = 0; k < limit; ++k) {
            clock += 50;
            const int more = p.Tick(clock, nullptr);
            DrainTasks();
            if (!more) return k + 1;
        }
        return -1;
    }
    int Tick(VhPhysicalObject& p) {
        clock += 50;
        const int more = p.Tick(clock, nullptr);
        DrainTasks();
        return more;
    }
    std::vector<std::string> Replies() const {
        std::vector<std::string> r;
        for (const auto& s : recorder.seen)
            if (s.rfind("reply", 0) == 0) r.push_back(s);
        return r;
    }

    Recorder recorder;
    std::int32_t clock = 1000;
};

TEST_F(CommandCycleTest, CommandsPlayOneAtATimeAndEachIsAnsweredOnce) {
    TestPicture* p = Place(new TestPicture(TestPicture::Foot, 1005, 1));
    p->QueueMessage(Turn(SouthEast, 1, 7));
    p->QueueMessage(Turn(South, 2, 7));
    p->QueueMessage(Named("HideAllSprites", nullptr, 3, 7));
    DrainTasks();
    // Activation is announced once, by the first command of an idle picture.
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"activated"}));
    ASSERT_EQ(p->Commands().Count(), 3);

    // The first turn starts on the first tick and holds the queue while its figures turn.
    EXPECT_EQ(Tick(*p), 1);
    EXPECT_FALSE(p->AnimatingSprites().IsEmpty());
    EXPECT_EQ(p->Commands().Count(), 3);
    EXPECT_EQ(p->GetFacing(), 4u);
    EXPECT_TRUE(Replies().empty());
    int ticks = 0;
    while (Replies().empty() && ticks++ < 100) Tick(*p);
    EXPECT_EQ(Replies(), (std::vector<std::string>{"reply 1"}));
    EXPECT_EQ(p->Commands().Count(), 2);
    // The second starts only on the next tick.
    EXPECT_EQ(p->GetFacing(), 4u);
    Tick(*p);
    EXPECT_EQ(p->GetFacing(), 5u);

    ASSERT_GT(RunUntilIdle(*p), 0);
    const std::string me = std::to_string(p->GetId());
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"activated", "moving " + me, "reply 1", "moving " + me, "reply 2",
                                                        "moving " + me, "reply 3", "not-moving " + me, "deactivated"}));
    EXPECT_TRUE(p->Commands().IsEmpty());
    EXPECT_FALSE(layer->AnimatingObjects().Contains(p));
}

TEST_F(CommandCycleTest, ACommandThatAnimatesNothingIsAnsweredInTheTickThatStartsIt) {
    TestPicture* p = Place(new TestPicture(TestPicture::Foot, 1005, 1));
    // A turn to the facing it has, a command no one knows, then a hide.
    p->QueueMessage(Turn(North, 1));
    p->QueueMessage(Named("No Such Picture Command", nullptr, 2));
    p->QueueMessage(Named("HideAllSprites", nullptr, 3));
    DrainTasks();
    for (int expected = 1; expected <= 3; ++expected) {
        Tick(*p);
        EXPECT_EQ(static_cast<int>(Replies().size()), expected);
    }
    EXPECT_EQ(Replies(), (std::vector<std::string>{"reply 1", "reply 2", "reply 3"}));
    // No command came from a logical unit: no moving notice, but the queue's end is told.
    EXPECT_EQ(recorder.Count("moving " + std::to_string(p->GetId())), 0);
    EXPECT_EQ(recorder.Count("not-moving " + std::to_string(p->GetId())), 1);
    EXPECT_EQ(recorder.Count("deactivated"), 1);
    for (int i = 0; i < p->GetFigureCount(); ++i) EXPECT_TRUE(p->GetFigureSprite(static_cast<std::int16_t>(i))->IsHidden()) << i;
}

struct ViewCase {
    std::int16_t activeMode;
    std::uint16_t answeringView;
};

TEST_F(CommandCycleTest, OnlyThePictureOfTheShownViewAnswers) {
    // With neither map shown the main map's picture answers, so that no sender waits for ever.
    for (const ViewCase c : {ViewCase{0, 0}, ViewCase{4, 1}, ViewCase{-1, 0}}) {
        recorder.seen.clear();
        SetActiveViewMode(c.activeMode);
        TestPicture* inView[2];
        for (std::uint16_t v = 0; v < 2; ++v) {
            auto* p = new TestPicture(TestPicture::Foot, 1005, 1);
            p->SetViewIndex(v);
            inView[v] = Place(p);
            p->QueueMessage(Turn(SouthEast, static_cast<short>(10 + v), 7));
        }
        DrainTasks();
        for (auto* p : inView) ASSERT_GT(RunUntilIdle(*p), 0);
        const std::string answering = std::to_string(inView[c.answeringView]->GetId());
        EXPECT_EQ(Replies(), (std::vector<std::string>{"reply " + std::to_string(10 + c.answeringView)})) << c.activeMode;
        EXPECT_EQ(recorder.Count("moving " + answering), 1);
        EXPECT_EQ(recorder.Count("not-moving " + answering), 1);
        EXPECT_EQ(recorder.seen.size(), 2u + 3u + 2u) << "two activations, three notices, two deactivations";
        EXPECT_EQ(recorder.Count("deactivated"), 2);
        // Both views played the turn.
        for (auto* p : inView) EXPECT_EQ(p->GetFacing(), 4u);
    }
}

TEST_F(CommandCycleTest, DeactivationWaitsForFallingFigures) {
    TestPicture* p = Place(new TestPicture(TestPicture::Foot, 1005, 1));
    p->QueueMessage(Named("CohesionHit", new Container<MethodOfDeathStruct>(MethodOfDeathStruct(100, 3, 0xFFFF)), 1));
    DrainTasks();
    Tick(*p);
    // The hit holds no animation of its own: it is answered at once; the falling bodies play on.
    EXPECT_EQ(Replies(), (std::vector<std::string>{"reply 1"}));
    EXPECT_EQ(recorder.Count("deactivated"), 0);
    ASSERT_GT(RunUntilIdle(*p), 0);
    EXPECT_EQ(recorder.Count("deactivated"), 1);
    EXPECT_TRUE(p->LooseSprites().IsEmpty());
}

TEST_F(CommandCycleTest, ADeletedPictureAnswersWhatItHadQueuedOnce) {
    auto* p = new TestPicture(TestPicture::Foot, 1005, 1);
    Place(p);
    p->QueueMessage(Named("UnitEliminated", new Container<short>(1), 1));
    p->QueueMessage(Turn(South, 2));
    p->QueueMessage(Turn(North, 3));
    DrainTasks();
    Tick(*p);
    EXPECT_EQ(Replies(), (std::vector<std::string>{"reply 1"}));
    // The eliminated picture still answers a command with nothing left to play.
    Tick(*p);
    EXPECT_EQ(Replies(), (std::vector<std::string>{"reply 1", "reply 2"}));
    pictures.clear();
    DrainTasks();
    EXPECT_EQ(Replies(), (std::vector<std::string>{"reply 1", "reply 2", "reply 3"}));
}

TEST_F(CommandCycleTest, TheHiddenViewsPictureAnswersNothingEvenWhenDeleted) {
    SetActiveViewMode(0);
    auto* p = new TestPicture(TestPicture::Foot, 1005, 1);
    p->SetViewIndex(1);
    Place(p);
    p->QueueMessage(Turn(South, 1));
    DrainTasks();
    pictures.clear();
    DrainTasks();
    EXPECT_TRUE(Replies().empty());
}

// The debug log the live program's test reads: every command that came in through the bus, every
// answer the shown view's picture gave (while it runs and as it is deleted), and the other view's
// picture dropping its own, line for line as the replies really went out.
TEST_F(CommandCycleTest, TheDebugLogAccountsForEveryAnswerTheBusCarries) {
    const std::string path = ::testing::TempDir() + "/picture_log_test.txt";
    ASSERT_TRUE(OpenPictureLog(path));
    SetActiveViewMode(0);
    TestPicture* inView[2];
    for (std::uint16_t v = 0; v < 2; ++v) {
        auto* p = new TestPicture(TestPicture::Foot, 1005, 1);
        p->SetViewIndex(v);
        inView[v] = Place(p);
        for (LogicalCommandInfo c : {Named("UnitEliminated", new Container<short>(1), 1), Turn(South, 2), Turn(North, 3)}) {
            // As the layer hands a command to its picture.
            Container<LogicalCommandInfo> sent(c);
            List<VectorBusResponse> responses = recorder.CollectFrom(p->GetId(), LOGICAL_COMMAND, &sent);
            DeleteResponses(responses);
        }
    }
    DrainTasks();
    Tick(*inView[0]);
    Tick(*inView[0]);
    pictures.clear();
    DrainTasks();
    ClosePictureLog();
    ASSERT_EQ(Replies().size(), 3u);

    std::map<std::string, std::map<std::string, int>> lines;  // picture -> kind -> count
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::stringstream ss(line);
        long long ms = 0;
        std::string kind, picture, view, reply, name;
        ss >> ms >> kind >> picture >> view >> reply >> name;
        if (kind == "make") EXPECT_EQ(reply, "1005") << line;  // the hex the picture stands in
        if (kind == "queue") {
            EXPECT_EQ(reply, "1") << line;
            EXPECT_TRUE(name == "UnitEliminated" || name == std::to_string(CHANGE_UNIT_FACING)) << line;
        }
        ++lines[picture][kind];
    }
    const std::string shown = PictureLogName(inView[0]), hidden = PictureLogName(inView[1]);
    EXPECT_EQ(lines[shown], (std::map<std::string, int>{{"make", 1}, {"queue", 3}, {"answer", 3}, {"delete", 1}}));
    EXPECT_EQ(lines[hidden], (std::map<std::string, int>{{"make", 1}, {"queue", 3}, {"drop", 3}, {"delete", 1}}));
    std::remove(path.c_str());
}

} // namespace
} // namespace pictest
