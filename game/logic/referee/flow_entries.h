#pragma once
// The bus entries of the layer's game-flow, screen and relay handlers; the layer's handler table
// registers them. Each checks the receiver and the payload and calls the layer's method.
#include "core/component.h"

namespace flow_entries {
#define VH_FLOW_ENTRY(name) ContainerBase* name(Component* c, BusMessage, ContainerBase* p)
VH_FLOW_ENTRY(LeaderControl);
VH_FLOW_ENTRY(GameOptions);
VH_FLOW_ENTRY(InitializeScenario);
VH_FLOW_ENTRY(ReinitializeLeader);
VH_FLOW_ENTRY(RaiseActiveFlags);
VH_FLOW_ENTRY(LeaderActivated);
VH_FLOW_ENTRY(LeaderResumed);
VH_FLOW_ENTRY(FirstEliteInitiative);
VH_FLOW_ENTRY(CombatDone);
VH_FLOW_ENTRY(DoneViewingCombatResults);
VH_FLOW_ENTRY(BeginTurn);
VH_FLOW_ENTRY(CombatResults);
VH_FLOW_ENTRY(GameOverview);
VH_FLOW_ENTRY(GameObjectives);
VH_FLOW_ENTRY(EndOfTurn);
VH_FLOW_ENTRY(EndOfGame);
VH_FLOW_ENTRY(BeginDeploymentPhase);
VH_FLOW_ENTRY(ActivateFreeUnits);
VH_FLOW_ENTRY(RoutPhase);
VH_FLOW_ENTRY(ShockRoutingDone);
VH_FLOW_ENTRY(PerformShock);
VH_FLOW_ENTRY(SomeCombatDone);
VH_FLOW_ENTRY(DoRout);
VH_FLOW_ENTRY(DoMissileFire);
VH_FLOW_ENTRY(DoRestoreCohesion);
VH_FLOW_ENTRY(DoLineColumn);
VH_FLOW_ENTRY(DoMountDismount);
VH_FLOW_ENTRY(DoLimberUnlimber);
VH_FLOW_ENTRY(WoundedLeader);
VH_FLOW_ENTRY(FinishedLeader);
VH_FLOW_ENTRY(EliminateUnit);
VH_FLOW_ENTRY(UsedThisTurn);
VH_FLOW_ENTRY(ReplenishMissiles);
VH_FLOW_ENTRY(PursuitOffMap);
VH_FLOW_ENTRY(DoColumnLine);
VH_FLOW_ENTRY(IsLeaderFriendly);
VH_FLOW_ENTRY(UnitUndo);
VH_FLOW_ENTRY(Undo);
VH_FLOW_ENTRY(ResolveOW);
#undef VH_FLOW_ENTRY
} // namespace flow_entries
