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

ShotCheck Examine(const std::vector<LogLine>& log, const platform::ScreenImage& img, long long at) {
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
        if (d.w < 6 || d.h < 6) continue;  // a ball or a speck
        if (d.x < 0 || d.x + d.w > img.width || d.y < kMapTop || d.y + d.h > kMapBottom) continue;
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

long long WrittenAt(const std::string& path) {
    const auto written = fs::last_write_time(path);
    const auto system = std::chrono::file_clock::to_sys(written);
    return std::chrono::duration_cast<std::chrono::milliseconds>(system.time_since_epoch()).count();
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
    // The person's preferences as a first start leaves them (movement and combat animated), but
    // without the overall combat results, whose box would wait for a click after every combat.
    {
        std::ofstream registry(File("home/registry.txt"));
        registry << "[HKEY_CURRENT_USER\\SOFTWARE]\n[HKEY_CURRENT_USER\\SOFTWARE\\Tolvane]\n"
                    "[HKEY_CURRENT_USER\\SOFTWARE\\Tolvane\\Varnhold Demo]\n"
                    "[HKEY_CURRENT_USER\\SOFTWARE\\Tolvane\\Varnhold Demo\\Preferences]\n";
        for (const char* on : {"Auto Save", "Combat Animation", "Finish Leader", "Group Move Confirm", "Movement Animation", "Sound"})
            registry << on << "=4:01000000\n";
        for (const char* off : {"Ambient Sound", "Last A/I Type", "Music", "Overall Combat Results", "Show Intro Video", "Sparse Trees"})
            registry << off << "=4:00000000\n";
        registry << "Music Volume=4:88130000\nVolume=4:88130000\n";
    }
    const int status = Run("--headless --data data --script script.txt", "VARNHOLD_PICTURE_LOG='" + File("pictures.log") + "'", 600);
    const std::string err = Read("err.txt");
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(err, "");

    const std::vector<LogLine> log = ReadLog(File("pictures.log"));
    ASSERT_FALSE(log.empty());

    // Every command is answered once, by the picture of the shown view (the main map: this run
    // never opens the close-up), also the commands still queued when the battle closed.
    std::map<std::string, int> awaited, answered, deleted, commands;
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
    // The computer played: its units were sent commands that wait for their answers.
    EXPECT_GE(totalAwaited, 5);
    std::printf("commands the main map's pictures were sent:");
    for (const auto& [name, count] : commands) std::printf(" %s %d", name.c_str(), count);
    std::printf("\n");

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

} // namespace
} // namespace e2e
