#pragma once
// The SDL2 backend's only entry for portable code: it adds "sdl" to the backends that
// platform::StartBackend can start. No SDL header is seen through here.
namespace platform::sdl {
void Register();
} // namespace platform::sdl
