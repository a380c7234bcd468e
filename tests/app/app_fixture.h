#pragma once
// A data directory for the game application: the registry naming it, the test palette, an art
// index with the frame's blocks, the status bar and the four button libraries, and the data-file
// list "qifdemo.hed" with one library. Each test process has its own directory and its own
// single-instance mutex (ctest runs the cases side by side).
#include "game/app/startup.h"
#include "game/app/vh_app.h"
#include "game/units/unit_types.h"
#include "platform/dialog.h"
#include "tests/ui/ui_fixture.h"
#include "tools/datagen/control_art.h"
#include "tools/datagen/dialog_art_writer.h"
#include "tools/datagen/front_dialog_art.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

namespace apptest {

using uitest::Solid;

inline datagen::SectionSpec ButtonArt(const std::string& section) { return datagen::ButtonSection(section); }

// Every image the toolbar's buttons name, by library.
inline datagen::LibrarySpec ButtonsLibrary(const std::vector<std::string>& sections, bool withMirrors) {
    datagen::LibrarySpec library;
    if (withMirrors)
        library.sections.push_back({"Bar", {Solid("Mirror #1", 6, 24, 21), Solid("Mirror #2", 6, 24, 22)}});
    for (const std::string& s : sections) library.sections.push_back(ButtonArt(s));
    return library;
}

inline datagen::LibrarySpec PreloadedLibrary() {
    return {"", {{"Flags", {Solid("Union", 4, 4, 31), Solid("Confederate", 4, 4, 32)}}}};
}

// One record of the data-file list: 64-byte library name, then the data generator's record.
inline std::vector<std::uint8_t> DataListRecord(const std::string& library, const std::string& file) {
    std::vector<std::uint8_t> bytes(VhApp::kLibraryNameSize, 0);
    for (std::size_t i = 0; i < library.size() && i + 1 < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(library[i]);
    const std::vector<std::uint8_t> record = datagen::EncodeDataListRecord(file, PreloadedLibrary());
    bytes.insert(bytes.end(), record.begin(), record.end());
    return bytes;
}

// The libraries the game's views open as the application is built (the landscapes of both
// views, the pictures' shared art and every unit type's figures), each given the small blocks
// library: present, so nothing is refused at start, though without the sections a battle draws.
inline std::vector<datagen::ArtIndexEntry> DisplayStandIns() {
    std::vector<std::string> names = {"Landscape Blocks", "Landscape Overlays", "Hex Grid", "Hex Outline",
                                      "Battle Arrows", "Missile Debris"};
    for (const std::string& name : VhApp::PictureArtNames()) names.push_back(name);
    std::vector<datagen::ArtIndexEntry> entries = {{"blocks.qif", "Landscape Background"}, {"blocks.qif", "Overview Maps"}};
    for (const std::string& name : names)
        for (const char* suffix : {"", " (Half size)", " (Quarter size)"}) entries.push_back({"blocks.qif", name + suffix});
    return entries;
}

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::ResetPlatform();
        platform::ClearDialogScripts();
        data.Install();
        data.WriteLibrary("BLOCKS.QIF", {"", {{"Blocks", {Solid("Block", 16, 16, 40)}}}});
        data.WriteLibrary("STATUS.QIF", {"", {{"sbArt", {Solid("left", 10, 30, 20), Solid("right", 12, 30, 30),
                                                         Solid("center", 8, 30, 40), Solid("separator", 4, 30, 50)}}}});
        data.WriteLibrary("BUTTONS1.QIF", ButtonsLibrary({"CloseBattle", "FinishLeader", "CenterOnLeader", "GroupMove",
                                                          "GroupAttack", "RotateLeft", "RotateRight", "AboutFace",
                                                          "BackwardMovement", "MissileVolley"},
                                                         true));
        data.WriteLibrary("BUTTONS2.QIF", ButtonsLibrary({"RestoreCohesion", "Rally", "ViewDetails", "OpenMap",
                                                          "HideOverview", "ShowOverview", "ShowHexGrid", "HideHexGrid"},
                                                         false));
        data.WriteLibrary("BUTTONS3.QIF",
                          ButtonsLibrary({"ReverseView", "ZoomIn", "Normal", "ZoomOut", "Undo"}, false));
        data.WriteLibrary("BUTTONS4.QIF", ButtonsLibrary({"FormLeft", "FormRight", "Mount", "Limber"}, false));
        data.WriteLibrary("DLGFONT.QIF", datagen::DialogFontLibrary(9));
        data.WriteLibrary("DLGBUTT.QIF", datagen::DialogButtonsLibrary());
        data.WriteLibrary("DLGBMPS.QIF", datagen::DialogBitmapsLibrary());
        data.WriteLibrary("LOGOS.QIF", datagen::CompanyLogosLibrary());
        std::vector<datagen::ArtIndexEntry> index = {{"blocks.qif", "Blocks for the background"},
                         {"dlgfont.qif", "MS Sans Serif 2"},
                         {"dlgbutt.qif", "DialogButtons"},
                         {"dlgbmps.qif", "Dialog Bitmaps"},
                         {"logos.qif", "Company Logos"},
                         {"status.qif", "Status Bar"},
                         {"buttons1.qif", "Buttons 1"},
                         {"buttons2.qif", "Buttons 2"},
                         {"buttons3.qif", "Buttons 3"},
                         {"buttons4.qif", "Buttons 4"}};
        const auto standIns = DisplayStandIns();
        index.insert(index.end(), standIns.begin(), standIns.end());
        data.WriteIndex(index, "Vhqif.map");
        data.WriteLibrary("FLAGS.QIF", PreloadedLibrary());
        data.WriteBytes("qifdemo.hed", DataListRecord("Unit Flags", "FLAGS.QIF"));
        startup::SetInstanceMutexName(("Varnhold test mutex " + std::to_string(::getpid())).c_str());
    }
    void TearDown() override {
        VhApp::SetMainMenu(nullptr);
        VhApp::SetPreferencesDialog(nullptr);
        startup::SetInstanceMutexName(nullptr);
        platform::ClearDialogScripts();
        uitest::ResetPlatform();
    }

    uitest::DataDirectory data;
};

} // namespace apptest
