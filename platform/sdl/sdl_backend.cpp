#include "platform/sdl/sdl_backend.h"

#include "platform/sdl/sdl_audio.h"

#include "platform/cursor.h"
#include "platform/cursor_file.h"
#include "platform/input.h"
#include "platform/screen.h"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace platform::sdl {
namespace {

CursorFrame g_shownFrame;  // the program cursor's frame the pointer shows; empty for a system cursor

// Shows the screen area of the front top-level window (or the whole screen when there is none)
// in one SDL window of that size.
class SdlBackend final : public Backend {
public:
    ~SdlBackend() override {
        StopAudio();
        ForgetAnimation();
        if (systemCursor_) pendingFree_.push_back(systemCursor_);
        FreePending();
        if (texture_) SDL_DestroyTexture(texture_);
        if (renderer_) SDL_DestroyRenderer(renderer_);
        if (window_) SDL_DestroyWindow(window_);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    bool Start() {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
        const SIZE s = GetScreenSize();
        window_ = SDL_CreateWindow("Varnhold", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, s.cx, s.cy, 0);
        if (!window_) return false;
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
        // Sound is optional: without an audio device the program runs silent.
        if (renderer_) StartAudio();
        return renderer_ != nullptr;
    }

    const char* Name() const override { return "sdl"; }
    bool Live() const override { return true; }

    bool PollInput() override {
        StepCursor();
        bool any = false;
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            any = true;
            switch (e.type) {
            case SDL_MOUSEMOTION: InjectMouseMove(e.motion.x + origin_.x, e.motion.y + origin_.y); break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                if (e.button.button == SDL_BUTTON_LEFT || e.button.button == SDL_BUTTON_RIGHT)
                    InjectMouseButton(e.button.button == SDL_BUTTON_LEFT ? MouseButton::Left : MouseButton::Right,
                                      e.type == SDL_MOUSEBUTTONDOWN, e.button.x + origin_.x, e.button.y + origin_.y);
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                if (const int vk = VirtualKey(e.key.keysym.sym)) InjectKey(vk, e.type == SDL_KEYDOWN);
                break;
            case SDL_QUIT:
                if (HWND front = GetTopWindow(nullptr)) PostMessage(front, WM_CLOSE, 0, 0);
                break;
            case SDL_WINDOWEVENT: dirty_ = true; break;
            default: break;
            }
        }
        return any;
    }

    void ScreenChanged() override { dirty_ = true; }

    void Present() override {
        if (!dirty_ || !renderer_) return;
        dirty_ = false;
        RECT area{0, 0, GetScreenSize().cx, GetScreenSize().cy};
        if (HWND frame = ShownFrame()) GetWindowRect(frame, &area);
        // A maximised frame reaches past the screen's edges; what is shown (and where the mouse
        // points) starts at the screen's part of it.
        area.left = std::max<LONG>(area.left, 0);
        area.top = std::max<LONG>(area.top, 0);
        area.right = std::min<LONG>(area.right, GetScreenSize().cx);
        area.bottom = std::min<LONG>(area.bottom, GetScreenSize().cy);
        origin_ = POINT{area.left, area.top};
        ComposeScreenInto(area, image_);
        const ScreenImage& img = image_;
        if (img.width <= 0 || img.height <= 0) return;
        int w = 0, h = 0;
        SDL_GetWindowSize(window_, &w, &h);
        if (w != img.width || h != img.height) SDL_SetWindowSize(window_, img.width, img.height);
        if (!texture_ || texW_ != img.width || texH_ != img.height) {
            if (texture_) SDL_DestroyTexture(texture_);
            texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, img.width, img.height);
            texW_ = img.width;
            texH_ = img.height;
        }
        if (!texture_) return;
        SDL_UpdateTexture(texture_, nullptr, img.pixels.data(), img.width * 4);
        SDL_RenderClear(renderer_);
        SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
        SDL_RenderPresent(renderer_);
    }

    // With a desktop the program runs on its own beside the game.
    bool StartProgram(const std::string& commandLine, const ProgramRequest& request) override {
        if (StartDetached(request)) return true;
        std::fprintf(stderr, "shell: cannot start %s\n", commandLine.c_str());
        return false;
    }

    // The program's own cursors (the wait cursor, the map's order and scroll cursors) are shown
    // as drawn, and an animated one steps through its frames at its own rates while the program
    // looks at its input (an idle program does so every few tens of milliseconds); the system's
    // stand-ins are SDL's nearest.
    void CursorChanged(HCURSOR cursor) override {
        ForgetAnimation();
        if (systemCursor_) pendingFree_.push_back(systemCursor_);
        systemCursor_ = nullptr;
        if (const CursorImage* image = CursorImageOf(cursor)) {
            if (!image->sequence.empty() && image->sequence.size() == image->rates.size()) {
                // A copy: the program may destroy the cursor while it is still shown.
                animation_ = *image;
                frameCursors_.assign(animation_.frames.size(), nullptr);
                step_ = 0;
                if (ShowStep()) {
                    nextStep_ = SDL_GetTicks() + StepTime();
                    return;
                }
            }
            ForgetAnimation();
        }
        SDL_Cursor* c =
            SDL_CreateSystemCursor(CursorId(cursor) == 32514 ? SDL_SYSTEM_CURSOR_WAIT : SDL_SYSTEM_CURSOR_ARROW);
        if (!c) return;
        SDL_SetCursor(c);
        systemCursor_ = c;
        g_shownFrame = CursorFrame{};
        FreePending();
    }

private:
    ScreenImage image_;  // the last composition, its memory reused

    // The animated cursor's next frame, when its time has come.
    void StepCursor() {
        if (animation_.sequence.size() < 2) return;
        const Uint32 now = SDL_GetTicks();
        if (static_cast<Sint32>(now - nextStep_) < 0) return;
        step_ = (step_ + 1) % animation_.sequence.size();
        ShowStep();
        // A program that looked away for long goes on from now rather than racing to catch up.
        nextStep_ += StepTime();
        if (static_cast<Sint32>(now - nextStep_) >= 0) nextStep_ = now + StepTime();
    }

    // The current step's time in milliseconds (rates count sixtieths of a second; never 0).
    Uint32 StepTime() const { return std::max<Uint32>(1, animation_.rates[step_]) * 1000 / 60; }

    // Shows the frame of the current step, made into an SDL cursor once; false when it cannot be.
    bool ShowStep() {
        const std::uint32_t index = animation_.sequence[step_];
        if (index >= animation_.frames.size()) return false;
        const CursorFrame& frame = animation_.frames[index];
        SDL_Cursor*& c = frameCursors_[index];
        if (!c) {
            // ARGB8888 is a packed 32-bit format: each pixel the frame's 0xAARRGGBB as it stands.
            SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
                const_cast<std::uint32_t*>(frame.argb.data()), frame.width, frame.height, 32, frame.width * 4,
                SDL_PIXELFORMAT_ARGB8888);
            if (!surface) return false;
            c = SDL_CreateColorCursor(surface, frame.hotX, frame.hotY);
            SDL_FreeSurface(surface);
            if (!c) return false;
        }
        SDL_SetCursor(c);
        g_shownFrame = frame;
        FreePending();
        return true;
    }

    // Cursors no longer shown, freed once another one is (freeing the shown one would flash
    // the default arrow).
    void FreePending() {
        for (SDL_Cursor* c : pendingFree_)
            if (c) SDL_FreeCursor(c);
        pendingFree_.clear();
    }

    void ForgetAnimation() {
        std::vector<SDL_Cursor*> old;
        old.swap(frameCursors_);
        animation_ = CursorImage{};
        step_ = 0;
        pendingFree_.insert(pendingFree_.end(), old.begin(), old.end());
    }

    // The window the SDL window shows: the front visible top-level window that has no owner (the
    // main frame), so that a dialog or a message box is shown over it rather than alone.
    static HWND ShownFrame() {
        HWND first = nullptr;
        for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
            if (!IsWindowVisible(w)) continue;
            if (!first) first = w;
            if (!GetWindow(w, GW_OWNER)) return w;
        }
        return first;
    }

    static int VirtualKey(SDL_Keycode k) {
        if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
        if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
        if (k >= SDLK_F1 && k <= SDLK_F12) return VK_F1 + (k - SDLK_F1);
        switch (k) {
        case SDLK_RETURN: return VK_RETURN;
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_BACKSPACE: return VK_BACK;
        case SDLK_TAB: return VK_TAB;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_UP: return VK_UP;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
        case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
        case SDLK_LALT: case SDLK_RALT: return VK_MENU;
        default: return 0;
        }
    }

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    SDL_Cursor* systemCursor_ = nullptr;
    CursorImage animation_;                  // the animated cursor shown (a copy); empty when none
    std::vector<SDL_Cursor*> frameCursors_;  // by frame, made when first shown
    std::size_t step_ = 0;                   // in the animation's sequence
    Uint32 nextStep_ = 0;                    // SDL ticks when the next step is due
    std::vector<SDL_Cursor*> pendingFree_;
    int texW_ = 0, texH_ = 0;
    POINT origin_{0, 0};
    bool dirty_ = true;
};

} // namespace

const CursorFrame* ShownCursorFrame() { return g_shownFrame.argb.empty() ? nullptr : &g_shownFrame; }

namespace {

std::unique_ptr<Backend> Make() {
    auto b = std::make_unique<SdlBackend>();
    if (!b->Start()) return nullptr;
    return b;
}

} // namespace

void Register() { RegisterBackend("sdl", &Make); }

} // namespace platform::sdl
