// The whole road of a picture: the registry names the data directory and palette, the art index
// names the library file, the library's images are locked from the file, drawn in every draw
// mode into an MDI child's back buffer, copied to the screen, saved as PNG and read back.
#include "tests/ui/ui_fixture.h"
#include "ui/qif.h"
#include "ui/windows/mdi_windows.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;

constexpr int kCell = 10;   // each picture is drawn in a 10 x 10 cell
constexpr int kSize = 8;    // pictures are 8 x 8
constexpr std::uint8_t kBackground = 100;

// The pixels every picture shares: ordinary colours, transparent 0, shadow 255, highlight 252.
std::vector<std::uint8_t> Pattern() {
    std::vector<std::uint8_t> p(kSize * kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            std::uint8_t v = static_cast<std::uint8_t>(20 + 8 * y + x);
            if ((x + y) % 5 == 0) v = 0;
            if (x == 6 && y > 1) v = 255;
            if (y == 6 && x < 4) v = 252;
            p[static_cast<std::size_t>(y) * kSize + x] = v;
        }
    return p;
}

// What a source pixel s of a type drawn in a mode leaves over a destination pixel d.
std::uint8_t Expected(int type, int mode, std::uint8_t s, std::uint8_t d) {
    static const int kModeTable[7] = {0, 0, 2, 3, 1, 4, 5};  // grey, highlight, shadow, light, lighter
    auto M = [&](std::uint8_t v) { return TableOf(kModeTable[mode], v); };
    auto shadow = [](std::uint8_t v) { return TableOf(1, v); };
    auto highlight = [](std::uint8_t v) { return TableOf(3, v); };
    const bool remap = mode >= 2;
    switch (type) {
    case 1: return remap ? (s == 0 ? d : M(s)) : s;
    case 2: return s == 0 ? d : remap ? M(s) : s;
    case 3:
        if (s == 0) return d;
        if (s == 255) return remap ? M(shadow(d)) : shadow(d);
        return remap ? M(s) : s;
    case 4: return s == 0 ? d : remap ? M(s) : s;  // 255 is an ordinary literal here
    case 5: return s == 0 ? d : s == 255 ? shadow(d) : s == 252 ? highlight(d) : s;
    case 6:
        if (s == 0) return d;
        if (s == 255) return shadow(d);
        return remap ? M(s) : s;
    default: return d;
    }
}

class FrameTest : public WinAppTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        platform::SetRecommendedOrientation(GetParam());
        Bitmap::ResetOrientation();
        datagen::LibrarySpec lib;
        lib.title = "Test art";
        datagen::SectionSpec types{"Types", {}};
        for (int t = 1; t <= 6; ++t) types.images.push_back(Image("Type" + std::to_string(t), kSize, kSize, t, Pattern()));
        lib.sections.push_back(types);
        data.WriteLibrary("TESTART.QIF", lib);
        data.WriteIndex({{"testart.qif", "Test Art"}});
        MakeApp();
    }
};

TEST_P(FrameTest, EveryTypeInEveryModeReachesTheScreenAndThePng) {
    auto* frame = new WindowsMainWindow(Point(50, 50), Dim(700, 500), "Varnhold", nullptr, nullptr, nullptr);
    app->SetMainDisplay(frame);
    frame->AttachToBus(app.get());
    ASSERT_TRUE(IsWindow(frame->GetHandle()));
    EXPECT_EQ(MainWindowHandle, frame->GetHandle());
    auto* child = new WindowsChildWindow(Point(10, 10), Dim(6 * kCell + 4, 6 * kCell + 4), "Art", nullptr, nullptr);
    child->AttachToBus(app.get());
    child->Create();
    ASSERT_TRUE(IsWindow(child->GetHandle()));
    Drain();
    EXPECT_TRUE(IsWindowVisible(frame->GetHandle()));
    EXPECT_TRUE(IsWindowVisible(child->GetHandle()));
    // The child's back buffer is its client area.
    RECT client;
    GetClientRect(child->GetHandle(), &client);
    EXPECT_EQ(child->GetSize(), Dim(client.right, client.bottom));

    QIF<Bitmap> art("Test Art");
    ASSERT_EQ(art.SectionCount(), 1);
    ASSERT_EQ(art.TotalImageCount(), 6);
    child->Fill(kBackground);
    for (int t = 1; t <= 6; ++t) {
        Bitmap* picture = art.GetBitmap(static_cast<std::int16_t>(t - 1), 0);
        ASSERT_NE(picture, nullptr);
        ASSERT_NE(picture->GetPixels(), nullptr) << "type " << t;
        for (int mode = 1; mode <= 6; ++mode) {
            const Box touched = child->DrawAll(Point((mode - 1) * kCell, (t - 1) * kCell), *picture, mode);
            EXPECT_EQ(touched, Box((mode - 1) * kCell, (t - 1) * kCell, kSize, kSize));
        }
        art.UnlockBitmap(static_cast<std::int16_t>(t - 1), 0);
    }
    child->Update();
    EXPECT_TRUE(child->DirtyRects().IsEmpty());

    const std::string png = data.File("frame.png");
    ASSERT_TRUE(platform::SaveScreenPNG(png));
    platform::ScreenImage shot;
    ASSERT_TRUE(platform::LoadPNG(png, shot));
    POINT origin{0, 0};
    ClientToScreen(child->GetHandle(), &origin);
    const auto pattern = Pattern();
    int checked = 0;
    for (int t = 1; t <= 6; ++t)
        for (int mode = 1; mode <= 6; ++mode)
            for (int y = 0; y < kCell; ++y)
                for (int x = 0; x < kCell; ++x) {
                    const bool inside = x < kSize && y < kSize;
                    const std::uint8_t want =
                        inside ? Expected(t, mode, pattern[static_cast<std::size_t>(y) * kSize + x], kBackground)
                               : kBackground;
                    const int sx = origin.x + (mode - 1) * kCell + x, sy = origin.y + (t - 1) * kCell + y;
                    const std::uint32_t got = shot.At(sx, sy);
                    const COLORREF c = ShownColour(want);
                    const std::uint32_t rgb = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
                    ASSERT_EQ(got, rgb) << "type " << t << " mode " << mode << " at " << x << "," << y;
                    ++checked;
                }
    EXPECT_EQ(checked, 36 * kCell * kCell);

    delete child;
    delete frame;
}

INSTANTIATE_TEST_SUITE_P(BothRowOrders, FrameTest, ::testing::Values(-1, 1));

} // namespace
