#include "platform/msgbox.h"
#include "tools/datagen/palette_writer.h"
#include "ui/windows/windows_palette.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>
#include "tools/datagen/byte_writer.h"

namespace {

class PaletteFile : public ::testing::Test {
protected:
    void SetUp() override { platform::ClearShownMessageBoxes(); }
    // Test processes run side by side: each has files of its own.
    std::string Path(const char* name) { return ::testing::TempDir() + "/" + std::to_string(::getpid()) + "_" + name; }
    static datagen::PaletteData Sample() {
        datagen::PaletteData p;
        for (int i = 0; i < 256; ++i) {
            p.entries[i * 4] = static_cast<std::uint8_t>(255 - i);
            p.entries[i * 4 + 1] = static_cast<std::uint8_t>(i / 2);
            p.entries[i * 4 + 2] = static_cast<std::uint8_t>(i);
        }
        for (int k = 0; k < 5; ++k)
            for (int i = 0; i < 256; ++i) p.tables[k][i] = static_cast<std::uint8_t>(i ^ (k + 1));
        return p;
    }
};

TEST_F(PaletteFile, StoredTablesAreTakenAsTheyAreAndSavedBack) {
    const auto sample = Sample();
    const std::string path = Path("vh_pal.pal"), again = Path("vh_pal2.pal");
    ASSERT_TRUE(datagen::WritePaletteFile(path, sample));
    WindowsPalette pal(path.c_str());
    EXPECT_EQ(pal.LoadResult(), PaletteFileResult::Ok);
    EXPECT_EQ(0, std::memcmp(pal.GetData(), sample.entries.data(), 1024));
    for (int k = 1; k <= 5; ++k) EXPECT_EQ(0, std::memcmp(pal.GetTable(k), sample.tables[k - 1].data(), 256)) << k;
    ASSERT_TRUE(pal.Save(again.c_str()));
    FILE* a = std::fopen(path.c_str(), "rb");
    FILE* b = std::fopen(again.c_str(), "rb");
    std::vector<char> x(3000), y(3000);
    const auto nx = std::fread(x.data(), 1, x.size(), a), ny = std::fread(y.data(), 1, y.size(), b);
    std::fclose(a);
    std::fclose(b);
    EXPECT_EQ(nx, kPaletteFileSize);
    EXPECT_EQ(nx, ny);
    EXPECT_EQ(x, y);
    std::int16_t first = 7, last = 7;
    EXPECT_EQ(pal.GetAnimationRange(first, last), 0);
    pal.SetAnimationRange(41, 45);
    EXPECT_EQ(pal.GetAnimationRange(first, last), 1);
    EXPECT_EQ(first, 41);
    EXPECT_EQ(last, 45);
    PALETTEENTRY e;
    GetPaletteEntries(pal.GetHandle(), 41, 1, &e);
    EXPECT_EQ(e.peFlags, PC_RESERVED);
    pal.ClearAnimationRange(41, 45);
    EXPECT_EQ(pal.GetAnimationRange(first, last), 0);
    std::remove(path.c_str());
    std::remove(again.c_str());
}

TEST_F(PaletteFile, BmpColourTablesGetComputedTables) {
    std::array<std::uint8_t, 1024> entries{};
    entries[20 * 4 + 0] = entries[20 * 4 + 1] = entries[20 * 4 + 2] = 255;  // white at 20
    for (int i = 21; i < 246; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        entries[i * 4] = entries[i * 4 + 1] = entries[i * 4 + 2] = v;  // a grey ramp
    }
    const std::string path = Path("vh_pal.bmp");
    ASSERT_TRUE(datagen::WriteFile(path, datagen::EncodeBmpPalette(entries)));
    WindowsPalette pal(path.c_str());
    EXPECT_EQ(pal.LoadResult(), PaletteFileResult::Ok);
    // Black maps to a black entry in every table; white stays white where the value is capped.
    for (int k = 1; k <= 5; ++k) {
        PALETTEENTRY e;
        GetPaletteEntries(pal.GetHandle(), pal.GetTable(k)[0], 1, &e);
        EXPECT_EQ(e.peRed + e.peGreen + e.peBlue, 0) << k;
    }
    for (int k = 3; k <= 5; ++k) {
        PALETTEENTRY e;
        GetPaletteEntries(pal.GetHandle(), pal.GetTable(k)[20], 1, &e);
        EXPECT_EQ(e.peRed, 255) << k;
    }
    PALETTEENTRY dark;
    GetPaletteEntries(pal.GetHandle(), pal.GetTable(1)[20], 1, &dark);
    EXPECT_EQ(dark.peRed, 178);
    std::remove(path.c_str());
}

TEST_F(PaletteFile, MissingOrDamagedFilesAreReportedAndReplaced) {
    const std::string path = Path("vh_short.pal");
    auto bytes = datagen::EncodePaletteFile(Sample());
    bytes.resize(1500);  // the signature promises tables that are not there
    ASSERT_TRUE(datagen::WriteFile(path, bytes));
    PaletteFileData data;
    EXPECT_EQ(ReadPaletteFile(path, data), PaletteFileResult::Damaged);
    WindowsPalette damaged(path.c_str());
    EXPECT_EQ(damaged.LoadResult(), PaletteFileResult::Damaged);
    EXPECT_EQ(damaged.GetData()[100 * 4], 100) << "grey ramp";
    for (int k = 1; k <= 5; ++k) EXPECT_NE(damaged.GetTable(k), nullptr);
    WindowsPalette missing("no such palette", ::testing::TempDir());
    EXPECT_EQ(missing.LoadResult(), PaletteFileResult::Missing);
    EXPECT_EQ(platform::ShownMessageBoxCount(), 2u);
    std::remove(path.c_str());
}

} // namespace
