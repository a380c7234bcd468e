#include "game/app/dialogs/video_dlg.h"

#include "core/application.h"
#include "platform/mci.h"

namespace {

class MciVideoPlayer : public VideoPlayer {
public:
    std::uint32_t Open(const std::string& path, HWND, std::uint32_t& device) override {
        MCI_OPEN_PARMSA open{};
        open.lpstrElementName = path.c_str();
        const MCIERROR e = mciSendCommand(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_ELEMENT, reinterpret_cast<DWORD_PTR>(&open));
        if (e == 0) device = open.wDeviceID;
        return e;
    }
    std::uint32_t Play(std::uint32_t device, HWND notify) override {
        MCI_PLAY_PARMS play{};
        play.dwCallback = reinterpret_cast<DWORD_PTR>(notify);
        return mciSendCommand(device, MCI_PLAY, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&play));
    }
    std::uint32_t Stop(std::uint32_t device, bool wait, HWND notify) override {
        MCI_GENERIC_PARMS stop{};
        stop.dwCallback = reinterpret_cast<DWORD_PTR>(notify);
        return mciSendCommand(device, MCI_STOP, wait ? MCI_WAIT : MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&stop));
    }
    std::uint32_t Close(std::uint32_t device) override {
        MCI_GENERIC_PARMS close{};
        return mciSendCommand(device, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&close));
    }
};

} // namespace

std::unique_ptr<VideoPlayer> MakeMciVideoPlayer() { return std::make_unique<MciVideoPlayer>(); }

VideoDlg::VideoDlg(const std::string& fileName, std::unique_ptr<VideoPlayer> p)
    : Window(Point(0, 0), Dim(0, 0), "", "VideoDlg"), Dialog("Dialog Bitmaps", "Intro", ""),
      player(p ? std::move(p) : MakeMciVideoPlayer()) {
    Application* app = GetApplication();
    videoPath = (app ? app->GetDataDirectory(7) : std::string()) + "\\" + fileName;
}

void VideoDlg::Fail(std::uint32_t error) {
    char text[256] = {};
    mciGetErrorStringA(error, text, sizeof text);
    lastError = text;
    Close(0);
}

void VideoDlg::OnInit() {
    Center();
    HWND screen = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 600, 300, GetHandle(),
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kVideoWindowId)), nullptr, nullptr);
    std::uint32_t opened = 0;
    if (const std::uint32_t e = player->Open(videoPath, screen, opened)) {
        Fail(e);
        return;
    }
    device = opened;
    if (const std::uint32_t e = player->Play(device, GetHandle())) {
        Fail(e);
        return;
    }
    playing = 1;
}

LRESULT VideoDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (running_ && !closing) {
        if (message == WM_KEYDOWN && device) player->Stop(device, false, GetHandle());
        if (message == MM_MCINOTIFY) {
            playing = 0;
            Close(1);
            return 0;
        }
    }
    return Dialog::WindowProc(message, wParam, lParam);
}

void VideoDlg::Close(std::int16_t result) {
    if (closing) return;
    closing = true;
    if (device) {
        // A stop that fails still closes the device, and the video did not end as it should.
        if (playing && player->Stop(device, true, GetHandle()) != 0) result = 0;
        playing = 0;
        player->Close(device);
        device = 0;
    }
    Dialog::Close(result);
    closing = false;
}
