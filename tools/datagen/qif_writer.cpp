#include "tools/datagen/qif_writer.h"

#include "tools/datagen/byte_writer.h"

namespace datagen {
namespace {

constexpr std::uint16_t kLiteral = 0x2000;
constexpr std::uint16_t kShadow = 0x4000;
constexpr std::uint16_t kSkip = 0x0000;

std::uint16_t KindOf(std::uint8_t pixel, int type) {
    if (pixel == 0) return kSkip;
    if (type == 6 && pixel == 255) return kShadow;
    return kLiteral;
}

} // namespace

int RowPadding(int width) { return (4 - width % 4) % 4; }

std::vector<std::uint8_t> EncodeCompressedRows(const ImageSpec& image) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < image.height; ++y) {
        ByteWriter row;
        row.U16(0);
        // A row of no width has no pixels to point at (and the pixels may be empty).
        const std::uint8_t* p = image.width > 0 ? image.pixels.data() + static_cast<std::size_t>(y) * image.width : nullptr;
        int x = 0;
        while (x < image.width) {
            const std::uint16_t kind = KindOf(p[x], image.type);
            int n = 1;
            while (x + n < image.width && n < 0x0FFF && KindOf(p[x + n], image.type) == kind) ++n;
            row.U16(static_cast<std::uint16_t>(kind | n));
            if (kind == kLiteral) row.Bytes(p + x, static_cast<std::size_t>(n));
            x += n;
        }
        if (row.Size() > 0x0FFF) return {};
        auto& bytes = row.Data();
        bytes[0] = static_cast<std::uint8_t>(bytes.size());
        bytes[1] = static_cast<std::uint8_t>(bytes.size() >> 8);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

std::vector<std::uint8_t> EncodeImageData(const ImageSpec& image) {
    if (!image.raw.empty()) return image.raw;
    if (image.type == 4 || image.type == 6) return EncodeCompressedRows(image);
    std::vector<std::uint8_t> out;
    const int pad = RowPadding(image.width);
    for (int y = 0; y < image.height; ++y) {
        const auto* p = image.pixels.data() + static_cast<std::size_t>(y) * image.width;
        out.insert(out.end(), p, p + image.width);
        out.insert(out.end(), static_cast<std::size_t>(pad), 0);
    }
    return out;
}

std::vector<std::uint8_t> EncodeLibrary(const LibrarySpec& library) {
    ByteWriter w;
    w.Text(library.title, 128);
    std::size_t total = 0;
    for (const auto& s : library.sections) total += s.images.size();
    w.I16(static_cast<std::int16_t>(library.sections.size()));
    w.I16(static_cast<std::int16_t>(total));
    for (std::size_t k = 0; k < library.sections.size(); ++k) {
        const SectionSpec& section = library.sections[k];
        w.Text(section.name, 128);
        w.I16(static_cast<std::int16_t>(section.images.size()));
        w.U32(0);
        const std::size_t nextSectionAt = w.Size();
        w.U32(0);
        for (std::size_t i = 0; i < section.images.size(); ++i) {
            const ImageSpec& image = section.images[i];
            const std::vector<std::uint8_t> data = EncodeImageData(image);
            w.Text(image.name, 128);
            w.I16(image.width);
            w.I16(image.height);
            w.I16(image.hotX);
            w.I16(image.hotY);
            w.I16(image.type);
            w.U32(static_cast<std::uint32_t>(data.size()));
            w.U32(0);
            const std::size_t nextImageAt = w.Size();
            w.U32(0);
            w.Bytes(data);
            if (i + 1 < section.images.size()) w.PatchU32(nextImageAt, static_cast<std::uint32_t>(w.Size()));
        }
        // The last section's next offset is the end of the file, where nothing follows.
        w.PatchU32(nextSectionAt, static_cast<std::uint32_t>(w.Size()));
    }
    return std::move(w.Data());
}

std::vector<std::uint8_t> EncodeDataListRecord(const std::string& fileName, const LibrarySpec& library) {
    // The pixel data offsets are those EncodeLibrary gives: walk the same layout.
    std::size_t at = 128 + 4;
    ByteWriter w;
    w.Text(fileName, 13);
    std::size_t total = 0;
    for (const auto& s : library.sections) total += s.images.size();
    w.I16(static_cast<std::int16_t>(library.sections.size()));
    w.I16(static_cast<std::int16_t>(total));
    for (const auto& section : library.sections) {
        w.Text(section.name, 24);
        w.I16(static_cast<std::int16_t>(section.images.size()));
    }
    for (const auto& section : library.sections) {
        at += 138;
        for (const auto& image : section.images) {
            const std::vector<std::uint8_t> data = EncodeImageData(image);
            w.Text(image.name, 24);
            w.I16(image.width);
            w.I16(image.height);
            w.I16(image.hotX);
            w.I16(image.hotY);
            w.I16(image.type);
            w.U32(static_cast<std::uint32_t>(data.size()));
            w.U32(static_cast<std::uint32_t>(at + 150));
            at += 150 + data.size();
        }
    }
    return std::move(w.Data());
}

bool WriteLibrary(const std::string& path, const LibrarySpec& library) {
    return WriteFile(path, EncodeLibrary(library));
}

std::vector<std::uint8_t> EncodeArtIndex(const std::vector<ArtIndexEntry>& entries) {
    ByteWriter w;
    w.I16(static_cast<std::int16_t>(entries.size()));
    for (const auto& e : entries) {
        w.Text(e.fileName, 13);
        w.Text(e.library, 128);
    }
    return std::move(w.Data());
}

bool WriteArtIndex(const std::string& path, const std::vector<ArtIndexEntry>& entries) {
    return WriteFile(path, EncodeArtIndex(entries));
}

} // namespace datagen
