#include "tools/datagen/sound_synth.h"

#include "tools/datagen/byte_writer.h"
#include "tools/datagen/wave_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace datagen {
namespace {

constexpr double kPi = 3.14159265358979323846;

class Noise {
public:
    explicit Noise(std::uint32_t seed) : state(seed * 2654435761u + 1) {}
    // -1 .. 1
    double Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }

private:
    std::uint32_t state;
};

std::int16_t Clip(double v) { return static_cast<std::int16_t>(std::clamp(v, -1.0, 1.0) * 32000.0); }

Samples Finish(const std::vector<double>& v) {
    Samples out(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) out[i] = Clip(v[i]);
    return out;
}

std::size_t Count(std::uint32_t rate, double seconds) { return static_cast<std::size_t>(rate * seconds); }

// A crack of filtered noise from `start`, decaying with time constant `decay` seconds.
void Burst(std::vector<double>& v, std::uint32_t rate, std::size_t start, double decay, double level, double lowpass,
           Noise& noise) {
    double low = 0.0;
    const std::size_t n = std::min(v.size() - std::min(start, v.size()), Count(rate, decay * 6));
    for (std::size_t i = 0; i < n; ++i) {
        low += (noise.Next() - low) * lowpass;
        v[start + i] += low * level * std::exp(-static_cast<double>(i) / (rate * decay));
    }
}

double Frequency(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

} // namespace

Samples MusketVolley(std::uint32_t rate, double seconds, std::uint32_t seed) {
    std::vector<double> v(Count(rate, seconds));
    Noise noise(seed);
    // A ragged volley: a score of shots within the first third of a second.
    for (int shot = 0; shot < 20; ++shot) {
        const auto at = static_cast<std::size_t>((noise.Next() + 1.0) * 0.17 * rate);
        Burst(v, rate, at, 0.04 + 0.02 * (noise.Next() + 1.0), 0.35, 0.6, noise);
    }
    return Finish(v);
}

Samples Cannon(std::uint32_t rate, double seconds, std::uint32_t seed) {
    std::vector<double> v(Count(rate, seconds));
    Noise noise(seed);
    Burst(v, rate, 0, 0.25, 0.9, 0.08, noise);
    for (std::size_t i = 0; i < v.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        v[i] += 0.6 * std::sin(2 * kPi * 48.0 * t) * std::exp(-t / 0.35);
    }
    return Finish(v);
}

Samples DrumRoll(std::uint32_t rate, double seconds, double beatsPerSecond, std::uint32_t seed) {
    std::vector<double> v(Count(rate, seconds));
    Noise noise(seed);
    const auto step = static_cast<std::size_t>(rate / beatsPerSecond);
    for (std::size_t at = 0; at < v.size(); at += step) {
        Burst(v, rate, at, 0.03, 0.6, 0.5, noise);
        for (std::size_t i = 0; i < Count(rate, 0.08) && at + i < v.size(); ++i)
            v[at + i] += 0.3 * std::sin(2 * kPi * 180.0 * i / rate) * std::exp(-static_cast<double>(i) / (rate * 0.03));
    }
    return Finish(v);
}

Samples Bugle(std::uint32_t rate, const std::vector<int>& notes, double noteSeconds) {
    const std::size_t per = Count(rate, noteSeconds);
    std::vector<double> v(per * notes.size());
    for (std::size_t k = 0; k < notes.size(); ++k) {
        if (notes[k] == 0) continue;
        const double f = Frequency(notes[k]);
        for (std::size_t i = 0; i < per; ++i) {
            const double t = static_cast<double>(i) / rate;
            const double envelope = std::min(1.0, t / 0.02) * std::min(1.0, (noteSeconds - t) / 0.05);
            double s = 0.0;
            for (int h = 1; h <= 5; ++h) s += std::sin(2 * kPi * f * h * t) / (h * h);
            v[k * per + i] = 0.45 * envelope * s;
        }
    }
    return Finish(v);
}

Samples Ambient(std::uint32_t rate, double seconds, double brightness, double swellsPerSecond, std::uint32_t seed) {
    std::vector<double> v(Count(rate, seconds));
    Noise noise(seed);
    double low = 0.0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        low += (noise.Next() - low) * brightness;
        // Whole swells over the length, so that the loop joins without a seam in loudness.
        const double swell = 0.6 + 0.4 * std::sin(2 * kPi * std::round(swellsPerSecond * seconds) / seconds * t);
        v[i] = low * swell * 0.8;
    }
    return Finish(v);
}

Samples Footfalls(std::uint32_t rate, double seconds, double stepsPerSecond, double brightness, std::uint32_t seed) {
    std::vector<double> v(Count(rate, seconds));
    Noise noise(seed);
    const auto step = static_cast<std::size_t>(rate / stepsPerSecond);
    for (std::size_t at = 0; at + 1 < v.size(); at += step)
        Burst(v, rate, at + static_cast<std::size_t>((noise.Next() + 1.0) * 0.01 * rate), 0.025, 0.5, brightness, noise);
    return Finish(v);
}

Samples Tune(std::uint32_t rate, const std::vector<int>& melody, double noteSeconds, int drone, std::uint32_t seed) {
    const Samples lead = Bugle(rate, melody, noteSeconds);
    const Samples drum = DrumRoll(rate, noteSeconds * melody.size(), 1.0 / noteSeconds, seed);
    std::vector<double> v(lead.size());
    const double f = Frequency(drone);
    for (std::size_t i = 0; i < v.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        v[i] = lead[i] / 32000.0 * 0.7 + drum[i] / 32000.0 * 0.3 + 0.12 * std::sin(2 * kPi * f * t);
    }
    return Finish(v);
}

std::vector<std::string> WriteDemoSounds(const std::string& directory) {
    std::vector<std::string> written;
    const WaveFormat effects{1, 11025, 16};
    const WaveFormat music{1, 22050, 16};
    const std::uint32_t r = effects.samplesPerSecond;
    auto put = [&](const std::string& path, const std::vector<std::uint8_t>& bytes) {
        if (!WriteFile(path, bytes)) return false;
        written.push_back(path);
        return true;
    };
    auto game = [&](const std::string& name, const Samples& s, const WaveFormat& f) {
        return put(directory + "/" + name, GameWave(f, Pcm16(s)));
    };
    // Loops are longer than one streaming buffer (61440 bytes), so they stream and go round.
    const double loop = 3.2;
    const std::vector<int> call{67, 72, 76, 79, 0, 76, 79, 79};
    const std::vector<int> rally{72, 72, 79, 79, 84, 0};
    const std::vector<int> tuneA{67, 69, 71, 72, 74, 72, 71, 69, 67, 0, 67, 74, 72, 71, 69, 67};
    const std::vector<int> tuneB{72, 71, 69, 67, 69, 71, 72, 74, 76, 74, 72, 71, 72, 0, 72, 0};
    const std::vector<std::pair<std::string, Samples>> sounds{
        {"milup4.wav", Footfalls(r, loop, 2.5, 0.3, 1)},
        {"horslup1.wav", Footfalls(r, loop, 6.0, 0.25, 2)},
        {"eleflup1.wav", Footfalls(r, loop, 1.5, 0.1, 3)},
        {"eleflup2.wav", Footfalls(r, loop, 1.6, 0.1, 4)},
        {"eleflup3.wav", Footfalls(r, loop, 1.4, 0.1, 5)},
        {"charlup1.wav", Footfalls(r, loop, 8.0, 0.35, 6)},
        {"cavlup1.wav", Footfalls(r, loop, 7.0, 0.3, 7)},
        {"hcav1.wav", Footfalls(r, loop, 5.0, 0.2, 8)},
        {"hcav2.wav", Footfalls(r, loop, 5.5, 0.2, 9)},
        {"hcav3.wav", Footfalls(r, loop, 4.5, 0.2, 10)},
        {"swup4.wav", Footfalls(r, loop, 3.0, 0.4, 11)},
        {"batmove.wav", Footfalls(r, loop, 3.0, 0.15, 12)},
        {"splash.wav", Ambient(r, loop, 0.5, 2.0, 13)},
        {"splasha.wav", Ambient(r, loop, 0.6, 3.0, 14)},
        {"musfire1.wav", MusketVolley(r, 1.2, 15)},
        {"mushits1.wav", DrumRoll(r, 0.6, 12.0, 16)},
        {"batfire1.wav", Cannon(r, 1.6, 17)},
        {"bathits1.wav", Cannon(r, 1.0, 18)},
        {"shoklup1.wav", MusketVolley(r, loop, 19)},
        {"shoklup2.wav", MusketVolley(r, loop, 20)},
        {"sordlup2.wav", DrumRoll(r, loop, 9.0, 21)},
        {"sordlup3.wav", DrumRoll(r, loop, 11.0, 22)},
        {"horsbat.wav", Footfalls(r, loop, 9.0, 0.3, 23)},
        {"batsmash.wav", Cannon(r, loop, 24)},
        // The menu's press: one short, dull knock.
        {"smash.wav", Cannon(r, 0.25, 39)},
        {"cheer.wav", Ambient(r, 1.5, 0.7, 1.0, 25)},
        {"rally.wav", Bugle(r, rally, 0.18)},
        {"restore.wav", DrumRoll(r, 1.2, 8.0, 26)},
        {"hors1.wav", Bugle(r, {88, 86, 84}, 0.15)},
        {"hors2.wav", Bugle(r, {86, 88, 83}, 0.15)},
        {"cavmnt1.wav", Footfalls(r, 0.8, 6.0, 0.3, 27)},
        {"cavdis1.wav", Footfalls(r, 0.8, 5.0, 0.3, 28)},
        {"limber1.wav", Footfalls(r, 1.0, 4.0, 0.1, 29)},
        {"river.wav", Ambient(r, loop, 0.35, 0.6, 30)},
        {"river1.wav", Ambient(r, loop, 0.3, 0.9, 31)},
        {"river2.wav", Ambient(r, loop, 0.4, 1.2, 32)},
        {"waves.wav", Ambient(r, loop, 0.2, 0.3, 33)},
        {"volt1.wav", Ambient(r, loop, 0.05, 0.3, 34)},
        {"volt2.wav", Ambient(r, loop, 0.06, 0.6, 35)},
        {"volt3.wav", Ambient(r, loop, 0.04, 0.9, 36)},
        {"volt4.wav", Ambient(r, loop, 0.07, 0.3, 37)},
        {"volt5.wav", Ambient(r, loop, 0.05, 1.2, 38)},
    };
    for (const auto& [name, samples] : sounds)
        if (!game(name, samples, effects)) return {};
    const std::uint32_t m = music.samplesPerSecond;
    const std::vector<std::pair<std::string, Samples>> pieces{
        {"start.wav", Bugle(m, call, 0.3)},
        {"track1.wav", Tune(m, tuneA, 0.35, 43, 40)},
        {"track2.wav", Tune(m, tuneB, 0.35, 48, 41)},
        {"track3.wav", Tune(m, tuneA, 0.3, 45, 42)},
        {"track4.wav", Tune(m, tuneB, 0.3, 41, 43)},
        {"victory.wav", Bugle(m, {72, 76, 79, 84, 84, 0}, 0.3)},
        {"defeat.wav", Bugle(m, {67, 63, 60, 55, 0}, 0.45)},
    };
    for (const auto& [name, samples] : pieces)
        if (!game(name, samples, music)) return {};
    // The CD, beside the waves (the data directory stands for it): the start call on tracks 1
    // and 2, the in-game and closing tunes after them.
    for (int track = 1; track <= 9; ++track) {
        char name[32];
        std::snprintf(name, sizeof name, "/track%02d.wav", track);
        const Samples s = track <= 2 ? Bugle(m, call, 0.25) : Tune(m, track % 2 ? tuneA : tuneB, 0.25, 40 + track, 50u + track);
        if (!put(directory + name, PlainWave(music, Pcm16(s)))) return {};
    }
    return written;
}

} // namespace datagen
