#pragma once
// The SDL2 backend's sound output: the default audio device, 16-bit stereo at the mixer's rate,
// fed by the mixer of platform/audio.h. SDL's audio thread asks for samples; the mixer renders
// everything due on the clock and the device takes it in order, so the play cursors keep pace
// with the clock. No SDL header is seen through here.
namespace platform::sdl {

// Opens the device and makes it the mixer's sink; false (and no sink change) when SDL audio
// cannot start. Sound is optional: the program runs silent then.
bool StartAudio();
// Takes the sink away, then closes the device.
void StopAudio();
bool AudioRunning();
// Output frames the device has taken since StartAudio.
unsigned long FramesPlayed();

} // namespace platform::sdl
