#include "ui/windows/windows_status_bar.h"

#include "ui/windows/win_app.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr const char* kSection = "sbArt";

} // namespace

WindowsStatusBar::WindowsStatusBar(const char* artLibrary, HWND parent, const Point& textOrigin,
                                   std::int16_t lineCount, const char* name)
    : Window(Point(), Dim(), nullptr, name ? name : "Unnamed WindowsStatusBar"), StatusBar(lineCount),
      WindowsWindow(Point(), Dim(), nullptr, nullptr, nullptr, name ? name : "Unnamed WindowsStatusBar"),
      art_(artLibrary), origin_(textOrigin),
      text_(std::make_unique<SystemText>(PointsToPixels(8), true, NearestPaletteIndex(RGB(0, 0, 0), 0))) {
    CreateWindowExA(0, "GenericWindow", "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                    reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(kWindowId)), InstanceHandle,
                    static_cast<void*>(static_cast<WindowsWindow*>(this)));
    height_ = ImageSize("left").height;
}

WindowsStatusBar::~WindowsStatusBar() {
    // The native window must not call back into a half-destroyed object.
    const HWND own = handle_;
    UnbindHandle();
    if (own && IsWindow(own)) DestroyWindow(own);
    handle_ = nullptr;
}

Dim WindowsStatusBar::ImageSize(const char* image) {
    Bitmap* b = art_.GetBitmapByName(image, kSection);
    if (!b) return Dim();
    const Dim size = b->GetSize();
    art_.UnlockBitmap(image, kSection);
    return size;
}

void WindowsStatusBar::AddPane(std::int32_t key, std::int16_t width, const std::vector<std::string>* texts) {
    StatusBar::AddPane(key, static_cast<std::int16_t>(width + ImageSize("separator").width), texts);
}

void WindowsStatusBar::Refresh() {
    Draw();
    Update();
}

std::int16_t WindowsStatusBar::MainWidth(int windowWidth) {
    const int left = ImageSize("left").width, right = ImageSize("right").width;
    int main = std::max(windowWidth - right - left - paneOffset_, static_cast<int>(kMinimumMainWidth));
    main = std::min(main, windowWidth - left - right);
    return static_cast<std::int16_t>(main);
}

void WindowsStatusBar::Draw() {
    const int W = Bitmap::GetWidth();
    Bitmap* L = art_.GetBitmapByName("left", kSection);
    Bitmap* R = art_.GetBitmapByName("right", kSection);
    Bitmap* C = art_.GetBitmapByName("center", kSection);
    Bitmap* S = art_.GetBitmapByName("separator", kSection);
    const int lw = L ? L->GetWidth() : 0, rw = R ? R->GetWidth() : 0, cw = C ? C->GetWidth() : 0;
    const int sw = S ? S->GetWidth() : 0;
    const int main = MainWidth(W);

    if (L) DrawAll(Point(0, 0), *L, 1);
    // A centre piece of no width would never reach the right end.
    if (C && cw > 0)
        for (int x = lw; x < W - rw; x += cw) DrawAll(Point(x, 0), *C, 1);
    if (R && lw < W - rw) DrawAll(Point(W - rw, 0), *R, 1);

    const int lineHeight = text_->Extent("A").height;
    Box touched;
    for (int i = 0; i < lineCount_; ++i) {
        const int top = origin_.y + i * lineHeight;
        const Box clip(Point(origin_.x, top), Point(origin_.x + main + lw, top + lineHeight));
        text_->Draw(*this, Point(origin_.x, top), clip, GetLine(i + 1));
    }
    for (const Pane& pane : panes_) {
        if (S) DrawAll(Point(pane.offset + main, 0), *S, 1);
        const int x0 = pane.offset + sw + main + origin_.x - 20;
        const int width = std::min<int>(pane.width, W - rw - x0);
        for (int i = 0; i < lineCount_; ++i) {
            const int top = origin_.y + i * lineHeight;
            const Box clip(Point(x0, top), Point(x0 + std::max(width, 0), top + lineHeight));
            text_->Draw(*this, Point(x0, top), clip, pane.Line(i + 1));
        }
    }
    if (L) art_.UnlockBitmap("left", kSection);
    if (R) art_.UnlockBitmap("right", kSection);
    if (C) art_.UnlockBitmap("center", kSection);
    if (S) art_.UnlockBitmap("separator", kSection);
}

LRESULT WindowsStatusBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        if (!IsIconic(handle_)) Refresh();
        return 1;
    }
    return WindowsWindow::WindowProc(message, wParam, lParam);
}
