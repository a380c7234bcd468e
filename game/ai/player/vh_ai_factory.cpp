#include "game/ai/player/vh_ai_factory.h"

#include "game/ai/player/vh_ai.h"

Component* VhAICreator::Create(VhLogicalLandscape* landscape) { return new VhAI(landscape); }

VhAI* VhAICreator::AsVhAI(Component* player) { return dynamic_cast<VhAI*>(player); }

void VhAICreator::SetLists(Component* player, List<Combat*>* units, List<Leader*>* leaders, List<Group*>* groups) {
    VhAI* ai = AsVhAI(player);
    if (!ai) return;
    ai->SetUnitList(units);
    ai->SetLeaderList(leaders);
    ai->SetGroupList(groups);
}

int VhAICreator::CompileScript(Component* player, const std::string& path) {
    VhAI* ai = AsVhAI(player);
    return ai ? ai->CompileScript(path) : 0;
}

VhAICreator& VhAIFactory() {
    static VhAICreator factory;
    return factory;
}
