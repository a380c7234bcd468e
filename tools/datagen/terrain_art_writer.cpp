#include "tools/datagen/terrain_art_writer.h"

namespace datagen::terrain {

namespace {

ImageSpec Blank(const std::string& name, int w, int h) {
    ImageSpec s;
    s.name = name;
    s.width = static_cast<std::int16_t>(w);
    s.height = static_cast<std::int16_t>(h);
    s.type = 2;  // colour 0 is transparent
    s.pixels.assign(static_cast<std::size_t>(w) * h, 0);
    return s;
}

void FillArea(ImageSpec& s, const Area& a, std::uint8_t colour) {
    for (int y = a.y; y < a.y + a.height && y < s.height; ++y)
        for (int x = a.x; x < a.x + a.width && x < s.width; ++x)
            if (x >= 0 && y >= 0) s.pixels[static_cast<std::size_t>(y) * s.width + x] = colour;
}

ImageSpec Feature(const std::string& name, int zoom, const Area& a, std::uint8_t colour) {
    const ZoomSizes z = SizesFor(zoom);
    ImageSpec s = Blank(name, z.blockWidth, z.blockHeight);
    FillArea(s, a, colour);
    return s;
}

SectionSpec Run(const std::string& section, const std::string& prefix, int count, int zoom, const Area& a,
                std::uint8_t colour) {
    SectionSpec s;
    s.name = section;
    for (int i = 0; i < count; ++i) s.images.push_back(Feature(prefix + std::to_string(i), zoom, a, colour));
    return s;
}

} // namespace

ZoomSizes SizesFor(int zoom) {
    switch (zoom) {
    case 1: return {66, 32, 66, 38};
    case 2: return {34, 16, 34, 19};
    default: return {130, 64, 130, 76};
    }
}

std::string Suffix(int zoom) {
    if (zoom == 1) return " (Half size)";
    if (zoom == 2) return " (Quarter size)";
    return "";
}

bool InsideHex(int x, int y, int cw, int ch) {
    if (y < 0 || y >= ch || x < 0 || x >= cw) return false;
    const int q = ch / 4, half = cw / 2;
    // The points at top and bottom narrow to nothing over a quarter of the cell's height.
    int reach = half;
    if (y < q) reach = half * (2 * y + 1) / (2 * q);
    else if (y >= ch - q) reach = half * (2 * (ch - 1 - y) + 1) / (2 * q);
    const int dx = 2 * x + 1 - cw;  // twice the distance from the centre line
    return dx < 2 * reach && -dx < 2 * reach;
}

Area MarshArea(int zoom) {
    const ZoomSizes z = SizesFor(zoom);
    return {z.cellWidth / 4, z.cellHeight / 4, z.cellWidth / 2, z.cellHeight / 8};
}
Area RiverArea(int zoom) {
    const ZoomSizes z = SizesFor(zoom);
    return {z.cellWidth / 4, z.cellHeight / 2, z.cellWidth / 8, z.cellHeight / 8};
}
Area EarthworkArea(int zoom) {
    const ZoomSizes z = SizesFor(zoom);
    return {z.cellWidth * 5 / 8, z.cellHeight / 2, z.cellWidth / 8, z.cellHeight / 8};
}
Area ScarArea(int zoom) {
    const ZoomSizes z = SizesFor(zoom);
    return {z.cellWidth / 2 - 2, z.cellHeight * 3 / 4 - 2, 4, 4};
}
Area RoadArea(int zoom) {
    const ZoomSizes z = SizesFor(zoom);
    return {z.cellWidth / 8, z.cellHeight * 5 / 8, z.cellWidth * 3 / 4, z.cellHeight / 16 + 1};
}

LibrarySpec GroundArt(int zoom, int groupSize, int levels) {
    const ZoomSizes z = SizesFor(zoom);
    LibrarySpec lib;
    lib.title = kGround + Suffix(zoom);
    for (int level = 0; level < levels; ++level) {
        SectionSpec s;
        s.name = level == 0 ? "River" : "Level " + std::to_string(level);
        const int count = 16 * groupSize + 2;
        for (int p = 0; p < count; ++p) {
            ImageSpec img = Blank("G" + std::to_string(level) + "_" + std::to_string(p), z.blockWidth, z.blockHeight);
            const std::uint8_t colour = GroundColour(level, groupSize > 0 ? p / groupSize : 0);
            for (int y = 0; y < z.cellHeight; ++y)
                for (int x = 0; x < z.cellWidth; ++x)
                    if (InsideHex(x, y, z.cellWidth, z.cellHeight))
                        img.pixels[static_cast<std::size_t>(y) * z.blockWidth + x] = colour;
            s.images.push_back(std::move(img));
        }
        lib.sections.push_back(std::move(s));
    }
    const Area cliff{0, 0, z.blockWidth / 2, z.blockHeight / 4};
    for (const char* name : {"SE Cliffs 1-3", "SE Cliffs 3-5"}) {
        SectionSpec s;
        s.name = name;
        for (int i = 0; i < 2; ++i) {
            ImageSpec img = Blank(std::string("SE") + std::to_string(i), cliff.width, cliff.height);
            FillArea(img, cliff, kSeCliff);
            s.images.push_back(std::move(img));
        }
        lib.sections.push_back(std::move(s));
    }
    for (const char* name : {"SW Cliffs 1-3", "SW Cliffs 3-5"}) {
        SectionSpec s;
        s.name = name;
        for (int i = 0; i < 2; ++i) {
            ImageSpec img = Blank(std::string("SW") + std::to_string(i), cliff.width, cliff.height);
            FillArea(img, cliff, kSwCliff);
            s.images.push_back(std::move(img));
        }
        lib.sections.push_back(std::move(s));
    }
    return lib;
}

LibrarySpec FeatureArt(int zoom) {
    LibrarySpec lib;
    lib.title = kTerrain + Suffix(zoom);
    lib.sections.push_back(Run("Marsh", "Marsh", 3, zoom, MarshArea(zoom), kMarsh));
    lib.sections.push_back(Run("Minor Rivers", "River", 18, zoom, RiverArea(zoom), kRiver));
    lib.sections.push_back(Run("Minor River Ends", "End", 12, zoom, RiverArea(zoom), kRiverEnd));
    lib.sections.push_back(Run("Birm", "Birm", 3, zoom, EarthworkArea(zoom), kBirm));
    lib.sections.push_back(Run("Ditch", "Ditch", 6, zoom, EarthworkArea(zoom), kDitch));
    lib.sections.push_back(Run("Scars", "Scar", 2, zoom, ScarArea(zoom), kScar));
    lib.sections.push_back(Run("Roads", "Road", 30, zoom, RoadArea(zoom), kRoad));
    lib.sections.push_back(Run("Railroads", "Rail", 10, zoom, RoadArea(zoom), kRailroad));
    lib.sections.push_back(Run("Bridges", "Bridge", 10, zoom, RoadArea(zoom), kBridge));
    lib.sections.push_back(Run("Road Fix", "Fix", 2, zoom, RoadArea(zoom), kRoadFix));
    return lib;
}

LibrarySpec OverlayArt(int zoom, std::uint8_t colour) {
    const ZoomSizes z = SizesFor(zoom);
    LibrarySpec lib;
    lib.title = (colour == kGridLine ? kGrid : kOutline) + Suffix(zoom);
    SectionSpec s;
    s.name = "Masks";
    for (int mask = 0; mask < 16; ++mask) {
        ImageSpec img = Blank("Mask" + std::to_string(mask), z.blockWidth, z.blockHeight);
        for (int y = 0; y < z.cellHeight; ++y)
            for (int x = 0; x < z.cellWidth; ++x) {
                const bool in = InsideHex(x, y, z.cellWidth, z.cellHeight);
                const bool edge = !InsideHex(x - 1, y, z.cellWidth, z.cellHeight) ||
                                  !InsideHex(x + 1, y, z.cellWidth, z.cellHeight) ||
                                  !InsideHex(x, y - 1, z.cellWidth, z.cellHeight) ||
                                  !InsideHex(x, y + 1, z.cellWidth, z.cellHeight);
                if (in && edge) img.pixels[static_cast<std::size_t>(y) * z.blockWidth + x] = colour;
            }
        s.images.push_back(std::move(img));
    }
    lib.sections.push_back(std::move(s));
    return lib;
}

std::vector<ArtIndexEntry> WriteTerrainArt(const std::string& directory, int groupSize, int levels) {
    std::vector<ArtIndexEntry> entries;
    for (int zoom = 0; zoom < 3; ++zoom) {
        const std::string z = std::to_string(zoom);
        const std::string suffix = Suffix(zoom);
        const struct {
            std::string file;
            std::string library;
            LibrarySpec spec;
        } files[] = {
            {"GROUND" + z + ".QIF", kGround + suffix, GroundArt(zoom, groupSize, levels)},
            {"TERRAIN" + z + ".QIF", kTerrain + suffix, FeatureArt(zoom)},
            {"GRID" + z + ".QIF", kGrid + suffix, OverlayArt(zoom, kGridLine)},
            {"OUTLINE" + z + ".QIF", kOutline + suffix, OverlayArt(zoom, kOutlineLine)},
        };
        for (const auto& f : files) {
            if (!WriteLibrary(directory + "/" + f.file, f.spec)) return {};
            entries.push_back({f.file, f.library});
        }
    }
    return entries;
}

int SpriteSize(int zoom) { return 8 >> zoom; }

namespace {

ImageSpec Standing(const std::string& name, int w, int h, std::uint8_t colour) {
    ImageSpec s = Blank(name, w, h);
    FillArea(s, Area{0, 0, w, h}, colour);
    s.hotX = static_cast<std::int16_t>(w / 2);
    s.hotY = static_cast<std::int16_t>(h - 1);
    return s;
}

} // namespace

std::vector<SectionSpec> SpriteSections(int zoom) {
    const int n = SpriteSize(zoom);
    const struct {
        const char* name;
        int count;
        std::uint8_t colour;
    } kinds[] = {{"Trees", 3, kTree}, {"Stones", 2, kStones}, {"Building", 40, kBuilding}, {"Walls", 3, kWall}};
    std::vector<SectionSpec> out;
    for (const auto& k : kinds) {
        SectionSpec s;
        s.name = k.name;
        for (int p = 0; p < k.count; ++p)
            s.images.push_back(
                Standing(std::string(k.name) + std::to_string(p), n, n, static_cast<std::uint8_t>(k.colour + p)));
        out.push_back(std::move(s));
    }
    return out;
}

LibrarySpec BattleArrowArt(int zoom) {
    LibrarySpec lib;
    lib.title = kBattleArrows + Suffix(zoom);
    SectionSpec s;
    s.name = "Arrows";
    for (int d = 0; d < 8; ++d)
        s.images.push_back(Standing("Arrow" + std::to_string(d + 1), 16 >> zoom, 8 >> zoom,
                                    static_cast<std::uint8_t>(kArrow + d)));
    lib.sections.push_back(std::move(s));
    return lib;
}

std::vector<ArtIndexEntry> WriteGameLandscapeArt(const std::string& directory, int groupSize, int levels) {
    std::vector<ArtIndexEntry> entries;
    for (int zoom = 0; zoom < 3; ++zoom) {
        const std::string z = std::to_string(zoom);
        const std::string suffix = Suffix(zoom);
        LibrarySpec overlays = FeatureArt(zoom);
        overlays.title = kLandscapeOverlays + suffix;
        for (SectionSpec& s : SpriteSections(zoom)) overlays.sections.push_back(std::move(s));
        LibrarySpec blocks = GroundArt(zoom, groupSize, levels);
        blocks.title = kLandscapeBlocks + suffix;
        LibrarySpec debris;
        debris.title = kMissileDebris + suffix;
        debris.sections.push_back(SectionSpec{"Debris", {Standing("Debris0", 4, 4, kDebris)}});
        const struct {
            std::string file;
            std::string library;
            LibrarySpec spec;
        } files[] = {
            {"LBLOCKS" + z + ".QIF", kLandscapeBlocks + suffix, blocks},
            {"LOVER" + z + ".QIF", kLandscapeOverlays + suffix, overlays},
            {"ARROWS" + z + ".QIF", kBattleArrows + suffix, BattleArrowArt(zoom)},
            {"DEBRIS" + z + ".QIF", kMissileDebris + suffix, debris},
        };
        for (const auto& f : files) {
            if (!WriteLibrary(directory + "/" + f.file, f.spec)) return {};
            entries.push_back({f.file, f.library});
        }
    }
    LibrarySpec background;
    background.title = kLandscapeBackground;
    ImageSpec square = Blank("Block #1", 16, 16);
    square.type = 1;
    FillArea(square, Area{0, 0, 16, 16}, kBackground);
    background.sections.push_back(SectionSpec{"Blocks", {square}});
    if (!WriteLibrary(directory + "/LBACK.QIF", background)) return {};
    entries.push_back({"LBACK.QIF", kLandscapeBackground});
    return entries;
}

} // namespace datagen::terrain
