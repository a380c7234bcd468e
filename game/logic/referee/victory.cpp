// The score of a battle: tallies of losses and routs, objective holders, victory points and the
// test for the end of the game.
#include "game/logic/referee/game_control.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/leader.h"

namespace {
// Elimination and rout records carry the unit kind in their state word. Rampaging units (13) and
// the kinds that are eliminated when they break instead of routing (chariots 14, batteries 15,
// supply wagons 17) never enter the rout tallies, so their elimination must not leave them
// either; a leader's -1 is no combat unit at all. Both handlers use this one list.
bool OutsideRoutTallies(std::int32_t state) {
    return state == 13 || state == 14 || state == 15 || state == 17 || state == -1;
}

// A tally of routed units only counts what is on the field; a report that would take it below
// nothing (a unit that was never counted) leaves it at nothing.
void TakeOff(std::int16_t& tally, int amount) {
    const int left = tally - amount;
    tally = static_cast<std::int16_t>(left < 0 ? 0 : left);
}
} // namespace

int GameControl::SlotOfNation(std::int32_t nation) const {
    if (nation == homeNation) return 0;
    if (nation == visitingNation) return 1;
    return -1;
}

void GameControl::OnUnitEliminated(const EliminateUnitData& record) {
    const int slot = SlotOfNation(record.nation);
    if (gameBegun && slot >= 0) {
        lostPoints[slot] = static_cast<std::int16_t>(lostPoints[slot] + record.points);
        if (!OutsideRoutTallies(record.state)) {
            TakeOff(routedPoints[slot], record.points);
            TakeOff(routedCount[slot], 1);
        }
        // Only combat units count against the units a side started with: a fallen leader (state
        // -1) fights on as its replacement, and counting it would let a side be called wiped out
        // while units of it still stand, or never be called so.
        if (record.state != -1) ++eliminatedCount[slot];
    }
    for (int i = 0; i < leaderCount; ++i) {
        const Leader* l = leaders[i].leader;
        if (!l || l->GetUnitNum() != record.unit) continue;
        leaderDone[i] = 1;
        if (i == currentLeader) currentLeader = -1;
        break;
    }
}

void GameControl::OnUnitRouted(const UnitRoutData& record) {
    const int slot = record.nation == homeNation ? 0 : 1;
    if (OutsideRoutTallies(record.state)) return;
    routedPoints[slot] = static_cast<std::int16_t>(routedPoints[slot] + record.points);
    ++routedCount[slot];
}

void GameControl::OnUnitRallied(const UnitRoutData& record) {
    const int slot = record.nation == homeNation ? 0 : 1;
    if (OutsideRoutTallies(record.state)) return;
    TakeOff(routedPoints[slot], record.points);
    TakeOff(routedCount[slot], 1);
}

std::int16_t GameControl::GetObjectivePoints(int sideFlag) const {
    const std::int32_t nation = sideFlag ? homeNation : visitingNation;
    int sum = 0;
    for (int i = 0; i < objectiveCount; ++i)
        if (objectives[i].holder == nation) sum += objectives[i].points;
    return static_cast<std::int16_t>(sum);
}

std::int16_t GameControl::GetVictoryPoints(int sideFlag, bool withObjectives) const {
    int points = sideFlag ? lostPoints[1] : lostPoints[0];
    if (withObjectives) points += GetObjectivePoints(sideFlag);
    return static_cast<std::int16_t>(points);
}

bool GameControl::CheckGameOver(bool withObjectives, bool& homeWins) const {
    // A side with nothing left loses, whatever the score; at or past its count, so that no tally
    // can step over the moment.
    if (eliminatedCount[0] >= unitCount[0]) {
        homeWins = false;
        return true;
    }
    if (eliminatedCount[1] >= unitCount[1]) {
        homeWins = true;
        return true;
    }
    const int h = GetVictoryPoints(1, withObjectives), v = GetVictoryPoints(0, withObjectives);
    const int th = victoryTarget[0], tv = victoryTarget[1];
    if (h >= th && v >= tv) {
        homeWins = v - tv < h - th;
        return true;
    }
    if (h >= th) {
        homeWins = true;
        return true;
    }
    if (v >= tv) {
        homeWins = false;
        return true;
    }
    if (turnLimitOn && turn > lastTurn) {
        homeWins = defaultWinner != 0;
        return true;
    }
    return false;
}

EndOfGameResults GameControl::Results(NATION winner) const {
    EndOfGameResults r;
    r.winner = winner;
    r.home = static_cast<NATION>(homeNation);
    r.visiting = static_cast<NATION>(visitingNation);
    r.homeName = homeName;
    r.visitingName = visitingName;
    for (int s = 0; s < 2; ++s) {
        r.lostPoints[s] = lostPoints[s];
        r.routedPoints[s] = routedPoints[s];
        r.routedCount[s] = routedCount[s];
        r.eliminatedCount[s] = eliminatedCount[s];
        r.unitCount[s] = unitCount[s];
        r.victoryTarget[s] = victoryTarget[s];
        r.totalPoints[s] = totalPoints[s];
    }
    r.objectivePoints[0] = GetObjectivePoints(1);
    r.objectivePoints[1] = GetObjectivePoints(0);
    return r;
}

std::int32_t GameControl::HolderOnField(int k) const {
    if (k < 0 || k >= objectiveCount) return -1;
    const Objective& objective = objectives[k];
    if (!landscape) return objective.holder;
    bool hostileTo0 = false, hostileTo1 = false;
    for (const Item<short>* i = objective.hexes.Head(); i; i = i->next) {
        const auto hex = static_cast<std::uint16_t>(i->value);
        if (landscape->IsRegionHostile(hex, 0)) hostileTo0 = true;
        if (landscape->IsRegionHostile(hex, 1)) hostileTo1 = true;
    }
    if (hostileTo0 && hostileTo1) return -1;
    if (hostileTo0) return 1;
    if (hostileTo1) return 0;
    return objective.holder;
}

std::int32_t GameControl::UpdateObjectiveHolder(int k) {
    if (k < 0 || k >= objectiveCount) return -1;
    objectives[k].holder = HolderOnField(k);
    return objectives[k].holder;
}

void GameControl::RefreshObjectiveHolders() {
    if (holdersFixed) return;
    for (int k = 0; k < objectiveCount; ++k) UpdateObjectiveHolder(k);
}
