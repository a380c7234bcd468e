// Cursor files: the frames, hot spots, order and rates of an animated cursor read back, and
// files that do not hold together refused whole, by the reader and by the loading call.
#include "platform/cursor.h"
#include "platform/cursor_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void U16(Bytes& v, unsigned x) {
    v.push_back(static_cast<std::uint8_t>(x & 0xFF));
    v.push_back(static_cast<std::uint8_t>((x >> 8) & 0xFF));
}
void U32(Bytes& v, std::uint32_t x) {
    U16(v, x & 0xFFFF);
    U16(v, x >> 16);
}
void Chunk(Bytes& v, const char* tag, const Bytes& body) {
    v.insert(v.end(), tag, tag + 4);
    U32(v, static_cast<std::uint32_t>(body.size()));
    v.insert(v.end(), body.begin(), body.end());
    if (body.size() % 2) v.push_back(0);
}

// One cursor image, every field open to change before it is written.
struct Image {
    int width = 3, height = 2, bits = 8, hotX = 1, hotY = 1;
    std::uint32_t compression = 0, used = 3;
    std::vector<std::uint32_t> palette = {0x000000, 0x102030, 0x405060};
    // Pixel values (indexes, or 0xAARRGGBB at 32 bits) and mask bits, top row first.
    std::vector<std::uint32_t> pixels = {1, 2, 0, 2, 1, 1};
    std::vector<int> clear = {0, 0, 1, 0, 0, 0};

    Bytes Write() const {
        Bytes image;
        U32(image, 40);
        U32(image, static_cast<std::uint32_t>(width));
        U32(image, static_cast<std::uint32_t>(height * 2));
        U16(image, 1);
        U16(image, static_cast<unsigned>(bits));
        U32(image, compression);
        U32(image, 0);
        U32(image, 0);
        U32(image, 0);
        U32(image, used);
        U32(image, 0);
        if (bits <= 8)
            for (std::uint32_t c : palette) U32(image, c);
        const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
        const std::size_t maskStride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
        for (int y = height - 1; y >= 0; --y) {
            Bytes row(stride, 0);
            for (int x = 0; x < width; ++x) {
                const std::uint32_t p = pixels[static_cast<std::size_t>(y * width + x)];
                if (bits == 32)
                    for (int k = 0; k < 4; ++k) row[4 * x + k] = static_cast<std::uint8_t>(p >> (8 * k));
                else if (bits == 8)
                    row[x] = static_cast<std::uint8_t>(p);
                else if (bits == 4)
                    row[x / 2] = static_cast<std::uint8_t>(row[x / 2] | (p << (x % 2 ? 0 : 4)));
                else
                    row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | (p << (7 - x % 8)));
            }
            image.insert(image.end(), row.begin(), row.end());
        }
        for (int y = height - 1; y >= 0; --y) {
            Bytes row(maskStride, 0);
            for (int x = 0; x < width; ++x)
                if (clear[static_cast<std::size_t>(y * width + x)]) row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | (0x80 >> (x % 8)));
            image.insert(image.end(), row.begin(), row.end());
        }
        Bytes cur;
        U16(cur, 0);
        U16(cur, 2);
        U16(cur, 1);
        cur.push_back(static_cast<std::uint8_t>(width));
        cur.push_back(static_cast<std::uint8_t>(height));
        U16(cur, 0);
        U16(cur, static_cast<unsigned>(hotX));
        U16(cur, static_cast<unsigned>(hotY));
        U32(cur, static_cast<std::uint32_t>(image.size()));
        U32(cur, 22);
        cur.insert(cur.end(), image.begin(), image.end());
        return cur;
    }
};

Image Argb() {
    Image i;
    i.width = 2;
    i.height = 2;
    i.bits = 32;
    i.hotX = 0;
    i.pixels = {0xFF112233, 0x80445566, 0x00000000, 0xFFABCDEF};
    i.clear = {0, 0, 1, 0};
    return i;
}

// An animated cursor, every part open to change before it is written.
struct Animation {
    std::vector<Image> frames = {Argb(), Image()};
    std::uint32_t headerSize = 36, frameCount = 2, steps = 3, rate = 6, flags = 3;
    std::vector<std::uint32_t> sequence = {0, 1, 0}, rates = {5, 10, 5};
    bool withSequence = true, withRates = true;
    std::function<void(Bytes&)> extra;  // more chunks at the end of the body

    Bytes Write() const {
        Bytes body = {'A', 'C', 'O', 'N'};
        Bytes header;
        U32(header, headerSize);
        U32(header, frameCount);
        U32(header, steps);
        for (int k = 0; k < 4; ++k) U32(header, 0);
        U32(header, rate);
        U32(header, flags);
        Chunk(body, "anih", header);
        Bytes table;
        if (withRates) {
            for (std::uint32_t r : rates) U32(table, r);
            Chunk(body, "rate", table);
        }
        if (withSequence) {
            table.clear();
            for (std::uint32_t q : sequence) U32(table, q);
            Chunk(body, "seq ", table);
        }
        Bytes list = {'f', 'r', 'a', 'm'};
        for (const Image& f : frames) Chunk(list, "icon", f.Write());
        Chunk(body, "LIST", list);
        if (extra) extra(body);
        Bytes file;
        Chunk(file, "RIFF", body);
        return file;
    }
};

bool Read(const Bytes& b, platform::CursorImage& image) { return platform::ReadCursorFile(b.data(), b.size(), image); }

TEST(CursorFile, AnAnimatedCursorGivesItsFramesOrderAndRates) {
    platform::CursorImage image;
    ASSERT_TRUE(Read(Animation().Write(), image));
    ASSERT_EQ(image.frames.size(), 2u);
    EXPECT_EQ(image.sequence, (std::vector<std::uint32_t>{0, 1, 0}));
    EXPECT_EQ(image.rates, (std::vector<std::uint32_t>{5, 10, 5}));

    // 32 bits with alpha: the stored alpha, rows in their shown order.
    const platform::CursorFrame& argb = image.frames[0];
    EXPECT_EQ(argb.width, 2);
    EXPECT_EQ(argb.height, 2);
    EXPECT_EQ(argb.hotX, 0);
    EXPECT_EQ(argb.hotY, 1);
    EXPECT_EQ(argb.argb, (std::vector<std::uint32_t>{0xFF112233, 0x80445566, 0x00000000, 0xFFABCDEF}));

    // Indexed colours: opaque from the table, transparent where the mask is set.
    const platform::CursorFrame& indexed = image.frames[1];
    EXPECT_EQ(indexed.width, 3);
    EXPECT_EQ(indexed.height, 2);
    EXPECT_EQ(indexed.argb, (std::vector<std::uint32_t>{0xFF102030, 0xFF405060, 0, 0xFF405060, 0xFF102030, 0xFF102030}));
}

TEST(CursorFile, DefaultsOrderAndRatesAndReadsSingleCursorsOfEveryDepth) {
    Animation plain;
    plain.withSequence = plain.withRates = false;
    plain.flags = 1;
    plain.steps = 2;
    platform::CursorImage image;
    ASSERT_TRUE(Read(plain.Write(), image));
    EXPECT_EQ(image.sequence, (std::vector<std::uint32_t>{0, 1}));
    EXPECT_EQ(image.rates, (std::vector<std::uint32_t>{6, 6}));

    for (int bits : {1, 4, 8}) {
        Image one;
        one.bits = bits;
        one.width = 9;  // a row longer than one byte at every depth
        one.height = 1;
        one.hotY = 0;
        one.pixels = {1, 0, 1, 1, 0, 0, 1, 0, 1};
        one.clear = {0, 0, 0, 0, 0, 0, 0, 1, 1};
        one.palette = {0x000001, 0xFFFFFF};
        one.used = 2;
        ASSERT_TRUE(Read(one.Write(), image)) << bits;
        ASSERT_EQ(image.frames.size(), 1u);
        EXPECT_EQ(image.frames[0].argb, (std::vector<std::uint32_t>{0xFFFFFFFF, 0xFF000001, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000001,
                                                                    0xFF000001, 0xFFFFFFFF, 0, 0}))
            << bits;
    }

    // 32 bits without any alpha take their transparency from the mask.
    Image noAlpha = Argb();
    noAlpha.pixels = {0x112233, 0x445566, 0x778899, 0xABCDEF};
    ASSERT_TRUE(Read(noAlpha.Write(), image));
    EXPECT_EQ(image.frames[0].argb, (std::vector<std::uint32_t>{0xFF112233, 0xFF445566, 0, 0xFFABCDEF}));
}

struct Damage {
    const char* what;
    std::function<Bytes()> bytes;
};

Bytes WithAnimation(const std::function<void(Animation&)>& change) {
    Animation a;
    change(a);
    return a.Write();
}

Bytes WithImage(const std::function<void(Image&)>& change) {
    Animation a;
    change(a.frames[1]);
    return a.Write();
}

TEST(CursorFile, FilesThatDoNotHoldTogetherAreRefusedWhole) {
    const Damage cases[] = {
        {"nothing", [] { return Bytes{}; }},
        {"five bytes", [] { return Bytes{0, 0, 2, 0, 1}; }},
        {"the file size beyond the file", [] {
             Bytes b = Animation().Write();
             b[4] = static_cast<std::uint8_t>(b[4] + 2);
             return b;
         }},
        {"cut short", [] {
             Bytes b = Animation().Write();
             b.resize(b.size() - 7);
             return b;
         }},
        {"no header", [] { return WithAnimation([](Animation& a) { a.headerSize = 20; }); }},
        {"no frames", [] { return WithAnimation([](Animation& a) { a.frameCount = 0; }); }},
        {"more frames counted than held", [] { return WithAnimation([](Animation& a) { a.frameCount = 3; }); }},
        {"a frame count beyond reason", [] { return WithAnimation([](Animation& a) { a.frameCount = 0x7FFFFFFF; }); }},
        {"steps beyond reason", [] {
             return WithAnimation([](Animation& a) {
                 a.steps = 0xFFFFFFFF;
             });
         }},
        {"raw bitmap frames", [] { return WithAnimation([](Animation& a) { a.flags = 2; }); }},
        {"a sequence promised and missing", [] { return WithAnimation([](Animation& a) { a.withSequence = false; }); }},
        {"a step showing no frame", [] { return WithAnimation([](Animation& a) { a.sequence = {0, 2, 0}; }); }},
        {"fewer rates than steps", [] { return WithAnimation([](Animation& a) { a.rates = {5, 10}; }); }},
        {"steps without a sequence other than the frames", [] {
             return WithAnimation([](Animation& a) {
                 a.withSequence = false;
                 a.flags = 1;
             });
         }},
        {"two headers", [] {
             return WithAnimation([](Animation& a) {
                 a.extra = [](Bytes& body) {
                     Bytes header(36, 0);
                     header[0] = 36;
                     Chunk(body, "anih", header);
                 };
             });
         }},
        {"a frame chunk that is no icon", [] {
             Bytes b = Animation().Write();
             for (std::size_t k = 0; k + 4 <= b.size(); ++k)
                 if (b[k] == 'i' && b[k + 1] == 'c' && b[k + 2] == 'o' && b[k + 3] == 'n') {
                     b[k] = 'I';
                     break;
                 }
             return b;
         }},
        {"a width of nothing", [] { return WithImage([](Image& i) { i.width = 0; }); }},
        {"a width beyond a cursor's", [] {
             return WithImage([](Image& i) {
                 i.width = 300;
                 i.height = 1;
                 i.hotX = i.hotY = 0;
                 i.pixels.assign(300, 1);
                 i.clear.assign(300, 0);
             });
         }},
        {"24-bit colour", [] { return WithImage([](Image& i) { i.bits = 24; }); }},
        {"compressed rows", [] { return WithImage([](Image& i) { i.compression = 1; }); }},
        {"more colours used than the depth has", [] {
             return WithImage([](Image& i) {
                 i.bits = 1;
                 i.used = 3;
                 i.pixels = {1, 0, 1, 0, 1, 0};
             });
         }},
        {"an index past the colour table", [] {
             return WithImage([](Image& i) {
                 i.used = 2;
                 i.palette.resize(2);
             });
         }},
        {"a hot spot outside the image", [] { return WithImage([](Image& i) { i.hotX = 3; }); }},
    };
    for (const Damage& c : cases) {
        platform::CursorImage image;
        image.frames.resize(1);
        EXPECT_FALSE(Read(c.bytes(), image)) << c.what;
        EXPECT_TRUE(image.frames.empty()) << c.what;
    }
}

TEST(CursorFile, TheLoadingCallGivesNoCursorForADamagedOrMissingFile) {
    const std::string path = ::testing::TempDir() + "/vh_cursor_" + std::to_string(::getpid()) + ".ani";
    const auto write = [&](const Bytes& b) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(b.data(), 1, b.size(), f);
        std::fclose(f);
    };
    write(Animation().Write());
    HCURSOR good = LoadCursorFromFileA(path.c_str());
    ASSERT_NE(good, nullptr);
    ASSERT_NE(platform::CursorImageOf(good), nullptr);
    EXPECT_EQ(platform::CursorImageOf(good)->frames.size(), 2u);
    EXPECT_EQ(platform::CursorImageOf(LoadCursorA(nullptr, IDC_ARROW)), nullptr);

    Bytes damaged = Animation().Write();
    damaged.resize(damaged.size() / 2);
    write(damaged);
    EXPECT_EQ(LoadCursorFromFileA(path.c_str()), nullptr);
    std::remove(path.c_str());
    EXPECT_EQ(LoadCursorFromFileA(path.c_str()), nullptr);
}

} // namespace
