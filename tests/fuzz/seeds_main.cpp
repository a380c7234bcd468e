// Writes the fuzz targets' seed inputs into a directory of one folder per target: files the
// generator and the tests' fixtures make, and the generated data directory's files of each kind.
//   fuzz_seeds OUT DATA
#include "comms/frame.h"
#include "comms/net/net_game_block.h"
#include "comms/ui/comm_directory.h"
#include "core/basic_app.h"
#include "core/container.h"
#include "game/ai/builtin_table.h"
#include "game/ai/code.h"
#include "game/ai/compiler.h"
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
#include <string>
#include <vector>

namespace fs = std::filesystem;

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

    // Frames of a few messages, the first byte choosing how they are cut.
    {
        BasicApp app;
        std::string frames(1, '\x05');
        Container<short> hex(603);
        Container<long> side(1);
        std::string frame;
        if (EncodeFrame(BusMessage(RegisterMessage("UnitSelected")), &hex, 1, frame) == FrameStatus::kOk) frames += frame;
        if (EncodeFrame(BusMessage(RegisterMessage("FogOfWar")), &side, 2, frame) == FrameStatus::kOk) frames += frame;
        if (EncodeFrame(BusMessage(REGION_SELECTED), &hex, 3, frame) == FrameStatus::kOk) frames += frame;
        Put("frames", "SEEDS.FRM", frames);
        Put("frames", "ONEBYONE.FRM", std::string(1, '\0') + frames.substr(1));
    }
    return 0;
}
