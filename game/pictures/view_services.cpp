#include "game/pictures/view_services.h"

namespace {
std::int16_t activeViewMode = -1;
}

std::int16_t GetActiveViewMode() { return activeViewMode; }
void SetActiveViewMode(std::int16_t mode) { activeViewMode = mode; }
