#include "platform/audio.h"

#include "platform/clock.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <mutex>

// One sound being mixed: a buffer of the program or a track the MCI layer plays.
struct MixerVoice {
    PCMWAVEFORMAT format;
    std::vector<std::uint8_t> data;
    // What Lock hands out; Unlock copies it into data under the mixer's lock, so the program never
    // writes memory the mixer is reading.
    std::vector<std::uint8_t> staging;
    DWORD frames = 0;     // whole frames in data
    DWORD frame = 0;      // the next frame to play
    DWORD endFrame = 0;   // play stops (or loops) here
    DWORD acc = 0;        // resampling remainder, in output-rate units
    bool playing = false;
    bool looping = false;
    bool program = false; // a buffer of the program, not an MCI track
    LONG volume = 0;
    LONG pan = 0;
    DWORD frequency = 0;  // 0: the format's own rate
    double leftGain = 1.0;
    double rightGain = 1.0;
    double auxLeft = 1.0;  // the auxiliary device volume, tracks only
    double auxRight = 1.0;
};

namespace {

std::recursive_mutex& MixerLock() { return platform::AudioLock(); }

constexpr DWORD kMaxCatchUpMs = 10000;

struct Mixer {
    bool devicePresent = true;
    DWORD rate = 22050;
    bool started = false;
    DWORD lastTick = 0;
    std::uint64_t elapsedMs = 0;
    std::uint64_t framesRendered = 0;
    std::vector<MixerVoice*> voices;
    platform::AudioSink* sink = nullptr;
    platform::VoiceEndedHook endedHook = nullptr;
    std::vector<std::int16_t> mixBlock;
};

Mixer& State() {
    static Mixer m;
    return m;
}

class CaptureSink final : public platform::AudioSink {
public:
    void Consume(const std::int16_t* frames, std::size_t count) override {
        samples.insert(samples.end(), frames, frames + count * 2);
    }
    std::vector<std::int16_t> samples;
};

CaptureSink& Capture() {
    static CaptureSink c;
    return c;
}

double Decibels(LONG hundredths) { return std::pow(10.0, static_cast<double>(hundredths) / 2000.0); }

void UpdateGains(MixerVoice& v) {
    const double gain = v.volume <= DSBVOLUME_MIN ? 0.0 : Decibels(v.volume);
    v.leftGain = v.auxLeft * gain * (v.pan > 0 ? (v.pan >= DSBPAN_RIGHT ? 0.0 : Decibels(-v.pan)) : 1.0);
    v.rightGain = v.auxRight * gain * (v.pan < 0 ? (v.pan <= DSBPAN_LEFT ? 0.0 : Decibels(v.pan)) : 1.0);
}

bool FormatUsable(const PCMWAVEFORMAT& f) {
    if (f.wFormatTag != WAVE_FORMAT_PCM) return false;
    if (f.nChannels != 1 && f.nChannels != 2) return false;
    if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return false;
    if (f.nSamplesPerSec < DSBFREQUENCY_MIN || f.nSamplesPerSec > DSBFREQUENCY_MAX) return false;
    if (f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8) return false;
    return f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign;
}

int SampleAt(const MixerVoice& v, DWORD frame, int channel) {
    const std::size_t at = static_cast<std::size_t>(frame) * v.format.nBlockAlign +
                           (v.format.nChannels == 2 ? channel : 0) * (v.format.wBitsPerSample / 8);
    if (v.format.wBitsPerSample == 8) return (static_cast<int>(v.data[at]) - 128) * 256;
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(v.data[at] | (v.data[at + 1] << 8)));
}

// Moves a voice on by one output frame; false when it stopped at its end.
void Advance(Mixer& m, MixerVoice& v) {
    const DWORD rate = v.frequency ? v.frequency : v.format.nSamplesPerSec;
    v.acc += rate;
    while (v.acc >= m.rate) {
        v.acc -= m.rate;
        if (++v.frame < v.endFrame) continue;
        if (v.looping) {
            v.frame = 0;
            continue;
        }
        v.playing = false;
        v.frame = 0;
        v.acc = 0;
        if (m.endedHook) m.endedHook(&v);
        return;
    }
}

void Render(Mixer& m, std::uint64_t count) {
    constexpr std::size_t kBlock = 1024;
    m.mixBlock.resize(kBlock * 2);
    while (count > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, kBlock));
        for (std::size_t i = 0; i < n; ++i) {
            double left = 0.0;
            double right = 0.0;
            for (std::size_t k = 0; k < m.voices.size(); ++k) {
                MixerVoice& v = *m.voices[k];
                if (!v.playing || v.frames == 0) continue;
                left += SampleAt(v, v.frame, 0) * v.leftGain;
                right += SampleAt(v, v.frame, 1) * v.rightGain;
                Advance(m, v);
            }
            m.mixBlock[2 * i] = static_cast<std::int16_t>(std::clamp(std::lround(left), -32768L, 32767L));
            m.mixBlock[2 * i + 1] = static_cast<std::int16_t>(std::clamp(std::lround(right), -32768L, 32767L));
        }
        if (m.sink) m.sink->Consume(m.mixBlock.data(), n);
        count -= n;
    }
}

void MixLocked() {
    Mixer& m = State();
    const DWORD now = GetTickCount();
    if (!m.started) {
        m.started = true;
        m.lastTick = now;
    }
    const DWORD step = static_cast<DWORD>(now - m.lastTick);
    m.elapsedMs += step;
    m.lastTick = now;
    const std::uint64_t due = m.elapsedMs * m.rate / 1000;
    // A jump longer than kMaxCatchUpMs is a clock that was switched or stalled, not time that
    // passed: it is not played out (that could mean hours of samples), the mixer goes on from now.
    if (due > m.framesRendered && step <= kMaxCatchUpMs) Render(m, due - m.framesRendered);
    m.framesRendered = due;
}

DWORD BlockAlign(const MixerVoice& v) { return v.format.nBlockAlign ? v.format.nBlockAlign : 1; }

} // namespace

// --- buffers ---

IDirectSoundBuffer::~IDirectSoundBuffer() = default;

HRESULT IDirectSoundBuffer::GetCurrentPosition(DWORD* play, DWORD* write) {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
    const MixerVoice& v = *voice_;
    const DWORD size = static_cast<DWORD>(v.data.size());
    const DWORD p = v.frame * BlockAlign(v);
    DWORD w = p;
    if (v.playing) {
        // The part right after the play cursor is on its way out already: about 15 ms.
        const DWORD lead = (v.format.nSamplesPerSec * 15 / 1000 + 1) * BlockAlign(v);
        w = (p + std::min(lead, size - BlockAlign(v))) % size;
    }
    if (play) *play = p;
    if (write) *write = w;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Lock(DWORD offset, DWORD bytes, void** part1, DWORD* bytes1, void** part2, DWORD* bytes2,
                                 DWORD flags) {
    if (!part1 || !bytes1) return DSERR_INVALIDPARAM;
    *part1 = nullptr;
    *bytes1 = 0;
    if (part2) *part2 = nullptr;
    if (bytes2) *bytes2 = 0;
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    if (flags & DSBLOCK_FROMWRITECURSOR) GetCurrentPosition(nullptr, &offset);
    MixerVoice& v = *voice_;
    const DWORD size = static_cast<DWORD>(v.data.size());
    if (bytes == 0 || bytes > size || offset >= size) return DSERR_INVALIDPARAM;
    const DWORD first = std::min(bytes, size - offset);
    if (first < bytes && (!part2 || !bytes2)) return DSERR_INVALIDPARAM;
    std::memcpy(v.staging.data(), v.data.data(), size);
    *part1 = v.staging.data() + offset;
    *bytes1 = first;
    if (first < bytes) {
        *part2 = v.staging.data();
        *bytes2 = bytes - first;
    }
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2) {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
    MixerVoice& v = *voice_;
    auto* base = v.staging.data();
    const std::size_t size = v.staging.size();
    for (auto [p, n] : {std::pair{static_cast<std::uint8_t*>(part1), bytes1}, std::pair{static_cast<std::uint8_t*>(part2), bytes2}}) {
        if (!p || n == 0) continue;
        if (p < base || p >= base + size || n > size - static_cast<std::size_t>(p - base)) return DSERR_INVALIDPARAM;
        std::memcpy(v.data.data() + (p - base), p, n);
    }
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Play(DWORD, DWORD, DWORD flags) {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
    voice_->looping = (flags & DSBPLAY_LOOPING) != 0;
    voice_->playing = voice_->frames > 0;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Stop() {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
    voice_->playing = false;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetCurrentPosition(DWORD position) {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
    if (position >= voice_->data.size()) return DSERR_INVALIDPARAM;
    voice_->frame = position / BlockAlign(*voice_);
    voice_->acc = 0;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetVolume(LONG volume) {
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
    voice_->volume = volume;
    UpdateGains(*voice_);
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetVolume(LONG* volume) {
    if (!volume) return DSERR_INVALIDPARAM;
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    *volume = voice_->volume;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetPan(LONG pan) {
    if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
    voice_->pan = pan;
    UpdateGains(*voice_);
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetPan(LONG* pan) {
    if (!pan) return DSERR_INVALIDPARAM;
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    *pan = voice_->pan;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetFrequency(DWORD frequency) {
    if (frequency != DSBFREQUENCY_ORIGINAL && (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
        return DSERR_INVALIDPARAM;
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
    voice_->frequency = frequency;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetFrequency(DWORD* frequency) {
    if (!frequency) return DSERR_INVALIDPARAM;
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    *frequency = voice_->frequency ? voice_->frequency : voice_->format.nSamplesPerSec;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetStatus(DWORD* status) {
    if (!status) return DSERR_INVALIDPARAM;
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
    *status = (voice_->playing ? DSBSTATUS_PLAYING : 0) | (voice_->playing && voice_->looping ? DSBSTATUS_LOOPING : 0);
    return DS_OK;
}

DWORD IDirectSoundBuffer::Release() {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    if (--refs_ > 0) return refs_;
    MixLocked();
    platform::DestroyVoice(voice_);
    delete this;
    return 0;
}

// --- the sound object ---

// The description record's size as the program fills it in: five 32-bit fields.
constexpr DWORD kDescriptionSize = 20;

HRESULT IDirectSound::SetCooperativeLevel(HWND, DWORD level) { return level == DSSCL_NORMAL ? DS_OK : DSERR_INVALIDPARAM; }

HRESULT IDirectSound::CreateSoundBuffer(const DSBUFFERDESC* d, IDirectSoundBuffer** buffer, void* outer) {
    if (!buffer) return DSERR_INVALIDPARAM;
    *buffer = nullptr;
    if (outer || !d || d->dwSize != kDescriptionSize || !d->lpwfxFormat) return DSERR_INVALIDPARAM;
    const PCMWAVEFORMAT& f = *d->lpwfxFormat;
    if (!FormatUsable(f) || d->dwBufferBytes < f.nBlockAlign || d->dwBufferBytes > 16u * 1024 * 1024)
        return DSERR_INVALIDPARAM;
    // A size that is not whole frames loses its tail: the cursors move in frames.
    const DWORD bytes = d->dwBufferBytes;
    std::vector<std::uint8_t> silence(bytes, f.wBitsPerSample == 8 ? 0x80 : 0);
    MixerVoice* v = platform::CreateVoice(f, std::move(silence));
    if (!v) return DSERR_OUTOFMEMORY;
    v->program = true;
    *buffer = new IDirectSoundBuffer(v);
    return DS_OK;
}

DWORD IDirectSound::Release() {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    if (--refs_ > 0) return refs_;
    delete this;
    return 0;
}

HRESULT DirectSoundCreate(const void*, IDirectSound** directSound, void* outer) {
    if (!directSound) return DSERR_INVALIDPARAM;
    *directSound = nullptr;
    if (outer) return DSERR_INVALIDPARAM;
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    if (!State().devicePresent) return DSERR_NODRIVER;
    *directSound = new IDirectSound;
    return DS_OK;
}

namespace platform {

void SetSoundDevice(bool present) {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    State().devicePresent = present;
}

bool SoundDevicePresent() {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    return State().devicePresent;
}

bool SetMixerRate(DWORD samplesPerSecond) {
    if (samplesPerSecond < DSBFREQUENCY_MIN || samplesPerSecond > DSBFREQUENCY_MAX) return false;
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    State().rate = samplesPerSecond;
    ResetMixerTime();
    return true;
}

DWORD MixerRate() {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    return State().rate;
}

void MixAudio() {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
}

void ResetMixerTime() {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    Mixer& m = State();
    m.started = false;
    m.elapsedMs = 0;
    m.framesRendered = 0;
}

int LiveSoundBuffers() {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    return static_cast<int>(std::count_if(State().voices.begin(), State().voices.end(),
                                          [](const MixerVoice* v) { return v->program; }));
}

int PlayingSoundBuffers() {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
    return static_cast<int>(std::count_if(State().voices.begin(), State().voices.end(),
                                          [](const MixerVoice* v) { return v->program && v->playing; }));
}

void SetAudioSink(AudioSink* sink) {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
    State().sink = sink;
}

void StartAudioCapture() {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
    Capture().samples.clear();
    State().sink = &Capture();
}

void StopAudioCapture() {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
    if (State().sink == &Capture()) State().sink = nullptr;
}

std::vector<std::int16_t> CapturedAudio() {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
    return Capture().samples;
}

bool WriteCapturedWav(const std::string& path) {
    const std::vector<std::int16_t> samples = CapturedAudio();
    const DWORD rate = MixerRate();
    const DWORD dataBytes = static_cast<DWORD>(samples.size() * 2);
    std::vector<std::uint8_t> out;
    out.reserve(44 + static_cast<std::size_t>(dataBytes));
    auto put16 = [&](std::uint32_t v) {
        out.push_back(static_cast<std::uint8_t>(v));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    auto put32 = [&](std::uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    auto tag = [&](const char* t) { out.insert(out.end(), t, t + 4); };
    tag("RIFF");
    put32(36 + dataBytes);
    tag("WAVE");
    tag("fmt ");
    put32(16);
    put16(WAVE_FORMAT_PCM);
    put16(2);
    put32(rate);
    put32(rate * 4);
    put16(4);
    put16(16);
    tag("data");
    put32(dataBytes);
    for (std::int16_t s : samples) put16(static_cast<std::uint16_t>(s));
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) return false;
    f.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(f);
}

void SetVoiceEndedHook(VoiceEndedHook hook) {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    State().endedHook = hook;
}

MixerVoice* CreateVoice(const PCMWAVEFORMAT& format, std::vector<std::uint8_t> data) {
    if (!FormatUsable(format)) return nullptr;
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
    auto* v = new MixerVoice;
    v->format = format;
    v->frames = static_cast<DWORD>(data.size() / format.nBlockAlign);
    v->endFrame = v->frames;
    v->staging.assign(data.size(), 0);
    v->data = std::move(data);
    UpdateGains(*v);
    State().voices.push_back(v);
    return v;
}

void PlayVoiceRange(MixerVoice* voice, DWORD from, DWORD to) {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
    voice->endFrame = std::min(to / BlockAlign(*voice), voice->frames);
    voice->frame = std::min(from / BlockAlign(*voice), voice->endFrame);
    voice->acc = 0;
    voice->looping = false;
    voice->playing = voice->frame < voice->endFrame;
}

void StopVoice(MixerVoice* voice) {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
    voice->playing = false;
}

std::recursive_mutex& AudioLock() {
    static std::recursive_mutex m;
    return m;
}

void SetVoiceGain(MixerVoice* voice, WORD left, WORD right) {
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    MixLocked();
    voice->auxLeft = left / 65535.0;
    voice->auxRight = right / 65535.0;
    UpdateGains(*voice);
}

void DestroyVoice(MixerVoice* voice) {
    if (!voice) return;
    std::lock_guard<std::recursive_mutex> g(MixerLock());
    auto& vs = State().voices;
    vs.erase(std::remove(vs.begin(), vs.end(), voice), vs.end());
    delete voice;
}

} // namespace platform
