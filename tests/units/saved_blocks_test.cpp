#include "platform/msgbox.h"
#include "units_fixture.h"

namespace {

using units_testing::UnitsTest;

std::string Bytes(const SuperString& s) { return s.Contents(); }

template <class T> std::string SaveOf(T& unit) {
    SuperString s;
    unit.Save(s);
    return Bytes(s);
}

TEST_F(UnitsTest, TheUnitBlockIs28BytesOr32ForTheSelectedUnit) {
    LeaderUnitData l;
    l.region = 404;
    l.groupNumber = 3;
    l.arrivalTurn = 2;
    l.facing = 6;
    Leader plain(l, "Plain");
    plain.SetRetreatEdge(5);
    SuperString s;
    plain.VhUnit::Save(s);
    ASSERT_EQ(s.Length(), 28);
    const std::string b = Bytes(s);
    // arrival 2, group 3, edge 5, points 0, ..., region 404, second -1, facing 6, not removed, not selected
    const std::string expected("\x02\x00\x03\x00\x05\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x94\x01\xff\xff\x06\x00\x00\x00\x00\x00\x00\x00",
                               28);
    EXPECT_EQ(b, expected);
}

TEST_F(UnitsTest, ACombatBlockComesBack) {
    auto* unit = Make<MediumInfantry>(MissileRecord(1, 0, 404));
    unit->SetRetreatEdge(7);
    unit->ApplyCohesionHits(2, 0);
    unit->SetMovementPoints(3);
    unit->SetActed(1);
    unit->SetUsedThisTurn(1);
    unit->SetReorderHitTaken(1);
    unit->SetFormation(1, 0, 0);
    SuperString s;
    unit->Save(s);
    // 28 for the unit, 18 for the combat part, 4 for the missile part.
    EXPECT_EQ(s.Length(), 28 + 18 + 4);

    auto* back = Make<MediumInfantry>(MissileRecord(1, 0, 404));
    ASSERT_TRUE(back->Load(s));
    EXPECT_EQ(s.Remaining(), 0);
    EXPECT_EQ(back->GetRetreatEdge(), 7u);
    EXPECT_EQ(back->GetCohesionHits(), 2);
    EXPECT_EQ(back->GetMovementPoints(), 3);
    EXPECT_TRUE(back->HasActed());
    EXPECT_TRUE(back->IsUsedThisTurn());
    EXPECT_EQ(back->GetReorderHitTaken(), 1);
    EXPECT_FALSE(back->IsInLine());
    EXPECT_EQ(back->GetMissiles(), 6);
    EXPECT_EQ(SaveOf(*back), SaveOf(*unit));
}

TEST_F(UnitsTest, LoadingMovesTheUnitWhereTheGameLeftIt) {
    auto* unit = Make<MediumInfantry>(MissileRecord(1, 0, 404));
    unit->SetLocation(506);
    SuperString s;
    unit->Save(s);
    auto* back = Make<MediumInfantry>(MissileRecord(2, 0, 404));
    ASSERT_TRUE(back->Load(s));
    EXPECT_EQ(back->GetLocation(), 506);
    EXPECT_TRUE(map->GetUnitsInRegion(506).Contains(back));
    EXPECT_FALSE(map->GetUnitsInRegion(404).Contains(back));
}

TEST_F(UnitsTest, LoadingARemovedUnitTakesItOutOfPlayQuietly) {
    auto* unit = Make<MediumInfantry>(MissileRecord(1, 0, 404));
    unit->VhUnit::RemoveFromPlay();
    SuperString s;
    unit->Save(s);
    auto* back = Make<MediumInfantry>(MissileRecord(2, 1, 505));
    ASSERT_TRUE(back->Load(s));
    EXPECT_TRUE(back->IsRemoved());
    EXPECT_FALSE(map->IsRegionOccupied(505));
    // No elimination is announced again: the saved game has counted it already.
    EXPECT_TRUE(Commands(2).empty());
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    Container<std::string> wrong("x");
    delete shell->Layer().SendNamed("BeginTurn", &wrong);
    // Neither unit answers its turn messages any more.
    EXPECT_EQ(UnitBoxes(), 0u);
}

TEST_F(UnitsTest, AUnitWhoseGroupIsGoneLeavesIt) {
    auto* unit = Make<MediumInfantry>(MissileRecord(1, 0, 404));
    SuperString s;
    unit->SetGroupNumber(-1);
    unit->Save(s);
    Group g;
    auto record = MissileRecord(1, 0, 404);
    record.groupNumber = 4;
    auto* back = Make<MediumInfantry>(record);
    back->SetGroup(&g);
    g.AddUnit(back);
    ASSERT_TRUE(back->Load(s));
    EXPECT_EQ(back->GetGroup(), nullptr);
    EXPECT_FALSE(g.GetUnits().Contains(back));
}

TEST_F(UnitsTest, ALeaderNeverActivatedSavesTheShortBlock) {
    LeaderUnitData l;
    l.commands = 3;
    Leader leader(l, "Gen. Marrick");
    SuperString s;
    leader.Save(s);
    // active, commands used, wounded, end of chain, the two activation flags, no units, the unit block.
    EXPECT_EQ(s.Length(), 2 + 2 + 2 + 2 + 4 + 2 + 28);
    const std::string b = Bytes(s);
    EXPECT_EQ(b.substr(0, 14), std::string("\x00\x00\x00\x00\x00\x00\x00\x00\x01\x00\x01\x00\x00\x00", 14));
}

TEST_F(UnitsTest, AWoundedLeaderComesBackWithItsRatings) {
    LeaderUnitData l;
    l.commands = 3;
    l.commandRange = 5;
    l.extraRating1 = 2;
    Leader leader(l, "Gen. Stroud");
    leader.Wound(1);
    SuperString s;
    leader.Save(s);
    Leader back(l, "Gen. Stroud");
    ASSERT_TRUE(back.Load(s));
    EXPECT_TRUE(back.IsWounded());
    EXPECT_EQ(back.GetCommands(), 2);
    EXPECT_EQ(back.GetCommandRange(), 4);
    EXPECT_EQ(back.GetExtraRating1(), 1);
    EXPECT_EQ(back.GetExtraRating2(), 0);
}

TEST_F(UnitsTest, AReplacementComesBackWithItsChainAndItsMark) {
    LeaderUnitData l;
    l.commands = 4;
    l.commandRange = 6;
    auto* leader = Make<Leader>(l, "Gen. Thorne");
    leader->RemoveFromPlay();
    leader->RemoveFromPlay();
    SuperString s;
    leader->Save(s);
    Leader back(l, "Gen. Thorne");
    ASSERT_TRUE(back.Load(s));
    EXPECT_EQ(back.GetName(), "Gen. Thorne(R)");
    EXPECT_EQ(back.GetCommands(), 2);
    EXPECT_EQ(back.GetCommandRange(), 4);
    ASSERT_NE(back.GetFallenPredecessors(), nullptr);
    EXPECT_EQ(back.GetFallenPredecessors()->GetName(), "Gen. Thorne(R)");
    EXPECT_EQ(back.GetFallenPredecessors()->GetCommands(), 2);
    ASSERT_NE(back.GetFallenPredecessors()->GetFallenPredecessors(), nullptr);
    EXPECT_EQ(back.GetFallenPredecessors()->GetFallenPredecessors()->GetName(), "Gen. Thorne");
    EXPECT_EQ(back.GetFallenPredecessors()->GetFallenPredecessors()->GetCommands(), 4);
    EXPECT_TRUE(back.GetFallenPredecessors()->IsRemoved());
    EXPECT_EQ(SaveOf(back), SaveOf(*leader));
}

TEST_F(UnitsTest, AWoundedReplacementKeepsItsWoundAcrossASave) {
    LeaderUnitData l;
    l.commands = 4;
    l.commandRange = 6;
    auto* leader = Make<Leader>(l, "Gen. Wyndle");
    leader->RemoveFromPlay();
    leader->Wound(1);
    ASSERT_EQ(leader->GetCommands(), 1);
    ASSERT_EQ(leader->GetCommandRange(), 3);
    SuperString s;
    leader->Save(s);
    Leader back(l, "Gen. Wyndle");
    ASSERT_TRUE(back.Load(s));
    EXPECT_EQ(back.GetCommands(), 1);
    EXPECT_EQ(back.GetCommandRange(), 3);
    EXPECT_TRUE(back.IsWounded());
    EXPECT_EQ(back.GetName(), "Gen. Wyndle(R)");
}

TEST_F(UnitsTest, ABlockCutShortIsRefused) {
    LeaderUnitData l;
    l.commands = 4;
    auto* leader = Make<Leader>(l, "Gen. Wyndle");
    leader->RemoveFromPlay();
    leader->Wound(1);
    SuperString s;
    leader->Save(s);
    const std::string whole = s.Contents();
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        SuperString part;
        part.Write(whole.data(), static_cast<std::int32_t>(cut));
        Leader back(l, "Gen. Wyndle");
        EXPECT_FALSE(back.Load(part)) << cut;
    }
    auto* unit = Make<MediumInfantry>(MissileRecord(1, 0, 404));
    SuperString u;
    unit->Save(u);
    const std::string unitBytes = u.Contents();
    for (std::size_t cut = 0; cut < unitBytes.size(); ++cut) {
        SuperString part;
        part.Write(unitBytes.data(), static_cast<std::int32_t>(cut));
        MediumInfantry back(MissileRecord(1, 0, 0xFFFF));
        EXPECT_FALSE(back.Load(part)) << cut;
    }
}

TEST_F(UnitsTest, NothingIsLeftBehind) {
    const int before = LiveUnitObjects();
    {
        LeaderUnitData l;
        Leader leader(l, "Gen. Sallow");
        leader.RemoveFromPlay();
        MissileCapableUnitData d;
        LightCav horse(d);
        Group g;
        EXPECT_GT(LiveUnitObjects(), before);
    }
    EXPECT_EQ(LiveUnitObjects(), before);
}

} // namespace
