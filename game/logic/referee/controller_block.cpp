// The controller's block of a saved game. It follows the logical layer's own block and holds
// only what the reloaded scenario cannot give back: the leaders' done marks, the turn, the
// tallies, the objectives' holders and the state of the current activation.
#include "game/logic/referee/game_control.h"
#include "game/logic/stream_fields.h"

using namespace stream_fields;

namespace {

// A stored name is at most this long; a longer one is shortened when written.
constexpr std::size_t MaxStoredName = 255;

void PutName(SuperString& s, const std::string& name) {
    const std::string kept = name.substr(0, MaxStoredName);
    PutU16(s, static_cast<std::uint16_t>(kept.size()));
    PutText(s, kept);
}

bool ReadName(SuperString& s, std::string& name) {
    std::uint16_t n = 0;
    if (!ReadU16(s, n)) return false;
    if (n > MaxStoredName) {
        s.SetFailed();
        return false;
    }
    return ReadText(s, n, name);
}

} // namespace

void GameControl::Save(SuperString& s) const {
    for (int i = 0; i < leaderCount; ++i) PutI16(s, leaderDone[i]);
    PutU16(s, turnWord);
    PutI16(s, currentLeader);
    PutI16(s, turn);
    PutU16(s, phaseWord);
    for (const std::int16_t* pair : {victoryTarget, totalPoints, lostPoints, routedPoints, routedCount, eliminatedCount}) {
        PutI16(s, pair[0]);
        PutI16(s, pair[1]);
    }
    PutU16(s, spareWord);
    PutU16(s, turnLimitOn);
    PutI16(s, lastTurn);
    PutU16(s, defaultWinner);
    for (int i = 0; i < objectiveCount; ++i) PutI32(s, objectives[i].holder);
    PutI16(s, commandsLeft1);
    PutI16(s, commandsLeft0);
    PutName(s, commanderName1);
    PutName(s, commanderName0);
    PutI16(s, activation.leader);
    PutI16(s, activation.fresh);
    PutI16(s, activation.furtherA);
    PutI16(s, activation.furtherB);
    PutU16(s, activation.dispatcher);
    PutU16(s, static_cast<std::uint16_t>(activation.subLeaders.Count()));
    for (Item<unsigned short>* i = activation.subLeaders.Head(); i; i = i->next) PutU16(s, i->value);
    PutU16(s, static_cast<std::uint16_t>(dispatchStack.Count()));
    for (Item<short>* i = dispatchStack.Head(); i; i = i->next) PutI16(s, i->value);
}

bool GameControl::CheckBlock(SuperString& s) const {
    const std::int32_t start = s.ReadPosition();
    std::int16_t leader = 0;
    std::uint16_t count = 0;
    std::string name;
    // The done marks, the turn word and then the current leader's index.
    const bool whole = Skip(s, 2 * static_cast<std::int64_t>(leaderCount) + 2) && ReadI16(s, leader) &&
                       Skip(s, 2 + 2 + 6 * 4 + 2 + 2 + 2 + 2 + 4 * static_cast<std::int64_t>(objectiveCount) + 4) &&
                       ReadName(s, name) && ReadName(s, name) && Skip(s, 4 * 2 + 2) && ReadU16(s, count) &&
                       Skip(s, 2 * static_cast<std::int64_t>(count)) && ReadU16(s, count) &&
                       Skip(s, 2 * static_cast<std::int64_t>(count)) && leader >= -1 && leader < leaderCount;
    if (!whole) {
        s.SetReadPosition(start);
        s.SetFailed();
    }
    return whole;
}

bool GameControl::Load(SuperString& s) {
    // Nothing is taken from a block that would fail part-way: the controller keeps its state.
    const std::int32_t start = s.ReadPosition();
    if (!CheckBlock(s)) return false;
    s.SetReadPosition(start);
    for (int i = 0; i < leaderCount; ++i) {
        std::int16_t done = 0;
        if (!ReadI16(s, done)) return false;
        leaderDone[i] = done;
    }
    if (!ReadU16(s, turnWord) || !ReadI16(s, currentLeader) || !ReadI16(s, turn) || !ReadU16(s, phaseWord)) return false;
    for (std::int16_t* pair : {victoryTarget, totalPoints, lostPoints, routedPoints, routedCount, eliminatedCount})
        if (!ReadI16(s, pair[0]) || !ReadI16(s, pair[1])) return false;
    if (!ReadU16(s, spareWord) || !ReadU16(s, turnLimitOn) || !ReadI16(s, lastTurn) || !ReadU16(s, defaultWinner))
        return false;
    for (int i = 0; i < objectiveCount; ++i)
        if (!ReadI32(s, objectives[i].holder)) return false;
    if (!ReadI16(s, commandsLeft1) || !ReadI16(s, commandsLeft0) || !ReadName(s, commanderName1) ||
        !ReadName(s, commanderName0))
        return false;
    std::uint16_t dispatcher = 0, count = 0;
    if (!ReadI16(s, activation.leader) || !ReadI16(s, activation.fresh) || !ReadI16(s, activation.furtherA) ||
        !ReadI16(s, activation.furtherB) || !ReadU16(s, dispatcher) || !ReadU16(s, count) ||
        !Fits(s, 2 * static_cast<std::int64_t>(count)))
        return false;
    activation.dispatcher = dispatcher;
    activation.subLeaders.Clear();
    for (int k = 0; k < count; ++k) {
        std::uint16_t v = 0;
        ReadU16(s, v);
        activation.subLeaders.AddTail(v);
    }
    if (!ReadU16(s, count) || !Fits(s, 2 * static_cast<std::int64_t>(count))) return false;
    dispatchStack.Clear();
    for (int k = 0; k < count; ++k) {
        std::int16_t v = 0;
        ReadI16(s, v);
        dispatchStack.AddTail(v);
    }
    // An index that names no leader of the reloaded scenario would send the turn sequence past
    // the table's end.
    if (currentLeader < -1 || currentLeader >= leaderCount) {
        currentLeader = -1;
        s.SetFailed();
        return false;
    }
    return true;
}
