#include "game/app/dialogs/view_unit_dlg.h"

#include "game/app/dialogs/scenario_tables.h"
#include "game/units/combat.h"
#include "game/units/missile_capable.h"
#include "core/application.h"
#include "ui/dialog_controls.h"

namespace {

std::string Text(std::uint32_t id) { return frontend::ResourceString(id); }
std::string Label(std::uint32_t id) { return Text(id) + Text(68); }
std::string Number(int n) { return std::to_string(n); }

} // namespace

ViewUnitDlg::ViewUnitDlg(Combat* u)
    : Window(Point(0, 0), Dim(0, 0), "", "ViewUnit"), Dialog("Dialog Bitmaps", "Unit Overview", "Background"), unit(u),
      titleFont("Chiseled Text") {}

std::string ViewUnitDlg::WeaponName(std::uint32_t code) {
    return code >= 12 && code <= 22 ? Text(182 + (code - 12)) : std::string();
}

std::vector<ViewUnitDlg::Line> ViewUnitDlg::Lines() const {
    std::vector<Line> out;
    if (!unit) return out;
    const int lx = 60, vx = 160;
    out.push_back({lx, 79, Label(48)});
    out.push_back({vx, 79, Text(unit->IsUsedThisTurn() ? 49 : 50)});
    out.push_back({lx, 96, Label(51)});
    out.push_back({vx, 96, Text(unit->IsCombatUnit() && unit->IsRouted() ? 53 : 52)});
    out.push_back({lx, 113, Label(54)});
    out.push_back({vx, 113, Number(unit->GetTQ())});
    out.push_back({lx, 130, Label(55)});
    out.push_back({vx, 130, Number(unit->GetCohesionHits())});
    out.push_back({lx, 147, Text(56)});
    out.push_back({83, 164, Label(57)});
    out.push_back({vx, 164, Number(unit->GetMovementAllowance() / 2)});
    out.push_back({83, 181, Label(58)});
    out.push_back({vx, 181, Number(unit->GetMovementPoints() / 2)});
    out.push_back({lx, 198, Label(59)});
    out.push_back({vx, 198, Number(unit->GetSize())});

    const int rx = 225, rv = 296;
    out.push_back({rx, 79, Text(60)});
    const MissileCapable* m = unit->IsMissileCapable() ? static_cast<const MissileCapable*>(unit) : nullptr;
    if (m && m->GetMissileType() == 0) m = nullptr;
    out.push_back({rx, 96, Label(61)});
    if (m) {
        std::string type = WeaponName(m->GetMissileType());
        if (m->GetFireRating() > 0) type += "+";
        else if (m->GetFireRating() < 0) type += "-";
        out.push_back({265, 96, type});
    } else {
        out.push_back({rv, 96, Text(63)});
    }
    out.push_back({rx, 113, Label(62)});
    out.push_back({rv, 113, m ? Number(m->GetMaxRange()) : Text(63)});
    out.push_back({rx, 130, Label(57)});
    out.push_back({rv, 130, m ? Number(m->GetMaxMissiles()) : Text(63)});
    out.push_back({rx, 147, Label(58)});
    out.push_back({rv, 147, m ? Number(m->GetMissiles()) : Text(63)});
    return out;
}

void ViewUnitDlg::Refresh() {
    Dialog::Refresh();
    if (!unit) return;
    const std::string name = unit->GetName();
    const Box title = titleFont.GetTextRect(name.c_str());
    const std::int16_t tx = static_cast<std::int16_t>(GetWidth() / 2 - title.width / 2);
    titleFont.DrawText(*this, Point(tx, static_cast<std::int16_t>(kTitleY + titleFont.GetHeight())), name.c_str(),
                       static_cast<std::int16_t>(name.size()));
    // The dialog font stands in for the bold system font; its pen is on the baseline.
    DialogFont font(DialogControl::kFontName);
    const std::int16_t ascent = static_cast<std::int16_t>(font.GetHeight() - font.GetDescent());
    for (const Line& l : Lines())
        font.DrawText(*this, Point(static_cast<std::int16_t>(l.x), static_cast<std::int16_t>(l.y + ascent)), l.text.c_str(),
                      static_cast<std::int16_t>(l.text.size()));
}

void ViewUnitDlg::Command(std::int16_t itemId, std::int16_t notification) {
    if (itemId == kHelp) {
        // The help viewer is not part of this program; the path is kept for whoever shows it.
        Application* app = GetApplication();
        helpPath = (app ? app->GetDataDirectory() : std::string()) + "\\rally.hlp";
        return;
    }
    Dialog::Command(itemId, notification);
}
