#include "game/logic/game_record_streams.h"

#include "core/type_info.h"

namespace {

// Readers take a field only when the stream still holds all of its bytes; otherwise the stream's
// own short-read handling marks it and the field keeps its reset value.
void PutU16(SuperString& s, std::uint16_t v) { s << static_cast<unsigned short>(v); }
void PutU32(SuperString& s, std::uint32_t v) { s << static_cast<unsigned int>(v); }
void PutI16(SuperString& s, std::int16_t v) { s << static_cast<short>(v); }

template <class T> bool Take(SuperString& s, T& v) {
    T x{};
    const bool whole = s.Remaining() >= static_cast<std::int32_t>(sizeof(T));
    s >> x;
    if (whole) v = x;
    return whole;
}

void GetU16(SuperString& s, std::uint16_t& v) {
    unsigned short x = 0;
    if (Take(s, x)) v = x;
}
void GetI16(SuperString& s, std::int16_t& v) {
    short x = 0;
    if (Take(s, x)) v = x;
}
void GetU32(SuperString& s, std::uint32_t& v) {
    unsigned int x = 0;
    if (Take(s, x)) v = x;
}
void GetI32(SuperString& s, std::int32_t& v) {
    int x = 0;
    if (Take(s, x)) v = x;
}

// Enumerations and directions: the low 16 bits, read back sign-extended.
template <class E> void PutEnum(SuperString& s, E v) { s << static_cast<short>(static_cast<std::int32_t>(v)); }
template <class E> void GetEnum(SuperString& s, E& v) {
    short x = 0;
    if (Take(s, x)) v = static_cast<E>(static_cast<std::int32_t>(x));
}

void GetString(SuperString& s, std::string& v) {
    std::string x;
    s >> x;
    if (!s.Failed()) v = std::move(x);
}

} // namespace

SuperString& operator<<(SuperString& s, DIRECTION v) {
    PutEnum(s, v);
    return s;
}
SuperString& operator>>(SuperString& s, DIRECTION& v) {
    GetEnum(s, v);
    return s;
}

#define VH_ENUM_STREAM(E)                                                                                              \
    SuperString& operator<<(SuperString& s, E v) {                                                                     \
        PutEnum(s, v);                                                                                                 \
        return s;                                                                                                      \
    }                                                                                                                  \
    SuperString& operator>>(SuperString& s, E& v) {                                                                    \
        GetEnum(s, v);                                                                                                 \
        return s;                                                                                                      \
    }
VH_ENUM_STREAM(COMBATTYPE)
VH_ENUM_STREAM(TURN_DIRECTION)
VH_ENUM_STREAM(NATION)
VH_ENUM_STREAM(MISSILETYPE)
VH_ENUM_STREAM(MOVE_RESULT)
VH_ENUM_STREAM(METHOD_DEATH)
VH_ENUM_STREAM(SCENARIO)
VH_ENUM_STREAM(LEADERSUBTYPE)
#undef VH_ENUM_STREAM

SuperString& operator<<(SuperString& s, const MoveResultStruct& v) {
    s.Write(v.bytes, MoveResultStruct::StreamSize);
    return s;
}
SuperString& operator>>(SuperString& s, MoveResultStruct& v) {
    v = MoveResultStruct();
    std::uint8_t bytes[MoveResultStruct::StreamSize];
    if (s.Read(bytes, MoveResultStruct::StreamSize))
        for (int i = 0; i < MoveResultStruct::StreamSize; ++i) v.bytes[i] = bytes[i];
    return s;
}

SuperString& operator<<(SuperString& s, const MoveReturnStruct& v) {
    PutU32(s, v.result);
    PutU16(s, v.unit);
    return s;
}
SuperString& operator>>(SuperString& s, MoveReturnStruct& v) {
    v.Reset();
    GetU32(s, v.result);
    GetU16(s, v.unit);
    return s;
}

SuperString& operator<<(SuperString& s, const UndoStruct& v) {
    PutU16(s, v.unit);
    PutU16(s, v.wordA);
    PutU16(s, v.wordB);
    PutU16(s, v.wordC);
    PutU16(s, v.wordD);
    PutU32(s, v.longA);
    for (auto w : v.state) PutU16(s, w);
    PutU32(s, v.longB);
    return s;
}
SuperString& operator>>(SuperString& s, UndoStruct& v) {
    v.Reset();
    GetU16(s, v.unit);
    GetU16(s, v.wordA);
    GetU16(s, v.wordB);
    GetU16(s, v.wordC);
    GetU16(s, v.wordD);
    GetU32(s, v.longA);
    for (auto& w : v.state) GetU16(s, w);
    GetU32(s, v.longB);
    return s;
}

SuperString& operator<<(SuperString& s, const EliminateUnitData& v) {
    PutU32(s, static_cast<std::uint32_t>(v.nation));
    PutU16(s, v.points);
    PutU32(s, static_cast<std::uint32_t>(v.state));
    PutU16(s, v.unit);
    return s;
}
SuperString& operator>>(SuperString& s, EliminateUnitData& v) {
    v.Reset();
    std::int32_t nation = v.nation;
    GetI32(s, nation);
    v.nation = static_cast<NATION>(nation);
    GetU16(s, v.points);
    GetI32(s, v.state);
    GetU16(s, v.unit);
    return s;
}

SuperString& operator<<(SuperString& s, const ScenarioInfoStruct& v) {
    s << v.first;
    PutEnum(s, v.scenario);
    s << v.second << v.third;
    PutI16(s, v.firstWord);
    PutI16(s, v.secondWord);
    PutU16(s, v.thirdWord);
    return s;
}
SuperString& operator>>(SuperString& s, ScenarioInfoStruct& v) {
    v = ScenarioInfoStruct();
    GetString(s, v.first);
    GetEnum(s, v.scenario);
    GetString(s, v.second);
    GetString(s, v.third);
    GetI16(s, v.firstWord);
    GetI16(s, v.secondWord);
    GetU16(s, v.thirdWord);
    return s;
}

SuperString& operator<<(SuperString& s, const LeaderInfo& v) {
    s << v.first << v.second;
    return s;
}
SuperString& operator>>(SuperString& s, LeaderInfo& v) {
    v = LeaderInfo();
    GetString(s, v.first);
    GetString(s, v.second);
    return s;
}

SuperString& operator<<(SuperString& s, const TQHitInfo& v) {
    PutU16(s, v.hits);
    PutU16(s, v.unit);
    PutU32(s, v.value);
    return s;
}
SuperString& operator>>(SuperString& s, TQHitInfo& v) {
    v.Reset();
    GetU16(s, v.hits);
    GetU16(s, v.unit);
    GetU32(s, v.value);
    return s;
}

// The four-byte orders: the word at offset 0, then the word at offset 2.
template <class R, class F> SuperString& WritePair(SuperString& s, const R& v, F first, F second) {
    PutU16(s, v.*first);
    PutU16(s, v.*second);
    return s;
}
template <class R, class F> SuperString& ReadPair(SuperString& s, R& v, F first, F second) {
    v.Reset();
    GetU16(s, v.*first);
    GetU16(s, v.*second);
    return s;
}

SuperString& operator<<(SuperString& s, const WoundedLeaderInfo& v) {
    return WritePair(s, v, &WoundedLeaderInfo::word, &WoundedLeaderInfo::leader);
}
SuperString& operator>>(SuperString& s, WoundedLeaderInfo& v) {
    return ReadPair(s, v, &WoundedLeaderInfo::word, &WoundedLeaderInfo::leader);
}
SuperString& operator<<(SuperString& s, const RestoreCohesionInfo& v) {
    return WritePair(s, v, &RestoreCohesionInfo::value, &RestoreCohesionInfo::unit);
}
SuperString& operator>>(SuperString& s, RestoreCohesionInfo& v) {
    return ReadPair(s, v, &RestoreCohesionInfo::value, &RestoreCohesionInfo::unit);
}
SuperString& operator<<(SuperString& s, const ReplenishMissilesInfo& v) {
    return WritePair(s, v, &ReplenishMissilesInfo::value, &ReplenishMissilesInfo::unit);
}
SuperString& operator>>(SuperString& s, ReplenishMissilesInfo& v) {
    return ReadPair(s, v, &ReplenishMissilesInfo::value, &ReplenishMissilesInfo::unit);
}
SuperString& operator<<(SuperString& s, const MissileFireStruct& v) {
    return WritePair(s, v, &MissileFireStruct::fire, &MissileFireStruct::unit);
}
SuperString& operator>>(SuperString& s, MissileFireStruct& v) {
    return ReadPair(s, v, &MissileFireStruct::fire, &MissileFireStruct::unit);
}
SuperString& operator<<(SuperString& s, const MountDismountInfo& v) {
    return WritePair(s, v, &MountDismountInfo::order, &MountDismountInfo::unit);
}
SuperString& operator>>(SuperString& s, MountDismountInfo& v) {
    return ReadPair(s, v, &MountDismountInfo::order, &MountDismountInfo::unit);
}
SuperString& operator<<(SuperString& s, const LimberUnlimberInfo& v) {
    return WritePair(s, v, &LimberUnlimberInfo::order, &LimberUnlimberInfo::unit);
}
SuperString& operator>>(SuperString& s, LimberUnlimberInfo& v) {
    return ReadPair(s, v, &LimberUnlimberInfo::order, &LimberUnlimberInfo::unit);
}

SuperString& operator<<(SuperString& s, const RoutInfo& v) {
    PutU16(s, v.unit);
    PutU16(s, v.word);
    v.regions.Write(s);
    return s;
}
SuperString& operator>>(SuperString& s, RoutInfo& v) {
    v = RoutInfo();
    GetU16(s, v.unit);
    GetU16(s, v.word);
    v.regions.Read(s);
    return s;
}

SuperString& operator<<(SuperString& s, const SingleCombatResult& v) {
    v.firstNames.Write(s);
    v.secondNames.Write(s);
    for (const auto& list : v.numbers) list.Write(s);
    return s;
}
SuperString& operator>>(SuperString& s, SingleCombatResult& v) {
    v = SingleCombatResult();
    v.firstNames.Read(s);
    v.secondNames.Read(s);
    for (auto& list : v.numbers) list.Read(s);
    return s;
}

SuperString& operator<<(SuperString& s, const EndOfGameResults& v) {
    PutEnum(s, v.winner);
    PutEnum(s, v.home);
    PutEnum(s, v.visiting);
    s << v.homeName << v.visitingName;
    for (const std::int16_t* pair : {v.lostPoints, v.routedPoints, v.routedCount, v.eliminatedCount, v.unitCount,
                                     v.objectivePoints, v.victoryTarget, v.totalPoints}) {
        PutI16(s, pair[0]);
        PutI16(s, pair[1]);
    }
    return s;
}
SuperString& operator>>(SuperString& s, EndOfGameResults& v) {
    v = EndOfGameResults();
    GetEnum(s, v.winner);
    GetEnum(s, v.home);
    GetEnum(s, v.visiting);
    GetString(s, v.homeName);
    GetString(s, v.visitingName);
    for (std::int16_t* pair : {v.lostPoints, v.routedPoints, v.routedCount, v.eliminatedCount, v.unitCount,
                               v.objectivePoints, v.victoryTarget, v.totalPoints}) {
        GetI16(s, pair[0]);
        GetI16(s, pair[1]);
    }
    return s;
}

SuperString& operator<<(SuperString& s, const ChangeFacingStruct& v) {
    PutEnum(s, v.turn);
    PutEnum(s, v.facing);
    PutU16(s, v.mode);
    PutU16(s, v.unit);
    return s;
}
SuperString& operator>>(SuperString& s, ChangeFacingStruct& v) {
    v.Reset();
    GetEnum(s, v.turn);
    GetEnum(s, v.facing);
    GetU16(s, v.mode);
    GetU16(s, v.unit);
    return s;
}

SuperString& operator<<(SuperString& s, const BattleArrowStruct& v) {
    PutI16(s, v.from);
    PutI16(s, v.to);
    PutEnum(s, v.direction);
    return s;
}
SuperString& operator>>(SuperString& s, BattleArrowStruct& v) {
    v.Reset();
    GetI16(s, v.from);
    GetI16(s, v.to);
    GetEnum(s, v.direction);
    return s;
}

SuperString& operator<<(SuperString& s, const MethodOfDeathStruct& v) {
    PutU16(s, v.first);
    PutU32(s, v.method);
    PutU16(s, v.second);
    return s;
}
SuperString& operator>>(SuperString& s, MethodOfDeathStruct& v) {
    v = MethodOfDeathStruct();
    GetU16(s, v.first);
    GetU32(s, v.method);
    GetU16(s, v.second);
    return s;
}

SuperString& operator<<(SuperString& s, const CombatInfo& v) {
    v.first.Write(s);
    v.second.Write(s);
    v.deaths.Write(s);
    return s;
}
SuperString& operator>>(SuperString& s, CombatInfo& v) {
    v = CombatInfo();
    v.first.Read(s);
    v.second.Read(s);
    v.deaths.Read(s);
    return s;
}

SuperString& operator<<(SuperString& s, const RampageStruct& v) {
    for (auto w : v.words) PutU16(s, w);
    return s;
}
SuperString& operator>>(SuperString& s, RampageStruct& v) {
    v.Reset();
    for (auto& w : v.words) GetU16(s, w);
    return s;
}

SuperString& operator<<(SuperString& s, const DoRampageStruct& v) {
    PutU16(s, v.word);
    v.regions.Write(s);
    return s;
}
SuperString& operator>>(SuperString& s, DoRampageStruct& v) {
    v = DoRampageStruct();
    GetU16(s, v.word);
    v.regions.Read(s);
    return s;
}

SuperString& operator<<(SuperString& s, const UnitLocationStruct& v) {
    PutU16(s, v.unit);
    PutU16(s, v.region);
    PutU16(s, v.secondRegion);
    PutU32(s, v.value);
    return s;
}
SuperString& operator>>(SuperString& s, UnitLocationStruct& v) {
    v.Reset();
    GetU16(s, v.unit);
    GetU16(s, v.region);
    GetU16(s, v.secondRegion);
    GetU32(s, v.value);
    return s;
}

SuperString& operator<<(SuperString& s, const PursuitInfo& v) {
    PutU16(s, v.unit);
    PutU32(s, v.edge);
    return s;
}
SuperString& operator>>(SuperString& s, PursuitInfo& v) {
    v.Reset();
    GetU16(s, v.unit);
    GetU32(s, v.edge);
    return s;
}

SuperString& operator<<(SuperString& s, const ActivateNextLeaderStruct& v) {
    PutI16(s, v.leader);
    PutI16(s, v.fresh);
    PutI16(s, v.furtherA);
    PutI16(s, v.furtherB);
    v.subLeaders.Write(s);
    PutU16(s, v.dispatcher);
    return s;
}
SuperString& operator>>(SuperString& s, ActivateNextLeaderStruct& v) {
    v = ActivateNextLeaderStruct();
    GetI16(s, v.leader);
    GetI16(s, v.fresh);
    GetI16(s, v.furtherA);
    GetI16(s, v.furtherB);
    v.subLeaders.Read(s);
    GetU16(s, v.dispatcher);
    return s;
}

SuperString& operator<<(SuperString& s, const LineColumnInfo& v) {
    PutU32(s, v.first);
    PutU16(s, v.order);
    PutU32(s, v.second);
    PutU16(s, v.unit);
    return s;
}
SuperString& operator>>(SuperString& s, LineColumnInfo& v) {
    v.Reset();
    GetU32(s, v.first);
    GetU16(s, v.order);
    GetU32(s, v.second);
    GetU16(s, v.unit);
    return s;
}

void RegisterGameRecordTypes() {
    TypeInfo<COMBATTYPE>::Register();
    TypeInfo<TURN_DIRECTION>::Register();
    TypeInfo<NATION>::Register();
    TypeInfo<MISSILETYPE>::Register();
    TypeInfo<MOVE_RESULT>::Register();
    TypeInfo<METHOD_DEATH>::Register();
    TypeInfo<SCENARIO>::Register();
    TypeInfo<LEADERSUBTYPE>::Register();
    TypeInfo<MoveResultStruct>::Register();
    TypeInfo<MoveReturnStruct>::Register();
    TypeInfo<UndoStruct>::Register();
    TypeInfo<EliminateUnitData>::Register();
    TypeInfo<ScenarioInfoStruct>::Register();
    TypeInfo<LeaderInfo>::Register();
    TypeInfo<TQHitInfo>::Register();
    TypeInfo<WoundedLeaderInfo>::Register();
    TypeInfo<RestoreCohesionInfo>::Register();
    TypeInfo<ReplenishMissilesInfo>::Register();
    TypeInfo<RoutInfo>::Register();
    TypeInfo<SingleCombatResult>::Register();
    TypeInfo<EndOfGameResults>::Register();
    TypeInfo<ChangeFacingStruct>::Register();
    TypeInfo<BattleArrowStruct>::Register();
    TypeInfo<MethodOfDeathStruct>::Register();
    TypeInfo<MissileFireStruct>::Register();
    TypeInfo<CombatInfo>::Register();
    TypeInfo<RampageStruct>::Register();
    TypeInfo<DoRampageStruct>::Register();
    TypeInfo<UnitLocationStruct>::Register();
    TypeInfo<PursuitInfo>::Register();
    TypeInfo<ActivateNextLeaderStruct>::Register();
    TypeInfo<LineColumnInfo>::Register();
    TypeInfo<MountDismountInfo>::Register();
    TypeInfo<LimberUnlimberInfo>::Register();
}

namespace {
// Registration at program start, before any bus traffic.
const bool registeredAtStart = (RegisterGameRecordTypes(), true);
} // namespace
