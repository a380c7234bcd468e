#pragma once
// The art-decorated windows: QuorrenMainWindow, the frame whose client area shows tiled
// "Blocks" art and an optional centred picture, copied straight from the images' WinG bitmaps;
// and QuorrenChildWindow, whose client area is tiled with the frames of an art library.
//
// Invariants: the frame keeps its block images (and the picture) for its whole life; tiling
// never runs with a block or frame of zero or negative size (art that small draws nothing).
#include "ui/qif.h"
#include "ui/windows/mdi_windows.h"

#include <vector>

class QuorrenMainWindow : public WindowsMainWindow {
public:
    QuorrenMainWindow(const Point& position, const Dim& clientSize, const char* title, const char* artLibrary,
                      int showCommand = SW_SHOWNORMAL, const char* backgroundSection = nullptr,
                      const char* name = nullptr);
    ~QuorrenMainWindow() override;

    // Stores a size in the display part only.
    void SetSize(const Dim& size) { size_ = size; }
    // Tiles the window's client area with the blocks around the picture, straight onto the
    // window, each pixel once.
    void PaintBackground(HWND window);
    LRESULT ClientProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    int BlockCount() const { return static_cast<int>(blocks_.size()); }
    WindowsBitmap* GetBackground() const { return background_; }

private:
    void Copy(HDC dc, WindowsBitmap* image, int x, int y, int sx, int sy, int w, int h);

    WindowsBitmap* background_ = nullptr;
    std::vector<WindowsBitmap*> blocks_;
    QIF<WindowsBitmap> art_;
};

class QuorrenChildWindow : public WindowsChildWindow {
public:
    QuorrenChildWindow(const Point& position, const Dim& clientSize, const char* artLibrary, const char* title,
                       const char* menuName = nullptr, const char* iconName = nullptr, const char* name = nullptr);

    // Tiles the back buffer with the current section's frames in turn, each placed by the first
    // frame's size; the section's frame is 0 again afterwards.
    virtual void PaintBackground();
    QIF<Bitmap>& Art() { return art_; }

private:
    QIF<Bitmap> art_;
};
