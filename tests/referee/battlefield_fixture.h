#pragma once
// A battlefield on the game shell's layer without a scenario: a 10 by 8 map that the layer owns,
// units and leaders placed by hand into the layer's lists, and a recorder on the application's
// bus that keeps what the layer and the units announce.
#include "game/logic/game_random.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/unit_types.h"
#include "tests/shell/game_shell.h"
#include "tools/datagen/landscape_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace battlefield_testing {

// What was announced, by message, in order.
class Recorder : public Component {
public:
    Recorder() : Component("Recorder") {}
    void Connect() override {
        RegisterNamedHandler("AddBattleArrow", Added);
        RegisterNamedHandler("RemoveBattleArrow", Removed);
        RegisterNamedHandler("DoMissileFire", Volley);
        RegisterNamedHandler("OWResolved", Resolved);
        RegisterNamedHandler("AdvancingDone", Advanced);
        RegisterNamedHandler("PursuitDone", Pursued);
        RegisterNamedHandler("EliminateUnit", Eliminated);
        RegisterNamedHandler("UnitCombat", Fought);
        RegisterNamedHandler("PursuitOffMap", OffMap);
        RegisterNamedHandler("UnitRemoved", Gone);
    }
    std::vector<BattleArrowStruct> added, removed;
    std::vector<MissileFireStruct> volleys;
    std::vector<ResolveOWStruct> resolved;
    std::vector<short> advanced, pursued, eliminated;
    std::vector<LogicalCommandInfo> fights;
    std::vector<PursuitInfo> offMap;
    std::vector<UnitLocationStruct> gone;
    // A test that plays the combat animation answers "UnitCombat" as the pictures do.
    bool answerCombat = false;

private:
    static Recorder* Self(Component* c) { return dynamic_cast<Recorder*>(c); }
    template <class T> static void Keep(std::vector<T>& into, ContainerBase* p) {
        if (const T* v = PayloadValue<T>(p)) into.push_back(*v);
    }
    static ContainerBase* Added(Component* c, BusMessage, ContainerBase* p) { return Keep(Self(c)->added, p), nullptr; }
    static ContainerBase* Removed(Component* c, BusMessage, ContainerBase* p) { return Keep(Self(c)->removed, p), nullptr; }
    static ContainerBase* Volley(Component* c, BusMessage, ContainerBase* p) { return Keep(Self(c)->volleys, p), nullptr; }
    static ContainerBase* Resolved(Component* c, BusMessage, ContainerBase* p) { return Keep(Self(c)->resolved, p), nullptr; }
    static ContainerBase* Advanced(Component* c, BusMessage, ContainerBase* p) { return Keep(Self(c)->advanced, p), nullptr; }
    static ContainerBase* Pursued(Component* c, BusMessage, ContainerBase* p) { return Keep(Self(c)->pursued, p), nullptr; }
    static ContainerBase* Eliminated(Component* c, BusMessage, ContainerBase* p) { return Keep(Self(c)->eliminated, p), nullptr; }
    static ContainerBase* OffMap(Component* c, BusMessage, ContainerBase* p) { return Keep(Self(c)->offMap, p), nullptr; }
    static ContainerBase* Gone(Component* c, BusMessage, ContainerBase* p) { return Keep(Self(c)->gone, p), nullptr; }
    static ContainerBase* Fought(Component* c, BusMessage, ContainerBase* p) {
        Recorder* self = Self(c);
        const LogicalCommandInfo* fight = PayloadValue<LogicalCommandInfo>(p);
        if (!fight) return nullptr;
        self->fights.push_back(*fight);
        if (self->answerCombat && fight->reply.Number() != 0) {
            ContainerBase* reply = fight->replyData ? fight->replyData->Clone() : nullptr;
            self->Post(fight->reply, reply);
            delete reply;
        }
        return nullptr;
    }
};

class BattlefieldTest : public ::testing::Test {
protected:
    void SetUp() override {
        shell = std::make_unique<shell::GameShell>();
        // The tests play the pictures' part in a combat themselves.
        shell->HoldCombatAnimations(true);
        auto* m = new VhLogicalLandscape();
        datagen::LandscapeDraft d(10, 8);
        Shape(d);
        ASSERT_EQ(m->LoadFromBytes(datagen::WriteLandscape(d)), 1);
        m->AttachToBus(&Layer());
        Layer().SetBattleFrame(m, 0, 0, 1, 7, 3);
        map = m;
        recorder = std::make_unique<Recorder>();
        recorder->AttachToBus(&shell->App());
    }
    void TearDown() override {
        ClearGameRandomScript();
        recorder.reset();
        shell.reset();
    }
    virtual void Shape(datagen::LandscapeDraft&) {}

    VhLogicalLayer& Layer() { return shell->Layer(); }
    std::uint16_t N(std::uint16_t hex, int direction) const { return map->GetNeighbour(hex, direction); }

    MissileCapableUnitData Record(std::uint16_t number, std::uint32_t side, std::uint16_t region, std::uint32_t facing = 3,
                                  std::uint16_t formation = 1, std::uint32_t missileType = 16) {
        MissileCapableUnitData d;
        d.unitNumber = number;
        d.side = side;
        d.region = region;
        d.facing = facing;
        d.movementAllowance = 8;
        d.troopQuality = 5;
        d.size = 6;
        d.missileType = missileType;
        d.initialFormation = formation;
        d.landscape = map;
        return d;
    }
    // A fighting unit of the class on the map, on the layer's bus and in the layer's lists (the
    // layer owns it).
    template <class T, class... Extra> T* Place(const MissileCapableUnitData& record, const char* name, Extra... extra) {
        T* unit = new T(record, name, extra...);
        unit->AttachToBus(&Layer());
        map->DeshadowRegions(unit, unit->GetLocation());
        if (unit->IsTwoHex() && unit->GetSecondRegion() != 0xFFFF) map->DeshadowRegions(unit, unit->GetSecondRegion());
        Layer().GetCombatUnits().AddTail(unit);
        (record.side == 0 ? Layer().GetFirstNationCombatUnits() : Layer().GetSecondNationCombatUnits()).AddTail(unit);
        unit->RecomputeAllZones();
        return unit;
    }
    Leader* PlaceLeader(std::uint16_t number, std::uint32_t side, std::uint16_t region, const char* name) {
        LeaderUnitData d;
        d.unitNumber = number;
        d.side = side;
        d.region = region;
        d.facing = 3;
        d.commands = 3;
        d.commandRange = 4;
        d.movementAllowance = 12;
        d.landscape = map;
        auto* leader = new Leader(d, name);
        leader->AttachToBus(&Layer());
        map->DeshadowRegions(leader, region);
        Layer().GetLeaders().AddTail(leader);
        (side == 0 ? Layer().GetFirstNationLeaders() : Layer().GetSecondNationLeaders()).AddTail(leader);
        return leader;
    }
    // Turns the unit until the hex is (or is not) one of its front hexes.
    static void Face(Combat* unit, std::uint16_t hex, bool toward) {
        for (std::uint32_t f : {2u, 3u, 4u, 6u, 7u, 8u}) {
            unit->SetFacing(f);
            unit->RecomputeAllZones();
            if ((unit->IsInFrontHexes(hex) != 0) == toward) return;
        }
        FAIL() << "no facing puts " << hex << (toward ? " in" : " out of") << " the front of " << unit->GetName();
    }
    void Drain() { shell->App().DrainTasks(); }
    std::vector<std::string>& Commentary() { return shell->Application().commentary; }

    std::unique_ptr<shell::GameShell> shell;
    VhLogicalLandscape* map = nullptr;
    std::unique_ptr<Recorder> recorder;
};

// A light cavalry unit of another cavalry kind: the rules single out kinds the game never builds.
class KindOfCavalry : public LightCav {
public:
    KindOfCavalry(const MissileCapableUnitData& data, const char* name, int kind) : LightCav(data, name) {
        unitKind = static_cast<std::uint32_t>(kind);
    }
};

} // namespace battlefield_testing
