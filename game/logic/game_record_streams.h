#pragma once
// Stream forms of the game records and of the enumerations that travel as payloads: field by
// field, little-endian, in the order and widths each record lists; enumerations and directions
// take 16 bits and are read back sign-extended. A reader resets its record first, so a stream
// that ends early leaves the fields it did not reach as the reset left them.
#include "core/super_string.h"
#include "game/logic/combat_records.h"
#include "game/logic/direction.h"
#include "game/logic/game_records.h"

SuperString& operator<<(SuperString& s, DIRECTION v);
SuperString& operator>>(SuperString& s, DIRECTION& v);

#define VH_ENUM_STREAM(E)                              \
    SuperString& operator<<(SuperString& s, E v);      \
    SuperString& operator>>(SuperString& s, E& v);
VH_ENUM_STREAM(COMBATTYPE)
VH_ENUM_STREAM(TURN_DIRECTION)
VH_ENUM_STREAM(NATION)
VH_ENUM_STREAM(MISSILETYPE)
VH_ENUM_STREAM(MOVE_RESULT)
VH_ENUM_STREAM(METHOD_DEATH)
VH_ENUM_STREAM(SCENARIO)
VH_ENUM_STREAM(LEADERSUBTYPE)
#undef VH_ENUM_STREAM

#define VH_RECORD_STREAM(R)                                \
    SuperString& operator<<(SuperString& s, const R& v);   \
    SuperString& operator>>(SuperString& s, R& v);
VH_RECORD_STREAM(MoveResultStruct)
VH_RECORD_STREAM(MoveReturnStruct)
VH_RECORD_STREAM(UndoStruct)
VH_RECORD_STREAM(EliminateUnitData)
VH_RECORD_STREAM(ScenarioInfoStruct)
VH_RECORD_STREAM(LeaderInfo)
VH_RECORD_STREAM(TQHitInfo)
VH_RECORD_STREAM(WoundedLeaderInfo)
VH_RECORD_STREAM(RestoreCohesionInfo)
VH_RECORD_STREAM(ReplenishMissilesInfo)
VH_RECORD_STREAM(RoutInfo)
VH_RECORD_STREAM(SingleCombatResult)
VH_RECORD_STREAM(EndOfGameResults)
VH_RECORD_STREAM(ChangeFacingStruct)
VH_RECORD_STREAM(BattleArrowStruct)
VH_RECORD_STREAM(MethodOfDeathStruct)
VH_RECORD_STREAM(MissileFireStruct)
VH_RECORD_STREAM(CombatInfo)
VH_RECORD_STREAM(RampageStruct)
VH_RECORD_STREAM(DoRampageStruct)
VH_RECORD_STREAM(UnitLocationStruct)
VH_RECORD_STREAM(PursuitInfo)
VH_RECORD_STREAM(ActivateNextLeaderStruct)
VH_RECORD_STREAM(LineColumnInfo)
VH_RECORD_STREAM(MountDismountInfo)
VH_RECORD_STREAM(LimberUnlimberInfo)
#undef VH_RECORD_STREAM

// Registers the 34 payload types of the game's records, in their fixed order, so that the bus
// relay and the network can make a payload again from its class name. Runs at start-up; calling
// it again changes nothing.
void RegisterGameRecordTypes();
