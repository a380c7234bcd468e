#include "core/basic_app.h"
#include "core/message_registry.h"
#include "core/text_payload.h"
#include "fake_units.h"
#include "game/logic/game_record_streams.h"
#include "game/logic/logical_command.h"
#include "game/logic/logical_layer.h"
#include "game/logic/vh_logical_landscape.h"
#include "landscape_fixture.h"
#include "platform/clock.h"
#include "platform/message_queue.h"
#include "platform/msgbox.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

namespace {

using testing_units::FakeCombat;
using testing_units::FakeLeader;
using testing_units::LoadDraft;
using testing_units::Regions;

class QuietLayer : public LogicalLayer {
public:
    QuietLayer() : LogicalLayer("Test Layer") {}
    void LoadScenario(const std::string&) override {}
    void RegionSelected(std::uint16_t) override {}
    void RegionFlyby(std::uint16_t) override {}
};

// What the rest of the game does around the battlefield: it answers the battlefield's questions
// and records what the battlefield tells the display and the commentary.
class Surroundings : public Component {
public:
    Surroundings() : Component("Surroundings") {}

    std::vector<LogicalCommandInfo> commands;
    std::vector<std::pair<std::string, std::set<int>>> shadows;
    std::map<std::uint16_t, VhUnit*> units;
    std::set<const Leader*> unfriendly;
    Group* activeGroup = nullptr;
    std::vector<int> subLeadersSelected;
    int finishLeaderCalls = 0;
    std::vector<std::string> commentary;

    void Connect() override {
        RegisterHandler(LOGICAL_COMMAND, &OnCommand);
        RegisterNamedHandler("Shadow Region", &OnShadow);
        RegisterNamedHandler("Deshadow Region", &OnShadow);
        RegisterNamedHandler("GetUnitByNum", &OnGetUnit);
        RegisterNamedHandler("IsLeaderFriendly", &OnFriendly);
        RegisterNamedHandler("ActiveGroup", &OnActiveGroup);
        RegisterNamedHandler("DoSelectSubLeader", &OnSubLeader);
        RegisterNamedHandler("LeaderFinishLeader", &OnFinishLeader);
        RegisterNamedHandler("AddCommentaryLocal", &OnCommentary);
    }

private:
    static Surroundings* Self(Component* c) { return dynamic_cast<Surroundings*>(c); }
    static ContainerBase* OnCommand(Component* c, BusMessage, ContainerBase* p) {
        if (auto* cmd = PayloadValue<LogicalCommandInfo>(p)) Self(c)->commands.push_back(*cmd);
        return nullptr;
    }
    static ContainerBase* OnShadow(Component* c, BusMessage e, ContainerBase* p) {
        auto* list = PayloadValue<List<short>*>(p);
        if (!list) return nullptr;
        const auto v = Regions(**list);
        Self(c)->shadows.push_back({MessageName(static_cast<std::uint16_t>(e.Number())), {v.begin(), v.end()}});
        return nullptr;
    }
    static ContainerBase* OnGetUnit(Component* c, BusMessage, ContainerBase* p) {
        auto* number = PayloadValue<short>(p);
        auto& units = Self(c)->units;
        if (!number || !units.count(static_cast<std::uint16_t>(*number))) return nullptr;
        return new Container<VhUnit*>(units[static_cast<std::uint16_t>(*number)]);
    }
    static ContainerBase* OnFriendly(Component* c, BusMessage, ContainerBase* p) {
        auto* leader = PayloadValue<Leader*>(p);
        if (!leader) return nullptr;
        return new Container<short>(Self(c)->unfriendly.count(*leader) ? 0 : 1);
    }
    static ContainerBase* OnActiveGroup(Component* c, BusMessage, ContainerBase*) {
        Group* g = Self(c)->activeGroup;
        return g ? new Container<Group*>(g) : nullptr;
    }
    static ContainerBase* OnSubLeader(Component* c, BusMessage, ContainerBase* p) {
        if (auto* n = PayloadValue<unsigned short>(p)) Self(c)->subLeadersSelected.push_back(*n);
        return nullptr;
    }
    static ContainerBase* OnFinishLeader(Component* c, BusMessage, ContainerBase*) {
        ++Self(c)->finishLeaderCalls;
        return nullptr;
    }
    static ContainerBase* OnCommentary(Component* c, BusMessage, ContainerBase* p) {
        std::string text;
        if (ExtractText(p, text)) Self(c)->commentary.push_back(text);
        return nullptr;
    }
};

// A combat unit on the bus that notes when it is picked up.
class BusUnit : public FakeCombat {
public:
    using FakeCombat::FakeCombat;
    int selected = 0;
    int lifted = 0;
    void Connect() override {
        RegisterNamedHandler("UnitSelected", &OnSelected);
        RegisterNamedHandler("UnitLifted", &OnLifted);
    }

private:
    static ContainerBase* OnSelected(Component* c, BusMessage, ContainerBase*) {
        ++dynamic_cast<BusUnit*>(c)->selected;
        return new Container<short>(1);
    }
    static ContainerBase* OnLifted(Component* c, BusMessage, ContainerBase*) {
        ++dynamic_cast<BusUnit*>(c)->lifted;
        return nullptr;
    }
};

class BattlefieldBus : public ::testing::Test {
protected:
    void SetUp() override {
        platform::UseVirtualClock(1000);
        platform::ResetMessageQueues();
        platform::ClearMessageBoxAnswers();
        platform::ClearShownMessageBoxes();
        app = std::make_unique<BasicApp>();
        layer = std::make_unique<QuietLayer>();
        layer->AttachToBus(app.get());
        map = std::make_unique<VhLogicalLandscape>();
        datagen::LandscapeDraft d(10, 8);
        d.SetElevation(203, 4);
        LoadDraft(*map, d);
        map->AttachToBus(layer.get());
        world = std::make_unique<Surroundings>();
        world->AttachToBus(layer.get());
        group.SetLeader(&chief);
        chief.group = &group;
    }
    void TearDown() override {
        map.reset();
        world.reset();
        layer.reset();
        app.reset();
        platform::ResetMessageQueues();
        platform::ClearMessageBoxAnswers();
    }
    // Places a unit as the scenario loader would, and makes it known by number.
    void Place(VhUnit* u, std::uint16_t region) {
        u->SetLocation(region);
        map->DeshadowRegions(u, region);
        world->units[u->GetUnitNum()] = u;
    }
    void Flyby(std::uint16_t region) {
        Container<short> p(static_cast<short>(region));
        world->Send(REGION_FLYBY, &p);
    }
    void Select(std::uint16_t region) {
        Container<short> p(static_cast<short>(region));
        world->Send(REGION_SELECTED, &p);
    }

    std::unique_ptr<BasicApp> app;
    std::unique_ptr<QuietLayer> layer;
    std::unique_ptr<VhLogicalLandscape> map;
    std::unique_ptr<Surroundings> world;
    Group group;
    FakeLeader chief{90, 0, "Gen. Reynolds"};
};

TEST_F(BattlefieldBus, HoverOverAnEmptyRegion) {
    Flyby(203);
    EXPECT_EQ(app->StatusText(1), "");
    EXPECT_EQ(app->StatusText(2), "Hex: 1203  Elevation: 4");
}

TEST_F(BattlefieldBus, HoverOverCombatUnits) {
    struct Case {
        int kind;
        const char* code;
        int inLine, mounted;
        const char* formation;
    } cases[] = {
        {InfantryKind, "IN", 1, 0, "Line "},
        {InfantryKind, "IN", 0, 0, "Column "},
        {ArtilleryKind, "AR", 1, 0, "Unlimbered "},
        {ArtilleryKind, "AR", 0, 0, "Limbered "},
        {CavalryKind, "CV", 0, 0, "Unmounted-Column "},
        {CavalryKind, "CV", 1, 1, "Mounted-Line "},
        {SupplyWagonKind, "SW", 0, 0, ""},
    };
    for (const auto& c : cases) {
        BusUnit u(1, 0, c.kind);
        u.kindCode = c.code;
        u.inLine = c.inLine;
        u.mounted = c.mounted;
        u.missile = 1;
        u.tq = 5;
        u.hits = 2;
        u.strength = 8;
        u.group = &group;
        Place(&u, 305);
        Flyby(305);
        EXPECT_EQ(app->StatusText(1), std::string("Fake Combat (") + c.code + ") MR: 5  Hits: 2  SP: 8    " + c.formation +
                                          "   (Gen. Reynolds) ")
            << c.code << c.formation;
        EXPECT_EQ(app->StatusText(2), "Hex: 1305  Elevation: 0");
        map->ShadowRegions(&u, 305);
    }
}

TEST_F(BattlefieldBus, HoverShowsTheWeapon) {
    BusUnit u(1, 0);
    u.missile = 1;
    u.missileType = 4;
    u.weapon = "Springfield";
    u.missiles = 20;
    u.maxMissiles = 40;
    u.maxRange = 3;
    for (int rating : {1, -1, 0}) {
        u.rating = rating;
        Place(&u, 102);
        Flyby(102);
        const std::string sign = rating > 0 ? "+" : rating < 0 ? "-" : "";
        EXPECT_EQ(app->StatusText(2), "Springfield" + sign + " (20/40); Range: 3  Hex: 1102  Elevation: 0");
        map->ShadowRegions(&u, 102);
    }
}

TEST_F(BattlefieldBus, HoverOverLeadersAndUnderFog) {
    FakeLeader superior(91, 0, "Gen. Meade");
    chief.commands = 3;
    chief.commandRange = 6;
    Place(&chief, 404);
    Flyby(404);
    EXPECT_EQ(app->StatusText(1), "Gen. Reynolds Initiative: 3   Control Range: 6    Commanded By: NONE ");
    chief.superior = &superior;
    Flyby(404);
    EXPECT_EQ(app->StatusText(1), "Gen. Reynolds Initiative: 3   Control Range: 6    Commanded By: Gen. Meade ");

    // With the fog on an enemy shows no unit line, even where it is in sight.
    BusUnit own(2, 1), enemy(3, 0);
    Place(&own, 406);
    map->SetFogOfWar(1);
    ASSERT_TRUE(map->IsRegionVisible(404));
    Flyby(404);
    EXPECT_EQ(app->StatusText(1), "");
    EXPECT_EQ(app->StatusText(2), "Hex: 1404  Elevation: 0");
    Flyby(406);
    EXPECT_NE(app->StatusText(1), "");
}

TEST_F(BattlefieldBus, WrongPayloadsAreReported) {
    // The layer and the battlefield both answer the hover event: each reports, each goes on.
    platform::QueueMessageBoxAnswer(IDNO);
    platform::QueueMessageBoxAnswer(IDNO);
    Container<std::string> wrong("x");
    world->Send(REGION_FLYBY, &wrong);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 2u);
    const auto box = platform::ShownMessageBox(1);
    EXPECT_EQ(box.text, "Bad data passed in bus message to function  Abort?");
    EXPECT_EQ(box.caption.rfind("Failure in VHLGLND at line ", 0), 0u) << box.caption;

    platform::QueueMessageBoxAnswer(IDNO);
    Container<short> notALocation(3);
    world->SendNamed("UnitRemoved", &notALocation);
    EXPECT_EQ(platform::ShownMessageBoxCount(), 3u);

    // Choosing to stop throws out of the handler.
    platform::QueueMessageBoxAnswer(IDYES);
    EXPECT_THROW(world->SendNamed("LockLocation", &notALocation), Assertion);
}

TEST_F(BattlefieldBus, UnitMovementMovesAndTellsTheDisplay) {
    BusUnit u(7, 0);
    Place(&u, 202);
    List<short> path;
    for (short r : {202, 203, 204}) path.AddTail(r);
    LogicalCommandInfo move(7, new Container<List<short>>(path), 0, RegisterMessage("UnitMovement"));
    Container<LogicalCommandInfo> payload(move);
    world->SendNamed("UnitMovement", &payload);
    EXPECT_EQ(u.GetLocation(), 204);
    EXPECT_FALSE(map->IsRegionOccupied(202));
    EXPECT_EQ(map->FirstUnitIn(204), &u);
    EXPECT_EQ(u.afterMoves, 1);
    ASSERT_EQ(world->commands.size(), 1u);
    EXPECT_EQ(world->commands[0], move);
    List<short> relayed;
    EXPECT_TRUE(ExtractData(world->commands[0].data, relayed));
    EXPECT_EQ(relayed, path);

    // A unit that is not where the path begins does not move.
    world->SendNamed("UnitMovement", &payload);
    EXPECT_EQ(u.GetLocation(), 204);
    EXPECT_EQ(world->commands.size(), 1u);
}

TEST_F(BattlefieldBus, TwoHexMoveNeedsBothHexes) {
    BusUnit wide(8, 0);
    wide.twoHex = 1;
    wide.map = map.get();
    wide.rightDirection = SouthEast;
    Place(&wide, 202);
    map->DeshadowRegions(&wide, 302);
    List<short> path;
    path.AddTail(202);
    path.AddTail(201);
    Container<LogicalCommandInfo> payload(LogicalCommandInfo(8, new Container<List<short>>(path)));
    world->SendNamed("UnitMovement", &payload);
    EXPECT_EQ(wide.GetLocation(), 201);
    EXPECT_EQ(map->FirstUnitIn(201), &wide);
    EXPECT_EQ(map->FirstUnitIn(301), &wide);
    EXPECT_FALSE(map->IsRegionOccupied(302));

    // Its second hex missing from the map's lists: nothing is changed, nothing is played.
    map->ShadowRegions(&wide, 301);
    List<short> back;
    back.AddTail(201);
    back.AddTail(202);
    Container<LogicalCommandInfo> again(LogicalCommandInfo(8, new Container<List<short>>(back)));
    world->SendNamed("UnitMovement", &again);
    EXPECT_EQ(wide.GetLocation(), 201);
    EXPECT_EQ(map->FirstUnitIn(201), &wide);
    EXPECT_EQ(world->commands.size(), 1u);
}

TEST_F(BattlefieldBus, RemovalAndInsertion) {
    BusUnit u(5, 0);
    u.group = &group;
    Place(&u, 303);
    Container<UnitLocationStruct> removal(UnitLocationStruct(5, 303, 0xFFFF, 0));
    world->SendNamed("UnitRemoved", &removal);
    EXPECT_EQ(u.GetLocation(), 0xFFFF);
    EXPECT_FALSE(map->IsRegionOccupied(303));
    ASSERT_EQ(world->commands.size(), 1u);
    EXPECT_EQ(world->commands[0].object, 5);
    EXPECT_EQ(world->commands[0].region, 303);
    EXPECT_EQ(world->commands[0].command.Number(), RegisterMessage("UnitRemoved"));
    EXPECT_EQ(world->commands[0].data, nullptr);

    Container<UnitLocationStruct> insertion(UnitLocationStruct(5, 404, 0xFFFF, SouthWest));
    world->SendNamed("UnitInsertedLocal", &insertion);
    EXPECT_EQ(u.GetLocation(), 404);
    EXPECT_EQ(u.facing, static_cast<std::uint32_t>(SouthWest));
    EXPECT_EQ(map->FirstUnitIn(404), &u);
    ASSERT_EQ(world->commands.size(), 2u);
    EXPECT_EQ(world->commands[1].command.Number(), RegisterMessage("UnitInserted"));
    VhUnit* carried = nullptr;
    EXPECT_TRUE(ExtractData(world->commands[1].data, carried));
    EXPECT_EQ(carried, &u);

    // A unit nobody knows, or one that is not where the removal says, changes nothing.
    Container<UnitLocationStruct> stranger(UnitLocationStruct(66, 404, 0xFFFF, 0));
    world->SendNamed("UnitInserted", &stranger);
    world->SendNamed("UnitRemovedLocal", &stranger);
    Container<UnitLocationStruct> wrongPlace(UnitLocationStruct(5, 505, 0xFFFF, 0));
    world->SendNamed("UnitRemoved", &wrongPlace);
    EXPECT_EQ(world->commands.size(), 2u);
    EXPECT_EQ(u.GetLocation(), 404);
}

TEST_F(BattlefieldBus, DeploymentHoldDefersTheOtherSidesChanges) {
    FakeLeader enemyChief(95, 1);
    Group enemyGroup;
    enemyGroup.SetLeader(&enemyChief);
    BusUnit enemy(6, 1);
    enemy.group = &enemyGroup;
    world->unfriendly.insert(&enemyChief);
    Place(&enemy, 505);

    map->OnLockLocation(UnitLocationStruct(6, 505, 0xFFFF, 0));
    map->SetDeploymentHold(1);
    EXPECT_EQ(map->GetLockOwner(505), 0xFFFF);

    Container<UnitLocationStruct> removal(UnitLocationStruct(6, 505, 0xFFFF, 0));
    world->SendNamed("UnitRemoved", &removal);
    Container<UnitLocationStruct> first(UnitLocationStruct(6, 606, 0xFFFF, 0));
    Container<UnitLocationStruct> second(UnitLocationStruct(6, 707, 0xFFFF, 0));
    world->SendNamed("UnitInserted", &first);
    world->SendNamed("UnitInserted", &second);
    EXPECT_EQ(enemy.GetLocation(), 505);
    EXPECT_TRUE(world->commands.empty());

    map->SetDeploymentHold(0);
    map->ReplayDeferredUnitChanges();
    EXPECT_EQ(enemy.GetLocation(), 707);
    EXPECT_FALSE(map->IsRegionOccupied(505));
    EXPECT_FALSE(map->IsRegionOccupied(606));
    EXPECT_EQ(map->FirstUnitIn(707), &enemy);
    EXPECT_EQ(world->commands.size(), 2u);
    // Replayed once only.
    map->ReplayDeferredUnitChanges();
    EXPECT_EQ(world->commands.size(), 2u);
}

TEST_F(BattlefieldBus, LocksThroughTheBus) {
    const UnitLocationStruct a(1, 404, 0xFFFF, 0), b(2, 404, 405, 0);
    EXPECT_TRUE(map->SendLockLocation(a));
    EXPECT_EQ(map->GetLockOwner(404), 1);
    EXPECT_FALSE(map->SendLockLocation(b));
    EXPECT_EQ(map->GetLockOwner(404), 1);
    EXPECT_EQ(map->GetLockOwner(405), 0xFFFF);

    // A unit asking again for what it holds is refused, and keeps what it held.
    EXPECT_FALSE(map->SendLockLocation(a));
    EXPECT_EQ(map->GetLockOwner(404), 1);
    EXPECT_FALSE(map->SendLockLocation(UnitLocationStruct(1, 404, 405, 0)));
    EXPECT_EQ(map->GetLockOwner(404), 1);
    EXPECT_EQ(map->GetLockOwner(405), 0xFFFF);

    // Another component asking directly gets the refusal as a short 0.
    Container<UnitLocationStruct> request(b);
    ContainerBase* answer = world->SendNamed("LockLocation", &request);
    short refused = 1;
    EXPECT_TRUE(ExtractData(answer, refused));
    EXPECT_EQ(refused, 0);
    delete answer;

    map->SendUnlockLocation(a);
    EXPECT_EQ(map->GetLockOwner(404), 0xFFFF);
    EXPECT_TRUE(map->SendLockLocation(b));
    EXPECT_EQ(map->GetLockOwner(405), 2);
}

TEST_F(BattlefieldBus, TowerAndFog) {
    Container<short> tower(303);
    world->SendNamed("TowerRegion", &tower);
    EXPECT_TRUE(map->RegionHasFeature(303, 18));
    for (int i = 0; i < 12; ++i) world->SendNamed("TowerRegion", &tower);
    EXPECT_EQ(map->GetRegion(303)->terrainCount, 10);

    BusUnit own(1, 1);
    Place(&own, 202);
    Container<NATION> side(ConfederateNation);
    world->SendNamed("FogOfWar", &side);
    EXPECT_TRUE(map->IsFogOfWarOn());
    EXPECT_EQ(map->GetLocalSide(), 1);
    ASSERT_EQ(world->shadows.size(), 1u);
    EXPECT_EQ(world->shadows[0].first, "Shadow Region");
    EXPECT_FALSE(world->shadows[0].second.count(202));
    EXPECT_TRUE(world->shadows[0].second.count(606));
    EXPECT_FALSE(world->shadows[0].second.count(707));

    map->ShadowRegions(&own, 202);
    ASSERT_EQ(world->shadows.size(), 2u);
    EXPECT_EQ(world->shadows[1].first, "Shadow Region");
    EXPECT_TRUE(world->shadows[1].second.count(202));
    map->DeshadowRegions(&own, 202);
    EXPECT_EQ(world->shadows.back().first, "Deshadow Region");
}

TEST_F(BattlefieldBus, PickingUpUnits) {
    BusUnit u(1, 0), other(2, 0);
    u.group = &group;
    u.AttachToBus(layer.get());
    other.AttachToBus(layer.get());
    Place(&u, 303);

    // The active leader's own unit is selected.
    chief.active = 1;
    Select(303);
    EXPECT_EQ(u.selected, 1);
    EXPECT_EQ(other.selected, 0);
    // Not while the group moves, nor without the order flag, nor once it has acted.
    chief.groupMoving = 1;
    Select(303);
    chief.groupMoving = 0;
    chief.orderFlag = 0;
    Select(303);
    chief.orderFlag = 1;
    u.acted = 1;
    Select(303);
    u.acted = 0;
    u.orderBlocked = 1;
    Select(303);
    u.orderBlocked = 0;
    Select(304);
    EXPECT_EQ(u.selected, 1);

    // During deployment a click lifts the unit and nothing else.
    map->SetDeploymentHold(1);
    Select(303);
    EXPECT_EQ(u.lifted, 1);
    EXPECT_EQ(u.selected, 1);
    map->SetDeploymentHold(0);
}

TEST_F(BattlefieldBus, PickingUpUnitsOfAnotherLeader) {
    FakeLeader active(80, 0, "Gen. Hancock");
    Group activeGroup;
    activeGroup.SetLeader(&active);
    world->activeGroup = &activeGroup;
    BusUnit u(1, 0);
    u.group = &group;
    u.AttachToBus(layer.get());
    Place(&u, 303);
    chief.active = 0;

    // Too few commands for a unit outside the active leader's command.
    active.commandsLeft = 1;
    Select(303);
    EXPECT_EQ(u.selected, 0);
    ASSERT_EQ(world->commentary.size(), 1u);
    EXPECT_EQ(world->commentary[0],
              "You do not have enough commands to move a unit that does not belong to your group.");
    // Enough commands: picked up.
    active.commandsLeft = 2;
    Select(303);
    EXPECT_EQ(u.selected, 1);
    // Commanded units need only one command.
    active.commandsLeft = 1;
    active.commanded.insert(1);
    Select(303);
    EXPECT_EQ(u.selected, 2);
    // An enemy unit is never picked up by this leader.
    u.side = 1;
    Select(303);
    EXPECT_EQ(u.selected, 2);
    u.side = 0;

    // Clicking a sub-leader hands the next command to him.
    chief.superior = &active;
    chief.AttachToBus(layer.get());
    Place(&chief, 505);
    Select(505);
    EXPECT_EQ(world->subLeadersSelected, (std::vector<int>{90}));
    EXPECT_EQ(world->finishLeaderCalls, 1);
    active.commandsLeft = 0;
    Select(505);
    EXPECT_EQ(world->subLeadersSelected.size(), 1u);

    // Without an active group nothing happens.
    world->activeGroup = nullptr;
    active.commandsLeft = 3;
    Select(303);
    EXPECT_EQ(u.selected, 2);
}

TEST(LogicalCommandRecord, CopiesStreamsAndCompares) {
    BasicApp app;
    RegisterGameRecordTypes();
    List<short> path;
    path.AddTail(101);
    path.AddTail(102);
    LogicalCommandInfo a(7, new Container<List<short>>(path), 101, RegisterMessage("UnitMovement"),
                         RegisterMessage("MovementDone"), new Container<short>(-3));
    LogicalCommandInfo copy(a);
    EXPECT_NE(copy.data, a.data);
    EXPECT_EQ(copy, a);
    copy = copy;
    EXPECT_NE(copy.data, nullptr);
    LogicalCommandInfo other(7, nullptr, 101, BusMessage(RegisterMessage("UnitMovement")).WithKind(KIND_POST),
                             RegisterMessage("MovementDone"));
    EXPECT_EQ(other, a);
    other.region = 102;
    EXPECT_FALSE(other == a);

    SuperString s;
    s << a << LogicalCommandInfo(3);
    LogicalCommandInfo back, empty(9, new Container<short>(1));
    s >> back >> empty;
    EXPECT_FALSE(s.Failed());
    EXPECT_EQ(back, a);
    List<short> carried;
    EXPECT_TRUE(ExtractData(back.data, carried));
    EXPECT_EQ(carried, path);
    short reply = 0;
    EXPECT_TRUE(ExtractData(back.replyData, reply));
    EXPECT_EQ(reply, -3);
    EXPECT_EQ(empty.object, 3);
    EXPECT_EQ(empty.data, nullptr);
}

} // namespace
