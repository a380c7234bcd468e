#include "game/app/dialogs/loading_dlg.h"

#include "game/app/dialogs/scenario_tables.h"
#include "ui/bitmap.h"
#include "ui/dialog_controls.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

ContainerBase* OnCloseSplashScreenEntry(Component* c, BusMessage, ContainerBase*) {
    if (auto* self = dynamic_cast<LoadingDlg*>(c)) self->OnCloseSplashScreen();
    return nullptr;
}

} // namespace

LoadingDlg::LoadingDlg()
    : Window(Point(0, 0), Dim(0, 0), "", "LoadingDlg"), Dialog("Dialog Bitmaps", "Intro", ""), logos("Company Logos"),
      font(DialogControl::kFontName) {}

LoadingDlg::~LoadingDlg() {
    if (currentLogo) logos.UnlockBitmap("Logo", currentSection);
}

void LoadingDlg::HookUp() {
    Dialog::HookUp();
    RegisterNamedHandler("CloseSplashScreen", &OnCloseSplashScreenEntry);
}

void LoadingDlg::OnCloseSplashScreen() {
    UnregisterNamedHandler("CloseSplashScreen", &OnCloseSplashScreenEntry);
    if (running_) Close(0);
}

Point LoadingDlg::LogoPlace(const Dim& size) const {
    const Dim client = GetClientSize();
    return Point(static_cast<std::int16_t>(client.width / 2 - size.width / 2),
                 static_cast<std::int16_t>(client.height / 2 - size.height / 2 - 10));
}

Box LoadingDlg::TextBox() {
    const std::string text = frontend::ResourceString(73);
    const Box r = font.GetTextRect(text.c_str());
    const Dim client = GetClientSize();
    return Box(static_cast<std::int16_t>(client.width / 2 - r.width / 2),
               static_cast<std::int16_t>(client.height - r.height - 5), r.width, r.height);
}

void LoadingDlg::DrawLogo() {
    if (!currentLogo) return;
    const Point at = LogoPlace(currentLogo->GetSize());
    const Point hot = currentLogo->GetHotspot();
    DrawAll(Point(static_cast<std::int16_t>(at.x + hot.x), static_cast<std::int16_t>(at.y + hot.y)), *currentLogo, 1);
}

void LoadingDlg::DrawLoadingText() {
    const std::string text = frontend::ResourceString(73);
    const Box r = font.GetTextRect(text.c_str());
    const Box place = TextBox();
    font.DrawText(*this, Point(static_cast<std::int16_t>(place.x - r.x), static_cast<std::int16_t>(place.y - r.y)),
                  text.c_str(), static_cast<std::int16_t>(text.size()));
}

void LoadingDlg::ShowFirstLogo() {
    if (currentLogo) logos.UnlockBitmap("Logo", currentSection);
    currentSection = kPublisherSection;
    currentLogo = logos.GetBitmapByName("Logo", currentSection);
    DrawLogo();
    DrawLoadingText();
    Update();
}

void LoadingDlg::DrawCell(std::int32_t, const Box& source) {
    if (source.width <= 0 || source.height <= 0) return;
    const Point at = LogoPlace(currentLogo->GetSize());
    Draw(Point(static_cast<std::int16_t>(at.x + source.x), static_cast<std::int16_t>(at.y + source.y)), *currentLogo,
         source, 1);
    Update();
}

void LoadingDlg::ShowSecondLogo() {
    if (currentLogo) logos.UnlockBitmap("Logo", currentSection);
    currentSection = kDeveloperSection;
    currentLogo = logos.GetBitmapByName("Logo", currentSection);
    if (currentLogo) {
        const int w = currentLogo->GetWidth(), h = currentLogo->GetHeight();
        const int cols = w / kCellSize + 1, rows = h / kCellSize + 1;
        const int n = cols * rows;
        std::vector<char> drawn(static_cast<std::size_t>(n), 0);
        for (int step = 0; step < n; ++step) {
            int r = std::rand() % n;
            while (drawn[static_cast<std::size_t>(r)]) r = (r + 1) % n;
            int k = 0;
            while (k < 20 && r + k < n && !drawn[static_cast<std::size_t>(r + k)]) ++k;
            r += std::rand() % k;
            drawn[static_cast<std::size_t>(r)] = 1;
            const int cx = (r % cols) * kCellSize, cy = (r / cols) * kCellSize;
            const int cw = std::min(kCellSize, w - cx), ch = std::min(kCellSize, h - cy);
            if (cw > 0 && ch > 0)
                DrawCell(r, Box(static_cast<std::int16_t>(cx), static_cast<std::int16_t>(cy), static_cast<std::int16_t>(cw),
                                static_cast<std::int16_t>(ch)));
            else
                DrawCell(r, Box(static_cast<std::int16_t>(cx), static_cast<std::int16_t>(cy), 0, 0));
        }
    }
    DrawLoadingText();
    Update();
}

LRESULT LoadingDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = Dialog::WindowProc(message, wParam, lParam);
    if (message == WM_PAINT && running_ && currentLogo) {
        DrawLogo();
        Update();
    }
    return result;
}
