#pragma once
// The bus entries of the layer's combat registration and of the reactions of nearby units; the
// layer's handler table registers them. Each checks the receiver and the payload and calls the
// layer's method.
#include "core/component.h"

namespace combat_entries {
ContainerBase* AddCombatants(Component* c, BusMessage, ContainerBase* p);
ContainerBase* RemoveFromCombat(Component* c, BusMessage, ContainerBase* p);
ContainerBase* EntryReactionFire(Component* c, BusMessage, ContainerBase* p);
ContainerBase* AttemptRefaceFromCharge(Component* c, BusMessage, ContainerBase* p);
ContainerBase* AttemptChangeFormation(Component* c, BusMessage, ContainerBase* p);
} // namespace combat_entries
