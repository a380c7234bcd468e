#include "ui/blitters.h"
#include "tools/datagen/qif_writer.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

// A table that makes each remapped pixel recognisable: i -> i + 1 (255 -> 0).
std::vector<std::uint8_t> PlusOne() {
    std::vector<std::uint8_t> t(256);
    for (int i = 0; i < 256; ++i) t[i] = static_cast<std::uint8_t>(i + 1);
    return t;
}
std::vector<std::uint8_t> Times2() {
    std::vector<std::uint8_t> t(256);
    for (int i = 0; i < 256; ++i) t[i] = static_cast<std::uint8_t>(i * 2);
    return t;
}

struct RowCase {
    const char* what;
    std::vector<std::uint8_t> src;
    std::vector<std::uint8_t> expected;  // over a destination of all 10s
};

TEST(Blitters, UncompressedRulesPerPixel) {
    const auto shadow = PlusOne();
    const auto other = Times2();
    const std::vector<std::uint8_t> src = {0, 7, 255, 252, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 255};
    const int w = static_cast<int>(src.size());
    auto run = [&](auto blitter) {
        std::vector<std::uint8_t> d(src.size(), 10);
        blitter(d.data());
        return d;
    };
    // Copy.
    EXPECT_EQ(run([&](std::uint8_t* d) { blit::Copy(d, src.data(), w, 1, 0, 0); }), src);
    // Keyed copy takes its key from the caller; 255 is copied like any other pixel.
    std::vector<std::uint8_t> keyed(src);
    for (auto& p : keyed)
        if (p == 0) p = 10;
    EXPECT_EQ(run([&](std::uint8_t* d) { blit::KeyedCopy(d, src.data(), w, 1, 0, 0, 0); }), keyed);
    std::vector<std::uint8_t> keyed7(src);
    keyed7[1] = 10;
    EXPECT_EQ(run([&](std::uint8_t* d) { blit::KeyedCopy(d, src.data(), w, 1, 0, 0, 7); }), keyed7);
    // Shadowed: 255 darkens the destination, 252 is an ordinary pixel.
    std::vector<std::uint8_t> shadowed(keyed);
    shadowed[2] = 11;
    shadowed[18] = 11;
    EXPECT_EQ(run([&](std::uint8_t* d) { blit::Shadowed(d, src.data(), w, 1, 0, 0, shadow.data()); }), shadowed);
    // Shadow and highlight.
    std::vector<std::uint8_t> sh(shadowed);
    sh[3] = 20;
    EXPECT_EQ(run([&](std::uint8_t* d) {
                  blit::ShadowHighlight(d, src.data(), w, 1, 0, 0, shadow.data(), other.data());
              }),
              sh);
    // Remapped: every non-zero pixel through the table.
    std::vector<std::uint8_t> remapped(keyed);
    for (int i = 0; i < w; ++i)
        if (src[i]) remapped[i] = other[src[i]];
    EXPECT_EQ(run([&](std::uint8_t* d) { blit::Remapped(d, src.data(), w, 1, 0, 0, other.data()); }), remapped);
    // Shadowed-remapped: 255 becomes M[shadow[d]].
    std::vector<std::uint8_t> sr(remapped);
    sr[2] = other[11];
    sr[18] = other[11];
    EXPECT_EQ(run([&](std::uint8_t* d) {
                  blit::ShadowedRemapped(d, src.data(), w, 1, 0, 0, shadow.data(), other.data());
              }),
              sr);
}

TEST(Blitters, SkipsWalkRowsOfDifferentStrides) {
    // 3 x 2 source with stride 4 into a 5-wide destination at column 1.
    const std::vector<std::uint8_t> src = {1, 2, 3, 99, 4, 5, 6, 99};
    std::vector<std::uint8_t> d(10, 0);
    blit::Copy(d.data() + 1, src.data(), 3, 2, 2, 1);
    EXPECT_EQ(d, (std::vector<std::uint8_t>{0, 1, 2, 3, 0, 0, 4, 5, 6, 0}));
    std::vector<std::uint8_t> k(40, 9);
    std::vector<std::uint8_t> s2(40);
    std::iota(s2.begin(), s2.end(), 0);
    blit::KeyedCopy(k.data(), s2.data(), 19, 2, 1, 1, 0);
    EXPECT_EQ(k[0], 9);  // key
    EXPECT_EQ(k[18], 18);
    EXPECT_EQ(k[19], 9);  // skipped column
    EXPECT_EQ(k[20], 20);
}

datagen::ImageSpec Compressible(int type) {
    datagen::ImageSpec im;
    im.width = 6;
    im.height = 2;
    im.type = static_cast<std::int16_t>(type);
    im.pixels = {0, 0, 4, 5, 255, 6,  //
                 7, 255, 255, 0, 8, 9};
    return im;
}

TEST(Blitters, CompressedRowsFromAnyColumn) {
    const auto shadow = PlusOne();
    for (int type : {4, 6}) {
        const auto im = Compressible(type);
        const auto data = datagen::EncodeCompressedRows(im);
        ASSERT_TRUE(blit::ValidateCompressed(data.data(), data.size(), 6, 2));
        for (int sx = 0; sx < 6; ++sx) {
            for (int w = 1; sx + w <= 6; ++w) {
                std::vector<std::uint8_t> d(static_cast<std::size_t>(w) * 2, 10);
                if (type == 4)
                    blit::Compressed(d.data(), data.data(), sx, 0, w, 2, 0, nullptr);
                else
                    blit::CompressedShadow(d.data(), data.data(), sx, 0, w, 2, 0, shadow.data(), nullptr);
                for (int y = 0; y < 2; ++y)
                    for (int x = 0; x < w; ++x) {
                        const std::uint8_t p = im.pixels[static_cast<std::size_t>(y) * 6 + sx + x];
                        std::uint8_t want = p;
                        if (p == 0) want = 10;
                        if (p == 255 && type == 6) want = 11;
                        EXPECT_EQ(d[static_cast<std::size_t>(y) * w + x], want)
                            << "type " << type << " sx " << sx << " w " << w << " at " << x << "," << y;
                    }
            }
        }
    }
}

TEST(Blitters, CompressedLiteralsThroughTableAndRowSkip) {
    const auto im = Compressible(4);
    const auto data = datagen::EncodeCompressedRows(im);
    const auto t = Times2();
    std::vector<std::uint8_t> d(3, 1);
    blit::Compressed(d.data(), data.data(), 1, 1, 3, 1, 0, t.data());
    EXPECT_EQ(d, (std::vector<std::uint8_t>{t[255], t[255], 1}));
}

TEST(Blitters, CompressedHitTestCountsOnlyLiteralsBelow255) {
    const auto im = Compressible(4);
    const auto data = datagen::EncodeCompressedRows(im);
    EXPECT_FALSE(blit::CompressedOpaqueAt(data.data(), 0, 0));
    EXPECT_TRUE(blit::CompressedOpaqueAt(data.data(), 2, 0));
    EXPECT_FALSE(blit::CompressedOpaqueAt(data.data(), 4, 0));  // a literal 255
    EXPECT_TRUE(blit::CompressedOpaqueAt(data.data(), 5, 0));
    EXPECT_TRUE(blit::CompressedOpaqueAt(data.data(), 0, 1));
    EXPECT_FALSE(blit::CompressedOpaqueAt(data.data(), 3, 1));
    EXPECT_FALSE(blit::CompressedOpaqueAt(data.data(), -1, 0));
}

TEST(Blitters, ValidationRefusesDamagedRows) {
    const auto good = datagen::EncodeCompressedRows(Compressible(6));
    ASSERT_TRUE(blit::ValidateCompressed(good.data(), good.size(), 6, 2));
    EXPECT_FALSE(blit::ValidateCompressed(good.data(), good.size(), 7, 2)) << "runs short of the width";
    EXPECT_FALSE(blit::ValidateCompressed(good.data(), good.size(), 5, 2)) << "runs past the width";
    EXPECT_FALSE(blit::ValidateCompressed(good.data(), good.size(), 6, 3)) << "a row missing";
    EXPECT_FALSE(blit::ValidateCompressed(good.data(), good.size() - 1, 6, 2)) << "cut short";
    auto longRow = good;
    longRow[0] = 0xFF;
    longRow[1] = 0x0F;
    EXPECT_FALSE(blit::ValidateCompressed(longRow.data(), longRow.size(), 6, 2)) << "row length past the data";
    // A row of a single zero-length skip run would never advance.
    const std::vector<std::uint8_t> stuck = {4, 0, 0, 0};
    EXPECT_FALSE(blit::ValidateCompressed(stuck.data(), stuck.size(), 1, 1));
    // A literal run whose bytes run past its row.
    const std::vector<std::uint8_t> overrun = {5, 0, 3, 0x20, 1, 2, 3};
    EXPECT_FALSE(blit::ValidateCompressed(overrun.data(), overrun.size(), 3, 1));
}

} // namespace
