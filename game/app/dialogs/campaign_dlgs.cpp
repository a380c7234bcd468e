#include "game/app/dialogs/campaign_dlgs.h"

#include "game/app/dialogs/scenario_tables.h"
#include "ui/bitmap.h"
#include "ui/dialog_controls.h"

#include <cstdio>

namespace {

// Matched to the painted map of the "Campaign Game" library: 0..9 are the battles, 11 and 12
// the ends of the war. Spots 0 and 8 are fought over the same ground.
const Box kSpots[CampaignDlg::kSpotCount] = {
    Box(392, 199, 125, 25), Box(362, 88, 144, 26), Box(89, 208, 237, 26), Box(75, 42, 168, 26),
    Box(160, 267, 159, 25), Box(193, 407, 146, 25), Box(90, 151, 179, 26), Box(201, 336, 168, 25),
    Box(392, 199, 125, 25), Box(73, 236, 250, 25), Box(0, 0, 0, 0), Box(415, 151, 184, 25),
    Box(394, 319, 150, 25),
};

bool Contains(const Box& b, int x, int y) { return x >= b.x && x < b.x + b.width && y >= b.y && y < b.y + b.height; }

constexpr const char* kLibrary = "Campaign Game";

} // namespace

// ---- the campaign map ----

CampaignDlg::CampaignDlg(std::int16_t s, const List<short>& spots)
    : Window(Point(0, 0), Dim(0, 0), "", "CampaignMap"), Dialog(kLibrary, "Dialog", ""), spot(s) {
    for (const Item<short>* i = spots.Head(); i; i = i->next) reachable.AddTail(i->value);
}

Box CampaignDlg::SpotBox(int s) { return s >= 0 && s < kSpotCount ? kSpots[s] : Box(0, 0, 0, 0); }

bool CampaignDlg::IsReachable(std::int16_t s) const {
    for (const Item<short>* i = reachable.Head(); i; i = i->next)
        if (i->value == s) return true;
    return false;
}

void CampaignDlg::OnInit() {
    Center();
    EnableItem(kFinish, IsReachable(spot) ? 1 : 0);
}

void CampaignDlg::Refresh() {
    Dialog::Refresh();
    const Box current = SpotBox(spot);
    if (current.width > 0 && current.height > 0) FrameRect(current, 255, 255, 255);
    for (const Item<short>* i = reachable.Head(); i; i = i->next) {
        const Box b = SpotBox(i->value);
        if (b.width > 0 && b.height > 0) FrameRect(b, 255, 0, 0);
    }
}

LRESULT CampaignDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (running_ && (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK)) {
        const int x = static_cast<std::int16_t>(LOWORD(lParam)), y = static_cast<std::int16_t>(HIWORD(lParam));
        for (const Item<short>* i = reachable.Head(); i; i = i->next) {
            if (!Contains(SpotBox(i->value), x, y)) continue;
            spot = i->value;
            Refresh();
            Redraw();
            ::InvalidateRect(handle_, nullptr, TRUE);
            EnableItem(kFinish, 1);
            if (message == WM_LBUTTONDBLCLK) Command(kFinish, 0);
            break;
        }
    }
    return Dialog::WindowProc(message, wParam, lParam);
}

void CampaignDlg::Command(std::int16_t itemId, std::int16_t notification) {
    if (itemId == kFinish) {
        if (running_) Close(1);
        return;
    }
    if (itemId == kHelp) return;
    Dialog::Command(itemId, notification);
}

// ---- the end of the war ----

EndOfCampaignDlg::EndOfCampaignDlg(std::int32_t s, std::uint16_t w)
    : Window(Point(0, 0), Dim(0, 0), "", "CampaignResults"), Dialog(kLibrary, w ? "Victory" : "Defeat", ""),
      side(s), won(w), pictures(kLibrary), font(DialogControl::kFontName) {
    const char* section = won ? "Victory" : "Defeat";
    const std::int16_t background = pictures.ImageIndexByNames("Background", section);
    const std::int16_t k = pictures.SectionIndex(section);
    // A side other than 0 or 1 has no picture; the lines are still written.
    if (background >= 0 && (side == 0 || side == 1)) {
        const std::int16_t at = static_cast<std::int16_t>(background - pictures.FirstIndex(k) + 1 + side);
        if (at < pictures.ImageCount(k) && (picture = pictures.GetBitmap(at, k)) != nullptr) {
            pictureSection = k;
            pictureFrame = at;
        }
    }
    const std::int16_t c = pictures.SectionIndex("Canvas");
    if (c >= 0 && pictures.ImageCount(c) > 0 && (canvas = pictures.GetBitmap(0, c)) != nullptr) canvasSection = c;

    const bool unionWon = (side == 0 && won) || (side == 1 && !won);
    const std::string winner = frontend::ResourceString(unionWon ? 38 : 39);
    std::string loser = frontend::ResourceString(unionWon ? 39 : 38);
    if (unionWon) loser += " nation";
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "The %s forces have prevailed. The war is over.", winner.c_str());
    lines.emplace_back(buffer);
    std::snprintf(buffer, sizeof buffer, "The capitol has fallen and the %s is broken.", loser.c_str());
    lines.emplace_back(buffer);
    lines.emplace_back(" - Farewell");
}

EndOfCampaignDlg::~EndOfCampaignDlg() {
    if (picture) pictures.UnlockBitmap(pictureFrame, pictureSection);
    if (canvas) pictures.UnlockBitmap(0, canvasSection);
}

void EndOfCampaignDlg::OnInit() { Center(); }

void EndOfCampaignDlg::Refresh() {
    Dialog::Refresh();
    if (picture) {
        const Point hot = picture->GetHotspot();
        DrawAll(Point(static_cast<std::int16_t>(36 + hot.x), static_cast<std::int16_t>(20 + hot.y)), *picture, 1);
    }
    if (canvas) {
        const Point hot = canvas->GetHotspot();
        DrawAll(Point(static_cast<std::int16_t>(63 + hot.x), static_cast<std::int16_t>(209 + hot.y)), *canvas, 1);
    }
    // The dialog font stands in for the system font of the off-screen context; its pen is the
    // baseline, so each line is put one ascent below its top.
    const std::int16_t ascent = static_cast<std::int16_t>(font.GetHeight() - font.GetDescent());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Point pen(kTextX, static_cast<std::int16_t>(kFirstLineY + kLineStep * static_cast<int>(i) + ascent));
        font.DrawText(*this, pen, lines[i].c_str(), static_cast<std::int16_t>(lines[i].size()));
    }
}
