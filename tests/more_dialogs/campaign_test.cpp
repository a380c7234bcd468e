// The campaign map: which spots may be picked, what a click and a double-click do, the frames of
// the current and the reachable battles, and the services' answers; the end-of-war screen's
// lines and pictures.
#include "game/app/dialogs/campaign_dlgs.h"
#include "game/app/dialogs/more_dialog_services.h"
#include "tests/more_dialogs/more_fixture.h"
#include "ui/bitmap.h"

namespace {

using namespace moretest;
using uitest::PixelAt;

class Campaign : public MoreDialogTest {
protected:
    static List<short> Spots(std::initializer_list<short> s) {
        List<short> l;
        for (short v : s) l.AddTail(v);
        return l;
    }
    static Point Inside(int spot) {
        const Box b = CampaignDlg::SpotBox(spot);
        return Point(static_cast<std::int16_t>(b.x + b.width / 2), static_cast<std::int16_t>(b.y + b.height / 2));
    }
};

TEST_F(Campaign, FinishWaitsForAReachableSpotAndAnswersIt) {
    CampaignDlg dlg(3, Spots({0, 4}));
    dlg.Execute("CampaignMap", Dialog::kModeless);
    HWND h = dlg.GetHandle();
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(h, CampaignDlg::kFinish)));
    // Spot 1 is not reachable: nothing changes.
    PostClick(h, Inside(1).x, Inside(1).y);
    Drain();
    EXPECT_EQ(dlg.GetChoice(), 3);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(h, CampaignDlg::kFinish)));
    PostClick(h, Inside(4).x, Inside(4).y);
    Drain();
    EXPECT_EQ(dlg.GetChoice(), 4);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(h, CampaignDlg::kFinish)));
    // Help does nothing; Finish ends with 1.
    SendMessageA(h, WM_COMMAND, MAKEWPARAM(CampaignDlg::kHelp, 0), 0);
    Drain();
    EXPECT_TRUE(dlg.IsRunning());
    platform::ClickDlgItem(h, CampaignDlg::kFinish);
    Drain();
    EXPECT_EQ(dlg.GetResult(), 1);
    EXPECT_EQ(dlg.GetChoice(), 4);
}

TEST_F(Campaign, FinishIsOpenAtOnceWhenTheBattleFoughtIsReachable) {
    CampaignDlg dlg(2, Spots({5, 2}));
    dlg.Execute("CampaignMap", Dialog::kModeless);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg.GetHandle(), CampaignDlg::kFinish)));
    dlg.Close(0);
}

// Spots 0 and 8 share one box: only the reachable one is tested, the first in list order wins.
TEST_F(Campaign, SharedPlacePicksTheReachableSpot) {
    struct Case {
        std::initializer_list<short> reachable;
        short expected;
    } cases[] = {{{0, 2}, 0}, {{8, 2}, 8}, {{8, 0}, 8}, {{0, 8}, 0}};
    for (const Case& c : cases) {
        CampaignDlg dlg(2, Spots(c.reachable));
        dlg.Execute("CampaignMap", Dialog::kModeless);
        PostClick(dlg.GetHandle(), Inside(8).x, Inside(8).y);
        Drain();
        EXPECT_EQ(dlg.GetChoice(), c.expected);
        dlg.Close(0);
        Drain();
    }
}

TEST_F(Campaign, DoubleClickPicksAndFinishes) {
    CampaignDlg dlg(9, Spots({6, 2}));
    platform::QueueDialogScript([](HWND d) { PostClick(d, Inside(6).x, Inside(6).y, true); });
    EXPECT_EQ(dlg.Execute("CampaignMap", Dialog::kModal), 1);
    EXPECT_EQ(dlg.GetChoice(), 6);
}

TEST_F(Campaign, FramesTheBattleFoughtWhiteAndTheReachableRed) {
    const std::uint8_t white = uitest::Nearest(255, 255, 255), red = uitest::Nearest(255, 0, 0);
    // Spot 3 fought, 0 and 4 reachable; then 4 fought and reachable: red wins.
    CampaignDlg dlg(3, Spots({0, 4}));
    dlg.Execute("CampaignMap", Dialog::kModeless);
    dlg.Refresh();
    for (int s : {3, 0, 4}) {
        const Box b = CampaignDlg::SpotBox(s);
        const std::uint8_t want = s == 3 ? white : red;
        EXPECT_EQ(PixelAt(dlg, b.x, b.y), want) << s;
        EXPECT_EQ(PixelAt(dlg, b.x + b.width - 1, b.y + b.height - 1), want) << s;
        EXPECT_NE(PixelAt(dlg, b.x + b.width / 2, b.y + b.height / 2), want) << s;
    }
    const Box unreached = CampaignDlg::SpotBox(1);
    EXPECT_NE(PixelAt(dlg, unreached.x, unreached.y), red);
    EXPECT_NE(PixelAt(dlg, unreached.x, unreached.y), white);
    dlg.Close(0);

    CampaignDlg both(4, Spots({4}));
    both.Execute("CampaignMap", Dialog::kModeless);
    both.Refresh();
    EXPECT_EQ(PixelAt(both, CampaignDlg::SpotBox(4).x, CampaignDlg::SpotBox(4).y), red);
    both.Close(0);
}

TEST_F(Campaign, ServicesAnswerThePickOrTheCancel) {
    MoreDialogServices services(app.get());
    std::int32_t choice = -7;
    platform::QueueDialogScript([](HWND d) {
        PostClick(d, Inside(7).x, Inside(7).y);
        platform::ClickDlgItem(d, CampaignDlg::kFinish);
    });
    EXPECT_TRUE(services.RunCampaignMapDialog(1, Spots({7, 9}), choice));
    EXPECT_EQ(choice, 7);

    choice = -7;
    platform::QueueDialogScript([](HWND d) {
        PostClick(d, Inside(9).x, Inside(9).y);
        platform::ClickDlgItem(d, IDCANCEL);
    });
    EXPECT_FALSE(services.RunCampaignMapDialog(1, Spots({7, 9}), choice));
    EXPECT_EQ(choice, -7);
}

TEST_F(Campaign, ResultsNameWinnerAndLoserFromTheSideShown) {
    struct Case {
        std::int32_t side;
        std::uint16_t won;
        const char* winner;
        const char* loser;
    } cases[] = {
        {0, 1, "Union", "Confederate nation"},
        {1, 0, "Union", "Confederate nation"},
        {1, 1, "Confederate", "Union"},
        {0, 0, "Confederate", "Union"},
    };
    for (const Case& c : cases) {
        EndOfCampaignDlg dlg(c.side, c.won);
        ASSERT_EQ(dlg.Lines().size(), 3u);
        EXPECT_EQ(dlg.Lines()[0], std::string("The ") + c.winner + " forces have prevailed. The war is over.");
        EXPECT_EQ(dlg.Lines()[1], std::string("The capitol has fallen and the ") + c.loser + " is broken.");
        EXPECT_EQ(dlg.Lines()[2], " - Farewell");
    }
}

TEST_F(Campaign, ResultsDrawTheSidesPictureTheCanvasAndTheText) {
    for (std::int32_t side : {0, 1})
        for (std::uint16_t won : {0, 1}) {
            const char* section = won ? "Victory" : "Defeat";
            EndOfCampaignDlg dlg(side, won);
            dlg.Execute("CampaignResults", Dialog::kModeless);
            dlg.Refresh();
            EXPECT_EQ(PixelAt(dlg, 36, 20), datagen::CampaignArtColour(section, side ? "Side 1" : "Side 0"));
            EXPECT_EQ(PixelAt(dlg, 36 + datagen::kCampaignPictureWidth - 1, 20 + datagen::kCampaignPictureHeight - 1),
                      datagen::CampaignArtColour(section, side ? "Side 1" : "Side 0"));
            EXPECT_EQ(PixelAt(dlg, 35, 19), datagen::CampaignArtColour(section, "Background"));
            EXPECT_EQ(PixelAt(dlg, 63, 209), datagen::CampaignArtColour("Canvas", "Canvas"));
            bool ink = false;
            for (int y = EndOfCampaignDlg::kFirstLineY; y < EndOfCampaignDlg::kFirstLineY + 12; ++y)
                for (int x = EndOfCampaignDlg::kTextX; x < EndOfCampaignDlg::kTextX + 40; ++x)
                    ink = ink || PixelAt(dlg, x, y) == uitest::kInk;
            EXPECT_TRUE(ink) << side << won;
            dlg.Close(0);
            Drain();
        }
}

TEST_F(Campaign, ResultsCloseWithClose) {
    MoreDialogServices services(app.get());
    bool shown = false;
    platform::QueueDialogScript([&](HWND d) {
        shown = true;
        platform::ClickDlgItem(d, IDOK);
    });
    services.RunCampaignResultsDialog(1, 1, 3, 4);
    EXPECT_TRUE(shown);
    EXPECT_EQ(platform::AbandonedDialogCount(), 0u);
}

} // namespace
