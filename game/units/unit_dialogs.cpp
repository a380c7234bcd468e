#include "game/units/unit_dialogs.h"

namespace {
UnitDialogs fallback;
UnitDialogs* current = &fallback;
} // namespace

int UnitDialogs::ConfirmGroupCommand(const std::string&, Component&) { return 1; }

UnitDialogs& GetUnitDialogs() { return *current; }
void SetUnitDialogs(UnitDialogs* dialogs) { current = dialogs ? dialogs : &fallback; }
