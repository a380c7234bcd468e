// The About box (version line, credits streamed from the data directory or the notice when
// they are missing or damaged) and the army and battle details viewers over a fixture side.
#include "game/app/dialogs/about_dlg.h"
#include "game/app/dialogs/details_dlgs.h"
#include "game/app/dialogs/info_dialog_host.h"
#include "game/units/leader.h"
#include "game/units/unit_types.h"
#include "tests/richedit/info_dialog_fixture.h"
#include "tools/datagen/credits_writer.h"
#include "ui/text_tile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

namespace {

using namespace infotest;

class AboutBox : public InfoDialogTest {
protected:
    // Runs the box and hands the credits control's text and style to the caller, then closes.
    struct Seen {
        std::string version, credits;
        LONG_PTR style = 0;
        std::vector<platform::RichEditRun> runs;
    };
    Seen Run() {
        Seen seen;
        About box;
        platform::QueueDialogScript([&](HWND dialog) {
            seen.version = box.GetItemText(101);
            HWND credits = GetDlgItem(dialog, About::kCreditsId);
            EXPECT_EQ(credits, box.GetCredits());
            seen.credits = TextOf(credits);
            seen.runs = platform::RichEditRuns(credits);
            seen.style = GetWindowLongPtrA(credits, GWL_STYLE);
            platform::ClickDlgItem(dialog, 1);
        });
        EXPECT_EQ(box.Execute("AboutDlg", Dialog::kModal), 1);
        return seen;
    }
};

TEST_F(AboutBox, ShowsTheVersionAndTheFormattedCredits) {
    ASSERT_TRUE(datagen::WriteCreditsFile(data.File("credits.rtf")));
    const Seen seen = Run();
    EXPECT_EQ(seen.version, "Version: Demo 1.0");
    EXPECT_EQ(seen.credits.rfind("Varnhold\r\nA tactical game of the 1860s\r\n", 0), 0u) << seen.credits;
    EXPECT_NE(seen.credits.find("Every leader named in this demo is invented."), std::string::npos);
    ASSERT_FALSE(seen.runs.empty());
    EXPECT_EQ(seen.runs[0].text, "Varnhold");
    EXPECT_TRUE(seen.runs[0].format.bold);
    EXPECT_EQ(seen.runs[0].format.height, 280);
    EXPECT_EQ(seen.runs[0].format.face, "Arial");
    EXPECT_EQ(seen.runs[0].format.colour, RGB(0, 0, 128));
    // It scrolls and, unlike the other viewers, is left writable.
    EXPECT_TRUE(seen.style & WS_VSCROLL);
    EXPECT_FALSE(seen.style & ES_READONLY);
}

TEST_F(AboutBox, MissingOrDamagedCreditsShowTheNotice) {
    const Seen missing = Run();
    EXPECT_EQ(missing.credits, About::kNoCredits);
    EXPECT_EQ(missing.version, "Version: Demo 1.0");
    {
        std::ofstream f(data.File("credits.rtf"), std::ios::binary);
        f << "{\\rtf1 \\b cut off in the middle";
    }
    EXPECT_EQ(Run().credits, About::kNoCredits);
}

// A unit and a leader whose state a test sets directly.
class TestInfantry : public MediumInfantry {
public:
    TestInfantry(const char* name, int tq, int strength, int hits, bool removed, int arrival)
        : MediumInfantry(Record(tq, strength, arrival), name) {
        cohesionHits = static_cast<std::uint16_t>(hits);
        isRemoved = removed ? 1 : 0;
    }
    static MissileCapableUnitData Record(int tq, int size, int arrival) {
        MissileCapableUnitData d;
        d.troopQuality = static_cast<std::uint16_t>(tq);
        d.size = static_cast<std::uint16_t>(size);
        d.arrivalTurn = static_cast<std::uint16_t>(arrival);
        d.side = 0;
        d.missileType = 16;
        return d;
    }
};

class TestLeader : public Leader {
public:
    TestLeader(const char* name, int commandCount, bool removed) : Leader(Record(commandCount), name) { isRemoved = removed ? 1 : 0; }
    static LeaderUnitData Record(int commands) {
        LeaderUnitData d;
        d.commands = static_cast<std::uint16_t>(commands);
        d.side = 0;
        return d;
    }
};

class ArmyDetails : public InfoDialogTest {
protected:
    void SetUp() override {
        InfoDialogTest::SetUp();
        results.homeName = "Northern";
        results.visitingName = "Southern";
        results.totalPoints[0] = 200;
        results.routedPoints[0] = 30;
        results.lostPoints[0] = 50;
        results.totalPoints[1] = 0;
        results.routedPoints[1] = -4;
        results.lostPoints[1] = -2;
    }
    void Add(TestInfantry* u) {
        owned.emplace_back(u);
        units.AddTail(u);
    }
    TestLeader* MakeLeader(const char* name, int commands, bool removed = false) {
        auto* l = new TestLeader(name, commands, removed);
        owned.emplace_back(l);
        return l;
    }
    // The list's lines while the dialog runs.
    std::vector<std::string> Run(int side, std::vector<std::string>* totals = nullptr, std::string* title = nullptr,
                                 std::vector<LONG>* tabs = nullptr, std::vector<platform::RichEditRun>* runs = nullptr) {
        ArmyDetailsDlg dlg(side, results, units, leaders);
        std::string text;
        platform::QueueDialogScript([&](HWND dialog) {
            HWND list = GetDlgItem(dialog, ArmyDetailsDlg::kListId);
            EXPECT_EQ(list, dlg.GetList());
            text = TextOf(list);
            if (tabs) *tabs = platform::RichEditTabStops(list, 0);
            if (runs) *runs = platform::RichEditRuns(list);
            EXPECT_TRUE(GetWindowLongPtrA(list, GWL_STYLE) & ES_READONLY);
            // Help lies outside the visible width: only a command reaches it.
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(9, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 9)));
            platform::ClickDlgItem(dialog, 1);
        });
        EXPECT_EQ(dlg.Execute("ArmyDetailsDlg", Dialog::kModal), 1);
        EXPECT_EQ(dlg.GetHelpPath(), data.Data() + "\\morlan.hlp");
        if (totals) *totals = dlg.TotalLines();
        if (title) *title = dlg.GetTitle();
        std::vector<std::string> lines;
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t end = text.find("\r\n", at);
            lines.push_back(text.substr(at, end - at));
            if (end == std::string::npos) break;
            at = end + 2;
        }
        return lines;
    }

    EndOfGameResults results;
    List<Combat*> units;
    List<Leader*> leaders;
    std::vector<std::unique_ptr<VhUnit>> owned;
};

TEST_F(ArmyDetails, ListsUnitsThenLeadersWithTheirChains) {
    Add(new TestInfantry("1st Ridgeford Volunteer Infantry Regiment", 6, 8, 2, false, 0));
    Add(new TestInfantry("2nd Ashcombe Rifles", 5, 7, 5, true, 0));
    Add(new TestInfantry("3rd Late Arrivals", 4, 6, 0, false, 5));
    TestLeader* general = MakeLeader("Gen. Aldous Marwick", 3);
    TestLeader* colonel = MakeLeader("Col. Bram Tessel", 2, true);
    TestLeader* major = MakeLeader("Maj. Cyril Oakes", 1);
    TestLeader* other = MakeLeader("Gen. Dorian Vale", 4);
    general->SetSubLeader(colonel);
    colonel->SetSubLeader(major);
    leaders.AddTail(general);
    leaders.AddTail(other);

    std::vector<LONG> tabs;
    std::vector<platform::RichEditRun> runs;
    const auto lines = Run(1, nullptr, nullptr, &tabs, &runs);
    const std::vector<std::string> expected = {
        "1st Ridgeford Volunteer\t6\t2",        // cut to 23 characters; still on the map
        "2nd Ashcombe Rifles\t5\t5\tX\t12",      // eliminated: "X" and the points (TQ + size)
        "Gen. Aldous Marwick\t-\t-",             // the leader, then its chain in order
        "Col. Bram Tessel\t-\t-\tX\t4",
        "Maj. Cyril Oakes\t-\t-",
        "Gen. Dorian Vale\t-\t-",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(tabs, (std::vector<LONG>{2835, 3240, 3645, 4050}));
    // Names are bold, the rest plain.
    ASSERT_GE(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, "1st Ridgeford Volunteer\t");
    EXPECT_TRUE(runs[0].format.bold);
    EXPECT_EQ(runs[0].format.face, "MS Sans Serif");
    EXPECT_EQ(runs[1].text.substr(0, 3), "6\t2");
    EXPECT_FALSE(runs[1].format.bold);
}

TEST_F(ArmyDetails, TheTotalsComeFromTheChosenSideOfTheRecord) {
    std::vector<std::string> totals;
    std::string title;
    Run(1, &totals, &title);
    EXPECT_EQ(title, "Northern Army");
    EXPECT_EQ(totals, (std::vector<std::string>{"Total Unit Points: 200 Points", "Unit Points Routing: 30",
                                                "Unit Points Eliminated: 50",
                                                "Percentage of Unit Points Eliminated: 25%"}));
    // The second side: negative counts show as 0, a total of 0 gives 0 per cent.
    Run(0, &totals, &title);
    EXPECT_EQ(title, "Southern Army");
    EXPECT_EQ(totals, (std::vector<std::string>{"Total Unit Points: 0 Points", "Unit Points Routing: 0",
                                                "Unit Points Eliminated: 0",
                                                "Percentage of Unit Points Eliminated: 0%"}));
    // More eliminated than the total counts as all of it; fractions are cut.
    results.totalPoints[0] = 30;
    results.lostPoints[0] = 45;
    Run(1, &totals);
    EXPECT_EQ(totals[3], "Percentage of Unit Points Eliminated: 100%");
    results.totalPoints[0] = 3;
    results.lostPoints[0] = 2;
    Run(1, &totals);
    EXPECT_EQ(totals[3], "Percentage of Unit Points Eliminated: 66%");
}

// The column headings are the template's texts, drawn on the dialog's picture; painting the
// totals again when the list is made must not cover them.
TEST_F(ArmyDetails, TheColumnHeadingsStayOnThePicture) {
    ArmyDetailsDlg dlg(1, results, units, leaders);
    std::vector<std::pair<std::string, int>> inked;
    platform::QueueDialogScript([&](HWND dialog) {
        for (const Item<TextTile*>* i = dlg.GetTextTiles().Head(); i; i = i->next) {
            const TextTile& tile = *i->value;
            int ink = 0;
            for (int y = tile.GetPlace().y; y < tile.GetPlace().y + tile.GetHeight() && y < dlg.GetHeight(); ++y)
                for (int x = tile.GetPlace().x; x < tile.GetPlace().x + tile.GetWidth() && x < dlg.GetWidth(); ++x)
                    ink += uitest::PixelAt(dlg, x, y) == uitest::kInk;
            inked.push_back({tile.GetText(), ink});
        }
        platform::ClickDlgItem(dialog, 1);
    });
    ASSERT_EQ(dlg.Execute("ArmyDetailsDlg", Dialog::kModal), 1);
    ASSERT_EQ(inked.size(), 6u);
    for (const auto& [text, ink] : inked) EXPECT_GT(ink, 4) << text;
}

TEST_F(ArmyDetails, AChainOfSubLeadersThatRunsInACircleEnds) {
    TestLeader* a = MakeLeader("Gen. Circle", 1);
    TestLeader* b = MakeLeader("Col. Round", 1);
    a->SetSubLeader(b);
    b->SetSubLeader(a);
    leaders.AddTail(a);
    const auto lines = Run(1);
    EXPECT_EQ(lines, (std::vector<std::string>{"Gen. Circle\t-\t-", "Col. Round\t-\t-"}));
}

class BattleDetails : public InfoDialogTest {
protected:
    std::string Run(const std::string& path, const std::string& caption, std::string* shownCaption = nullptr) {
        BattleDetailsDlg dlg(path, caption);
        std::string text;
        platform::QueueDialogScript([&](HWND dialog) {
            HWND edit = GetDlgItem(dialog, BattleDetailsDlg::kTextId);
            text = TextOf(edit);
            EXPECT_TRUE(GetWindowLongPtrA(edit, GWL_STYLE) & ES_READONLY);
            if (shownCaption) {
                char buf[128] = {};
                GetWindowTextA(dialog, buf, sizeof buf);
                *shownCaption = buf;
            }
            platform::ClickDlgItem(dialog, 1);
        });
        EXPECT_EQ(dlg.Execute("BattleDetailsDlg", Dialog::kModal), 1);
        return text;
    }
};

TEST_F(BattleDetails, ShowsTheFileUnderItsCaptionOrTheNotice) {
    {
        std::ofstream f(data.File("battle.rtf"), std::ios::binary);
        f << "{\\rtf1 The \\b Ford\\b0  at dawn\\par Second line}";
    }
    std::string caption;
    EXPECT_EQ(Run(data.Data() + "\\battle.rtf", "Ridgeford", &caption), "The Ford at dawn\r\nSecond line");
    EXPECT_EQ(caption, "Ridgeford");
    EXPECT_EQ(Run(data.Data() + "\\nothing.rtf", "Missing"), BattleDetailsDlg::kFileNotFound);
}

} // namespace

namespace {

using namespace infotest;

class PlacedHost : public InfoDialogHost {
public:
    HWND GetMainWindow() override { return mainWindow; }
    HWND GetMDIClient() override { return client; }
    HWND mainWindow = nullptr;
    HWND client = nullptr;
};

class DetailsPlacement : public InfoDialogTest {
protected:
    void SetUp() override {
        InfoDialogTest::SetUp();
        WNDCLASSA wc{};
        wc.lpfnWndProc = &DefWindowProcA;
        wc.lpszClassName = "PlainHolder";
        RegisterClassA(&wc);
        SetInfoHost(&host);
    }
    void TearDown() override {
        SetInfoHost(nullptr);
        InfoDialogTest::TearDown();
    }
    static HWND Plain(int x, int y, int w, int h) {
        return CreateWindowExA(0, "PlainHolder", "", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
    }
    // The dialog's window rectangle while it runs.
    template <class D> RECT Placed(D& dlg, const char* name) {
        RECT r{};
        platform::QueueDialogScript([&](HWND dialog) {
            GetWindowRect(dialog, &r);
            platform::ClickDlgItem(dialog, 1);
        });
        EXPECT_EQ(dlg.Execute(name, Dialog::kModal), 1);
        return r;
    }
    PlacedHost host;
    EndOfGameResults results;
    List<Combat*> units;
    List<Leader*> leaders;
};

TEST_F(DetailsPlacement, ArmyDetailsCentresOnTheMainWindowsSizeNotItsPlace) {
    host.mainWindow = Plain(300, 200, 600, 500);
    ArmyDetailsDlg dlg(1, results, units, leaders);
    const RECT r = Placed(dlg, "ArmyDetailsDlg");
    const int w = r.right - r.left, h = r.bottom - r.top;
    EXPECT_EQ(r.left, 300 - w / 2);
    EXPECT_EQ(r.top, 250 - h / 2);
    // Without a main window the screen stands in.
    host.mainWindow = nullptr;
    ArmyDetailsDlg alone(1, results, units, leaders);
    const RECT s = Placed(alone, "ArmyDetailsDlg");
    EXPECT_EQ(s.left, 512 - w / 2);
    EXPECT_EQ(s.top, 384 - h / 2);
}

TEST_F(DetailsPlacement, BattleDetailsMeetsTheClientsLowerRightCorner) {
    host.client = Plain(50, 60, 900, 650);
    BattleDetailsDlg dlg("nowhere.rtf", "Caption");
    const RECT r = Placed(dlg, "BattleDetailsDlg");
    EXPECT_EQ(r.right, 950);
    EXPECT_EQ(r.bottom, 710);
}

} // namespace
