#include "game/logic/combat_records.h"
#include "game/pictures/hex_directions.h"
#include "tests/pictures/pictures_fixture.h"

#include <algorithm>
#include <set>

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
        if (VhSprite* s = p->GetFigureSprite(static_cast<std::int16_t>(i))) {
            EXPECT_TRUE(s->IsHidden()) << i;
        }
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

namespace pictest {
namespace {

class CombatPicture : public TestPicture {
public:
    CombatPicture() : TestPicture(TestPicture::Foot, 1005, 1) {}
    std::vector<std::int16_t> Directions(std::initializer_list<short> enemies) {
        List<short> l;
        for (short h : enemies) l.AddTail(h);
        return CombatDirections(&l);
    }
};

TEST_F(BaseCommandsTest, EngagedDirectionsFollowTheFiguresPreferences) {
    auto* p = new CombatPicture();
    Place(p);
    // An enemy to the front right: relative direction 2 for every figure whose row ranks it.
    auto d = p->Directions({HexNeighbour(1005, 2), 1305});
    EXPECT_EQ(d, (std::vector<std::int16_t>{2, 2, 2, 2, 2, 2, 2, 2}));
    // Front left and front right together count as the front.
    d = p->Directions({HexNeighbour(1005, 2), HexNeighbour(1005, 8)});
    EXPECT_EQ(d, (std::vector<std::int16_t>{1, 1, 1, 1, 1, 1, 1, 1}));
    // An enemy behind (south), which only the rear ranks may face.
    d = p->Directions({HexNeighbour(1005, 6)});
    EXPECT_EQ(d, (std::vector<std::int16_t>{0, 0, 0, 0, 6, 6, 0, 0}));
    // No enemy adjacent: no figure is engaged.
    EXPECT_EQ(p->Directions({1305}), std::vector<std::int16_t>(8, 0));
}

TEST_F(BaseCommandsTest, CombatWithoutAnimationFellsTheLossesAndStepUpsCloseTheRanks) {
    for (bool engaged : {true, false}) {
        TestPicture* p = Place(new TestPicture(TestPicture::Foot, 1005, 1));
        p->SetLoss(100);
        List<short> enemies;
        enemies.AddTail(engaged ? HexNeighbour(1005, 2) : static_cast<short>(1305));
        Play(*p, LogicalCommandInfo(0, new Container<List<short>>(enemies), 0, RegisterMessage("CombatDontAnimate"), BusMessage()));
        EXPECT_EQ(Standing(*p), 3) << engaged;
        std::set<int> slots;
        for (int i = 0; i < 8; ++i) {
            if (p->GetFigureState(static_cast<std::int16_t>(i)) != 0) continue;
            const int slot = p->GetFigureSlot(static_cast<std::int16_t>(i));
            EXPECT_GE(slot, 0) << i;
            EXPECT_TRUE(slots.insert(slot).second) << "two figures in slot " << slot;
        }
        EXPECT_TRUE(p->LooseSprites().IsEmpty());
    }
}

TEST_F(BaseCommandsTest, ARoutWithoutRoutArtOnlyLowersTheFlag) {
    TestPicture* p = Place(new TestPicture(TestPicture::Foot, 1005, 1));
    List<short> route;
    route.AddTail(1005);
    route.AddTail(1004);
    Play(*p, LogicalCommandInfo(0, new Container<List<short>>(route), 0, RegisterMessage("TerminalRout"), BusMessage()));
    EXPECT_EQ(p->GetHex(), 1005);
    EXPECT_TRUE(p->GetFlag()->IsHidden());
    // Not routed: the flag can still be raised.
    Play(*p, Named("RaiseFlags"), false);
    EXPECT_FALSE(p->Commands().IsEmpty() && p->AnimatingSprites().IsEmpty() && Describe(*p->GetFlag()).empty());
}

} // namespace
} // namespace pictest

namespace pictest {
namespace {

struct CasualtyCase {
    short hex;
    std::uint16_t percent;
    std::vector<int> fallen;
};

// The figures chosen are those of the draws seeded with the hex (x -> x * 16807 mod 2^32 mod
// 1195914823), so both pictures of a unit, and a replay, lose the same men.
TEST_F(BaseCommandsTest, CasualtiesAreChosenByDrawsSeededWithTheHex) {
    const CasualtyCase cases[] = {{1005, 40, {0, 5}}, {1005, 100, {0, 3, 4, 5, 7}}, {2211, 60, {0, 1, 3}}};
    for (const CasualtyCase& c : cases) {
        TestPicture* p = Place(new TestPicture(TestPicture::Foot, c.hex, 1));
        Play(*p, Hit(c.percent, 3));
        std::vector<int> fallen;
        for (int i = 0; i < 8; ++i)
            if (p->GetFigureState(static_cast<std::int16_t>(i)) != 0) fallen.push_back(i);
        EXPECT_EQ(fallen, c.fallen) << c.hex << " " << c.percent;
    }
}

} // namespace
} // namespace pictest

namespace pictest {
namespace {

TEST_F(BaseCommandsTest, RestoredCohesionBringsFiguresBackIntoFreeSlots) {
    TestPicture* p = Place(new TestPicture(TestPicture::Foot, 1005, 1));
    Play(*p, Hit(100, 3));
    ASSERT_EQ(Standing(*p), 3);
    const std::size_t created = listener.created.size();
    Play(*p, Named("RestoreCohesion", new Container<short>(40)));
    // (8 - 3) * 40 / 100 = 2 stay down.
    EXPECT_EQ(Standing(*p), 6);
    EXPECT_EQ(p->GetLossPercent(), 40);
    EXPECT_EQ(listener.created.size(), created + 3);
    std::set<int> slots;
    for (int i = 0; i < 8; ++i) {
        if (p->GetFigureState(static_cast<std::int16_t>(i)) != 0) continue;
        VhSprite* s = p->GetFigureSprite(static_cast<std::int16_t>(i));
        ASSERT_NE(s, nullptr);
        EXPECT_FALSE(s->IsHidden());
        EXPECT_TRUE(slots.insert(p->GetFigureSlot(static_cast<std::int16_t>(i))).second) << i;
    }
    // A second hit of the same loss fells no one: the fallen count follows the restored loss.
    Play(*p, Hit(40, 3));
    EXPECT_EQ(Standing(*p), 6);
}

TEST_F(BaseCommandsTest, AnInsertedUnitStandsInItsNewHexAndFacing) {
    TestPicture* p = Place(new TestPicture(TestPicture::Foot, 1005, 1));
    Play(*p, Named("HideAllSprites"));
    Play(*p, Named("UnitInserted", new Container<DIRECTION>(South), 1207));
    EXPECT_EQ(p->GetHex(), 1207);
    EXPECT_EQ(p->GetFacing(), 5u);
    for (int i = 0; i < 8; ++i) {
        VhSprite* s = p->GetFigureSprite(static_cast<std::int16_t>(i));
        EXPECT_EQ(s->GetHex(), 1207) << i;
        EXPECT_FALSE(s->IsHidden()) << i;
        EXPECT_EQ(s->GetCurrentFrame(), FrameInfo("Standing", 4)) << i;
    }
    EXPECT_FALSE(p->GetFlag()->IsHidden());
}

} // namespace
} // namespace pictest

namespace pictest {
namespace {

TEST_F(BaseCommandsTest, ALeaderWithRaisedColoursCarriesThemIntoHisNewFacing) {
    TestPicture* p = new TestPicture(TestPicture::Leader, 1005, 1);
    p->SetKind(4);
    Place(p);
    ASSERT_EQ(p->GetFlag(), nullptr);
    Play(*p, Named("RaiseFlags"), false);
    // A turn clears the colours while the figure turns; finishing it gives them back to him.
    Play(*p, Turn(South), false);
    int ticks = 0;
    while (!p->Commands().IsEmpty() && ticks++ < 100) {
        clock += 50;
        p->Tick(clock, nullptr);
        DrainTasks();
    }
    EXPECT_TRUE(p->Commands().IsEmpty());
    EXPECT_EQ(p->GetFlag(), p->GetFigureSprite(0));
    // Without raised colours a turn leaves him without.
    Play(*p, Named("LowerFlags"), false);
    Play(*p, Turn(North));
    EXPECT_EQ(p->GetFlag(), nullptr);
}

} // namespace
} // namespace pictest
