#include "game/logic/combat_records.h"

bool SingleCombatResult::operator==(const SingleCombatResult& o) const {
    std::string mine, theirs;
    firstNames.PeekHead(mine);
    o.firstNames.PeekHead(theirs);
    return mine == theirs;
}
