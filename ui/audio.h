#pragma once
// Audio: how portable code plays sound files of the data directory. The platform's
// implementation reports a failing command once (caption "Audio Error") and then stays silent
// until a command succeeds again.
class Audio {
public:
    virtual ~Audio() = default;
    // Prepares the named sound file of the data directory.
    virtual void Load(const char* name) = 0;
    virtual void Play(const char* name) = 0;
    // Closes every open sound.
    virtual void CloseAll() = 0;
};
