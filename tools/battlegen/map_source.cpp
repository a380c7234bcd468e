#include "tools/battlegen/map_source.h"

#include <algorithm>
#include <cstring>

namespace battlegen {

namespace {

struct Hill {
    int level;
    int slope;
    std::vector<Hex> hexes;
};

Hex ParseHex(const SourceLine& line, std::size_t i, const BattleMap& map) {
    const Hex h = Hex::FromNumber(line.Number(i, 0, 9999));
    if (!map.Inside(h)) line.Fail("hex " + line.Word(i) + " lies off the map");
    return h;
}

std::vector<Hex> ParsePoints(const SourceLine& line, std::size_t from, const BattleMap& map, std::size_t atLeast) {
    std::vector<Hex> out;
    for (std::size_t i = from; i < line.Size(); ++i) out.push_back(ParseHex(line, i, map));
    if (out.size() < atLeast) line.Fail("needs at least " + std::to_string(atLeast) + " hexes");
    return out;
}

void AddUnique(std::vector<Hex>& hexes, Hex h) {
    if (std::find(hexes.begin(), hexes.end(), h) == hexes.end()) hexes.push_back(h);
}

// A path through the points; every step must lead to a neighbour.
std::vector<Hex> ParsePath(const SourceLine& line, std::size_t from, const BattleMap& map) {
    return Polyline(ParsePoints(line, from, map, 2));
}

std::vector<Hex> ParseShape(const SourceLine& line, std::size_t i, const BattleMap& map) {
    std::vector<Hex> out;
    if (line.Is(i, "hexes")) {
        for (Hex h : ParsePoints(line, i + 1, map, 1)) AddUnique(out, h);
    } else if (line.Is(i, "disc")) {
        const Hex centre = ParseHex(line, i + 1, map);
        const int radius = line.Number(i + 2, 0, 40);
        if (line.Size() != i + 3) line.Fail("a disc is a hex and a radius");
        for (int c = 0; c < map.columns; ++c)
            for (int r = 0; r < map.rows; ++r)
                if (Distance({c, r}, centre) <= radius) out.push_back({c, r});
    } else if (line.Is(i, "band")) {
        const int width = line.Number(i + 1, 0, 20);
        const auto path = ParsePath(line, i + 2, map);
        for (int c = 0; c < map.columns; ++c)
            for (int r = 0; r < map.rows; ++r)
                for (Hex p : path)
                    if (Distance({c, r}, p) <= width) {
                        out.push_back({c, r});
                        break;
                    }
    } else if (line.Is(i, "rect")) {
        const Hex a = ParseHex(line, i + 1, map), b = ParseHex(line, i + 2, map);
        if (line.Size() != i + 3) line.Fail("a rect is two corner hexes");
        for (int c = std::min(a.column, b.column); c <= std::max(a.column, b.column); ++c)
            for (int r = std::min(a.row, b.row); r <= std::max(a.row, b.row); ++r) out.push_back({c, r});
    } else {
        line.Fail("expected a shape: hexes, disc, band or rect");
    }
    return out;
}

int HandOf(const SourceLine& line, std::size_t i) {
    if (line.Is(i, "left")) return -1;
    if (line.Is(i, "right")) return 1;
    line.Fail("expected left or right");
}

} // namespace

bool BattleMap::Has(Hex h, std::uint16_t feature) const {
    const auto& f = cells_[Index(h)].features;
    return std::find(f.begin(), f.end(), feature) != f.end();
}

std::vector<std::uint16_t> BattleMap::CentreCodes(Hex h) const {
    const Cell& cell = cells_[Index(h)];
    std::vector<std::uint16_t> out{cell.ground};
    out.insert(out.end(), cell.features.begin(), cell.features.end());
    return out;
}

datagen::LandscapeDraft BattleMap::Draft() const {
    datagen::LandscapeDraft d(static_cast<std::uint8_t>(columns), static_cast<std::uint8_t>(rows));
    d.name = name;
    d.firstHeaderValue = kRegionOffset;
    const char tag[] = "Varnhold battle map";
    std::memcpy(d.header.data(), tag, sizeof tag - 1);
    for (int c = 0; c < columns; ++c)
        for (int r = 0; r < rows; ++r) {
            const Hex h{c, r};
            d.SetElevation(static_cast<unsigned short>(h.Number()), static_cast<std::uint8_t>(Elevation(h)));
            for (auto k : CentreCodes(h)) d.AddTerrain(static_cast<unsigned short>(h.Number()), k);
        }
    for (const Edge& e : edges_) {
        int x = 0, y = 0;
        if (!d.MidpointOf(static_cast<unsigned short>(e.hex), e.side, x, y)) continue;
        auto& point = d.PointAt(x, y);
        if (std::find(point.begin(), point.end(), e.code) == point.end()) d.AddEdge(static_cast<unsigned short>(e.hex), e.side, e.code);
    }
    return d;
}

BattleMap ParseMap(const std::vector<SourceLine>& lines) {
    BattleMap map;
    std::vector<Hill> hills;
    if (lines.empty() || !lines[0].Is(0, "map")) throw SourceError("a map source begins with its map statement");
    {
        const SourceLine& first = lines[0];
        map.file = first.Word(1);
        map.name = first.Text(2);
        map.columns = first.Number(3, 1, 99);
        map.rows = first.Number(4, 1, 99);
        if (first.Size() != 5) first.Fail("map FILE \"Name\" COLUMNS ROWS");
        if (map.file.size() > 31) first.Fail("a map file name has at most 31 characters");
        map.cells_.assign(static_cast<std::size_t>(map.columns * map.rows), {});
    }
    auto cell = [&map](Hex h) -> BattleMap::Cell& { return map.cells_[map.Index(h)]; };
    auto addFeature = [&](Hex h, std::uint16_t feature) {
        auto& f = cell(h).features;
        if (std::find(f.begin(), f.end(), feature) == f.end()) f.push_back(feature);
    };
    for (std::size_t n = 1; n < lines.size(); ++n) {
        const SourceLine& line = lines[n];
        const std::string& verb = line.Word(0);
        if (line.quoted[0]) line.Fail("a statement begins with a word");
        if (verb == "woods" || verb == "rough" || verb == "marsh" || verb == "clear") {
            const std::uint16_t ground = verb == "woods" ? code::Woods
                                         : verb == "rough" ? code::Rough
                                         : verb == "marsh" ? code::Marsh
                                                           : code::Clear;
            for (Hex h : ParseShape(line, 1, map)) cell(h).ground = ground;
        } else if (verb == "town") {
            for (Hex h : ParseShape(line, 1, map)) addFeature(h, code::Building);
        } else if (verb == "hill") {
            Hill hill{line.Number(1, 1, kTopLevel), 1, {}};
            std::size_t at = 2;
            if (line.Is(2, "steep")) {
                hill.slope = 2;
                at = 3;
            }
            hill.hexes = ParseShape(line, at, map);
            hills.push_back(std::move(hill));
        } else if (verb == "road" || verb == "railroad") {
            for (Hex h : ParsePath(line, 1, map)) addFeature(h, verb == "road" ? code::Road : code::Railroad);
        } else if (verb == "river") {
            for (Hex h : ParsePath(line, 1, map)) cell(h).river = true;
        } else if (verb == "ford") {
            for (Hex h : ParsePoints(line, 1, map, 1)) {
                if (!cell(h).river) line.Fail("ford " + std::to_string(h.Number()) + " is not on a river");
                cell(h).ford = true;
            }
        } else if (verb == "stream" || verb == "berm" || verb == "wall") {
            const std::uint16_t k = verb == "stream" ? code::Stream : verb == "berm" ? code::Berm : code::Wall;
            const int hand = HandOf(line, 1);
            const auto path = ParsePath(line, 2, map);
            auto turn = [hand](int s) { return hand < 0 ? SideCounterClockwise(s) : SideClockwise(s); };
            int before = 0; // the direction of the step before
            for (std::size_t i = 1; i < path.size(); ++i) {
                const Hex a = path[i - 1], b = path[i];
                const int d = SideTowards(a, b);
                const int side = turn(d);
                // Where the path turns away from its hand, the sides of the turning hex between the
                // step before and this one join the two into one unbroken line.
                if (before != 0 && k != code::Wall) {
                    // Turned back toward its hand, the line would cross the path's own sides.
                    if (d == turn(turn(before)) || d == OppositeSide(before))
                        line.Fail(verb + " turns back toward its " + (hand < 0 ? "left" : "right") + " hand at " +
                                  std::to_string(a.Number()));
                    const int arrived = turn(turn(before));
                    int between = 0;
                    for (int s = turn(side); s != arrived && between < 6; s = turn(s)) ++between;
                    if (between >= 1 && between <= 3)
                        for (int s = turn(side); s != arrived; s = turn(s)) map.edges_.push_back({a.Number(), s, k});
                }
                before = d;
                const Hex beside = Neighbour(a, side);
                // The landscape draws a stream or a berm in the hex whose two sides it follows; a
                // half hex at the bottom or no hex at all shows nothing there.
                if (k != code::Wall && (!map.Inside(beside) || map.IsHalfHex(beside)))
                    line.Fail(verb + " from " + std::to_string(a.Number()) + " to " + std::to_string(b.Number()) +
                              " runs along the map's edge, where it cannot be drawn");
                map.edges_.push_back({a.Number(), side, k});
                if (map.Inside(b) && map.Inside(beside)) map.edges_.push_back({b.Number(), SideTowards(b, beside), k});
            }
        } else {
            line.Fail("unknown map statement \"" + verb + "\"");
        }
    }

    // Rivers: a road or railway over a river is a bridge. Deep water meets dry land without a
    // minor-river side: the river hex's own ground already costs the crossing, and the landscape
    // would draw such a side as a stream of its own beside the open water, or not at all where
    // the bank turns no corner in either hex.
    for (int c = 0; c < map.columns; ++c)
        for (int r = 0; r < map.rows; ++r) {
            BattleMap::Cell& here = cell({c, r});
            if (!here.river) continue;
            if (map.Has({c, r}, code::Road) || map.Has({c, r}, code::Railroad)) here.ford = true;
            here.ground = here.ford ? code::Ford : code::River;
        }

    // Level 0 is water: the landscape draws it as river and every road on it as a bridge. Dry
    // ground stands one level above what the hills make it, so the low ground is level 1 and
    // the hills keep their heights over it; a peak drawn at the top level stays there.
    for (int c = 0; c < map.columns; ++c)
        for (int r = 0; r < map.rows; ++r) {
            int level = 0;
            for (const Hill& hill : hills) {
                int nearest = 1000;
                for (Hex h : hill.hexes) nearest = std::min(nearest, Distance({c, r}, h));
                level = std::max(level, hill.level - hill.slope * nearest);
            }
            cell({c, r}).elevation = cell({c, r}).river ? 0 : std::min(kTopLevel, level + 1);
        }
    return map;
}

BattleMap ParseMapText(const std::string& text, const std::string& sourceName) {
    return ParseMap(SplitSource(text, sourceName));
}

} // namespace battlegen
