// The unit pictures in the real program: a battle started from the main menu, headless, with the
// computer playing one side and the person's leaders ending their turns, so that the computer's
// units march, turn, fire and fight on the map while the view is shown at each of its three zooms.
// The program writes its picture log (VARNHOLD_PICTURE_LOG): what every picture was sent and
// answered, and where each figure was drawn. The test checks that every command a picture was
// sent with an awaited answer was answered exactly once, also for the pictures deleted when the
// battle closes, and that the screenshots show figures at the places the log says they stand.
#include "tests/e2e/e2e_fixture.h"

#include <chrono>
#include <map>

namespace e2e {
namespace {

class PicturesOnTheLiveMap : public RealProgram {};

constexpr int kNormalX = 569;
constexpr int kZoomOutX = 593;
// The map window's client area on the screen: below the toolbar, above the status bar.
constexpr int kMapTop = 70;
constexpr int kMapBottom = 738;
// The overview map covers the map window's top right corner.
constexpr int kOverviewLeft = 872;
constexpr int kOverviewBottom = 182;

struct LogLine {
    long long ms = 0;
    std::string kind;
    std::vector<std::string> fields;
};

std::vector<LogLine> ReadLog(const std::string& path) {
    std::vector<LogLine> out;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::stringstream ss(line);
        LogLine l;
        ss >> l.ms >> l.kind;
        std::string f;
        while (ss >> f) l.fields.push_back(f);
        out.push_back(l);
    }
    return out;
}

// Where a figure was last drawn.
struct Drawn {
    int view = 0, zoom = 0;
    int x = 0, y = 0, w = 0, h = 0;  // in map pixels of the zoom
    long long since = 0;             // when it got there
    bool shown = false;
    std::string picture;             // the picture it belongs to
};

// The map as the log has it at time `at`: every figure, the sprites that changed within `quiet`
// milliseconds either side of it (those may be anywhere on the screenshot), and the main map's
// zoom and scroll, from its last drawn figure. The map scrolls by moving what it shows and drawing
// only what comes into view, so a figure keeps the place in map pixels it was drawn at, and the
// window shows it at that place plus the last scroll; a zoom, though, draws every figure in view
// afresh, so one not drawn since the zoom last changed is not in view.
struct MapState {
    std::map<std::string, Drawn> figures;
    std::set<std::string> unsettled;
    int zoom = -1, dx = 0, dy = 0;
    long long zoomedAt = 0;
};

MapState MapAt(const std::vector<LogLine>& log, long long at, long long quiet) {
    MapState m;
    for (const LogLine& l : log) {
        if (l.kind != "draw" && l.kind != "hide") continue;
        if (l.ms > at - quiet && l.ms < at + quiet) m.unsettled.insert(l.fields[0]);
        if (l.ms > at) continue;
        Drawn& d = m.figures[l.fields[0]];
        if (l.kind == "hide") {
            d.shown = false;
            continue;
        }
        if (l.fields.size() < 9) continue;
        d.view = std::stoi(l.fields[1]);
        d.zoom = std::stoi(l.fields[2]);
        d.x = std::stoi(l.fields[3]);
        d.y = std::stoi(l.fields[4]);
        d.w = std::stoi(l.fields[5]);
        d.h = std::stoi(l.fields[6]);
        d.since = l.ms;
        d.shown = true;
        if (l.fields.size() >= 10) d.picture = l.fields[9];
        if (d.view != 0) continue;
        if (d.zoom != m.zoom) m.zoomedAt = l.ms;
        m.zoom = d.zoom;
        m.dx = std::stoi(l.fields[7]);
        m.dy = std::stoi(l.fields[8]);
    }
    return m;
}

// The ground's colours on a screenshot: those of every pixel of the map that no figure covers,
// taken from half of the map only (a checkerboard of 32-pixel blocks), so that boxes on the other
// half show whether the ground alone passes for a figure.
std::set<std::uint32_t> GroundColours(const platform::ScreenImage& img, const std::vector<std::vector<bool>>& covered) {
    std::set<std::uint32_t> ground;
    for (int y = kMapTop; y < kMapBottom; ++y)
        for (int x = 0; x < img.width; ++x)
            if (!covered[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] && ((x / 32 + y / 32) % 2) == 0)
                ground.insert(img.At(x, y));
    return ground;
}

// The pixels of a box in colours the ground does not show.
std::size_t FigurePixels(const platform::ScreenImage& img, const std::set<std::uint32_t>& ground, int l, int t, int w, int h) {
    std::size_t n = 0;
    for (int y = std::max(kMapTop, t); y < std::min(kMapBottom, t + h); ++y)
        for (int x = std::max(0, l); x < std::min(img.width, l + w); ++x) n += ground.count(img.At(x, y)) == 0;
    return n;
}

// What one screenshot shows of the figures the log has drawn by then: those that stood still
// around it and lie wholly on the map, how many of them show in the picture, and how many boxes of
// the same sizes where no figure stands would pass for one.
struct ShotCheck {
    int zoom = -1;
    int checked = 0, found = 0, controls = 0, controlFound = 0;
    std::string missed;  // the first figures not found, for the failure's message
};

// With `only` given, just the figures of those pictures are checked (the others still count as
// covering the ground).
ShotCheck Examine(const std::vector<LogLine>& log, const platform::ScreenImage& img, long long at,
                  const std::set<std::string>* only = nullptr) {
    ShotCheck r;
    const MapState m = MapAt(log, at, 700);
    if (m.zoom < 0) return r;
    r.zoom = m.zoom;
    // The figures in view, with their boxes on the screen.
    std::map<std::string, Drawn> figures;
    for (const auto& [sprite, d] : m.figures) {
        if (!d.shown || d.view != 0 || d.zoom != m.zoom || d.since < m.zoomedAt) continue;
        Drawn& s = figures[sprite];
        s = d;
        s.x += m.dx;
        s.y += m.dy + kMapTop;
    }
    const std::set<std::string>& unsettled = m.unsettled;
    // Everything a figure in view may cover, with a margin.
    std::vector<std::vector<bool>> covered(static_cast<std::size_t>(img.height),
                                           std::vector<bool>(static_cast<std::size_t>(img.width), false));
    for (const auto& [sprite, d] : figures) {
        for (int y = std::max(0, d.y - 3); y < std::min(img.height, d.y + d.h + 3); ++y)
            for (int x = std::max(0, d.x - 3); x < std::min(img.width, d.x + d.w + 3); ++x)
                covered[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = true;
    }
    const std::set<std::uint32_t> ground = GroundColours(img, covered);
    const auto isFree = [&](int l, int t, int w, int h) {
        for (int y = t; y < t + h; ++y)
            for (int x = l; x < l + w; ++x)
                if (covered[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]) return false;
        return true;
    };
    constexpr std::size_t kNeed = 4;
    for (const auto& [sprite, d] : figures) {
        if (unsettled.count(sprite)) continue;
        if (only && only->count(d.picture) == 0) continue;
        if (d.w < 6 || d.h < 6) continue;  // a ball or a speck
        if (d.x < 0 || d.x + d.w > img.width || d.y < kMapTop || d.y + d.h > kMapBottom) continue;
        if (d.x + d.w > kOverviewLeft && d.y < kOverviewBottom) continue;  // under the overview
        ++r.checked;
        if (FigurePixels(img, ground, d.x, d.y, d.w, d.h) >= kNeed) {
            ++r.found;
        } else if (r.missed.size() < 400) {
            r.missed += " " + sprite + "@" + std::to_string(d.x) + "," + std::to_string(d.y) + "+" + std::to_string(d.w) + "x" +
                        std::to_string(d.h);
        }
        // The same box where no figure stands: the check tells figures from the ground.
        for (int dx : {-3 * d.w, 3 * d.w, -6 * d.w, 6 * d.w}) {
            const int cx = d.x + dx;
            if (cx < 0 || cx + d.w > img.width || !isFree(cx, d.y, d.w, d.h)) continue;
            ++r.controls;
            r.controlFound += FigurePixels(img, ground, cx, d.y, d.w, d.h) >= kNeed;
            break;
        }
    }
    return r;
}

// What became of an eliminated unit's figures between a screenshot taken before it was eliminated
// and one taken after its fallen had come to rest, at the same zoom: of the figures that lie in the
// same place in both (the fallen drop where they stood) and show whole on the map in both, the
// pixels the standing figures showed in colours of no ground, how many of those now show another
// colour, and how many show a colour of the ground again (the map where the figure stood).
struct Gone {
    int figures = 0;
    std::size_t standing = 0, changed = 0, bare = 0;
};

Gone StandingFiguresGone(const std::vector<LogLine>& log, const std::string& picture, const platform::ScreenImage& before,
                         long long beforeAt, const platform::ScreenImage& after, long long afterAt) {
    Gone g;
    const MapState b = MapAt(log, beforeAt, 700), a = MapAt(log, afterAt, 700);
    if (b.zoom < 0 || a.zoom != b.zoom) return g;
    // Everything a figure in view may cover, with a margin; the rest is ground.
    const auto groundOf = [](const MapState& m, const platform::ScreenImage& img) {
        std::vector<std::vector<bool>> covered(static_cast<std::size_t>(img.height), std::vector<bool>(static_cast<std::size_t>(img.width), false));
        for (const auto& [sprite, d] : m.figures) {
            if (!d.shown || d.view != 0 || d.zoom != m.zoom || d.since < m.zoomedAt) continue;
            const int x0 = d.x + m.dx, y0 = d.y + m.dy + kMapTop;
            for (int y = std::max(0, y0 - 3); y < std::min(img.height, y0 + d.h + 3); ++y)
                for (int x = std::max(0, x0 - 3); x < std::min(img.width, x0 + d.w + 3); ++x)
                    covered[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = true;
        }
        return GroundColours(img, covered);
    };
    const auto inView = [](const MapState& m, const Drawn& d) {
        const int x = d.x + m.dx, y = d.y + m.dy + kMapTop;
        return d.shown && d.view == 0 && d.zoom == m.zoom && d.since >= m.zoomedAt && d.w >= 6 && d.h >= 6 && x >= 0 &&
               x + d.w <= 1024 && y >= kMapTop && y + d.h <= kMapBottom && !(x + d.w > kOverviewLeft && y < kOverviewBottom);
    };
    const std::set<std::uint32_t> groundBefore = groundOf(b, before), groundAfter = groundOf(a, after);
    for (const auto& [sprite, d] : a.figures) {
        if (d.picture != picture || a.unsettled.count(sprite) || b.unsettled.count(sprite)) continue;
        const auto was = b.figures.find(sprite);
        if (was == b.figures.end()) continue;
        const Drawn& w = was->second;
        if (!inView(a, d) || !inView(b, w) || w.x != d.x || w.y != d.y || w.w != d.w || w.h != d.h) continue;
        ++g.figures;
        const int bx = d.x + b.dx, by = d.y + b.dy + kMapTop, ax = d.x + a.dx, ay = d.y + a.dy + kMapTop;
        for (int y = 0; y < d.h; ++y)
            for (int x = 0; x < d.w; ++x) {
                const std::uint32_t was_ = before.At(bx + x, by + y), now = after.At(ax + x, ay + y);
                if (groundBefore.count(was_)) continue;
                ++g.standing;
                g.changed += now != was_;
                g.bare += groundAfter.count(now) != 0;
            }
    }
    return g;
}

// An eliminated unit whose figures were taken off the map (hidden: its rout ended its life at the
// map's edge, or it fell without its deaths shown): on a screenshot after that, the places its
// figures were last drawn at this zoom show the ground, where no other figure covers them. Those
// places are kept out of the ground's colours, so that a figure still standing there would show.
struct Bare {
    int figures = 0;
    std::size_t pixels = 0, notGround = 0;
};

Bare HiddenFiguresShowTheGround(const std::vector<LogLine>& log, const std::string& picture, long long eliminatedAt,
                                const platform::ScreenImage& img, long long at) {
    Bare r;
    const MapState m = MapAt(log, at, 700);
    if (m.zoom < 0) return r;
    std::vector<std::vector<bool>> covered(static_cast<std::size_t>(img.height), std::vector<bool>(static_cast<std::size_t>(img.width), false)),
        place = covered;
    const auto mark = [&](std::vector<std::vector<bool>>& mask, const Drawn& d, int margin) {
        const int x0 = d.x + m.dx, y0 = d.y + m.dy + kMapTop;
        for (int y = std::max(0, y0 - margin); y < std::min(img.height, y0 + d.h + margin); ++y)
            for (int x = std::max(0, x0 - margin); x < std::min(img.width, x0 + d.w + margin); ++x)
                mask[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = true;
    };
    // Where the log has a figure of any unit shown at this zoom, or one that changed around now.
    for (const auto& [sprite, d] : m.figures) {
        if (d.view != 0 || d.zoom != m.zoom) continue;
        if ((d.shown && d.since >= m.zoomedAt) || m.unsettled.count(sprite)) mark(covered, d, 3);
    }
    std::vector<const Drawn*> gone;
    for (const auto& [sprite, d] : m.figures) {
        // Hidden after the elimination, last drawn at this zoom (its box is known here), whole on the map.
        if (d.picture != picture || d.shown || d.view != 0 || d.zoom != m.zoom || m.unsettled.count(sprite)) continue;
        if (d.w < 6 || d.h < 6) continue;
        const int x = d.x + m.dx, y = d.y + m.dy + kMapTop;
        if (x < 0 || x + d.w > img.width || y < kMapTop || y + d.h > kMapBottom || (x + d.w > kOverviewLeft && y < kOverviewBottom)) continue;
        bool hiddenAfter = false;
        for (const LogLine& l : log)
            if (l.kind == "hide" && l.fields[0] == sprite && l.ms >= eliminatedAt && l.ms <= at) hiddenAfter = true;
        if (!hiddenAfter) continue;
        gone.push_back(&d);
        mark(place, d, 0);
    }
    if (gone.empty()) return r;
    std::vector<std::vector<bool>> notSampled = covered;
    for (std::size_t y = 0; y < place.size(); ++y)
        for (std::size_t x = 0; x < place[y].size(); ++x) notSampled[y][x] = notSampled[y][x] || place[y][x];
    const std::set<std::uint32_t> ground = GroundColours(img, notSampled);
    r.figures = static_cast<int>(gone.size());
    for (int y = kMapTop; y < kMapBottom; ++y)
        for (int x = 0; x < img.width; ++x) {
            if (!place[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] || covered[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]) continue;
            ++r.pixels;
            r.notGround += ground.count(img.At(x, y)) == 0;
        }
    return r;
}

// The same for figures that were taken off before the view was last zoomed, whose boxes at this
// zoom the log has only from before: the places a picture's figures stood at on an earlier
// screenshot at the same zoom (`beforeAt`) show the ground on this one, where no figure of another
// picture covers them. A figure of the picture still standing there would show.
Bare PlacesShowTheGround(const std::vector<LogLine>& log, const std::string& picture, long long beforeAt,
                         const platform::ScreenImage& img, long long at) {
    Bare r;
    const MapState b = MapAt(log, beforeAt, 700), m = MapAt(log, at, 700);
    if (m.zoom < 0 || b.zoom != m.zoom) return r;
    std::vector<std::vector<bool>> covered(static_cast<std::size_t>(img.height), std::vector<bool>(static_cast<std::size_t>(img.width), false)),
        place = covered;
    const auto mark = [&](std::vector<std::vector<bool>>& mask, const Drawn& d, int margin) {
        const int x0 = d.x + m.dx, y0 = d.y + m.dy + kMapTop;
        for (int y = std::max(0, y0 - margin); y < std::min(img.height, y0 + d.h + margin); ++y)
            for (int x = std::max(0, x0 - margin); x < std::min(img.width, x0 + d.w + margin); ++x)
                mask[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = true;
    };
    for (const auto& [sprite, d] : m.figures) {
        if (d.view != 0 || d.zoom != m.zoom || d.picture == picture) continue;
        if ((d.shown && d.since >= m.zoomedAt) || m.unsettled.count(sprite)) mark(covered, d, 3);
    }
    for (const auto& [sprite, d] : b.figures) {
        if (d.picture != picture || !d.shown || d.view != 0 || d.zoom != b.zoom || d.since < b.zoomedAt || b.unsettled.count(sprite)) continue;
        if (d.w < 6 || d.h < 6) continue;
        const int x = d.x + m.dx, y = d.y + m.dy + kMapTop;
        if (x < 0 || x + d.w > img.width || y < kMapTop || y + d.h > kMapBottom || (x + d.w > kOverviewLeft && y < kOverviewBottom)) continue;
        ++r.figures;
        mark(place, d, 0);
    }
    if (r.figures == 0) return r;
    std::vector<std::vector<bool>> notSampled = covered;
    for (std::size_t y = 0; y < place.size(); ++y)
        for (std::size_t x = 0; x < place[y].size(); ++x) notSampled[y][x] = notSampled[y][x] || place[y][x];
    const std::set<std::uint32_t> ground = GroundColours(img, notSampled);
    for (int y = kMapTop; y < kMapBottom; ++y)
        for (int x = 0; x < img.width; ++x) {
            if (!place[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] || covered[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]) continue;
            ++r.pixels;
            r.notGround += ground.count(img.At(x, y)) == 0;
        }
    return r;
}

long long WrittenAt(const std::string& path) {
    const auto written = fs::last_write_time(path);
    const auto system = std::chrono::file_clock::to_sys(written);
    return std::chrono::duration_cast<std::chrono::milliseconds>(system.time_since_epoch()).count();
}

// The person's preferences as a first start leaves them (movement and combat animated), but
// without the overall combat results, whose box would wait for a click after every combat.
void WritePreferences(const std::string& registryFile) {
    std::ofstream registry(registryFile);
    registry << "[HKEY_CURRENT_USER\\SOFTWARE]\n[HKEY_CURRENT_USER\\SOFTWARE\\Tolvane]\n"
                "[HKEY_CURRENT_USER\\SOFTWARE\\Tolvane\\Varnhold Demo]\n"
                "[HKEY_CURRENT_USER\\SOFTWARE\\Tolvane\\Varnhold Demo\\Preferences]\n";
    for (const char* on : {"Auto Save", "Combat Animation", "Finish Leader", "Group Move Confirm", "Movement Animation", "Sound"})
        registry << on << "=4:01000000\n";
    for (const char* off : {"Ambient Sound", "Last A/I Type", "Music", "Overall Combat Results", "Show Intro Video", "Sparse Trees"})
        registry << off << "=4:00000000\n";
    registry << "Music Volume=4:88130000\nVolume=4:88130000\n";
}

// Every command is answered once, by the picture of the shown view (the main map: these runs
// never open the close-up), also the commands still queued when the battle closed; every picture
// is deleted once. Gives the number of awaited commands, and counts the main map's commands by
// name into `commands`.
int CheckAnswers(const std::vector<LogLine>& log, std::map<std::string, int>& commands) {
    std::map<std::string, int> awaited, answered, deleted;
    std::map<std::string, int> viewOf;
    for (const LogLine& l : log) {
        if (l.fields.size() < 2) continue;
        const std::string& picture = l.fields[0];
        if (l.kind == "queue" || l.kind == "answer" || l.kind == "delete") viewOf[picture] = std::stoi(l.fields[1]);
        if (l.kind == "queue" && l.fields.size() >= 3 && l.fields[2] == "1") ++awaited[picture];
        if (l.kind == "queue" && l.fields.size() >= 4 && l.fields[1] == "0") ++commands[l.fields[3]];
        if (l.kind == "answer") ++answered[picture];
        if (l.kind == "delete") ++deleted[picture];
    }
    int totalAwaited = 0, totalAnswered = 0;
    for (const auto& [picture, view] : viewOf) {
        EXPECT_EQ(deleted[picture], 1) << "picture " << picture << " of view " << view;
        if (view == 0) {
            EXPECT_EQ(answered[picture], awaited[picture]) << "picture " << picture;
            totalAwaited += awaited[picture];
        } else {
            EXPECT_EQ(answered[picture], 0) << "picture " << picture << " of view " << view;
        }
        totalAnswered += answered[picture];
    }
    EXPECT_EQ(totalAnswered, totalAwaited);
    std::printf("commands the main map's pictures were sent:");
    for (const auto& [name, count] : commands) std::printf(" %s %d", name.c_str(), count);
    std::printf("\n");
    return totalAwaited;
}

TEST_F(PicturesOnTheLiveMap, EveryCommandIsAnsweredOnceAndFiguresStandWhereTheyAreDrawnAtEveryZoom) {
    std::string script = R"(wait-control 106 "Start &Battle" 120000
)" + std::string(kStartDefaultBattle) + R"(wait-window "Brandy Station - Turn 1" 180000
pause 3000
)";
    const auto click = [](int x) { return "click " + std::to_string(x) + " " + std::to_string(kToolbarY) + "\n"; };
    // Each round: the person's leaders end their turns, the computer plays a while, and the view
    // is set to a zoom and photographed once the figures have been drawn there, twice, as the
    // computer's turn may scroll or zoom the map just as a picture is taken. Normal shows the
    // middle zoom, Zoom In the full size, Zoom Out the smallest.
    const std::vector<int> rounds = {0, 1, 2, 0, 1, 2};
    std::vector<std::string> shots;
    for (std::size_t i = 0; i < rounds.size(); ++i) {
        script += click(kFinishLeaderX) + "pause 2000\n" + click(kFinishLeaderX) + "pause 3000\n";
        for (const char* take : {"a", "b"}) {
            script += click(kNormalX);
            if (rounds[i] != 1) script += "pause 300\n" + click(rounds[i] == 0 ? kZoomInX : kZoomOutX);
            shots.push_back("shot-" + std::to_string(i) + take + ".png");
            // The next click redraws the map: not before the figures around this picture are
            // known to have stood still.
            script += "pause 2000\nscreenshot " + shots.back() + "\npause 1000\n";
        }
    }
    script += click(kCloseBattleX) + R"(wait-window "Varnhold"
click-control 1
wait-control 106 "Start &Battle" 180000
click-control 2
)";
    WriteScript(script);
    WritePreferences(File("home/registry.txt"));
    const int status = Run("--headless --data data --script script.txt", "VARNHOLD_PICTURE_LOG='" + File("pictures.log") + "'", 600);
    const std::string err = Read("err.txt");
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(err, "");

    const std::vector<LogLine> log = ReadLog(File("pictures.log"));
    ASSERT_FALSE(log.empty());

    std::map<std::string, int> commands;
    const int totalAwaited = CheckAnswers(log, commands);
    // The computer played: its units were sent commands that wait for their answers.
    EXPECT_GE(totalAwaited, 5);

    // Every screenshot taken while the figures stood still (most of them) shows them where the
    // log has them drawn, and there are such screenshots at all three zooms.
    std::set<int> zooms;
    for (const std::string& shot : shots) {
        SCOPED_TRACE(shot);
        const platform::ScreenImage img = Screenshot(shot);
        ASSERT_EQ(img.width, 1024);
        ASSERT_GE(img.height, kMapBottom);
        const ShotCheck c = Examine(log, img, WrittenAt(File(shot)));
        std::printf("%s zoom %d: %d of %d figures found, %d of %d empty places\n", shot.c_str(), c.zoom, c.found,
                    c.checked, c.controlFound, c.controls);
        if (c.checked < 20) continue;  // the map moved as it was taken
        zooms.insert(c.zoom);
        EXPECT_GE(c.found * 10, c.checked * 9) << c.found << " of " << c.checked << ", not:" << c.missed;
        EXPECT_LE(c.controlFound * 4, c.controls) << c.controlFound << " of " << c.controls;
    }
    EXPECT_EQ(zooms, (std::set<int>{0, 1, 2}));
}

// A battle whose computer side attacks at once (1st Bull Run, the computer playing the side that
// opens it, the person ending the turns of the other): shock combats are fought from the first
// activations, the broken units run from them and a unit may be eliminated. The figures of every
// unit that fought or was hit, wherever they ran to, are found on the screenshots where the log
// has them drawn, at all three zooms; an eliminated unit's fallen are only counted.
TEST_F(PicturesOnTheLiveMap, UnitsThatFoughtRanOrWereEliminatedAreDrawnWhereTheyLieAtEveryZoom) {
    // The scenario map's first spot is 1st Bull Run; Leader Control's first side is left to the
    // computer, the second to the person.
    std::string script = R"(wait-control 106 "Start &Battle" 120000
click-control 106
wait-window "Choose Scenario"
click-client "Choose Scenario" 123 110
click-control 1
wait-window "Choose Variant"
click-control 1
wait-window "Leader Control"
click-control 103
click-control 106
click-control 1
wait-window "Game Options"
wait-enabled 1
click-control 1
wait-gone "Game Options"
wait-window "1st Bull Run - Turn 1" 180000
pause 2000
)";
    const auto click = [](int x) { return "click " + std::to_string(x) + " " + std::to_string(kToolbarY) + "\n"; };
    std::vector<std::string> shots;
    // Rounds enough that, on a slow machine too, the combats come early in them.
    for (int i = 0; i < 24; ++i) {
        const int zoom = i % 3;
        script += click(kFinishLeaderX) + "pause 2500\n" + click(kNormalX);
        if (zoom != 1) script += "pause 300\n" + click(zoom == 0 ? kZoomInX : kZoomOutX);
        shots.push_back("shot-" + std::to_string(i) + ".png");
        // The mouse leaves the toolbar, so that no tooltip covers the map.
        script += "move 1000 30\npause 2000\nscreenshot " + shots.back() + "\npause 500\n";
    }
    script += click(kCloseBattleX) + R"(wait-window "Varnhold"
click-control 1
wait-control 106 "Start &Battle" 180000
click-control 2
)";
    WriteScript(script);
    WritePreferences(File("home/registry.txt"));
    const int status = Run("--headless --data data --script script.txt", "VARNHOLD_PICTURE_LOG='" + File("pictures.log") + "'", 600);
    const std::string err = Read("err.txt");
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(err, "");

    const std::vector<LogLine> log = ReadLog(File("pictures.log"));
    ASSERT_FALSE(log.empty());
    std::map<std::string, int> commands;
    CheckAnswers(log, commands);
    // Shock combats were fought on the map.
    EXPECT_GE(commands["CombatAnimate"], 1);

    // The main map's pictures that fought, were hit, routed for good or were eliminated, from the
    // first such command on.
    std::set<std::string> struck, ended;
    long long firstStrike = 0;
    for (const LogLine& l : log) {
        if (l.kind != "queue" || l.fields.size() < 4 || l.fields[1] != "0") continue;
        const std::string& name = l.fields[3];
        const bool fight = name == "CombatAnimate" || name == "CombatDontAnimate" || name == "CohesionHit";
        const bool end = name == "TerminalRout" || name == "UnitEliminated";
        if (!fight && !end) continue;
        if (struck.empty()) firstStrike = l.ms;
        struck.insert(l.fields[0]);
        if (end) ended.insert(l.fields[0]);
    }
    ASSERT_FALSE(struck.empty());
    // The fallen of an eliminated unit are a few small dark pixels each, often in colours the
    // ground shows elsewhere: they are counted below but not held to the figures' standard.
    std::set<std::string> standing;
    for (const std::string& p : struck)
        if (ended.count(p) == 0) standing.insert(p);
    std::printf("%zu pictures struck, %zu of them routed for good or eliminated\n", struck.size(), ended.size());

    // On every screenshot taken after the first strike on which such figures stand still in view,
    // they show where the log has them drawn; so at all three zooms.
    std::set<int> zooms;
    std::map<int, int> found, checked;
    int endedChecked = 0;
    for (const std::string& shot : shots) {
        SCOPED_TRACE(shot);
        const long long at = WrittenAt(File(shot));
        if (at < firstStrike) continue;
        const platform::ScreenImage img = Screenshot(shot);
        ASSERT_GE(img.height, kMapBottom);
        const ShotCheck all = Examine(log, img, at);
        const ShotCheck c = Examine(log, img, at, &standing);
        const ShotCheck e = Examine(log, img, at, &ended);
        std::printf("%s zoom %d: %d of %d figures of struck units found (%d of %d of the ended), %d of %d empty places\n",
                    shot.c_str(), c.zoom, c.found, c.checked, e.found, e.checked, all.controlFound, all.controls);
        if (all.checked < 20 || c.checked == 0) continue;  // the map moved as it was taken, or shows none
        zooms.insert(c.zoom);
        endedChecked += e.checked;
        found[c.zoom] += c.found;
        checked[c.zoom] += c.checked;
        if (c.found * 4 < c.checked * 3) std::printf("  not:%s\n", c.missed.c_str());
        EXPECT_LE(all.controlFound * 4, all.controls) << all.controlFound << " of " << all.controls;
    }
    EXPECT_EQ(zooms, (std::set<int>{0, 1, 2}));
    // Their fallen lie among them (small, and often in the ground's colours), and a screenshot
    // may catch some mid-step: at each zoom, three in four over all its screenshots.
    for (const auto& [zoom, n] : checked) EXPECT_GE(found[zoom] * 4, n * 3) << "zoom " << zoom << ": " << found[zoom] << " of " << n;
    std::printf("figures of ended units looked for: %d\n", endedChecked);

    // An eliminated unit no longer stands on the map. Figures taken off (hidden) leave the ground
    // showing where they were last drawn, on every later screenshot at that zoom; figures that fell
    // where they stood show, against the last screenshot before at the same zoom, most of what the
    // standing figures showed changed and a good part of it the map again (a one-figure unit, a
    // wagon or a battery, is left out of that comparison: its fallen frames are as large as the
    // whole figure). Whether and how a unit is eliminated in the run is the battle's own draw, so
    // the zooms at which this was seen are printed, not required.
    std::map<std::string, long long> eliminated;
    std::map<std::string, int> figuresOf;
    for (const LogLine& l : log) {
        if (l.kind == "queue" && l.fields.size() >= 4 && l.fields[1] == "0" && l.fields[3] == "UnitEliminated")
            eliminated.emplace(l.fields[0], l.ms);
    }
    {
        std::map<std::string, std::set<std::string>> sprites;
        for (const LogLine& l : log)
            if (l.kind == "draw" && l.fields.size() >= 10) sprites[l.fields[9]].insert(l.fields[0]);
        for (const auto& [picture, set] : sprites) figuresOf[picture] = static_cast<int>(set.size());
    }
    std::set<int> goneZooms;
    std::vector<long long> shotAt;
    std::vector<int> shotZoom;
    for (const std::string& shot : shots) {
        shotAt.push_back(WrittenAt(File(shot)));
        shotZoom.push_back(MapAt(log, shotAt.back(), 700).zoom);
    }
    for (const auto& [picture, at] : eliminated) {
        for (std::size_t i = 0; i < shots.size(); ++i) {
            const long long afterAt = shotAt[i];
            if (afterAt < at + 3000) continue;
            // The last screenshot before the elimination at the same zoom.
            std::size_t before = shots.size();
            for (std::size_t k = 0; k < i; ++k)
                if (shotAt[k] < at && shotZoom[k] == shotZoom[i]) before = k;
            Gone g;
            if (before < shots.size() && figuresOf[picture] >= 3)
                g = StandingFiguresGone(log, picture, Screenshot(shots[before]), shotAt[before], Screenshot(shots[i]), afterAt);
            std::printf("eliminated %s, %s at zoom %d: %d figures fallen where they stood, %zu pixels standing before, %zu changed, %zu bare\n",
                        picture.c_str(), shots[i].c_str(), shotZoom[i], g.figures, g.standing, g.changed, g.bare);
            const Bare bare = HiddenFiguresShowTheGround(log, picture, at, Screenshot(shots[i]), afterAt);
            std::printf("  %d figures taken off, %zu pixels where they stood and no other figure is, %zu not the ground's\n",
                        bare.figures, bare.pixels, bare.notGround);
            if (bare.pixels >= 20) {
                goneZooms.insert(shotZoom[i]);
                EXPECT_LE(bare.notGround * 10, bare.pixels) << picture << " in " << shots[i];
            }
            if (g.figures == 0 || g.standing < 20) continue;
            goneZooms.insert(shotZoom[i]);
            EXPECT_GE(g.changed * 4, g.standing * 3) << picture << " in " << shots[i];
            EXPECT_GE(g.bare * 3, g.standing) << picture << " in " << shots[i];
        }
    }
    std::printf("units eliminated: %zu; zooms at which their standing figures were seen gone:", eliminated.size());
    for (int z : goneZooms) std::printf(" %d", z);
    std::printf("\n");
}


// The person's own orders, given with the mouse and the menu in a battle of the test's own: the
// data generator makes Brandy Station's scenario anew from a source in which the Union's commander
// leads a few units side by side and the Confederate one has no commands, so that every
// activation is the Union commander's and nothing moves unless the script orders it. Two of his
// units have a troop quality of 1: a second order in the same turn costs a morale hit, which breaks
// them, so the battle's own random draws decide neither the rout nor the elimination.
const char* const kOrdersBattle = R"(battle 2 BRANDYS.SCN "Brandy Station"
subtitle "Culpeper County, Virginia - June 9, 1863"
about "The Union commander drills his regiments by the ford."
map BRANDY.MAP
date 1863 6 9 5
turns 12
winner confederate
home confederate edge north target 100
visitor union edge south target 150
script union BRANDYSU.SCR
script confederate BRANDYSC.SCR

side union
facing nw
defaults cavalry tq 6 weapon breechcarbine
defaults infantry tq 6 weapon riflemusket
defaults artillery tq 7 weapon rifled
group Cavalry_Corps leader "Gen. Laurence Parrish" commands 9 range 8 rating 1 at 2818
  cavalry "8th New York Cavalry" men 450 at 2816 move 12
  artillery "Horse Battery E" guns 4 at 2820 limbered move 12
  infantry "3rd Wisconsin" men 400 tq 7 at 2717 column move 12
  infantry "86th and 124th New York" men 800 tq 7 at 2620 twohex line move 12
  wagon "Corps Ammunition Train" wagons 1 tq 1 at 2917
  infantry "2nd and 33rd Massachusetts" men 500 tq 1 at 2821
  infantry "27th Indiana" men 500 tq 1 at 2914
end

side confederate
facing se
defaults cavalry tq 7 weapon carbine
group Cavalry_Division leader "Gen. Lucas Kilbride" commands 0 range 9 rating 3 at 0905
  cavalry "6th Virginia Cavalry" men 500 at 0906
end
)";

// Where each unit of the battle above stands.
constexpr int kCavalryHex = 2816, kBatteryHex = 2820, kColumnHex = 2717, kTwoHexHex = 2620, kWagonHex = 2917,
              kEdgeHex = 2821, kRoutHex = 2914;

class PersonsOrdersOnTheLiveMap : public PicturesOnTheLiveMap {
protected:
    // Makes the battle's scenario with the generator from a copy of the sources, and puts its
    // files into the test's data directory in place of Brandy Station's.
    void MakeOrdersBattle(const char* source = kOrdersBattle) {
        std::error_code ec;
        fs::copy(VH_E2E_DATA_SOURCES, File("sources"), fs::copy_options::recursive, ec);
        ASSERT_FALSE(ec) << ec.message();
        {
            std::ofstream out(File("sources/battles/brandys.txt"));
            out << source;
        }
        const std::string command = "'" + std::string(VH_E2E_DATAGEN) + "' '" + File("sources") + "' '" + File("made") +
                                    "' > '" + File("datagen.txt") + "' 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << Read("datagen.txt");
        int copied = 0;
        for (const auto& made : fs::directory_iterator(File("made"))) {
            const std::string name = made.path().filename().string();
            if (Lower(name).rfind("brandys", 0) != 0) continue;
            for (const auto& old : fs::directory_iterator(File("data")))
                if (Lower(old.path().filename().string()) == Lower(name)) fs::remove(old.path());
            fs::copy_file(made.path(), File("data/" + name));
            ++copied;
        }
        ASSERT_GE(copied, 1);
    }

    // The battle opened with both sides the person's, at the full zoom, centred on the active
    // leader (the Union commander: the other side has no commands).
    static std::string Opening() {
        return R"(wait-control 106 "Start &Battle" 120000
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
wait-menu-enabled 209 120000
menu 218
pause 1000
menu 209
pause 3000
)";
    }
};

// The main map's picture of each hex, from the log's "make" lines.
std::map<int, std::string> PicturesByHex(const std::vector<LogLine>& log) {
    std::map<int, std::string> out;
    for (const LogLine& l : log)
        if (l.kind == "make" && l.fields.size() >= 4 && l.fields[1] == "0") out[std::stoi(l.fields[2])] = l.fields[0];
    return out;
}

// Where to click on a unit at time `at`: the middle of its figures' feet on the screen; for a
// unit of two hexes, of the half of its figures on the left, which stand in one of its hexes.
bool ClickPoint(const std::vector<LogLine>& log, const std::string& picture, long long at, int& x, int& y) {
    const MapState m = MapAt(log, at, 0);
    std::vector<std::pair<int, int>> feet;
    for (const auto& [sprite, d] : m.figures) {
        if (d.picture != picture || !d.shown || d.view != 0 || d.zoom != m.zoom || d.since < m.zoomedAt) continue;
        feet.emplace_back(d.x + m.dx + d.w / 2, d.y + m.dy + kMapTop + d.h);
    }
    if (feet.empty()) return false;
    std::sort(feet.begin(), feet.end());
    const std::size_t n = feet.size() >= 10 ? feet.size() / 2 : feet.size();
    long sx = 0, sy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        sx += feet[i].first;
        sy += feet[i].second;
    }
    x = static_cast<int>(sx / static_cast<long>(n));
    y = static_cast<int>(sy / static_cast<long>(n)) - 6;
    return true;
}

// The names of the commands each main-map picture was sent after `from`.
std::map<std::string, std::vector<std::string>> CommandsByPicture(const std::vector<LogLine>& log, long long from = 0) {
    std::map<std::string, std::vector<std::string>> out;
    for (const LogLine& l : log)
        if (l.kind == "queue" && l.fields.size() >= 4 && l.fields[1] == "0" && l.ms >= from) out[l.fields[0]].push_back(l.fields[3]);
    return out;
}

bool Has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST_F(PersonsOrdersOnTheLiveMap, EachOrderReachesItsUnitsPictureOnceAndItsFiguresShowAtEveryZoom) {
    MakeOrdersBattle();
    if (HasFatalFailure()) return;
    WritePreferences(File("home/registry.txt"));

    // A first run shows where the units stand on the screen once the view is centred on the
    // leader; the second opens the battle the same way, so that they stand there again.
    WriteScript(Opening() + "screenshot survey.png\nquit\n");
    ASSERT_EQ(Run("--headless --data data --script script.txt", "VARNHOLD_PICTURE_LOG='" + File("survey.log") + "'", 300), 0)
        << Read("err.txt");
    ASSERT_EQ(Read("err.txt"), "");
    const std::vector<LogLine> survey = ReadLog(File("survey.log"));
    const std::map<int, std::string> surveyed = PicturesByHex(survey);
    const long long surveyedAt = WrittenAt(File("survey.png"));
    std::map<int, std::pair<int, int>> at;
    for (int hex : {kCavalryHex, kBatteryHex, kColumnHex, kTwoHexHex, kWagonHex, kEdgeHex, kRoutHex}) {
        const auto p = surveyed.find(hex);
        ASSERT_NE(p, surveyed.end()) << "no picture at hex " << hex;
        int x = 0, y = 0;
        ASSERT_TRUE(ClickPoint(survey, p->second, surveyedAt, x, y)) << "hex " << hex << " not in view";
        at[hex] = {x, y};
        std::printf("hex %d: picture %s, clicked at %d,%d\n", hex, p->second.c_str(), x, y);
    }

    const auto click = [&at](int hex) {
        return "click " + std::to_string(at[hex].first) + " " + std::to_string(at[hex].second) + "\npause 2000\n";
    };
    const auto order = [](int item, int wait) {
        return "wait-menu-enabled " + std::to_string(item) + " 20000\nmenu " + std::to_string(item) + "\npause " +
               std::to_string(wait) + "\n";
    };
    // Photographs of the view at the full zoom the clicks were worked out at, then at the middle and
    // the smallest (a zoom out keeps what was in view; centring on the leader after it would scroll
    // the figures without drawing them again, and the log would not know where they are); then
    // back to the full zoom, centred on the leader again.
    std::vector<std::string> shots;
    const auto photograph = [&shots](const std::string& tag) {
        std::string s;
        for (const auto& [item, zoom] : {std::pair<int, int>{0, 0}, {217, 1}, {216, 2}}) {
            shots.push_back(tag + "-" + std::to_string(zoom) + ".png");
            if (item) s += "menu " + std::to_string(item) + "\n";
            s += "pause 3000\nscreenshot " + shots.back() + "\npause 1500\n";
        }
        return s + "menu 218\npause 500\nmenu 209\npause 2000\n";
    };
    // The first activation: the cavalry dismounts and mounts, the battery unlimbers and limbers,
    // the one-hex regiment forms line, column and line again, the two-hex one forms column and
    // line, faces about and has the about face undone; the wagon and the two regiments of troop
    // quality 1 turn once.
    std::string script = Opening() + click(kCavalryHex) + order(193, 3000) + order(193, 3000) + click(kBatteryHex) +
                         order(194, 4000) + order(194, 4000) + click(kColumnHex) + order(195, 3000) + order(196, 3000) +
                         order(195, 3000) + click(kTwoHexHex) + order(195, 3000) + order(196, 3000) + order(235, 4000) +
                         order(255, 3000) + click(kWagonHex) + order(220, 2000) + click(kEdgeHex) + order(220, 2000) +
                         click(kRoutHex) + order(220, 2000) + photograph("a");
    // The second activation of the same turn: each of the three ordered again takes a morale hit
    // and breaks: the wagon is eliminated where it stands, the regiment on the map's edge routs off
    // it, the other routs.
    script += "menu 224\npause 3000\nwait-menu-enabled 209 60000\nmenu 209\npause 3000\nscreenshot second.png\n" +
              click(kWagonHex) + order(220, 4000) + click(kEdgeHex) + order(220, 6000) + click(kRoutHex) + order(220, 6000) +
              photograph("b");
    script += "click " + std::to_string(kCloseBattleX) + " " + std::to_string(kToolbarY) + "\n" + R"(wait-window "Varnhold"
click-control 1
wait-control 106 "Start &Battle" 180000
click-control 2
)";
    WriteScript(script);
    const int status = Run("--headless --data data --script script.txt", "VARNHOLD_PICTURE_LOG='" + File("pictures.log") + "'", 600);
    const std::string err = Read("err.txt");
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(err, "");

    const std::vector<LogLine> log = ReadLog(File("pictures.log"));
    ASSERT_FALSE(log.empty());
    std::map<std::string, int> commands;
    CheckAnswers(log, commands);
    const std::map<int, std::string> pictures = PicturesByHex(log);
    std::map<int, std::string> of;
    for (int hex : {kCavalryHex, kBatteryHex, kColumnHex, kTwoHexHex, kWagonHex, kEdgeHex, kRoutHex}) {
        const auto p = pictures.find(hex);
        ASSERT_NE(p, pictures.end()) << "no picture at hex " << hex;
        of[hex] = p->second;
    }
    const auto sent = CommandsByPicture(log);
    for (const auto& [hex, picture] : of) {
        std::printf("hex %d (%s):", hex, picture.c_str());
        const auto s = sent.find(picture);
        if (s != sent.end())
            for (const std::string& name : s->second) std::printf(" %s", name.c_str());
        std::printf("\n");
    }
    const auto got = [&](int hex) {
        const auto s = sent.find(of[hex]);
        return s == sent.end() ? std::vector<std::string>() : s->second;
    };
    // Each order reached the picture of the unit it was given to.
    EXPECT_TRUE(Has(got(kCavalryHex), "CavalryDismount"));
    EXPECT_TRUE(Has(got(kCavalryHex), "CavalryMount"));
    EXPECT_TRUE(Has(got(kBatteryHex), "UnlimberArtilleryNA"));
    EXPECT_TRUE(Has(got(kBatteryHex), "LimberArtilleryNA"));
    EXPECT_TRUE(Has(got(kColumnHex), "LineFormation"));
    EXPECT_TRUE(Has(got(kColumnHex), "ColumnFormation"));
    EXPECT_TRUE(Has(got(kTwoHexHex), "LeftFaceSprites") || Has(got(kTwoHexHex), "RightFaceSprites"));
    EXPECT_TRUE(Has(got(kTwoHexHex), "CenterFaceSprites"));
    EXPECT_TRUE(Has(got(kTwoHexHex), "AboutFace"));
    EXPECT_TRUE(Has(got(kTwoHexHex), "AboutFaceNA"));
    EXPECT_TRUE(Has(got(kWagonHex), "UnitEliminated"));
    EXPECT_FALSE(Has(got(kRoutHex), "UnitEliminated"));
    EXPECT_FALSE(Has(got(kRoutHex), "TerminalRout"));
    // A broken unit turns toward its retreat edge before it runs, and a rout off the map ends in
    // the elimination: the log has the commands in the order they came in (the march is 28, the
    // turn 31).
    const auto behind = [](const std::vector<std::string>& names, const std::string& from) {
        const auto first = std::find(names.begin(), names.end(), from);
        return first == names.end() ? std::vector<std::string>() : std::vector<std::string>(first + 1, names.end());
    };
    EXPECT_EQ(behind(got(kRoutHex), "CohesionHit"), (std::vector<std::string>{"31", "28"}));
    EXPECT_EQ(behind(got(kEdgeHex), "CohesionHit"), (std::vector<std::string>{"31", "TerminalRout", "UnitEliminated"}));

    // The figures of the ordered units, and of the routed one where it ran to, show where the log
    // has them at every zoom, after each activation.
    const std::set<std::string> ordered = {of[kCavalryHex], of[kBatteryHex], of[kColumnHex], of[kTwoHexHex]};
    const std::set<std::string> routed = {of[kRoutHex]};
    std::set<int> zooms, routedZooms;
    for (const std::string& shot : shots) {
        SCOPED_TRACE(shot);
        const long long when = WrittenAt(File(shot));
        const platform::ScreenImage img = Screenshot(shot);
        ASSERT_GE(img.height, kMapBottom);
        const ShotCheck all = Examine(log, img, when);
        const ShotCheck c = Examine(log, img, when, &ordered);
        const ShotCheck r = Examine(log, img, when, &routed);
        std::printf("%s zoom %d: %d of %d figures of the ordered units found, %d of %d of the routed one, %d of %d empty places\n",
                    shot.c_str(), c.zoom, c.found, c.checked, r.found, r.checked, all.controlFound, all.controls);
        EXPECT_LE(all.controlFound * 4, all.controls) << all.controlFound << " of " << all.controls;
        if (c.checked > 0) {
            zooms.insert(c.zoom);
            EXPECT_GE(c.found * 10, c.checked * 9) << c.found << " of " << c.checked << ", not:" << c.missed;
        }
        if (shot[0] == 'b' && r.checked > 0) {
            routedZooms.insert(r.zoom);
            EXPECT_GE(r.found * 4, r.checked * 3) << r.found << " of " << r.checked << ", not:" << r.missed;
        }
    }
    EXPECT_EQ(zooms, (std::set<int>{0, 1, 2}));
    EXPECT_EQ(routedZooms, (std::set<int>{0, 1, 2}));

    // The eliminated units no longer stand on the map at any zoom. The wagon falls where it stands:
    // against the photograph of the same zoom before, most of what it showed has changed. The
    // regiment on the edge routs off the map: where its figures stood before, the ground shows.
    std::map<std::string, long long> eliminatedAt;
    for (const LogLine& l : log)
        if (l.kind == "queue" && l.fields.size() >= 4 && l.fields[1] == "0" && l.fields[3] == "UnitEliminated")
            eliminatedAt.emplace(l.fields[0], l.ms);
    ASSERT_TRUE(eliminatedAt.count(of[kWagonHex]));
    ASSERT_TRUE(eliminatedAt.count(of[kEdgeHex]));
    EXPECT_TRUE(Has(got(kEdgeHex), "TerminalRout"));
    for (int zoom : {0, 1, 2}) {
        SCOPED_TRACE("zoom " + std::to_string(zoom));
        const std::string before = "a-" + std::to_string(zoom) + ".png", after = "b-" + std::to_string(zoom) + ".png";
        const long long beforeAt = WrittenAt(File(before)), afterAt = WrittenAt(File(after));
        const platform::ScreenImage was = Screenshot(before), now = Screenshot(after);
        const Gone wagon = StandingFiguresGone(log, of[kWagonHex], was, beforeAt, now, afterAt);
        const Bare edge = PlacesShowTheGround(log, of[kEdgeHex], beforeAt, now, afterAt);
        std::printf("zoom %d: the wagon: %d figure, %zu pixels standing before, %zu changed; the regiment off the edge: %d "
                    "figures, %zu pixels where they stood, %zu not the ground's\n",
                    zoom, wagon.figures, wagon.standing, wagon.changed, edge.figures, edge.pixels, edge.notGround);
        EXPECT_EQ(wagon.figures, 1);
        EXPECT_GE(wagon.standing, 10u);
        EXPECT_GE(wagon.changed * 4, wagon.standing * 3);
        EXPECT_GE(edge.figures, 4);
        EXPECT_GE(edge.pixels, 100u);
        EXPECT_LE(edge.notGround * 10, edge.pixels);
    }
}


// A unit that comes onto the map during the battle: its picture, made hidden with the others at
// the start, is sent "UnitInserted" on the turn it arrives, and its figures show where the log has
// them at every zoom. The Union commander has one command, so each turn is one activation, ended
// with Finish Leader (and the Game Overview of its end with OK) until the turn the regiment has
// arrived by.
const char* const kArrivalBattle = R"(battle 2 BRANDYS.SCN "Brandy Station"
subtitle "Culpeper County, Virginia - June 9, 1863"
about "A regiment comes up to the ford."
map BRANDY.MAP
date 1863 6 9 5
turns 12
winner confederate
home confederate edge north target 100
visitor union edge south target 150
script union BRANDYSU.SCR
script confederate BRANDYSC.SCR

side union
facing nw
defaults infantry tq 6 weapon riflemusket
group Cavalry_Corps leader "Gen. Laurence Parrish" commands 1 range 8 rating 1 at 2818
  infantry "3rd Wisconsin" men 400 tq 7 at 2820
  infantry "7th Ohio" men 450 tq 7 at 2816 arrive 3
end

side confederate
facing se
defaults cavalry tq 7 weapon carbine
group Cavalry_Division leader "Gen. Lucas Kilbride" commands 0 range 9 rating 3 at 0905
  cavalry "6th Virginia Cavalry" men 500 at 0906
end
)";

TEST_F(PersonsOrdersOnTheLiveMap, AUnitThatArrivesIsPutOnTheMapAndShowsAtEveryZoom) {
    MakeOrdersBattle(kArrivalBattle);
    if (HasFatalFailure()) return;
    WritePreferences(File("home/registry.txt"));
    std::string script = Opening();
    for (int turn = 2; turn <= 7; ++turn)
        script += "menu 224\nwait-window \"Game Overview\" 120000\nclick-control 1\nwait-gone \"Game Overview\"\n"
                  "wait-window \"Brandy Station - Turn " + std::to_string(turn) +
                  "\" 120000\nwait-menu-enabled 209 120000\nmenu 209\npause 2000\n";
    std::vector<std::string> shots;
    for (const auto& [item, zoom] : {std::pair<int, int>{0, 0}, {217, 1}, {216, 2}}) {
        shots.push_back("arrived-" + std::to_string(zoom) + ".png");
        if (item) script += "menu " + std::to_string(item) + "\n";
        script += "pause 3000\nscreenshot " + shots.back() + "\npause 1500\n";
    }
    script += "click " + std::to_string(kCloseBattleX) + " " + std::to_string(kToolbarY) + "\n" + R"(wait-window "Varnhold"
click-control 1
wait-control 106 "Start &Battle" 180000
click-control 2
)";
    WriteScript(script);
    const int status = Run("--headless --data data --script script.txt", "VARNHOLD_PICTURE_LOG='" + File("pictures.log") + "'", 300);
    const std::string err = Read("err.txt");
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(err, "");

    const std::vector<LogLine> log = ReadLog(File("pictures.log"));
    ASSERT_FALSE(log.empty());
    std::map<std::string, int> commands;
    CheckAnswers(log, commands);
    std::set<std::string> inserted;
    for (const auto& [picture, names] : CommandsByPicture(log))
        if (Has(names, "UnitInserted")) inserted.insert(picture);
    ASSERT_EQ(inserted.size(), 1u);
    // Hidden until then: none of its figures was drawn on the main map before it came.
    long long insertedAt = 0;
    for (const LogLine& l : log)
        if (l.kind == "queue" && l.fields.size() >= 4 && inserted.count(l.fields[0]) && l.fields[3] == "UnitInserted") insertedAt = l.ms;
    for (const LogLine& l : log) {
        if (l.kind == "draw" && l.fields.size() >= 10 && inserted.count(l.fields[9]) && l.fields[1] == "0") {
            EXPECT_GE(l.ms, insertedAt) << "drawn before it arrived";
        }
    }
    std::set<int> zooms;
    for (const std::string& shot : shots) {
        SCOPED_TRACE(shot);
        const platform::ScreenImage img = Screenshot(shot);
        ASSERT_GE(img.height, kMapBottom);
        const long long when = WrittenAt(File(shot));
        const ShotCheck all = Examine(log, img, when);
        const ShotCheck c = Examine(log, img, when, &inserted);
        std::printf("%s zoom %d: %d of %d figures of the arrived unit found, %d of %d empty places\n", shot.c_str(), c.zoom,
                    c.found, c.checked, all.controlFound, all.controls);
        EXPECT_LE(all.controlFound * 4, all.controls) << all.controlFound << " of " << all.controls;
        if (c.checked == 0) continue;
        zooms.insert(c.zoom);
        EXPECT_GE(c.found * 10, c.checked * 9) << c.found << " of " << c.checked << ", not:" << c.missed;
    }
    EXPECT_EQ(zooms, (std::set<int>{0, 1, 2}));
}

} // namespace
} // namespace e2e
