// The art the build draws, as the program reads it: every library of the art index loads whole
// through the image-library reader with every picture decodable, the palette with its stored
// tables is the one the program would compute, the fonts measure text, the cursors load, the
// data-file list is read to its end; the generator makes the same bytes on every run; and the
// application starts on the made data and opens its front-end dialogs without a message box.
#include "comms/ui/net_dialogs.h"
#include "game/app/dialogs/about_dlg.h"
#include "game/app/dialogs/campaign_dlgs.h"
#include "game/app/dialogs/custom_scenario_dlg.h"
#include "game/app/dialogs/end_of_game_dlg.h"
#include "game/app/dialogs/preference_dlg.h"
#include "game/app/dialogs/scenario_dlg.h"
#include "game/app/dialogs/start_game_dlg.h"
#include "game/app/startup.h"
#include "game/app/vh_app.h"
#include "game/logic/hex_geometry.h"
#include "game/logic/landscape_file.h"
#include "landscape/pointed_hex_landscape.h"
#include "platform/cursor.h"
#include "platform/dialog.h"
#include "platform/msgbox.h"
#include "platform/screen.h"
#include "platform/message_queue.h"
#include "tests/ui/ui_fixture.h"
#include "tools/artgen/art_set.h"
#include "tools/artgen/palette.h"
#include "tools/battlegen/generate.h"
#include "ui/font.h"
#include "ui/qif.h"
#include "ui/windows/palette_file.h"
#include "ui/windows/windows_palette.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string Field(const std::uint8_t* p, std::size_t n) {
    std::size_t k = 0;
    while (k < n && p[k]) ++k;
    return std::string(reinterpret_cast<const char*>(p), k);
}

// The art index: library name to file name.
std::map<std::string, std::string> ReadIndex(const fs::path& file) {
    const std::vector<std::uint8_t> b = ReadAll(file);
    std::map<std::string, std::string> out;
    if (b.size() < 2) return out;
    const int count = static_cast<std::int16_t>(b[0] | (b[1] << 8));
    for (int i = 0; i < count && 2 + (i + 1) * 141 <= static_cast<int>(b.size()); ++i) {
        const std::uint8_t* r = b.data() + 2 + i * 141;
        out[Field(r + 13, 128)] = Field(r, 13);
    }
    return out;
}

// The made data directory copied aside, the registry naming it and its palette.
class GeneratedData : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::ResetPlatform();
        platform::ClearDialogScripts();
        for (const auto& e : fs::directory_iterator(VH_DATA_DIR))
            if (e.is_regular_file()) fs::copy_file(e.path(), data.File(e.path().filename().string()), fs::copy_options::overwrite_existing);
        uitest::DataDirectory::SetValue("Tolvane", "Varnhold Demo", "Path", data.Data());
        uitest::DataDirectory::SetValue("Tolvane", "Varnhold Demo", "Palette", artgen::kPaletteFileName);
        index = ReadIndex(data.File("Vhqif.map"));
    }
    void TearDown() override {
        app.reset();
        platform::ClearDialogScripts();
        uitest::ResetPlatform();
    }
    void MakeApp() { app = std::make_unique<WinApp>("Varnhold Demo", "Tolvane", "Vhqif.map"); }

    uitest::DataDirectory data;
    std::map<std::string, std::string> index;
    std::unique_ptr<WinApp> app;
};

TEST_F(GeneratedData, EveryLibraryOfTheIndexLoadsWholeWithEveryPictureDecodable) {
    MakeApp();
    ASSERT_GT(index.size(), 100u);
    for (const auto& [library, file] : index) {
        if (library == "Walking Animation Data") continue;  // records, not pictures
        QIF<Bitmap> lib(library.c_str());
        ASSERT_TRUE(lib.IsLoaded()) << library;
        ASSERT_GT(lib.SectionCount(), 0) << library;
        for (std::int16_t k = 0; k < lib.SectionCount(); ++k) {
            ASSERT_GT(lib.ImageCount(k), 0) << library << " / " << lib.SectionName(k);
            for (std::int16_t i = 0; i < lib.ImageCount(k); ++i) {
                Bitmap* b = lib.GetBitmap(i, k);
                ASSERT_NE(b, nullptr) << library << " / " << lib.SectionName(k) << " " << i;
                EXPECT_GT(b->GetWidth(), 0);
                EXPECT_GT(b->GetHeight(), 0);
                lib.UnlockBitmap(i, k);
            }
        }
    }
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);
}

TEST_F(GeneratedData, EveryLookUpOfTheDisplayAndPicturesFindsItsLibraryAtEachZoom) {
    const char* const suffixes[3] = {"", " (Half size)", " (Quarter size)"};
    const char* const perZoom[] = {"Landscape Blocks",     "Landscape Overlays",   "Hex Grid",    "Hex Outline",
                                   "Battle Arrows",        "Missile Debris",       "Generic Rout Debris",
                                   "Activation Unit Flags", "Ball",                "Cannon",
                                   "Union Medium Infantry", "Confederate Medium Infantry", "Union Cavalry",
                                   "Confederate Cavalry",  "Union Corp Commander", "Union Div Commander",
                                   "Confederate Corp Commander", "Confederate Div Commander", "Union Supply Wagon",
                                   "Confederate Supply Wagon", "Union Iron Battery", "Confederate Iron Battery",
                                   "Union Iron Limbered Battery", "Confederate Iron Limbered Battery"};
    for (const char* name : perZoom)
        for (const char* s : suffixes) EXPECT_TRUE(index.count(std::string(name) + s)) << name << s;
    for (const char* name : {"Landscape Background", "Walking Animation Data", "MS Sans Serif 2", "Chiseled Text",
                             "DialogButtons", "Dialog Bitmaps", "End Of Game Bitmaps", "Campaign Game", "Company Logos",
                             "Blocks for the background", "Status Bar", "Buttons 1", "Buttons 2", "Buttons 3", "Buttons 4",
                             "Scroll Bars", "Slider", "Spinner", "Overview Maps"})
        EXPECT_TRUE(index.count(name)) << name;
    for (const auto& [library, file] : index) {
        EXPECT_TRUE(fs::exists(data.File(file))) << file;
        EXPECT_LE(file.size(), 12u) << file;  // 8.3
    }
}

TEST_F(GeneratedData, SectionsTheProgramAsksForAreThere) {
    MakeApp();
    const struct {
        const char* library;
        std::vector<const char*> sections;
    } wanted[] = {
        {"Landscape Blocks", {"River", "Level 1", "Level 2", "Level 3", "Level 4", "Level 5", "SE Cliffs 1-3", "SE Cliffs 3-5", "SW Cliffs 1-3", "SW Cliffs 3-5"}},
        {"Landscape Overlays", {"Marsh", "Minor Rivers", "Minor River Ends", "Birm", "Ditch", "Scars", "Roads", "Railroads", "Bridges", "Road Fix", "Trees", "Stones", "Building", "Walls"}},
        {"Dialog Bitmaps", {"End of Game", "Combat Results", "Overall Combat Results", "Intro", "Start Game", "Custom Scenario", "Scenario Map", "Army Details", "Unit Overview", "Chat"}},
        {"DialogButtons", {"Pushbutton", "CheckBox", "Radio", "Big Pushbutton", "Big Stone Pushbutton"}},
        {"Campaign Game", {"Dialog", "Victory", "Defeat", "Canvas"}},
        {"End Of Game Bitmaps", {"Victory", "Defeat"}},
        {"Company Logos", {"Tolvane", "Varnhold Works"}},
        {"Union Medium Infantry", {"Standing", "StandingR", "CN", "MN", "N", "NW", "RN", "RoutN", "DropN", "HelmetN", "General"}},
        {"Union Cavalry", {"Standing", "StandingR", "CN", "MN", "N", "CDN", "CDNW", "RoutN", "General"}},
        {"Union Corp Commander", {"Standing", "StandingWA", "ASN", "ASNWA", "NWA", "N"}},
        {"Generic Rout Debris", {"SpearN", "SpearNW", "Shield", "Shield U", "Helmet"}},
        {"Activation Unit Flags", {"Stem", "Shadow", "union", "confederate", "union dis", "confederate dis"}},
        {"Cannon", {"Default", "Cannon", "ExplodeGround", "ExplodeAir"}},
        {"Ball", {"Default", "Ball"}},
    };
    for (const auto& w : wanted) {
        QIF<Bitmap> lib(w.library);
        for (const char* s : w.sections) EXPECT_TRUE(lib.HasSection(s)) << w.library << " / " << s;
    }
    // Facing sequences run in facing order, so that a first section plus the facing finds it.
    QIF<Bitmap> infantry("Confederate Medium Infantry");
    const char* const facings[8] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    for (const char* row : {"", "C", "M", "Rout", "Helmet"})
        for (int f = 0; f < 8; ++f)
            EXPECT_EQ(infantry.SectionIndex((std::string(row) + facings[f]).c_str()),
                      infantry.SectionIndex((std::string(row) + "N").c_str()) + f)
                << row << facings[f];
    // The frames each row's animation plays, at every zoom and facing: a row drawn shorter
    // than its animation leaves the figure without a picture part of the way.
    const struct {
        const char* library;
        const char* row;
        int frames;
    } played[] = {
        {"Union Cavalry", "CD", 11},           {"Confederate Cavalry", "CD", 11},  // dismounting, and back
        {"Union Cavalry", "M", 12},            {"Confederate Cavalry", "M", 12},
        {"Union Cavalry", "C", 20},            {"Union Cavalry", "R", 5},          // hand to hand; rearing
        {"Union Medium Infantry", "M", 14},    {"Confederate Medium Infantry", "C", 20},
        {"Horse", "", 1},                      {"Horse", "Rout", 1},               // the riderless horse gallops off
    };
    const char* const zooms[3] = {"", " (Half size)", " (Quarter size)"};
    for (const auto& p : played)
        for (const char* z : zooms) {
            QIF<Bitmap> lib((std::string(p.library) + z).c_str());
            ASSERT_TRUE(lib.IsLoaded()) << p.library << z;
            for (const char* f : facings) {
                const std::string row = std::string(p.row) + f;
                const std::int16_t k = lib.SectionIndex(row.c_str());
                ASSERT_GE(k, 0) << p.library << z << " / " << row;
                EXPECT_GE(lib.ImageCount(k), p.frames) << p.library << z << " / " << row;
            }
        }
    // The horse a fallen trooper leaves stands in each facing and falls with its rider.
    for (const char* z : zooms) {
        QIF<Bitmap> horse((std::string("Horse") + z).c_str());
        EXPECT_EQ(horse.ImageCount(horse.SectionIndex("Standing")), 8) << z;
        EXPECT_GT(horse.ImageCount(horse.SectionIndex("General")), 0) << z;
    }
    // Ground art: 16 slope groups of four and two more per level.
    QIF<Bitmap> ground("Landscape Blocks (Quarter size)");
    EXPECT_EQ(ground.ImageCount(ground.SectionIndex("Level 3")), 66);
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);
}

TEST_F(GeneratedData, ThePaletteKeepsTheSystemColoursAnimatesTheWaterAndStoresTheTablesTheProgramWouldCompute) {
    PaletteFileData stored;
    ASSERT_EQ(ReadPaletteFile(data.File(artgen::kPaletteFileName), stored), PaletteFileResult::Ok);
    ASSERT_TRUE(stored.hasTables);
    const PALETTEENTRY* system = platform::StaticColours();
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(stored.entries[static_cast<std::size_t>(4 * i + 2)], system[i].peRed) << i;
        EXPECT_EQ(stored.entries[static_cast<std::size_t>(4 * (246 + i) + 1)], system[10 + i].peGreen) << i;
    }
    // The animated entries are blues.
    for (int i = artgen::kFirstWater; i <= artgen::kLastWater; ++i)
        EXPECT_GT(stored.entries[static_cast<std::size_t>(4 * i)], stored.entries[static_cast<std::size_t>(4 * i + 2)]) << i;
    // The same entries without tables (the BMP form): the program computes them itself.
    ASSERT_TRUE(datagen::WriteFile(data.File("computed.pal"), datagen::EncodeBmpPalette(stored.entries)));
    WindowsPalette computed("computed.pal", data.Data());
    for (int k = 1; k <= 5; ++k) {
        ASSERT_NE(computed.GetTable(k), nullptr);
        for (int i = 0; i < 256; ++i)
            EXPECT_EQ(computed.GetTable(k)[i], stored.tables[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(i)])
                << "table " << k << " entry " << i;
    }
}

TEST_F(GeneratedData, TheDialogFontCoversEveryPrintableCharacterAndMeasuresText) {
    MakeApp();
    DialogFont font("MS Sans Serif 2");
    QIF<Bitmap>& lib = font.GetLibrary();
    ASSERT_EQ(lib.ImageCount(lib.SectionIndex("Alphanumeric")), 94);
    // Legible at the templates' size: a line of 13 pixels, capitals of 7 or more.
    EXPECT_GE(font.GetHeight(), 7);
    EXPECT_LE(font.GetHeight() + font.GetDescent(), 14);
    const Box wide = font.GetTextRect("Start &Campaign");
    const Box narrow = font.GetTextRect("ill");
    EXPECT_GT(wide.width, 60);
    EXPECT_LT(narrow.width, 16);
    Font title("Chiseled Text");
    EXPECT_GE(title.GetHeight(), 10);
    EXPECT_GT(title.GetTextRect("Gettysburg").width, 60);
}

// The river and earthwork pieces lie on the sides the landscape puts them for: the piece of
// corner k runs along the map's sides k + 4 and k + 5 (N, NE, SE, S, SW, NW), so its middle
// lies nearest the screen corner those two sides share, found from the program's own placement
// of the neighbouring hexes at each zoom.
TEST_F(GeneratedData, RiverAndEarthworkPiecesLieAlongTheMapSidesOfTheirCorner) {
    MakeApp();
    struct Zoom {
        std::uint16_t bits;
        Dim cell, block;
        std::int16_t step;
    };
    const Zoom zooms[3] = {{0, Dim(130, 64), Dim(130, 76), 12}, {1, Dim(66, 32), Dim(66, 38), 6}, {2, Dim(34, 16), Dim(34, 19), 3}};
    const std::int16_t groups[16] = {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4};
    for (int z = 0; z < 3; ++z) {
        PointedIsometricHexLandscape land(zooms[z].block, zooms[z].cell, "", "", "", "", "", "", "", 0, 16, groups, zooms[z].bits);
        land.SetElevationStep(zooms[z].step);
        LandscapeDefinition d;
        d.size = Dim(6, 6);
        d.regionCount = 36;
        land.BeginLandscape(d);
        auto screen = [&](unsigned short number) {
            const hex::MapPoint p = hex::PointOf(number);
            const Point3D s = land.HexToScreen(Point3D(static_cast<std::int16_t>(p.x), static_cast<std::int16_t>(p.y), 0));
            return std::pair<double, double>(s.x, s.y);
        };
        // The hex at column 2, row 2; a corner of it is the middle of its centre and two neighbours'.
        const auto own = screen(hex::Number(2, 2));
        const double cx = zooms[z].cell.width / 2.0, cy = zooms[z].cell.height / 2.0;
        std::pair<double, double> corner[6];
        for (int k = 0; k < 6; ++k) {
            const auto a = screen(hex::SideNeighbour(2, 2, hex::Sides[static_cast<std::size_t>((k + 4) % 6)], 6, 6));
            const auto b = screen(hex::SideNeighbour(2, 2, hex::Sides[static_cast<std::size_t>((k + 5) % 6)], 6, 6));
            corner[k] = {cx + (a.first + b.first - 2 * own.first) / 3, cy + (a.second + b.second - 2 * own.second) / 3};
        }
        QIF<Bitmap> overlays(("Landscape Overlays" + artgen::ZoomSuffix(z)).c_str());
        ASSERT_TRUE(overlays.IsLoaded()) << z;
        struct Piece {
            const char* section;
            int count, step;
        };
        for (const Piece& piece : {Piece{"Minor Rivers", 6, 3}, Piece{"Birm", 3, 1}, Piece{"Ditch", 6, 1}}) {
            const std::int16_t section = overlays.SectionIndex(piece.section);
            ASSERT_GE(section, 0) << piece.section;
            for (int k = 0; k < piece.count; ++k) {
                Bitmap* bmp = overlays.GetBitmap(static_cast<std::int16_t>(k * piece.step), section);
                ASSERT_NE(bmp, nullptr) << piece.section << " " << k;
                double sx = 0, sy = 0, n = 0;
                for (std::int16_t y = 0; y < bmp->GetHeight(); ++y)
                    for (std::int16_t x = 0; x < bmp->GetWidth(); ++x)
                        if (bmp->IsOpaqueAt(Point(x, y))) {
                            sx += x;
                            sy += y;
                            ++n;
                        }
                bmp->Unlock();
                ASSERT_GT(n, 0) << piece.section << " " << k;
                int nearest = -1;
                double best = 1e18;
                for (int c = 0; c < 6; ++c) {
                    const double dx = sx / n - corner[c].first, dy = sy / n - corner[c].second;
                    if (dx * dx + dy * dy < best) {
                        best = dx * dx + dy * dy;
                        nearest = c;
                    }
                }
                EXPECT_EQ(nearest, k) << piece.section << " picture " << k * piece.step << " at zoom " << z;
            }
        }
    }
}

// The river level is open water that moves with the palette's animated entries; dry levels have
// none, or every low meadow would ripple.
TEST_F(GeneratedData, TheRiverLevelIsAnimatedWaterAndTheDryLevelsAreNot) {
    MakeApp();
    for (int z = 0; z < 3; ++z) {
        QIF<Bitmap> blocks(("Landscape Blocks" + artgen::ZoomSuffix(z)).c_str());
        ASSERT_TRUE(blocks.IsLoaded()) << z;
        for (const char* name : {"River", "Level 1", "Level 5"}) {
            const bool river = std::string(name) == "River";
            const std::int16_t section = blocks.SectionIndex(name);
            ASSERT_GE(section, 0) << name;
            for (std::int16_t i = 0; i < blocks.ImageCount(section); ++i) {
                Bitmap* bmp = blocks.GetBitmap(i, section);
                ASSERT_NE(bmp, nullptr) << name << " " << i;
                int opaque = 0, water = 0;
                for (std::int16_t y = 0; y < bmp->GetHeight(); ++y)
                    for (std::int16_t x = 0; x < bmp->GetWidth(); ++x) {
                        if (!bmp->IsOpaqueAt(Point(x, y))) continue;
                        ++opaque;
                        const int v = bmp->GetPixels()[static_cast<std::size_t>(y) * bmp->Stride() + x];
                        if (v >= artgen::kFirstWater && v <= artgen::kLastWater) ++water;
                    }
                blocks.UnlockBitmap(i, section);
                ASSERT_GT(opaque, 0) << name << " " << i << " at zoom " << z;
                if (river) {
                    EXPECT_GT(water * 2, opaque) << name << " " << i << " at zoom " << z;
                } else {
                    EXPECT_EQ(water, 0) << name << " " << i << " at zoom " << z;
                }
            }
        }
    }
}

// Each battle's overview is its own map: the map view's landscape places every hex of the
// battle's map file (at both orientations of the view), the view's scrolling area is the
// overview's track, and there the picture shows open water over the river's hexes and none over
// dry ground. Bridges are left out (their deck covers the water), and so is water that raised
// ground in front hides on the map as well.
TEST_F(GeneratedData, EachBattlesOverviewShowsWaterExactlyWhereItsMapHasIt) {
    MakeApp();
    QIF<Bitmap> overviews("Overview Maps");
    ASSERT_TRUE(overviews.IsLoaded());
    const battlegen::DataSources sources = battlegen::ReadSources(VH_DATA_SOURCES);
    ASSERT_EQ(sources.battles.size(), artgen::ScenarioTitles().size());
    const std::int16_t groups[16] = {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4};
    for (const battlegen::BattleSpec& battle : sources.battles) {
        const std::string title = artgen::ScenarioTitles().at(static_cast<std::size_t>(battle.index));
        LandscapeFile map;
        ASSERT_TRUE(ReadLandscapeFile(data.File(battle.mapFile), map)) << battle.mapFile;
        const int columns = map.columns, rows = map.rows;
        auto ground = [&](int c, int r) {
            const hex::MapPoint p = hex::PointOf(hex::Number(c, r));
            std::uint16_t g = 0xFFFF, way = 0;
            for (std::uint16_t k : map.PointAt(p.x + 2, p.y + 2)) {
                if (g == 0xFFFF && k <= 5) g = k;
                if (k == 12 || k == 13 || k == 16) way = k;
            }
            return std::pair<std::uint16_t, std::uint16_t>(g, way);
        };
        for (int picture = 0; picture < 2; ++picture) {
            const char* name = picture == 0 ? "Scroll 1" : "Scroll 2";
            PointedIsometricHexLandscape land(Dim(130, 76), Dim(130, 64), "", "", "", "", "", "", "", 0, 16, groups,
                                              static_cast<std::uint16_t>(picture == 0 ? 0 : 4));
            land.SetElevationStep(12);
            LandscapeDefinition d;
            d.size = Dim(static_cast<std::int16_t>(columns), static_cast<std::int16_t>(rows));
            d.regionCount = static_cast<std::int16_t>(columns * rows);
            land.BeginLandscape(d);
            auto block = [&](int c, int r, int z) {
                const hex::MapPoint p = hex::PointOf(hex::Number(c, r));
                return land.HexToScreen(Point3D(static_cast<std::int16_t>(p.x), static_cast<std::int16_t>(p.y), static_cast<std::int16_t>(z)));
            };
            Bitmap* bmp = overviews.GetBitmapByName(name, title.c_str());
            ASSERT_NE(bmp, nullptr) << title << " " << name;
            // The map tile's scrolling area in cells (65 x 32 at full size, from (-1, -6) cells)
            // is the track inside the margins (9, 7) and (13, 11).
            const double trackW = bmp->GetWidth() - 22, trackH = bmp->GetHeight() - 18;
            const double cellsW = static_cast<int>(rows * 2.0) + 2, cellsH = static_cast<int>(columns * 1.5) + 12;
            int water = 0, dry = 0;
            for (int c = 0; c < columns; ++c)
                for (int r = 0; r < rows; ++r) {
                    if (hex::IsHalfHex(c, r, rows)) continue;
                    const auto [g, way] = ground(c, r);
                    const bool river = g == 4 || g == 5;
                    const int z = map.ElevationAt(c, r);
                    const Point3D at = block(c, r, z);
                    if (river) {
                        if (way != 0) continue;
                        bool hidden = false;
                        for (int c2 = 0; c2 < columns && !hidden; ++c2)
                            for (int r2 = 0; r2 < rows && !hidden; ++r2) {
                                const Point3D other = block(c2, r2, 0);
                                const int below = other.y - block(c, r, 0).y;
                                hidden = std::abs(other.x - at.x) <= 130 && below > 0 && below <= 96 && map.ElevationAt(c2, r2) >= 2;
                            }
                        if (hidden) continue;
                    }
                    const int x = 9 + static_cast<int>(std::floor((at.x + 65 + 65.0) / 65.0 * trackW / cellsW));
                    const int y = 7 + static_cast<int>(std::floor((at.y + 32 + 6 * 32.0) / 32.0 * trackH / cellsH));
                    ASSERT_TRUE(x >= 9 && y >= 7 && x < bmp->GetWidth() - 13 && y < bmp->GetHeight() - 11)
                        << title << " " << name << " hex " << hex::Number(c, r) << " lies outside the track";
                    const int v = bmp->GetPixels()[static_cast<std::size_t>(y) * bmp->Stride() + x];
                    const bool shown = v >= artgen::kFirstWater && v <= artgen::kLastWater;
                    EXPECT_EQ(shown, river) << title << " " << name << ": hex " << hex::Number(c, r) << " at (" << x << ", "
                                            << y << ")";
                    (river ? water : dry) += 1;
                }
            overviews.UnlockBitmap(name, title.c_str());
            EXPECT_GT(dry, columns * rows / 2) << title << " " << name;
            std::printf("%s %s: %d water and %d dry hexes compared\n", title.c_str(), name, water, dry);
        }
    }
}

// A bridge lies at the water level, and the landscape lays no climb from it; every bank it joins
// stands a level or more higher. So at its far sides (north-east, north-west) and its upright ones
// (east, west) the deck itself reaches a level up, to where a bank's road begins; the near sides
// meet a bank in front on the same line already.
TEST_F(GeneratedData, EveryBridgeDeckReachesALevelUpAtItsFarAndUprightEnds) {
    MakeApp();
    // Side middles of the full-size hex, clockwise from the north-east.
    const double middle[6][2] = {{97.5, 8}, {130, 32}, {97.5, 56}, {32.5, 56}, {0, 32}, {32.5, 8}};
    const double cellW[3] = {130, 66, 34}, cellH[3] = {64, 32, 16};
    for (int z = 0; z < 3; ++z) {
        QIF<Bitmap> overlays(("Landscape Overlays" + artgen::ZoomSuffix(z)).c_str());
        ASSERT_TRUE(overlays.IsLoaded()) << z;
        const std::int16_t section = overlays.SectionIndex("Bridges");
        ASSERT_GE(section, 0);
        ASSERT_EQ(overlays.ImageCount(section), 12);
        for (std::int16_t n = 0; n < 12; ++n) {
            Bitmap* bmp = overlays.GetBitmap(n, section);
            ASSERT_NE(bmp, nullptr) << n;
            // Picture n joins way bits n / 3 and n / 3 + 2 + n mod 3; bit b is side 5 - b.
            for (int bit : {n / 3, (n / 3 + 2 + n % 3) % 6}) {
                const int side = 5 - bit;
                if (side == 2 || side == 3) continue;
                // A little inside the hex from the end, a level up, in the block's pixels (the
                // picture's own opacity test counts from its hot spot). The water under a deck
                // stays inside the hex and a level below these points.
                const double inward = side == 1 ? -3 : side == 4 ? 3 : 0;
                const int x = static_cast<int>(std::lround((middle[side][0] + inward) * cellW[z] / 130));
                const int y = static_cast<int>(std::lround((middle[side][1] - 12 + (inward == 0 ? 2 : 0)) * cellH[z] / 64));
                bool deck = false;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        deck = deck || bmp->IsOpaqueAt(Point(static_cast<std::int16_t>(x + dx), static_cast<std::int16_t>(y + dy)));
                EXPECT_TRUE(deck) << "bridge " << n << " at side " << side << ", zoom " << z;
            }
            overlays.UnlockBitmap(n, section);
        }
    }
}

TEST_F(GeneratedData, TheCursorsAreAnimatedCursorFilesThatLoad) {
    // Each under its own name and, for a display of 256 colours or fewer, with "8" before ".ani".
    for (const char* name : {"watch.ani", "watch8.ani", "charge.ani", "musket.ani", "cannon.ani", "N.ani", "NE.ani", "E.ani",
                             "SE.ani", "S.ani", "SW.ani", "W.ani", "NW.ani", "charge8.ani", "musket8.ani", "cannon8.ani",
                             "N8.ani", "NE8.ani", "E8.ani", "SE8.ani", "S8.ani", "SW8.ani", "W8.ani", "NW8.ani"}) {
        const std::vector<std::uint8_t> b = ReadAll(data.File(name));
        ASSERT_GT(b.size(), 64u) << name;
        EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF") << name;
        EXPECT_EQ(static_cast<std::size_t>(b[4] | (b[5] << 8) | (b[6] << 16) | (b[7] << 24)), b.size() - 8) << name;
        EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "ACON") << name;
        EXPECT_EQ(std::string(b.begin() + 12, b.begin() + 16), "anih") << name;
        const std::uint32_t frames = b[24] | (b[25] << 8);
        std::size_t icons = 0;
        for (std::size_t at = 0; at + 4 <= b.size(); ++at)
            if (b[at] == 'i' && b[at + 1] == 'c' && b[at + 2] == 'o' && b[at + 3] == 'n') ++icons;
        EXPECT_EQ(icons, frames) << name;
        EXPECT_NE(LoadCursorFromFileA(data.File(name).c_str()), nullptr) << name;
    }
}

TEST_F(GeneratedData, TheMenuPressSoundIsAWave) {
    const std::vector<std::uint8_t> b = ReadAll(data.File("smash.wav"));
    ASSERT_GT(b.size(), 200u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "WAVE");
}

TEST_F(GeneratedData, TheApplicationStartsOnTheMadeDataAndOpensItsDialogsWithoutAMessageBox) {
    startup::SetInstanceMutexName(("Varnhold art test " + std::to_string(::getpid())).c_str());
    int runs = 0;
    int preloaded = -1;
    std::vector<std::string> failures;
    VhApp::SetMainMenu([&](VhApp& vh) {
        ++runs;
        preloaded = vh.PreloadedLibraryCount();
        // Each dialog opened modeless, drawn and closed.
        // VARNHOLD_ART_SHOTS=DIR keeps a picture of the screen with each dialog, to look at.
        const char* shots = std::getenv("VARNHOLD_ART_SHOTS");
        auto open = [&](Dialog& d, const char* name) {
            if (d.Execute(name, Dialog::kModeless) != 0 || !d.IsRunning()) failures.push_back(name);
            d.Refresh();
            if (shots && *shots) {
                MSG m;
                for (int i = 0; i < 2000 && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE); ++i) {
                    TranslateMessage(&m);
                    DispatchMessage(&m);
                }
                platform::SaveScreenPNG(std::string(shots) + "/" + name + ".png");
            }
            d.Close(0);
        };
        { StartGameDlg d(1); open(d, "StartGame"); }
        { ScenarioDlg d; open(d, "Scenario"); }
        { CustomScenarioDlg d; open(d, "CustomSceneDlg"); }
        { About d; open(d, "AboutDlg"); }
        { PreferenceRecord r{}; PreferenceDlg d(&r); open(d, "DemoPreferences"); }
        { List<short> spots; spots.AddTail(0); spots.AddTail(3); CampaignDlg d(0, spots); open(d, "CampaignMap"); }
        { EndOfCampaignDlg d(0, 1); open(d, "CampaignResults"); }
        { EndOfGameDlg d(1, 0); open(d, "EndOfGameDlg"); }
        { StartNetDlg d; open(d, "StartServer"); }
        vh.Quit();
    });
    EXPECT_EQ(WinMain(nullptr, nullptr, "", 1), 0);
    VhApp::SetMainMenu(nullptr);
    startup::SetInstanceMutexName(nullptr);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(preloaded, 3) << "the three flag libraries of the data-file list";
    EXPECT_TRUE(failures.empty()) << failures.front();
    for (std::size_t i = 0; i < platform::ShownMessageBoxCount(); ++i)
        ADD_FAILURE() << "message box: " << platform::ShownMessageBox(i).text;
}

// Two runs of the generator, one thread and three, make the same bytes as the build's run.
TEST(ArtGenerator, MakesTheSameBytesOnEveryRunWhateverItsThreads) {
    const fs::path root = fs::path(::testing::TempDir()) / ("vh_artgen_" + std::to_string(::getpid()));
    fs::remove_all(root);
    for (const char* run : {"one", "three"}) fs::create_directories(root / run);
    // The font configuration library keeps memory for the process's life; a sanitizer build's
    // leak checker must not take that for the generator's.
    const std::string run = std::string("LSAN_OPTIONS=detect_leaks=0 \"") + VH_ARTGEN + "\" \"";
    ASSERT_EQ(std::system((run + (root / "one").string() + "\" --jobs 1 > /dev/null").c_str()), 0);
    ASSERT_EQ(std::system((run + (root / "three").string() + "\" --jobs 3 > /dev/null").c_str()), 0);
    std::size_t files = 0;
    for (const auto& e : fs::directory_iterator(VH_ART_DIR)) {
        const std::string name = e.path().filename().string();
        const std::vector<std::uint8_t> built = ReadAll(e.path());
        EXPECT_EQ(ReadAll(root / "one" / name), built) << name;
        EXPECT_EQ(ReadAll(root / "three" / name), built) << name;
        ++files;
    }
    EXPECT_GT(files, 100u);
    fs::remove_all(root);
}

} // namespace

namespace {

// How far above its feet a picture reaches: rows from the hot spot up to its topmost drawn pixel.
int ReachAboveFeet(const datagen::ImageSpec& image) {
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.pixels[static_cast<std::size_t>(y) * image.width + x] != 0) return image.hotY - y;
    return 0;
}

// A unit eliminated where it stood is shown by its fallen pictures: each must lie on the ground,
// lower than the unit standing, or an eliminated wagon or limbered battery still looks whole.
TEST(ArtGenerator, EveryFallenFigureLiesLowerThanItStands) {
    std::vector<artgen::LibraryJob> jobs;
    artgen::AddFigureJobs(jobs);
    int checked = 0;
    for (const artgen::LibraryJob& job : jobs) {
        if (job.library.find("size)") != std::string::npos) continue;
        const datagen::LibrarySpec lib = job.make();
        const datagen::SectionSpec* standing = nullptr;
        const datagen::SectionSpec* fallen = nullptr;
        for (const datagen::SectionSpec& s : lib.sections) {
            if (s.name == "Standing") standing = &s;
            if (s.name == "General") fallen = &s;
        }
        if (!standing || !fallen || standing->images.empty()) continue;
        const int up = ReachAboveFeet(standing->images.front());
        for (const datagen::ImageSpec& image : fallen->images)
            EXPECT_LT(ReachAboveFeet(image), up * 3 / 4) << job.library << " / " << image.name;
        ++checked;
    }
    EXPECT_GT(checked, 20);
}

// The flag's parts are placed by the pictures from one foot point: the cloth 94 above it (82
// lowered), the cloth's shadow 34 across and 23 down, each offset halved and quartered at the
// smaller zooms. The staff must reach from the foot up to the raised cloth, the cloth hang from
// its hot spot, and the shadow start at the foot; a short staff left the cloth floating high
// above its unit.
TEST(ArtGenerator, TheFlagStaffReachesTheClothAndTheShadowStartsAtItsFoot) {
    std::vector<artgen::LibraryJob> jobs;
    artgen::AddFigureJobs(jobs);
    int checked = 0;
    for (int zoom = 0; zoom < 3; ++zoom) {
        const std::string title = "Activation Unit Flags" + artgen::ZoomSuffix(zoom);
        const int divisor = zoom == 0 ? 1 : zoom == 1 ? 2 : 4;
        for (const artgen::LibraryJob& job : jobs) {
            if (job.library != title) continue;
            SCOPED_TRACE(title);
            const datagen::LibrarySpec lib = job.make();
            for (const datagen::SectionSpec& s : lib.sections)
                for (const datagen::ImageSpec& image : s.images) {
                    SCOPED_TRACE(image.name);
                    // Opaque rows and columns relative to the hot spot.
                    int top = 1 << 20, bottom = -(1 << 20), left = 1 << 20;
                    for (int y = 0; y < image.height; ++y)
                        for (int x = 0; x < image.width; ++x)
                            if (image.pixels[static_cast<std::size_t>(y) * image.width + x] != 0) {
                                top = std::min(top, y - image.hotY);
                                bottom = std::max(bottom, y - image.hotY);
                                left = std::min(left, x - image.hotX);
                            }
                    ASSERT_LE(top, bottom) << "nothing drawn";
                    if (s.name == "Stem") {
                        EXPECT_LE(top, -94 / divisor);
                        EXPECT_GE(bottom, -1);
                    } else if (s.name == "Shadow") {
                        // From the foot, up and to the left of the hot spot, to beyond it.
                        EXPECT_LE(left, -34 / divisor + 2);
                        EXPECT_LE(top, -23 / divisor + 2);
                    } else {
                        // The cloth hangs below its hot spot, no lower than the lowered place.
                        EXPECT_GE(top, -4);  // the wave lifts a corner
                        EXPECT_LE(bottom, 18);
                    }
                }
            ++checked;
        }
    }
    EXPECT_EQ(checked, 3);
}

} // namespace
