#include "game/logic/referee/campaign_game.h"

#include "core/application.h"
#include "core/assertion.h"
#include "core/message_registry.h"
#include "game/logic/game_random.h"
#include "game/logic/referee/app_services.h"
#include "game/logic/referee/saved_game_file.h"
#include "game/logic/stream_fields.h"
#include "platform/msgbox.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace stream_fields;

namespace {

constexpr const char* Source = "CAMPAIGN";

// The battles that may follow each battle, by the winning nation; no entry: none follows.
struct Branch {
    std::int16_t battle;
    std::initializer_list<short> wonBy0;
    std::initializer_list<short> wonBy1;
};
const Branch Branches[] = {
    {0, {7, 9}, {7}},  {1, {6, 4}, {11}}, {2, {4}, {3}}, {3, {6, 4}, {11}}, {4, {5}, {1, 2}}, {5, {12}, {7, 6}},
    {6, {5}, {1}},     {7, {5}, {9}},     {8, {4}, {1}}, {9, {4}, {8}},     {10, {}, {}},
};

bool IsBattle(std::int32_t b) { return b >= 0 && b < CampaignGame::BattleCount; }

ContainerBase* SaveGameEntry(Component* c, BusMessage, ContainerBase* p) {
    CampaignGame* self = nullptr;
    std::string* file = nullptr;
    if (!BusArgs(c, p, self, file, Source, __LINE__)) return nullptr;
    self->OnSaveGame(*file);
    return nullptr;
}

ContainerBase* LoadGameEntry(Component* c, BusMessage, ContainerBase* p) {
    CampaignGame* self = nullptr;
    std::string* file = nullptr;
    if (!BusArgs(c, p, self, file, Source, __LINE__)) return nullptr;
    self->OnLoadGame(*file);
    return nullptr;
}

void ShowFailure(const char* what, const std::string& reason) {
    const std::string text = std::string(what) + "\n" + reason;
    if (Application* app = GetApplication()) app->ShowMessage(text.c_str(), "Varnhold", MB_OK | MB_ICONINFORMATION);
}

} // namespace

CampaignGame::CampaignGame(std::int16_t computerPlays0, std::int16_t computerPlays1) : Component(ComponentName) {
    BuildGraph();
    computerPlays[0] = computerPlays0;
    computerPlays[1] = computerPlays1;
}

CampaignGame::CampaignGame() : Component(ComponentName) { BuildGraph(); }

CampaignGame::~CampaignGame() = default;

void CampaignGame::BuildGraph() {
    for (const Branch& b : Branches) {
        for (short next : b.wonBy0) graph[2 * b.battle].AddTail(next);
        for (short next : b.wonBy1) graph[2 * b.battle + 1].AddTail(next);
    }
}

void CampaignGame::Connect() {
    RegisterNamedHandler("LoadGame", LoadGameEntry);
    RegisterNamedHandler("SaveGame", SaveGameEntry);
}

const List<short>& CampaignGame::GetFollowers(std::int32_t battle, std::int32_t winner) const {
    static const List<short> none;
    if (!IsBattle(battle) || (winner != 0 && winner != 1)) return none;
    return graph[2 * battle + winner];
}

float CampaignGame::PointsFactor(std::int32_t nation, std::int32_t battle, bool won) {
    // Nation 0 opens battles 1 and 3, nation 1 every other battle.
    const bool firstSide = (battle == 1 || battle == 3) ? nation == 0 : nation == 1;
    if (nation == 0) return won ? (firstSide ? 2.0f : 3.0f) : 1.0f;
    return won ? (firstSide ? 1.4f : 4.0f) : 0.7f;
}

bool CampaignGame::AddBattlePoints(std::int32_t battle, const EndOfGameResults& results) {
    const std::int32_t home = results.home, visiting = results.visiting;
    if ((home != 0 && home != 1) || (visiting != 0 && visiting != 1) || home == visiting) return true;
    // A side's victory points: what the other side lost and the objectives it holds.
    const int points[2] = {results.lostPoints[1] + results.objectivePoints[0],
                           results.lostPoints[0] + results.objectivePoints[1]};
    const std::int32_t nations[2] = {home, visiting};
    for (int side = 0; side < 2; ++side) {
        const std::int32_t n = nations[side];
        const float weighted = std::trunc(static_cast<float>(std::max(points[side], 0)) *
                                          PointsFactor(n, battle, results.winner == n));
        const float sum = std::min(static_cast<float>(tally[n]) + weighted,
                                   static_cast<float>(std::numeric_limits<std::int16_t>::max()));
        tally[n] = static_cast<std::int16_t>(sum);
    }
    // A side without a point yet cannot be outscored five times over; otherwise one battle with
    // no losses on one side would end every campaign at once.
    for (int n = 0; n < 2; ++n)
        if (tally[1 - n] > 0 && tally[n] > 5 * static_cast<int>(tally[1 - n])) return false;
    return true;
}

void CampaignGame::ShowResults(std::int32_t nation) {
    // The results are shown to the human player: the other nation, beaten, when the computer
    // played this one.
    const bool computer = computerPlays[nation] != 0;
    AppServices().RunCampaignResultsDialog(computer ? 1 - nation : nation, computer ? 0 : 1, tally[0], tally[1]);
}

std::int16_t CampaignGame::ChooseNextBattle(std::int32_t battle, const EndOfGameResults& results) {
    if (battle == -1) {
        nextBattle = 0;
        return 1;
    }
    const std::int32_t winner = results.winner;
    // A battle outside the graph or a result without a winner leaves no branch to follow.
    if (!IsBattle(battle) || (winner != 0 && winner != 1)) return 0;
    if (battle != currentBattle || !tallied) {
        currentBattle = battle;
        tallied = true;
        if (!AddBattlePoints(battle, results)) {
            ShowResults(tally[0] > tally[1] ? 0 : 1);
            return 0;
        }
    }
    const List<short>& followers = GetFollowers(battle, winner);
    std::int32_t choice = FirstExit;
    if (!computerPlays[winner]) {
        // With nothing to pick on the map the branch leads out of the graph.
        if (!followers.IsEmpty() && !AppServices().RunCampaignMapDialog(battle, followers, choice)) return 0;
    } else if (!followers.IsEmpty()) {
        int r = GameRandom() % followers.Count();
        for (Item<short>* i = followers.Head(); i; i = i->next, --r)
            if (r == 0) choice = i->value;
    }
    if (IsBattle(choice)) {
        nextBattle = choice;
        tallied = false;
        return 1;
    }
    ShowResults(winner);
    return 0;
}

void CampaignGame::Save(SuperString& s) const {
    PutU16(s, static_cast<std::uint16_t>(computerPlays[0]));
    PutU16(s, static_cast<std::uint16_t>(tally[0]));
    PutU16(s, static_cast<std::uint16_t>(computerPlays[1]));
    PutU16(s, static_cast<std::uint16_t>(tally[1]));
    PutI32(s, currentBattle);
    PutI32(s, nextBattle);
}

bool CampaignGame::Load(SuperString& s) {
    std::int16_t plays0 = 0, tally0 = 0, plays1 = 0, tally1 = 0;
    std::int32_t current = -1, next = -1;
    if (!ReadI16(s, plays0) || !ReadI16(s, tally0) || !ReadI16(s, plays1) || !ReadI16(s, tally1) ||
        !ReadI32(s, current) || !ReadI32(s, next))
        return false;
    if ((current != -1 && !IsBattle(current)) || (next != -1 && !IsBattle(next)) || tally0 < 0 || tally1 < 0) {
        s.SetFailed();
        return false;
    }
    computerPlays[0] = plays0, computerPlays[1] = plays1;
    tally[0] = tally0, tally[1] = tally1;
    currentBattle = current, nextBattle = next;
    tallied = false;
    return true;
}

bool CampaignGame::SaveGame(const std::string& file, std::string& error) const {
    SuperString block;
    Save(block);
    return saved_game::AppendBlock(file, saved_game::CampaignSlot, block, error);
}

bool CampaignGame::LoadGame(const std::string& file, std::string& error) {
    std::string bytes;
    if (!saved_game::ReadBlock(file, saved_game::CampaignSlot, bytes, error)) return false;
    SuperString s;
    if (!saved_game::FillStream(s, bytes.substr(0, BlockBytes)) || !Load(s)) {
        error = "The campaign block is damaged.";
        return false;
    }
    return true;
}

void CampaignGame::OnSaveGame(const std::string& file) {
    std::string error;
    if (!SaveGame(file, error)) ShowFailure("The campaign could not be saved.", error);
}

void CampaignGame::OnLoadGame(const std::string& file) {
    std::string error;
    if (!LoadGame(file, error)) ShowFailure("The campaign could not be loaded.", error);
}
