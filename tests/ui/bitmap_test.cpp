#include "platform/file.h"
#include "platform/msgbox.h"
#include "platform/wing.h"
#include "tools/datagen/byte_writer.h"
#include "tools/datagen/qif_writer.h"
#include "ui/bitmap.h"
#include "ui/logical_palette.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <vector>

namespace {

// Tables that tell each other apart: table k maps i to i + 10k (mod 256).
class TestPalette : public LogicalPalette {
public:
    TestPalette() {
        for (int k = 1; k <= 5; ++k) {
            auto* t = new std::uint8_t[256];
            for (int i = 0; i < 256; ++i) t[i] = static_cast<std::uint8_t>(i + 10 * k);
            SetTable(k, t);
        }
    }
    void ReserveRange(std::int16_t, std::int16_t) override {}
    void ReleaseRange(std::int16_t, std::int16_t) override {}
    std::int16_t GetReservedRange(std::int16_t&, std::int16_t&) const override { return 0; }
    const std::uint8_t* GetData() const override { return nullptr; }
    HPALETTE GetHandle() const override { return nullptr; }
    bool Save(const char*) const override { return false; }
    std::uint8_t NearestIndex(std::uint8_t r, std::uint8_t, std::uint8_t) const override { return r; }
};

// Reads a surface's pixel (x, y) whatever the orientation.
std::uint8_t PixelAt(const Bitmap& b, int x, int y) {
    const int row = Bitmap::BottomUp() ? b.GetHeight() - 1 - y : y;
    return b.GetPixels()[row * b.Stride() + x];
}

std::uint8_t Expected(int type, int mode, std::uint8_t s, std::uint8_t d) {
    auto T = [](int k, std::uint8_t v) { return static_cast<std::uint8_t>(v + 10 * k); };
    static const int table[7] = {0, 0, 2, 3, 1, 4, 5};
    const bool remap = mode >= 2;
    const int M = table[mode];
    switch (type) {
    case 1: return remap ? (s == 0 ? d : T(M, s)) : s;
    case 2: return s == 0 ? d : remap ? T(M, s) : s;
    case 3: return s == 0 ? d : s == 255 ? (remap ? T(M, T(1, d)) : T(1, d)) : remap ? T(M, s) : s;
    case 5: return s == 0 ? d : s == 255 ? T(1, d) : s == 252 ? T(3, d) : s;
    case 4: return s == 0 ? d : remap ? T(M, s) : s;
    case 6: return s == 0 ? d : s == 255 ? T(1, d) : remap ? T(M, s) : s;
    default: return d;
    }
}

class Bitmaps : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        platform::SetRecommendedOrientation(GetParam());
        Bitmap::ResetOrientation();
        Bitmap::SetDrawingPalette(&palette_);
        platform::ClearShownMessageBoxes();
    }
    void TearDown() override {
        Bitmap::SetDrawingPalette(nullptr);
        platform::SetRecommendedOrientation(-1);
        Bitmap::ResetOrientation();
    }
    // A picture of every source type written to a library file and read back as records.
    std::string WriteLibrary(const std::vector<datagen::ImageSpec>& images) {
        datagen::LibrarySpec lib;
        lib.title = "test";
        lib.sections.push_back({"All", images});
        const std::string path = ::testing::TempDir() + "/vh_bitmap_" + std::to_string(::getpid()) + "_" + std::to_string(GetParam() + 1) + ".qif";
        EXPECT_TRUE(datagen::WriteLibrary(path, lib));
        return path;
    }
    TestPalette palette_;
};

const std::vector<std::uint8_t> kSource = {0, 7, 255, 252, 3,   //
                                           9, 0, 255, 40, 252,  //
                                           1, 2, 3, 0, 255};

TEST_P(Bitmaps, EveryTypeInEveryModeFollowsItsRule) {
    std::vector<datagen::ImageSpec> images;
    for (int type = 1; type <= 6; ++type) {
        datagen::ImageSpec im;
        im.name = "type" + std::to_string(type);
        im.width = 5;
        im.height = 3;
        im.type = static_cast<std::int16_t>(type);
        im.pixels = kSource;
        images.push_back(im);
    }
    const std::string path = WriteLibrary(images);
    OFSTRUCT info;
    HFILE f = OpenFile(path.c_str(), &info, OF_READ);
    ASSERT_NE(f, HFILE_ERROR);
    ASSERT_EQ(_llseek(f, 128 + 4 + 138, FILE_BEGIN), 128 + 4 + 138);
    std::vector<std::unique_ptr<Bitmap>> pictures;
    for (int type = 1; type <= 6; ++type) pictures.push_back(std::make_unique<Bitmap>(path.c_str(), f));
    _lclose(f);
    for (int type = 1; type <= 6; ++type) {
        Bitmap& src = *pictures[static_cast<std::size_t>(type - 1)];
        ASSERT_TRUE(src.IsValid()) << type;
        EXPECT_STREQ(src.GetName(), ("type" + std::to_string(type)).c_str());
        EXPECT_EQ(src.GetType(), type);
        ASSERT_TRUE(src.Lock());
        for (int mode = 1; mode <= 6; ++mode) {
            Bitmap dest(Dim(7, 5), 1);
            dest.Fill(100);
            const Box touched = dest.DrawAll(Point(1, 1), src, mode);
            EXPECT_EQ(touched, Box(1, 1, 5, 3));
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x)
                    EXPECT_EQ(PixelAt(dest, x + 1, y + 1), Expected(type, mode, kSource[y * 5 + x], 100))
                        << "type " << type << " mode " << mode << " at " << x << "," << y;
            EXPECT_EQ(PixelAt(dest, 0, 0), 100);
            EXPECT_EQ(PixelAt(dest, 6, 4), 100);
        }
        src.Unlock();
    }
    std::remove(path.c_str());
}

TEST_P(Bitmaps, ClippingMovesTheSourceRectangle) {
    Bitmap src(Dim(4, 4), 1);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const int row = Bitmap::BottomUp() ? 3 - y : y;
            src.GetPixels()[row * src.Stride() + x] = static_cast<std::uint8_t>(10 * y + x + 1);
        }
    src.SetHotspot(Point(1, 1));
    Bitmap dest(Dim(6, 6), 1);
    dest.Fill(0);
    // Top-left goes to (-1, -2): one column and two rows are cut off.
    EXPECT_EQ(dest.DrawAll(Point(0, -1), src, 1), Box(0, 0, 3, 2));
    EXPECT_EQ(PixelAt(dest, 0, 0), 22);
    EXPECT_EQ(PixelAt(dest, 2, 1), 34);
    EXPECT_EQ(dest.DrawAll(Point(20, 20), src, 1), Box());
    // A source rectangle reaching past the source is kept inside it.
    dest.Fill(0);
    EXPECT_EQ(dest.Draw(Point(1, 1), src, Box(2, 2, 10, 10), 1), Box(0, 0, 2, 2));
    EXPECT_EQ(PixelAt(dest, 1, 1), 34);
    // Filling touches the padding as well; a frame is clipped like a draw.
    Bitmap odd(Dim(3, 2), 1);
    EXPECT_EQ(odd.GetRowPadding(), 1);
    EXPECT_EQ(odd.GetDataSize(), 8u);
    odd.Fill(9);
    EXPECT_EQ(odd.GetPixels()[3], 9);
    Bitmap frame(Dim(5, 4), 1);
    frame.Fill(0);
    EXPECT_EQ(frame.FrameRect(Box(-1, 1, 4, 10), 77, 0, 0), Box(0, 1, 3, 3));
    EXPECT_EQ(PixelAt(frame, 1, 1), 77);
    EXPECT_EQ(PixelAt(frame, 1, 2), 0);
    EXPECT_EQ(PixelAt(frame, 2, 2), 77);
    EXPECT_EQ(PixelAt(frame, 1, 3), 77);
    EXPECT_EQ(PixelAt(frame, 3, 1), 0);
}

TEST_P(Bitmaps, HitTestByType) {
    std::vector<datagen::ImageSpec> images;
    for (int type : {1, 2, 4}) {
        datagen::ImageSpec im;
        im.name = "hit";
        im.width = 5;
        im.height = 3;
        im.type = static_cast<std::int16_t>(type);
        im.hotX = 1;
        im.hotY = 1;
        im.pixels = kSource;
        images.push_back(im);
    }
    const std::string path = WriteLibrary(images);
    OFSTRUCT info;
    HFILE f = OpenFile(path.c_str(), &info, OF_READ);
    _llseek(f, 128 + 4 + 138, FILE_BEGIN);
    Bitmap plain(path.c_str(), f), keyed(path.c_str(), f), packed(path.c_str(), f);
    _lclose(f);
    ASSERT_TRUE(plain.Lock() && keyed.Lock() && packed.Lock());
    // Points are relative to the hot spot (1, 1).
    EXPECT_EQ(plain.IsOpaqueAt(Point(-1, -1)), 1);
    EXPECT_EQ(plain.IsOpaqueAt(Point(4, 0)), 0);
    EXPECT_EQ(keyed.IsOpaqueAt(Point(-1, -1)), 0);  // 0
    EXPECT_EQ(keyed.IsOpaqueAt(Point(0, -1)), 1);   // 7
    EXPECT_EQ(keyed.IsOpaqueAt(Point(1, -1)), 0);   // 255 is copied but not opaque
    EXPECT_EQ(packed.IsOpaqueAt(Point(1, -1)), 0);  // a literal 255
    EXPECT_EQ(packed.IsOpaqueAt(Point(2, -1)), 1);  // 252
    EXPECT_EQ(packed.IsOpaqueAt(Point(0, 0)), 0);   // skip run
    std::remove(path.c_str());
}

TEST_P(Bitmaps, DamagedRecordsAndDataAreRefused) {
    datagen::ImageSpec good;
    good.name = "good";
    good.width = 5;
    good.height = 3;
    good.type = 4;
    good.pixels = kSource;
    struct Case {
        const char* what;
        datagen::ImageSpec image;
        bool recordOk;  // the record is accepted; the pixels are refused on Lock
    };
    std::vector<Case> cases;
    {
        auto im = good;
        im.type = 7;
        cases.push_back({"unknown type", im, false});
    }
    {
        auto im = good;
        im.type = 1;
        im.raw = std::vector<std::uint8_t>(7, 1);
        cases.push_back({"data size not height x stride", im, false});
    }
    {
        auto im = good;
        im.width = -4;
        cases.push_back({"negative width", im, false});
    }
    {
        auto im = good;
        im.raw = datagen::EncodeCompressedRows(good);
        im.raw[0] = 0xFF;  // first row claims more bytes than there are
        im.raw[1] = 0x0F;
        cases.push_back({"row longer than the data", im, true});
    }
    {
        auto im = good;
        im.width = 6;
        im.raw = datagen::EncodeCompressedRows(good);
        cases.push_back({"runs short of the width", im, true});
    }
    for (const auto& c : cases) {
        const std::string path = WriteLibrary({c.image});
        OFSTRUCT info;
        HFILE f = OpenFile(path.c_str(), &info, OF_READ);
        _llseek(f, 128 + 4 + 138, FILE_BEGIN);
        Bitmap b(path.c_str(), f);
        _lclose(f);
        EXPECT_EQ(b.IsValid(), c.recordOk) << c.what;
        EXPECT_FALSE(b.Lock()) << c.what;
        EXPECT_EQ(b.GetPixels(), nullptr) << c.what;
        Bitmap dest(Dim(8, 8), 1);
        EXPECT_EQ(dest.DrawAll(Point(0, 0), b, 1), Box()) << c.what;
        std::remove(path.c_str());
    }
    // A record cut short by the end of the file.
    const std::string path = WriteLibrary({good});
    std::vector<std::uint8_t> bytes = datagen::EncodeLibrary({"t", {{"All", {good}}}});
    bytes.resize(128 + 4 + 138 + 150 + 5);
    ASSERT_TRUE(datagen::WriteFile(path, bytes));
    OFSTRUCT info;
    HFILE f = OpenFile(path.c_str(), &info, OF_READ);
    _llseek(f, 128 + 4 + 138, FILE_BEGIN);
    Bitmap cut(path.c_str(), f);
    _lclose(f);
    EXPECT_FALSE(cut.IsValid());
    std::remove(path.c_str());
}

TEST_P(Bitmaps, DiscardedPixelsComeBackOnTheNextLock) {
    datagen::ImageSpec im;
    im.name = "again";
    im.width = 5;
    im.height = 3;
    im.type = 1;
    im.pixels = kSource;
    const std::string path = WriteLibrary({im});
    OFSTRUCT info;
    HFILE f = OpenFile(path.c_str(), &info, OF_READ);
    _llseek(f, 128 + 4 + 138, FILE_BEGIN);
    Bitmap b(path.c_str(), f);
    _lclose(f);
    EXPECT_FALSE(b.IsResident());
    ASSERT_TRUE(b.Lock());
    EXPECT_FALSE(b.Discard()) << "locked pixels stay";
    b.Unlock();
    EXPECT_TRUE(b.Discard());
    EXPECT_FALSE(b.IsResident());
    ASSERT_TRUE(b.Lock());
    EXPECT_EQ(PixelAt(b, 1, 0), 7);
    EXPECT_EQ(PixelAt(b, 0, 2), 1);
    std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(BothRowOrders, Bitmaps, ::testing::Values(-1, 1),
                         [](const auto& caseInfo) { return caseInfo.param > 0 ? std::string("BottomUp") : std::string("TopDown"); });

} // namespace
