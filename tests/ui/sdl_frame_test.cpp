// The program's frame on the SDL backend under a virtual X server: the MDI frame with a child
// opens, its art is drawn and presented, and the message loop runs on SDL's input until a close.
#include "platform/sdl/sdl_backend.h"
#include "tests/support/xvfb.h"
#include "tests/ui/ui_fixture.h"
#include "ui/qif.h"
#include "ui/windows/mdi_windows.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;

class SdlFrame : public WinAppTest {
protected:
    static void SetUpTestSuite() { xvfb = new testsupport::Xvfb; }
    static void TearDownTestSuite() {
        delete xvfb;
        xvfb = nullptr;
    }
    void TearDown() override {
        WinAppTest::TearDown();
        platform::StartBackend("headless");
    }
    static inline testsupport::Xvfb* xvfb = nullptr;
};

TEST_F(SdlFrame, TheFrameOpensPresentsAndCloses) {
    ASSERT_TRUE(xvfb && xvfb->Running()) << "Xvfb could not be started";
    platform::sdl::Register();
    ASSERT_TRUE(platform::StartBackend("sdl"));
    data.WriteLibrary("TESTART.QIF", datagen::LibrarySpec{"", {{"Blocks", {Solid("Block", 16, 16, 150)}}}});
    data.WriteIndex({{"testart.qif", "Test Art"}});
    MakeApp();
    auto* frame = new WindowsMainWindow(Point(50, 50), Dim(700, 500), "Varnhold", nullptr, nullptr, nullptr);
    app->SetMainDisplay(frame);
    frame->AttachToBus(app.get());
    auto* child = new WindowsChildWindow(Point(10, 10), Dim(64, 64), "Art", nullptr, nullptr);
    child->AttachToBus(app.get());
    child->Create();
    Drain();
    {
        QIF<Bitmap> art("Test Art");
        Bitmap* block = art.GetBitmapByName("Block", "Blocks");
        ASSERT_NE(block, nullptr);
        child->DrawAll(Point(4, 4), *block, 1);
        art.UnlockBitmap("Block", "Blocks");
    }
    child->Update();
    platform::CurrentBackend().Present();
    POINT p{8, 8};
    ClientToScreen(child->GetHandle(), &p);
    EXPECT_EQ(platform::ScreenPixel(p.x, p.y), ShownColour(150));
    // The loop polls SDL while it waits; a close of the frame ends it.
    PostMessage(frame->GetHandle(), WM_CLOSE, 0, 0);
    app->Run();
    EXPECT_FALSE(IsWindow(child->GetHandle()));
    delete child;
    frame->DetachFromBus();
    delete frame;
}

} // namespace
