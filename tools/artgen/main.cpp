// varnhold_artgen DATA_DIRECTORY [--sources DIRECTORY] [--sheets DIRECTORY] [--jobs N]
// Draws every picture the game shows and writes the palette, the image libraries, the art
// index "Vhqif.map", the data-file list "qifdemo.hed" and the animated cursors into the data
// directory. The overview maps are drawn from the battles' text sources (--sources, by default
// the project's data/). With --sheets, also a PNG contact sheet of each library into that
// directory.
#include "tools/artgen/art_set.h"
#include "tools/artgen/palette.h"
#include "tools/battlegen/generate.h"
#include "tools/datagen/palette_writer.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

bool Put(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::string SheetName(const std::string& library) {
    std::string s;
    for (char c : library) s += (std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
    return s + ".png";
}

} // namespace

int main(int argc, char** argv) {
    std::string out, sheets, sources = VH_ARTGEN_SOURCES;
    unsigned jobsWanted = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sheets") == 0 && i + 1 < argc) sheets = argv[++i];
        else if (std::strcmp(argv[i], "--sources") == 0 && i + 1 < argc) sources = argv[++i];
        else if (std::strcmp(argv[i], "--jobs") == 0 && i + 1 < argc) jobsWanted = static_cast<unsigned>(std::atoi(argv[++i]));
        else if (out.empty() && argv[i][0] != '-') out = argv[i];
        else {
            std::fprintf(stderr, "usage: %s DATA_DIRECTORY [--sources DIRECTORY] [--sheets DIRECTORY] [--jobs N]\n", argv[0]);
            return 2;
        }
    }
    if (out.empty()) {
        std::fprintf(stderr, "usage: %s DATA_DIRECTORY [--sources DIRECTORY] [--sheets DIRECTORY] [--jobs N]\n", argv[0]);
        return 2;
    }

    std::error_code madeDirs;
    std::filesystem::create_directories(out, madeDirs);
    if (!sheets.empty()) std::filesystem::create_directories(sheets, madeDirs);

    std::shared_ptr<const battlegen::DataSources> battles;
    try {
        battles = std::make_shared<const battlegen::DataSources>(battlegen::ReadSources(sources));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "varnhold_artgen: %s\n", e.what());
        return 1;
    }
    if (const auto missing = artgen::TitlesWithoutBattle(*battles); !missing.empty()) {
        std::fprintf(stderr, "varnhold_artgen: no battle in %s for the scenario \"%s\": its overview map cannot be drawn\n",
                     sources.c_str(), missing.front().c_str());
        return 1;
    }

    std::vector<artgen::LibraryJob> jobs;
    artgen::AddInterfaceJobs(jobs);
    artgen::AddOverviewJob(jobs, battles);
    artgen::AddTerrainJobs(jobs);
    artgen::AddFigureJobs(jobs);

    // The libraries are independent: drawn side by side, each written as soon as it is made.
    std::vector<datagen::LibrarySpec> made(jobs.size());
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex report;
    const unsigned threads = std::max(1u, jobsWanted ? jobsWanted : std::min(4u, std::thread::hardware_concurrency()));
    auto work = [&] {
        for (std::size_t k; (k = next++) < jobs.size();) {
            datagen::LibrarySpec lib = jobs[k].make();
            const bool empty = lib.sections.empty();
            if (empty || !datagen::WriteLibrary(out + "/" + jobs[k].fileName, lib) ||
                (!sheets.empty() && !artgen::WriteContactSheet(lib, sheets + "/" + SheetName(jobs[k].library)))) {
                std::lock_guard<std::mutex> lock(report);
                std::fprintf(stderr, "varnhold_artgen: cannot make %s (%s)\n", jobs[k].fileName.c_str(),
                             empty ? "nothing drawn: is fonts-dejavu-core installed?" : "not written");
                failed = true;
            }
            // The preloaded libraries are kept for the data-file list, all of them for the previews.
            if (!sheets.empty() || jobs[k].library.rfind("Activation Unit Flags", 0) == 0) made[k] = std::move(lib);
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) pool.emplace_back(work);
    for (std::thread& t : pool) t.join();
    if (failed) return 1;

    std::vector<datagen::ArtIndexEntry> index;
    std::vector<std::pair<std::string, std::string>> preload;
    std::vector<datagen::LibrarySpec> preloadSpecs;
    for (std::size_t k = 0; k < jobs.size(); ++k) {
        index.push_back({jobs[k].fileName, jobs[k].library});
        if (!made[k].sections.empty() && jobs[k].library.rfind("Activation Unit Flags", 0) == 0) {
            preload.push_back({jobs[k].library, jobs[k].fileName});
            preloadSpecs.push_back(made[k]);
        }
    }
    if (!sheets.empty()) {
        std::vector<const datagen::LibrarySpec*> all;
        for (const auto& m : made) all.push_back(&m);
        for (int z = 0; z < 3; ++z)
            if (!artgen::WriteMapPreview(all, z, sheets + "/Map_preview_zoom_" + std::to_string(z) + ".png")) failed = true;
        if (failed) {
            std::fprintf(stderr, "varnhold_artgen: cannot write the map previews\n");
            return 1;
        }
    }
    index.push_back({"WALKDATA.QIF", "Walking Animation Data"});
    bool ok = Put(out + "/WALKDATA.QIF", artgen::WalkingDataFile());
    ok = ok && datagen::WriteArtIndex(out + "/Vhqif.map", index);
    ok = ok && Put(out + "/qifdemo.hed", artgen::DataFileList(preload, preloadSpecs));
    ok = ok && datagen::WritePaletteFile(out + "/" + artgen::kPaletteFileName, artgen::MakePalette());
    for (const artgen::CursorFile& c : artgen::Cursors()) ok = ok && Put(out + "/" + c.fileName, c.bytes);
    if (!ok) {
        std::fprintf(stderr, "varnhold_artgen: cannot write into %s\n", out.c_str());
        return 1;
    }
    std::printf("varnhold_artgen: %zu libraries, the palette %s, the art index and cursors in %s\n", jobs.size() + 1,
                artgen::kPaletteFileName, out.c_str());
    return 0;
}
