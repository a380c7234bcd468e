#pragma once
// Battles for the shock phase's tests: a level 12 by 10 map with the units each test places, a
// recorder of what the phase tells the rest of the game, and infantry whose advance after combat
// the test stages (it moves, refuses, or keeps moving until the test ends the move).
#include "core/message_registry.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/combat.h"
#include "tests/referee/scenario_fixture.h"

#include <functional>
#include <string>
#include <vector>

namespace shock_testing {

// How staged infantry answers an order to advance.
enum class AdvanceAnswer {
    Refuse,     // 0, nothing posted
    Move,       // 1, "AdvancingDone" posted when the move is over
    Keep,       // 1, the move goes on until the test posts "AdvancingDone"
    AtOnce,     // 1, "AdvancingDone" delivered before the order returns
};

struct AdvanceOrder {
    std::string unit;
    std::uint16_t region;
};

struct Staging {
    AdvanceAnswer answer = AdvanceAnswer::Refuse;
    std::vector<AdvanceOrder> orders;
};
inline Staging& Stage() {
    static Staging stage;
    return stage;
}

// The advance override for whichever signature the unit rules give Advance.
template <class Base, class Signature> class WithStagedAdvance;
template <class Base, class R, class Hex, class Value>
class WithStagedAdvance<Base, R (Combat::*)(Hex, Value)> : public Base {
public:
    using Base::Base;
    R Advance(Hex hex, Value) override {
        Stage().orders.push_back({this->GetName(), static_cast<std::uint16_t>(hex)});
        Container<short> self(static_cast<short>(this->GetUnitNum()));
        switch (Stage().answer) {
        case AdvanceAnswer::Refuse: return 0;
        case AdvanceAnswer::Move: this->PostNamed("AdvancingDone", &self); return 1;
        case AdvanceAnswer::Keep: return 1;
        case AdvanceAnswer::AtOnce: delete this->SendNamed("AdvancingDone", &self); return 1;
        }
        return 0;
    }
};

class StagedInfantry : public WithStagedAdvance<MediumInfantry, decltype(&Combat::Advance)> {
public:
    using WithStagedAdvance::WithStagedAdvance;
    VhUnit* CreateFromRecord(VhUnitData& record, const char* unitName) override {
        auto* data = dynamic_cast<MissileCapableUnitData*>(&record);
        return data ? new StagedInfantry(*data, unitName) : nullptr;
    }
};

// The named messages the phase sends, in order, with the short they carry (0 without one).
class Recorder : public Component {
public:
    Recorder() : Component("Shock Recorder") {}
    void Connect() override {
        for (const char* name : {"StartCombat", "RemoveAllBattleArrows", "SomeCombatDone", "CombatDone", "EliminateUnit",
                                 "RoutingDone", "AdvancingDone", "CombatResults", "UnitCombat", "AddCommentary"})
            RegisterNamedHandler(name, Heard);
    }
    struct Entry {
        std::string name;
        short value;
    };
    std::vector<Entry> heard;
    std::vector<SingleCombatResult> results;
    std::vector<CombatInfo> losses;
    std::vector<std::string> commentary;

    std::vector<std::string> Names(const std::vector<std::string>& only) const {
        std::vector<std::string> out;
        for (const Entry& e : heard)
            for (const std::string& o : only)
                if (e.name == o) out.push_back(e.name);
        return out;
    }
    int Count(const std::string& name) const {
        int n = 0;
        for (const Entry& e : heard) n += e.name == name;
        return n;
    }
    std::vector<short> Values(const std::string& name) const {
        std::vector<short> out;
        for (const Entry& e : heard)
            if (e.name == name) out.push_back(e.value);
        return out;
    }

private:
    static ContainerBase* Heard(Component* c, BusMessage e, ContainerBase* p) {
        auto* self = dynamic_cast<Recorder*>(c);
        if (!self) return nullptr;
        const std::string name = MessageName(e.Number());
        short value = 0;
        if (const auto* v = PayloadValue<short>(p)) value = *v;
        if (const auto* r = PayloadValue<SingleCombatResult>(p)) self->results.push_back(*r);
        if (const auto* text = PayloadValue<std::string>(p)) self->commentary.push_back(*text);
        if (const auto* command = PayloadValue<LogicalCommandInfo>(p)) {
            CombatInfo info;
            if (ExtractData(command->data, info)) self->losses.push_back(info);
            if (const auto* token = PayloadValue<short>(command->replyData)) value = *token;
        }
        self->heard.push_back({name, value});
        return nullptr;
    }
};

// One unit of a test battle; regions are the map's own numbers (column × 100 + row).
struct Placed {
    std::string name;
    std::uint32_t side;
    std::uint16_t region;
    std::uint16_t quality = 5;
    std::uint16_t size = 6;
    std::uint32_t facing = 0;  // 0: towards the enemy (east for side 0, west for side 1)
    std::uint8_t twoHex = 0;
    std::uint8_t line = 1;
    enum Kind { Infantry, Battery, Wagon } kind = Infantry;
};

class ShockTest : public referee_testing::ScenarioTest {
protected:
    void SetUp() override {
        ScenarioTest::SetUp();
        map = referee_testing::SmallMap();
        // Both sides' infantry advances as the test stages it.
        for (std::int16_t type : {4, 6}) {
            delete Layer().GetRegisteredObject(type);
            Layer().RegisterObject(type, new StagedInfantry(MissileCapableUnitData(), UnitTypeTable()[type].name));
        }
        Stage() = Staging();
    }
    void TearDown() override {
        recorder.reset();
        ScenarioTest::TearDown();
    }

    // Writes the map and a scenario with a commander on each side and these units, and loads it.
    void Place(const std::vector<Placed>& units) {
        ASSERT_TRUE(shell->WriteMap("CROSSING.MAP", map));
        draft.units.clear();
        draft.groups = {{1, "Army of the Ridge"}, {11, "Army of the Vale"}};
        const auto at = [](std::uint16_t region) { return static_cast<std::uint16_t>(1000 + region); };
        draft.units.push_back(datagen::LeaderRecord("Gen. Aldous Penhallow", 0, at(1), 0, 1, -1, 0));
        draft.units.push_back(datagen::LeaderRecord("Gen. Corvin Deale", 1, at(1101), 2, 11, -1, 0));
        for (const Placed& p : units) {
            datagen::UnitRecordDraft r;
            switch (p.kind) {
            case Placed::Infantry: r = datagen::InfantryRecord(p.name, p.side, at(p.region), p.side ? 6 : 4, p.side ? 11 : 1); break;
            case Placed::Battery: r = datagen::ArtilleryRecord(p.name, p.side, at(p.region), p.side ? 13 : 12, p.side ? 11 : 1); break;
            case Placed::Wagon: r = datagen::WagonRecord(p.name, p.side, at(p.region), p.side ? 8 : 9, p.side ? 11 : 1); break;
            }
            r.troopQuality = p.quality;
            r.size = p.size;
            r.facing = p.facing ? p.facing : (p.side ? 7 : 3);
            r.twoHex = p.twoHex;
            r.initialFormation = p.line;
            draft.units.push_back(r);
        }
        Load(10, 7);
        ASSERT_NE(Layer().GetLandscape(), nullptr);
        recorder = std::make_unique<Recorder>();
        recorder->AttachToBus(&Layer());
    }

    Combat* Unit(const std::string& name) {
        Combat* u = Layer().FindCombatUnitByName(name);
        EXPECT_NE(u, nullptr) << name;
        return u;
    }
    short Number(const std::string& name) { return static_cast<short>(Unit(name)->GetUnitNum()); }

    // A combat as the attack declarations leave it: attackers with their moved flags, defenders,
    // the target region of the first defender.
    CombatStruct Fight(const std::vector<std::string>& attackers, const std::vector<std::string>& defenders) {
        CombatStruct c;
        for (const std::string& a : attackers) {
            c.attackers.AddTail(Unit(a));
            c.attackerWords.AddTail(0);
        }
        for (const std::string& d : defenders) c.defenders.AddTail(Unit(d));
        if (!defenders.empty()) c.target = Unit(defenders.front())->GetLocation();
        return c;
    }
    void Designate(const std::vector<CombatStruct>& combats) {
        for (const CombatStruct& c : combats) Layer().GetCombatList().AddTail(c);
    }
    // A unit routed earlier in the turn: its hits reached its quality without a break under way.
    void Rout(const std::string& name) {
        Combat* u = Unit(name);
        u->ApplyCohesionHits(u->GetTQ(), 0);
        ASSERT_TRUE(u->IsRouted());
    }
    void RunShock() {
        Layer().PostNamedEvent("PerformShock");
        shell->Run(0);
    }

    datagen::LandscapeDraft map;
    std::unique_ptr<Recorder> recorder;
};

} // namespace shock_testing
