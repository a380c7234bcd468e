#include "tools/battlegen/generate.h"

#include "tools/datagen/credits_writer.h"
#include "tools/datagen/history_writer.h"
#include "tools/datagen/landscape_writer.h"
#include "tools/datagen/scenario_writer.h"
#include "tools/datagen/variant_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

namespace battlegen {

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> FilesIn(const fs::path& directory) {
    std::vector<fs::path> out;
    if (!fs::is_directory(directory)) return out;
    for (const auto& entry : fs::directory_iterator(directory))
        if (entry.is_regular_file()) out.push_back(entry.path());
    std::sort(out.begin(), out.end());
    return out;
}

void Check(bool ok, const std::string& message) {
    if (!ok) throw SourceError(message);
}

} // namespace

DataSources ReadSources(const std::string& sourceDirectory) {
    DataSources s;
    const fs::path root(sourceDirectory);
    for (const auto& path : FilesIn(root / "maps")) {
        if (path.extension() != ".txt") continue;
        BattleMap map = ParseMapText(ReadWholeFile(path.string()), path.string());
        Check(!s.maps.count(map.file), path.string() + ": map " + map.file + " is made twice");
        s.maps.emplace(map.file, std::move(map));
    }
    for (const auto& path : FilesIn(root / "scripts")) s.scripts.emplace(path.filename().string(), ReadWholeFile(path.string()));
    std::set<std::string> files;
    for (const auto& path : FilesIn(root / "battles")) {
        if (path.extension() != ".txt") continue;
        BattleSpec battle = ParseBattleText(ReadWholeFile(path.string()), path.string());
        Check(s.maps.count(battle.mapFile) == 1, path.string() + ": no source makes the map " + battle.mapFile);
        for (const auto& scripts : battle.scripts)
            for (const auto& name : scripts) Check(s.scripts.count(name) == 1, path.string() + ": no script " + name);
        Check(files.insert(battle.file).second, path.string() + ": " + battle.file + " is made twice");
        for (const auto& v : battle.variants) {
            Check(files.insert(v.scenarioFile).second, path.string() + ": " + v.scenarioFile + " is made twice");
            Check(files.insert(v.variantFile).second, path.string() + ": " + v.variantFile + " is made twice");
        }
        s.battles.push_back(std::move(battle));
    }
    std::sort(s.battles.begin(), s.battles.end(), [](const BattleSpec& a, const BattleSpec& b) { return a.index < b.index; });
    for (std::size_t i = 1; i < s.battles.size(); ++i)
        Check(s.battles[i].index != s.battles[i - 1].index,
              s.battles[i].source + ": scenario index " + std::to_string(s.battles[i].index) + " is taken");
    return s;
}

std::vector<std::string> WriteData(const DataSources& sources, const std::string& outputDirectory) {
    const fs::path out(outputDirectory);
    fs::create_directories(out);
    std::vector<std::string> written;
    auto done = [&](bool ok, const std::string& name) {
        Check(ok, (out / name).string() + ": cannot be written");
        written.push_back(name);
    };
    for (const auto& [name, map] : sources.maps) done(datagen::WriteLandscapeFile((out / name).string(), map.Draft()), name);
    for (const BattleSpec& battle : sources.battles) {
        const BattleMap& map = sources.maps.at(battle.mapFile);
        const BuiltBattle plain = BuildPlain(battle, map);
        {
            const std::string name = GroupNumberFile(battle);
            std::ofstream f(out / name, std::ios::binary);
            f << GroupNumberConstants(battle);
            done(static_cast<bool>(f), name);
        }
        done(datagen::WriteScenarioFile((out / plain.scenarioFile).string(), plain.scenario), plain.scenarioFile);
        for (const BuiltVariant& v : BuildVariants(battle, map)) {
            done(datagen::WriteScenarioFile((out / v.battle.scenarioFile).string(), v.battle.scenario), v.battle.scenarioFile);
            done(datagen::WriteVariantFile((out / v.variantFile).string(), v.variant), v.variantFile);
        }
    }
    for (const auto& [name, text] : sources.scripts) {
        std::ofstream f(out / name, std::ios::binary);
        f << text;
        done(static_cast<bool>(f), name);
    }
    done(datagen::WriteCreditsFile((out / "credits.rtf").string()), "credits.rtf");
    std::vector<datagen::HistoryEntry> history;
    for (const BattleSpec& battle : sources.battles) history.push_back({battle.title, battle.subtitle, battle.about});
    fs::create_directories(out / "history");
    done(datagen::WriteHistoryFile((out / "history" / "HISTORY.htm").string(), history), "history/HISTORY.htm");
    return written;
}

} // namespace battlegen
