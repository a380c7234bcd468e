#include "tools/runner/side_relay.h"

#include "core/container.h"
#include "core/message_registry.h"
#include "game/units/group.h"
#include "game/units/leader.h"

namespace runner {

SideRelay::SideRelay(std::uint32_t side_, bool takesSideless_)
    : AsynchronousBus("Computer Player Relay"), side(side_), takesSideless(takesSideless_),
      activation(RegisterMessage("InitAILeader")) {}

SideRelay::~SideRelay() {
    if (player) {
        player->DetachFromBus();
        delete player;
    }
}

void SideRelay::Adopt(Component* p) {
    player = p;
    if (player) player->AttachToBus(this);
}

std::int64_t SideRelay::SideOf(const Group* group) {
    if (!group) return -1;
    if (const Leader* l = group->GetLeader()) return l->GetSide();
    if (const Item<VhUnit*>* first = group->GetUnits().Head(); first && first->value) return first->value->GetSide();
    return -1;
}

bool SideRelay::Passes(Component* sender, BusMessage event, ContainerBase* payload) {
    if (event.Number() != activation || sender == nullptr || sender != GetOuterBus()) return true;
    Group* const* group = PayloadValue<Group*>(payload);
    // A payload of another type goes through, so that the player reports it as it would.
    if (!group) return true;
    const std::int64_t s = SideOf(*group);
    if (s == -1 ? !takesSideless : s != static_cast<std::int64_t>(side)) {
        ++heldBack;
        return false;
    }
    ++passed;
    return true;
}

void SideRelay::Post(Component* sender, BusMessage event, ContainerBase* payload) {
    if (Passes(sender, event, payload)) AsynchronousBus::Post(sender, event, payload);
}

ContainerBase* SideRelay::PostAndWait(Component* sender, BusMessage event, ContainerBase* payload) {
    return Passes(sender, event, payload) ? AsynchronousBus::PostAndWait(sender, event, payload) : nullptr;
}

Component* RelayingFactory::Create(VhLogicalLandscape* landscape) {
    Component* player = inner.Create(landscape);
    if (!player) return nullptr;
    auto* relay = new SideRelay(side, true);
    relay->Adopt(player);
    return relay;
}

Component* RelayingFactory::Inner(Component* relay) {
    auto* r = dynamic_cast<SideRelay*>(relay);
    return r ? r->Player() : nullptr;
}

void RelayingFactory::SetLists(Component* relay, List<Combat*>* units, List<Leader*>* leaders, List<Group*>* groups) {
    if (Component* player = Inner(relay)) inner.SetLists(player, units, leaders, groups);
}

int RelayingFactory::CompileScript(Component* relay, const std::string& path) {
    Component* player = Inner(relay);
    return player ? inner.CompileScript(player, path) : 0;
}

} // namespace runner
