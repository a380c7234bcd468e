#include "sound/directx2_wave.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

namespace {

// The sound object and its use count; changed by the GUI thread (construction, destruction) and
// read by the sound thread, so they are kept under a lock of their own.
std::mutex& SoundObjectLock() {
    static std::mutex m;
    return m;
}
IDirectSound* directSound = nullptr;
std::uint16_t soundAvailable = 0;
std::uint32_t liveCount = 0;
HWND cooperativeWindow = nullptr;

void SetUpLocked() {
    IDirectSound* ds = nullptr;
    if (FAILED(DirectSoundCreate(nullptr, &ds, nullptr))) return;
    if (FAILED(ds->SetCooperativeLevel(cooperativeWindow, DSSCL_NORMAL))) {
        ds->Release();
        return;
    }
    directSound = ds;
    soundAvailable = 1;
}

void ReleaseLocked() {
    if (!directSound) return;
    directSound->Release();
    directSound = nullptr;
    soundAvailable = 0;
}

} // namespace

void DirectX2Wave::SetUpDirectSound() {
    std::lock_guard<std::mutex> g(SoundObjectLock());
    if (!soundAvailable) SetUpLocked();
}

void DirectX2Wave::ReleaseDirectSound() {
    std::lock_guard<std::mutex> g(SoundObjectLock());
    ReleaseLocked();
}

bool DirectX2Wave::SoundAvailable() {
    std::lock_guard<std::mutex> g(SoundObjectLock());
    return soundAvailable != 0;
}

std::uint32_t DirectX2Wave::LiveCount() {
    std::lock_guard<std::mutex> g(SoundObjectLock());
    return liveCount;
}

void DirectX2Wave::SetMainWindow(HWND window) { cooperativeWindow = window; }
HWND DirectX2Wave::MainWindow() { return cooperativeWindow; }

DirectX2Wave::DirectX2Wave() {
    std::lock_guard<std::mutex> g(SoundObjectLock());
    if (!soundAvailable) SetUpLocked();
    ++liveCount;
}

DirectX2Wave::~DirectX2Wave() {
    // A buffer is stopped before it goes, so the mixer never reads a freed buffer.
    ReleaseBuffer();
    std::lock_guard<std::mutex> g(SoundObjectLock());
    if (liveCount > 0 && --liveCount == 0) ReleaseLocked();
}

void DirectX2Wave::ReleaseBuffer() {
    if (!buffer) return;
    if (playing) buffer->Stop();
    buffer->Release();
    buffer = nullptr;
    playing = 0;
}

void DirectX2Wave::SetFormat(const PCMWAVEFORMAT& format, std::uint32_t length, std::uint16_t loop_) {
    if (waveFormat.nChannels != 0) ReleaseBuffer();
    waveFormat = format;
    waveLength = length;
    loop = loop_;
    CreateBuffer();
}

void DirectX2Wave::SetLargeBuffer() {
    largeBuffer = 1;
    bufferBytes = kLargeStreamBytes;
}

void DirectX2Wave::CreateBuffer() {
    IDirectSound* ds;
    {
        std::lock_guard<std::mutex> g(SoundObjectLock());
        if (!soundAvailable || !directSound) return;
        ds = directSound;
    }
    if (waveFormat.nChannels == 0) return;
    description = DSBUFFERDESC{};
    description.dwSize = kDescriptionSize;
    description.dwFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY;
    if (waveLength < bufferBytes) bufferBytes = waveLength;
    loopingPlay = 0;
    if (loop || bufferBytes < waveLength) {
        loopingPlay = 1;
        bufferBytes = StreamingSize();
    }
    description.dwBufferBytes = bufferBytes;
    writeOffset = 0;
    description.lpwfxFormat = &waveFormat;
    if (FAILED(ds->CreateSoundBuffer(&description, &buffer, nullptr))) buffer = nullptr;
}

void DirectX2Wave::Play() {
    if (!buffer) return;
    buffer->Play(0, 0, loopingPlay ? DSBPLAY_LOOPING : 0);
    playing = 1;
}

void DirectX2Wave::Stop() {
    if (!buffer) return;
    buffer->Stop();
    playing = 0;
}

void DirectX2Wave::Pause() {
    if (buffer) buffer->Stop();
}

void DirectX2Wave::Resume() {
    if (buffer && playing) Play();
}

void DirectX2Wave::Rewind() {
    if (buffer) buffer->SetCurrentPosition(0);
}

void DirectX2Wave::Silence() { SetVolume(DSBVOLUME_MIN); }
void DirectX2Wave::FullVolume() { SetVolume(DSBVOLUME_MAX); }

void DirectX2Wave::SetVolume(std::int16_t attenuation) {
    if (buffer) buffer->SetVolume(attenuation);
}

std::uint32_t DirectX2Wave::PlayPosition() {
    if (!buffer) return 0;
    DWORD play = 0;
    DWORD write = 0;
    buffer->GetCurrentPosition(&play, &write);
    return play;
}

std::uint32_t DirectX2Wave::BytesFree() {
    if (!buffer) return 0;
    DWORD play = 0;
    DWORD write = 0;
    buffer->GetCurrentPosition(&play, &write);
    if (play == 0 && write == 0) return bufferBytes;
    if (play >= writeOffset) return play - writeOffset;
    return bufferBytes - writeOffset + play;
}

// The write offset follows what was written: when the first piece does not fill the buffer,
// the next piece goes right after it rather than over data that has not played yet.
void DirectX2Wave::FillFromStart(const void* data, std::uint32_t n) {
    if (!buffer || !data || n == 0) return;
    DWORD play = 0;
    DWORD cursor = 0;
    buffer->GetCurrentPosition(&play, &cursor);
    void* part1 = nullptr;
    DWORD bytes1 = 0;
    void* part2 = nullptr;
    DWORD bytes2 = 0;
    if (FAILED(buffer->Lock(cursor, bufferBytes, &part1, &bytes1, &part2, &bytes2, 0))) return;
    const DWORD copied = std::min<DWORD>(n, bytes1);
    std::memcpy(part1, data, copied);
    buffer->Unlock(part1, copied, nullptr, 0);
    writeOffset = (cursor + copied) % bufferBytes;
}

void DirectX2Wave::Write(const void* data, std::uint32_t n) {
    if (!buffer || n == 0) return;
    n = std::min(n, BytesFree());
    if (n == 0) return;
    void* part1 = nullptr;
    DWORD bytes1 = 0;
    void* part2 = nullptr;
    DWORD bytes2 = 0;
    // A failed lock copies nothing and leaves the write offset where it was.
    if (FAILED(buffer->Lock(writeOffset, n, &part1, &bytes1, &part2, &bytes2, 0))) return;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const DWORD first = std::min<DWORD>(n, bytes1);
    if (bytes) {
        std::memcpy(part1, bytes, first);
        if (part2 && n > first) std::memcpy(part2, bytes + first, std::min<DWORD>(n - first, bytes2));
    } else {
        std::memset(part1, SilenceByte(), first);
        if (part2 && n > first) std::memset(part2, SilenceByte(), std::min<DWORD>(n - first, bytes2));
    }
    buffer->Unlock(part1, bytes1, part2, bytes2);
    writeOffset += n;
    if (writeOffset >= StreamingSize()) writeOffset -= StreamingSize();
    if (writeOffset >= bufferBytes) writeOffset %= bufferBytes;
}

void DirectX2Wave::Poll() {
    if (!buffer) return;
    if (largeBuffer) {
        if (++pollDivider < 2) return;
        pollDivider = 0;
    }
    if (bufferBytes == StreamingSize()) {
        Refill();
    } else if (!loopingPlay && PlayPosition() == 0) {
        // The cursor is also at 0 the moment a play begins; only a buffer the mixer has stopped
        // has played through.
        DWORD status = 0;
        buffer->GetStatus(&status);
        if (!(status & DSBSTATUS_PLAYING)) Stop();
    }
}
