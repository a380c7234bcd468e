// The data directory the build made from the sources under data/: every scenario loads through
// the game's own reader, every map reads back, every variant names a scenario that exists, and
// every script compiles with the computer player's names and has orders for every group of its
// side.
#include "game/ai/builtin_table.h"
#include "game/ai/code.h"
#include "game/ai/compiler.h"
#include "game/logic/hex_geometry.h"
#include "game/logic/referee/builtin_objectives.h"
#include "game/logic/referee/game_control.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/group.h"
#include "game/units/leader.h"
#include "game/units/unit_types.h"
#include "platform/msgbox.h"
#include "tests/shell/game_shell.h"
#include "tools/battlegen/generate.h"
#include "tools/datagen/variant_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using battlegen::BattleSpec;
using battlegen::GroupSpec;

const battlegen::DataSources& Sources() {
    static const battlegen::DataSources sources = battlegen::ReadSources(VH_DATA_SOURCE_DIR);
    return sources;
}

std::string DataFile(const std::string& name) { return (fs::path(VH_DATA_DIR) / name).string(); }

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void CollectGroups(const std::vector<GroupSpec>& groups, std::set<std::string>& into) {
    for (const auto& g : groups) {
        into.insert(g.name);
        CollectGroups(g.groups, into);
    }
}

// One scenario file of the demo: a plain battle or one of its variants.
struct DemoScenario {
    int index;
    std::string file;
};

std::vector<DemoScenario> DemoScenarios() {
    std::vector<DemoScenario> out;
    try {
        for (const BattleSpec& b : Sources().battles) {
            out.push_back({b.index, b.file});
            for (const auto& v : b.variants) out.push_back({b.index, v.scenarioFile});
        }
    } catch (const std::exception&) {
        // SourcesRead reports the fault.
    }
    return out;
}

std::string ScenarioName(const ::testing::TestParamInfo<DemoScenario>& info) {
    std::string name = info.param.file;
    return name.substr(0, name.find('.'));
}

TEST(DemoData, SourcesRead) {
    EXPECT_NO_THROW(Sources());
    EXPECT_FALSE(Sources().battles.empty());
}

// The game's table of built-in scenarios: index and scenario file.
TEST(DemoData, EveryScenarioOfTheGamesTableIsMade) {
    const char* files[] = {"FBULLRN.SCN", "ANTIETA.SCN", "BRANDYS.SCN", "GETTYSB.SCN", "WILDERN.SCN",
                           "FIVEFOR2.SCN", "CEDRCRK.SCN", "GAINESM.SCN", "SBULLRN.SCN", "CEDRMNT.SCN"};
    ASSERT_EQ(Sources().battles.size(), 10u);
    for (int index = 0; index < 10; ++index) {
        SCOPED_TRACE(files[index]);
        const BattleSpec& b = Sources().battles[static_cast<std::size_t>(index)];
        EXPECT_EQ(b.index, index);
        EXPECT_EQ(b.file, files[index]);
        EXPECT_TRUE(fs::exists(DataFile(files[index])));
        EXPECT_FALSE(b.variants.empty());
    }
}

TEST(DemoData, EveryArtIndexNamesItsUnitType) {
    const UnitTypeEntry* table = UnitTypeTable();
    struct Art {
        int index;
        const char* name;
    } arts[] = {
        {battlegen::art::UnionCorps, "Union Corp Commander"},
        {battlegen::art::UnionDivision, "Union Div Commander"},
        {battlegen::art::ConfederateCorps, "Confederate Corp Commander"},
        {battlegen::art::ConfederateDivision, "Confederate Div Commander"},
        {battlegen::art::UnionInfantry, "Union Medium Infantry"},
        {battlegen::art::ConfederateInfantry, "Confederate Medium Infantry"},
        {battlegen::art::ConfederateWagon, "Confederate Supply Wagon"},
        {battlegen::art::UnionWagon, "Union Supply Wagon"},
        {battlegen::art::UnionCavalry, "Union Cavalry"},
        {battlegen::art::ConfederateCavalry, "Confederate Cavalry"},
        {battlegen::art::UnionBattery, "Union Iron Battery"},
        {battlegen::art::ConfederateBattery, "Confederate Iron Battery"},
    };
    for (const auto& a : arts) EXPECT_STREQ(table[a.index].name, a.name);
}

TEST(DemoData, EveryMapReadsBackAtItsSize) {
    for (const auto& [name, map] : Sources().maps) {
        SCOPED_TRACE(name);
        VhLogicalLandscape landscape;
        ASSERT_EQ(landscape.Load(DataFile(name)), 1) << landscape.GetLoadError();
        EXPECT_EQ(landscape.GetSize().x, map.columns);
        EXPECT_EQ(landscape.GetSize().y, map.rows);
        EXPECT_EQ(landscape.GetFirstMapHeaderValue(), battlegen::kRegionOffset);
        EXPECT_EQ(landscape.GetRegionCount(), map.columns * map.rows);
        for (int c = 0; c < map.columns; ++c)
            for (int r = 0; r < map.rows; ++r) {
                const auto* region = landscape.GetRegion(static_cast<std::uint16_t>(c * 100 + r));
                ASSERT_NE(region, nullptr);
                EXPECT_EQ(region->Elevation(), map.Elevation({c, r}));
                // Level 0 is the water level: rivers and fords lie there, dry ground never does.
                const auto number = static_cast<std::uint16_t>(c * 100 + r);
                const bool water = landscape.RegionHasFeature(number, battlegen::code::River) ||
                                   landscape.RegionHasFeature(number, battlegen::code::Ford);
                EXPECT_EQ(region->Elevation() == 0, water) << number;
                EXPECT_LE(region->Elevation(), battlegen::kTopLevel) << number;
            }
    }
}

// The landscape draws a minor river only where it turns a hex corner: a side whose line goes on
// along no other side at either of its corners is drawn by no piece and shows as a bare edge.
TEST(DemoData, EveryMinorRiverSideGoesOnAtACorner) {
    for (const auto& entry : Sources().maps) {
        // A named variable, not a structured binding: the lambda below takes it.
        const std::string& name = entry.first;
        const battlegen::BattleMap& map = entry.second;
        SCOPED_TRACE(name);
        VhLogicalLandscape landscape;
        ASSERT_EQ(landscape.Load(DataFile(name)), 1) << landscape.GetLoadError();
        auto river = [&](battlegen::Hex h, int side) {
            if (h.column < 0 || h.row < 0 || h.column >= map.columns || h.row >= map.rows) return false;
            return landscape.HasEdgeType(static_cast<std::uint16_t>(h.Number()), side, battlegen::code::Stream);
        };
        int sides = 0;
        for (int c = 0; c < map.columns; ++c)
            for (int r = 0; r < map.rows; ++r)
                for (int side : battlegen::kSides) {
                    const battlegen::Hex here{c, r};
                    if (!river(here, side)) continue;
                    ++sides;
                    // At each end of the side two more sides meet: one of this hex, one of the hex across.
                    const battlegen::Hex across = battlegen::Neighbour(here, side);
                    const int back = battlegen::OppositeSide(side);
                    const bool goesOn = river(here, battlegen::SideClockwise(side)) ||
                                        river(across, battlegen::SideCounterClockwise(back)) ||
                                        river(here, battlegen::SideCounterClockwise(side)) ||
                                        river(across, battlegen::SideClockwise(back));
                    EXPECT_TRUE(goesOn) << "hex " << here.Number() << " side " << side;
                }
        // Every map but Brandy Station has a stream.
        if (map.name != "Brandy Station") {
            EXPECT_GT(sides, 0);
        }
    }
}

TEST(DemoData, EveryVariantFileNamesAScenarioOfItsBattle) {
    for (const BattleSpec& b : Sources().battles)
        for (const auto& v : b.variants) {
            SCOPED_TRACE(v.variantFile);
            const auto read = datagen::ReadVariant(ReadBytes(DataFile(v.variantFile)));
            ASSERT_TRUE(read.has_value());
            EXPECT_EQ(read->scenarioIndex, b.index);
            EXPECT_EQ(read->scenarioFile, v.scenarioFile);
            EXPECT_TRUE(fs::exists(DataFile(read->scenarioFile)));
            EXPECT_NE(read->detailsNumber, 0u);
            EXPECT_FALSE(read->title.empty());
        }
}

std::int32_t Nothing(void*, BuiltInArgs&) { return 0; }

TEST(DemoData, EveryScriptCompilesWithOrdersForEveryGroupOfItsSide) {
    for (const BattleSpec& b : Sources().battles)
        for (int nation = 0; nation < 2; ++nation) {
            std::set<std::string> groups;
            CollectGroups(b.sides[static_cast<std::size_t>(nation)].groups, groups);
            ASSERT_FALSE(b.scripts[static_cast<std::size_t>(nation)].empty()) << b.file;
            for (const auto& script : b.scripts[static_cast<std::size_t>(nation)]) {
                SCOPED_TRACE(script);
                Code code;
                Compiler compiler(code);
                ASSERT_TRUE(RegisterScriptNames(compiler, Nothing));
                compiler.SetImportDirectory(VH_DATA_DIR);
                ASSERT_EQ(compiler.CompileFile(DataFile(script)), 1)
                    << compiler.ErrorFile() << ":" << compiler.ErrorLine() << ": " << compiler.ErrorText();
                for (const auto& g : groups) {
                    std::int32_t entry = 0;
                    EXPECT_GT(code.FindOrders(g, entry), 0) << "no orders for " << g;
                }
                for (const auto& orders : code.OrdersEntries()) EXPECT_EQ(groups.count(orders.group), 1u) << orders.group;
            }
        }
}

class DemoScenarioLoad : public ::testing::TestWithParam<DemoScenario> {
protected:
    void SetUp() override {
        shell = std::make_unique<shell::GameShell>();
        for (const auto& entry : fs::directory_iterator(VH_DATA_DIR))
            if (entry.is_regular_file())
                fs::copy_file(entry.path(), fs::path(shell->DataDirectory()) / entry.path().filename());
    }
    void TearDown() override { shell.reset(); }
    static std::vector<std::string> Boxes() {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < platform::ShownMessageBoxCount(); ++i) out.push_back(platform::ShownMessageBox(i).text);
        return out;
    }
    std::unique_ptr<shell::GameShell> shell;
};

TEST_P(DemoScenarioLoad, LoadsWithBothArmiesOnTheMap) {
    const DemoScenario& s = GetParam();
    shell->LoadScenario(s.file, s.index);
    ASSERT_EQ(Boxes(), std::vector<std::string>{});
    ASSERT_EQ(shell->Application().gameEnded, 0);
    ASSERT_EQ(shell->Application().teams.size(), 1u);
    VhLogicalLayer& layer = shell->Layer();
    VhLogicalLandscape* landscape = layer.GetLandscape();
    ASSERT_NE(landscape, nullptr);

    int units[2] = {0, 0}, present[2] = {0, 0}, leaders[2] = {0, 0};
    std::set<std::uint16_t> startHexes;
    auto checkPlace = [&](VhUnit* u) {
        SCOPED_TRACE(u->GetName());
        EXPECT_TRUE(landscape->IsValidRegion(u->GetEntryRegion())) << u->GetEntryRegion();
        if (u->IsAwaitingArrival()) {
            EXPECT_EQ(u->GetLocation(), 0xFFFF);
        } else {
            EXPECT_EQ(u->GetLocation(), u->GetEntryRegion());
            EXPECT_TRUE(startHexes.insert(u->GetLocation()).second) << "two units start on " << u->GetLocation();
        }
        ASSERT_NE(u->GetGroup(), nullptr);
        EXPECT_NE(u->GetGroup()->GetLeader(), nullptr);
    };
    ListIterator<Combat*> combats(&layer.GetCombatUnits());
    for (Combat* u = nullptr; combats.Next(u);) {
        ASSERT_LT(u->GetSide(), 2u);
        ++units[u->GetSide()];
        if (!u->IsAwaitingArrival()) ++present[u->GetSide()];
        checkPlace(u);
    }
    ListIterator<Leader*> leaderWalk(&layer.GetLeaders());
    for (Leader* l = nullptr; leaderWalk.Next(l);) {
        ASSERT_LT(l->GetSide(), 2u);
        ++leaders[l->GetSide()];
        checkPlace(l);
        EXPECT_EQ(l->GetGroup()->GetLeader(), l);
    }
    for (int side = 0; side < 2; ++side) {
        SCOPED_TRACE(side);
        EXPECT_GE(units[side], 5);
        EXPECT_GE(present[side], 1);
        EXPECT_GE(leaders[side], 2);
    }

    // The battle's objectives lie on the map, on ground worth holding, near the side that holds them.
    GameControl* control = layer.GetGameControl();
    ASSERT_NE(control, nullptr);
    ASSERT_EQ(control->GetObjectiveCount(), BuiltInObjectiveCount(s.index));
    for (int k = 0; k < control->GetObjectiveCount(); ++k) {
        const Objective& o = control->GetObjective(k);
        SCOPED_TRACE(o.nameId);
        bool worth = false;
        int nearest = 1000;
        ListIterator<short> hexes(&o.hexes);
        for (short h = 0; hexes.Next(h);) {
            const auto hex = static_cast<std::uint16_t>(h);
            ASSERT_TRUE(landscape->IsValidRegion(hex)) << hex;
            worth = worth || landscape->RegionHasFeature(hex, 17) || landscape->RegionHasFeature(hex, 12) ||
                    landscape->RegionHasFeature(hex, 5) || landscape->GetRegion(hex)->Elevation() >= 2;
            ListIterator<Combat*> all(&layer.GetCombatUnits());
            for (Combat* u = nullptr; all.Next(u);)
                if (static_cast<std::int32_t>(u->GetSide()) == o.holder)
                    nearest = std::min(nearest, landscape->RegionDistance(hex, u->GetEntryRegion()));
        }
        EXPECT_TRUE(worth);
        EXPECT_LE(nearest, 10);
    }

    // A leader's orders do not reach across a rise or fall of two levels, so an objective whose
    // hexes fall two levels on every side could be neither taken nor held by order: a unit beside
    // it is out of reach of any leader that is not standing in its own hex.
    auto level = [&](std::uint16_t hex) {
        const int e = landscape->GetRegion(hex)->Elevation();
        return e != 0 ? e : 1;
    };
    for (int k = 0; k < control->GetObjectiveCount(); ++k) {
        const Objective& o = control->GetObjective(k);
        SCOPED_TRACE(o.nameId);
        bool approachable = false;
        ListIterator<short> hexes(&o.hexes);
        for (short h = 0; hexes.Next(h) && !approachable;) {
            const auto hex = static_cast<std::uint16_t>(h);
            for (int dc = -1; dc <= 1 && !approachable; ++dc)
                for (int dr = -1; dr <= 1 && !approachable; ++dr) {
                    const int c = hex::Column(hex) + dc, r = hex::Row(hex) + dr;
                    if (c < 0 || r < 0) continue;
                    const std::uint16_t n = hex::Number(c, r);
                    if (!landscape->IsValidRegion(n) || hex::Distance(hex, n) != 1) continue;
                    approachable = std::abs(level(hex) - level(n)) <= 1;
                }
        }
        EXPECT_TRUE(approachable) << "every neighbour of objective " << o.nameId << " lies two levels off it";
    }

    // The battle has to be won on the field: nobody starts on an objective the enemy holds
    // (standing there would hand it over before a shot is fired), and each side needs more than
    // the objectives it holds at the start to reach its target.
    auto checkOffEnemyObjectives = [&](VhUnit* u) {
        if (u->IsAwaitingArrival()) return;
        for (int k = 0; k < control->GetObjectiveCount(); ++k) {
            const Objective& o = control->GetObjective(k);
            if (o.holder < 0 || static_cast<std::int32_t>(u->GetSide()) == o.holder) continue;
            EXPECT_FALSE(o.hexes.Contains(static_cast<short>(u->GetLocation())))
                << u->GetName() << " starts on the enemy's objective " << o.nameId << " at " << u->GetLocation();
        }
    };
    ListIterator<Combat*> again(&layer.GetCombatUnits());
    for (Combat* u = nullptr; again.Next(u);) checkOffEnemyObjectives(u);
    ListIterator<Leader*> leadersAgain(&layer.GetLeaders());
    for (Leader* l = nullptr; leadersAgain.Next(l);) checkOffEnemyObjectives(l);
    const VhLogicalLayer::ScenarioSettings& settings = layer.GetScenario();
    int held[2] = {0, 0};
    for (int k = 0; k < control->GetObjectiveCount(); ++k) {
        const Objective& o = control->GetObjective(k);
        if (o.holder == settings.homeNation) held[0] += o.points;
        if (o.holder == settings.visitingNation) held[1] += o.points;
    }
    EXPECT_GT(settings.homeTarget, held[0]) << "the home side holds its target at the start";
    EXPECT_GT(settings.visitingTarget, held[1]) << "the visiting side holds its target at the start";
}

INSTANTIATE_TEST_SUITE_P(Demo, DemoScenarioLoad, ::testing::ValuesIn(DemoScenarios()), ScenarioName);

} // namespace
