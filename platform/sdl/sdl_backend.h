#pragma once
// The SDL2 backend's only entry for portable code: it adds "sdl" to the backends that
// platform::StartBackend can start. No SDL header is seen through here.
namespace platform {
struct CursorFrame;
}

namespace platform::sdl {
void Register();
// The frame of the program's own cursor that the window's pointer shows; null while it shows a
// system cursor (the arrow, the wait cursor).
const CursorFrame* ShownCursorFrame();
} // namespace platform::sdl
