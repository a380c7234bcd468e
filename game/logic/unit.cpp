#include "game/logic/unit.h"

Unit::Unit(const UnitData& data, const char* name) : Component(name), location(data.region), number(data.unitNumber) {}

Unit::~Unit() = default;
