#pragma once
// A battle played by the computer on both sides, headless, on the game shell: the game makes the
// home side's computer player as it always does ("InitializeScenario" with the home side
// computer-controlled), and the runner adds a second one for the visiting side, marking the
// visiting leaders computer-played itself. Each player sits on a relay bus that passes it only
// its own side's activations (side_relay.h). The battle runs on the virtual clock until the game
// ends, a budget of game time runs out, or nothing happens for too long.
#include "game/logic/combat_records.h"
#include "game/logic/referee/computer_player.h"
#include "tools/runner/battle_watch.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace shell {
struct DisplayLog;
}

namespace runner {

// The game's built-in scenarios: the scenario file of a scenario number (0 to 9); empty for any
// other number.
std::string ScenarioFileOf(int index);
constexpr int ScenarioCount = 10;
// The number of a built-in scenario file (letter case ignored); for another file, the number its
// variant file in the data directory (same name, ".VAR") gives; else 10, a scenario of one's own.
int ScenarioIndexOf(const std::string& file, const std::string& dataDirectory = std::string());

struct BattleOptions {
    std::string dataDirectory;
    std::string scenarioFile;
    std::int32_t scenarioIndex = 0;
    std::uint16_t seed = 1;
    // The last turn; 0 keeps the scenario's own.
    int turnLimit = 0;
    // Game time (seconds) that may pass without a new activation, a new turn or a commentary line
    // before the battle is given up as hung.
    int stallSeconds = 600;
    // Game time (seconds) the whole battle may take; 0 allows two hours a turn.
    int budgetSeconds = 0;
    // What makes the two computer players (not owned); null for the game's own (VhAI).
    ComputerPlayerFactory* players = nullptr;
    // Keep what the display and the pictures were told (BattleResult::display).
    bool keepDisplayLog = false;
};

// One objective at the end of a battle: its points and its holder (a nation, -1 disputed) at the
// start, in the final score, and as the units standing on it decide it.
struct ObjectiveOutcome {
    int points = 0;
    std::int32_t atStart = -1;
    std::int32_t atEnd = -1;
    std::int32_t onField = -1;
};

struct BattleResult {
    enum class Outcome {
        Ended,        // the game ended with its results
        LoadFailed,   // the scenario did not load
        ScriptFailed, // a computer player's script did not compile
        Stalled,      // nothing happened for stallSeconds of game time
        OutOfTime,    // the budget of game time ran out
        Broken,       // the game ended without its results
    };
    Outcome outcome = Outcome::LoadFailed;
    // What went wrong, for a person; empty when the battle ended.
    std::string problem;
    EndOfGameResults results;
    // The last turn's number; turns count from 0, so lastTurn + 1 turns are allowed.
    int lastTurn = 0;
    // The turns begun, the last one whether or not it was played out.
    int turnsPlayed = 0;
    int secondsPlayed = 0;
    // Activations each computer player was given (home, visiting), and those its relay held
    // back because they belonged to the other side.
    int activations[2] = {0, 0};
    int heldBack[2] = {0, 0};
    // Message boxes shown during the battle, in order.
    std::vector<std::string> messages;
    // What each side did (slot 0 home, 1 visiting), and whether an automatic win ended it.
    SideTally tally[2];
    bool automaticWin = false;
    std::vector<ObjectiveOutcome> objectives;
    // The units made and the commands sent to their pictures, when the options asked for them.
    std::shared_ptr<shell::DisplayLog> display;
    // The name of each of those commands (message numbers do not outlive the battle's
    // application); empty for the fixed events, whose numbers stay.
    std::vector<std::string> displayCommandNames;

    bool Ended() const { return outcome == Outcome::Ended; }
};

// Plays one battle. Each commentary line ("AddCommentary") goes to the callback as it comes,
// with the game's bold marks taken out; the battle's story (each shock combat's result, each
// unit lost, each objective taken, "Turn N: " before it) goes to the second callback.
BattleResult PlayBattle(const BattleOptions& options, const std::function<void(const std::string&)>& commentary = {},
                        const std::function<void(const std::string&)>& story = {});

// Why an ended battle ended: "the turn limit", "the Union's losses" (a side wiped out), "the
// Confederates' victory target" (a side's points reached it), "an automatic win".
std::string EndReason(const BattleResult& result);

// The result for a person: the winner, why the battle ended, each side's points by kind, and a
// table of what each side did; or what went wrong.
std::string DescribeResult(const BattleResult& result);

// One line of a report of many battles, and its heading: seed, winner, reason and what each side
// did.
std::string ReportHeading(const std::string& home, const std::string& visiting);
std::string ReportLine(std::uint16_t seed, const BattleResult& result);

} // namespace runner
