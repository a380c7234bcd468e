// The logical layer's block of a saved game: a battle saved part-way through a turn and read
// into a fresh game of the same scenario is the same battle, byte for byte, and goes on the same
// way; a damaged block is refused whole and leaves the running battle as it was.
#include "game/logic/game_random.h"
#include "game/logic/referee/campaign_game.h"
#include "game/units/leader.h"
#include "game/units/missile_capable.h"
#include "platform/clock.h"
#include "tests/referee/scenario_fixture.h"
#include "tests/shell/battle_driver.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

using Bytes = std::vector<std::uint8_t>;

// What the application writes before the game logic's blocks: the header's mark and version,
// the two slots, then bytes standing for the display's and the commentary's blocks.
const Bytes ApplicationBlocks = {'M', 'A', 'P', 0, 0, 0, 0, 'T', 'E', 'X', 'T'};

std::uint32_t U32At(const Bytes& b, std::size_t at) {
    return b[at] | static_cast<std::uint32_t>(b[at + 1]) << 8 | static_cast<std::uint32_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
}

void PutU16At(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// A saved game whose block starts right after the header.
Bytes FileWith(const Bytes& block) {
    static const std::uint8_t header[16] = {'V', 'H', 'S', 'G', 1, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0};
    Bytes file(16 + block.size());
    std::copy(header, header + 16, file.begin());
    std::copy(block.begin(), block.end(), file.begin() + 16);
    return file;
}

// One battle in a shell of its own.
struct Game {
    Game() : shell(std::make_unique<shell::GameShell>()), driver(*shell) {
        EXPECT_TRUE(shell->WriteMap("CROSSING.MAP", referee_testing::SmallMap()));
        EXPECT_TRUE(shell->WriteScenario("TEST.SCN", datagen::MakeSampleScenario("CROSSING.MAP")));
        shell->LoadScenario("TEST.SCN", 10, 7);
        shell->GrantTurns(100);
    }
    VhLogicalLayer& Layer() { return shell->Layer(); }
    Combat* Unit(const char* name) { return Layer().FindCombatUnitByName(name); }
    // The layer's block as the running battle would write it now.
    std::string Block() {
        SuperString s(std::numeric_limits<std::int32_t>::max());
        Layer().WriteSavedBlock(s);
        return s.Contents();
    }
    // The length of the units' part of the block.
    std::size_t UnitsLength() {
        SuperString s(std::numeric_limits<std::int32_t>::max());
        for (Item<Combat*>* i = Layer().GetFirstNationCombatUnits().Head(); i; i = i->next) i->value->Save(s);
        for (Item<Combat*>* i = Layer().GetSecondNationCombatUnits().Head(); i; i = i->next) i->value->Save(s);
        for (Item<Leader*>* i = Layer().GetLeaders().Head(); i; i = i->next) i->value->Save(s);
        return static_cast<std::size_t>(s.Length());
    }
    bool Save(const std::string& name) {
        if (!shell->BeginSavedGame(name, ApplicationBlocks)) return false;
        shell->SaveGame(name);
        return true;
    }
    // The block the file's slot names.
    Bytes SavedBlock(const std::string& name) {
        const Bytes file = shell->ReadFile(name);
        if (file.size() < 16) return {};
        return Bytes(file.begin() + U32At(file, 8), file.end());
    }
    void Play(int activations) {
        for (int k = 0; k < activations && !driver.IsGameOver(); ++k) {
            driver.OrderActiveLeader();
            driver.FinishActivation();
        }
    }

    std::unique_ptr<shell::GameShell> shell;
    shell::BattleDriver driver;
};

class SavedGameTest : public ::testing::Test {
protected:
    void SetUp() override { platform::ClearShownMessageBoxes(); }
    void TearDown() override {
        ClearGameRandomScript();
        platform::ClearShownMessageBoxes();
    }
    static std::vector<std::string> Boxes() {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < platform::ShownMessageBoxCount(); ++i) out.push_back(platform::ShownMessageBox(i).text);
        return out;
    }

    // A battle in its second turn with a combat under way and a unit selected, so that every
    // optional part of the block is present.
    void PlayAndSave(Game& game) {
        game.driver.StartBattle();
        // The last activation of the second turn: the draw of the next leader starts afresh
        // with the next turn, so the game that goes on and the game read back draw alike. (The
        // run of activations a side has had within a turn is not part of the saved block.)
        GameControl* control = game.Layer().GetGameControl();
        const auto lastOfTurn = [&] {
            return control->GetTurn() >= 2 && control->GetCommandsLeft(0) == 0 && control->GetCommandsLeft(1) == 0;
        };
        for (int guard = 0; guard < 30 && !lastOfTurn(); ++guard) game.Play(1);
        ASSERT_TRUE(lastOfTurn());
        CombatStruct combat;
        combat.attackers.AddTail(game.Unit("4th Virginia"));
        combat.attackers.AddTail(game.Unit("27th Virginia"));
        combat.defenders.AddTail(game.Unit("19th Indiana"));
        combat.attackingLeaders.AddTail(game.Layer().FindLeaderByName("Gen. Vell"));
        combat.attackerWords.AddTail(1);
        combat.attackerWords.AddTail(0);
        combat.target = 603;
        game.Layer().GetCombatList().AddTail(combat);
        Leader* active = game.driver.ActiveLeader();
        ASSERT_NE(active, nullptr);
        // A unit that fires where one can be had: its block has the most optional parts.
        for (int pass = 0; pass < 2; ++pass) {
            for (Item<Combat*>* i = game.Layer().GetCombatUnits().Head(); i && !selected; i = i->next) {
                Combat* unit = i->value;
                if (unit->GetSide() != active->GetSide() || !unit->IsOnMap() || (pass == 0 && !unit->IsMissileCapable()))
                    continue;
                Container<short> where(static_cast<short>(unit->GetLocation()));
                game.Layer().Post(REGION_SELECTED, &where);
                game.shell->Run(0);
                if (unit->IsSelected()) selected = unit;
            }
        }
        ASSERT_NE(selected, nullptr) << "a unit of the active leader can be selected";
        ASSERT_TRUE(game.Save("FIRST.SAV"));
        ASSERT_TRUE(Boxes().empty());
        block = game.SavedBlock("FIRST.SAV");
        ASSERT_FALSE(block.empty());
        unitsLength = game.UnitsLength();
    }

    Combat* selected = nullptr;
    Bytes block;
    std::size_t unitsLength = 0;
};

TEST_F(SavedGameTest, ABattleReadIntoAFreshGameIsTheSameBattleAndGoesOnTheSameWay) {
    // One game at a time: the shells share the one application of the process.
    auto first = std::make_unique<Game>();
    PlayAndSave(*first);
    if (HasFatalFailure()) return;
    ASSERT_GT(first->Layer().GetGameControl()->GetTurn(), 1);
    const Bytes file = first->shell->ReadFile("FIRST.SAV");
    EXPECT_EQ(U32At(file, 8), 16u + ApplicationBlocks.size()) << "the block starts where the file ended";
    EXPECT_TRUE(std::equal(ApplicationBlocks.begin(), ApplicationBlocks.end(), file.begin() + 16))
        << "what the application wrote is kept";
    const std::string selectedName = selected->GetName();

    // The first game goes on from the saved moment.
    // The moves made from there on, with the same draws. The turn sequence reseeds from the clock
    // when it draws a side, so both games go on from the same moment of the clock too.
    const auto goOn = [](Game& game, std::string& log) {
        game.Layer().GetCombatList().Clear();
        platform::SetClock(500000);
        SeedGameRandom(99);
        const std::size_t before = game.driver.Log().size();
        game.Play(12);
        for (std::size_t k = before; k < game.driver.Log().size(); ++k) log += game.driver.Log()[k] + ";";
        log += "turn " + std::to_string(game.Layer().GetGameControl()->GetTurn());
    };
    std::string logs[2];
    Combat* unit = first->Unit(selectedName.c_str());
    Container<short> down(static_cast<short>(unit->GetLocation()));
    first->Layer().Post(REGION_SELECTED, &down);
    first->shell->Run(0);
    goOn(*first, logs[0]);
    const std::string firstAfter = first->Block();
    first.reset();

    auto second = std::make_unique<Game>();
    ASSERT_TRUE(second->shell->WriteFile("FIRST.SAV", file));
    second->shell->LoadGame("FIRST.SAV");
    EXPECT_TRUE(Boxes().empty());
    ASSERT_TRUE(second->Save("SECOND.SAV"));
    EXPECT_EQ(second->SavedBlock("SECOND.SAV"), block) << "the battle read back writes the same block";

    // The pieces that are rebuilt rather than copied: the combat's members are this battle's
    // units, and the selected unit answers clicks again.
    ASSERT_EQ(second->Layer().GetCombatList().Count(), 1);
    const CombatStruct& combat = second->Layer().GetCombatList().Head()->value;
    ASSERT_EQ(combat.attackers.Count(), 2);
    EXPECT_EQ(combat.attackers.Head()->value, second->Unit("4th Virginia"));
    EXPECT_EQ(combat.defenders.Head()->value, second->Unit("19th Indiana"));
    EXPECT_EQ(combat.attackingLeaders.Head()->value, second->Layer().FindLeaderByName("Gen. Vell"));
    EXPECT_TRUE(combat.defendingLeaders.IsEmpty());
    EXPECT_EQ(combat.target, 603);
    Combat* reselected = second->Unit(selectedName.c_str());
    ASSERT_TRUE(reselected->IsSelected());
    Container<short> same(static_cast<short>(reselected->GetLocation()));
    second->Layer().Post(REGION_SELECTED, &same);
    second->shell->Run(0);
    EXPECT_FALSE(reselected->IsSelected()) << "its click handler is subscribed: a click on its hex puts it down";

    // The second game resumes where the first was saved and goes on the same way.
    second->driver.StartBattle(true, true);
    goOn(*second, logs[1]);
    EXPECT_NE(logs[0].find('>'), std::string::npos) << "units moved after the save: " << logs[0];
    EXPECT_EQ(logs[0], logs[1]);
    EXPECT_EQ(second->Block(), firstAfter);
}

TEST_F(SavedGameTest, EveryShapeOfAUnitsBlockReadsBack) {
    std::string bytes;
    Bytes file;
    {
        Game game;
        game.driver.StartBattle();
        Leader* active = game.driver.ActiveLeader();
        ASSERT_NE(active, nullptr);
        // A selected unit that fires, a wounded leader, a leader replaced twice over (two links
        // in the chain of the fallen), a leader wounded after his replacement, a unit out of play.
        Combat* firing = nullptr;
        for (Item<Combat*>* i = game.Layer().GetCombatUnits().Head(); i && !firing; i = i->next) {
            if (i->value->GetSide() != active->GetSide() || !i->value->IsMissileCapable() || !i->value->IsOnMap()) continue;
            Container<short> where(static_cast<short>(i->value->GetLocation()));
            game.Layer().Post(REGION_SELECTED, &where);
            game.shell->Run(0);
            if (i->value->IsSelected()) firing = i->value;
        }
        ASSERT_NE(firing, nullptr);
        game.Layer().FindLeaderByName("Gen. Thorne")->Wound(1);
        Leader* twice = game.Layer().FindLeaderByName("Gen. Kettering");
        twice->Eliminate();
        twice->Eliminate();
        Leader* vell = game.Layer().FindLeaderByName("Gen. Vell");
        vell->Eliminate();
        vell->Wound(1);
        game.shell->Run(0);
        game.Unit("2nd Wisconsin")->RemoveFromPlay();
        game.shell->Run(100);
        ASSERT_TRUE(game.Save("SHAPES.SAV"));
        file = game.shell->ReadFile("SHAPES.SAV");
        bytes = game.Block();
    }
    Game fresh;
    ASSERT_TRUE(fresh.shell->WriteFile("SHAPES.SAV", file));
    std::string error;
    ASSERT_TRUE(fresh.Layer().LoadGame(fresh.shell->PathOf("SHAPES.SAV"), error)) << error;
    EXPECT_EQ(fresh.Block(), bytes);
    Leader* twice = nullptr;
    for (Item<Leader*>* i = fresh.Layer().GetLeaders().Head(); i; i = i->next)
        if (i->value->GetName().rfind("Gen. Kettering", 0) == 0) twice = i->value;
    ASSERT_NE(twice, nullptr);
    ASSERT_NE(twice->GetFallenPredecessors(), nullptr);
    EXPECT_NE(twice->GetFallenPredecessors()->GetFallenPredecessors(), nullptr);
    EXPECT_NE(twice->GetName().find(Leader::ReplacementMark), std::string::npos);
    EXPECT_TRUE(fresh.Unit("2nd Wisconsin")->IsRemoved());
    EXPECT_FALSE(fresh.Layer().GetLandscape()->GetUnitsInRegion(204).Contains(fresh.Unit("2nd Wisconsin")));
}

TEST_F(SavedGameTest, SavingTwiceAppendsASecondBlockThatTheHeaderNames) {
    Game game;
    game.driver.StartBattle();
    ASSERT_TRUE(game.Save("TWICE.SAV"));
    const std::size_t once = game.shell->ReadFile("TWICE.SAV").size();
    game.Play(3);
    const std::string later = game.Block();
    game.shell->SaveGame("TWICE.SAV");
    const Bytes file = game.shell->ReadFile("TWICE.SAV");
    EXPECT_EQ(U32At(file, 8), once);
    EXPECT_EQ(std::string(file.begin() + once, file.end()), later);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(SavedGameTest, ABattleWithoutAControllerWritesAndReadsNoControllerBlock) {
    auto bare = std::make_unique<shell::GameShell>();
    ASSERT_TRUE(bare->WriteMap("CROSSING.MAP", referee_testing::SmallMap()));
    ASSERT_TRUE(bare->WriteScenario("TEST.SCN", datagen::MakeSampleScenario("CROSSING.MAP")));
    bare->LoadScenario("TEST.SCN", 10, 7, 0);
    if (bare->Layer().GetGameControl()) GTEST_SKIP() << "the loader always makes a controller";
    ASSERT_TRUE(bare->BeginSavedGame("BARE.SAV"));
    bare->SaveGame("BARE.SAV");
    const Bytes file = bare->ReadFile("BARE.SAV");
    // Units, two flags, an empty script name, no combats, two factors and three words.
    SuperString units;
    for (Item<Combat*>* i = bare->Layer().GetFirstNationCombatUnits().Head(); i; i = i->next) i->value->Save(units);
    for (Item<Combat*>* i = bare->Layer().GetSecondNationCombatUnits().Head(); i; i = i->next) i->value->Save(units);
    for (Item<Leader*>* i = bare->Layer().GetLeaders().Head(); i; i = i->next) i->value->Save(units);
    EXPECT_EQ(file.size(), 16u + static_cast<std::size_t>(units.Length()) + 2 + 2 + 2 + 2 + 8 + 6);
    std::string error;
    EXPECT_TRUE(bare->Layer().LoadGame(bare->PathOf("BARE.SAV"), error)) << error;
}

// How a good block is damaged, and where.
struct Damage {
    const char* what;
    // Changes the block; unitsLength is where the settings after the units begin.
    void (*apply)(Bytes& block, std::size_t unitsLength);
};

const Damage Damages[] = {
    {"a unit on a region the map does not have", [](Bytes& b, std::size_t) { PutU16At(b, 16, 0x0B0B); }},
    {"a unit in a group the battle does not have", [](Bytes& b, std::size_t) { PutU16At(b, 2, 999); }},
    {"a unit facing no compass point", [](Bytes& b, std::size_t) { PutU16At(b, 20, 200); }},
    {"a script name longer than the layer's field", [](Bytes& b, std::size_t u) { PutU16At(b, u + 4, 200); }},
    {"a script name running past the block", [](Bytes& b, std::size_t u) { PutU16At(b, u + 4, 0xFFFF); }},
    {"a combat count past the block", [](Bytes& b, std::size_t u) { PutU16At(b, u + 6, 0xFFFF); }},
    {"a combat's unit count past the block", [](Bytes& b, std::size_t u) { PutU16At(b, u + 8, 0x7FFF); }},
    {"a combat naming no unit", [](Bytes& b, std::size_t u) { PutU16At(b, u + 10, 0x7777); }},
    {"a combat whose leader list names a combat unit",
     [](Bytes& b, std::size_t u) {
         // The attacking leader's number becomes the first attacker's.
         const std::size_t leaders = u + 8 + 2 + 4 + 2 + 2;
         b[leaders + 2] = b[u + 10];
         b[leaders + 3] = b[u + 11];
     }},
    {"a difficulty factor that is no number",
     [](Bytes& b, std::size_t u) {
         // Two attackers, one defender, one leader, none, two words, the target.
         const std::size_t factor = u + 8 + (2 + 4) + (2 + 2) + (2 + 2) + 2 + (2 + 4) + 2;
         const float nan = std::nanf("");
         std::memcpy(&b[factor], &nan, 4);
     }},
};

TEST_F(SavedGameTest, ADamagedBlockIsRefusedWholeAndTheRunningBattleStaysAsItWas) {
    std::size_t controllerLength = 0, leaderCount = 0;
    {
        Game first;
        PlayAndSave(first);
        if (HasFatalFailure()) return;
        SuperString s(std::numeric_limits<std::int32_t>::max());
        first.Layer().GetGameControl()->Save(s);
        controllerLength = static_cast<std::size_t>(s.Length());
        leaderCount = static_cast<std::size_t>(first.Layer().GetGameControl()->GetLeaderCount());
    }
    // The undamaged block is taken, so each refusal below is the damage's doing.
    {
        Game fresh;
        ASSERT_TRUE(fresh.shell->WriteFile("GOOD.SAV", FileWith(block)));
        std::string error;
        ASSERT_TRUE(fresh.Layer().LoadGame(fresh.shell->PathOf("GOOD.SAV"), error)) << error;
    }
    // A battle under way: nothing of a refused block may reach it.
    Game running;
    running.driver.StartBattle();
    running.Play(3);
    const std::string before = running.Block();
    const auto refuse = [&](const Bytes& damagedFile, const std::string& what) {
        ASSERT_TRUE(running.shell->WriteFile("DAMAGED.SAV", damagedFile));
        std::string error;
        EXPECT_FALSE(running.Layer().LoadGame(running.shell->PathOf("DAMAGED.SAV"), error)) << what;
        EXPECT_FALSE(error.empty()) << what;
        EXPECT_EQ(running.Block(), before) << what;
    };
    for (const Damage& d : Damages) {
        Bytes damaged = block;
        d.apply(damaged, unitsLength);
        refuse(FileWith(damaged), d.what);
    }
    for (std::size_t cut = 0; cut < block.size(); cut += 3)
        refuse(FileWith(Bytes(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(cut))),
               "cut at " + std::to_string(cut));

    // The controller's part: the current leader's index names no leader.
    Bytes badLeader = block;
    PutU16At(badLeader, block.size() - controllerLength + 2 * leaderCount + 2, 77);
    refuse(FileWith(badLeader), "a current leader past the table");

    // The header: a slot inside the header, one past the end, a file shorter than the header.
    Bytes inside = FileWith(block);
    inside[8] = 4;
    refuse(inside, "a block start inside the header");
    Bytes past = FileWith(block);
    PutU16At(past, 8, 0xFFF0);
    refuse(past, "a block start past the end");
    refuse(Bytes{'V', 'H', 'S', 'G', 1}, "no header");

    // Through the bus the refusal is shown to the player.
    platform::ClearShownMessageBoxes();
    running.shell->LoadGame("MISSING.SAV");
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].rfind("The saved game could not be loaded.", 0), 0u) << Boxes()[0];
    EXPECT_EQ(running.Block(), before);
}

// Only the options dialog's 0.8 to 1.2 are ever written, but any finite factor passes the
// block's check: a huge one must give the largest target, not a wrapped or undefined one.
TEST_F(SavedGameTest, AHugeDifficultyFactorSaturatesTheVictoryTarget) {
    {
        Game first;
        PlayAndSave(first);
        if (HasFatalFailure()) return;
    }
    Bytes huge = block;
    const std::size_t factor = unitsLength + 8 + (2 + 4) + (2 + 2) + (2 + 2) + 2 + (2 + 4) + 2;
    const float big = 1.0e30f;
    std::memcpy(&huge[factor], &big, 4);
    std::memcpy(&huge[factor + 4], &big, 4);
    Game fresh;
    ASSERT_TRUE(fresh.shell->WriteFile("HUGE.SAV", FileWith(huge)));
    std::string error;
    ASSERT_TRUE(fresh.Layer().LoadGame(fresh.shell->PathOf("HUGE.SAV"), error)) << error;
    ASSERT_FALSE(fresh.shell->Application().teams.empty());
    Container<TeamInfoStruct> teams(fresh.shell->Application().teams.back());
    delete fresh.Layer().SendNamed("InitializeScenario", &teams);
    GameControl* control = fresh.Layer().GetGameControl();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->GetVictoryTarget(0), 32767);
    EXPECT_EQ(control->GetVictoryTarget(1), 32767);
}

TEST_F(SavedGameTest, AFileThatCannotTakeTheBlockIsLeftAsItWas) {
    Game game;
    game.driver.StartBattle();
    const Bytes stub = {'V', 'H', 'S', 'G', 1};
    ASSERT_TRUE(game.shell->WriteFile("SHORT.SAV", stub));
    std::string error;
    EXPECT_FALSE(game.Layer().SaveGame(game.shell->PathOf("SHORT.SAV"), error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(game.shell->ReadFile("SHORT.SAV"), stub) << "no slot written into a header that is not there";
    game.shell->SaveGame("NOWHERE/MISSING.SAV");
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].rfind("The game could not be saved.", 0), 0u) << Boxes()[0];

    // A layer with no battle has nothing to save.
    game.shell->CloseGame();
    ASSERT_TRUE(game.shell->BeginSavedGame("EMPTY.SAV"));
    EXPECT_FALSE(game.Layer().SaveGame(game.shell->PathOf("EMPTY.SAV"), error));
    EXPECT_EQ(game.shell->ReadFile("EMPTY.SAV").size(), 16u);
}

TEST_F(SavedGameTest, APayloadThatIsNoFileNameGoesToTheAssertionBox) {
    Game game;
    CampaignGame campaign(0, 0);
    campaign.AttachToBus(&game.shell->App());
    const std::string before = game.Block();
    for (const char* message : {"SaveGame", "LoadGame"}) {
        // Both the layer and the campaign hear the application's message, and each reports.
        platform::ClearShownMessageBoxes();
        platform::QueueMessageBoxAnswer(IDNO);
        platform::QueueMessageBoxAnswer(IDNO);
        Container<short> wrong(3);
        delete game.shell->App().SendNamed(message, &wrong);
        ASSERT_EQ(platform::ShownMessageBoxCount(), 2u) << message;
        std::vector<std::string> sources;
        for (std::size_t k = 0; k < 2; ++k) {
            EXPECT_EQ(platform::ShownMessageBox(k).text, "Bad data passed in bus message to function  Abort?");
            const std::string caption = platform::ShownMessageBox(k).caption;
            sources.push_back(caption.substr(0, caption.find(" at line")));
        }
        std::sort(sources.begin(), sources.end());
        EXPECT_EQ(sources, (std::vector<std::string>{"Failure in CAMPAIGN", "Failure in VHLOG3"})) << message;
    }
    EXPECT_EQ(game.Block(), before);
    campaign.DetachFromBus();
}

} // namespace
