#pragma once
// The review of a phase's combats. OverallCombatResultsDlg is the modeless list of the combats
// ("Battle #1", ...): the chosen combat's hexes are highlighted and the map centred on them, a
// double click opens CombatResultsDlg over it, and its Close tells the game to go on with
// "DoneViewingCombatResults" ("CloseGame" ends it with 0 and nothing is posted). Its position is
// kept under Placement\OverallCombatResults. CombatResultsDlg shows one combat, attackers and
// defenders side by side; it closes with its button or on "OCRDlgClosing".
#include "core/list.h"
#include "game/logic/combat_records.h"
#include "ui/windows/dialog.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CombatResultsDlg : public Dialog {
public:
    // The lists of a SingleCombatResult, attackers' then defenders' of each pair.
    enum : int { kHexes = 0, kCurrentHits = 2, kTotalHits = 4, kToRout = 6, kFirstMark = 8, kSecondMark = 10 };
    static constexpr int kLabelWidth = 140;

    // One unit's row as drawn.
    struct Row {
        std::string label;
        std::string secondLine;  // empty when the label fits on one line
        std::int16_t y = 0;
        std::int16_t currentHits = 0, totalHits = 0, toRout = 0;
    };
    // The rows of one side (0 attackers, 1 defenders) from y = 100, each line `lineHeight` high.
    static std::vector<Row> LayoutSide(const SingleCombatResult& result, int side, std::int16_t lineHeight,
                                       const std::function<int(const std::string&)>& width);
    // A label cut at blanks until its first line is at most kLabelWidth wide; the rest, which
    // begins with a blank, is the second line. A first line with no blank left to cut at is
    // shortened to the width, so that it never runs into the hit columns.
    static void CutLabel(std::string& label, std::string& secondLine, const std::function<int(const std::string&)>& width);

    explicit CombatResultsDlg(const SingleCombatResult* result);

    void HookUp() override;
    void OnInit() override;
    void Refresh() override;

private:
    static ContainerBase* OnOCRDlgClosing(Component* c, BusMessage, ContainerBase*);

    const SingleCombatResult* result;
};

class OverallCombatResultsDlg : public Dialog {
public:
    explicit OverallCombatResultsDlg(List<SingleCombatResult>* results);

    const List<short>& GetHighlight() const { return highlight; }

    void HookUp() override;
    void OnInit() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Close(std::int16_t result) override;

private:
    static ContainerBase* OnCloseGame(Component* c, BusMessage, ContainerBase*);
    // Result `index` (0-based), null when there is none.
    const SingleCombatResult* ResultAt(std::int32_t index) const;
    void AppendHexes(const SingleCombatResult& r);

    List<SingleCombatResult>* results;
    List<short> highlight;
    bool tracking = false;
};
