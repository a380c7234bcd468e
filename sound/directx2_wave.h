#pragma once
// DirectX2Wave: one sound buffer of the platform, and the primitives a sound group streams waves
// of any length through it with. The sound object is shared by the whole program: the first
// DirectX2Wave made while sound is unavailable creates it, the last one destroyed releases it.
// Without sound every operation does nothing.
//
// Buffer sizes: a wave that fits and is not looped gets a buffer of exactly its length, played
// once; anything else gets a circular streaming buffer of kStreamBytes (kLargeStreamBytes in
// large-buffer mode) that plays round and round while the group refills it.
//
// Invariant: write offset < buffer bytes whenever there is a buffer.
#include "platform/audio.h"

#include <cstdint>

class DirectX2Wave {
public:
    static constexpr std::uint32_t kStreamBytes = 61440;
    static constexpr std::uint32_t kLargeStreamBytes = 614400;
    static constexpr std::uint32_t kDescriptionSize = 20;

    DirectX2Wave();
    DirectX2Wave(const DirectX2Wave&) = delete;
    DirectX2Wave& operator=(const DirectX2Wave&) = delete;
    virtual ~DirectX2Wave();
    // Keeps a streaming buffer fed; called by Poll.
    virtual void Refill() = 0;

    void SetFormat(const PCMWAVEFORMAT& format, std::uint32_t waveLength, std::uint16_t loop);
    void SetLargeBuffer();
    void Play();
    void Stop();
    void Pause();
    void Resume();
    void Rewind();
    void Silence();
    void FullVolume();
    void SetVolume(std::int16_t attenuation);
    std::uint32_t PlayPosition();
    std::uint32_t BytesFree();
    void FillFromStart(const void* data, std::uint32_t n);
    // At most the free space, at the write offset, going round; null data writes silence.
    void Write(const void* data, std::uint32_t n);
    void Poll();

    bool HasBuffer() const { return buffer != nullptr; }
    bool IsPlaying() const { return playing != 0; }
    bool IsLoopingPlay() const { return loopingPlay != 0; }
    std::uint32_t BufferBytes() const { return bufferBytes; }
    std::uint32_t WriteOffset() const { return writeOffset; }
    const PCMWAVEFORMAT& Format() const { return waveFormat; }
    IDirectSoundBuffer* Buffer() const { return buffer; }
    // The caller's loop request (the group's "Loop" message changes it after the buffer is made).
    void SetLoopFlag(std::uint16_t value) { loop = value; }

    // The program-wide sound object.
    static void SetUpDirectSound();
    static void ReleaseDirectSound();
    static bool SoundAvailable();
    static std::uint32_t LiveCount();
    // The program's main window: the sound object cooperates with it and MCI notices go to it.
    static void SetMainWindow(HWND window);
    static HWND MainWindow();

protected:
    std::uint32_t StreamingSize() const { return largeBuffer ? kLargeStreamBytes : kStreamBytes; }
    // The byte that sounds like nothing in the buffer's format.
    std::uint8_t SilenceByte() const { return waveFormat.wBitsPerSample == 8 ? 0x80 : 0; }
    void CreateBuffer();
    void ReleaseBuffer();

    DSBUFFERDESC description;
    IDirectSoundBuffer* buffer = nullptr;
    PCMWAVEFORMAT waveFormat;
    std::uint32_t bufferBytes = kStreamBytes;
    std::uint32_t waveLength = 0;
    std::uint32_t writeOffset = 0;
    std::uint16_t loopingPlay = 0;
    std::uint16_t loop = 0;
    std::uint16_t playing = 0;
    std::uint16_t largeBuffer = 0;
    std::uint16_t pollDivider = 0;
};
