#include "game/logic/combat_records.h"
#include "game/pictures/hex_directions.h"
#include "tests/pictures/pictures_fixture.h"

#include <algorithm>

namespace pictest {
namespace {

// A sprite's queued events, one line each: "step" (type 5), "hide", "show", "cue N",
// "region H", or "<type> H x,y t <first frame> v<value>" for moves and frame runs.
std::vector<std::string> Describe(const Sprite& s) {
    std::vector<std::string> out;
    auto& events = const_cast<Queue<SpriteEvent>&>(s.Events());
    ListIterator<SpriteEvent> it(&events);
    SpriteEvent e;
    while (it.Next(e)) {
        const VhSpriteEvent* v = PayloadValue<VhSpriteEvent>(e.payload);
        if (e.type == 5) out.push_back("step");
        else if (e.type == SpriteEvent::HideSprite) out.push_back("hide");
        else if (e.type == SpriteEvent::ShowSprite) out.push_back("show");
        else if (e.type == SpriteEvent::Notify && v) out.push_back("cue " + std::to_string(v->sound.code));
        else if (e.type == VhSprite::ChangeRegionType()) out.push_back("region " + std::to_string(e.value));
        else {
            FrameInfo first;
            if (v) v->frames.PeekHead(first);
            out.push_back(std::to_string(e.type) + " " + std::to_string(e.value) + " " + std::to_string(e.target.x) + "," +
                          std::to_string(e.target.y) + " " + std::to_string(e.target.fourth) + " " + (first.GetName() ? first.GetName() : "") + ":" +
                          std::to_string(first.GetFrame()) + " v" + std::to_string(static_cast<std::int16_t>(e.layer)));
        }
    }
    return out;
}

class BaseCommandsTest : public PictureLayerTest {
protected:
    static LogicalCommandInfo Named(const char* name, ContainerBase* payload = nullptr, std::int16_t value = 0) {
        return LogicalCommandInfo(0, payload, value, RegisterMessage(name), BusMessage());
    }
    static LogicalCommandInfo Hit(std::uint16_t percent, std::uint32_t method) {
        return Named("CohesionHit", new Container<MethodOfDeathStruct>(MethodOfDeathStruct(percent, method, 0xFFFF)));
    }
    static LogicalCommandInfo Move(std::initializer_list<short> route, std::int16_t value = 0) {
        List<short> l;
        for (short h : route) l.AddTail(h);
        return LogicalCommandInfo(0, new Container<List<short>>(l), value, LOGICAL_OBJECT_MOVED, BusMessage());
    }
    static LogicalCommandInfo Turn(DIRECTION d) {
        return LogicalCommandInfo(0, new Container<DIRECTION>(d), 0, CHANGE_UNIT_FACING, BusMessage());
    }
    // Plays a command alone: queued, started by one tick; the picture's sprites are left with
    // what the command queued, unless play is set, when every tick until the picture is idle runs.
    void Play(TestPicture& p, LogicalCommandInfo c, bool play = true) {
        p.QueueMessage(c);
        DrainTasks();
        clock += 50;
        int more = p.Tick(clock, nullptr);
        DrainTasks();
        for (int k = 0; play && more && k < 1000; ++k) {
            clock += 50;
            more = p.Tick(clock, nullptr);
            DrainTasks();
        }
    }
    static int Standing(const TestPicture& p) {
        int n = 0;
        for (int i = 0; i < p.GetFigureCount(); ++i) n += p.GetFigureState(static_cast<std::int16_t>(i)) == 0;
        return n;
    }
    std::int32_t clock = 1000;
};

struct HitCase {
    std::uint16_t percent;
    std::uint32_t method;
    std::int16_t loss;      // lossPercent afterwards (starts at 20)
    int standing;           // figures still standing of 8
};

TEST_F(BaseCommandsTest, CohesionHitsSetTheLossAndFellFiguresDownToTheMinimum) {
    const HitCase cases[] = {
        {60, 0xFFFFFFFFu, 20, 8},  // method -1: nothing changes
        {60, 1, 60, 8},            // method 1: the loss only
        {100, 3, 100, 3},          // five of eight fall, three remain
        {150, 3, 100, 3},          // capped at 100
        {40, 3, 40, 6},            // (8 - 3) * 40 / 100 = 2
    };
    for (const HitCase& c : cases) {
        TestPicture* p = Place(new TestPicture(TestPicture::Foot, 1005, 1));
        p->SetLoss(20);
        Play(*p, Hit(c.percent, c.method));
        EXPECT_EQ(p->GetLossPercent(), c.loss) << c.percent << "/" << c.method;
        EXPECT_EQ(Standing(*p), c.standing) << c.percent << "/" << c.method;
        // Fallen figures ended as bodies (state 2), none is left falling.
        for (int i = 0; i < p->GetFigureCount(); ++i) EXPECT_NE(p->GetFigureState(static_cast<std::int16_t>(i)), 1);
        EXPECT_TRUE(p->LooseSprites().IsEmpty());
    }
}

TEST_F(BaseCommandsTest, BothPicturesOfAUnitChooseTheSameCasualties) {
    TestPicture* a = Place(new TestPicture(TestPicture::Foot, 1005, 1));
    TestPicture* b = Place(new TestPicture(TestPicture::Foot, 1005, 1));
    b->SetViewIndex(1);
    Play(*a, Hit(60, 3));
    Play(*b, Hit(60, 3));
    std::vector<int> fa, fb;
    for (int i = 0; i < 8; ++i) {
        fa.push_back(a->GetFigureState(static_cast<std::int16_t>(i)));
        fb.push_back(b->GetFigureState(static_cast<std::int16_t>(i)));
    }
    EXPECT_EQ(fa, fb);
    EXPECT_EQ(Standing(*a), 5);
    // A later, smaller hit fells no one more.
    Play(*a, Hit(40, 3));
    EXPECT_EQ(Standing(*a), 5);
}

TEST_F(BaseCommandsTest, ATurnMovesEveryFigureToItsSlotForTheNewFacing) {
    TestPicture* p = Place(new TestPicture(TestPicture::Foot, 1005, 1));
    Play(*p, Turn(East), false);
    EXPECT_EQ(p->GetFacing(), 3u);
    VhSprite* f = p->GetFigureSprite(0);
    const std::int16_t slot = p->GetFigureSlot(0);
    const Point3D to = p->GetSlotOffsets(slot)[p->TurnFacing(3)];
    const auto events = Describe(*f);
    // Turning from north to any facing but north-east passes through north-west: 20000 / 83.
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(std::count(events.begin(), events.end(), "cue 10"), 1);
    EXPECT_EQ(events.back(), "cue 11");
    const std::string turn = events[events.size() - 3];
    EXPECT_EQ(turn.substr(0, turn.find(' ', turn.find(' ', turn.find(' ') + 1) + 1)),
              "0 1005 " + std::to_string(to.x) + "," + std::to_string(to.y));
    EXPECT_NE(turn.find(" 240 NW:0"), std::string::npos) << turn;
    EXPECT_NE(events[events.size() - 2].find("Standing:2"), std::string::npos);
    // Played out, the figure stands where the new facing puts it.
    Play(*p, Named("HideAllSprites"));
    Play(*p, Named("ShowAllSprites"));
    EXPECT_EQ(f->GetCurrentFrame(), FrameInfo("Standing", 2));
    EXPECT_FALSE(f->IsHidden());
}

TEST_F(BaseCommandsTest, ATurnToTheSameFacingPlaysNothing) {
    TestPicture* p = Place(new TestPicture(TestPicture::Foot, 1005, 3));
    Play(*p, Turn(East), false);
    EXPECT_TRUE(p->Commands().IsEmpty());
    EXPECT_TRUE(Describe(*p->GetFigureSprite(0)).empty());
}

TEST_F(BaseCommandsTest, HeldMovesWaitAndTheThirdIsPlayed) {
    TestPicture* p = Place(new TestPicture(TestPicture::Foot, 1005, 1));
    p->HoldNextMove();
    p->HoldNextMove();
    Play(*p, Move({1005, 1004}));
    Play(*p, Move({1004, 1003}));
    EXPECT_EQ(p->GetHex(), 1005);
    EXPECT_EQ(p->MovesToSkip(), 0);
    Play(*p, Move({1005, 1006}));
    EXPECT_EQ(p->GetHex(), 1006);
}

TEST_F(BaseCommandsTest, AnEmptyRouteStaysInTheCommandsHex) {
    TestPicture* p = Place(new TestPicture(TestPicture::Foot, 1005, 1));
    Play(*p, Move({}, 1007));
    EXPECT_EQ(p->GetHex(), 1007);
}

TEST_F(BaseCommandsTest, EliminationWithoutDeathsHidesEveryFigureAndTakesTheFlag) {
    TestPicture* p = Place(new TestPicture(TestPicture::Foot, 1005, 1));
    Sprite* theFlag = p->GetFlag();
    ASSERT_NE(theFlag, nullptr);
    Play(*p, Named("UnitEliminated", new Container<short>(0)));
    EXPECT_EQ(p->GetFlag(), nullptr);
    EXPECT_NE(std::find(listener.destroyed.begin(), listener.destroyed.end(), theFlag), listener.destroyed.end());
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(p->GetFigureState(static_cast<std::int16_t>(i)), 2) << i;
        if (VhSprite* s = p->GetFigureSprite(static_cast<std::int16_t>(i))) EXPECT_TRUE(s->IsHidden()) << i;
    }
    EXPECT_EQ(p->GetLossPercent(), 0);
    // Later commands find nothing to play and are still finished.
    Play(*p, Turn(South));
    EXPECT_TRUE(p->Commands().IsEmpty());
}

TEST_F(BaseCommandsTest, FlagCommands) {
    TestPicture* p = Place(new TestPicture(TestPicture::Foot, 1005, 1));
    VhSprite* f = p->GetFlag();
    ASSERT_NE(f, nullptr);
    Play(*p, Named("DropFlags"));
    EXPECT_TRUE(f->IsHidden());
    Play(*p, Named("RaiseFlags"), false);
    EXPECT_TRUE(p->AnimatingSprites().Contains(f) || !Describe(*f).empty());
}

TEST_F(BaseCommandsTest, HideAndShowAllSprites) {
    TestPicture* p = Place(new TestPicture(TestPicture::Foot, 1005, 1));
    Play(*p, Named("HideAllSprites"));
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(p->GetFigureSprite(static_cast<std::int16_t>(i))->IsHidden());
    EXPECT_TRUE(p->GetFlag()->IsHidden());
    Play(*p, Named("ShowAllSprites"));
    for (int i = 0; i < 8; ++i) EXPECT_FALSE(p->GetFigureSprite(static_cast<std::int16_t>(i))->IsHidden());
}

TEST_F(BaseCommandsTest, UnitRemovedHidesFiguresAndFlag) {
    TestPicture* p = Place(new TestPicture(TestPicture::Foot, 1005, 1));
    Play(*p, Named("UnitRemoved"));
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(p->GetFigureSprite(static_cast<std::int16_t>(i))->IsHidden());
    EXPECT_TRUE(p->GetFlag()->IsHidden());
}

} // namespace
} // namespace pictest
