#include "tests/shell/battle_driver.h"

#include "game/logic/referee/game_control.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/combat.h"
#include "game/units/leader.h"

#include <climits>

namespace shell {

void BattleDriver::StartBattle(bool turnLimit, bool resumed) {
    VhLogicalLayer& layer = shell.Layer();
    if (!shell.Application().teams.empty()) {
        Container<TeamInfoStruct> teams(shell.Application().teams.back());
        delete layer.SendNamed("InitializeScenario", &teams);
        shell.Run(0);
    }
    if (GameControl* control = layer.GetGameControl()) {
        control->SetDeploymentPhase(0);
        control->SetTurnLimitOn(turnLimit ? 1 : 0);
    }
    Container<short> how(resumed ? 1 : 0);
    shell.Host().Post(&shell.Host(), BEGIN_GAME, &how);
    shell.Run(200);
}

Leader* BattleDriver::ActiveLeader() const {
    for (Item<Leader*>* i = shell.Layer().GetLeaders().Head(); i; i = i->next)
        if (i->value->IsActive()) return i->value;
    return nullptr;
}

bool BattleDriver::IsGameOver() const {
    const GameControl* control = shell.Layer().GetGameControl();
    return !shell.Application().endOfGame.empty() || (control && control->IsGameOver());
}

void BattleDriver::Click(std::uint16_t hex) {
    Container<short> where(static_cast<short>(hex));
    shell.Layer().Post(REGION_SELECTED, &where);
    shell.Run(0);
}

std::vector<std::uint16_t> BattleDriver::Goals(std::uint32_t side) const {
    std::vector<std::uint16_t> goals;
    if (const GameControl* control = shell.Layer().GetGameControl()) {
        for (int k = 0; k < control->GetObjectiveCount(); ++k) {
            const Objective& o = control->GetObjective(k);
            if (o.holder == static_cast<std::int32_t>(side)) continue;
            for (Item<short>* h = o.hexes.Head(); h; h = h->next) goals.push_back(static_cast<std::uint16_t>(h->value));
        }
    }
    if (!goals.empty()) return goals;
    for (Item<Combat*>* i = shell.Layer().GetCombatUnits().Head(); i; i = i->next)
        if (i->value->GetSide() != side && i->value->IsOnMap()) goals.push_back(i->value->GetLocation());
    return goals;
}

int BattleDriver::Distance(std::uint16_t from, const std::vector<std::uint16_t>& goals) const {
    int best = INT_MAX;
    for (std::uint16_t g : goals) {
        const int d = shell.Layer().GetLandscape()->RegionDistance(from, g);
        if (d >= 0 && d < best) best = d;
    }
    return best;
}

std::uint16_t BattleDriver::Closest(Combat* unit, const std::vector<std::uint16_t>& goals) {
    const std::uint16_t from = unit->GetLocation();
    std::uint16_t best = from;
    int bestDistance = Distance(from, goals);
    for (Item<short>* d = unit->GetLegalDestinations().Head(); d; d = d->next) {
        const auto hex = static_cast<std::uint16_t>(d->value);
        if (!unit->IsLegalEnd(hex)) continue;
        const int distance = Distance(hex, goals);
        if (distance < bestDistance) best = hex, bestDistance = distance;
    }
    return best;
}

int BattleDriver::OrderActiveLeader() {
    Leader* leader = ActiveLeader();
    if (!leader || !shell.Layer().GetLandscape()) return 0;
    int moved = 0;
    // A snapshot of the units: a move may reorder the battlefield's lists, never the layer's.
    std::vector<Combat*> units;
    for (Item<Combat*>* i = shell.Layer().GetCombatUnits().Head(); i; i = i->next)
        if (i->value->GetSide() == leader->GetSide() && i->value->IsOnMap()) units.push_back(i->value);
    for (Combat* unit : units) {
        if (!unit->IsOnMap() || unit->HasActed() || unit->IsUsedThisTurn()) continue;
        const std::uint16_t from = unit->GetLocation();
        if (shell.Layer().GetLandscape()->FirstUnitIn(from) != unit) continue;
        Click(from);
        if (!unit->IsSelected()) continue;
        const std::vector<std::uint16_t> goals = Goals(unit->GetSide());
        std::uint16_t best = Closest(unit, goals);
        // A unit facing away from its goal turns, a side at a time, until a step leads closer or
        // it has gone round once.
        const bool inContact = Distance(from, goals) <= 1;
        for (int turns = 0; !inContact && best == from && turns < 5 && unit->IsSelected(); ++turns) {
            const std::uint32_t facing = unit->GetFacing();
            shell.Layer().PostNamedEvent("RotateRight");
            shell.Run(0);
            if (unit->GetFacing() == facing) break;
            log.push_back(unit->GetName() + " faces " + std::to_string(unit->GetFacing()));
            best = Closest(unit, goals);
        }
        if (best != from) {
            Click(best);
            if (unit->GetLocation() != from) {
                ++moved;
                log.push_back(unit->GetName() + " " + std::to_string(from) + ">" + std::to_string(unit->GetLocation()));
            }
        }
        // A click on its own hex puts the unit down.
        if (unit->IsSelected()) Click(unit->GetLocation());
    }
    return moved;
}

void BattleDriver::FinishActivation() {
    shell.Layer().PostNamedEvent("LeaderFinishLeader");
    shell.Run(1500);
}

void BattleDriver::ViewObjectives() {
    const GameControl* control = shell.Layer().GetGameControl();
    if (!control) return;
    for (short k = 0; k < control->GetObjectiveCount(); ++k) {
        Container<short> number(k);
        delete shell.Layer().SendNamed("GetObjectiveHolder", &number);
    }
}

bool BattleDriver::PlayToEnd(int maxActivations) {
    int viewedTurn = -1;
    for (int k = 0; k < maxActivations && !IsGameOver(); ++k) {
        if (const GameControl* control = shell.Layer().GetGameControl(); control && control->GetTurn() != viewedTurn) {
            viewedTurn = control->GetTurn();
            ViewObjectives();
        }
        if (Leader* leader = ActiveLeader()) {
            log.push_back("activated " + leader->GetName());
            OrderActiveLeader();
        } else if (shell.HeldEndOfTurnScreens() > 0) {
            shell.ReleaseEndOfTurn();
            shell.Run(200);
            continue;
        }
        FinishActivation();
    }
    return IsGameOver();
}

} // namespace shell
