// The SDL backend under a virtual X server started by the test itself.
#include "platform/clock.h"
#include "platform/cursor.h"
#include "platform/cursor_file.h"
#include "platform/gdi.h"
#include "platform/screen.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/window.h"
#include "platform/wing.h"

#include "tests/support/xvfb.h"

#include <chrono>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

namespace {

testsupport::Xvfb* g_xvfb = nullptr;

class SdlBackend : public ::testing::Test {
protected:
    static void SetUpTestSuite() { g_xvfb = new testsupport::Xvfb; }
    static void TearDownTestSuite() {
        delete g_xvfb;
        g_xvfb = nullptr;
    }
};

LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) { return DefWindowProcA(hwnd, message, wParam, lParam); }

TEST_F(SdlBackend, TheFrameOpensAndPresents) {
    ASSERT_TRUE(g_xvfb && g_xvfb->Running()) << "Xvfb could not be started";
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

// The map's order cursors are the program's own drawings: the window's pointer shows the frame
// the cursor file holds, hot spot and all, and goes back to the system's arrow after it.
TEST_F(SdlBackend, TheProgramsOwnCursorIsShownAsDrawn) {
    ASSERT_TRUE(g_xvfb && g_xvfb->Running()) << "Xvfb could not be started";
    platform::sdl::Register();
    ASSERT_TRUE(platform::StartBackend("sdl"));
    HCURSOR charge = LoadCursorFromFileA(VH_DATA_DIR "/charge.ani");
    ASSERT_NE(charge, nullptr);
    const platform::CursorImage* image = platform::CursorImageOf(charge);
    ASSERT_NE(image, nullptr);
    const std::size_t first = image->sequence.empty() ? 0 : image->sequence.front();
    ASSERT_LT(first, image->frames.size());
    const platform::CursorFrame& drawn = image->frames[first];

    SetCursor(charge);
    const platform::CursorFrame* shown = platform::sdl::ShownCursorFrame();
    ASSERT_NE(shown, nullptr) << "the pointer is not the program's cursor";
    EXPECT_EQ(shown->width, drawn.width);
    EXPECT_EQ(shown->height, drawn.height);
    EXPECT_EQ(shown->hotX, drawn.hotX);
    EXPECT_EQ(shown->hotY, drawn.hotY);
    EXPECT_EQ(shown->argb, drawn.argb);

    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(platform::sdl::ShownCursorFrame(), nullptr);
    platform::StartBackend("headless");
}

// The wait cursor is animated: the pointer steps through the file's frames in its sequence, each
// step no sooner than its rate says, while the program looks at its input; it keeps going when
// the program destroys the cursor it shows, and stops at once for the arrow.
TEST_F(SdlBackend, AnAnimatedCursorStepsThroughItsFramesAtItsRates) {
    ASSERT_TRUE(g_xvfb && g_xvfb->Running()) << "Xvfb could not be started";
    platform::sdl::Register();
    ASSERT_TRUE(platform::StartBackend("sdl"));
    HCURSOR watch = LoadCursorFromFileA(VH_DATA_DIR "/watch.ani");
    ASSERT_NE(watch, nullptr);
    const platform::CursorImage image = *platform::CursorImageOf(watch);
    ASSERT_GE(image.sequence.size(), 3u);
    ASSERT_EQ(image.rates.size(), image.sequence.size());
    auto frameOf = [&](std::size_t step) { return image.frames.at(image.sequence[step % image.sequence.size()]).argb; };
    ASSERT_NE(frameOf(0), frameOf(1));
    ASSERT_NE(frameOf(1), frameOf(2));

    SetCursor(watch);
    const auto shownAt = std::chrono::steady_clock::now();
    ASSERT_NE(platform::sdl::ShownCursorFrame(), nullptr);
    EXPECT_EQ(platform::sdl::ShownCursorFrame()->argb, frameOf(0));
    // Polled every few milliseconds, as an idle program does, until the next frame shows.
    auto waitFor = [&](std::size_t step) {
        for (int i = 0; i < 3000; ++i) {
            platform::CurrentBackend().PollInput();
            const platform::CursorFrame* shown = platform::sdl::ShownCursorFrame();
            if (shown && shown->argb == frameOf(step)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    };
    ASSERT_TRUE(waitFor(1)) << "the cursor never left its first frame";
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - shownAt);
    EXPECT_GE(elapsed.count() + 1, static_cast<long>(image.rates[0] * 1000 / 60)) << "stepped before its time";
    // The program may destroy the cursor it shows: the pointer goes on with its own copy.
    DestroyCursor(watch);
    EXPECT_TRUE(waitFor(2)) << "the animation stopped with the cursor destroyed";

    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    for (int i = 0; i < 40; ++i) {
        platform::CurrentBackend().PollInput();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(platform::sdl::ShownCursorFrame(), nullptr);
    platform::StartBackend("headless");
}

} // namespace
