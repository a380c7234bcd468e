#pragma once
// WindowsStatusBar: the status bar in a child window of its own, drawn from the art library's
// section "sbArt" (images "left", "right", "center", "separator") with the texts written over it
// in a small bold face. The window is as high as the "left" image; the frame gives it the width.
//
// Layout rule: the main area is the window less the end pieces and the panes, but at least 200
// pixels and never more than the window less the end pieces; panes follow it, each behind a
// separator, and no pane text passes the right end piece.
#include "ui/bar_text.h"
#include "ui/qif.h"
#include "ui/status_bar.h"
#include "ui/windows/windows_window.h"

#include <memory>

class WindowsStatusBar : public StatusBar, public WindowsWindow {
public:
    static constexpr int kWindowId = 5;
    static constexpr std::int16_t kMinimumMainWidth = 200;

    WindowsStatusBar(const char* artLibrary, HWND parent, const Point& textOrigin, std::int16_t lineCount,
                     const char* name = nullptr);
    ~WindowsStatusBar() override;

    // The width of the separator image is added to the pane's width.
    void AddPane(std::int32_t key, std::int16_t width, const std::vector<std::string>* texts = nullptr) override;
    // Draws, then copies the dirty area to the screen.
    void Refresh() override;
    // Draws the strip and the texts into the back buffer.
    virtual void Draw();
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    HWND GetBarWindow() const override { return handle_; }
    std::int16_t GetBarHeight() const override { return height_; }
    using StatusBar::Clear;
    using StatusBar::GetHeight;

    // The width the main area gets in a window of width `windowWidth` (the layout rule above).
    std::int16_t MainWidth(int windowWidth);
    Point GetTextOrigin() const { return origin_; }
    const BarText& GetText() const { return *text_; }

private:
    Dim ImageSize(const char* image);

    QIF<Bitmap> art_;
    Point origin_;
    std::unique_ptr<BarText> text_;
};
