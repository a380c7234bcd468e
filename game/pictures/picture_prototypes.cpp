// Which picture class draws each unit type, and the values its prototype is made with.
#include "game/pictures/unit_pictures.h"

VhPhysicalObject* MakeUnitPicturePrototype(const std::string& type, const std::string& art) {
    auto has = [&](const char* word) { return type.find(word) != std::string::npos; };
    if (has("Commander")) return new PLeader(art.c_str(), -1, 1, 0);
    if (has("Heavy Infantry")) return new PHeavyInfantry(art.c_str(), 8, -1, 1);
    if (has("Medium Infantry")) return new PShockingMusket(art.c_str(), 8, -1, 1);
    if (has("Supply Wagon")) return new PSupplyWagon(art.c_str(), -1, 1);
    if (has("Cavalry")) return new PMountedMusket(art.c_str(), 8, -1, 1);
    if (has("Battery")) return new PArtillery(art.c_str(), 1, -1, 1);
    return nullptr;
}
