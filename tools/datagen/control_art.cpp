#include "tools/datagen/control_art.h"

namespace datagen {

using namespace control_art;

namespace {

ImageSpec Flat(const std::string& name, int w, int h, std::uint8_t colour) {
    ImageSpec s;
    s.name = name;
    s.width = static_cast<std::int16_t>(w);
    s.height = static_cast<std::int16_t>(h);
    s.type = 1;
    s.pixels.assign(static_cast<std::size_t>(w) * h, colour);
    return s;
}

// Colour base + k along the piece's length (columns, or rows when vertical).
ImageSpec Counting(const std::string& name, int w, int h, std::uint8_t base, bool vertical) {
    ImageSpec s = Flat(name, w, h, base);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.pixels[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint8_t>(base + (vertical ? y : x));
    return s;
}

SectionSpec BarSection(bool vertical) {
    const char* first = vertical ? "Top" : "Left";
    const char* second = vertical ? "Bottom" : "Right";
    auto piece = [vertical](const std::string& name, int length, int thickness, std::uint8_t colour) {
        return vertical ? Flat(name, thickness, length, colour) : Flat(name, length, thickness, colour);
    };
    auto counting = [vertical](const std::string& name, int length, int thickness, std::uint8_t base) {
        return vertical ? Counting(name, thickness, length, base, true) : Counting(name, length, thickness, base, false);
    };
    SectionSpec s;
    s.name = vertical ? "Vertical" : "Horizontal";
    const std::string f = first, g = second;
    s.images = {piece(f + " end up", kEndLength, kBarThickness, kFirstEndUp),
                piece(f + " end down", kEndLength, kBarThickness, kFirstEndDown),
                piece(g + " end up", kEndLength, kBarThickness, kSecondEndUp),
                piece(g + " end down", kEndLength, kBarThickness, kSecondEndDown),
                piece(f + " track", kTrackEndLength, kBarThickness, kFirstTrack),
                counting("Slot", kSlotLength, kBarThickness, kSlotBase),
                piece(g + " track", kTrackEndLength, kBarThickness, kSecondTrack),
                piece(f + " thumb", kThumbEndLength, kThumbThickness, kFirstThumb),
                counting("Thumb mid", kThumbMidLength, kThumbThickness, kThumbMidBase),
                piece(g + " thumb", kThumbEndLength, kThumbThickness, kSecondThumb)};
    return s;
}

} // namespace

SectionSpec ButtonSection(const std::string& section) {
    SectionSpec s;
    s.name = section;
    s.images = {Flat("UpEnabled", kButtonWidth, kButtonHeight, kUpEnabled),
                Flat("DownEnabled", kButtonWidth, kButtonHeight, kDownEnabled),
                Flat("UpDisabled", kButtonWidth, kButtonHeight, kUpDisabled),
                Flat("DownDisabled", kButtonWidth, kButtonHeight, kDownDisabled)};
    return s;
}

LibrarySpec ButtonLibrary(const std::vector<std::string>& sections) {
    LibrarySpec lib;
    lib.title = "Buttons";
    for (const std::string& name : sections) lib.sections.push_back(ButtonSection(name));
    return lib;
}

LibrarySpec ScrollBarLibrary() {
    LibrarySpec lib;
    lib.title = "Scroll Bars";
    lib.sections = {BarSection(false), BarSection(true)};
    return lib;
}

LibrarySpec SliderLibrary() {
    LibrarySpec lib;
    lib.title = "Slider";
    SectionSpec s;
    s.name = "Horizontal";
    s.images = {Counting("TrackMiddle", kSliderMidWidth, kSliderHeight, kTrackMiddleBase, false),
                Flat("TrackLeft", kSliderEndWidth, kSliderHeight, kTrackLeft),
                Flat("TrackRight", kSliderEndWidth, kSliderHeight, kTrackRight),
                Flat("Thumb", kSliderThumbWidth, kSliderHeight, kSliderThumb)};
    lib.sections.push_back(s);
    return lib;
}

LibrarySpec SpinnerLibrary() {
    LibrarySpec lib;
    lib.title = "Spinner";
    SectionSpec s;
    s.name = "Vertical";
    s.images = {Flat("Top end up", kArrowWidth, kArrowHeight, kTopUp),
                Flat("Top end down", kArrowWidth, kArrowHeight, kTopDown),
                Flat("Bottom end up", kArrowWidth, kArrowHeight, kBottomUp),
                Flat("Bottom end down", kArrowWidth, kArrowHeight, kBottomDown)};
    lib.sections.push_back(s);
    return lib;
}

} // namespace datagen
