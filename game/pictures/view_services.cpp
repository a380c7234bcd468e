#include "game/pictures/view_services.h"

#include "game/pictures/hex_directions.h"

namespace {
std::int16_t activeViewMode = -1;
}

std::int16_t GetActiveViewMode() { return activeViewMode; }
void SetActiveViewMode(std::int16_t mode) { activeViewMode = mode; }

std::int16_t ViewLandscape::HexNeighbour(std::int16_t hex, std::int32_t direction) { return ::HexNeighbour(hex, direction); }
