#include "game/logic/unit.h"

Unit::Unit(const UnitData& data, const char* unitName) : Component(unitName), location(data.region), number(data.unitNumber) {}

Unit::~Unit() = default;
