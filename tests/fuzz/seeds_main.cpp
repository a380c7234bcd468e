// Writes the fuzz targets' seed inputs into a directory of one folder per target: files the
// generator and the tests' fixtures make, and the generated data directory's files of each kind.
//   fuzz_seeds OUT DATA
#include "comms/frame.h"
#include "comms/net/net_game_block.h"
#include "comms/net/vh_net_component.h"
#include "comms/ui/comm_directory.h"
#include "core/basic_app.h"
#include "core/container.h"
#include "game/ai/builtin_table.h"
#include "game/ai/code.h"
#include "game/ai/compiler.h"
#include "game/app/saved_game_header.h"
#include "platform/clock.h"
#include "platform/msgbox.h"
#include "tests/shell/game_shell.h"
#include "tools/datagen/landscape_writer.h"
#include "tools/datagen/palette_writer.h"
#include "tools/datagen/qif_writer.h"
#include "tools/datagen/scenario_writer.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

extern const char vhDialogTemplatesText[];

namespace {

fs::path out;
std::string data;

void Put(const std::string& target, const std::string& name, const std::vector<std::uint8_t>& bytes) {
    fs::create_directories(out / target);
    std::ofstream(out / target / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Put(const std::string& target, const std::string& name, const std::string& bytes) {
    Put(target, name, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The generated data directory's files whose names end in one of the suffixes.
void CopyData(const std::string& target, std::initializer_list<const char*> suffixes) {
    fs::create_directories(out / target);
    std::error_code error;
    for (const auto& e : fs::directory_iterator(data, error)) {
        const std::string name = Lower(e.path().filename().string());
        for (const char* s : suffixes) {
            const std::string suffix = s;
            if (e.is_regular_file() && name.size() > suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                fs::copy_file(e.path(), out / target / e.path().filename(), fs::copy_options::overwrite_existing, error);
        }
    }
}

std::int32_t Nothing(void*, BuiltInArgs&) { return 0; }

void U16(std::vector<std::uint8_t>& v, unsigned x) {
    v.push_back(static_cast<std::uint8_t>(x & 0xFF));
    v.push_back(static_cast<std::uint8_t>((x >> 8) & 0xFF));
}
void U32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    U16(v, x & 0xFFFF);
    U16(v, x >> 16);
}
void Tag(std::vector<std::uint8_t>& v, const char* t) { v.insert(v.end(), t, t + 4); }
void Chunk(std::vector<std::uint8_t>& v, const char* tag, const std::vector<std::uint8_t>& body) {
    Tag(v, tag);
    U32(v, static_cast<std::uint32_t>(body.size()));
    v.insert(v.end(), body.begin(), body.end());
    if (body.size() % 2) v.push_back(0);
}

// A small cursor file: one side x side image of the given depth (1, 4, 8 or 32 bits), its hot
// spot at (1, 1).
std::vector<std::uint8_t> SmallCursor(int side, int bits) {
    std::vector<std::uint8_t> image;
    const std::size_t colours = bits <= 8 ? std::size_t{1} << bits : 0;
    const std::size_t stride = (static_cast<std::size_t>(side) * bits + 31) / 32 * 4;
    const std::size_t mask = (static_cast<std::size_t>(side) + 31) / 32 * 4;
    U32(image, 40);
    U32(image, static_cast<std::uint32_t>(side));
    U32(image, static_cast<std::uint32_t>(side * 2));
    U16(image, 1);
    U16(image, static_cast<unsigned>(bits));
    for (int k = 0; k < 6; ++k) U32(image, 0);
    for (std::size_t c = 0; c < colours; ++c) U32(image, static_cast<std::uint32_t>(c * 0x010203u));
    for (std::size_t b = 0; b < stride * static_cast<std::size_t>(side); ++b) image.push_back(static_cast<std::uint8_t>(b * 37));
    for (std::size_t b = 0; b < mask * static_cast<std::size_t>(side); ++b) image.push_back(b % 3 ? 0x00 : 0xF0);
    std::vector<std::uint8_t> cur;
    U16(cur, 0);
    U16(cur, 2);
    U16(cur, 1);
    cur.push_back(static_cast<std::uint8_t>(side));
    cur.push_back(static_cast<std::uint8_t>(side));
    cur.push_back(0);
    cur.push_back(0);
    U16(cur, 1);
    U16(cur, 1);
    U32(cur, static_cast<std::uint32_t>(image.size()));
    U32(cur, 22);
    cur.insert(cur.end(), image.begin(), image.end());
    return cur;
}

// An animated cursor of the frames, shown in the given order at the given rates.
std::vector<std::uint8_t> SmallAnimation(const std::vector<std::vector<std::uint8_t>>& frames,
                                         const std::vector<std::uint32_t>& sequence, const std::vector<std::uint32_t>& rates) {
    std::vector<std::uint8_t> body;
    Tag(body, "ACON");
    std::vector<std::uint8_t> header;
    U32(header, 36);
    U32(header, static_cast<std::uint32_t>(frames.size()));
    U32(header, static_cast<std::uint32_t>(sequence.size()));
    for (int k = 0; k < 4; ++k) U32(header, 0);
    U32(header, 6);
    U32(header, 1 | 2);
    Chunk(body, "anih", header);
    std::vector<std::uint8_t> table;
    for (std::uint32_t r : rates) U32(table, r);
    Chunk(body, "rate", table);
    table.clear();
    for (std::uint32_t q : sequence) U32(table, q);
    Chunk(body, "seq ", table);
    std::vector<std::uint8_t> list;
    Tag(list, "fram");
    for (const auto& f : frames) Chunk(list, "icon", f);
    Chunk(body, "LIST", list);
    std::vector<std::uint8_t> file;
    Chunk(file, "RIFF", body);
    return file;
}

datagen::LibrarySpec SampleLibrary() {
    datagen::ImageSpec plain{"plain", 3, 2, 1, 1, 1, {1, 2, 3, 4, 5, 6}, {}};
    datagen::ImageSpec packed{"packed", 5, 3, 2, 2, 4, {0, 7, 7, 0, 0, 9, 9, 9, 9, 0, 0, 0, 5, 0, 0}, {}};
    datagen::ImageSpec shadow{"shadow", 2, 2, 0, 0, 6, {255, 3, 255, 0}, {}};
    return datagen::LibrarySpec{"Seeds", {{"First", {plain, packed}}, {"Second", {shadow}}}};
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_seeds OUT DATA\n");
        return 2;
    }
    out = argv[1];
    data = argv[2];
    platform::UseVirtualClock(1000);
    platform::SetMessageBoxPresenter([](const char*, const char*, UINT) { return IDOK; });

    datagen::LandscapeDraft map(12, 10);
    map.name = "Crossing";
    Put("map", "CROSSING.MAP", datagen::WriteLandscape(map));
    CopyData("map", {".map"});

    Put("scenario", "TEST.SCN", datagen::WriteScenario(datagen::MakeSampleScenario("CROSSING.MAP")));
    CopyData("scenario", {".scn"});
    CopyData("variant", {".var", ".scn"});

    // A saved game of the sample battle, with a network block behind the referee's.
    {
        shell::GameShell game;
        game.WriteMap("CROSSING.MAP", map);
        game.WriteScenario("TEST.SCN", datagen::MakeSampleScenario("CROSSING.MAP"));
        game.LoadScenario("TEST.SCN", 10, 7);
        if (game.BeginSavedGame("SEED.SAV")) {
            game.SaveGame("SEED.SAV");
            Put("saved_game", "SEED.SAV", game.ReadFile("SEED.SAV"));
            NetGameBlock block;
            block.scenarioIndex = 3;
            block.scenarioFile = "TEST.SCN";
            block.playerCount = 2;
            block.connectionName = "Seeds";
            block.transportData = "host 127.0.0.1";
            AppendNetGameBlock(game.PathOf("SEED.SAV"), block);
            Put("saved_game", "SEEDNET.SAV", game.ReadFile("SEED.SAV"));
            Put("net_block", "SEEDNET.SAV", game.ReadFile("SEED.SAV"));
        }
    }

    CopyData("script_source", {".scr", ".inc"});
    {
        std::error_code error;
        for (const auto& e : fs::directory_iterator(data, error)) {
            if (Lower(e.path().extension().string()) != ".scr") continue;
            Code code;
            Compiler compiler(code);
            RegisterScriptNames(compiler, Nothing);
            compiler.SetImportDirectory(data);
            if (!compiler.CompileFile(e.path().string())) continue;
            fs::create_directories(out / "compiled_script");
            code.Save((out / "compiled_script" / (e.path().stem().string() + ".SCC")).string());
        }
    }

    Put("image_library", "SEEDS.QIF", datagen::EncodeLibrary(SampleLibrary()));
    CopyData("image_library", {".qif"});

    datagen::PaletteData palette;
    for (int i = 0; i < 256; ++i) {
        palette.entries[static_cast<std::size_t>(i) * 4] = static_cast<std::uint8_t>(i);
        palette.entries[static_cast<std::size_t>(i) * 4 + 1] = static_cast<std::uint8_t>(255 - i);
        palette.entries[static_cast<std::size_t>(i) * 4 + 2] = static_cast<std::uint8_t>(i * 7);
        for (auto& table : palette.tables) table[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(255 - i);
    }
    Put("palette", "SEEDS.PAL", datagen::EncodePaletteFile(palette));
    CopyData("palette", {".pal"});

    CopyData("wave", {".wav"});

    Put("cursor", "SMALL1.CUR", SmallCursor(8, 1));
    Put("cursor", "SMALL4.CUR", SmallCursor(5, 4));
    Put("cursor", "SMALL8.CUR", SmallCursor(3, 8));
    Put("cursor", "SMALL.ANI", SmallAnimation({SmallCursor(4, 32), SmallCursor(3, 8)}, {0, 1, 0}, {5, 10, 5}));
    CopyData("cursor", {".ani"});

    Put("art_index", "SEEDS.MAP", datagen::EncodeArtIndex({{"FIRST.QIF", "Other"}, {"FIRST.QIF", "Blocks"}, {"NONE.QIF", "Unit Flags"}}));
    CopyData("art_index", {"qif.map"});
    // The data-file list's records hold a library header each: the image libraries' memory
    // reader takes the first record's from behind its 64-byte name and 13-byte file name.
    {
        std::ifstream in(fs::path(data) / "qifdemo.hed", std::ios::binary);
        const std::vector<std::uint8_t> list((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (list.size() > 77) Put("image_library", "QIFDEMO.HED", std::vector<std::uint8_t>(list.begin() + 77, list.end()));
    }

    Put("registry", "REGISTRY.TXT",
        std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tolvane\\Varnhold Demo]\nPath=1:2f646174612f00\nPalette=1:564e2e50414c00\n"
                    "Install=4:01000000\n[HKEY_CURRENT_USER\\Software\\Tolvane\\Varnhold Demo\\Preferences]\n"
                    "Preferences=3:0102030405%41\n"));

    {
        saved_game_header::Header header;
        header.hash = saved_game_header::VersionHash("Varnhold");
        header.saveName = "Morning";
        header.scenarioIndex = 2;
        header.scenarioName = "TEST.SCN";
        header.gameMode = 1;
        header.headerWord = 7;
        Put("saved_game_header", "SEED.Vh", saved_game_header::Encode(header));
    }

    Put("input_script", "STEPS.TXT",
        std::string("# every kind of step\nwait-window \"Varnhold\" 5000\nwait-gone \"Loading\"\nwait-control 101 \"O\\\"K\"\n"
                    "wait-enabled 1 200\npause 10\nmove 10 20\nclick 1 2\nrclick 3 4\ndclick 5 6\n"
                    "click-client \"Map\" 7 8\ndclick-client \"Map\" 9 10\nclick-control 1\nkey RETURN\nkey-down SHIFT\n"
                    "key-up SHIFT\nkey F12\nanswer 6\nanswer-always 0\nscreenshot \"a.png\"\nwindows \"w.txt\"\nend\nquit 3\n"));

    // Each of the program's dialog templates on its own.
    {
        const std::string all = vhDialogTemplatesText;
        std::size_t at = all.find("\nDIALOG ");
        int n = 0;
        while (at != std::string::npos) {
            const std::size_t end = all.find("\nEND", at + 1);
            if (end == std::string::npos) break;
            Put("dialog_template", "T" + std::to_string(n++) + ".DLG", all.substr(at + 1, end + 5 - at) + "\n");
            at = all.find("\nDIALOG ", end);
        }
    }
    CopyData("rich_text", {".rtf"});

    {
        std::vector<std::uint8_t> directory(8 + 2 * DirectoryEntry::kSize);
        directory[0] = 1;
        directory[4] = 2;
        DirectoryEntry entry;
        SetEntryText(entry.entryName, DirectoryEntry::kNameWidth, "Home");
        SetEntryText(entry.number, DirectoryEntry::kTextWidth, "127.0.0.1");
        WriteDirectoryEntry(directory.data() + 8, entry);
        entry.option = 1;
        SetEntryText(entry.entryName, DirectoryEntry::kNameWidth, "Club");
        WriteDirectoryEntry(directory.data() + 8 + DirectoryEntry::kSize, entry);
        Put("connection_directory", "SEEDS.DIR", directory);
    }

    // Frames of a few messages, the first byte choosing how they are cut; and a frame of every
    // message of the relay lists with a payload read from zeros, as each side accepts them.
    {
        BasicApp app;
        VhNetComponent types;
        std::string frames(1, '\x05');
        Container<short> hex(603);
        Container<long> side(1);
        std::string frame;
        if (EncodeFrame(BusMessage(RegisterMessage("UnitSelected")), &hex, 1, frame) == FrameStatus::kOk) frames += frame;
        if (EncodeFrame(BusMessage(RegisterMessage("FogOfWar")), &side, 2, frame) == FrameStatus::kOk) frames += frame;
        if (EncodeFrame(BusMessage(REGION_SELECTED), &hex, 3, frame) == FrameStatus::kOk) frames += frame;
        Put("frames", "SEEDS.FRM", frames);
        Put("frames", "ONEBYONE.FRM", std::string(1, '\0') + frames.substr(1));
        std::string toJoiner(1, '\x1F'), toHost(1, '\x9F');
        std::uint32_t sequence = 10;
        for (const RelayEntry& e : VhNetComponent::RelayTable()) {
            const TypeInfoBase* type = e.type ? e.type : FindTypeInfo("short");
            if (!type) continue;
            SuperString zeros;
            const std::string blank(256, '\0');
            zeros.Write(blank.data(), static_cast<std::int32_t>(blank.size()));
            std::unique_ptr<ContainerBase> payload(type->ReadPayload(zeros));
            const BusMessage event(e.name ? RegisterMessage(e.name) : e.event);
            if (!payload || EncodeFrame(event.WithKind(KIND_POST), payload.get(), sequence++, frame) != FrameStatus::kOk) continue;
            if (e.way != RelayEntry::kJoinerToHost) toJoiner += frame;
            if (e.way != RelayEntry::kHostToJoiner) toHost += frame;
        }
        Put("frames", "TOJOINER.FRM", toJoiner);
        Put("frames", "TOHOST.FRM", toHost);
    }
    return 0;
}
