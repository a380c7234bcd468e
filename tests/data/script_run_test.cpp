// Every demo script run the way the computer player runs it, against a small stand-in of the
// battle: for every group of its side and several turns, the Orders table is run step after step
// as the component posts "GiveAIOrder". Each step must run to its end without a fault, give an
// order or finish the leader, never order a unit twice in an activation and never ask a leader a
// fighting unit's question; the activation must end within the leader's commands.
#include "game/ai/builtin_table.h"
#include "game/ai/code.h"
#include "game/ai/compiler.h"
#include "game/ai/interpreter.h"
#include "tools/battlegen/generate.h"
#include "tools/battlegen/hex_grid.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using battlegen::BattleSpec;
using battlegen::GroupSpec;
using battlegen::Hex;
using battlegen::UnitKind;

struct MockUnit {
    int number = 0;
    int kind = 3;
    int tq = 6;
    int hits = 0;
    int hex = 0;
    bool legal = true;
    bool moved = false;
    bool fired = false;
    bool canFire = false;
    bool enemyNear = false;
};

// The battle as the built-ins show it to one activation of one leader.
class MockBattle {
public:
    int leader = 900;
    int turn = 1;
    int commandsLeft = 3;
    int lastOrdered = -1;
    bool finished = false;
    std::vector<MockUnit> units;
    std::vector<std::string> faults;
    std::vector<int> ordered;  // units ordered in this activation, in order
    int orderCalls = 0;
    std::map<std::string, int> orderKinds;  // every order given, by built-in

    std::int32_t Call(int row, BuiltInArgs& a) {
        const std::string name = ScriptBuiltIns()[static_cast<std::size_t>(row)].name;
        auto arg = [&](int i) { return a[i]; };
        if (name == "GroupListReset") return cursor_ = 0, 1;
        if (name == "GroupListGetNext") {
            if (cursor_ < static_cast<int>(units.size())) return current_ = units[static_cast<std::size_t>(cursor_++)].number;
            current_ = -1;
            return -1;
        }
        if (name == "GroupListGet") return current_;
        if (name == "GroupListGetSize") return static_cast<std::int32_t>(units.size());
        if (name == "GetLeader") return leader;
        if (name == "GetTurnNum") return turn;
        if (name == "FinishLeader") return finished = true, 1;
        if (name == "IsReinforcement") return 0;
        if (name == "IsLeader") return arg(0) == leader;
        if (name == "DoChooseSubLeader") return Count(leader, "commit");
        if (name == "FindHurtingUnit") {
            for (auto& u : units)
                if (u.hits > arg(0) && !Ordered(u.number)) return u.number;
            return -1;
        }
        if (name == "AdjacentHex") {
            const Hex n = battlegen::Neighbour(Hex::FromNumber(arg(0)), arg(1));
            return n.Number() == arg(0) || n.column < 0 || n.row < 0 ? -1 : n.Number();
        }
        if (name == "HexOccupancy") {
            for (auto& u : units)
                if (u.hex == arg(0)) return u.number;
            return -1;
        }
        if (name == "Distance") return battlegen::Distance(Hex::FromNumber(arg(0)), Hex::FromNumber(arg(1)));
        if (name == "Direction") return 3;
        if (name == "Random") return arg(0) == 0 ? 0 : 1 % arg(0);
        // Script lists.
        if (name == "GetList") {
            lists_.push_back({});
            cursors_.push_back(0);
            return static_cast<std::int32_t>(lists_.size() - 1);
        }
        if (name == "AddToList") return List(arg(0)).push_back(static_cast<short>(arg(1))), 1;
        if (name == "GetNextInList") {
            auto& l = List(arg(0));
            auto& c = cursors_[static_cast<std::size_t>(arg(0))];
            if (c >= l.size()) return c = 0, -1;
            return l[c++];
        }
        if (name == "SizeOfList") return static_cast<std::int32_t>(List(arg(0)).size());
        if (name == "ResetList") return cursors_[static_cast<std::size_t>(arg(0))] = 0, 1;
        if (name == "AssignList") {
            MockUnit* u = Find(arg(2));
            if (!u || arg(0) >= static_cast<std::int32_t>(lists_.size())) return 0;
            auto& l = List(arg(0));
            l.clear();
            cursors_[static_cast<std::size_t>(arg(0))] = 0;
            for (int side : battlegen::kSides) l.push_back(static_cast<short>(battlegen::Neighbour(Hex::FromNumber(u->hex), side).Number()));
            return 1;
        }
        // Questions about units: a leader has no troop quality, hits, kind or missiles.
        if (name == "Query") {
            if (arg(1) == leader) {
                faults.push_back("Query " + std::to_string(arg(0)) + " of the leader");
                return 0;
            }
            MockUnit* u = Find(arg(1));
            if (!u) return faults.push_back("Query of an unknown unit"), 0;
            switch (arg(0)) {
            case 1: return u->tq;
            case 2: return u->hits;
            case 4: return 8;
            case 5: return u->moved ? 0 : 8;
            case 9: return u->kind;
            default: return 0;
            }
        }
        if (name == "CanBeOrdered" || name == "InCommandRange") {
            MockUnit* u = Find(arg(0));
            return u && u->legal && u->hits < u->tq + 1;
        }
        if (name == "CanMove") {
            MockUnit* u = Find(arg(0));
            return u && !u->moved;
        }
        if (name == "EnemyWithinRange") {
            MockUnit* u = Find(arg(0));
            return u && u->enemyNear;
        }
        if (name == "FindClosestEnemyToFire") {
            MockUnit* u = Find(arg(0));
            return u && u->canFire && !u->fired ? 5050 : -1;
        }
        if (name == "AnyoneToCombat" || name == "FindClosestEnemyToAttack") {
            if (arg(0) == leader) return -1;
            MockUnit* u = Find(arg(0));
            return u && u->enemyNear ? 5051 : -1;
        }
        // Orders.
        if (name == "MoveToward" || name == "MoveTo") {
            if (arg(1) == leader) return Count(leader, name), 2;
            MockUnit* u = Find(arg(1));
            if (!u || u->moved) return 0;
            u->moved = true;
            Count(u->number, name);
            return 2;
        }
        if (name == "Fire") {
            MockUnit* u = Find(arg(0));
            if (!u || !u->canFire || u->fired) return 0;
            u->fired = true;
            return Count(u->number, name), 1;
        }
        if (name == "Attack" || name == "AttemptToRally" || name == "Recover") return Count(arg(0), name), 1;
        if (name == "TurnToAttack") return 0;
        if (name == "Rotate") return Count(arg(0), name), 0;
        return 0;
    }

    bool Ordered(int number) const {
        for (int n : ordered)
            if (n == number) return true;
        return false;
    }

private:
    MockUnit* Find(int number) {
        if (number == -1) number = current_;
        for (auto& u : units)
            if (u.number == number) return &u;
        return nullptr;
    }
    std::vector<short>& List(int handle) {
        if (handle < 0 || handle >= static_cast<int>(lists_.size())) {
            faults.push_back("bad list handle");
            static std::vector<short> none;
            none.clear();
            return none;
        }
        return lists_[static_cast<std::size_t>(handle)];
    }
    int Count(int number, const std::string& what) {
        ++orderCalls;
        ++orderKinds[what];
        if (number != leader && Ordered(number)) faults.push_back(what + " to unit " + std::to_string(number) + " a second time");
        if (number != leader) ordered.push_back(number);
        if (number != lastOrdered) --commandsLeft;
        lastOrdered = number;
        return 1;
    }

    int cursor_ = 0;
    int current_ = -1;
    std::vector<std::vector<short>> lists_;
    std::vector<std::size_t> cursors_;
};

MockBattle* gBattle = nullptr;

template <int Row>
std::int32_t Dispatch(void*, BuiltInArgs& a) {
    return gBattle->Call(Row, a);
}

template <int... Rows>
std::vector<BuiltInFunction> DispatchTable(std::integer_sequence<int, Rows...>) {
    return {&Dispatch<Rows>...};
}

int KindCode(UnitKind k) {
    switch (k) {
    case UnitKind::Cavalry: return 12;
    case UnitKind::Artillery: return 15;
    case UnitKind::Wagon: return 17;
    default: return 3;
    }
}

// A group's units in a made-up but varied situation, different for every turn; each group's units
// have numbers of their own, as in a battle.
std::vector<MockUnit> UnitsOf(const GroupSpec& g, int turn, int firstNumber) {
    std::vector<MockUnit> out;
    int i = 0;
    for (const auto& spec : g.units) {
        MockUnit u;
        u.number = firstNumber + i;
        u.kind = KindCode(spec.kind);
        u.tq = spec.tq.value_or(6);
        const int salt = (i * 7 + turn * 3) % 11;
        u.hits = salt == 3 ? u.tq : salt == 5 ? u.tq - 1 : salt % 3;
        u.hex = (10 + 2 * i) * 100 + 10 + (turn % 3);
        u.legal = salt != 7;
        u.canFire = u.kind != 17 && salt % 2 == 0;
        u.enemyNear = salt % 4 == 1;
        out.push_back(u);
        ++i;
    }
    return out;
}

void CollectGroups(const std::vector<GroupSpec>& groups, std::vector<const GroupSpec*>& into) {
    for (const auto& g : groups) {
        into.push_back(&g);
        CollectGroups(g.groups, into);
    }
}

TEST(DemoScripts, EveryOrdersTableGivesOneOrderAStepAndEndsTheActivation) {
    const auto sources = battlegen::ReadSources(VH_DATA_SOURCE_DIR);
    std::map<std::string, int> orders;
    const auto table = DispatchTable(std::make_integer_sequence<int, 59>{});
    for (const BattleSpec& b : sources.battles)
        for (int nation = 0; nation < 2; ++nation) {
            std::vector<const GroupSpec*> groups;
            CollectGroups(b.sides[static_cast<std::size_t>(nation)].groups, groups);
            for (const auto& script : b.scripts[static_cast<std::size_t>(nation)]) {
                SCOPED_TRACE(script);
                Code code;
                Compiler compiler(code);
                MockBattle battle;
                gBattle = &battle;
                Interpreter interpreter(code, &battle);
                ASSERT_TRUE(RegisterScriptNames(compiler, table));
                for (auto f : table) interpreter.AddBuiltIn(f);
                compiler.SetImportDirectory(VH_DATA_DIR);
                ASSERT_EQ(compiler.CompileFile((std::filesystem::path(VH_DATA_DIR) / script).string()), 1) << compiler.ErrorText();
                ASSERT_EQ(interpreter.RunProgram(), 1);
                int leader = 900;
                for (int turn : {1, 3, 5, 8, 11, 14}) {
                    int firstNumber = 1;
                    for (const GroupSpec* g : groups) {
                        SCOPED_TRACE(g->name + " on turn " + std::to_string(turn));
                        battle.units = UnitsOf(*g, turn, firstNumber);
                        firstNumber += static_cast<int>(g->units.size());
                        battle.leader = leader++;
                        battle.turn = turn;
                        battle.commandsLeft = 3;
                        battle.lastOrdered = -1;
                        battle.finished = false;
                        battle.ordered.clear();
                        int steps = 0;
                        while (!battle.finished && battle.commandsLeft > 0) {
                            ASSERT_LT(++steps, 100) << "the activation never ends";
                            const int before = battle.orderCalls;
                            ASSERT_EQ(interpreter.RunConditions(), 1) << ScriptFaultText(interpreter.LastFault());
                            ASSERT_EQ(interpreter.RunOrders(g->name), 1) << ScriptFaultText(interpreter.LastFault());
                            ASSERT_TRUE(battle.finished || battle.orderCalls > before) << "a step gave no order";
                        }
                        EXPECT_EQ(battle.faults, std::vector<std::string>{});
                        battle.faults.clear();
                    }
                }
                for (const auto& [kind, n] : battle.orderKinds) orders[kind] += n;
                gBattle = nullptr;
            }
        }
    // The plans use the whole range of orders: movement, fire, charges, rallies and commitments.
    for (const char* kind : {"MoveToward", "Fire", "Attack", "AttemptToRally", "Recover", "commit"}) EXPECT_GT(orders[kind], 10) << kind;
}

} // namespace
