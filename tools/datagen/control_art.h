#pragma once
// Art of the picture controls (buttons, scroll bars, the slider, the spinner) made of our own
// pixels: every image is one flat colour, except the images that are drawn in part (the scroll
// bars' "Slot" and "Thumb mid", the slider's "TrackMiddle"), whose columns (rows for a vertical
// piece) count up from their base colour so that a cut piece shows where it was cut. Colours lie
// in 10..245, which the tests' palette keeps apart from the system colours.
#include "tools/datagen/qif_writer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

namespace control_art {

// Buttons: four images per section, each kButtonWidth by kButtonHeight.
constexpr int kButtonWidth = 20, kButtonHeight = 16;
constexpr std::uint8_t kUpEnabled = 40, kDownEnabled = 50, kUpDisabled = 60, kDownDisabled = 70;

// Scroll bars, horizontal section (the vertical one swaps widths and heights).
constexpr int kEndLength = 10, kBarThickness = 12;        // each end image; "Slot" is as thick
constexpr int kTrackEndLength = 3;                         // "Left track", "Right track"
constexpr int kSlotLength = 8;                             // "Slot"
constexpr int kThumbEndLength = 2, kThumbMidLength = 4;    // thumb pieces
constexpr int kThumbThickness = 8;
constexpr std::uint8_t kFirstEndUp = 11, kFirstEndDown = 12, kSecondEndUp = 13, kSecondEndDown = 14;
constexpr std::uint8_t kFirstTrack = 20, kSecondTrack = 22, kSlotBase = 100;
constexpr std::uint8_t kFirstThumb = 30, kThumbMidBase = 140, kSecondThumb = 32;

// Slider.
constexpr int kSliderEndWidth = 4, kSliderMidWidth = 6, kSliderThumbWidth = 5, kSliderHeight = 10;
constexpr std::uint8_t kTrackLeft = 80, kTrackMiddleBase = 160, kTrackRight = 82, kSliderThumb = 83;

// Spinner arrows.
constexpr int kArrowWidth = 9, kArrowHeight = 7;
constexpr std::uint8_t kTopUp = 90, kTopDown = 91, kBottomUp = 92, kBottomDown = 93;

} // namespace control_art

// One button section with its four images.
SectionSpec ButtonSection(const std::string& section);
// A library of button sections, one per name.
LibrarySpec ButtonLibrary(const std::vector<std::string>& sections);
// "Scroll Bars": sections "Horizontal" and "Vertical".
LibrarySpec ScrollBarLibrary();
// "Slider": section "Horizontal".
LibrarySpec SliderLibrary();
// "Spinner": section "Vertical".
LibrarySpec SpinnerLibrary();

} // namespace datagen
