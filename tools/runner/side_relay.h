#pragma once
// One computer player per side for a battle the computer plays against itself. The game makes a
// computer player for one side only and hands it every "InitAILeader" on the logical layer's bus;
// with both sides computer-played, two players on that bus would both answer each activation.
// So each player sits on a relay bus of its own, attached to the layer, that lets through
// "InitAILeader" only for groups of its side; everything else passes both ways, and the players
// ignore steps and completions outside an activation of their own.
//
// Invariants: a relay owns its player (attached to the relay from construction to destruction);
// an "InitAILeader" coming down from the layer reaches at most one relay's player when the
// relays' sides differ and at most one of them takes groups without a side.
#include "core/async_bus.h"
#include "game/logic/referee/computer_player.h"

#include <cstdint>

class Group;

namespace runner {

class SideRelay : public AsynchronousBus {
public:
    // A relay for the side's activations; takesSideless also passes groups whose side cannot be
    // told (no leader and no units), so that such an activation still has one player.
    SideRelay(std::uint32_t side, bool takesSideless);
    ~SideRelay() override;

    // Attaches the player to this relay and takes it over.
    void Adopt(Component* player);
    Component* Player() const { return player; }
    std::uint32_t Side() const { return side; }
    int ActivationsPassed() const { return passed; }
    int ActivationsHeldBack() const { return heldBack; }

    void Post(Component* sender, BusMessage event, ContainerBase* payload) override;
    ContainerBase* PostAndWait(Component* sender, BusMessage event, ContainerBase* payload) override;
    using AsynchronousBus::Post;
    using AsynchronousBus::PostAndWait;

    // The side of a group: its leader's, else its first unit's; -1 when it has neither.
    static std::int64_t SideOf(const Group* group);

private:
    // Whether an event coming down from the layer reaches the player; counts the activations.
    bool Passes(Component* sender, BusMessage event, ContainerBase* payload);

    std::uint32_t side;
    bool takesSideless;
    // The number of "InitAILeader" in this application's registry (each application numbers
    // named messages afresh).
    int activation;
    Component* player = nullptr;
    int passed = 0;
    int heldBack = 0;
};

// Makes the layer's computer player inside a relay for one side, through another factory.
class RelayingFactory : public ComputerPlayerFactory {
public:
    RelayingFactory(ComputerPlayerFactory& wrapped, std::uint32_t forSide) : inner(wrapped), side(forSide) {}

    Component* Create(VhLogicalLandscape* landscape) override;
    void SetLists(Component* player, List<Combat*>* units, List<Leader*>* leaders, List<Group*>* groups) override;
    int CompileScript(Component* player, const std::string& path) override;

    // The player inside a relay made here; null for anything else.
    static Component* Inner(Component* relay);

private:
    ComputerPlayerFactory& inner;
    std::uint32_t side;
};

} // namespace runner
