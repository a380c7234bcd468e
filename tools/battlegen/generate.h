#pragma once
// Makes the game's data directory from the sources: every map under maps/, every battle under
// battles/ with its variants, and the scripts under scripts/ copied as they are.
#include "tools/battlegen/battle_source.h"
#include "tools/battlegen/map_source.h"

#include <map>
#include <string>
#include <vector>

namespace battlegen {

struct DataSources {
    std::map<std::string, BattleMap> maps;   // by map file name
    std::vector<BattleSpec> battles;         // by scenario index
    std::map<std::string, std::string> scripts; // file name to text
};

// Reads and checks every source of a source directory; throws SourceError on the first fault.
DataSources ReadSources(const std::string& sourceDirectory);

// Writes every data file into the directory and returns the names written, in order.
std::vector<std::string> WriteData(const DataSources& sources, const std::string& outputDirectory);

} // namespace battlegen
