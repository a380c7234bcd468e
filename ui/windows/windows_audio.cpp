#include "ui/windows/windows_audio.h"

#include "core/application.h"
#include "platform/mci.h"
#include "platform/msgbox.h"

namespace {
constexpr std::size_t kErrorTextSize = 128;
}

WindowsAudio::WindowsAudio() {
    errorShown = mciSendStringA("capability waveaudio can play", nullptr, 0, nullptr) == 0 ? 1 : 0;
}

WindowsAudio::~WindowsAudio() { Close(); }

std::string WindowsAudio::DataPath(const char* name) const {
    Application* app = GetApplication();
    const std::string directory = app ? app->GetDataDirectory(0) : std::string();
    return directory + "\\" + (name ? name : "");
}

void WindowsAudio::Load(const char* name) { SendCommand("load " + DataPath(name)); }

void WindowsAudio::Play(const char* name) { SendCommand("play " + DataPath(name)); }

void WindowsAudio::Close() { SendCommand("close all"); }

void WindowsAudio::SendCommand(const std::string& command) {
    const MCIERROR result = mciSendStringA(command.c_str(), nullptr, 0, nullptr);
    if (result == 0) {
        errorShown = 0;
        return;
    }
    if (errorShown) return;
    errorShown = 1;
    char text[kErrorTextSize] = "";
    mciGetErrorStringA(result, text, sizeof text);
    if (Application* app = GetApplication()) app->ShowMessage(text, "Audio Error", MB_ICONINFORMATION);
}
