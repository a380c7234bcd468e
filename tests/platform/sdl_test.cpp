// The SDL backend under a virtual X server started by the test itself.
#include "platform/clock.h"
#include "platform/gdi.h"
#include "platform/screen.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/window.h"
#include "platform/wing.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

pid_t g_xvfb = 0;

class SdlBackend : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const int display = 90 + static_cast<int>(::getpid() % 100);
        const std::string name = ":" + std::to_string(display);
        const char* argv[] = {"Xvfb", name.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", nullptr};
        if (posix_spawnp(&g_xvfb, "Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) g_xvfb = 0;
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(display);
        struct stat st;
        for (int i = 0; i < 100 && g_xvfb && ::stat(socket.c_str(), &st) != 0; ++i) ::usleep(50000);
        ::setenv("DISPLAY", name.c_str(), 1);
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    static void TearDownTestSuite() {
        if (g_xvfb) {
            ::kill(g_xvfb, SIGTERM);
            ::waitpid(g_xvfb, nullptr, 0);
            g_xvfb = 0;
        }
    }
};

LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) { return DefWindowProcA(hwnd, message, wParam, lParam); }

TEST_F(SdlBackend, TheFrameOpensAndPresents) {
    ASSERT_NE(g_xvfb, 0) << "Xvfb could not be started";
    platform::sdl::Register();
    ASSERT_TRUE(platform::StartBackend("sdl"));
    EXPECT_STREQ(platform::CurrentBackend().Name(), "sdl");
    WNDCLASSA wc{};
    wc.lpfnWndProc = &Proc;
    wc.lpszClassName = "SdlFrame";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "SdlFrame", "Varnhold", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 700, 500, nullptr,
                             nullptr, nullptr, nullptr);
    ASSERT_TRUE(IsWindow(w));
    BITMAPINFO info;
    WinGRecommendDIBFormat(&info);
    info.bmiHeader.biWidth = 16;
    info.bmiHeader.biHeight = 16 * info.bmiHeader.biHeight;
    void* bits = nullptr;
    HDC mem = WinGCreateDC();
    HBITMAP bmp = WinGCreateBitmap(mem, &info, &bits);
    std::memset(bits, 249, 16 * 16);  // the static red
    SelectObject(mem, bmp);
    HDC dc = GetDC(w);
    EXPECT_TRUE(WinGBitBlt(dc, 0, 0, 16, 16, mem, 0, 0));
    ReleaseDC(w, dc);
    platform::CurrentBackend().Present();
    platform::CurrentBackend().PollInput();
    POINT o{3, 3};
    ClientToScreen(w, &o);
    EXPECT_EQ(platform::ScreenPixel(o.x, o.y), RGB(255, 0, 0));
    DestroyWindow(w);
    SelectObject(mem, nullptr);
    DeleteObject(bmp);
    DeleteDC(mem);
    platform::StartBackend("headless");
}

} // namespace
