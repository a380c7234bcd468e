#pragma once
// DirectSound as the program calls it: one sound object, secondary buffers that are locked,
// written, played once or round and round, with volume, pan and frequency.
//
// Behind it stands one mixer for the whole process. Its output is 16-bit stereo at a fixed rate
// and runs with the platform clock: whenever a call looks at a buffer (or MixAudio is called),
// the mixer renders every output frame due since the last call into the installed sink and moves
// each playing buffer's play cursor on by what it played. Under the virtual clock a test decides
// how far the cursors move; the headless sink keeps what was mixed and can write it as a WAV.
// A jump of the clock by more than ten seconds at once (a clock switched or stalled) is not
// played out: the mixer goes on from the new time.
//
// Invariants: a buffer's play cursor is below its size and a multiple of its block size; a
// buffer that is not playing is never mixed; a released buffer is out of the mixer before its
// memory goes, whatever it was doing.
#include "platform/wintypes.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

using HRESULT = LONG;

constexpr HRESULT DS_OK = 0;
// Failures: negative, as the program tests them.
constexpr HRESULT DSERR_GENERIC = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT DSERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DSERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078u);
constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032u);

inline bool FAILED(HRESULT hr) { return hr < 0; }
inline bool SUCCEEDED(HRESULT hr) { return hr >= 0; }

constexpr WORD WAVE_FORMAT_PCM = 1;

// The 16-byte PCM format block of a wave file, field by field.
struct PCMWAVEFORMAT {
    WORD wFormatTag = 0;
    WORD nChannels = 0;
    DWORD nSamplesPerSec = 0;
    DWORD nAvgBytesPerSec = 0;
    WORD nBlockAlign = 0;
    WORD wBitsPerSample = 0;
};

// Buffer capability flags.
constexpr DWORD DSBCAPS_CTRLFREQUENCY = 0x20;
constexpr DWORD DSBCAPS_CTRLPAN = 0x40;
constexpr DWORD DSBCAPS_CTRLVOLUME = 0x80;

struct DSBUFFERDESC {
    DWORD dwSize = 0;
    DWORD dwFlags = 0;
    DWORD dwBufferBytes = 0;
    DWORD dwReserved = 0;
    PCMWAVEFORMAT* lpwfxFormat = nullptr;
};

constexpr DWORD DSSCL_NORMAL = 1;
constexpr DWORD DSBPLAY_LOOPING = 1;
constexpr DWORD DSBLOCK_FROMWRITECURSOR = 1;
constexpr DWORD DSBSTATUS_PLAYING = 1;
constexpr DWORD DSBSTATUS_LOOPING = 4;

// Attenuation in hundredths of a decibel and pan from full left to full right.
constexpr LONG DSBVOLUME_MIN = -10000;
constexpr LONG DSBVOLUME_MAX = 0;
constexpr LONG DSBPAN_LEFT = -10000;
constexpr LONG DSBPAN_RIGHT = 10000;
constexpr DWORD DSBFREQUENCY_ORIGINAL = 0;
constexpr DWORD DSBFREQUENCY_MIN = 100;
constexpr DWORD DSBFREQUENCY_MAX = 100000;

struct MixerVoice;

class IDirectSoundBuffer {
public:
    // play: where the mixer reads next; write: where data may safely go (ahead of play while
    // playing, equal to it while stopped).
    HRESULT GetCurrentPosition(DWORD* play, DWORD* write);
    // Up to two parts (the second when the region wraps). bytes 0 or beyond the size, or an
    // offset outside the buffer, is refused.
    HRESULT Lock(DWORD offset, DWORD bytes, void** part1, DWORD* bytes1, void** part2, DWORD* bytes2, DWORD flags);
    HRESULT Unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2);
    HRESULT Play(DWORD reserved, DWORD priority, DWORD flags);
    HRESULT Stop();
    HRESULT SetCurrentPosition(DWORD position);
    HRESULT SetVolume(LONG volume);
    HRESULT GetVolume(LONG* volume);
    HRESULT SetPan(LONG pan);
    HRESULT GetPan(LONG* pan);
    HRESULT SetFrequency(DWORD frequency);
    HRESULT GetFrequency(DWORD* frequency);
    HRESULT GetStatus(DWORD* status);
    // The last reference frees the buffer, stopping it first when it plays.
    DWORD Release();

private:
    friend class IDirectSound;
    explicit IDirectSoundBuffer(MixerVoice* voice) : voice_(voice) {}
    ~IDirectSoundBuffer();
    MixerVoice* voice_;
    DWORD refs_ = 1;
};

class IDirectSound {
public:
    HRESULT SetCooperativeLevel(HWND window, DWORD level);
    // Refuses a description of the wrong size, without a format, with a size of 0, or with a
    // format that is not 8- or 16-bit PCM of one or two channels at a rate of 100-100000 Hz
    // whose block size and byte rate agree.
    HRESULT CreateSoundBuffer(const DSBUFFERDESC* description, IDirectSoundBuffer** buffer, void* outer);
    DWORD Release();

private:
    friend HRESULT DirectSoundCreate(const void*, IDirectSound**, void*);
    IDirectSound() = default;
    ~IDirectSound() = default;
    DWORD refs_ = 1;
};

// DSERR_NODRIVER when sound has been switched off for the process (platform::SetSoundDevice).
HRESULT DirectSoundCreate(const void* deviceGuid, IDirectSound** directSound, void* outer);

namespace platform {

// Where mixed output goes: interleaved 16-bit stereo frames at MixerRate().
class AudioSink {
public:
    virtual ~AudioSink() = default;
    virtual void Consume(const std::int16_t* frames, std::size_t count) = 0;
};

// Whether DirectSoundCreate succeeds (tests switch sound off to see the program go silent).
void SetSoundDevice(bool present);
bool SoundDevicePresent();

// The output rate (default 22050 Hz); changing it restarts the mixer's time. 0 is refused.
bool SetMixerRate(DWORD samplesPerSecond);
DWORD MixerRate();
// Renders every frame due at the clock's current time. Every buffer call does this first.
void MixAudio();
// Forgets the mixer's time so that the next frame due is the one of now (a test's fresh start).
void ResetMixerTime();
// Live buffers (created and not yet released) and those of them that play.
int LiveSoundBuffers();
int PlayingSoundBuffers();

// A sink (not owned; null for none). While none is installed output is dropped.
void SetAudioSink(AudioSink* sink);

// The headless sink: keeps every frame mixed since Start, until Stop.
void StartAudioCapture();
void StopAudioCapture();
// Interleaved left/right samples captured so far.
std::vector<std::int16_t> CapturedAudio();
// Writes the captured frames as a 16-bit stereo PCM WAV file; false when it cannot be written.
bool WriteCapturedWav(const std::string& path);

// Called by the mixer, under its lock, when a buffer played through (not looping) and stopped.
// The MCI layer hangs its completion notices here.
using VoiceEndedHook = void (*)(MixerVoice* voice);
void SetVoiceEndedHook(VoiceEndedHook hook);

// The mixer's own voices for the MCI layer: a voice made from whole PCM data that plays from
// a byte offset to an end once. Null when the format is refused.
MixerVoice* CreateVoice(const PCMWAVEFORMAT& format, std::vector<std::uint8_t> data);
void PlayVoiceRange(MixerVoice* voice, DWORD from, DWORD to);
void StopVoice(MixerVoice* voice);
// Left and right gain of a voice, 0-65535 each (the auxiliary device volume of a CD track).
void SetVoiceGain(MixerVoice* voice, WORD left, WORD right);
void DestroyVoice(MixerVoice* voice);
// The mixer's lock, for layers that keep state the mixer's hook reads (taken before any other).
std::recursive_mutex& AudioLock();

} // namespace platform
