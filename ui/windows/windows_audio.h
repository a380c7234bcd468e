#pragma once
// WindowsAudio: the toolkit's sound player over MCI command strings, files named relative to the
// data directory. A failing command is shown once in an "Audio Error" box; later failures stay
// silent until a command succeeds again. The caller never learns of a failure.
//
// The error-shown flag starts set when the wave-audio capability query succeeds, so on a system
// that can play waves the very first failure is silent; where the query fails, the first failure
// is shown.
#include "ui/audio.h"

#include <cstdint>
#include <string>

class WindowsAudio : public Audio {
public:
    WindowsAudio();
    ~WindowsAudio() override;

    void Load(const char* name) override;
    void Play(const char* name) override;
    void CloseAll() override { Close(); }
    void Close();
    void SendCommand(const std::string& command);

    bool ErrorShown() const { return errorShown != 0; }

private:
    std::string DataPath(const char* name) const;

    std::int16_t errorShown = 0;
};
