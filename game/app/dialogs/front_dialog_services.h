#pragma once
// The referee's leader-control and game-options questions answered with the front-end dialogs.
// The application joins these with its other dialog services; the dialogs are attached to the
// given bus (the logical layer's) while they run, so that the game options dialog hears and
// posts "DialogEvent" there.
#include "game/logic/referee/app_services.h"

class Bus;

class FrontDialogServices : public GameAppServices {
public:
    explicit FrontDialogServices(Bus* dialogBus = nullptr) : bus(dialogBus) {}

    // "IntroDlg" with the names of the two sides; false (nothing set) when it could not run.
    bool RunLeaderControlDialog(std::uint16_t& nation0, std::uint16_t& nation1) override;
    // "ArmyRoutDlg", application-modal: the player's side is 1 when the computer plays side 0;
    // `chooser` (the "GameOptions" payload) says whether this copy decides; turn limits are
    // offered when `turnLimitsAvailable` is set. False (out untouched) unless it ended with OK.
    bool RunGameOptionsDialog(bool nation0Computer, int chooser, int turnLimitsAvailable, GameOptions& out) override;

private:
    Bus* bus;
};
