#include "tools/datagen/figure_art_writer.h"

#include "tools/datagen/byte_writer.h"

namespace datagen {

namespace figures {

namespace {

const char* const kFacings[8] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};

ImageSpec Figure(const std::string& name, int zoom, std::uint8_t colour) {
    ImageSpec s;
    s.name = name;
    s.width = static_cast<std::int16_t>(FigureWidth(zoom));
    s.height = static_cast<std::int16_t>(FigureHeight(zoom));
    s.hotX = static_cast<std::int16_t>(s.width / 2);
    s.hotY = static_cast<std::int16_t>(s.height - 1);
    s.type = 4;
    s.pixels.assign(static_cast<std::size_t>(s.width) * s.height, colour);
    // The top-left corner stays transparent: a hit there finds nothing.
    s.pixels[0] = 0;
    return s;
}

SectionSpec Sequence(const std::string& name, int zoom, int section, int frames) {
    SectionSpec s;
    s.name = name;
    for (int f = 0; f < frames; ++f)
        s.images.push_back(Figure(name + " " + std::to_string(f), zoom, FrameColour(section, f)));
    return s;
}

} // namespace

LibrarySpec SequencesArt(const std::string& title, int zoom, const std::vector<std::pair<std::string, int>>& sequences) {
    LibrarySpec l;
    l.title = title + Suffix(zoom);
    for (std::size_t k = 0; k < sequences.size(); ++k)
        l.sections.push_back(Sequence(sequences[k].first, zoom, static_cast<int>(k), sequences[k].second));
    return l;
}

std::string Suffix(int zoom) { return zoom == 1 ? " (Half size)" : zoom == 2 ? " (Quarter size)" : ""; }

int FigureWidth(int zoom) { return 8 >> zoom; }
int FigureHeight(int zoom) { return 16 >> zoom; }

std::vector<std::string> FigureSections() {
    std::vector<std::string> names = {"Standing", "CN"};
    for (const char* f : kFacings) names.push_back(f);
    names.push_back("Helmet");
    return names;
}

LibrarySpec FigureArt(int zoom, int walkFrames) {
    LibrarySpec l;
    l.title = "Figures" + Suffix(zoom);
    const std::vector<std::string> names = FigureSections();
    for (std::size_t k = 0; k < names.size(); ++k)
        l.sections.push_back(Sequence(names[k], zoom, static_cast<int>(k), k == 0 ? 8 : walkFrames));
    return l;
}

LibrarySpec FlagArt(int zoom, int clothFrames) {
    LibrarySpec l;
    l.title = "Activation Unit Flags" + Suffix(zoom);
    const char* const names[6] = {"Stem", "Shadow", "union", "confederate", "union dis", "confederate dis"};
    for (int k = 0; k < 6; ++k) {
        SectionSpec s;
        s.name = names[k];
        const int n = k == 0 ? 1 : clothFrames;
        for (int f = 0; f < n; ++f)
            s.images.push_back(Figure(s.name + " " + std::to_string(f), zoom, FlagColour(k, f)));
        l.sections.push_back(s);
    }
    return l;
}

LibrarySpec DebrisArt(int zoom) {
    LibrarySpec l;
    l.title = "Generic Rout Debris" + Suffix(zoom);
    const char* const names[3] = {"Shield", "Shield U", "Helmet"};
    for (int k = 0; k < 3; ++k) {
        SectionSpec s;
        s.name = names[k];
        s.images.push_back(Figure(s.name + " 0", zoom, static_cast<std::uint8_t>(90 + k)));
        l.sections.push_back(s);
    }
    return l;
}

WalkPoint WalkingPoint(int seed, int facing, int entry, int hex, int k) {
    const int base = seed * 1000 + facing * 100 + entry * 7 + hex * 3 + k;
    return {static_cast<std::int16_t>(base % 97 - 48), static_cast<std::int16_t>(-(base % 61) + 20)};
}

std::int32_t WalkingDuration(int seed, int facing, int entry, int hex, int k) {
    return 100000 * seed + 1000 * facing + 50 * entry + 10 * hex + k;
}

WalkPoint WalkingRest(int seed, int facing) {
    return {static_cast<std::int16_t>(seed * 3 + facing), static_cast<std::int16_t>(-seed - 2 * facing)};
}

std::vector<std::uint8_t> EncodeWalkingRecord(const std::string& name, int seed) {
    ByteWriter w;
    w.Text(name, 128);
    for (int f = 1; f <= 8; ++f) {
        for (int e = 1; e <= 10; ++e)
            for (int h = 0; h < 3; ++h) {
                for (int k = 0; k < 3; ++k) {
                    const WalkPoint p = WalkingPoint(seed, f, e, h, k);
                    w.I16(p.x);
                    w.I16(p.y);
                }
                for (int k = 0; k < 3; ++k) w.U32(static_cast<std::uint32_t>(WalkingDuration(seed, f, e, h, k)));
            }
        const WalkPoint r = WalkingRest(seed, f);
        w.I16(r.x);
        w.I16(r.y);
    }
    return std::move(w.Data());
}

std::vector<std::uint8_t> EncodeRecordLibrary(const std::string& title, const std::vector<RecordSection>& sections) {
    ByteWriter w;
    w.Text(title, 128);
    std::size_t total = 0;
    for (const auto& s : sections) total += s.records.size();
    w.I16(static_cast<std::int16_t>(sections.size()));
    w.I16(static_cast<std::int16_t>(total));
    for (const RecordSection& s : sections) {
        w.Text(s.name, 128);
        w.I16(static_cast<std::int16_t>(s.records.size()));
        w.U32(0);
        const std::size_t nextAt = w.Size();
        w.U32(0);
        for (const auto& r : s.records) w.Bytes(r);
        w.PatchU32(nextAt, static_cast<std::uint32_t>(w.Size()));
    }
    return std::move(w.Data());
}

std::vector<ArtIndexEntry> WriteFigureArt(const std::string& directory, const std::string& artName) {
    std::vector<ArtIndexEntry> entries;
    for (int z = 0; z < 3; ++z) {
        const std::string fig = "FIG" + std::to_string(z) + ".QIF";
        const std::string flag = "FLAG" + std::to_string(z) + ".QIF";
        if (!WriteLibrary(directory + "/" + fig, FigureArt(z))) return {};
        if (!WriteLibrary(directory + "/" + flag, FlagArt(z))) return {};
        entries.push_back({fig, artName + Suffix(z)});
        entries.push_back({flag, "Activation Unit Flags" + Suffix(z)});
    }
    for (int z = 0; z < 3; ++z) {
        const std::string debris = "DEBRIS" + std::to_string(z) + ".QIF";
        if (!WriteLibrary(directory + "/" + debris, DebrisArt(z))) return {};
        entries.push_back({debris, "Generic Rout Debris" + Suffix(z)});
    }
    // The shared missile art every picture set-up opens: the musket ball and the cannon shot.
    for (const char* title : {"Ball", "Cannon"}) {
        for (int z = 0; z < 3; ++z) {
            const std::string file = std::string(title).substr(0, 4) + "MIS" + std::to_string(z) + ".QIF";
            if (!WriteLibrary(directory + "/" + file,
                              SequencesArt(title, z, {{"Default", 1}, {"Ball", 1}, {"Cannon", 1}, {"ExplodeGround", 7}, {"ExplodeAir", 7}})))
                return {};
            entries.push_back({file, title + Suffix(z)});
        }
    }
    const std::vector<RecordSection> sections = {{"Foot", {EncodeWalkingRecord("Foot", 1)}},
                                                 {"Mounted", {EncodeWalkingRecord("Mounted", 2)}}};
    if (!WriteFile(directory + "/WALKDATA.QIF", EncodeRecordLibrary("Walking Animation Data", sections))) return {};
    entries.push_back({"WALKDATA.QIF", "Walking Animation Data"});
    return entries;
}

} // namespace figures

} // namespace datagen
