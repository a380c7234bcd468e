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

#include <cstring>

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

} // namespace
