#include "tools/battlegen/battle_source.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using battlegen::BattleMap;
using battlegen::BattleSpec;

const char* kMap =
    "map T.MAP \"T\" 12 10\n"
    "river 0005 1105\n"
    "ford 0505\n"
    "rough hexes 0707\n";

const char* kHead =
    "battle 4 T.SCN \"Test\"\n"
    "subtitle \"Sub\"\n"
    "about \"One\"\n"
    "about \"Two\"\n"
    "map T.MAP\n"
    "date 1862 9 17 5\n"
    "turns 12 fixed\n"
    "winner union\n"
    "home union edge west target 30\n"
    "visitor confederate edge east target 40\n"
    "script union U.SCR\n"
    "script confederate C.SCR\n";

const char* kArmies =
    "side union\n"
    "facing e\n"
    "defaults infantry tq 6 weapon riflemusket\n"
    "group Army leader \"Gen. A\" commands 4 range 8 at 0102\n"
    "  wagon \"Train\" at 0101\n"
    "  group Corps leader \"Gen. B\" at 0203\n"
    "    group Div leader \"Gen. C\" at 0303 facing ne\n"
    "      infantry \"First\" men 2000 at 0304\n"
    "      infantry \"Second\" men 1500 tq 4 weapon musket\n"
    "      artillery \"Guns\" guns 6 weapon rifled\n"
    "    end\n"
    "  end\n"
    "  group Late leader \"Gen. D\" at 0008 arrive 4\n"
    "    cavalry \"Horse\" men 600 weapon repeatcarbine\n"
    "  end\n"
    "end\n"
    "side confederate\n"
    "group CArmy leader \"Gen. E\" at 1102\n"
    "  infantry \"Rebs\" men 1800 at 1002 facing w\n"
    "end\n";

const char* kVariant =
    "variant T2.SCN T2.VAR \"Early\"\n"
    "  arrive Late 3\n"
    "  remove Corps\n"
    "  target confederate 50\n"
    "end\n";

class SmallBattle : public ::testing::Test {
protected:
    void SetUp() override {
        map = battlegen::ParseMapText(kMap, "map.txt");
        battle = battlegen::ParseBattleText(std::string(kHead) + kArmies + kVariant, "battle.txt");
    }
    const datagen::UnitRecordDraft& Unit(const datagen::ScenarioDraft& d, const std::string& name) {
        for (const auto& u : d.units)
            if (u.name == name) return u;
        ADD_FAILURE() << "no unit " << name;
        return d.units.front();
    }
    BattleMap map;
    BattleSpec battle;
};

TEST_F(SmallBattle, TheHeadBecomesTheScenarioFields) {
    const auto d = battlegen::BuildScenario(battle, map);
    EXPECT_EQ(d.head[0], 0);
    EXPECT_EQ(d.head[4], 4);
    EXPECT_EQ(d.title, "Test");
    EXPECT_EQ(d.secondText, "Sub");
    EXPECT_EQ(std::string(d.opaque.begin(), d.opaque.end()), "One Two");
    EXPECT_EQ(d.mapName, "T.MAP");
    EXPECT_EQ(d.homeNation, 0);
    EXPECT_EQ(d.visitingNation, 1);
    EXPECT_EQ(d.homeEdge, 7);
    EXPECT_EQ(d.visitingEdge, 3);
    EXPECT_EQ(d.homeTarget, 30);
    EXPECT_EQ(d.visitingTarget, 40);
    EXPECT_EQ(d.homeScripts, std::vector<std::string>{"U.SCR"});
    EXPECT_EQ(d.visitingScripts, std::vector<std::string>{"C.SCR"});
    EXPECT_EQ(d.turnLimitChoice, 0);
    EXPECT_EQ(d.turnLimit, 12);
    EXPECT_EQ(d.defaultWinner, 1);
    EXPECT_EQ(d.year, 62);
    EXPECT_EQ(d.month, 9);
    EXPECT_EQ(d.day, 17);
    EXPECT_EQ(d.hour, 5);
}

TEST_F(SmallBattle, GroupsAreNumberedInSourceOrderWithTheirLeadersChain) {
    const auto d = battlegen::BuildScenario(battle, map);
    ASSERT_EQ(d.groups.size(), 5u);
    const char* names[] = {"Army", "Corps", "Div", "Late", "CArmy"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(d.groups[static_cast<std::size_t>(i)].number, i + 1);
        EXPECT_EQ(d.groups[static_cast<std::size_t>(i)].name, names[i]);
    }
    struct Leader {
        const char* name;
        int group, superior, levelCode, art, region;
    } leaders[] = {
        {"Gen. A", 1, -1, 0, battlegen::art::UnionCorps, 1102},
        {"Gen. B", 2, 1, 1, battlegen::art::UnionCorps, 1203},
        {"Gen. C", 3, 2, 2, battlegen::art::UnionDivision, 1303},
        {"Gen. D", 4, 1, 2, battlegen::art::UnionDivision, 1008},
        {"Gen. E", 5, -1, 0, battlegen::art::ConfederateCorps, 2102},
    };
    for (const auto& l : leaders) {
        SCOPED_TRACE(l.name);
        const auto& u = Unit(d, l.name);
        EXPECT_EQ(u.kindWord, 0u);
        EXPECT_EQ(u.group, l.group);
        EXPECT_EQ(u.superiorGroup, l.superior);
        EXPECT_EQ(u.levelCode, l.levelCode);
        EXPECT_EQ(u.artIndex, l.art);
        EXPECT_EQ(u.region, l.region);
    }
    EXPECT_EQ(Unit(d, "Gen. A").commands, 4);
    EXPECT_EQ(Unit(d, "Gen. A").commandRange, 8);
    EXPECT_EQ(Unit(d, "Gen. D").arrival, 4u);
    EXPECT_EQ(Unit(d, "Gen. D").movement, 8); // a cavalry command rides
    EXPECT_EQ(Unit(d, "Gen. C").movement, 6);
}

TEST_F(SmallBattle, UnitsTakeTheirValuesFromTheirLinesTheirGroupAndTheirSide) {
    const auto d = battlegen::BuildScenario(battle, map);
    struct Expect {
        const char* name;
        std::uint32_t kind, weapon;
        int tq, size, facing, arrival, formation, art;
    } expected[] = {
        {"First", 1, 5, 6, 8, 2, 0, 1, battlegen::art::UnionInfantry},
        {"Second", 1, 4, 4, 6, 2, 0, 1, battlegen::art::UnionInfantry},
        {"Guns", 3, 11, 5, 3, 2, 0, 1, battlegen::art::UnionBattery},
        {"Horse", 2, 3, 5, 2, 3, 4, 1, battlegen::art::UnionCavalry},
        {"Rebs", 1, 5, 5, 7, 7, 0, 1, battlegen::art::ConfederateInfantry},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        const auto& u = Unit(d, e.name);
        EXPECT_EQ(u.kindWord, e.kind);
        EXPECT_EQ(u.weaponCode, e.weapon);
        EXPECT_EQ(u.troopQuality, e.tq);
        EXPECT_EQ(u.size, e.size);
        EXPECT_EQ(u.facing, static_cast<std::uint32_t>(e.facing));
        EXPECT_EQ(u.arrival, static_cast<std::uint32_t>(e.arrival));
        EXPECT_EQ(u.initialFormation, e.formation);
        EXPECT_EQ(u.artIndex, e.art);
    }
    EXPECT_EQ(Unit(d, "Train").kindWord, 4u);
    EXPECT_EQ(Unit(d, "Train").artIndex, battlegen::art::UnionWagon);
    EXPECT_EQ(Unit(d, "Rebs").side, 1u);
    EXPECT_EQ(Unit(d, "First").region, 1304);
}

TEST_F(SmallBattle, UnitsWithoutAHexGatherOnFreeDryLandNearTheirGroup) {
    const auto d = battlegen::BuildScenario(battle, map);
    std::set<int> hexes;
    for (const auto& u : d.units) {
        SCOPED_TRACE(u.name);
        const int hex = u.region - battlegen::kRegionOffset;
        EXPECT_TRUE(hexes.insert(hex).second);
        const battlegen::Hex h = battlegen::Hex::FromNumber(hex);
        ASSERT_TRUE(map.Inside(h));
        EXPECT_NE(map.Ground(h), battlegen::code::River);
    }
    EXPECT_LE(battlegen::Distance(battlegen::Hex::FromNumber(Unit(d, "Second").region - 1000), {3, 3}), 1);
    EXPECT_LE(battlegen::Distance(battlegen::Hex::FromNumber(Unit(d, "Horse").region - 1000), {0, 8}), 1);
}

TEST_F(SmallBattle, AVariantChangesOnlyWhatItSaysAndKeepsGroupNumbers) {
    const auto variants = battlegen::BuildVariants(battle, map);
    ASSERT_EQ(variants.size(), 1u);
    const auto& v = variants[0];
    EXPECT_EQ(v.variantFile, "T2.VAR");
    EXPECT_EQ(v.variant.scenarioIndex, 4);
    EXPECT_EQ(v.variant.scenarioFile, "T2.SCN");
    EXPECT_EQ(v.variant.title, "Early");
    EXPECT_NE(v.variant.detailsNumber, 0u);
    const auto& d = v.battle.scenario;
    EXPECT_EQ(v.battle.scenarioFile, "T2.SCN");
    std::vector<int> numbers;
    for (const auto& g : d.groups) numbers.push_back(g.number);
    EXPECT_EQ(numbers, (std::vector<int>{1, 4, 5}));
    EXPECT_EQ(Unit(d, "Horse").arrival, 3u);
    EXPECT_EQ(Unit(d, "Gen. D").arrival, 3u);
    EXPECT_EQ(d.visitingTarget, 50);
    EXPECT_EQ(d.homeTarget, 30);
    for (const auto& u : d.units) EXPECT_NE(u.name, "First");
}

TEST_F(SmallBattle, TheScriptsGetTheGroupNumbersByName) {
    const std::string text = battlegen::GroupNumberConstants(battle);
    EXPECT_NE(text.find("const GRP_Army 1,"), std::string::npos);
    EXPECT_NE(text.find("GRP_Late 4,"), std::string::npos);
    EXPECT_NE(text.find("GRP_CArmy 5;"), std::string::npos);
    EXPECT_EQ(battlegen::GroupNumberFile(battle), "T.INC");
}

struct BadBattle {
    const char* armies;
    const char* message;
};
const BadBattle BadBattles[] = {
    {"side union\ninfantry \"A\" men 100\n", "battle.txt:14: a unit belongs to a group"},
    {"side union\ngroup 3rd leader \"X\" at 0101\nend\n", "battle.txt:14: a group name is one word of letters, digits and _"},
    {"side union\ngroup A leader \"X\" at 0101 facing n\nend\n", "battle.txt:14: expected a facing: ne, e, se, sw, w or nw"},
    {"side union\ngroup A leader \"X\" at 0101\ninfantry \"B\" men 100 weapon spear\nend\n",
     "battle.txt:15: unknown weapon \"spear\""},
    {"side union\ngroup A leader \"X\" at 0101\ninfantry \"B\"\nend\n", "battle.txt:15: a unit needs its men"},
    {"side union\ngroup A leader \"X\" at 0101\n", "battle.txt:15: the groups before this side lack their end"},
    {"side union\ngroup A leader \"X\" at 0101\nend\ngroup A leader \"Y\" at 0102\nend\n",
     "battle.txt:16: group A is named twice"},
    {"side union\ngroup A leader \"X\" at 0101\nend\ngroup B leader \"X\" at 0102\nend\n",
     "battle.txt:16: X leads two groups"},
    {"side union\ngroup A leader \"X\" at 0101\ninfantry \"B\" men 100 at 0101\nend\n",
     "battle.txt:15: B is put on hex 101, which is taken"},
    {"side union\ngroup A leader \"X\" at 0101\ninfantry \"B\" men 100 at 0005\nend\n",
     "battle.txt:15: B cannot stand on hex 5"},
    {"side union\ngroup A leader \"X\" at 0101\nwagon \"W\" at 0707\nend\n", "battle.txt:15: W cannot stand on hex 707"},
    {"side union\ngroup A leader \"X\" at 0101\ninfantry \"B\" men 100 arrive 2\nend\n",
     "battle.txt:15: B arrives on turn 2; reinforcements come on turn 3 or later"},
    {"side union\ngroup A leader \"X\" at 0101 arrive 1\nend\n",
     "battle.txt:14: X arrives on turn 1; reinforcements come on turn 3 or later"},
    {"side union\ngroup A leader \"X\"\ninfantry \"B\" men 100\nend\n",
     "battle.txt:14: X has no hex and its group no place to gather"},
};

TEST(BattleSource, RefusesFaultsWithTheLineTheyAreOn) {
    const BattleMap map = battlegen::ParseMapText(kMap, "map.txt");
    const std::string enemy = "side confederate\ngroup E leader \"E\" at 1102\nend\n";
    for (const auto& bad : BadBattles) {
        SCOPED_TRACE(bad.armies);
        try {
            const auto battle = battlegen::ParseBattleText(std::string(kHead) + bad.armies + enemy, "battle.txt");
            battlegen::BuildScenario(battle, map);
            ADD_FAILURE() << "accepted";
        } catch (const battlegen::SourceError& e) {
            EXPECT_EQ(std::string(e.what()), bad.message);
        }
    }
}

TEST(BattleSource, AVariantNamingAnUnknownGroupIsRefused) {
    const BattleMap map = battlegen::ParseMapText(kMap, "map.txt");
    const auto battle = battlegen::ParseBattleText(
        std::string(kHead) + kArmies + "variant X.SCN X.VAR \"X\"\narrive Nobody 3\nend\n", "battle.txt");
    try {
        battlegen::BuildVariants(battle, map);
        ADD_FAILURE() << "accepted";
    } catch (const battlegen::SourceError& e) {
        EXPECT_EQ(std::string(e.what()), "battle.txt:34: no group is named Nobody");
    }
}

TEST(BattleSource, SizesFollowMenGunsAndWagons) {
    battlegen::UnitSpec u;
    u.kind = battlegen::UnitKind::Infantry;
    u.strength = 100;
    EXPECT_EQ(battlegen::SizeOf(u), 1);
    u.strength = 2400;
    EXPECT_EQ(battlegen::SizeOf(u), 10);
    u.kind = battlegen::UnitKind::Artillery;
    u.strength = 5;
    EXPECT_EQ(battlegen::SizeOf(u), 3);
    u.kind = battlegen::UnitKind::Wagon;
    u.strength = 3;
    EXPECT_EQ(battlegen::SizeOf(u), 3);
}

} // namespace
