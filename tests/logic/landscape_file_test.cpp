#include "game/logic/landscape_file.h"
#include "tools/datagen/landscape_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

namespace {

datagen::LandscapeDraft SmallDraft() {
    datagen::LandscapeDraft d(4, 3);
    d.name = "Test Ridge";
    d.firstHeaderValue = 1200;
    d.secondHeaderValue = -3;
    d.header[0] = 0x51;
    d.SetElevation(101, 7);
    d.SetElevation(302, 255);
    d.AddTerrain(101, 1);
    d.AddTerrain(101, 12);
    d.AddEdge(101, 4, 6);
    return d;
}

TEST(LandscapeFile, WriterOutputReadsBack) {
    const auto draft = SmallDraft();
    LandscapeFile f;
    std::string why;
    ASSERT_TRUE(ReadLandscape(datagen::WriteLandscape(draft), f, &why)) << why;
    EXPECT_EQ(f.columns, 4);
    EXPECT_EQ(f.rows, 3);
    EXPECT_EQ(f.firstHeaderValue, 1200);
    EXPECT_EQ(f.secondHeaderValue, -3);
    EXPECT_EQ(f.ElevationAt(1, 1), 7);
    EXPECT_EQ(f.ElevationAt(3, 2), 255);
    EXPECT_EQ(f.ElevationAt(0, 0), 0);
    for (int y = 0; y < f.GridHeight(); ++y)
        for (int x = 0; x < f.GridWidth(); ++x) {
            auto p = f.PointAt(x, y);
            const auto& q = draft.points[static_cast<std::size_t>(y) * draft.GridWidth() + x];
            EXPECT_EQ(std::vector<std::uint16_t>(p.begin(), p.end()), q) << x << "," << y;
        }
    // Region 101's centre is grid point (4, 8).
    auto centre = f.PointAt(4, 8);
    ASSERT_EQ(centre.size(), 2u);
    EXPECT_EQ(centre[0], 1);
    EXPECT_EQ(centre[1], 12);
}

TEST(LandscapeFile, ByteLayoutOfTheSmallestMap) {
    datagen::LandscapeDraft d(1, 1);
    d.SetElevation(0, 9);
    d.AddTerrain(0, 0x0102);
    const auto bytes = datagen::WriteLandscape(d);
    // 20 header bytes, name length 0, 1 column, 1 row, 1000, 0, one elevation, then
    // 4 × 5 points of two bytes each and the centre's one code.
    ASSERT_EQ(bytes.size(), 20u + 2 + 1 + 1 + 2 + 2 + 1 + 20 * 2 + 2);
    EXPECT_EQ(bytes[20], 0);
    EXPECT_EQ(bytes[21], 0);
    EXPECT_EQ(bytes[22], 1);
    EXPECT_EQ(bytes[23], 1);
    EXPECT_EQ(bytes[24], 0xE8);
    EXPECT_EQ(bytes[25], 0x03);
    EXPECT_EQ(bytes[28], 9);
    // The centre (2, 2) is the 11th point of a grid 4 points wide.
    const std::size_t centre = 29 + 10 * 2;
    EXPECT_EQ(bytes[centre], 1);
    EXPECT_EQ(bytes[centre + 2], 0x02);
    EXPECT_EQ(bytes[centre + 3], 0x01);
    LandscapeFile f;
    EXPECT_TRUE(ReadLandscape(bytes, f));
}

TEST(LandscapeFile, FileOnDiskAndMissingFile) {
    const std::string path = testing::TempDir() + "landscape_file_test.map";
    ASSERT_TRUE(datagen::WriteLandscapeFile(path, SmallDraft()));
    LandscapeFile f;
    EXPECT_TRUE(ReadLandscapeFile(path, f));
    EXPECT_EQ(f.firstHeaderValue, 1200);
    std::remove(path.c_str());
    std::string why;
    LandscapeFile g;
    EXPECT_FALSE(ReadLandscapeFile(path, g, &why));
    EXPECT_EQ(g.columns, 0);
}

TEST(LandscapeFile, TrailingBytesAreNotRead) {
    auto bytes = datagen::WriteLandscape(SmallDraft());
    bytes.insert(bytes.end(), {1, 2, 3});
    LandscapeFile f;
    EXPECT_TRUE(ReadLandscape(bytes, f));
}

TEST(LandscapeFile, DamagedFilesAreRefusedAndLeaveTheRecordAlone) {
    struct Case {
        const char* what;
        std::function<void(datagen::LandscapeDraft&, std::vector<std::uint8_t>&)> damage;
    };
    const auto pointCount = [](const datagen::LandscapeDraft& d) { return d.points.size(); };
    const Case cases[] = {
        {"empty file", [](auto&, auto& b) { b.clear(); }},
        {"cut inside the header", [](auto&, auto& b) { b.resize(21); }},
        {"name longer than the file", [](auto&, auto& b) { b[20] = 0xFF; b[21] = 0x70; }},
        {"negative name length", [](auto&, auto& b) { b[20] = 0xFF; b[21] = 0xFF; }},
        {"cut inside the size", [](auto& d, auto& b) { b.resize(22 + d.name.size() + 3); }},
        {"no columns", [](auto& d, auto& b) { b[22 + d.name.size()] = 0; }},
        {"no rows", [](auto& d, auto& b) { b[23 + d.name.size()] = 0; }},
        {"more rows than numbers hold", [](auto& d, auto& b) { b[23 + d.name.size()] = 101; }},
        {"cut inside the elevations", [](auto& d, auto& b) { b.resize(28 + d.name.size() + 5); }},
        {"cut before the last point", [](auto&, auto& b) { b.resize(b.size() - 2); }},
        {"cut inside a point's codes", [](auto&, auto& b) { b.resize(b.size() - 1); }},
        {"count past the end",
         [](auto&, auto& b) {
             // The last point is empty: make its count claim codes the file does not have.
             b[b.size() - 2] = 3;
         }},
        {"point with 13 codes",
         [&](auto& d, auto& b) {
             d.points[0].assign(13, 6);
             b = datagen::WriteLandscape(d);
         }},
        {"centre with 11 codes",
         [&](auto& d, auto& b) {
             int x = 0, y = 0;
             d.CentreOf(201, x, y);
             d.PointAt(x, y).assign(11, 0);
             b = datagen::WriteLandscape(d);
         }},
        {"huge point count",
         [&](auto& d, auto& b) {
             d.points[pointCount(d) / 2].assign(1, 0);
             b = datagen::WriteLandscape(d);
             // Overwrite that point's count with 0xFFFF.
             std::size_t at = 28 + d.name.size() + d.elevations.size();
             for (std::size_t i = 0; i < pointCount(d) / 2; ++i) at += 2 + 2 * d.points[i].size();
             b[at] = 0xFF;
             b[at + 1] = 0xFF;
         }},
    };
    for (const auto& c : cases) {
        auto draft = SmallDraft();
        auto bytes = datagen::WriteLandscape(draft);
        c.damage(draft, bytes);
        LandscapeFile f;
        f.firstHeaderValue = 77;
        std::string why;
        EXPECT_FALSE(ReadLandscape(bytes, f, &why)) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
        EXPECT_EQ(f.firstHeaderValue, 77) << c.what;
        EXPECT_TRUE(f.codes.empty()) << c.what;
    }
}

TEST(LandscapeFile, LimitsOfTheFormatAreAccepted) {
    // 100 rows, a full centre of 10 codes and a midpoint of 12, a name of length 0.
    datagen::LandscapeDraft d(2, 100);
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(d.AddTerrain(199, static_cast<std::uint16_t>(i)));
    EXPECT_FALSE(d.AddTerrain(199, 10));
    for (int i = 0; i < 12; ++i) EXPECT_TRUE(d.AddEdge(5, 1, static_cast<std::uint16_t>(i)));
    EXPECT_FALSE(d.AddEdge(5, 1, 12));
    LandscapeFile f;
    std::string why;
    EXPECT_TRUE(ReadLandscape(datagen::WriteLandscape(d), f, &why)) << why;
    EXPECT_EQ(f.rows, 100);
}

} // namespace
