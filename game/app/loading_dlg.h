#pragma once
// The start-up splash, reduced to what the application's construction needs of it until the
// loading dialog joins the program: it is attached to the application's bus while the game is
// loaded and told which logo to show. It has no window.
#include "core/component.h"

#include <cstdint>

class LoadingDlg : public Component {
public:
    LoadingDlg() : Component("Loading Dialog") {}
    // 1 when the construction began, 2 once half of the unit types are registered.
    void ShowLogo(std::int16_t logo) { logo_ = logo; }
    std::int16_t CurrentLogo() const { return logo_; }

private:
    std::int16_t logo_ = 0;
};
