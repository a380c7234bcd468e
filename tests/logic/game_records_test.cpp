#include "core/type_info.h"
#include "game/logic/combat_records.h"
#include "game/logic/game_record_streams.h"
#include "game/logic/game_records.h"
#include "game/logic/objective.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class GameRecords : public ::testing::Test {
protected:
    void SetUp() override { RegisterGameRecordTypes(); }
};

template <class T> std::vector<int> Bytes(const T& value) {
    SuperString s;
    s << value;
    std::vector<int> out;
    for (char ch : s.Contents()) out.push_back(ch & 0xFF);
    return out;
}

// Writes a value as its registered payload type and reads it back by class name, as the network
// relay does.
template <class T> T ThroughRegistry(const T& value, int* size = nullptr) {
    SuperString s;
    Container<T> payload(value);
    EXPECT_TRUE(WriteObject(s, payload));
    const int before = s.Length();
    ContainerBase* back = ReadObject(s);
    EXPECT_NE(back, nullptr) << TypeNameOf<T>();
    T out{};
    EXPECT_TRUE(ExtractData(back, out)) << TypeNameOf<T>();
    delete back;
    EXPECT_EQ(s.Remaining(), 0);
    if (size) *size = before;
    return out;
}

TEST_F(GameRecords, TheThirtyFourTypesAreRegisteredByName) {
    const char* names[] = {
        "COMBATTYPE", "TURN_DIRECTION", "NATION", "MISSILETYPE", "MOVE_RESULT", "METHOD_DEATH", "SCENARIO",
        "LEADERSUBTYPE", "MoveResultStruct", "MoveReturnStruct", "UndoStruct", "EliminateUnitData",
        "ScenarioInfoStruct", "LeaderInfo", "TQHitInfo", "WoundedLeaderInfo", "RestoreCohesionInfo",
        "ReplenishMissilesInfo", "RoutInfo", "SingleCombatResult", "EndOfGameResults", "ChangeFacingStruct",
        "BattleArrowStruct", "MethodOfDeathStruct", "MissileFireStruct", "CombatInfo", "RampageStruct",
        "DoRampageStruct", "UnitLocationStruct", "PursuitInfo", "ActivateNextLeaderStruct", "LineColumnInfo",
        "MountDismountInfo", "LimberUnlimberInfo",
    };
    for (const char* name : names) {
        const TypeInfoBase* type = FindTypeInfo(name);
        ASSERT_NE(type, nullptr) << name;
        EXPECT_EQ(type->TypeName(), name);
    }
    // Registering again leaves one descriptor per name.
    RegisterGameRecordTypes();
    EXPECT_EQ(FindTypeInfo("UndoStruct"), FindTypeInfo("UndoStruct"));
}

TEST_F(GameRecords, RawRecordsAreTheirFieldsLittleEndian) {
    using V = std::vector<int>;
    EXPECT_EQ(Bytes(UnitLocationStruct(1, 0x0203, 0xFFFF, 0x01020304u)), (V{1, 0, 3, 2, 0xFF, 0xFF, 4, 3, 2, 1}));
    EXPECT_EQ(Bytes(MoveReturnStruct(0x0A0B0C0Du, 7)), (V{0x0D, 0x0C, 0x0B, 0x0A, 7, 0}));
    EXPECT_EQ(Bytes(MountDismountInfo(7, 3)), (V{3, 0, 7, 0}));
    EXPECT_EQ(Bytes(LimberUnlimberInfo(7, 3)), (V{3, 0, 7, 0}));
    EXPECT_EQ(Bytes(RestoreCohesionInfo(7, 3)), (V{7, 0, 3, 0}));
    EXPECT_EQ(Bytes(MissileFireStruct(0x102, 5)), (V{2, 1, 5, 0}));
    EXPECT_EQ(Bytes(PursuitInfo(9, 5)), (V{9, 0, 5, 0, 0, 0}));
    EXPECT_EQ(Bytes(LineColumnInfo(1, 2, 3, 4)), (V{1, 0, 0, 0, 3, 0, 4, 0, 0, 0, 2, 0}));
    EXPECT_EQ(Bytes(TQHitInfo(2, 0x11223344u, 9)), (V{2, 0, 9, 0, 0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(Bytes(WoundedLeaderInfo(1, 0x300)), (V{1, 0, 0, 3}));
    EXPECT_EQ(Bytes(EliminateUnitData(ConfederateNation, 12, -1, 40)), (V{1, 0, 0, 0, 12, 0, 0xFF, 0xFF, 0xFF, 0xFF, 40, 0}));
    EXPECT_EQ(Bytes(MethodOfDeathStruct()), (V{0, 0, 4, 0, 0, 0, 0xFF, 0xFF}));
    RampageStruct rampage;
    rampage.Set(1, 2, 3, 4, 5);
    EXPECT_EQ(Bytes(rampage), (V{1, 0, 2, 0, 3, 0, 4, 0, 5, 0}));

    UndoStruct undo;
    const std::uint16_t states[10] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    undo.Fill(1, 2, 3, 4, 0x05060708u, 9, states, 0xA0B0C0D0u);
    const V u = Bytes(undo);
    ASSERT_EQ(u.size(), 38u);
    EXPECT_EQ(V(u.begin(), u.begin() + 14), (V{1, 0, 2, 0, 3, 0, 4, 0, 9, 0, 8, 7, 6, 5}));
    EXPECT_EQ(u[14], 10);
    EXPECT_EQ(u[32], 19);
    EXPECT_EQ(V(u.begin() + 34, u.end()), (V{0xD0, 0xC0, 0xB0, 0xA0}));
    MoveResultStruct moved;
    for (int i = 0; i < 10; ++i) moved.bytes[i] = static_cast<std::uint8_t>(i * 7);
    EXPECT_EQ(Bytes(moved), (V{0, 7, 14, 21, 28, 35, 42, 49, 56, 63}));
}

TEST_F(GameRecords, FieldFormsOfTheRecordsWithEnumerations) {
    using V = std::vector<int>;
    ChangeFacingStruct facing(static_cast<TURN_DIRECTION>(2), 5, 0x0102);
    facing.facing = SouthWest;
    EXPECT_EQ(Bytes(facing), (V{2, 0, 6, 0, 5, 0, 2, 1}));
    BattleArrowStruct arrow(303, -1, NorthEast);
    arrow.display = 77;
    EXPECT_EQ(Bytes(arrow), (V{0x2F, 1, 0xFF, 0xFF, 2, 0}));
    EXPECT_EQ(Bytes(static_cast<NATION>(0x12345)), (V{0x45, 0x23}));
}

TEST_F(GameRecords, EveryRegisteredRecordSurvivesTheRoundTrip) {
    {
        UndoStruct undo;
        const std::uint16_t states[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        undo.Fill(3, 4, 5, 6, 7, 8, states, 9);
        int size = 0;
        EXPECT_EQ(ThroughRegistry(undo, &size), undo);
    }
    {
        UnitLocationStruct where(12, 305, 406, 4);
        const auto back = ThroughRegistry(where);
        EXPECT_EQ(back.region, 305);
        EXPECT_EQ(back.secondRegion, 406);
        EXPECT_EQ(back.value, 4u);
    }
    EXPECT_EQ(ThroughRegistry(MoveReturnStruct(3, 9)).result, 3u);
    EXPECT_EQ(ThroughRegistry(MountDismountInfo(7, 3)).order, 3);
    EXPECT_EQ(ThroughRegistry(LimberUnlimberInfo(8, 1)).unit, 8);
    EXPECT_EQ(ThroughRegistry(RestoreCohesionInfo(2, 6)).value, 2);
    EXPECT_EQ(ThroughRegistry(ReplenishMissilesInfo(5, 6)).unit, 6);
    EXPECT_EQ(ThroughRegistry(MissileFireStruct(1, 2)).fire, 1);
    EXPECT_EQ(ThroughRegistry(PursuitInfo(4, 7)).edge, 7u);
    EXPECT_EQ(ThroughRegistry(LineColumnInfo(1, 2, 3, 4)).second, 4u);
    EXPECT_EQ(ThroughRegistry(TQHitInfo(1, 2, 3)).value, 2u);
    EXPECT_EQ(ThroughRegistry(WoundedLeaderInfo(1, 2)).leader, 2);
    EXPECT_EQ(ThroughRegistry(EliminateUnitData(UnionNation, 4, 2, 8)).state, 2);
    EXPECT_EQ(ThroughRegistry(MethodOfDeathStruct(1, 2, 3)), MethodOfDeathStruct(1, 2, 3));
    {
        RampageStruct r;
        r.Set(9, 8, 7, 6, 5);
        EXPECT_EQ(ThroughRegistry(r), r);
    }
    {
        MoveResultStruct m;
        m.bytes[9] = 200;
        EXPECT_EQ(ThroughRegistry(m).bytes[9], 200);
    }
    {
        ChangeFacingStruct f(static_cast<TURN_DIRECTION>(-1), 3, 4);
        f.facing = NorthWest;
        const auto back = ThroughRegistry(f);
        EXPECT_EQ(back.turn, -1);
        EXPECT_EQ(back.facing, NorthWest);
        EXPECT_EQ(back.mode, 3);
        EXPECT_EQ(back.unit, 4);
    }
    {
        BattleArrowStruct a(101, 202, SouthEast);
        a.display = 9;
        const auto back = ThroughRegistry(a);
        EXPECT_EQ(back, a);
        EXPECT_EQ(back.direction, SouthEast);
        EXPECT_EQ(back.display, 0u);
    }
    {
        ScenarioInfoStruct sc("Ridge", static_cast<SCENARIO>(4), "b", "", -2, 7, 0xFFFF);
        const auto back = ThroughRegistry(sc);
        EXPECT_EQ(back.first, "Ridge");
        EXPECT_EQ(back.scenario, 4);
        EXPECT_EQ(back.second, "b");
        EXPECT_EQ(back.third, "");
        EXPECT_EQ(back.firstWord, -2);
        EXPECT_EQ(back.secondWord, 7);
        EXPECT_EQ(back.thirdWord, 0xFFFF);
    }
    EXPECT_EQ(ThroughRegistry(LeaderInfo("Lee", "Longstreet")), LeaderInfo("Lee", "Longstreet"));
    {
        List<short> path;
        path.AddTail(101);
        path.AddTail(-1);
        RoutInfo rout(5, path, 3);
        const auto back = ThroughRegistry(rout);
        EXPECT_EQ(back.unit, 5);
        EXPECT_EQ(back.word, 3);
        EXPECT_EQ(back.regions, path);
    }
    {
        SingleCombatResult r;
        r.firstNames.AddTail("1st Virginia");
        r.secondNames.AddTail("20th Maine");
        r.secondNames.AddTail("");
        r.numbers[0].AddTail(4);
        r.numbers[11].AddTail(-3);
        const auto back = ThroughRegistry(r);
        EXPECT_EQ(back.firstNames, r.firstNames);
        EXPECT_EQ(back.secondNames, r.secondNames);
        for (int i = 0; i < SingleCombatResult::NumberLists; ++i) EXPECT_EQ(back.numbers[i], r.numbers[i]) << i;
    }
    {
        EndOfGameResults e;
        e.winner = UnionNation;
        e.home = ConfederateNation;
        e.visiting = UnionNation;
        e.homeName = "Confederate";
        e.visitingName = "Union";
        e.lostPoints[1] = 12;
        e.totalPoints[0] = -5;
        e.victoryTarget[1] = 300;
        const auto back = ThroughRegistry(e);
        EXPECT_EQ(back.winner, UnionNation);
        EXPECT_EQ(back.home, ConfederateNation);
        EXPECT_EQ(back.homeName, "Confederate");
        EXPECT_EQ(back.visitingName, "Union");
        EXPECT_EQ(back.lostPoints[1], 12);
        EXPECT_EQ(back.totalPoints[0], -5);
        EXPECT_EQ(back.victoryTarget[1], 300);
    }
    {
        List<short> a, b;
        a.AddTail(1);
        b.AddTail(2);
        b.AddTail(3);
        List<MethodOfDeathStruct> d;
        d.AddTail(MethodOfDeathStruct(1, 2, 3));
        CombatInfo info(a, b, d);
        EXPECT_EQ(ThroughRegistry(info), info);
    }
    {
        List<short> r;
        r.AddTail(707);
        DoRampageStruct dr(4, r);
        const auto back = ThroughRegistry(dr);
        EXPECT_EQ(back.word, 4);
        EXPECT_EQ(back.regions, r);
    }
    {
        ActivateNextLeaderStruct an;
        an.leader = 7;
        an.fresh = 1;
        an.furtherA = -1;
        an.furtherB = 2;
        an.subLeaders.AddTail(3);
        an.subLeaders.AddTail(0xFFFF);
        an.dispatcher = 2;
        const auto back = ThroughRegistry(an);
        EXPECT_EQ(back.leader, 7);
        EXPECT_EQ(back.fresh, 1);
        EXPECT_EQ(back.furtherA, -1);
        EXPECT_EQ(back.furtherB, 2);
        EXPECT_EQ(back.subLeaders, an.subLeaders);
        EXPECT_EQ(back.dispatcher, 2);
    }
    for (std::int32_t v : {0, 1, 7, -1}) {
        EXPECT_EQ(ThroughRegistry(static_cast<COMBATTYPE>(v)), v);
        EXPECT_EQ(ThroughRegistry(static_cast<TURN_DIRECTION>(v)), v);
        EXPECT_EQ(ThroughRegistry(static_cast<NATION>(v)), v);
        EXPECT_EQ(ThroughRegistry(static_cast<MISSILETYPE>(v)), v);
        EXPECT_EQ(ThroughRegistry(static_cast<MOVE_RESULT>(v)), v);
        EXPECT_EQ(ThroughRegistry(static_cast<METHOD_DEATH>(v)), v);
        EXPECT_EQ(ThroughRegistry(static_cast<SCENARIO>(v)), v);
        EXPECT_EQ(ThroughRegistry(static_cast<LEADERSUBTYPE>(v)), v);
    }
}

TEST_F(GameRecords, EnumerationsAreSixteenBitsSignExtended) {
    SuperString s;
    s << static_cast<NATION>(0xFFFF);
    EXPECT_EQ(s.Length(), 2);
    NATION n = UnionNation;
    s >> n;
    EXPECT_EQ(n, -1);
}

TEST_F(GameRecords, ShortStreamsLeaveTheResetValues) {
    SuperString s;
    s << static_cast<unsigned short>(42) << static_cast<unsigned short>(505);
    UnitLocationStruct where(1, 2, 3, 4);
    s >> where;
    EXPECT_EQ(where.unit, 42);
    EXPECT_EQ(where.region, 505);
    EXPECT_EQ(where.secondRegion, 0xFFFF);
    EXPECT_EQ(where.value, 0u);
    EXPECT_TRUE(s.Failed());

    SuperString t;
    t << static_cast<unsigned short>(9) << static_cast<unsigned char>(1);
    UndoStruct undo;
    undo.wordB = 5;
    t >> undo;
    EXPECT_EQ(undo.unit, 9);
    EXPECT_EQ(undo.wordA, 0);
    EXPECT_EQ(undo.wordB, 0xFFFF);
    EXPECT_EQ(undo.longB, 0u);
}

TEST_F(GameRecords, ResetsConstructorsAndEquality) {
    UndoStruct undo;
    for (auto w : undo.state) EXPECT_EQ(w, 0);
    EXPECT_EQ(undo.unit, 0xFFFF);
    EXPECT_EQ(undo.wordB, 0xFFFF);
    EXPECT_EQ(undo.wordC, 0xFFFF);
    EXPECT_TRUE(UnitLocationStruct(3, 101, 0xFFFF, 0) == UnitLocationStruct(3, 505, 606, 9));
    EXPECT_FALSE(UnitLocationStruct(3, 101, 0xFFFF, 0) == UnitLocationStruct(4, 101, 0xFFFF, 0));
    const MountDismountInfo m(7, 3);
    EXPECT_EQ(m.order, 3);
    EXPECT_EQ(m.unit, 7);
    EXPECT_EQ(ChangeFacingStruct().unit, 0xFFFF);
    EXPECT_EQ(MissileFireStruct().fire, 0xFFFF);
    EXPECT_EQ(RefaceFromChargeStruct().first, 0xFFFF);
    EXPECT_TRUE(UnitInCommandRangeStruct(1, 2) == UnitInCommandRangeStruct(1, 2));
    EXPECT_FALSE(UnitInCommandRangeStruct(1, 2) == UnitInCommandRangeStruct(1, 3));
    EXPECT_EQ(MissileDebrisStruct().longB, -1);
    OWStruct a, b;
    a.Set(1, 2, 3, 4);
    b.Set(1, 2, 3, 9);
    EXPECT_TRUE(a == b);

    CombatStruct c1, c2;
    c1.target = c2.target = 505;
    c1.attackerWords.AddTail(1);
    EXPECT_TRUE(c1 == c2);
    SingleCombatResult r1, r2;
    EXPECT_TRUE(r1 == r2);
    r1.firstNames.AddTail("");
    EXPECT_TRUE(r1 == r2);
    r2.firstNames.AddTail("x");
    EXPECT_FALSE(r1 == r2);

    List<unsigned short> la, lb;
    la.AddTail(1);
    lb.AddTail(2);
    RaiseFlagsStruct flags(la, lb, 5);
    EXPECT_EQ(flags.first, lb);
    EXPECT_EQ(flags.second, la);
    EXPECT_EQ(RaiseFlagsStruct().value, -1);
    EXPECT_EQ(PointInfo().word, 1);

    Objective o(5, 1, 0, {1203, 1204, 0xFFFF, 1205});
    std::vector<short> hexes;
    ListIterator<short> it(&o.hexes, 0);
    short h = 0;
    while (it.Next(h)) hexes.push_back(h);
    EXPECT_EQ(hexes, (std::vector<short>{1203, 1204}));
    EXPECT_EQ(Objective().holder, -1);
    EXPECT_EQ(ScenarioInfoStruct().scenario, -1);
    EXPECT_EQ(ScenarioInfoStruct().secondWord, 1);
    EXPECT_EQ(EliminateUnitData().nation, -1);
}

} // namespace
