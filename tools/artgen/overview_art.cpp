// "Overview Maps": each battle's own map, drawn small from the same map data that makes its
// landscape file, laid out as the map view lays the hexes out. The overview's track (the picture
// less its frame) stands for the map view's whole scrolling area, so every hex is drawn where
// the view's cells put it: then the part of the picture under the overview's thumb is the part
// of the map the view shows, at either orientation of the view.
#include "tools/artgen/art_set.h"
#include "tools/artgen/draw.h"
#include "tools/artgen/palette.h"
#include "tools/battlegen/generate.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>

namespace artgen {

namespace {

using battlegen::BattleMap;
using battlegen::Hex;
using datagen::ImageSpec;
using datagen::LibrarySpec;
using draw::Colour;

// The full-size hex: its corners in its block from the top clockwise, 12 pixels a level.
constexpr double kCorner[6][2] = {{65, 0}, {130, 16}, {130, 48}, {65, 64}, {0, 48}, {0, 16}};
constexpr double kLevelHeight = 12;
// The view's cell at full size and the cells it scrolls beyond the map's top-left corner.
constexpr double kCellW = 65, kCellH = 32, kMarginCellsX = 1, kMarginCellsY = 6;
// The picture's frame around the track: left, top, right, bottom (the map tile's margins).
constexpr int kScrollFrame[4] = {9, 7, 13, 11};
constexpr int kHalfFrame[4] = {3, 3, 3, 3};
// The map's hexes are pointed hexes squeezed to a three-quarter view; the overview shows them
// from higher up, so its track is this much taller than the view's area in proportion.
constexpr double kUpright = 1.6;

const Colour kWalnut{92, 62, 36};
const Colour kInk{58, 40, 22};
const Colour kBeyond{44, 58, 36};  // the ground outside the map, as the landscape's background

Colour LevelColour(int level) {
    static const Colour c[6] = {{70, 112, 46}, {92, 128, 52}, {112, 140, 60}, {134, 150, 72}, {150, 154, 84}, {164, 160, 98}};
    return c[std::clamp(level, 0, 5)];
}

struct Place {
    double x, y;
};

// Where the view puts a map's hexes: landscape pixels at full size, turned into the track.
class Layout {
public:
    Layout(const BattleMap& map, bool reversed, double left, double top, double trackW, double trackH)
        : map_(map), reversed_(reversed), left_(left), top_(top) {
        const int w = map.rows, h = map.columns;  // the view's columns are the map's rows
        kx_ = trackW / ((2.0 * w + 2) * kCellW);
        ky_ = trackH / ((std::floor(h * 1.5) + 12) * kCellH);
    }

    // The top-left corner of a hex's block, lifted by its level.
    Place Block(Hex hex) const {
        const int w = map_.rows, h = map_.columns, a = hex.column, b = hex.row;
        const double lift = kLevelHeight * map_.Elevation(hex);
        if (!reversed_) return {kCellW * (2 * (w - (b + 1)) - (a & 1)), 2 * 24.0 * a - lift};
        const int u = h - (a + 1);
        return {kCellW * (2 * b + (u & 1)), 2 * 24.0 * u - lift};
    }
    // The screen row of a hex, counted down the screen.
    int ScreenRow(Hex hex) const { return reversed_ ? map_.columns - 1 - hex.column : hex.column; }

    Place ToTrack(double lx, double ly) const {
        return {left_ + (lx + kMarginCellsX * kCellW) * kx_, top_ + (ly + kMarginCellsY * kCellH) * ky_};
    }
    Place Corner(Hex hex, int corner) const {
        const Place b = Block(hex);
        const int c = ((corner % 6) + 6) % 6;
        return ToTrack(b.x + kCorner[c][0], b.y + kCorner[c][1]);
    }
    Place Centre(Hex hex) const {
        const Place b = Block(hex);
        return ToTrack(b.x + 65, b.y + 32);
    }
    // The map's sides (N, NE, SE, S, SW, NW) are a sixth of a turn on from the screen's (NE, E,
    // SE, SW, W, NW); the reversed view turns them half a turn more.
    int ScreenSide(int mapSideIndex) const { return (mapSideIndex + (reversed_ ? 4 : 1)) % 6; }
    Place SideMiddle(Hex hex, int mapSideIndex) const {
        const int s = ScreenSide(mapSideIndex);
        const Place a = Corner(hex, s), b = Corner(hex, s + 1);
        return {(a.x + b.x) / 2, (a.y + b.y) / 2};
    }
    double PixelsPerCellWidth() const { return 130 * kx_; }

private:
    const BattleMap& map_;
    bool reversed_;
    double left_, top_, kx_ = 0, ky_ = 0;
};

void HexPath(cairo_t* cr, const Layout& at, Hex hex) {
    for (int i = 0; i < 6; ++i) {
        const Place p = at.Corner(hex, i);
        if (i == 0) cairo_move_to(cr, p.x, p.y);
        else cairo_line_to(cr, p.x, p.y);
    }
    cairo_close_path(cr);
}

bool HasCode(const std::vector<std::uint16_t>& codes, std::uint16_t code) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// The way a hex's block carries, as the landscape files it: the last road or railroad code.
std::uint16_t WayTag(const BattleMap& map, Hex hex) {
    std::uint16_t tag = 0;
    for (std::uint16_t k : map.CentreCodes(hex))
        if (k == 12 || k == 13 || k == 16) tag = k;
    return tag;
}

bool IsWater(const BattleMap& map, Hex hex) {
    const std::uint16_t g = map.Ground(hex);
    return g == battlegen::code::River || g == battlegen::code::Ford;
}

Colour GroundColour(const BattleMap& map, Hex hex) {
    const Colour level = LevelColour(map.Elevation(hex));
    switch (map.Ground(hex)) {
    case battlegen::code::Woods: return Colour{40, 84, 32}.Mixed(level, 0.25);
    case battlegen::code::Rough: return level.Mixed({128, 116, 92}, 0.45);
    case battlegen::code::Marsh: return Colour{70, 90, 60}.Mixed(level, 0.2);
    default: return level;
    }
}

void Stroke(cairo_t* cr, Place a, Place b, double width, const Colour& c, double alpha = 1.0) {
    cairo_move_to(cr, a.x, a.y);
    cairo_line_to(cr, b.x, b.y);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    draw::Set(cr, c, alpha);
    cairo_stroke(cr);
}

// The map in the track (left, top, w, h) of the canvas.
void DrawMap(Canvas& canvas, const BattleMap& map, bool reversed, double left, double top, double w, double h) {
    cairo_t* cr = canvas.cr();
    cairo_t* water = canvas.Water();
    const Layout at(map, reversed, left, top, w, h);
    cairo_save(cr);
    cairo_save(water);
    cairo_rectangle(cr, left, top, w, h);
    cairo_clip(cr);
    cairo_rectangle(water, left, top, w, h);
    cairo_clip(water);
    draw::Set(cr, kBeyond);
    cairo_paint(cr);

    std::vector<Hex> hexes;
    for (int c = 0; c < map.columns; ++c)
        for (int r = 0; r < map.rows; ++r)
            if (!map.IsHalfHex({c, r})) hexes.push_back({c, r});
    // Back to front, as the landscape draws its blocks, so that raised ground in front hides
    // what lies behind it.
    std::stable_sort(hexes.begin(), hexes.end(), [&](Hex a, Hex b) { return at.ScreenRow(a) < at.ScreenRow(b); });

    // Ground: each hex whole, in hard-edged pixels, so that every pixel is one hex's.
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_antialias(water, CAIRO_ANTIALIAS_NONE);
    for (Hex hex : hexes) {
        HexPath(cr, at, hex);
        draw::Set(cr, IsWater(map, hex) ? Colour{64, 98, 130} : GroundColour(map, hex));
        cairo_fill(cr);
        HexPath(water, at, hex);
        cairo_set_operator(water, IsWater(map, hex) ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_CLEAR);
        cairo_set_source_rgba(water, 0, 0, 0, 1);
        cairo_fill(water);
    }
    cairo_set_operator(water, CAIRO_OPERATOR_OVER);
    // Towns: a block of roofs in the middle of each hex with buildings.
    const double hexW = at.PixelsPerCellWidth();
    for (Hex hex : hexes) {
        if (!HasCode(map.CentreCodes(hex), battlegen::code::Building)) continue;
        const Place c = at.Centre(hex);
        const double s = std::max(1.0, std::round(hexW * 0.45));
        cairo_rectangle(cr, std::floor(c.x - s / 2 + 0.5), std::floor(c.y - 0.5), s, std::max(1.0, s - 1));
        draw::Set(cr, {150, 68, 48});
        cairo_fill(cr);
    }
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    cairo_set_antialias(water, CAIRO_ANTIALIAS_DEFAULT);

    // Contours: a fine dark line where ground of different levels meets.
    const datagen::LandscapeDraft draft = map.Draft();
    for (Hex hex : hexes)
        for (int i = 0; i < 6; ++i) {
            const Hex n = battlegen::Neighbour(hex, battlegen::kSides[static_cast<std::size_t>(i)]);
            if (!map.Inside(n) || map.IsHalfHex(n) || IsWater(map, hex) || IsWater(map, n)) continue;
            if (map.Elevation(n) >= map.Elevation(hex)) continue;  // drawn once, from the higher side
            const int s = at.ScreenSide(i);
            Stroke(cr, at.Corner(hex, s), at.Corner(hex, s + 1), 0.6, LevelColour(map.Elevation(n)).Scaled(0.55), 0.8);
        }

    // Streams, earthworks and walls along the hex sides, each side once.
    std::set<std::pair<int, int>> sidesDone;
    for (Hex hex : hexes)
        for (int i = 0; i < 6; ++i) {
            int x = 0, y = 0;
            const auto number = static_cast<unsigned short>(hex.Number());
            if (!draft.MidpointOf(number, battlegen::kSides[static_cast<std::size_t>(i)], x, y)) continue;
            if (!sidesDone.insert({x, y}).second) continue;
            const auto& codes = draft.points[static_cast<std::size_t>(y * draft.GridWidth() + x)];
            const int s = at.ScreenSide(i);
            const Place a = at.Corner(hex, s), b = at.Corner(hex, s + 1);
            if (HasCode(codes, battlegen::code::Stream)) Stroke(cr, a, b, 1.0, {72, 112, 176});
            if (HasCode(codes, battlegen::code::Berm)) Stroke(cr, a, b, 0.8, {112, 86, 54});
            if (HasCode(codes, battlegen::code::Wall)) Stroke(cr, a, b, 0.8, {168, 164, 154});
        }

    // Roads and railroads join a hex to each neighbour of the same way, as the landscape joins
    // them; a way that ends at the map's edge runs off it. Over water the road is a bridge.
    for (Hex hex : hexes) {
        const std::uint16_t tag = WayTag(map, hex);
        if (tag == 0) continue;
        std::vector<int> joined, open;
        for (int i = 0; i < 6; ++i) {
            const Hex n = battlegen::Neighbour(hex, battlegen::kSides[static_cast<std::size_t>(i)]);
            if (!map.Inside(n) || map.IsHalfHex(n)) open.push_back(i);
            else if (WayTag(map, n) == tag) joined.push_back(i);
        }
        if (joined.size() == 1 && !open.empty()) joined.push_back(open.front());
        const Place c = at.Centre(hex);
        for (int i : joined) {
            const Place m = at.SideMiddle(hex, i);
            if (tag == battlegen::code::Railroad) {
                Stroke(cr, c, m, 1.0, {52, 44, 40});
            } else {
                Stroke(cr, c, m, 1.1, IsWater(map, hex) ? Colour{150, 108, 64} : Colour{204, 178, 124});
            }
            if (IsWater(map, hex)) {
                cairo_set_operator(water, CAIRO_OPERATOR_CLEAR);
                Stroke(water, c, m, 1.1, {0, 0, 0});
                cairo_set_operator(water, CAIRO_OPERATOR_OVER);
            }
        }
    }
    cairo_restore(water);
    cairo_restore(cr);
}

// A picture: the frame, and the map in the track inside it, sized to the map's proportions
// within at most maxW x maxH of track.
ImageSpec OverviewPicture(const std::string& name, const BattleMap& map, bool reversed, const int frame[4], double maxW,
                          double maxH) {
    const double areaW = (2.0 * map.rows + 2) * kCellW, areaH = (std::floor(map.columns * 1.5) + 12) * kCellH * kUpright;
    const double k = std::min(maxW / areaW, maxH / areaH);
    const int w = std::max(8, static_cast<int>(std::lround(areaW * k))), h = std::max(8, static_cast<int>(std::lround(areaH * k)));
    Canvas c(w + frame[0] + frame[2], h + frame[1] + frame[3]);
    cairo_t* cr = c.cr();
    draw::Set(cr, kWalnut);
    cairo_paint(cr);
    if (frame[0] > 4) {
        draw::Bevel(cr, 0, 0, c.Width(), c.Height(), kWalnut, false, 2);
        draw::Set(cr, kWalnut.Scaled(0.6));
        cairo_rectangle(cr, frame[0] - 2, frame[1] - 2, w + 4, h + 4);
        cairo_fill(cr);
    } else {
        draw::Set(cr, kInk);
        cairo_rectangle(cr, 1, 1, c.Width() - 2, c.Height() - 2);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
    }
    DrawMap(c, map, reversed, frame[0], frame[1], w, h);
    return c.Take(name, 1, 0, 0);
}

} // namespace

std::vector<std::string> TitlesWithoutBattle(const battlegen::DataSources& sources) {
    std::vector<std::string> out;
    const auto& titles = ScenarioTitles();
    for (std::size_t t = 0; t < titles.size(); ++t) {
        bool found = false;
        for (const auto& b : sources.battles) found = found || (b.index == static_cast<int>(t) && sources.maps.count(b.mapFile));
        if (!found) out.push_back(titles[t]);
    }
    return out;
}

void AddOverviewJob(std::vector<LibraryJob>& jobs, std::shared_ptr<const battlegen::DataSources> sources) {
    jobs.push_back({"OVERVIEW.QIF", "Overview Maps", [sources] {
                        LibrarySpec lib;
                        lib.title = "Overview Maps";
                        const auto& titles = ScenarioTitles();
                        for (std::size_t t = 0; t < titles.size(); ++t) {
                            const battlegen::BattleSpec* battle = nullptr;
                            for (const auto& b : sources->battles)
                                if (b.index == static_cast<int>(t)) battle = &b;
                            if (!battle) continue;
                            const auto m = sources->maps.find(battle->mapFile);
                            if (m == sources->maps.end()) continue;
                            lib.sections.push_back(
                                {titles[t],
                                 {OverviewPicture("Half size", m->second, false, kHalfFrame, 114, 84),
                                  OverviewPicture("Scroll 1", m->second, false, kScrollFrame, 150, 110),
                                  OverviewPicture("Scroll 2", m->second, true, kScrollFrame, 150, 110)}});
                        }
                        return lib;
                    }});
}

} // namespace artgen
