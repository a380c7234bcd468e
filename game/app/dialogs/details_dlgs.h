#pragma once
// The two read-only viewers over a rich-edit control:
// - ArmyDetailsDlg ("ArmyDetailsDlg"): one line per unit and leader of a side (name cut to 23
//   characters, bold; morale rating and hits, or "-" and "-" for a leader; "X" and the point
//   value when eliminated), under the side's title and four point totals drawn on the dialog.
//   Reinforcements not yet arrived are left out; each leader is followed by its chain of
//   sub-leaders (GetSubLeader), which ends where it would come back to a leader it has shown.
// - BattleDetailsDlg ("BattleDetailsDlg"): a rich-text file under a caption, or kFileNotFound.
// Help (item 9) only builds the help file's path; no help viewer exists.
#include "game/logic/combat_records.h"
#include "ui/windows/dialog.h"

#include "core/list.h"

#include <cstdint>
#include <string>
#include <vector>

class Combat;
class Leader;

class ArmyDetailsDlg : public Dialog {
public:
    static constexpr int kListId = 101;
    static constexpr std::size_t kNameLength = 23;

    // The overview's details side picks the record's side: 1 the first, 0 the second. The lists
    // stay the caller's.
    ArmyDetailsDlg(int detailsSide, const EndOfGameResults& results, List<Combat*>& units, List<Leader*>& leaders);

    void OnInit() override;
    void Refresh() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Command(std::int16_t itemId, std::int16_t notification) override;

    // What the dialog draws above the list: the title and the four total lines.
    const std::string& GetTitle() const { return title; }
    std::vector<std::string> TotalLines() const;
    HWND GetList() const { return listWindow; }
    const std::string& GetHelpPath() const { return helpPath; }

    void AppendChar(char c);
    void AppendText(const std::string& text);

private:
    void FillUnitList();
    void AddUnitLine(const std::string& name, int moraleRating, int hits, int points, bool eliminated);
    void AddLeaderLine(const std::string& name, int points, bool eliminated);
    void StartLine(const std::string& name);
    void EndLine(int points, bool eliminated);

    std::string title;
    std::int32_t totalUnitPoints = 0;
    std::int32_t routingPoints = 0;
    std::int32_t eliminatedPoints = 0;
    List<Combat*>* units;
    List<Leader*>* leaders;
    HWND listWindow = nullptr;
    std::string helpPath;
};

class BattleDetailsDlg : public Dialog {
public:
    static constexpr const char* kFileNotFound = "File not found.";
    static constexpr int kTextId = 101;

    BattleDetailsDlg(const std::string& filePath, const std::string& caption);

    void OnInit() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    HWND GetText() const { return richEdit; }
    const std::string& GetHelpPath() const { return helpPath; }

private:
    std::string filePath;
    std::string caption;
    HWND richEdit = nullptr;
    std::string helpPath;
};
