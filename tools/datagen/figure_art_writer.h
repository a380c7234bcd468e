#pragma once
// Unit figure art of our own for the pictures' tests and the demo: a small drawn figure per
// facing and zoom level, the flag art, and the "Walking Animation Data" library whose records
// are the walking offset tables. Every picture is one flat colour on a transparent ground
// (colour 0), with one transparent corner, so a test reads from a pixel what was drawn.
#include "tools/datagen/qif_writer.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace datagen {

namespace figures {

// " (Half size)", " (Quarter size)" or "" for zoom levels 1, 2 and 0.
std::string Suffix(int zoom);

// Size of a figure at a zoom: 8 x 16 at full size, halved per zoom step.
int FigureWidth(int zoom);
int FigureHeight(int zoom);

// The colour of frame f of the k-th section of a figure library (k counts from 0).
constexpr std::uint8_t FrameColour(int section, int frame) {
    return static_cast<std::uint8_t>(20 + (section * 8 + frame) % 200);
}

// A figure library: "Standing" (8 frames, one per facing), "CN" and "N" ... "NW" (eight walk
// sequences of `walkFrames` frames each, in facing order) and "Helmet" (as many). There is no
// "MNE" on purpose: a frame of that name falls back to "NE". Pictures are figures with the hot spot at the
// bottom centre.
LibrarySpec FigureArt(int zoom, int walkFrames = 4);
// The section names FigureArt writes, in order.
std::vector<std::string> FigureSections();

// A library of the given title holding the named sequences with their frame counts; frame f of
// the k-th sequence has colour FrameColour(k, f). For the art a picture class asks for beyond
// FigureArt's sections (fire, dismount, ball and battery sequences).
LibrarySpec SequencesArt(const std::string& title, int zoom, const std::vector<std::pair<std::string, int>>& sequences);

// "Activation Unit Flags": "Stem" (1), "Shadow", "union", "confederate", "union dis",
// "confederate dis" (clothFrames each).
LibrarySpec FlagArt(int zoom, int clothFrames = 4);
// The colour of a flag section's frame (sections in the order above).
constexpr std::uint8_t FlagColour(int section, int frame) { return static_cast<std::uint8_t>(100 + section * 10 + frame); }

// "Generic Rout Debris": "Shield", "Shield U" and "Helmet", one picture each.
LibrarySpec DebrisArt(int zoom);

// The walking offset records: the value of every field of a record made from a seed.
struct WalkPoint {
    std::int16_t x, y;
};
WalkPoint WalkingPoint(int seed, int facing, int entry, int hex, int k);
std::int32_t WalkingDuration(int seed, int facing, int entry, int hex, int k);
WalkPoint WalkingRest(int seed, int facing);
// One 5920-byte record: the 128-byte name, then facings 1..8 (entries 1..10, rest point).
std::vector<std::uint8_t> EncodeWalkingRecord(const std::string& name, int seed);

// A library of records (not images): title, sections of raw records laid out as images are.
struct RecordSection {
    std::string name;
    std::vector<std::vector<std::uint8_t>> records;
};
std::vector<std::uint8_t> EncodeRecordLibrary(const std::string& title, const std::vector<RecordSection>& sections);

// Writes the figure libraries of `artName` (FIG<z>.QIF), the flag libraries (FLAG<z>.QIF), the
// rout debris (DEBRIS<z>.QIF), the missile art "Ball" and "Cannon" and
// the walking data (WALKDATA.QIF: sections "Foot" and "Mounted" with one record each, seeds 1
// and 2) into the directory and answers the art-index entries naming them.
std::vector<ArtIndexEntry> WriteFigureArt(const std::string& directory, const std::string& artName);

} // namespace figures

} // namespace datagen
