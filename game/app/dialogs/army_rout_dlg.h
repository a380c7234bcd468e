#pragma once
// ArmyRoutDlg ("ArmyRoutDlg", "Game Options"): difficulty, fog of war and turn limits before a
// battle. In a network game one copy chooses and the peer's copy watches: the chooser posts each
// change as "DialogEvent", which the network relay forwards, and the watching copy (its controls
// disabled) applies it and closes with the chooser's OK. On one machine the posts reach no
// dialog and change nothing.
#include "ui/windows/dialog.h"

#include <cstdint>

struct DialogEvent;

class ArmyRoutDlg : public Dialog {
public:
    enum : std::int16_t {
        kHelp = 9, kNovice = 10, kDifficult = 14, kTurnLimits = 15, kFogOfWar = 16, kDeployments = 101
    };

    ArmyRoutDlg(std::int32_t side, std::int16_t chooser, std::int16_t showDeployments, std::int16_t turnLimitsAvailable);

    void HookUp() override;
    void OnInit() override;
    void Refresh() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    void OnDialogEvent(const DialogEvent& event);

    float GetDifficultyFactor(std::int32_t which) const { return which == 0 || which == 1 ? factors[which] : 1.0f; }
    std::int16_t GetDefaultDeployments() const { return defaultDeployments; }
    std::int16_t GetTurnLimits() const { return turnLimits; }
    std::int16_t GetFogOfWar() const { return fogOfWar; }
    // The title drawn over the radios: the own side's name and "Difficulty Level".
    std::string TitleText() const;

private:
    void SetFactors(std::int16_t value);
    void PostChoice(std::int16_t controlId, std::int16_t kind, std::int16_t value);
    void SetCheck(std::int16_t itemId, std::int16_t state);

    std::int32_t side;
    std::int32_t otherSide;
    std::int16_t chooser;
    std::int16_t showDeployments;
    float factors[2] = {1.0f, 1.0f};
    std::int16_t defaultDeployments = 1;
    std::int16_t turnLimits;
    std::int16_t turnLimitsAvailable;
    std::int16_t fogOfWar = 1;
};
