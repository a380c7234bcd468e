#include "core/message_registry.h"
#include "game/logic/combat_records.h"
#include "game/logic/game_random.h"
#include "platform/msgbox.h"
#include "units_fixture.h"

namespace {

using units_testing::UnitsTest;

TEST_F(UnitsTest, RightAndLeftHandNeighbours) {
    auto* unit = Make<MediumInfantry>(MissileRecord(1, 0, 404));
    struct Case {
        std::uint16_t hex;
        std::uint32_t facing;
        std::uint16_t right, left;
    } cases[] = {
        {404, 2, 504, 303}, {404, 3, 405, 403}, {404, 4, 304, 503}, {404, 6, 303, 504},
        {404, 7, 403, 405}, {404, 8, 503, 304}, {504, 2, 605, 404}, {504, 4, 405, 604},
        {404, 1, 0xFFFF, 0xFFFF}, {404, 5, 0xFFFF, 0xFFFF},
        // At the map's edge there is no neighbour.
        {7, 3, 0xFFFF, 6}, {900, 2, 0xFFFF, 800},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hex * 10 + c.facing);
        EXPECT_EQ(unit->GetRightRegion(c.hex, c.facing), c.right);
        EXPECT_EQ(unit->GetLeftRegion(c.hex, c.facing), c.left);
    }
    // Facing 0 means the unit's own (3).
    EXPECT_EQ(unit->GetRightRegion(404, 0), 405);
    // Every right-hand neighbour is the map's own neighbour two compass steps to the right.
    for (std::uint32_t f : {2u, 3u, 4u, 6u, 7u, 8u})
        EXPECT_EQ(unit->GetRightRegion(404, f), map->GetNeighbour(404, static_cast<int>((f + 1) % 8 + 1)));
}

TEST_F(UnitsTest, ATwoHexUnitStandsOnItsRightHandHexToo) {
    auto record = MissileRecord(1, 0, 404);
    record.twoHex = 1;
    auto* wide = Make<MediumInfantry>(record);
    EXPECT_TRUE(wide->IsTwoHex());
    EXPECT_EQ(wide->GetSecondRegion(), 405);
    wide->SetFacing(2);
    EXPECT_EQ(wide->GetSecondRegion(), 504);
    wide->SetLocation(0xFFFF);
    EXPECT_EQ(wide->GetSecondRegion(), 0xFFFF);
    auto* narrow = Make<MediumInfantry>(MissileRecord(2, 0, 202));
    EXPECT_EQ(narrow->GetSecondRegion(), 0xFFFF);
}

TEST_F(UnitsTest, WedgesOpenAhead) {
    auto* unit = Make<MediumInfantry>(MissileRecord(1, 0, 404));
    const auto one = unit->WedgeAhead(404, 1, 1);
    EXPECT_EQ(one.Count(), 1);
    // Two deep northward: the hex and its northern neighbour.
    auto two = unit->WedgeAhead(404, 2, 1);
    EXPECT_TRUE(two.Contains(404));
    EXPECT_TRUE(two.Contains(403));
    EXPECT_EQ(two.Count(), 2);
    // Toward the east vertex the wedge opens over both eastern sides.
    auto east = unit->WedgeAhead(404, 2, 3);
    EXPECT_TRUE(east.Contains(504));
    EXPECT_TRUE(east.Contains(503));
    EXPECT_EQ(east.Count(), 3);
}

TEST_F(UnitsTest, MatchingByRegionAndByName) {
    auto* unit = Make<MediumInfantry>(MissileRecord(1, 0, 404), "Iron Brigade");
    Container<short> here(404), there(405);
    Container<std::string> name("Iron Brigade");
    EXPECT_EQ(unit->MatchesQuery(&here), 1);
    EXPECT_EQ(unit->MatchesQuery(&there), 0);
    EXPECT_EQ(unit->MatchesQuery(&name), 0);
    LeaderUnitData l;
    l.region = 303;
    Leader leader(l, "Gen. Farrant");
    Container<std::string> his("Gen. Farrant");
    Container<short> at(303);
    EXPECT_EQ(leader.MatchesQuery(&his), 1);
    EXPECT_EQ(leader.MatchesQuery(&name), 0);
    EXPECT_EQ(leader.MatchesQuery(&at), 1);
}

TEST_F(UnitsTest, CommentaryNamesAndStatusPanes) {
    auto* unit = Make<MediumInfantry>(MissileRecord(1, 1, 404), "4th Texas");
    EXPECT_EQ(unit->GetCommentaryName(), "\\B\\N14th Texas (MI)\\n\\b");
    LeaderUnitData l;
    l.side = 0;
    Leader leader(l, "Gen. Brackley");
    EXPECT_EQ(leader.GetCommentaryName(), "\\B\\N0Gen. Brackley\\n\\b");
    EXPECT_EQ(unit->StatusPane1Text(), "4th Texas (MI)");
    EXPECT_EQ(unit->StatusPane2Text(), "MR: 5  Hits:0  SP:6");
}

TEST_F(UnitsTest, CombatQueriesAndTheRoutCounter) {
    auto* unit = Make<MediumInfantry>(MissileRecord(1, 1, 404));
    EXPECT_EQ(unit->Query(1), 5);
    EXPECT_EQ(unit->Query(2), 0);
    EXPECT_EQ(unit->Query(3), 6);
    EXPECT_EQ(unit->Query(9), 3);
    EXPECT_EQ(unit->Query(21), 0);
    EXPECT_FALSE(unit->IsRouted());
    // Hits applied on every machine never pass the troop quality.
    unit->ApplyCohesionHits(3, 2);
    EXPECT_EQ(unit->GetCohesionHits(), 3);
    unit->ApplyCohesionHits(9, 2);
    EXPECT_EQ(unit->GetCohesionHits(), 5);
    unit->RestoreCohesion(1);
    EXPECT_EQ(unit->GetCohesionHits(), 1);
}

TEST_F(UnitsTest, HitsGivenHereAnnounceTheBreak) {
    auto* unit = Make<MediumInfantry>(MissileRecord(1, 1, 404));
    EXPECT_EQ(unit->TQHit(0, 0), 0);
    EXPECT_EQ(unit->TQHit(2, 0), 0);
    EXPECT_FALSE(unit->IsBreaking());
    EXPECT_EQ(unit->TQHit(3, -1), 1);
    EXPECT_TRUE(unit->IsBreaking());
    EXPECT_EQ(unit->GetPendingHits(), 5);
}

TEST_F(UnitsTest, LeadersAndTheirChainOfCommand) {
    LeaderUnitData l;
    l.groupNumber = 4;
    l.superiorGroup = 4;
    Leader own(l, "Own");
    // A superior group equal to the leader's own group names nobody.
    EXPECT_EQ(own.GetSuperiorGroupNumber(), -1);
    Leader a(l, "A"), b(l, "B"), c(l, "C");
    b.SetSuperior(&a);
    c.SetSuperior(&b);
    EXPECT_TRUE(c.IsUnderCommandOf(&a));
    EXPECT_TRUE(c.IsUnderCommandOf(&b));
    EXPECT_FALSE(a.IsUnderCommandOf(&c));
    // A chain that runs in a circle ends all the same.
    a.SetSuperior(&c);
    Leader outsider(l, "Outsider");
    EXPECT_FALSE(a.IsUnderCommandOf(&outsider));
}

TEST_F(UnitsTest, AFallenLeaderIsReplacedInPlace) {
    LeaderUnitData l;
    l.unitNumber = 7;
    l.side = 1;
    l.region = 606;
    l.commands = 4;
    l.commandRange = 6;
    auto* leader = Make<Leader>(l, "Gen. Thorne");
    struct Listener : Component {
        std::vector<EliminateUnitData> heard;
        Listener() : Component("Listener") {}
        void Connect() override { RegisterNamedHandler("UnitEliminated", Heard); }
        static ContainerBase* Heard(Component* c, BusMessage, ContainerBase* p) {
            if (auto* r = PayloadValue<EliminateUnitData>(p)) static_cast<Listener*>(c)->heard.push_back(*r);
            return nullptr;
        }
    } listener;
    listener.AttachToBus(&shell->Layer());
    leader->Wound(1);
    EXPECT_EQ(leader->GetCommands(), 3);
    leader->RemoveFromPlay();
    ASSERT_EQ(listener.heard.size(), 1u);
    // Twice the commands it started with, whatever the wound took.
    EXPECT_EQ(listener.heard[0].points, 8);
    EXPECT_EQ(listener.heard[0].state, -1);
    EXPECT_EQ(listener.heard[0].unit, 7);
    EXPECT_EQ(Commands(7), std::vector<std::string>{"UnitEliminated"});
    EXPECT_EQ(leader->GetName(), "Gen. Thorne(R)");
    EXPECT_EQ(leader->GetCommands(), 2);
    EXPECT_EQ(leader->GetCommandRange(), 4);
    EXPECT_TRUE(leader->IsFinished());
    EXPECT_TRUE(leader->IsWounded());
    EXPECT_TRUE(leader->IsOnMap());
    ASSERT_NE(leader->GetFallenPredecessors(), nullptr);
    EXPECT_EQ(leader->GetFallenPredecessors()->GetName(), "Gen. Thorne");
    EXPECT_EQ(leader->GetFallenPredecessors()->GetCommands(), 3);
    EXPECT_TRUE(leader->GetFallenPredecessors()->IsRemoved());
    // The second fall keeps the one mark and lengthens the chain.
    leader->RemoveFromPlay();
    EXPECT_EQ(leader->GetName(), "Gen. Thorne(R)");
    EXPECT_EQ(leader->GetFallenPredecessors()->GetName(), "Gen. Thorne(R)");
    ASSERT_NE(leader->GetFallenPredecessors()->GetFallenPredecessors(), nullptr);
}

TEST_F(UnitsTest, LeaderOrdersAreCounted) {
    LeaderUnitData l;
    l.unitNumber = 5;
    l.commands = 2;
    auto* leader = Make<Leader>(l, "Gen. Colfax");
    leader->SubscribeActivation();
    EXPECT_EQ(leader->HasFullSubscription(), 1);
    Container<short> mine(5), other(6);
    ContainerBase* left = shell->Layer().SendNamed("GetLeaderOrdersLeft", &mine);
    short n = 0;
    EXPECT_TRUE(ExtractData(left, n));
    EXPECT_EQ(n, 2);
    delete left;
    delete shell->Layer().SendNamed("LeaderGaveOrder", &mine);
    delete shell->Layer().SendNamed("LeaderGaveOrder", &other);
    EXPECT_EQ(leader->GetCommandsLeft(), 1);
    delete shell->Layer().SendNamed("LeaderGaveOrder", &mine);
    delete shell->Layer().SendNamed("LeaderGaveOrder", &mine);
    EXPECT_EQ(leader->GetCommandsLeft(), 0);
    EXPECT_EQ(shell->Layer().SendNamed("GetLeaderOrdersLeft", &other), nullptr);
    leader->SubscribeActivationOnly();
    EXPECT_EQ(leader->HasFullSubscription(), 0);
    EXPECT_EQ(shell->Layer().SendNamed("GetLeaderOrdersLeft", &mine), nullptr);
}

TEST_F(UnitsTest, AWrongPayloadGoesToTheAssertionBox) {
    Make<MediumInfantry>(MissileRecord(1, 0, 404));
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    platform::QueueMessageBoxAnswer(IDNO);
    Container<std::string> wrong("x");
    delete shell->Layer().SendNamed("BeginTurn", &wrong);
    EXPECT_EQ(UnitBoxes(), 1u);
}

TEST_F(UnitsTest, TheRoutCounterRisesEachTurnWhileRouted) {
    auto* unit = Make<MediumInfantry>(MissileRecord(1, 0, 404));
    Container<short> turn(1);
    delete shell->Layer().SendNamed("BeginTurn", &turn);
    EXPECT_EQ(unit->GetRoutCounter(), 0);
}

TEST_F(UnitsTest, RemovalFromPlay) {
    auto* unit = Make<MediumInfantry>(MissileRecord(3, 0, 404));
    unit->PushUndo();
    EXPECT_EQ(VhUnit::GetUndoCount(), 1);
    unit->VhUnit::RemoveFromPlay();
    EXPECT_TRUE(unit->IsRemoved());
    EXPECT_TRUE(unit->HasActed());
    EXPECT_FALSE(unit->IsOnMap());
    EXPECT_FALSE(map->IsRegionOccupied(404));
    EXPECT_EQ(VhUnit::GetUndoCount(), 0);
    // Its turn messages no longer reach it: a wrong payload raises no box from it.
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    Container<std::string> wrong("x");
    delete shell->Layer().SendNamed("BeginTurn", &wrong);
    EXPECT_EQ(UnitBoxes(), 0u);
}

TEST_F(UnitsTest, ARegimentEliminatedAnnouncesItself) {
    auto* unit = Make<MediumInfantry>(MissileRecord(3, 1, 404));
    unit->RemoveFromPlay();
    EXPECT_EQ(Commands(3), std::vector<std::string>{"UnitEliminated"});
    EXPECT_TRUE(unit->IsRemoved());
    EXPECT_FALSE(map->IsRegionOccupied(404));
}

TEST_F(UnitsTest, FormationChangesShowTheirPictures) {
    auto* infantry = Make<MediumInfantry>(MissileRecord(1, 0, 404));
    infantry->SetFormation(1, 0, 0);
    EXPECT_FALSE(infantry->IsInLine());
    infantry->SetFormation(2, 1, 0);
    EXPECT_TRUE(infantry->IsInLine());
    EXPECT_EQ(Commands(1), (std::vector<std::string>{"ColumnFormation", "LineFormation"}));

    auto wideRecord = MissileRecord(2, 0, 202);
    wideRecord.twoHex = 1;
    auto* wide = Make<MediumInfantry>(wideRecord);
    wide->SetFormation(2, 0, 0);
    EXPECT_EQ(wide->GetFacingSide(), 1);
    // A two-hex column faces along its files.
    EXPECT_EQ(wide->GetFacing(), 5u);
    wide->SetFormation(1, 1, 1);
    EXPECT_EQ(wide->GetFacingSide(), 0);
    EXPECT_EQ(Commands(2), (std::vector<std::string>{"LeftFaceSprites", "CenterFaceSprites"}));

    auto* guns = Make<Artillery>(MissileRecord(3, 0, 606, 19, 0));
    guns->SetLimbered(0);
    EXPECT_FALSE(guns->IsLimbered());
    guns->SetLimbered(1);
    EXPECT_TRUE(guns->IsLimbered());
    EXPECT_EQ(Commands(3), (std::vector<std::string>{"UnlimberArtilleryNA", "LimberArtilleryNA"}));

    auto* horse = Make<LightCav>(MissileRecord(4, 0, 707, 12, 1));
    horse->SetMounted(0);
    EXPECT_FALSE(horse->IsMounted());
    EXPECT_TRUE(horse->MayFireInFormation());
    horse->SetMounted(1);
    EXPECT_EQ(Commands(4), (std::vector<std::string>{"CavalryDismount", "InfantryToCavalry", "CavalryMount"}));
}

TEST_F(UnitsTest, MountingAndDismountingCostMovement) {
    struct Case {
        bool mountedBefore;
        std::uint16_t pointsBefore, pointsAfter;
    } cases[] = {{true, 8, 2}, {true, 5, 0}, {true, 2, 0}, {false, 0, 2}, {false, 3, 5}};
    std::uint16_t number = 10;
    for (const auto& c : cases) {
        auto* horse = Make<LightCav>(MissileRecord(number++, 0, 101));
        if (!c.mountedBefore) horse->SetMounted(0);
        horse->SetMovementPoints(c.pointsBefore);
        horse->MountOrder();
        EXPECT_EQ(horse->IsMounted(), c.mountedBefore ? 0 : 1);
        EXPECT_EQ(horse->GetMovementPoints(), c.pointsAfter) << c.pointsBefore;
        EXPECT_TRUE(horse->HasActed());
    }
}

TEST_F(UnitsTest, DismountedCavalryPaysWhenSelected) {
    auto* horse = Make<LightCav>(MissileRecord(1, 0, 101));
    horse->SetMounted(0);
    horse->SetMovementPoints(8);
    delete horse->OnSelectionConfirmed();
    EXPECT_EQ(horse->GetMovementPoints(), 4);
}

TEST_F(UnitsTest, LimberingTakesTwoPointsAndKeepsTheFacing) {
    auto* guns = Make<Artillery>(MissileRecord(1, 0, 606, 19, 0));
    struct Relay : Component {
        std::vector<LimberUnlimberInfo> orders;
        Relay() : Component("Relay") {}
        void Connect() override { RegisterNamedHandler("DoLimberUnlimber", Order); }
        static ContainerBase* Order(Component* c, BusMessage, ContainerBase* p) {
            if (auto* o = PayloadValue<LimberUnlimberInfo>(p)) static_cast<Relay*>(c)->orders.push_back(*o);
            return nullptr;
        }
    } relay;
    relay.AttachToBus(&shell->Layer());
    guns->SetMovementPoints(5);
    guns->LimberOrder();
    EXPECT_EQ(guns->GetMovementPoints(), 3);
    EXPECT_FALSE(guns->IsLimbered());
    ASSERT_EQ(relay.orders.size(), 1u);
    EXPECT_EQ(relay.orders[0].unit, 1);
    EXPECT_EQ(relay.orders[0].order, 0);
    guns->SetMovementPoints(1);
    guns->LimberOrder();
    EXPECT_EQ(guns->GetMovementPoints(), 0);
    EXPECT_EQ(relay.orders[1].order, 1);
    EXPECT_EQ(guns->GetFacing(), 3u);
}

TEST_F(UnitsTest, BatteriesLimberAndCavalryMountsBeforeEvading) {
    auto* guns = Make<Artillery>(MissileRecord(1, 0, 606, 19, 1));
    ASSERT_FALSE(guns->IsLimbered());
    guns->EvadeReaction();
    EXPECT_TRUE(guns->IsLimbered());
    auto* limbered = Make<Artillery>(MissileRecord(2, 0, 607, 19, 0));
    limbered->SetMovementPoints(6);
    limbered->EvadeReaction();
    EXPECT_EQ(limbered->GetMovementPoints(), 6);
    auto* horse = Make<LightCav>(MissileRecord(3, 0, 707, 12, 1));
    horse->SetMounted(0);
    horse->EvadeReaction();
    EXPECT_TRUE(horse->IsMounted());
}

// A combat unit whose front lists a test can set.
class ZonedInfantry : public MediumInfantry {
public:
    using MediumInfantry::MediumInfantry;
    void SetFrontZone(std::initializer_list<int> hexes) {
        frontZone.Clear();
        for (int h : hexes) frontZone.AddTail(static_cast<short>(h));
    }
    void SetAttackHexes(std::initializer_list<int> hexes) {
        attackHexes.Clear();
        for (int h : hexes) attackHexes.AddTail(static_cast<short>(h));
    }
};

struct MenuLog : Component {
    std::vector<std::pair<int, int>> items;
    std::vector<std::string> cursors;
    MenuLog() : Component("Menus") {}
    void Connect() override {
        RegisterHandler(DISABLE_MENU_ITEM, Disabled);
        RegisterNamedHandler("ChangeCursor", Cursor);
    }
    static ContainerBase* Disabled(Component* c, BusMessage, ContainerBase* p) {
        if (auto* id = PayloadValue<BusMessage>(p)) static_cast<MenuLog*>(c)->items.emplace_back(DISABLE_MENU_ITEM, id->Number());
        return nullptr;
    }
    static ContainerBase* Cursor(Component* c, BusMessage, ContainerBase* p) {
        if (auto* t = PayloadValue<std::string>(p)) static_cast<MenuLog*>(c)->cursors.push_back(*t);
        return nullptr;
    }
};

TEST_F(UnitsTest, ATwoHexUnitWheelsOnlyThroughAFreeHexTouchingBothOfItsHexes) {
    MenuLog menus;
    menus.AttachToBus(&shell->Layer());
    auto record = MissileRecord(1, 0, 404);
    record.twoHex = 1;
    auto* wide = Make<ZonedInfantry>(record);
    ASSERT_EQ(wide->GetSecondRegion(), 405);
    // 504 touches both 404 and 405.
    wide->SetFrontZone({504, 505});
    wide->UpdateRotateMenu();
    EXPECT_TRUE(menus.items.empty());
    Make<MediumInfantry>(MissileRecord(2, 1, 504));
    wide->UpdateRotateMenu();
    EXPECT_EQ(menus.items, (std::vector<std::pair<int, int>>{{DISABLE_MENU_ITEM, 221}, {DISABLE_MENU_ITEM, 220}}));
    menus.items.clear();
    wide->SetFrontZone({606});
    wide->UpdateRotateMenu();
    EXPECT_EQ(menus.items.size(), 2u);
    // A one-hex unit never has them taken away.
    menus.items.clear();
    auto* narrow = Make<ZonedInfantry>(MissileRecord(3, 0, 202));
    narrow->UpdateRotateMenu();
    EXPECT_TRUE(menus.items.empty());
    narrow->SetAttackHexes({203});
    delete narrow->OnHoverSelected(203);
    delete narrow->OnHoverSelected(204);
    EXPECT_EQ(menus.cursors, (std::vector<std::string>{"charge.ani", "ArrowCursor"}));
}

TEST_F(UnitsTest, TheUndoListHoldsOneUnitAtATime) {
    auto* a = Make<MediumInfantry>(MissileRecord(1, 0, 404));
    auto* b = Make<MediumInfantry>(MissileRecord(2, 0, 405));
    a->PushUndo();
    a->PushUndo();
    EXPECT_EQ(VhUnit::GetUndoCount(), 2);
    b->PushUndo();
    EXPECT_EQ(VhUnit::GetUndoCount(), 1);
    UndoStruct last;
    ASSERT_TRUE(VhUnit::PopUndo(last));
    EXPECT_EQ(last.unit, 2);
    EXPECT_EQ(last.wordB, 405);
    EXPECT_EQ(last.state[9], 1);
    EXPECT_EQ(last.state[7], 1);
    UndoStruct untouched;
    untouched.unit = 77;
    EXPECT_FALSE(VhUnit::PopUndo(untouched));
    EXPECT_EQ(untouched.unit, 77);
}

TEST_F(UnitsTest, UndoGivesBackHitsButNeverAddsThem) {
    auto* unit = Make<MediumInfantry>(MissileRecord(1, 0, 404));
    unit->ApplyCohesionHits(1, 0);
    unit->PushUndo();
    UndoStruct record;
    ASSERT_TRUE(VhUnit::PopUndo(record));
    unit->ApplyCohesionHits(2, 0);
    // Hits applied show on the picture; only what the undo sends matters here.
    shell->Display().commands.clear();
    unit->Undo(record);
    EXPECT_EQ(unit->GetCohesionHits(), 1);
    const auto& commands = shell->Display().commands;
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(MessageName(commands[0].command.Number()), "RestoreCohesion");
    short percent = 0;
    EXPECT_TRUE(ExtractData(commands[0].data, percent));
    EXPECT_EQ(percent, 20);
    // A record with more hits than the unit has changes nothing.
    record.state[5] = 4;
    unit->Undo(record);
    EXPECT_EQ(unit->GetCohesionHits(), 1);
}

} // namespace
