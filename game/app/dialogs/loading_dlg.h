#pragma once
// LoadingDlg ("LoadingDlg"): the splash window while the game application builds itself. It
// shows the publisher's logo with the loading text, dissolves the developer's logo in over it
// in 3 x 3 cells in random order (every cell exactly once), keeps the last logo through
// repaints, and closes itself, modeless, when the start dialog sends "CloseSplashScreen".
#include "ui/font.h"
#include "ui/qif.h"
#include "ui/windows/dialog.h"

#include <cstdint>

class LoadingDlg : public Dialog {
public:
    static constexpr int kCellSize = 3;
    static constexpr const char* kPublisherSection = "Tolvane";
    static constexpr const char* kDeveloperSection = "Varnhold Works";

    LoadingDlg();
    ~LoadingDlg() override;

    void HookUp() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    void ShowFirstLogo();
    void ShowSecondLogo();
    void OnCloseSplashScreen();

    Bitmap* GetCurrentLogo() const { return currentLogo; }
    // The section of the logo shown last (kPublisherSection or kDeveloperSection), null before.
    const char* GetCurrentSection() const { return currentSection; }
    // Where a picture of that size goes in the client area.
    Point LogoPlace(const Dim& size) const;
    Box TextBox();

protected:
    // Copies one cell of the current logo (its box in logo pixels, already clipped) to the window.
    virtual void DrawCell(std::int32_t cell, const Box& source);

private:
    void DrawLogo();
    void DrawLoadingText();

    QIF<Bitmap> logos;
    Bitmap* currentLogo = nullptr;
    const char* currentSection = nullptr;
    DialogFont font;
};
