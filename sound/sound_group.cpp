#include "sound/sound_group.h"

#include "platform/clock.h"
#include "sound/sound_random.h"

SoundGroup::SoundGroup(std::uint16_t number) : groupNumber(number) {}

void SoundGroup::AddWave(const std::string& path) {
    // The array grows in steps of ten; copies of open waves reopen their files.
    if (waves.size() == waves.capacity()) waves.reserve(waves.size() + 10);
    waves.emplace_back();
    waves.back().Open(path, 0);
    if (waveCount == 0) SetFormat(waves.back().Format(), waves.back().DataLength(), groupLoop);
    ++waveCount;
}

std::int16_t SoundGroup::HasWave(const std::string& name) const {
    for (const WaveFile& w : waves)
        if (w.Name() == name) return 1;
    return 0;
}

void SoundGroup::SetDelay(std::uint16_t on, std::uint16_t minimum, std::uint16_t maximum) {
    delay = on;
    delayMinimum = minimum;
    delayMaximum = maximum;
    delayStart = 0;
    currentDelay = 0;
}

std::uint16_t SoundGroup::NextWave() const {
    if (random) return waveCount == 0 ? 0 : static_cast<std::uint16_t>(SoundRand() % waveCount);
    return static_cast<std::uint16_t>(currentWave + 1 >= waveCount ? 0 : currentWave + 1);
}

void SoundGroup::Start() {
    const std::uint32_t free = BytesFree();
    if (random) currentWave = waveCount == 0 ? 0 : static_cast<std::uint16_t>(SoundRand() % waveCount);
    if (currentWave < waves.size()) {
        WaveFile& wave = waves[currentWave];
        wave.Rewind();
        std::uint32_t got = 0;
        std::uint16_t atEnd = 0;
        void* piece = wave.ReadPiece(free, got, atEnd);
        FillFromStart(piece, got);
    }
    Play();
    ending = wrapped = 0;
    endPlayPosition = endWriteOffset = lastPlayPosition = 0;
    delayStart = 0;
    currentDelay = 0;
}

void SoundGroup::Refill() {
    if (waves.empty()) return;
    if (ending) {
        const std::uint32_t p = PlayPosition();
        const auto P = static_cast<std::int32_t>(p);
        const auto W = static_cast<std::int32_t>(endWriteOffset);
        const auto E = static_cast<std::int32_t>(endPlayPosition);
        // The last data lie between the play position when the wave ended (E) and the write
        // offset then (W); the drain is over once the play cursor has left that stretch.
        const bool over = W > E ? (P < E || P >= W) : ((W <= P && P < E) || (P >= W && wrapped));
        if (!over) {
            Write(nullptr, BytesFree());
            if (W <= E && p < lastPlayPosition) wrapped = 1;
            lastPlayPosition = p;
            return;
        }
        ending = wrapped = 0;
        lastPlayPosition = endWriteOffset = endPlayPosition = 0;
        waves[currentWave].Rewind();
        if (!delay) {
            DirectX2Wave::Stop();
            return;
        }
        Pause();
        delayStart = GetTickCount();
        // A maximum below the minimum counts as the minimum.
        const int span = delayMaximum > delayMinimum ? delayMaximum - delayMinimum : 0;
        currentDelay = static_cast<std::int16_t>(delayMinimum + (span == 0 ? 0 : SoundRand() % span));
    }
    if (delay && currentDelay > 0) {
        if (GetTickCount() - delayStart < static_cast<std::uint32_t>(currentDelay)) return;
        delayStart = 0;
        currentDelay = 0;
        Resume();
    }
    // A looped group goes on to its next wave within the same pass, so that a wave shorter than
    // what the buffer has room for is followed at once, not after a stretch of old data.
    for (int turn = 0; turn <= waveCount; ++turn) {
        std::uint32_t got = 0;
        std::uint16_t atEnd = 0;
        void* piece = waves[currentWave].ReadPiece(BytesFree(), got, atEnd);
        if (got > 0) Write(piece, got);
        if (!atEnd) return;
        if (!groupLoop || delay) {
            Write(nullptr, BytesFree());
            ending = 1;
            endPlayPosition = PlayPosition();
            endWriteOffset = writeOffset;
            if (!groupLoop) return;
        }
        waves[currentWave].Rewind();
        currentWave = NextWave();
        waves[currentWave].Rewind();
        if (delay) return;
    }
}
