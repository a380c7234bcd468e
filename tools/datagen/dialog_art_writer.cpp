#include "tools/datagen/dialog_art_writer.h"

#include "tools/datagen/front_dialog_art.h"

#include <cstring>
#include <string>

namespace datagen {

namespace {

bool HasDescender(unsigned char c) { return std::strchr("gjpqy", c) != nullptr && c != 0; }

ImageSpec Block(const std::string& name, int w, int h, std::uint8_t colour, int hotX, int hotY, int type) {
    ImageSpec s;
    s.name = name;
    s.width = static_cast<std::int16_t>(w);
    s.height = static_cast<std::int16_t>(h);
    s.hotX = static_cast<std::int16_t>(hotX);
    s.hotY = static_cast<std::int16_t>(hotY);
    s.type = static_cast<std::int16_t>(type);
    s.pixels.assign(static_cast<std::size_t>(w) * h, colour);
    return s;
}

} // namespace

int GlyphWidth(unsigned char c) {
    if (c == 'M' || c == 'W' || c == 'm' || c == 'w') return 6;
    if (c == 'i' || c == 'l' || c == '!' || c == '.' || c == ',' || c == '\'' || c == '|') return 1;
    return 2 + c % 3;  // 2 to 4
}

ImageSpec GlyphImage(unsigned char c, std::uint8_t ink) {
    const int height = kGlyphAscent + (HasDescender(c) ? kGlyphDescent : 0);
    return Block(std::string(1, static_cast<char>(c)), GlyphWidth(c), height, ink, 0, kGlyphAscent, 4);
}

LibrarySpec DialogFontLibrary(std::uint8_t ink) {
    LibrarySpec lib;
    lib.title = "Dialog font";
    SectionSpec s;
    s.name = "Alphanumeric";
    for (int c = 33; c <= 126; ++c) s.images.push_back(GlyphImage(static_cast<unsigned char>(c), ink));
    lib.sections.push_back(std::move(s));
    return lib;
}

LibrarySpec FontLibrary(std::uint8_t ink) {
    LibrarySpec lib;
    lib.title = "Font";
    SectionSpec alpha;
    alpha.name = "Alpha";
    for (int c = 'A'; c <= 'z'; ++c) {
        if (c > 'Z' && c < 'a')
            alpha.images.push_back(Block("unused", 1, 1, 0, 0, 0, 4));
        else
            alpha.images.push_back(GlyphImage(static_cast<unsigned char>(c), ink));
    }
    SectionSpec numeric;
    numeric.name = "Numeric";
    for (int c = '0'; c <= '9'; ++c) numeric.images.push_back(GlyphImage(static_cast<unsigned char>(c), ink));
    lib.sections.push_back(std::move(alpha));
    lib.sections.push_back(std::move(numeric));
    return lib;
}

std::uint8_t DialogArtColour(const char* section, const char* image) {
    const std::string s = section ? section : "", i = image ? image : "";
    const int base = s == "Pushbutton" ? 60 : s == "CheckBox" ? 70 : 80;
    const int offset = i == "Up" ? 0 : i == "Down" ? 1 : 2;
    return static_cast<std::uint8_t>(base + offset);
}

LibrarySpec DialogButtonsLibrary() {
    LibrarySpec lib;
    lib.title = "Dialog buttons";
    SectionSpec push;
    push.name = "Pushbutton";
    for (const char* name : {"Up", "Down"})
        push.images.push_back(Block(name, 40, 14, DialogArtColour("Pushbutton", name), 0, 0, 1));
    lib.sections.push_back(std::move(push));
    for (const char* section : {"CheckBox", "Radio"}) {
        SectionSpec s;
        s.name = section;
        for (const char* name : {"Up", "Down"})
            s.images.push_back(Block(name, 10, 10, DialogArtColour(section, name), 0, 0, 1));
        s.images.push_back(Block("Check", 6, 4, DialogArtColour(section, "Check"), 0, 0, 1));
        lib.sections.push_back(std::move(s));
    }
    return lib;
}

std::uint8_t InGameBackgroundColour(const char* section) {
    const std::string s = section ? section : "";
    if (s == "End of Game") return 120;
    if (s == "Combat Results") return 121;
    if (s == "Overall Combat Results") return 122;
    return 123;
}

LibrarySpec DialogBitmapsLibrary() {
    LibrarySpec lib;
    lib.title = "Dialog Bitmaps";
    for (const char* section : {"End of Game", "Combat Results", "Overall Combat Results", "Intro"}) {
        SectionSpec s;
        s.name = section;
        s.images.push_back(Block("Background", 16, 16, InGameBackgroundColour(section), 0, 0, 1));
        lib.sections.push_back(std::move(s));
    }
    AddFrontDialogBackgrounds(lib);
    return lib;
}

std::uint8_t EndOfGamePictureColour(bool victory, int side) {
    return static_cast<std::uint8_t>((victory ? 130 : 140) + side);
}

LibrarySpec EndOfGameBitmapsLibrary() {
    LibrarySpec lib;
    lib.title = "End Of Game Bitmaps";
    for (bool victory : {true, false}) {
        SectionSpec s;
        s.name = victory ? "Victory" : "Defeat";
        s.images.push_back(Block("Background", 16, 16, static_cast<std::uint8_t>(victory ? 125 : 126), 0, 0, 1));
        s.images.push_back(Block("Side 0", 40, 30, EndOfGamePictureColour(victory, 0), 0, 0, 1));
        s.images.push_back(Block("Side 1", 40, 30, EndOfGamePictureColour(victory, 1), 0, 0, 1));
        lib.sections.push_back(std::move(s));
    }
    return lib;
}

} // namespace datagen
