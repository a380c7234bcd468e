#include "ui/color.h"

#include <gtest/gtest.h>

namespace {

const std::uint8_t* Entry(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    static std::uint8_t e[4];
    e[0] = b;
    e[1] = g;
    e[2] = r;
    e[3] = 0;
    return e;
}

TEST(Colour, GreyHasNoHueAndStaysGrey) {
    const HSV hsv = EntryToHSV(Entry(100, 100, 100));
    EXPECT_EQ(hsv.hue, -1.0f);
    EXPECT_EQ(hsv.saturation, 0.0f);
    for (int k = 1; k <= 5; ++k) {
        const RGBTriple c = HSVToRGB(ApplyRemapRule(k, hsv));
        EXPECT_EQ(c.red, c.green);
        EXPECT_EQ(c.green, c.blue);
    }
}

TEST(Colour, RulesScaleTheValue) {
    const HSV white = EntryToHSV(Entry(255, 255, 255));
    struct Case {
        int k;
        std::uint8_t grey;
    } cases[] = {{1, 178}, {2, 178}, {3, 255}, {4, 255}, {5, 255}};
    for (const auto& c : cases) EXPECT_EQ(HSVToRGB(ApplyRemapRule(c.k, white)).red, c.grey) << c.k;
    const HSV black = EntryToHSV(Entry(0, 0, 0));
    for (int k = 1; k <= 5; ++k) EXPECT_EQ(HSVToRGB(ApplyRemapRule(k, black)).green, 0) << k;
}

TEST(Colour, HueRoundTripsThroughEverySector) {
    struct Case {
        std::uint8_t r, g, b;
    } cases[] = {{200, 50, 50}, {200, 200, 50}, {50, 200, 50}, {50, 200, 200}, {50, 50, 200}, {200, 50, 200}};
    for (const auto& c : cases) {
        const RGBTriple out = HSVToRGB(EntryToHSV(Entry(c.r, c.g, c.b)));
        EXPECT_NEAR(out.red, c.r, 1);
        EXPECT_NEAR(out.green, c.g, 1);
        EXPECT_NEAR(out.blue, c.b, 1);
    }
    // The grey rule drops the hue.
    const RGBTriple grey = HSVToRGB(ApplyRemapRule(2, EntryToHSV(Entry(200, 50, 50))));
    EXPECT_EQ(grey.red, grey.blue);
    EXPECT_EQ(grey.red, 140);
}

} // namespace
