#pragma once
// The game's art, library by library: each maker answers the library (title, sections, images)
// that the art index names, drawn by code. Every maker is a pure function of its arguments, so
// the same build makes the same bytes.
#include "tools/datagen/qif_writer.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace battlegen {
struct DataSources;
}

namespace artgen {

struct LibraryJob {
    std::string fileName;  // 8.3 name in the data directory
    std::string library;   // the name the program looks the library up by
    std::function<datagen::LibrarySpec()> make;
};

// " (Half size)", " (Quarter size)" or "" for zoom 1, 2 and 0.
std::string ZoomSuffix(int zoom);

// The scenario titles, in scenario order, as the string table names them.
const std::vector<std::string>& ScenarioTitles();

// Dialogs, controls, toolbar, status bar, frame background, logos, campaign and end of game
// and the fonts.
void AddInterfaceJobs(std::vector<LibraryJob>& jobs);
// "Overview Maps": per scenario title, its battle's own map ("Half size" for the scenario list,
// "Scroll 1" and "Scroll 2" for the map view at its two orientations).
void AddOverviewJob(std::vector<LibraryJob>& jobs, std::shared_ptr<const battlegen::DataSources> sources);
// The scenario titles that have no battle in the sources, which the overview cannot draw.
std::vector<std::string> TitlesWithoutBattle(const battlegen::DataSources& sources);
// Ground, overlays, background, grid, outline, arrows and missile debris at each zoom.
void AddTerrainJobs(std::vector<LibraryJob>& jobs);
// Every unit type's figures at each zoom, the activation flags, rout debris, walking data.
void AddFigureJobs(std::vector<LibraryJob>& jobs);

// The unit art names the figure libraries are made for.
std::vector<std::string> UnitArtNames();

} // namespace artgen

namespace artgen {

// "Walking Animation Data": sections by walking kind ("Foot", "Mounted", ...) of one record per
// figure slot.
std::vector<std::uint8_t> WalkingDataFile();

// Animated cursors (RIFF "ACON" with 32 x 32 cursor frames), by file name.
struct CursorFile {
    std::string fileName;
    std::vector<std::uint8_t> bytes;
};
std::vector<CursorFile> Cursors();

// A picture of a library: every section in a row of its images, each labelled, drawn in the
// palette's colours on a neutral ground. False when the PNG cannot be written.
bool WriteContactSheet(const datagen::LibrarySpec& library, const std::string& pngPath);

// The data-file list "qifdemo.hed": one record per preloaded library (64-byte name, then the
// data generator's record of its file).
std::vector<std::uint8_t> DataFileList(const std::vector<std::pair<std::string, std::string>>& libraries,
                                       const std::vector<datagen::LibrarySpec>& specs);

} // namespace artgen

namespace artgen {

// A small battlefield put together from the made libraries at a zoom (ground of several levels,
// a road, a stream, woods, a farm, a line of infantry, cavalry, a battery, a wagon and an
// officer), so that the pieces can be judged together. Libraries are found by name.
bool WriteMapPreview(const std::vector<const datagen::LibrarySpec*>& libraries, int zoom, const std::string& pngPath);

} // namespace artgen
