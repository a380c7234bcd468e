// Attack declarations gathered into combats (one per defended region), the battle arrows sent to
// the display, and units taken out of the combats again.
#include "platform/msgbox.h"
#include "tests/referee/battlefield_fixture.h"

namespace {

using battlefield_testing::BattlefieldTest;

constexpr std::uint16_t Centre = 505;

class RegistrationTest : public BattlefieldTest {
protected:
    void SetUp() override {
        BattlefieldTest::SetUp();
        // Two enemies side by side, attacked from the north and from the south.
        north = N(Centre, 1);
        south = N(Centre, 5);
        east = N(Centre, 2);
        defender = Place<MediumInfantry>(Record(20, 1, Centre), "Gray Rifles");
        neighbour = Place<MediumInfantry>(Record(21, 1, east), "Gray Guards");
        fromNorth = Place<MediumInfantry>(Record(1, 0, north), "Blue Rifles");
        fromSouth = Place<MediumInfantry>(Record(2, 0, south), "Blue Guards");
        leader = PlaceLeader(30, 1, Centre, "Col. Ashby Marsh");
    }
    void Declare(Combat* attacker, std::vector<std::uint16_t> defenders, std::uint16_t target, std::uint16_t moved = 0,
                 std::vector<std::uint16_t> leaders = {}) {
        CombatNameStruct record;
        record.attacker = attacker ? attacker->GetUnitNum() : 0xFFFF;
        for (auto d : defenders) record.defenders.AddTail(d);
        for (auto l : leaders) record.defendingLeaders.AddTail(l);
        record.moved = moved;
        record.target = target;
        Container<CombatNameStruct> payload(record);
        delete (attacker ? static_cast<Component*>(attacker) : static_cast<Component*>(&Layer()))->SendNamed("AddCombatants", &payload);
        Drain();
    }
    List<CombatStruct>& Combats() { return Layer().GetCombatList(); }
    const CombatStruct* CombatAt(std::uint16_t target) {
        for (Item<CombatStruct>* i = Combats().Head(); i; i = i->next)
            if (i->value.target == target) return &i->value;
        return nullptr;
    }
    int CombatsAt(std::uint16_t target) {
        int n = 0;
        for (Item<CombatStruct>* i = Combats().Head(); i; i = i->next) n += i->value.target == target;
        return n;
    }
    static std::vector<short> Words(const CombatStruct& c) {
        std::vector<short> out;
        for (Item<short>* i = c.attackerWords.Head(); i; i = i->next) out.push_back(i->value);
        return out;
    }
    template <class T> static std::vector<T*> Units(const List<T*>& list) {
        std::vector<T*> out;
        for (Item<T*>* i = list.Head(); i; i = i->next) out.push_back(i->value);
        return out;
    }
    BattleArrowStruct Arrow(std::uint16_t from, std::uint16_t to) {
        BattleArrowStruct a(static_cast<std::int16_t>(from), static_cast<std::int16_t>(to), map->DirectionToRegion(from, to));
        return a;
    }
    void Remove(std::uint16_t number) {
        Container<short> payload(static_cast<short>(number));
        delete Layer().SendNamed("RemoveFromCombat", &payload);
        Drain();
    }

    std::uint16_t north = 0, south = 0, east = 0;
    MediumInfantry* defender = nullptr;
    MediumInfantry* neighbour = nullptr;
    MediumInfantry* fromNorth = nullptr;
    MediumInfantry* fromSouth = nullptr;
    Leader* leader = nullptr;
};

TEST_F(RegistrationTest, AFirstDeclarationOpensACombatWithItsDefendersLeaderAndArrows) {
    Declare(fromNorth, {21, 20}, Centre, 1, {30});
    ASSERT_EQ(Combats().Count(), 1);
    const CombatStruct* c = CombatAt(Centre);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(Units(c->attackers), std::vector<Combat*>({fromNorth}));
    EXPECT_EQ(Words(*c), std::vector<short>({1}));
    // The unit in the target region leads the defence; the other follows.
    EXPECT_EQ(Units(c->defenders), std::vector<Combat*>({defender, neighbour}));
    EXPECT_EQ(Units(c->defendingLeaders), std::vector<Leader*>({leader}));
    ASSERT_EQ(recorder->added.size(), 2u);
    EXPECT_EQ(recorder->added[0], Arrow(north, Centre));
    EXPECT_EQ(recorder->added[0].direction, map->DirectionToRegion(north, Centre));
    EXPECT_EQ(recorder->added[1], Arrow(north, east));
    EXPECT_NE(recorder->added[1].direction, NoDirection);
}

TEST_F(RegistrationTest, LaterDeclarationsJoinTheCombatOnceAndKeepOneWordPerAttacker) {
    Declare(fromNorth, {20}, Centre, 1);
    Declare(fromSouth, {20}, Centre, 0);
    Declare(fromNorth, {20}, Centre, 1);
    ASSERT_EQ(Combats().Count(), 1);
    const CombatStruct* c = CombatAt(Centre);
    EXPECT_EQ(Units(c->attackers), std::vector<Combat*>({fromNorth, fromSouth}));
    EXPECT_EQ(Words(*c), std::vector<short>({1, 0}));
    EXPECT_EQ(Units(c->defenders), std::vector<Combat*>({defender}));
    ASSERT_GE(recorder->added.size(), 2u);
    EXPECT_EQ(recorder->added[1], Arrow(south, Centre));
}

TEST_F(RegistrationTest, ADeclarationOnAnOccupiedTargetWithoutItsDefenderOpensNoSecondCombat) {
    Declare(fromNorth, {20}, Centre);
    // The second attacker names the target region but only the unit beside it.
    Declare(fromSouth, {21}, Centre);
    EXPECT_EQ(CombatsAt(Centre), 1);
    EXPECT_EQ(Combats().Count(), 1);
    const CombatStruct* c = CombatAt(Centre);
    EXPECT_EQ(Units(c->attackers), std::vector<Combat*>({fromNorth, fromSouth}));
    EXPECT_EQ(Words(*c).size(), 2u);
    EXPECT_EQ(Units(c->defenders), std::vector<Combat*>({defender, neighbour}));
}

TEST_F(RegistrationTest, ADeclarationAimedWhereNoDefenderStandsGoesToItsFirstDefendersRegion) {
    const std::uint16_t empty = N(Centre, 4);
    Declare(fromNorth, {20}, empty, 1);
    ASSERT_EQ(Combats().Count(), 1);
    EXPECT_EQ(Combats().Head()->value.target, Centre);
    // A second one joins the combat already fought there.
    Declare(fromSouth, {20}, empty, 0);
    ASSERT_EQ(Combats().Count(), 1);
    EXPECT_EQ(Units(CombatAt(Centre)->attackers), std::vector<Combat*>({fromNorth, fromSouth}));
    EXPECT_EQ(Words(*CombatAt(Centre)), std::vector<short>({1, 0}));
}

TEST_F(RegistrationTest, ASecondTargetRegionTakesItsDefenderFromTheFirstCombat) {
    Declare(fromNorth, {20, 21}, Centre);
    auto* fromEast = Place<MediumInfantry>(Record(3, 0, N(east, 2)), "Blue Lancers");
    Declare(fromEast, {21}, east, 0, {});
    ASSERT_EQ(Combats().Count(), 2);
    EXPECT_EQ(Units(CombatAt(Centre)->defenders), std::vector<Combat*>({defender}));
    EXPECT_EQ(Units(CombatAt(east)->defenders), std::vector<Combat*>({neighbour}));
    // The first attacker's arrow to the unit that changed combats is taken away.
    ASSERT_EQ(recorder->removed.size(), 1u);
    EXPECT_EQ(recorder->removed[0], Arrow(north, east));
}

TEST_F(RegistrationTest, ADefenderOfAnotherCombatIsNotAddedAgainAsASecondaryDefender) {
    auto* fromEast = Place<MediumInfantry>(Record(3, 0, N(east, 2)), "Blue Lancers");
    Declare(fromEast, {21}, east);
    Declare(fromNorth, {20, 21}, Centre);
    EXPECT_EQ(Units(CombatAt(Centre)->defenders), std::vector<Combat*>({defender}));
    EXPECT_EQ(Units(CombatAt(east)->defenders), std::vector<Combat*>({neighbour}));
}

TEST_F(RegistrationTest, ALeaderDefendsInOneCombatOnly) {
    auto* fromEast = Place<MediumInfantry>(Record(3, 0, N(east, 2)), "Blue Lancers");
    // The leader at the centre first joins the combat next door as a secondary leader...
    Declare(fromEast, {21}, east, 0, {30});
    EXPECT_EQ(Units(CombatAt(east)->defendingLeaders), std::vector<Leader*>({leader}));
    // ...then leads the defence of its own region.
    Declare(fromNorth, {20}, Centre, 0, {30});
    EXPECT_EQ(Units(CombatAt(Centre)->defendingLeaders), std::vector<Leader*>({leader}));
    EXPECT_TRUE(CombatAt(east)->defendingLeaders.IsEmpty());
}

TEST_F(RegistrationTest, ACombatLeftWithoutDefendersHandsItsAttackersToTheCombatThatTookThem) {
    // A two-hex defender is attacked at one hex, then declared against at its other hex.
    auto record = Record(40, 1, N(Centre, 8), 3);
    record.twoHex = 1;
    auto* wide = Place<MediumInfantry>(record, "Gray Column");
    ASSERT_NE(wide->GetSecondRegion(), 0xFFFF);
    auto* first = Place<MediumInfantry>(Record(4, 0, N(wide->GetLocation(), 1)), "Blue Skirmishers");
    Declare(first, {40}, wide->GetLocation(), 1);
    Declare(fromSouth, {40}, wide->GetSecondRegion(), 0);
    ASSERT_EQ(Combats().Count(), 1);
    const CombatStruct* c = CombatAt(wide->GetSecondRegion());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(Units(c->defenders), std::vector<Combat*>({wide}));
    EXPECT_EQ(Units(c->attackers), std::vector<Combat*>({fromSouth, first}));
    EXPECT_EQ(Words(*c), std::vector<short>({0, 1}));
}

TEST_F(RegistrationTest, DeclarationsWithoutAnAttackerOrAFightingDefenderRegisterNothing) {
    struct Case {
        const char* what;
        std::uint16_t attacker;
        std::vector<std::uint16_t> defenders;
        std::vector<std::uint16_t> leaders;
    };
    const Case cases[] = {
        {"a leader named as the attacker", 30, {1}, {}},
        {"a leader alone attacked", 1, {}, {30}},
        {"no unit of that number", 99, {20}, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        CombatNameStruct record;
        record.attacker = k.attacker;
        for (auto d : k.defenders) record.defenders.AddTail(d);
        for (auto l : k.leaders) record.defendingLeaders.AddTail(l);
        record.target = Centre;
        Layer().OnAddCombatants(record);
        EXPECT_TRUE(Combats().IsEmpty());
        EXPECT_TRUE(recorder->added.empty());
    }
}

TEST_F(RegistrationTest, ATwoHexAttackerDrawsItsArrowFromTheHexThatTouches) {
    // Facing 3 puts the second hex south of the first: the second touches the defender, the
    // first does not.
    const std::uint16_t touching = N(east, 1);
    auto record = Record(5, 0, N(touching, 1), 3);
    record.twoHex = 1;
    auto* column = Place<MediumInfantry>(record, "Blue Column");
    ASSERT_EQ(column->GetSecondRegion(), touching);
    ASSERT_EQ(map->DirectionToRegion(column->GetLocation(), east), NoDirection);
    Declare(column, {21}, east);
    ASSERT_EQ(recorder->added.size(), 1u);
    EXPECT_EQ(recorder->added[0], Arrow(touching, east));
    EXPECT_EQ(recorder->added[0].direction, map->DirectionToRegion(touching, east));
}

TEST_F(RegistrationTest, RemovingUnitsShrinksAndDissolvesCombats) {
    Declare(fromNorth, {20, 21}, Centre, 1);
    Declare(fromSouth, {20}, Centre, 0);
    recorder->removed.clear();

    // The first attacker leaves: its word goes with it, and its arrows to every defender.
    Remove(1);
    const CombatStruct* c = CombatAt(Centre);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(Units(c->attackers), std::vector<Combat*>({fromSouth}));
    EXPECT_EQ(Words(*c), std::vector<short>({0}));
    ASSERT_EQ(recorder->removed.size(), 2u);
    EXPECT_EQ(recorder->removed[0], Arrow(north, Centre));

    // The defender in the target region leaves: the target moves to the next defender.
    Remove(20);
    ASSERT_EQ(Combats().Count(), 1);
    EXPECT_EQ(Combats().Head()->value.target, east);
    EXPECT_EQ(Units(Combats().Head()->value.defenders), std::vector<Combat*>({neighbour}));
    EXPECT_EQ(recorder->removed.back(), Arrow(south, Centre));

    // The last attacker leaves: nothing is left to fight.
    Remove(2);
    EXPECT_TRUE(Combats().IsEmpty());
}

TEST_F(RegistrationTest, RemovingTheLastDefenderDissolvesTheCombatAndALeaderLeavesTheDefence) {
    Declare(fromNorth, {20}, Centre, 0, {30});
    Remove(30);
    EXPECT_TRUE(Combats().Head()->value.defendingLeaders.IsEmpty());
    Remove(20);
    EXPECT_TRUE(Combats().IsEmpty());
    // A unit in no combat changes nothing.
    Remove(21);
    EXPECT_TRUE(Combats().IsEmpty());
}

TEST_F(RegistrationTest, WrongPayloadsGoToTheAssertionBox) {
    platform::ClearShownMessageBoxes();
    Container<std::string> wrong("x");
    for (const char* message : {"AddCombatants", "RemoveFromCombat"}) {
        platform::QueueMessageBoxAnswer(IDNO);
        delete Layer().SendNamed(message, &wrong);
    }
    ASSERT_EQ(platform::ShownMessageBoxCount(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(platform::ShownMessageBox(i).text, "Bad data passed in bus message to function  Abort?");
        EXPECT_EQ(platform::ShownMessageBox(i).caption.rfind("Failure in VHLOG2 at line ", 0), 0u);
    }
    EXPECT_TRUE(Combats().IsEmpty());
}

} // namespace
