#pragma once
// Image libraries ("QIF" files) and the art index that names the file of each library.
#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

// One picture. `pixels` holds height rows of width bytes, top row first, unpadded. For the
// compressed types 4 and 6 the encoder turns pixel 0 into skip runs and, for type 6, pixel 255
// into shadow runs; every other pixel becomes a literal. `raw`, when not empty, is written as
// the picture's data unchanged (for damaged or hand-made data).
struct ImageSpec {
    std::string name;
    std::int16_t width = 0;
    std::int16_t height = 0;
    std::int16_t hotX = 0;
    std::int16_t hotY = 0;
    std::int16_t type = 1;
    std::vector<std::uint8_t> pixels;
    std::vector<std::uint8_t> raw;
};

struct SectionSpec {
    std::string name;
    std::vector<ImageSpec> images;
};

struct LibrarySpec {
    std::string title;
    std::vector<SectionSpec> sections;
};

// Row padding of the uncompressed types: rows are stored at a multiple of 4 bytes.
int RowPadding(int width);

// The compressed rows of a picture; empty when a row would be longer than 4095 bytes.
std::vector<std::uint8_t> EncodeCompressedRows(const ImageSpec& image);
// The stored pixel data of a picture by its type.
std::vector<std::uint8_t> EncodeImageData(const ImageSpec& image);

std::vector<std::uint8_t> EncodeLibrary(const LibrarySpec& library);
bool WriteLibrary(const std::string& path, const LibrarySpec& library);

// A record of the game's data-file list for a library written by EncodeLibrary: the 13-byte
// file name, the compact header (i16 section count, i16 image count, per section a 24-byte name
// and an i16 count) and one 42-byte memory record per image (24-byte name, i16 width, height,
// hot spot x, y, type, u32 data size, u32 file offset of the pixel data).
std::vector<std::uint8_t> EncodeDataListRecord(const std::string& fileName, const LibrarySpec& library);

struct ArtIndexEntry {
    std::string fileName;  // 8.3 name relative to the data directory
    std::string library;
};
std::vector<std::uint8_t> EncodeArtIndex(const std::vector<ArtIndexEntry>& entries);
bool WriteArtIndex(const std::string& path, const std::vector<ArtIndexEntry>& entries);

} // namespace datagen
