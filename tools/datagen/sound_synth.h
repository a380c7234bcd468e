#pragma once
// The demo's sounds, made by code: each is a deterministic function of its arguments (its own
// noise generator seeded per sound), 16-bit mono at the given rate.
#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

using Samples = std::vector<std::int16_t>;

Samples MusketVolley(std::uint32_t rate, double seconds, std::uint32_t seed);
Samples Cannon(std::uint32_t rate, double seconds, std::uint32_t seed);
Samples DrumRoll(std::uint32_t rate, double seconds, double beatsPerSecond, std::uint32_t seed);
// Notes as MIDI numbers, each `noteSeconds` long; 0 is a rest.
Samples Bugle(std::uint32_t rate, const std::vector<int>& notes, double noteSeconds);
// Flowing water, wind or surf: filtered noise whose loudness swells `swellsPerSecond` times.
Samples Ambient(std::uint32_t rate, double seconds, double brightness, double swellsPerSecond, std::uint32_t seed);
// Marching feet, hooves or wheels: short filtered clicks at a steady pace.
Samples Footfalls(std::uint32_t rate, double seconds, double stepsPerSecond, double brightness, std::uint32_t seed);
// A short tune: melody over a drone, with a drum on the beat.
Samples Tune(std::uint32_t rate, const std::vector<int>& melody, double noteSeconds, int drone, std::uint32_t seed);

// Every wave the game asks for, under its file name, in `directory`: effects, loops, music waves,
// and the CD's tracks as plain waves "track01.wav" to "track09.wav". Answers the files written;
// empty when one could not be written.
std::vector<std::string> WriteDemoSounds(const std::string& directory);

} // namespace datagen
