#pragma once
// A battle's first activation, for the tests that play it with the mouse: both sides the
// person's, so nothing moves by itself. Which leader acts first is the battle's own random draw,
// so a first headless run saves the battle at that moment ("MID") and, with a group move, shows
// where the leader stands (his hex outlined) and the hexes his group may reach (lit); the test
// reads both from the pictures.
#include "tests/e2e/e2e_fixture.h"

#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

namespace e2e {

// The map area of the 1024 x 768 screen: below the toolbar, left of the overview, above the
// status bar.
constexpr int kMapTop = 72, kMapBottom = 736, kMapRight = 870;

// How many pixels of a rectangle differ between two pictures.
inline std::size_t Differing(const platform::ScreenImage& a, const platform::ScreenImage& b, int l, int t, int r, int bottom) {
    std::size_t n = 0;
    for (int y = t; y < bottom; ++y)
        for (int x = l; x < r; ++x)
            if (a.At(x, y) != b.At(x, y)) ++n;
    return n;
}

// How many 16 x 16 blocks of a rectangle differ in their mean colour between two pictures. The
// ground's texture varies from one run to the next in its fine grain; a different zoom or place,
// or armies elsewhere, changes the blocks' means.
inline std::size_t DifferingBlocks(const platform::ScreenImage& a, const platform::ScreenImage& b, int l, int t, int r,
                            int bottom, std::size_t& blocks) {
    constexpr int kBlock = 16, kTolerance = 16;
    std::size_t n = 0;
    blocks = 0;
    for (int y0 = t; y0 + kBlock <= bottom; y0 += kBlock)
        for (int x0 = l; x0 + kBlock <= r; x0 += kBlock) {
            int sum[2][3] = {};
            for (int y = y0; y < y0 + kBlock; ++y)
                for (int x = x0; x < x0 + kBlock; ++x)
                    for (int k = 0; k < 3; ++k) {
                        sum[0][k] += static_cast<int>((a.At(x, y) >> (8 * k)) & 0xFF);
                        sum[1][k] += static_cast<int>((b.At(x, y) >> (8 * k)) & 0xFF);
                    }
            ++blocks;
            for (int k = 0; k < 3; ++k)
                if (std::abs(sum[0][k] - sum[1][k]) > kTolerance * kBlock * kBlock) {
                    ++n;
                    break;
                }
        }
    return n;
}

// The same over the map area.
inline std::size_t DifferingBlocksOf(const platform::ScreenImage& a, const platform::ScreenImage& b, std::size_t& blocks) {
    return DifferingBlocks(a, b, 0, kMapTop, kMapRight, kMapBottom, blocks);
}

// Whether a pixel shows the yellow outline the map draws round the selected unit's hex. Lit ground
// is dithered with single pixels of the very same palette colour, but the outline is drawn in runs:
// a pixel counts only with a neighbour of its colour on its row.
inline bool IsOutline(const platform::ScreenImage& img, int x, int y) {
    const auto yellow = [&img, y](int px) {
        if (px < 0 || px >= img.width) return false;
        const std::uint32_t c = img.At(px, y);
        const int red = static_cast<int>((c >> 16) & 0xFF), green = static_cast<int>((c >> 8) & 0xFF),
                  blue = static_cast<int>(c & 0xFF);
        return std::abs(red - 252) <= 6 && std::abs(green - 226) <= 8 && std::abs(blue - 120) <= 12;
    };
    return yellow(x) && (yellow(x - 1) || yellow(x + 1));
}

// How many pixels of a rectangle show the outline.
inline std::size_t OutlinePixels(const platform::ScreenImage& img, int l, int t, int r, int b) {
    std::size_t n = 0;
    for (int y = t; y < b; ++y)
        for (int x = l; x < r; ++x)
            if (IsOutline(img, x, y)) ++n;
    return n;
}

// The middle of the hex outline in a rectangle of a picture; false when there are too few pixels
// of its colour to be an outline. Not their plain mean, lest a stray run elsewhere pull it away: it
// starts at their densest patch and moves to the mean of those within a hex of it until it stays put.
inline bool OutlineMiddle(const platform::ScreenImage& img, int l, int t, int r, int b, int& x, int& y) {
    std::vector<std::pair<int, int>> points;
    for (int py = t; py < b; ++py)
        for (int px = l; px < r; ++px)
            if (IsOutline(img, px, py)) points.emplace_back(px, py);
    if (points.size() < 150) return false;
    constexpr int kPatch = 40;
    std::map<std::pair<int, int>, int> patches;
    for (const auto& [px, py] : points) ++patches[{px / kPatch, py / kPatch}];
    auto densest = patches.begin();
    for (auto it = patches.begin(); it != patches.end(); ++it)
        if (it->second > densest->second) densest = it;
    int cx = densest->first.first * kPatch + kPatch / 2, cy = densest->first.second * kPatch + kPatch / 2;
    for (int round = 0; round < 10; ++round) {
        long sx = 0, sy = 0, n = 0;
        for (const auto& [px, py] : points)
            if (std::abs(px - cx) <= 70 && std::abs(py - cy) <= 40) {
                sx += px;
                sy += py;
                ++n;
            }
        if (n == 0) break;
        const int nx = static_cast<int>(sx / n), ny = static_cast<int>(sy / n);
        if (nx == cx && ny == cy) break;
        cx = nx;
        cy = ny;
    }
    x = cx;
    y = cy;
    return true;
}

// The opening of a battle from the main menu with both sides played by the person, so that
// nothing moves unless the script moves it; then the normal zoom, centred on the active leader.
inline const char* const kBothSidesOpen = R"(wait-control 106 "Start &Battle" 120000
click-control 106
wait-window "Choose Scenario"
click-control 1
wait-window "Choose Variant"
click-control 1
wait-window "Leader Control"
click-control 106
click-control 1
wait-window "Game Options"
wait-enabled 1
click-control 1
wait-gone "Game Options"
wait-window "Brandy Station - Turn 1" 180000
menu 218
wait-menu-enabled 209 120000
menu 209
pause 3000
)";

// Ctrl+S, then the battle saved under the name "mid".
inline const std::string kSaveAsMid = SaveGameAs("MID");

// From the main menu, Load Game of the battle saved as "mid", up to its map window.
inline const char* const kLoadMid = R"S(click-control 101
wait-window "Load Game"
click-control 10
key M
key I
key D
wait-enabled 1
click-control 1
wait-gone "Load Game"
wait-window "Brandy Station - Turn 1 (mid)" 180000
)S";

class FirstActivation : public RealProgram {
protected:
    // Runs the first activation headless and answers, in screen pixels, the middle of the
    // leader's hex and a point well inside a lit hex beyond the hexes next to his. Leaves
    // 0-saved.png (the view as saved) and 0-reach.png (the group move shown).
    void SaveFirstActivation(int& leaderX, int& leaderY, int& targetX, int& targetY) {
        WriteScript(std::string(kBothSidesOpen) + kSaveAsMid + R"(pause 2000
screenshot 0-saved.png
menu 212
wait-window "Group Move"
click-control 1
wait-gone "Group Move"
pause 3000
screenshot 0-reach.png
quit
)");
        const int status = Run("--headless --data data --script script.txt", "", 300);
        ASSERT_EQ(status, 0) << Read("err.txt");
        ASSERT_EQ(Read("err.txt"), "");
        LeaderAndReach("0-saved.png", "0-reach.png", leaderX, leaderY, targetX, targetY);
    }

    // From a picture of the view and one of the same view with a group move shown, in screen
    // pixels: the middle of the leader's hex and a point well inside a lit hex beyond the hexes
    // next to his.
    void LeaderAndReach(const std::string& viewShot, const std::string& reachShot, int& leaderX, int& leaderY,
                        int& targetX, int& targetY) {
        const platform::ScreenImage saved = Screenshot(viewShot);
        const platform::ScreenImage reach = Screenshot(reachShot);
        ASSERT_GT(saved.width, 0);
        ASSERT_EQ(reach.width, saved.width);
        const int top = kMapTop, bottom = kMapBottom, right = kMapRight;
        ASSERT_TRUE(OutlineMiddle(reach, 0, top, right, bottom, leaderX, leaderY)) << "no leader outlined";
        // A lit hex: a point whose whole neighbourhood was redrawn brighter, beyond the hexes next to
        // the leader's, so that he walks through one on his way; the nearest such point.
        targetX = -1;
        targetY = -1;
        long best = -1;
        for (int y = top + 12; y < bottom - 12; y += 4)
            for (int x = 12; x < right - 12; x += 4) {
                const long dx = x - leaderX, dy = y - leaderY, d = dx * dx + dy * dy;
                if (d < 180L * 180L || (best >= 0 && d >= best)) continue;
                bool lit = true;
                for (int v = -10; v <= 10 && lit; v += 2)
                    for (int u = -10; u <= 10 && lit; u += 2) {
                        const std::uint32_t a = saved.At(x + u, y + v), b = reach.At(x + u, y + v);
                        int up = 0;
                        for (int k = 0; k < 3; ++k) up += static_cast<int>((b >> (8 * k)) & 0xFF) - static_cast<int>((a >> (8 * k)) & 0xFF);
                        lit = up > 12 && OutlinePixels(reach, x + u, y + v, x + u + 1, y + v + 1) == 0;
                    }
                if (lit) {
                    best = d;
                    targetX = x;
                    targetY = y;
                }
            }
        ASSERT_GE(targetX, 0) << "no lit hex beside the leader at " << leaderX << "," << leaderY;
    }
};

} // namespace e2e
