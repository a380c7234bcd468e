#pragma once
// A leader with its group on the fixture map, the battlefield and the referee's relays on the
// bus (moves, turns and formation changes are carried out), and a probe that hears what the
// group commands tell the rest of the game.
#include "game/logic/game_random.h"
#include "game/units/unit_dialogs.h"
#include "tests/units/units_fixture.h"

#include <string>
#include <vector>

namespace units_testing {

class GroupProbe : public Component {
public:
    GroupProbe() : Component("Group Probe") {}
    void Connect() override {
        RegisterNamedHandler("ChangeFacing", Facing);
        RegisterNamedHandler("AIGroupMoveDone", Counted<&GroupProbe::aiDone>);
        RegisterNamedHandler("LeaderAlmostDone", Counted<&GroupProbe::almostDone>);
        RegisterNamedHandler("EndOrdersPhase", Counted<&GroupProbe::endOrders>);
        RegisterNamedHandler("DoLimberUnlimber", Named<LimberUnlimberInfo>);
        RegisterNamedHandler("DoMountDismount", Named<MountDismountInfo>);
        RegisterNamedHandler("DoLineColumn", Named<LineColumnInfo>);
        RegisterNamedHandler("AddCombatants", Charge);
        RegisterHandler(ENABLE_MENU_ITEM, MenuItem<true>);
        RegisterHandler(DISABLE_MENU_ITEM, MenuItem<false>);
    }
    std::vector<ChangeFacingStruct> turns;
    // Menu items by number: +id enabled, -id disabled, in order.
    std::vector<int> menu;
    // Formation orders by message name and unit number.
    std::vector<std::pair<std::string, int>> formations;
    // Charges declared: attacker and target.
    std::vector<std::pair<int, int>> charges;
    int aiDone = 0;
    int almostDone = 0;
    int endOrders = 0;

    bool Disabled(int item) const { return LastState(item) < 0; }
    bool Enabled(int item) const { return LastState(item) > 0; }
    // +1 last enabled, -1 last disabled, 0 never touched.
    int LastState(int item) const {
        for (auto i = menu.rbegin(); i != menu.rend(); ++i)
            if (*i == item || *i == -item) return *i > 0 ? 1 : -1;
        return 0;
    }

private:
    static GroupProbe* Self(Component* c) { return dynamic_cast<GroupProbe*>(c); }
    static ContainerBase* Facing(Component* c, BusMessage, ContainerBase* p) {
        if (const auto* r = PayloadValue<ChangeFacingStruct>(p)) Self(c)->turns.push_back(*r);
        return nullptr;
    }
    static ContainerBase* Charge(Component* c, BusMessage, ContainerBase* p) {
        if (const auto* r = PayloadValue<CombatNameStruct>(p)) Self(c)->charges.emplace_back(r->attacker, r->target);
        return nullptr;
    }
    template <int GroupProbe::*Field> static ContainerBase* Counted(Component* c, BusMessage, ContainerBase*) {
        ++(Self(c)->*Field);
        return nullptr;
    }
    template <class T> static ContainerBase* Named(Component* c, BusMessage m, ContainerBase* p) {
        if (const auto* r = PayloadValue<T>(p)) Self(c)->formations.emplace_back(MessageName(m.Number()), r->unit);
        return nullptr;
    }
    template <bool On> static ContainerBase* MenuItem(Component* c, BusMessage, ContainerBase* p) {
        if (const auto* id = PayloadValue<BusMessage>(p)) Self(c)->menu.push_back(On ? id->Number() : -id->Number());
        return nullptr;
    }
};

class GroupTest : public UnitsTest {
protected:
    void SetUp() override {
        UnitsTest::SetUp();
        map->AttachToBus(&shell->Layer());
        probe = std::make_unique<GroupProbe>();
        probe->AttachToBus(&shell->Layer());
        Leader::SetGroupCommandConfirm(0);
        Leader::SetShowFinishLeader(0);
        VhUnit::SetLeaderOutOfCommands(0);
    }
    void TearDown() override {
        ClearGameRandomScript();
        Leader::SetGroupCommandConfirm(0);
        Leader::SetShowFinishLeader(0);
        VhUnit::SetLeaderOutOfCommands(0);
        // The fixture owns the units; the layer only lists them.
        shell->Layer().GetCombatUnits().Clear();
        shell->Layer().GetFirstNationCombatUnits().Clear();
        shell->Layer().GetSecondNationCombatUnits().Clear();
        shell->Layer().GetLeaders().Clear();
        for (auto& u : units) u->SetGroup(nullptr);
        probe.reset();
        UnitsTest::TearDown();
    }

    Leader* MakeLeader(std::uint16_t region, std::uint32_t facing = 3, std::uint16_t commands = 3, std::uint16_t number = 50) {
        LeaderUnitData d;
        d.unitNumber = number;
        d.side = 0;
        d.region = region;
        d.facing = facing;
        d.commands = commands;
        d.commandRange = 4;
        d.movementAllowance = 12;
        d.landscape = map.get();
        leader = Make<Leader>(d, "Col. Harrowgate");
        shell->Layer().GetLeaders().AddTail(leader);
        group.SetLeader(leader);
        group.SetNumber(1);
        leader->SetGroup(&group);
        return leader;
    }
    template <class T = MediumInfantry>
    T* Member(std::uint16_t number, std::uint16_t region, std::uint32_t facing = 3, std::uint32_t type = 16, std::uint16_t formation = 1) {
        auto record = MissileRecord(number, 0, region, type, formation);
        record.facing = facing;
        T* u = Make<T>(record);
        Register(u);
        group.AddUnit(u);
        u->SetGroup(&group);
        return u;
    }
    template <class T = MediumInfantry>
    T* Enemy(std::uint16_t number, std::uint16_t region, std::uint32_t facing = 7, std::uint16_t quality = 5) {
        auto record = MissileRecord(number, 1, region);
        record.facing = facing;
        record.troopQuality = quality;
        T* u = Make<T>(record);
        Register(u);
        return u;
    }
    // The referee finds units by number in its lists (turns, formation changes).
    void Register(Combat* u) {
        shell->Layer().GetCombatUnits().AddTail(u);
        (u->GetSide() == 0 ? shell->Layer().GetFirstNationCombatUnits() : shell->Layer().GetSecondNationCombatUnits()).AddTail(u);
    }
    std::uint16_t N(std::uint16_t hex, int direction) const { return map->GetNeighbour(hex, direction); }
    void Run() { shell->Run(2000); }
    const std::vector<std::string>& Commentary() { return shell->Application().commentary; }

    Group group;
    Leader* leader = nullptr;
    std::unique_ptr<GroupProbe> probe;
};

} // namespace units_testing
