// The logical layer's block of a saved game: every unit's and leader's state, the computer
// control choices, the computer player's script, the combats under way, the game options and the
// controller's block after them.
//
// The block carries no count of its units: it is read against the battle of the same scenario,
// unit by unit in list order. A block that was cut, damaged or written for another battle would
// then be applied half-way before the fault shows, and the units' own readers change a unit as
// they go. So the whole block is first walked and checked against this battle without touching
// anything (CheckBlock below), and only a block that passes is read into the units. The walk
// knows the shape of each unit's block; the round-trip tests keep it in step with the units'
// own Save and Load.
#include "core/application.h"
#include "game/logic/referee/game_control.h"
#include "game/logic/referee/saved_game_file.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "game/logic/stream_fields.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/group.h"
#include "game/units/missile_capable.h"
#include "platform/msgbox.h"

#include <cmath>
#include <limits>

using namespace stream_fields;

namespace {

// The layer's script-name field holds 127 characters and a terminator.
constexpr std::uint16_t MaxScriptName = 127;
constexpr std::uint32_t HighestCompassCode = 8;

const char* const DamagedBlock = "The saved game is damaged or belongs to another battle.";

template <class T> void PutMembers(SuperString& s, const List<T*>& list) {
    PutU16(s, static_cast<std::uint16_t>(list.Count()));
    for (Item<T*>* i = list.Head(); i; i = i->next) PutU16(s, i->value ? static_cast<std::uint16_t>(i->value->GetUnitNum()) : 0xFFFF);
}

// Walks a block without changing anything and answers whether this battle can take it.
class BlockCheck {
public:
    BlockCheck(VhLogicalLayer& battle, SuperString& stream) : layer(battle), s(stream) {}

    bool Units() {
        for (Item<Combat*>* i = layer.GetFirstNationCombatUnits().Head(); i; i = i->next)
            if (!CombatBlock(i->value)) return false;
        for (Item<Combat*>* i = layer.GetSecondNationCombatUnits().Head(); i; i = i->next)
            if (!CombatBlock(i->value)) return false;
        for (Item<Leader*>* i = layer.GetLeaders().Head(); i; i = i->next)
            if (!LeaderBlock()) return false;
        return true;
    }

    bool Settings() {
        std::uint16_t flag = 0, length = 0, combats = 0;
        std::string name;
        if (!ReadU16(s, flag) || !ReadU16(s, flag) || !ReadU16(s, length) || length > MaxScriptName ||
            !ReadText(s, length, name) || !ReadU16(s, combats))
            return false;
        for (int k = 0; k < combats; ++k)
            if (!CombatRecord()) return false;
        float factor[2] = {};
        std::uint16_t word = 0;
        if (!ReadScalar(s, factor[0]) || !ReadScalar(s, factor[1]) || !ReadU16(s, word) || !ReadU16(s, word) ||
            !ReadU16(s, word))
            return false;
        // A factor scales the computer side's strength; one that is no number would spread
        // through every sum it enters.
        for (float f : factor)
            if (!std::isfinite(f) || f < 0.0f) return false;
        return true;
    }

private:
    bool Region(std::uint16_t where) const {
        return where == 0xFFFF || (layer.GetLandscape() && layer.GetLandscape()->IsValidRegion(where));
    }

    // The fields every unit's block ends (combat units) or closes (leaders) with.
    bool BaseBlock(std::uint16_t& selected) {
        std::uint16_t word = 0, where = 0;
        std::int16_t group = 0, second = 0;
        std::uint32_t edge = 0, facing = 0;
        if (!ReadU16(s, word) || !ReadI16(s, group) || !ReadU32(s, edge) || !ReadU16(s, word) || !ReadU16(s, word) ||
            !ReadU16(s, word) || !ReadU16(s, word) || !ReadU16(s, where) || !ReadI16(s, second) || !ReadU32(s, facing) ||
            !ReadU16(s, word) || !ReadU16(s, selected))
            return false;
        if (selected && !Skip(s, 4)) return false;
        if (group != -1 && !layer.FindGroup(group)) return false;
        if (edge > HighestCompassCode || facing > HighestCompassCode) return false;
        if (!Region(where) || (second != -1 && !Region(static_cast<std::uint16_t>(second)))) return false;
        return true;
    }

    bool ShortList() {
        std::uint16_t n = 0;
        return ReadU16(s, n) && Skip(s, 2 * static_cast<std::int64_t>(n));
    }

    bool CombatBlock(const Combat* unit) {
        std::uint16_t selected = 0;
        if (!BaseBlock(selected) || !Skip(s, 7 * 2 + 4)) return false;
        if (selected && (!Skip(s, 2) || !ShortList() || !ShortList())) return false;
        if (AsMissileCapable(unit) && (!Skip(s, 4) || (selected && !Skip(s, 2)))) return false;
        return true;
    }

    bool LeaderBlock() {
        std::uint16_t active = 0, wounded = 0, more = 0;
        if (!ReadU16(s, active) || !Skip(s, 2) || (active && !Skip(s, 9 * 2)) || !ReadU16(s, wounded) ||
            (wounded && !Skip(s, 4 * 2)) || !ReadU16(s, more))
            return false;
        // Each fallen leader's link takes at least six bytes, so the chain ends with the stream.
        while (more) {
            std::uint16_t length = 0;
            if (!ReadU16(s, length) || !Skip(s, length) || !Skip(s, 2) || !ReadU16(s, more)) return false;
        }
        std::uint16_t selected = 0;
        return Skip(s, 4) && ShortList() && BaseBlock(selected);
    }

    template <class Find> bool Members(Find find) {
        std::uint16_t n = 0;
        if (!ReadU16(s, n) || !Fits(s, 2 * static_cast<std::int64_t>(n))) return false;
        for (int k = 0; k < n; ++k) {
            std::uint16_t number = 0;
            if (!ReadU16(s, number) || !find(number)) return false;
        }
        return true;
    }

    // A combat whose members are gone could not be fought on: every number must name a unit of
    // the right kind in this battle.
    bool CombatRecord() {
        const auto combatUnit = [this](std::uint16_t n) { return layer.FindCombatUnit(n) != nullptr; };
        const auto leader = [this](std::uint16_t n) { return layer.FindLeader(n) != nullptr; };
        return Members(combatUnit) && Members(combatUnit) && Members(leader) && Members(leader) && ShortList() &&
               Skip(s, 2);
    }

    VhLogicalLayer& layer;
    SuperString& s;
};

template <class T, class Find> void ReadMembers(SuperString& s, List<T*>& list, Find find) {
    std::uint16_t n = 0;
    ReadU16(s, n);
    for (int k = 0; k < n; ++k) {
        std::uint16_t number = 0;
        ReadU16(s, number);
        list.AddTail(find(number));
    }
}

void ShowFailure(const char* what, const std::string& reason) {
    const std::string text = std::string(what) + "\n" + reason;
    if (Application* app = GetApplication()) app->ShowMessage(text.c_str(), "Varnhold", MB_OK | MB_ICONINFORMATION);
}

} // namespace

void VhLogicalLayer::WriteSavedBlock(SuperString& s) {
    for (Item<Combat*>* i = firstNationCombat.Head(); i; i = i->next) i->value->Save(s);
    for (Item<Combat*>* i = secondNationCombat.Head(); i; i = i->next) i->value->Save(s);
    for (Item<Leader*>* i = leaders.Head(); i; i = i->next) i->value->Save(s);
    PutU16(s, GetSideValue(firstNation));
    PutU16(s, GetSideValue(secondNation));
    PutU16(s, static_cast<std::uint16_t>(scriptName.size()));
    PutText(s, scriptName);
    PutU16(s, static_cast<std::uint16_t>(currentCombats.Count()));
    for (Item<CombatStruct>* i = currentCombats.Head(); i; i = i->next) {
        const CombatStruct& c = i->value;
        PutMembers(s, c.attackers);
        PutMembers(s, c.defenders);
        PutMembers(s, c.attackingLeaders);
        PutMembers(s, c.defendingLeaders);
        PutU16(s, static_cast<std::uint16_t>(c.attackerWords.Count()));
        for (Item<short>* w = c.attackerWords.Head(); w; w = w->next) PutI16(s, w->value);
        PutU16(s, c.target);
    }
    s << DifficultyOf(firstNation) << DifficultyOf(secondNation);
    PutU16(s, difficultyDeployment);
    PutU16(s, turnLimitsWord);
    PutU16(s, fogOfWarWord);
    if (gameControl) gameControl->Save(s);
}

bool VhLogicalLayer::CheckSavedBlock(SuperString& s) {
    const std::int32_t start = s.ReadPosition();
    BlockCheck check(*this, s);
    bool whole = check.Units() && check.Settings();
    if (whole && gameControl) whole = gameControl->CheckBlock(s);
    s.SetReadPosition(start);
    s.ClearFailure();
    return whole;
}

bool VhLogicalLayer::ReadSavedBlock(SuperString& s, std::string& error) {
    if (!landscape || firstNation < 0 || secondNation < 0) {
        error = "No battle is loaded.";
        return false;
    }
    if (!CheckSavedBlock(s)) {
        error = DamagedBlock;
        return false;
    }
    // From here on the block is known to fit: no read below can run short.
    VhUnit* selected = nullptr;
    const auto load = [&](VhUnit* unit) {
        unit->Load(s);
        if (!selected && unit->IsSelected()) selected = unit;
    };
    for (Item<Combat*>* i = firstNationCombat.Head(); i; i = i->next) load(i->value);
    for (Item<Combat*>* i = secondNationCombat.Head(); i; i = i->next) load(i->value);
    for (Item<Leader*>* i = leaders.Head(); i; i = i->next) load(i->value);

    std::uint16_t first = 0, second = 0, length = 0, combats = 0;
    ReadU16(s, first);
    ReadU16(s, second);
    SetSideValue(firstNation, first);
    SetSideValue(secondNation, second);
    ReadU16(s, length);
    ReadText(s, length, scriptName);
    ReadU16(s, combats);
    currentCombats.Clear();
    const auto combatUnit = [this](std::uint16_t n) { return FindCombatUnit(n); };
    const auto leader = [this](std::uint16_t n) { return FindLeader(n); };
    for (int k = 0; k < combats; ++k) {
        CombatStruct c;
        ReadMembers(s, c.attackers, combatUnit);
        ReadMembers(s, c.defenders, combatUnit);
        ReadMembers(s, c.attackingLeaders, leader);
        ReadMembers(s, c.defendingLeaders, leader);
        std::uint16_t n = 0;
        ReadU16(s, n);
        for (int v = 0; v < n; ++v) {
            std::int16_t word = 0;
            ReadI16(s, word);
            c.attackerWords.AddTail(word);
        }
        ReadU16(s, c.target);
        currentCombats.AddTail(c);
    }
    float factor[2] = {1.0f, 1.0f};
    s >> factor[0] >> factor[1];
    if (firstNation < 2) difficulty[firstNation] = factor[0];
    if (secondNation < 2) difficulty[secondNation] = factor[1];
    ReadU16(s, difficultyDeployment);
    ReadU16(s, turnLimitsWord);
    ReadU16(s, fogOfWarWord);
    if (gameControl) gameControl->Load(s);
    if (selected) selected->ResumeSelection();
    return true;
}

bool VhLogicalLayer::SaveGame(const std::string& file, std::string& error) {
    if (!landscape || firstNation < 0 || secondNation < 0) {
        error = "No battle is loaded.";
        return false;
    }
    SuperString block(std::numeric_limits<std::int32_t>::max());
    WriteSavedBlock(block);
    if (block.Failed()) {
        error = "The battle's state cannot be written.";
        return false;
    }
    return saved_game::AppendBlock(file, saved_game::LayerSlot, block, error);
}

bool VhLogicalLayer::LoadGame(const std::string& file, std::string& error) {
    std::string bytes;
    if (!saved_game::ReadBlock(file, saved_game::LayerSlot, bytes, error)) return false;
    SuperString s(static_cast<std::int32_t>(bytes.size()) + 1);
    if (!saved_game::FillStream(s, bytes)) {
        error = DamagedBlock;
        return false;
    }
    return ReadSavedBlock(s, error);
}

void VhLogicalLayer::OnSaveGame(const std::string& file) {
    std::string error;
    if (!SaveGame(file, error)) ShowFailure("The game could not be saved.", error);
}

void VhLogicalLayer::OnLoadGame(const std::string& file) {
    std::string error;
    if (!LoadGame(file, error)) ShowFailure("The saved game could not be loaded.", error);
}
