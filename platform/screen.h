#pragma once
// The screen: every visible window composed back to front into RGB, through the system palette.
// The headless backend keeps it in memory and saves it as PNG; the SDL backend shows it.
#include "platform/gdi.h"
#include "platform/process.h"
#include "platform/window.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// RGB pixels, 0x00RRGGBB, `width` a row.
struct ScreenImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The part of the screen in `area` (screen coordinates; clipped to the screen).
ScreenImage ComposeScreen(RECT area);
ScreenImage ComposeScreen();
// The same into an image kept by the caller: a display composing many times a second reuses its
// memory instead of touching fresh pages each time.
void ComposeScreenInto(RECT area, ScreenImage& image);
// The colour shown at a screen point, as COLORREF.
COLORREF ScreenPixel(int x, int y);

bool SavePNG(const std::string& path, const ScreenImage& image);
bool LoadPNG(const std::string& path, ScreenImage& image);
bool SaveScreenPNG(const std::string& path);

// What a backend does for the window system. Exactly one is current; the headless one by default.
class Backend {
public:
    virtual ~Backend() = default;
    virtual const char* Name() const = 0;
    // Turns waiting platform events into window messages; true when it made any.
    virtual bool PollInput() = 0;
    // True when input may arrive at any time, so that a waiting message pump polls again soon.
    virtual bool Live() const { return false; }
    // Something on the screen changed; the backend shows it when it likes (at the latest at Present).
    virtual void ScreenChanged() {}
    virtual void Present() {}
    virtual void CursorChanged(HCURSOR) {}
    // Starts the program of a command line (WinExec); true when it was started. Without a
    // display the request is recorded and written on the error output, and nothing runs.
    virtual bool StartProgram(const std::string& commandLine, const ProgramRequest& request);
};

void SetBackend(std::unique_ptr<Backend> backend);
Backend& CurrentBackend();
// The headless backend; tests may use it to script input.
std::unique_ptr<Backend> MakeHeadlessBackend();

// Backends living in libraries of their own register a factory; StartBackend picks one by name
// ("headless" always exists). False when the name is unknown or the backend cannot start.
using BackendFactory = std::unique_ptr<Backend> (*)();
void RegisterBackend(const char* name, BackendFactory factory);
bool StartBackend(const char* name);

} // namespace platform
