#pragma once
// EndOfGameDlg announces the end of a battle with the picture of victory or defeat of the
// player's side; Overview opens the game overview over it, View Field lets the player look at
// the final battlefield through a ViewBattleFieldDlg and then comes back.
// ViewBattleFieldDlg is the caption-less bar with a prompt and Finish that stands while the
// player looks at (or deploys on) the map; it keeps the main window enabled and its keyboard.
// Both end with result 0 on "CloseGame".
#include "ui/qif.h"
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>

class Bitmap;

class EndOfGameDlg : public Dialog {
public:
    // The picture is the image after the section's "Background" for side 0, the next for side 1;
    // a side of neither (no human leader was met) shows no picture.
    EndOfGameDlg(std::int32_t side, std::int16_t victory);
    ~EndOfGameDlg() override;

    std::int16_t ViewFieldChosen() const { return viewField; }
    void ClearViewFieldChosen() { viewField = 0; }
    const Bitmap* GetPicture() const { return picture; }
    static Box PictureBox() { return Box(36, 20, 442, 339); }

    void HookUp() override;
    void OnInit() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    void Refresh() override;

private:
    static ContainerBase* OnCloseGame(Component* c, BusMessage, ContainerBase*);

    std::int16_t viewField = 0;
    QIF<Bitmap> pictures;
    Bitmap* picture = nullptr;
    std::int16_t pictureSection = -1;
    std::int16_t pictureFrame = -1;
};

class ViewBattleFieldDlg : public Dialog {
public:
    explicit ViewBattleFieldDlg(std::string prompt);

    void HookUp() override;
    void OnInit() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static ContainerBase* OnCloseGame(Component* c, BusMessage, ContainerBase*);

    std::string prompt;
};
