#pragma once
// A player for both sides of a headless battle. It gives orders only through what a player's
// clicks make (REGION_SELECTED on a unit's hex, then on a destination; "LeaderFinishLeader" when
// the leader is done), so a battle it plays goes through the same bus messages as a real one.
// Each activated leader's units march toward the nearest hex of an objective or, in a battle
// without objectives, toward the nearest enemy.
#include "tests/shell/game_shell.h"

#include <cstdint>
#include <string>
#include <vector>

class Combat;
class Leader;

namespace shell {

class BattleDriver {
public:
    explicit BattleDriver(GameShell& game) : shell(game) {}

    // As the application starts a loaded battle: every leader is this machine's, no deployment
    // screen, the turn limit as given, then BEGIN_GAME (resumed: a battle read from a saved game).
    void StartBattle(bool turnLimit = true, bool resumed = false);
    Leader* ActiveLeader() const;
    // Moves each unit the active leader can order one step closer to its goal, where a legal
    // destination is closer; the number of units moved.
    int OrderActiveLeader();
    // The active leader finishes; the game runs until the next leader is active or it waits.
    void FinishActivation();
    // Orders and finishes activations until the game is over, viewing the objectives as each turn
    // begins; false when the game still is not over after maxActivations.
    bool PlayToEnd(int maxActivations);
    bool IsGameOver() const;
    // What the player's look at the objectives screen does: asks who holds each objective, which
    // brings the holders up to date with the units on them.
    void ViewObjectives();
    // One line per order given and per activation, for comparing two runs.
    const std::vector<std::string>& Log() const { return log; }

private:
    void Click(std::uint16_t hex);
    // The goal hexes of a side: the objectives not held by it, else the enemy's units on the map.
    std::vector<std::uint16_t> Goals(std::uint32_t side) const;
    int Distance(std::uint16_t from, const std::vector<std::uint16_t>& goals) const;
    // The selected unit's legal end closest to a goal; its own hex when none is closer.
    std::uint16_t Closest(Combat* unit, const std::vector<std::uint16_t>& goals);

    GameShell& shell;
    std::vector<std::string> log;
};

} // namespace shell
