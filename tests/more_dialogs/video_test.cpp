// The video dialog over a recording player: the path and the child window it opens in; the end
// notice closes it with 1; a key stops the video and the stop's notice closes it; closing while
// playing stops and closes the device first; failures end it with 0; the platform's player
// (no video device in our layer) fails to open.
#include "game/app/dialogs/video_dlg.h"
#include "platform/input.h"
#include "platform/mci.h"
#include "tests/more_dialogs/more_fixture.h"

namespace {

using namespace moretest;

struct PlayerLog {
    std::vector<std::string> calls;
    std::string path;
    HWND parent = nullptr;
    HWND notify = nullptr;
    std::uint32_t openError = 0, playError = 0, stopError = 0;
};

class RecordingPlayer : public VideoPlayer {
public:
    explicit RecordingPlayer(PlayerLog* l) : log(l) {}
    std::uint32_t Open(const std::string& path, HWND parent, std::uint32_t& device) override {
        log->calls.push_back("open");
        log->path = path;
        log->parent = parent;
        if (!log->openError) device = 7;
        return log->openError;
    }
    std::uint32_t Play(std::uint32_t device, HWND notify) override {
        log->calls.push_back("play " + std::to_string(device));
        log->notify = notify;
        return log->playError;
    }
    std::uint32_t Stop(std::uint32_t device, bool wait, HWND notify) override {
        log->calls.push_back(std::string(wait ? "stop wait " : "stop notify ") + std::to_string(device));
        if (!wait && !log->stopError) PostMessage(notify, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, device);
        return log->stopError;
    }
    std::uint32_t Close(std::uint32_t device) override {
        log->calls.push_back("close " + std::to_string(device));
        return 0;
    }

private:
    PlayerLog* log;
};

class Video : public MoreDialogTest {
protected:
    std::unique_ptr<VideoPlayer> Player() { return std::make_unique<RecordingPlayer>(&log); }
    PlayerLog log;
};

TEST_F(Video, EndNoticeClosesWithOne) {
    VideoDlg dlg("intro.avi", Player());
    HWND child = nullptr;
    platform::QueueDialogScript([&](HWND d) {
        child = GetDlgItem(d, VideoDlg::kVideoWindowId);
        PostMessage(d, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 7);
    });
    EXPECT_EQ(dlg.Execute("VideoDlg", Dialog::kModal), 1);
    EXPECT_NE(child, nullptr);
    EXPECT_EQ(log.parent, child);
    EXPECT_EQ(log.path, app->GetDataDirectory(7) + "\\intro.avi");
    EXPECT_EQ(log.calls, (std::vector<std::string>{"open", "play 7", "close 7"}));
    EXPECT_EQ(dlg.IsPlaying(), 0);
}

TEST_F(Video, KeyStopsAndTheStopsNoticeCloses) {
    VideoDlg dlg("intro.avi", Player());
    platform::QueueDialogScript([](HWND d) { PostMessage(d, WM_KEYDOWN, VK_SPACE, 0); });
    EXPECT_EQ(dlg.Execute("VideoDlg", Dialog::kModal), 1);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"open", "play 7", "stop notify 7", "close 7"}));
}

TEST_F(Video, ClosingWhilePlayingStopsThenClosesTheDevice) {
    VideoDlg dlg("intro.avi", Player());
    platform::QueueDialogScript([](HWND d) { SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0); });
    EXPECT_EQ(dlg.Execute("VideoDlg", Dialog::kModal), 0);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"open", "play 7", "stop wait 7", "close 7"}));
}

TEST_F(Video, FailuresEndWithZero) {
    struct Case {
        std::uint32_t open, play, stop;
        std::vector<std::string> calls;
    } cases[] = {
        {MCIERR_FILE_NOT_FOUND, 0, 0, {"open"}},
        {0, MCIERR_DEVICE_NOT_READY, 0, {"open", "play 7", "close 7"}},
    };
    for (const Case& c : cases) {
        log = PlayerLog{};
        log.openError = c.open;
        log.playError = c.play;
        VideoDlg dlg("missing.avi", Player());
        EXPECT_EQ(dlg.Execute("VideoDlg", Dialog::kModal), 0);
        EXPECT_EQ(log.calls, c.calls);
        EXPECT_FALSE(dlg.GetLastError().empty());
    }
    EXPECT_EQ(platform::AbandonedDialogCount(), 0u);
}

// A stop that fails on the way out still closes the device, once, and the dialog ends with 0.
TEST_F(Video, FailedStopStillClosesOnce) {
    log.stopError = MCIERR_DEVICE_NOT_READY;
    VideoDlg dlg("intro.avi", Player());
    platform::QueueDialogScript([](HWND d) { PostMessage(d, WM_CLOSE, 0, 0); });
    EXPECT_EQ(dlg.Execute("VideoDlg", Dialog::kModal), 0);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"open", "play 7", "stop wait 7", "close 7"}));
}

TEST_F(Video, PlatformPlayerHasNoVideoDevice) {
    VideoDlg dlg("intro.avi");
    EXPECT_EQ(dlg.Execute("VideoDlg", Dialog::kModal), 0);
    EXPECT_EQ(platform::AbandonedDialogCount(), 0u);
}

} // namespace
