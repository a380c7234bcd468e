#pragma once
// The factory through which the logical layer makes its computer players (one VhAI per side
// the computer plays). The program installs it once at start-up:
//
//     SetComputerPlayerFactory(&VhAIFactory());
#include "game/logic/referee/computer_player.h"

class VhAI;

class VhAICreator : public ComputerPlayerFactory {
public:
    Component* Create(VhLogicalLandscape* landscape) override;
    void SetLists(Component* player, List<Combat*>* units, List<Leader*>* leaders, List<Group*>* groups) override;
    int CompileScript(Component* player, const std::string& path) override;

    // The VhAI behind a player this factory made; null for anything else.
    static VhAI* AsVhAI(Component* player);
};

// The program's one factory of VhAI players.
VhAICreator& VhAIFactory();
