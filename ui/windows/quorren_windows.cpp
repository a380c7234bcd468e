#include "ui/windows/quorren_windows.h"

#include "core/application.h"
#include "ui/logical_palette.h"

#include <algorithm>

QuorrenMainWindow::QuorrenMainWindow(const Point& position, const Dim& clientSize, const char* title,
                                     const char* artLibrary, int showCommand, const char* backgroundSection,
                                     const char* name)
    : Window(position, Dim(), title, name ? name : "Unnamed Windows Main Window"),
      WindowsMainWindow(position, clientSize, title, "AppMenu", "AppIcon", "ChildIcon", name, showCommand),
      art_(artLibrary) {
    art_.SelectSection("Blocks");
    for (std::int16_t i = 0; i < art_.ImageCount(); ++i)
        if (WindowsBitmap* block = art_.GetBitmap(i)) blocks_.push_back(block);
    if (backgroundSection) {
        art_.SelectSection(backgroundSection);
        background_ = art_.GetBitmap(0);
    }
}

QuorrenMainWindow::~QuorrenMainWindow() { art_.UnlockAll(); }

LRESULT QuorrenMainWindow::ClientProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        PaintBackground(GetClient());
        return 1;
    }
    return WindowsMainWindow::ClientProc(message, wParam, lParam);
}

void QuorrenMainWindow::Copy(HDC dc, WindowsBitmap* image, int x, int y, int sx, int sy, int w, int h) {
    if (w <= 0 || h <= 0 || !image->GetHandle()) return;
    SelectObject(WindowsBitmap::GetSharedDC(), image->GetHandle());
    WinGBitBlt(dc, x, y, w, h, WindowsBitmap::GetSharedDC(), sx, sy);
}

void QuorrenMainWindow::PaintBackground(HWND window) {
    Validate();
    if (!IsWindow(window)) return;
    RECT client;
    GetClientRect(window, &client);
    const int W = client.right, H = client.bottom;
    HDC dc = GetDC(window);
    if (const Application* app = GetApplication())
        if (const LogicalPalette* palette = app->GetPalette()) {
            SelectPalette(dc, palette->GetHandle(), forceBackground_);
            RealizePalette(dc);
        }
    // The picture's rectangle, centred, never above or left of the corner.
    int px = 0, py = 0, pw = 0, ph = 0;
    if (background_) {
        pw = background_->GetSize().width;
        ph = background_->GetSize().height;
        px = std::max(0, (W - pw) / 2);
        py = std::max(0, (H - ph) / 2);
    }
    const int bw = blocks_.empty() ? 0 : blocks_[0]->GetSize().width;
    const int bh = blocks_.empty() ? 0 : blocks_[0]->GetSize().height;
    // Blocks of no size would never cover the area.
    if (bw > 0 && bh > 0) {
        std::size_t counter = 0;
        for (int y = 0; y < H; y += bh) {
            for (int x = 0; x < W; x += bw, ++counter) {
                WindowsBitmap* block = blocks_[counter % blocks_.size()];
                const int top = std::max(y, py), bottom = std::min(y + bh, py + ph);
                const bool besidePicture = pw > 0 && ph > 0 && top < bottom && x < px + pw && x + bw > px;
                if (!besidePicture) {
                    Copy(dc, block, x, y, 0, 0, bw, bh);
                    continue;
                }
                // Above and below the picture at the full block width; beside it for its rows.
                Copy(dc, block, x, y, 0, 0, bw, top - y);
                Copy(dc, block, x, bottom, 0, bottom - y, bw, y + bh - bottom);
                if (x < px) Copy(dc, block, x, top, 0, top - y, px - x, bottom - top);
                if (x + bw > px + pw) Copy(dc, block, px + pw, top, px + pw - x, top - y, x + bw - (px + pw), bottom - top);
            }
        }
    }
    if (background_) Copy(dc, background_, px, py, 0, 0, pw, ph);
    ReleaseDC(window, dc);
}

QuorrenChildWindow::QuorrenChildWindow(const Point& position, const Dim& clientSize, const char* artLibrary,
                                       const char* title, const char* menuName, const char* iconName,
                                       const char* name)
    : Window(position, clientSize, title, name ? name : "Unnamed QuorrenChildWindow"),
      WindowsChildWindow(position, clientSize, title, menuName, iconName, name ? name : "Unnamed QuorrenChildWindow"),
      art_(artLibrary) {}

void QuorrenChildWindow::PaintBackground() {
    Bitmap* frame = art_.GetBitmap();
    if (!frame) return;
    const int w = frame->GetWidth(), h = frame->GetHeight();
    // Frames of no size would never cover the area.
    if (w > 0 && h > 0) {
        for (int y = 0; y < GetHeight(); y += h)
            for (int x = 0; x < GetWidth(); x += w) {
                DrawAll(Point(x, y), *frame, 1);
                art_.UnlockBitmap();
                art_.AdvanceFrame();
                frame = art_.GetBitmap();
                if (!frame) return;
            }
    }
    art_.UnlockBitmap();
    art_.SetCurrentFrame(0);
}
