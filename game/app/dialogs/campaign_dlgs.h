#pragma once
// The campaign's two screens. CampaignDlg ("CampaignMap", "Campaign Game"): the painted map of
// the war with a box per battle; the battle just fought is framed white and the battles that may
// follow it red; a click on a red box picks it, a double-click picks it and finishes. Spots 11
// and 12 end the war. EndOfCampaignDlg ("CampaignResults"): the victory or defeat picture of a
// side with three lines naming the winner and the loser.
#include "core/list.h"
#include "ui/font.h"
#include "ui/qif.h"
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>
#include <vector>

class Bitmap;

class CampaignDlg : public Dialog {
public:
    enum : std::int16_t { kFinish = 10, kHelp = 9 };
    static constexpr int kSpotCount = 13;

    CampaignDlg(std::int16_t spot, const List<short>& reachable);

    void OnInit() override;
    void Refresh() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    std::int16_t GetChoice() const { return spot; }
    // A spot's box in client pixels of the painted map; empty outside the table.
    static Box SpotBox(int spot);

private:
    bool IsReachable(std::int16_t s) const;

    std::int16_t spot;
    List<short> reachable;
};

class EndOfCampaignDlg : public Dialog {
public:
    EndOfCampaignDlg(std::int32_t side, std::uint16_t won);
    ~EndOfCampaignDlg() override;

    void OnInit() override;
    void Refresh() override;

    // The three lines the screen writes, in order.
    const std::vector<std::string>& Lines() const { return lines; }
    static constexpr int kTextX = 70;
    static constexpr int kFirstLineY = 245;
    static constexpr int kLineStep = 20;

private:
    std::int32_t side;
    std::uint16_t won;
    QIF<Bitmap> pictures;
    Bitmap* picture = nullptr;
    std::int16_t pictureSection = -1;
    std::int16_t pictureFrame = -1;
    Bitmap* canvas = nullptr;
    std::int16_t canvasSection = -1;
    std::vector<std::string> lines;
    DialogFont font;
};
