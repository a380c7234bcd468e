#include "game/logic/game_records.h"

void UndoStruct::Fill(std::uint16_t unitNumber, std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint32_t la,
                      std::uint16_t d, const std::uint16_t states[10], std::uint32_t lb) {
    unit = unitNumber;
    wordA = a;
    wordB = b;
    wordC = c;
    longA = la;
    wordD = d;
    for (int i = 0; i < 10; ++i) state[i] = states[i];
    longB = lb;
}

bool UndoStruct::operator==(const UndoStruct& o) const {
    for (int i = 0; i < 10; ++i)
        if (state[i] != o.state[i]) return false;
    return unit == o.unit && wordA == o.wordA && wordB == o.wordB && wordC == o.wordC && wordD == o.wordD &&
           longA == o.longA && longB == o.longB;
}
