#pragma once
// How the logical layer makes a computer player. The computer player's library sits above the
// referee (it links against it), so the layer cannot name its class; the program installs a
// factory instead, and the layer drives it through the same steps whatever it makes: create for
// the landscape, attach to the layer's bus, hand over the lists, compile the side's script. The
// layer owns what the factory creates and deletes it through Component's virtual destructor.
//
// Without an installed factory the layer makes no computer player.
#include <string>

class Combat;
class Component;
class Group;
class Leader;
class VhLogicalLandscape;
template <class T>
class List;

class ComputerPlayerFactory {
public:
    virtual ~ComputerPlayerFactory();

    // A new computer player for the landscape, not yet attached to a bus.
    virtual Component* Create(VhLogicalLandscape* landscape) = 0;
    // Hands a player made by Create the layer's lists; they outlive the player.
    virtual void SetLists(Component* player, List<Combat*>* units, List<Leader*>* leaders, List<Group*>* groups) = 0;
    // Compiles the script file into a player made by Create and runs its top-level code; non-zero
    // when it compiled.
    virtual int CompileScript(Component* player, const std::string& path) = 0;
};

// The installed factory (not owned), or null.
ComputerPlayerFactory* GetComputerPlayerFactory();
// Installs a factory (not owned); null removes it.
void SetComputerPlayerFactory(ComputerPlayerFactory* factory);
