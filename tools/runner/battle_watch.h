#pragma once
// What a battle the runner plays amounts to, side by side: volleys, shock combats, routs, units
// lost, objectives taken and orders given, from what the game announces on its bus (the same
// records the combat results and end-of-game screens show). The watch only listens; it changes
// nothing in the battle, so a battle watched replays exactly as one that is not.
#include "core/component.h"
#include "game/logic/combat_records.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class VhLogicalLayer;

namespace runner {

// One side's count. Slot 0 is the home side, slot 1 the visiting side.
struct SideTally {
    int volleys = 0;          // missile fire of every kind (ordered, return and reaction fire)
    int shockCombats = 0;     // shock combats this side attacked in
    int routs = 0;            // its units that routed
    int unitsLost = 0;        // its fighting units eliminated (wagons and batteries included)
    int leadersLost = 0;      // its leaders fallen
    int objectivesTaken = 0;  // objectives that passed into its hands
    int orders = 0;           // unit orders given (moves, volleys ordered, charges, rallies, recoveries)
    int reorderHits = 0;      // morale hits its units took for being ordered again in a turn
};

class BattleWatch : public Component {
public:
    // Lines of the battle's story (a shock combat's result, a unit lost, an objective taken) go
    // to the callback as they happen.
    BattleWatch(VhLogicalLayer& layer, std::function<void(const std::string&)> story);

    void Connect() override;
    // The objectives' holders as the battle begins; taking starts from them.
    void StartFrom();
    // Looks at the objectives' holders (the controller brings them up to date whenever it takes
    // the score: at each end of turn and at the end of the game).
    void LookAtObjectives();
    // A commentary line, for the morale hits of orders given again.
    void Heard(const std::string& line);

    const SideTally& Tally(int slot) const { return tally[slot & 1]; }
    const std::vector<std::int32_t>& StartHolders() const { return startHolders; }
    bool AutomaticWin() const { return automaticWin; }
    // The turns begun so far (the last one begun counts, whether or not it was played out).
    int TurnsBegun() const { return turnBegun + 1; }

private:
    static ContainerBase* OnVolley(Component* c, BusMessage, ContainerBase* p);
    static ContainerBase* OnCombatResults(Component* c, BusMessage, ContainerBase* p);
    static ContainerBase* OnEliminated(Component* c, BusMessage, ContainerBase* p);
    static ContainerBase* OnRouted(Component* c, BusMessage, ContainerBase* p);
    static ContainerBase* OnOrder(Component* c, BusMessage, ContainerBase* p);
    static ContainerBase* OnAttack(Component* c, BusMessage, ContainerBase* p);
    static ContainerBase* OnAutomaticWin(Component* c, BusMessage, ContainerBase* p);
    static ContainerBase* OnScoreTaken(Component* c, BusMessage, ContainerBase* p);
    static ContainerBase* OnBeginTurn(Component* c, BusMessage, ContainerBase* p);

    // 0 home, 1 visiting, -1 neither.
    int SlotOfNation(std::int32_t nation) const;
    int SlotOfUnit(std::uint16_t unit) const;
    int SlotOfName(const std::string& name) const;
    std::string SideName(int slot) const;
    std::string TurnText() const;
    void Say(const std::string& line);

    VhLogicalLayer& layer;
    std::function<void(const std::string&)> story;
    SideTally tally[2];
    std::vector<std::int32_t> holders;
    std::vector<std::int32_t> startHolders;
    bool automaticWin = false;
    // The number of the turn last begun, counted from 0; -1 before the first. The controller's
    // own counter already stands one past the last turn when the game ends after it, so the
    // story takes its turn from here.
    int turnBegun = -1;
};

} // namespace runner
