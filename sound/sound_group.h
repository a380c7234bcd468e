#pragma once
// SoundGroup: one playing channel. Its buffer is made for the format of its first wave and is
// fed from its list of waves, in order or at random, once or looping, with an optional random
// pause between waves. Later waves are copied in as they are, in the first wave's format.
#include "sound/directx2_wave.h"
#include "sound/wave_file.h"

#include <cstdint>
#include <string>
#include <vector>

class SoundGroup : public DirectX2Wave {
public:
    explicit SoundGroup(std::uint16_t number);

    void AddWave(const std::string& path);
    void Start();
    void Stop() { DirectX2Wave::Stop(); }
    std::int16_t HasWave(const std::string& name) const;
    void Refill() override;

    std::uint16_t Number() const { return groupNumber; }
    std::uint16_t WaveCount() const { return waveCount; }
    std::uint16_t CurrentWave() const { return currentWave; }
    const WaveFile& Wave(std::uint16_t index) const { return waves[index]; }
    std::uint16_t VolumeClass() const { return volumeClass; }
    void SetVolumeClass(std::uint16_t value) { volumeClass = value; }
    std::uint16_t Loop() const { return groupLoop; }
    void SetLoop(std::uint16_t value) { groupLoop = value; }
    void SetRandom(std::uint16_t value) { random = value; }
    std::uint16_t Random() const { return random; }
    void SetDelay(std::uint16_t on, std::uint16_t minimum, std::uint16_t maximum);
    std::int16_t CurrentDelay() const { return currentDelay; }
    bool IsEnding() const { return ending != 0; }

private:
    // The next wave's index by the group's order.
    std::uint16_t NextWave() const;

    std::uint16_t groupNumber;
    std::vector<WaveFile> waves;
    std::uint16_t waveCount = 0;
    std::uint16_t random = 0;
    std::uint16_t currentWave = 0;
    std::uint16_t groupLoop = 0;
    std::uint16_t delay = 0;
    std::uint16_t delayMinimum = 0;
    std::uint16_t delayMaximum = 0;
    std::uint32_t delayStart = 0;
    std::int16_t currentDelay = 0;
    std::uint16_t ending = 0;
    std::uint32_t endPlayPosition = 0;
    std::uint32_t endWriteOffset = 0;
    std::uint32_t lastPlayPosition = 0;
    std::uint16_t wrapped = 0;
    std::uint16_t volumeClass = 0;
};
