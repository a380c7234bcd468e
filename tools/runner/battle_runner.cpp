#include "tools/runner/battle_runner.h"

#include "core/container.h"
#include "game/ai/player/vh_ai_factory.h"
#include "game/logic/game_random.h"
#include "game/logic/referee/computer_player.h"
#include "game/logic/referee/game_control.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "game/units/group.h"
#include "game/units/leader.h"
#include "platform/clock.h"
#include "platform/msgbox.h"
#include "platform/path.h"
#include "core/message_registry.h"
#include "tests/shell/game_shell.h"
#include "tools/datagen/variant_file.h"
#include "tools/runner/side_relay.h"

#include <algorithm>
#include <cctype>
#include <memory>

namespace runner {

namespace {

const char* const ScenarioFiles[ScenarioCount] = {"FBULLRN.SCN", "ANTIETA.SCN", "BRANDYS.SCN", "GETTYSB.SCN",
                                                  "WILDERN.SCN", "FIVEFOR2.SCN", "CEDRCRK.SCN", "GAINESM.SCN",
                                                  "SBULLRN.SCN", "CEDRMNT.SCN"};

constexpr int StepMilliseconds = 1000;
constexpr int SecondsPerTurn = 7200;

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The commentary marks bold text with \B ... \b and a side's names with \N<side> ... \n; a
// plain line reads better without them.
std::string Plain(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '\\' && (next == 'B' || next == 'b' || next == 'n')) {
            ++i;
            continue;
        }
        if (text[i] == '\\' && next == 'N') {
            i += i + 2 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 2])) ? 2 : 1;
            continue;
        }
        out += text[i];
    }
    return out;
}

// Installs a factory for the lifetime of one battle and puts the previous one back.
class FactoryScope {
public:
    explicit FactoryScope(ComputerPlayerFactory* factory) : previous(GetComputerPlayerFactory()) {
        SetComputerPlayerFactory(factory);
    }
    ~FactoryScope() { SetComputerPlayerFactory(previous); }
    FactoryScope(const FactoryScope&) = delete;
    FactoryScope& operator=(const FactoryScope&) = delete;

private:
    ComputerPlayerFactory* previous;
};

std::vector<std::string> MessagesSince(std::size_t first) {
    std::vector<std::string> out;
    for (std::size_t i = first; i < platform::ShownMessageBoxCount(); ++i) out.push_back(platform::ShownMessageBox(i).text);
    return out;
}

std::string SideName(const VhLogicalLayer& layer, std::uint32_t side) {
    const VhLogicalLayer::ScenarioSettings& s = layer.GetScenario();
    if (static_cast<std::int32_t>(side) == s.homeNation) return s.homeName;
    if (static_cast<std::int32_t>(side) == s.visitingNation) return s.visitingName;
    return "side " + std::to_string(side);
}

} // namespace

std::string ScenarioFileOf(int index) {
    return index >= 0 && index < ScenarioCount ? ScenarioFiles[index] : std::string();
}

int ScenarioIndexOf(const std::string& file, const std::string& dataDirectory) {
    const std::string name = Upper(file);
    for (int i = 0; i < ScenarioCount; ++i)
        if (name == ScenarioFiles[i]) return i;
    // A variant's objectives are those of its battle.
    std::vector<std::uint8_t> bytes;
    const std::size_t dot = file.rfind('.');
    if (!dataDirectory.empty() && dot != std::string::npos &&
        platform::ReadWholeFile(dataDirectory + "\\" + file.substr(0, dot) + ".VAR", bytes))
        if (const auto variant = datagen::ReadVariant(bytes);
            variant && Upper(variant->scenarioFile) == name && variant->scenarioIndex >= 0 &&
            variant->scenarioIndex < ScenarioCount)
            return variant->scenarioIndex;
    return ScenarioCount;
}

BattleResult PlayBattle(const BattleOptions& options, const std::function<void(const std::string&)>& commentary,
                        const std::function<void(const std::string&)>& story) {
    BattleResult result;
    auto shell = std::make_unique<shell::GameShell>();
    // The clock starts where the seed says: the turn sequence reseeds the game's random source
    // from it at every activation, so the seed decides the whole battle.
    platform::UseVirtualClock(1000u + options.seed);
    SeedGameRandom(options.seed);
    const std::size_t firstBox = platform::ShownMessageBoxCount();
    shell->App().SetDataDirectory(options.dataDirectory);
    VhLogicalLayer& layer = shell->Layer();
    std::unique_ptr<SideRelay> visitingPlayer;
    std::unique_ptr<BattleWatch> watch;
    std::size_t said = 0;
    auto passOnCommentary = [&] {
        const std::vector<std::string>& lines = shell->Application().commentary;
        for (; said < lines.size(); ++said) {
            const std::string line = Plain(lines[said]);
            if (watch) watch->Heard(line);
            if (commentary) commentary(line);
        }
    };
    auto finish = [&](BattleResult::Outcome outcome, const std::string& problem) {
        passOnCommentary();
        result.outcome = outcome;
        result.problem = problem;
        result.messages = MessagesSince(firstBox);
        if (options.keepDisplayLog) {
            result.display = std::make_shared<shell::DisplayLog>(shell->Display());
            for (const LogicalCommandInfo& c : result.display->commands)
                result.displayCommandNames.push_back(MessageName(static_cast<int>(c.command.Number() & 0x0FFFFFFFu)));
        }
        if (GameControl* control = layer.GetGameControl()) {
            result.lastTurn = control->GetLastTurn();
            result.turnsPlayed = control->GetTurn();
        }
        if (watch) result.turnsPlayed = watch->TurnsBegun();
        if (auto* relay = dynamic_cast<SideRelay*>(layer.GetComputerPlayer(true))) {
            result.activations[0] = relay->ActivationsPassed();
            result.heldBack[0] = relay->ActivationsHeldBack();
        }
        if (visitingPlayer) {
            result.activations[1] = visitingPlayer->ActivationsPassed();
            result.heldBack[1] = visitingPlayer->ActivationsHeldBack();
        }
        if (GameControl* control = layer.GetGameControl())
            for (int k = 0; k < control->GetObjectiveCount(); ++k) {
                ObjectiveOutcome o;
                o.points = control->GetObjective(k).points;
                o.atEnd = control->GetObjective(k).holder;
                o.onField = control->HolderOnField(k);
                o.atStart = watch && k < static_cast<int>(watch->StartHolders().size()) ? watch->StartHolders()[static_cast<std::size_t>(k)] : -1;
                result.objectives.push_back(o);
            }
        if (watch) {
            result.tally[0] = watch->Tally(0);
            result.tally[1] = watch->Tally(1);
            result.automaticWin = watch->AutomaticWin();
            watch->DetachFromBus();
            watch.reset();
        }
        // The visiting player goes before the battle it plays in; the game is closed as the
        // program closes it, which also resets what the unit classes keep between battles.
        visitingPlayer.reset();
        shell->CloseGame();
        shell.reset();
        return result;
    };

    shell->LoadScenario(options.scenarioFile, options.scenarioIndex, options.seed);
    if (shell->Application().gameEnded || shell->Application().teams.empty() || !layer.GetGameControl()) {
        const std::vector<std::string> boxes = MessagesSince(firstBox);
        return finish(BattleResult::Outcome::LoadFailed,
                      "The scenario " + options.scenarioFile + " did not load" + (boxes.empty() ? "." : ": " + boxes.back()));
    }
    watch = std::make_unique<BattleWatch>(layer, story);
    watch->AttachToBus(&shell->App());
    const VhLogicalLayer::ScenarioSettings& scenario = layer.GetScenario();
    const std::int32_t home = scenario.homeNation, visiting = scenario.visitingNation;

    // The player's answers to the leader-control dialog: the computer plays the home side, so
    // the game makes the home side's computer player itself.
    ComputerPlayerFactory& players = options.players ? *options.players : VhAIFactory();
    RelayingFactory homeFactory(players, static_cast<std::uint32_t>(home));
    FactoryScope scope(&homeFactory);
    layer.SetSideValue(home, 1);
    layer.SetSideValue(visiting, 0);
    {
        Container<TeamInfoStruct> teams(shell->Application().teams.back());
        delete layer.SendNamed("InitializeScenario", &teams);
    }
    shell->Run(0);
    if (shell->Application().gameEnded || !layer.GetComputerPlayer(true)) {
        const std::vector<std::string> boxes = MessagesSince(firstBox);
        return finish(BattleResult::Outcome::ScriptFailed,
                      "The home side's computer player could not start (" + layer.GetScriptName() + ")" +
                          (boxes.empty() ? "." : ": " + boxes.back()));
    }

    // The second computer player, for the runner only: the visiting leaders become
    // computer-played, and their activations go to a player of their own.
    List<Leader*>& visitors = visiting == layer.GetSecondNation() ? layer.GetSecondNationLeaders() : layer.GetFirstNationLeaders();
    for (Item<Leader*>* i = visitors.Head(); i; i = i->next) {
        i->value->SetAIControlled(1);
        if (!layer.GetComputerLeaders().Contains(i->value)) layer.GetComputerLeaders().AddTail(i->value);
    }
    const std::vector<std::string>& scripts = scenario.visitingScripts;
    if (scripts.empty()) return finish(BattleResult::Outcome::ScriptFailed, "The visiting side has no script.");
    const std::string script = scripts[options.seed % scripts.size()];
    visitingPlayer = std::make_unique<SideRelay>(static_cast<std::uint32_t>(visiting), false);
    visitingPlayer->Adopt(players.Create(layer.GetLandscape()));
    visitingPlayer->AttachToBus(&layer);
    players.SetLists(visitingPlayer->Player(), &layer.GetCombatUnits(), &layer.GetLeaders(), &layer.GetGroups());
    if (!players.CompileScript(visitingPlayer->Player(), options.dataDirectory + "\\" + script))
        return finish(BattleResult::Outcome::ScriptFailed,
                      "The visiting side's script " + script + " is missing or damaged.");

    GameControl* control = layer.GetGameControl();
    control->SetDeploymentPhase(0);
    control->SetTurnLimitOn(1);
    if (options.turnLimit > 0) control->SetLastTurn(static_cast<std::int16_t>(options.turnLimit));
    const int lastTurn = std::max<int>(control->GetLastTurn(), 1);
    const int budget = options.budgetSeconds > 0 ? options.budgetSeconds : (lastTurn + 1) * SecondsPerTurn;
    // Every end-of-turn screen is clicked through at once.
    shell->GrantTurns(1 << 20);
    watch->StartFrom();
    {
        Container<short> fresh(0);
        shell->App().Post(&shell->App(), BEGIN_GAME, &fresh);
    }

    auto progress = [&] {
        const auto* homePlayer = dynamic_cast<SideRelay*>(layer.GetComputerPlayer(true));
        return std::vector<long long>{control->GetTurn(),
                                      homePlayer ? homePlayer->ActivationsPassed() : 0,
                                      visitingPlayer->ActivationsPassed(),
                                      static_cast<long long>(shell->Application().commentary.size())};
    };
    std::vector<long long> seen = progress();
    int quiet = 0;
    for (int t = 0;; t += StepMilliseconds / 1000) {
        result.secondsPlayed = t;
        passOnCommentary();
        if (shell->Application().gameEnded) {
            if (shell->Application().endOfGame.empty())
                return finish(BattleResult::Outcome::Broken, "The game ended without its results.");
            result.results = shell->Application().endOfGame.back();
            return finish(BattleResult::Outcome::Ended, std::string());
        }
        if (t >= budget)
            return finish(BattleResult::Outcome::OutOfTime, "The battle was still on turn " + std::to_string(control->GetTurn() + 1) +
                                                                " of " + std::to_string(lastTurn + 1) + " after " +
                                                                std::to_string(budget) + " seconds of game time.");
        if (quiet >= options.stallSeconds) {
            std::string who = "no leader";
            if (Group* g = layer.GetActiveGroup(); g && g->GetLeader())
                who = g->GetLeader()->GetName() + " (" + SideName(layer, g->GetLeader()->GetSide()) + ")";
            return finish(BattleResult::Outcome::Stalled, "Nothing happened for " + std::to_string(options.stallSeconds) +
                                                              " seconds of game time on turn " +
                                                              std::to_string(control->GetTurn() + 1) +
                                                              "; the active leader was " + who + ".");
        }
        shell->Run(StepMilliseconds - 50);
        const std::vector<long long> now = progress();
        quiet = now == seen ? quiet + StepMilliseconds / 1000 : 0;
        seen = now;
    }
}

namespace {

// The points a side scores: the enemy's losses, and its objectives once the turn limit is past
// (as the end of the game counts them).
struct Score {
    int losses, objectives, target;
};

Score ScoreOf(const BattleResult& result, int slot, bool withObjectives) {
    const EndOfGameResults& r = result.results;
    return Score{r.lostPoints[1 - slot], withObjectives ? r.objectivePoints[slot] : 0, r.victoryTarget[slot]};
}

std::string Padded(const std::string& text, std::size_t width, bool right = true) {
    if (text.size() >= width) return text;
    return right ? std::string(width - text.size(), ' ') + text : text + std::string(width - text.size(), ' ');
}

} // namespace

std::string EndReason(const BattleResult& result) {
    if (!result.Ended()) return "not ended";
    if (result.automaticWin) return "an automatic win";
    const EndOfGameResults& r = result.results;
    const std::string names[2] = {r.homeName, r.visitingName};
    for (int s = 0; s < 2; ++s)
        if (r.eliminatedCount[s] >= r.unitCount[s]) return "the " + names[s] + " side's losses (all units lost)";
    const bool pastLimit = result.turnsPlayed > result.lastTurn;
    std::string reached;
    for (int s = 0; s < 2; ++s) {
        const Score score = ScoreOf(result, s, pastLimit);
        if (score.losses + score.objectives >= score.target)
            reached += std::string(reached.empty() ? "" : " and ") + "the " + names[s] + " side's victory target";
    }
    if (pastLimit) return reached.empty() ? "the turn limit" : "the turn limit, with " + reached;
    return reached.empty() ? "the end of the game" : reached;
}

std::string DescribeResult(const BattleResult& result) {
    if (!result.Ended()) return result.problem;
    const EndOfGameResults& r = result.results;
    std::string out;
    if (r.winner == r.home) out = "Winner: " + r.homeName + "\n";
    else if (r.winner == r.visiting) out = "Winner: " + r.visitingName + "\n";
    else out = "No winner\n";
    // The home side scores the visiting side's losses (slot 1) and its own objectives (slot 0).
    struct Side {
        const std::string& name;
        int losses, objectives, target;
    } sides[2] = {
        {r.homeName, r.lostPoints[1], r.objectivePoints[0], r.victoryTarget[0]},
        {r.visitingName, r.lostPoints[0], r.objectivePoints[1], r.victoryTarget[1]},
    };
    for (const Side& s : sides)
        out += s.name + ": " + std::to_string(s.losses + s.objectives) + " points (" + std::to_string(s.losses) +
               " for enemy losses, " + std::to_string(s.objectives) + " for objectives held; target " +
               std::to_string(s.target) + ")\n";
    // Turns count from 0 and the limit names the last one, so a limit of 10 allows 11 turns,
    // shown as Turn 1 to Turn 11.
    out += "Turns played: " + std::to_string(result.turnsPlayed) + " of " + std::to_string(result.lastTurn + 1) + "\n";
    out += "Ended by " + EndReason(result) + "\n";
    out += "Routed at the end: " + r.homeName + " " + std::to_string(r.routedCount[0]) + " (" +
           std::to_string(r.routedPoints[0]) + " points), " + r.visitingName + " " + std::to_string(r.routedCount[1]) +
           " (" + std::to_string(r.routedPoints[1]) + " points)\n";

    const std::size_t w = std::max<std::size_t>({12, r.homeName.size() + 2, r.visitingName.size() + 2});
    out += "\n" + Padded("", 18, false) + Padded(r.homeName, w) + Padded(r.visitingName, w) + "\n";
    const auto row = [&](const char* what, int SideTally::*field) {
        out += Padded(what, 18, false) + Padded(std::to_string(result.tally[0].*field), w) +
               Padded(std::to_string(result.tally[1].*field), w) + "\n";
    };
    row("volleys", &SideTally::volleys);
    row("shock combats", &SideTally::shockCombats);
    row("routs", &SideTally::routs);
    row("units lost", &SideTally::unitsLost);
    row("leaders fallen", &SideTally::leadersLost);
    row("objectives taken", &SideTally::objectivesTaken);
    row("orders", &SideTally::orders);
    row("ordered again", &SideTally::reorderHits);
    return out;
}

} // namespace runner

namespace runner {

std::string ReportHeading(const std::string& home, const std::string& visiting) {
    const auto side = [](const std::string& name) {
        return Padded(name.substr(0, 11), 11, false) + "  vol shk rout lost obj  points";
    };
    return "seed  " + Padded("winner", 13, false) + Padded("ended by", 16, false) + "| " + side(home) + " | " +
           side(visiting) + " | again/orders";
}

std::string ReportLine(std::uint16_t seed, const BattleResult& result) {
    std::string out = Padded(std::to_string(seed), 4, false) + "  ";
    if (!result.Ended()) return out + "FAILED: " + result.problem;
    const EndOfGameResults& r = result.results;
    const std::string winner = r.winner == r.home ? r.homeName : r.winner == r.visiting ? r.visitingName : "none";
    std::string reason = EndReason(result);
    if (reason.rfind("the turn limit", 0) == 0) reason = "turn limit";
    else if (reason.find("losses") != std::string::npos) reason = "losses";
    else if (reason.find("automatic") != std::string::npos) reason = "automatic win";
    else reason = "target";
    out += Padded(winner.substr(0, 12), 13, false) + Padded(reason, 16, false);
    int again = 0, orders = 0;
    for (int s = 0; s < 2; ++s) {
        const SideTally& t = result.tally[s];
        out += "| " + Padded("", 11, false) + Padded(std::to_string(t.volleys), 5) + Padded(std::to_string(t.shockCombats), 4) +
               Padded(std::to_string(t.routs), 5) + Padded(std::to_string(t.unitsLost), 5) +
               Padded(std::to_string(t.objectivesTaken), 4) +
               Padded(std::to_string(r.lostPoints[1 - s]) + "+" + std::to_string(r.objectivePoints[s]) + "/" +
                          std::to_string(r.victoryTarget[s]),
                      12) +
               " ";
        again += t.reorderHits;
        orders += t.orders;
    }
    out += "| " + std::to_string(again) + "/" + std::to_string(orders);
    return out;
}

} // namespace runner
