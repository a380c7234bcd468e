#pragma once
// VideoDlg ("VideoDlg", "Varnhold"): plays one video file of the history directory in a child
// window and ends when the video ends (1), when a key stops it (1, through the stop's notice),
// or at once when the file cannot be opened or played (0, no message).
//
// The playing goes through a VideoPlayer. The default one speaks the platform's multimedia
// commands; our platform layer has no video device, so there it fails to open and the dialog
// ends with 0. Tests and a future backend give their own.
#include "ui/windows/dialog.h"

#include <cstdint>
#include <memory>
#include <string>

class VideoPlayer {
public:
    virtual ~VideoPlayer() = default;
    // Opens the file to play in `parent` and waits; 0 with the device id, else an error code.
    virtual std::uint32_t Open(const std::string& path, HWND parent, std::uint32_t& device) = 0;
    // Starts playing; `notify` gets MM_MCINOTIFY when it ends or is stopped.
    virtual std::uint32_t Play(std::uint32_t device, HWND notify) = 0;
    // Stops: with `wait` it returns when stopped, else `notify` gets MM_MCINOTIFY.
    virtual std::uint32_t Stop(std::uint32_t device, bool wait, HWND notify) = 0;
    virtual std::uint32_t Close(std::uint32_t device) = 0;
};

// The platform's multimedia commands.
std::unique_ptr<VideoPlayer> MakeMciVideoPlayer();

class VideoDlg : public Dialog {
public:
    static constexpr int kVideoWindowId = 3000;

    // The file is looked for in the directory of kind 7; the player defaults to the platform's.
    explicit VideoDlg(const std::string& fileName, std::unique_ptr<VideoPlayer> player = nullptr);

    void OnInit() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Close(std::int16_t result) override;

    const std::string& GetVideoPath() const { return videoPath; }
    std::uint16_t IsPlaying() const { return playing; }
    // The text of the last error (kept, never shown).
    const std::string& GetLastError() const { return lastError; }

private:
    void Fail(std::uint32_t error);

    std::string videoPath;
    std::uint32_t device = 0;
    std::uint16_t playing = 0;
    std::unique_ptr<VideoPlayer> player;
    std::string lastError;
    bool closing = false;
};
