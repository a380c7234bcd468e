#pragma once
// CampaignGame: a chain of the built-in battles. After each battle its winner chooses, from a
// fixed graph, the battle that follows, until a branch leads out of the graph. It keeps who
// plays each nation, the campaign's point tallies and the current and next battle, and adds its
// block to saved games.
//
// Invariants: graph[2 * b + o] lists the battles that may follow battle b won by nation o, for
// the BattleCount battles; currentBattle and nextBattle are -1 or a battle; tallies never go
// below 0 and stop at the largest 16-bit value.
#include "core/component.h"
#include "core/list.h"
#include "game/logic/combat_records.h"

#include <cstdint>
#include <string>

class SuperString;

class CampaignGame : public Component {
public:
    static constexpr const char* ComponentName = "Varnhold Campaign Game";
    static constexpr int BattleCount = 11;
    // A choice at or above this is no battle: it ends the campaign.
    static constexpr int FirstExit = 11;
    // The campaign block's length in a saved game.
    static constexpr int BlockBytes = 16;

    // A new campaign: whether the computer plays each nation.
    CampaignGame(std::int16_t computerPlays0, std::int16_t computerPlays1);
    // A campaign read from a saved game when "LoadGame" arrives.
    CampaignGame();
    ~CampaignGame() override;

    void Connect() override;

    // After battle (-1: the campaign starts) with its results: 1 when a next battle is set, 0 when
    // the campaign ended or the choice was abandoned. Adds the battle's points to the tallies
    // first, once per battle played.
    std::int16_t ChooseNextBattle(std::int32_t battle, const EndOfGameResults& results);
    std::int32_t GetNextScenario() const { return nextBattle; }
    std::int32_t GetCurrentBattle() const { return currentBattle; }
    std::int16_t GetTally(int nation) const { return nation == 0 || nation == 1 ? tally[nation] : 0; }
    std::int16_t GetComputerPlays(int nation) const { return nation == 0 || nation == 1 ? computerPlays[nation] : 0; }
    // The battles that may follow battle won by nation; an empty list outside the graph.
    const List<short>& GetFollowers(std::int32_t battle, std::int32_t winner) const;

    // Adds a finished battle's victory points, weighted by nation, side and outcome, to the
    // tallies; false when one tally now exceeds five times the other, which ends the campaign.
    bool AddBattlePoints(std::int32_t battle, const EndOfGameResults& results);
    static float PointsFactor(std::int32_t nation, std::int32_t battle, bool won);

    // The block: flags, tallies and battles, 16 bytes little-endian.
    void Save(SuperString& s) const;
    // All or nothing: false, with nothing changed, when the block is short or names no battle.
    bool Load(SuperString& s);
    // The block appended to a saved game (its start at header byte 12), and read back.
    bool SaveGame(const std::string& file, std::string& error) const;
    bool LoadGame(const std::string& file, std::string& error);
    void OnSaveGame(const std::string& file);
    void OnLoadGame(const std::string& file);

private:
    void BuildGraph();
    // The results dialog for the nation whose win or lead ends the campaign.
    void ShowResults(std::int32_t nation);

    List<short> graph[2 * BattleCount];
    std::int16_t computerPlays[2] = {0, 0};
    std::int16_t tally[2] = {0, 0};
    std::int32_t currentBattle = -1;
    std::int32_t nextBattle = -1;
    // Whether the points of currentBattle are in the tallies: a choice abandoned and made again
    // must not count the battle twice.
    bool tallied = false;
};
