// The leader's group commands as the menu gives them: confirmation, commentary, menu items, the
// failure of a command, the group retreat's target, and the bookkeeping that tells when every
// unit of a group command has reported back.
#include "tests/units/group_fixture.h"

namespace {

using units_testing::GroupTest;

struct ConfirmCase {
    const char* name;
    ContainerBase* (Leader::*command)();
    const char* title;
};

class Confirmation : public GroupTest, public ::testing::WithParamInterface<ConfirmCase> {};

TEST_P(Confirmation, CancellingLeavesEverythingAsItWas) {
    MakeLeader(203, 3);
    Member(1, 303);
    Leader::SetGroupCommandConfirm(1);
    shell->ScriptGroupConfirm(0);
    delete (leader->*GetParam().command)();
    Run();
    ASSERT_EQ(shell->GroupConfirmTitles().size(), 1u);
    EXPECT_EQ(shell->GroupConfirmTitles()[0], GetParam().title);
    EXPECT_EQ(leader->GetCommandsUsed(), 0);
    EXPECT_FALSE(leader->HasGroupCommandMade());
    EXPECT_FALSE(leader->IsGroupMoving());
    EXPECT_FALSE(leader->IsRoadMove());
    EXPECT_EQ(leader->GetFailedGroupCommands(), 0);
    EXPECT_TRUE(Commentary().empty());
    EXPECT_TRUE(probe->menu.empty());
}

INSTANTIATE_TEST_SUITE_P(Commands, Confirmation,
                         ::testing::Values(ConfirmCase{"Move", &Leader::GroupMove, "Group Move"},
                                           ConfirmCase{"RoadMove", &Leader::GroupRoadMove, "Group Move"},
                                           ConfirmCase{"Retreat", &Leader::GroupRetreat, "Group Retreat"},
                                           ConfirmCase{"Attack", &Leader::GroupAttack, "Group Attack"},
                                           ConfirmCase{"RestoreMorale", &Leader::DoGroupRestoreMorale, "Group Restore Morale"}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(Confirmation, NoDialogForTheComputerPlayerOrWithThePreferenceOff) {
    MakeLeader(203, 3);
    Member(1, 303);
    delete leader->GroupMove();
    EXPECT_TRUE(leader->IsGroupMoving());
    Leader::SetGroupCommandConfirm(1);
    leader->SetAIControlled(1);
    leader->SetCommandsLeft(3);
    ScriptGameRandom({0});
    delete leader->DoGroupRestoreMorale();
    EXPECT_TRUE(shell->GroupConfirmTitles().empty());
    EXPECT_TRUE(leader->HasGroupCommandMade());
}

class GroupCommandTest : public GroupTest {};

TEST_F(GroupCommandTest, AGroupMoveThatCannotBeAttemptedOnlyDisablesGroupMove) {
    MakeLeader(203, 3);
    Member(1, 303);
    Enemy(9, N(303, 4));
    delete leader->GroupMove();
    Run();
    EXPECT_EQ(probe->menu, std::vector<int>{-212});
    ASSERT_EQ(Commentary().size(), 1u) << "only the enemy test's own line";
    EXPECT_NE(Commentary()[0].find("cannot attempt group move"), std::string::npos);
    EXPECT_FALSE(leader->IsGroupMoving());
    EXPECT_EQ(leader->GetCommandsUsed(), 0);
}

TEST_F(GroupCommandTest, AFullGroupMoveSpendsTheCommandsAndKeepsGroupRetreatOffered) {
    MakeLeader(203, 3);
    Member(1, 303);
    delete leader->GroupMove();
    Run();
    for (int id : {212, 261, 259, 260}) EXPECT_TRUE(probe->Disabled(id)) << id;
    EXPECT_EQ(probe->LastState(248), 0) << "group retreat stays on offer";
    EXPECT_TRUE(probe->Enabled(220)) << "the steering may rotate the group";
    EXPECT_TRUE(probe->Enabled(221));
    ASSERT_EQ(Commentary().size(), 1u);
    EXPECT_EQ(Commentary()[0], leader->GetCommentaryName() + " can do a full group move.");
    EXPECT_EQ(leader->GetCommandsUsed(), leader->GetCommands());
    EXPECT_EQ(VhUnit::leaderOutOfCommands, 1);
    EXPECT_TRUE(leader->HasGroupCommandMade());
    EXPECT_TRUE(leader->IsFullGroupMove());
}

struct FailureCase {
    const char* name;
    ContainerBase* (Leader::*command)();
    const char* text;
};

class GroupFailure : public GroupTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(GroupFailure, APlayersLeaderSaysSoAndEndsItsOrders) {
    MakeLeader(203, 3, 1);
    Member(1, 303);
    ScriptGameRandom({99});
    delete (leader->*GetParam().command)();
    Run();
    ASSERT_EQ(Commentary().size(), 1u);
    EXPECT_EQ(Commentary()[0], leader->GetCommentaryName() + GetParam().text);
    EXPECT_EQ(leader->GetFailedGroupCommands(), 1);
    EXPECT_EQ(probe->endOrders, 1);
    EXPECT_EQ(leader->GetCommandsUsed(), 0);
    EXPECT_FALSE(leader->HasGroupCommandMade());
}

TEST_P(GroupFailure, TheComputerPlayersLeaderOnlyCountsIt) {
    MakeLeader(203, 3, 1);
    Member(1, 303);
    leader->SetAIControlled(1);
    ScriptGameRandom({99});
    delete (leader->*GetParam().command)();
    Run();
    EXPECT_TRUE(Commentary().empty());
    EXPECT_EQ(leader->GetFailedGroupCommands(), 1);
    EXPECT_EQ(probe->endOrders, 0);
}

INSTANTIATE_TEST_SUITE_P(Commands, GroupFailure,
                         ::testing::Values(FailureCase{"Retreat", &Leader::GroupRetreat, " failed to make a group retreat."},
                                           FailureCase{"Attack", &Leader::GroupAttack, " failed to make a group attack."},
                                           FailureCase{"RestoreMorale", &Leader::DoGroupRestoreMorale,
                                                       " failed to make a group restore morale."}),
                         [](const auto& p) { return std::string(p.param.name); });

struct EdgeCase {
    const char* name;
    std::uint32_t edge;
    std::uint16_t region;
    std::uint16_t target;
};

class RetreatTargets : public GroupTest, public ::testing::WithParamInterface<EdgeCase> {};

// The fixture's map has 10 columns and 8 rows.
TEST_P(RetreatTargets, TheEdgeGivesTheTarget) {
    MakeLeader(GetParam().region, 3);
    leader->SetRetreatEdge(GetParam().edge);
    EXPECT_EQ(leader->RetreatTarget(), GetParam().target);
}

INSTANTIATE_TEST_SUITE_P(Edges, RetreatTargets,
                         ::testing::Values(EdgeCase{"North", 1, 507, 500}, EdgeCase{"East", 3, 507, 1007},
                                           EdgeCase{"South", 5, 503, 508}, EdgeCase{"West", 7, 507, 7},
                                           EdgeCase{"NoEdge", 0, 507, 507}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(GroupCommandTest, ARetreatMovesTheAbleUnitsAndReportsOnceWhenAllAreBack) {
    MakeLeader(504, 7);
    leader->SetRetreatEdge(7);
    leader->SetAIControlled(1);
    auto* a = Member(1, 604, 7);
    auto* b = Member(2, 606, 7);
    auto* absent = Member(3, 0xFFFF, 7);
    a->SetRetreatEdge(7);
    b->SetRetreatEdge(7);
    ScriptGameRandom({0});
    delete leader->GroupRetreat();
    Run();
    EXPECT_LT(a->GetLocation() / 100, 6) << "units move toward the west edge";
    EXPECT_LT(b->GetLocation() / 100, 6);
    EXPECT_FALSE(absent->IsOnMap());
    EXPECT_TRUE(leader->GetPendingUnits().IsEmpty());
    EXPECT_EQ(probe->aiDone, 1);
    EXPECT_EQ(leader->GetCommandsUsed(), leader->GetCommands());
    EXPECT_EQ(leader->GetFailedGroupCommands(), 0);
}

TEST_F(GroupCommandTest, ARetreatWithNoUnitToOrderIsCompleteAtOnce) {
    MakeLeader(504, 7);
    leader->SetRetreatEdge(7);
    leader->SetAIControlled(1);
    Member(1, 0xFFFF, 7);
    leader->DoGroupRetreat(4);
    Run();
    EXPECT_EQ(probe->aiDone, 1) << "nothing is pending, so nothing else would ever end the wait";
    // No completion handler is left behind to be set off by a later report.
    Container<MoveReturnStruct> stray(MoveReturnStruct(2, 1));
    leader->PostNamed("MovementDone", &stray);
    Run();
    EXPECT_EQ(probe->aiDone, 1);
}

TEST_F(GroupCommandTest, ARetreatOfUnitsThatCannotMoveStillEnds) {
    MakeLeader(504, 7);
    leader->SetRetreatEdge(7);
    leader->SetAIControlled(1);
    auto* stuck = Member(1, 604, 7);
    stuck->SetMovementPoints(0);
    leader->DoGroupRetreat(4);
    Run();
    EXPECT_EQ(stuck->GetLocation(), 604);
    EXPECT_TRUE(leader->GetPendingUnits().IsEmpty());
    EXPECT_EQ(probe->aiDone, 1);
}

TEST_F(GroupCommandTest, AUnitPendingTwiceNeedsBothReports) {
    MakeLeader(504, 7);
    leader->SetAIControlled(1);
    leader->AddPending(7, Leader::Report::Fire);
    leader->AddPending(7, Leader::Report::Move);
    leader->AddPending(8, Leader::Report::Move);
    delete leader->GroupActionUnitDone(Leader::Report::Fire, 7);
    delete leader->GroupActionUnitDone(Leader::Report::Fire, 7);
    delete leader->GroupActionUnitDone(Leader::Report::Move, 8);
    Run();
    EXPECT_EQ(leader->GetPendingUnits().Count(), 1);
    EXPECT_EQ(probe->aiDone, 0) << "unit 7 is still moving";
    delete leader->GroupActionUnitDone(Leader::Report::Move, 7);
    Run();
    EXPECT_TRUE(leader->GetPendingUnits().IsEmpty());
    EXPECT_EQ(probe->aiDone, 1);
    delete leader->GroupActionUnitDone(Leader::Report::Move, 7);
    Run();
    EXPECT_EQ(probe->aiDone, 1) << "a report for a unit that is not pending is ignored";
}

TEST_F(GroupCommandTest, AnEliminatedUnitOwesNothingMore) {
    MakeLeader(504, 7);
    leader->SetAIControlled(1);
    leader->AddPending(7, Leader::Report::Fire);
    leader->AddPending(7, Leader::Report::Move);
    delete leader->GroupActionUnitDone(Leader::Report::Eliminated, 7);
    Run();
    EXPECT_TRUE(leader->GetPendingUnits().IsEmpty());
    EXPECT_EQ(probe->aiDone, 1);
}

TEST_F(GroupCommandTest, AGroupMoveReportForAnotherUnitIsIgnored) {
    MakeLeader(504, 7);
    leader->SetAIControlled(1);
    leader->AddPending(7, Leader::Report::Move);
    delete leader->GroupMovementDone(9);
    EXPECT_EQ(leader->GetPendingUnits().Count(), 1);
    delete leader->GroupMovementDone(7);
    Run();
    EXPECT_EQ(probe->aiDone, 1);
}

TEST_F(GroupCommandTest, RestoreMoraleOrdersOnlyUnitsWithHits) {
    MakeLeader(203, 3);
    auto* hurt = Member(1, 303);
    auto* fresh = Member(2, 305);
    hurt->ApplyCohesionHits(2, 0);
    ASSERT_GT(hurt->GetCohesionHits(), 0);
    Leader::SetShowFinishLeader(1);
    ScriptGameRandom({0, 0});
    delete leader->DoGroupRestoreMorale();
    Run();
    EXPECT_TRUE(hurt->HasActed());
    EXPECT_FALSE(fresh->HasActed());
    EXPECT_EQ(leader->GetCommandsUsed(), leader->GetCommands());
    EXPECT_EQ(probe->almostDone, 1);
    for (int id : {212, 261, 248, 259, 260}) EXPECT_TRUE(probe->Disabled(id)) << id;
}

TEST_F(GroupCommandTest, TheOrdersPhaseOffersTheGroupCommandsAndItsEndTakesThemAway) {
    MakeLeader(203, 3);
    auto* u = Member(1, 303);
    delete leader->OnInitLeader();
    EXPECT_TRUE(probe->Enabled(212));
    EXPECT_TRUE(probe->Disabled(261)) << "no road under the group";
    for (int id : {248, 259, 260}) EXPECT_TRUE(probe->Enabled(id)) << id;
    delete leader->OnEndOrdersPhase();
    Run();
    const std::uint32_t before = u->GetFacing();
    leader->PostNamedEvent("LeaderGroupLineFormation");
    leader->PostNamedEvent("LeaderGroupAttack");
    Run();
    EXPECT_EQ(u->GetFacing(), before);
    EXPECT_FALSE(leader->HasGroupCommandMade());
}

TEST_F(GroupCommandTest, TheMenuCommandReachesTheLeader) {
    MakeLeader(203, 3);
    Member(1, 303);
    delete leader->OnInitLeader();
    leader->PostNamedEvent("LeaderGroupMove");
    Run();
    EXPECT_TRUE(leader->IsGroupMoving());
}


TEST_F(GroupCommandTest, AnOrderNamedByAnUnsignedNumberIsCountedLikeAnyOther) {
    // The computer player's rally order names its unit as an unsigned number, the units' own
    // orders as a signed one; both are orders the leader must count.
    MakeLeader(203, 3);
    auto* u = Member(1, 303);
    auto* v = Member(2, 304);
    delete leader->OnInitLeader();
    platform::ClearShownMessageBoxes();
    Container<unsigned short> rallied(u->GetUnitNum());
    leader->PostNamed("GiveOrder", &rallied);
    Container<short> moved(static_cast<short>(v->GetUnitNum()));
    leader->PostNamed("GiveOrder", &moved);
    Run();
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);
    EXPECT_EQ(leader->GetCommandsUsed(), 2);
}

} // namespace
