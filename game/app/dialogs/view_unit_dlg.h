#pragma once
// ViewUnitDlg ("ViewUnit", "Unit Details"): one combat unit's state as it is when drawn: used
// this turn, condition, morale, movement, strength, and its missile weapon. It changes nothing.
#include "ui/font.h"
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>
#include <vector>

class Combat;

class ViewUnitDlg : public Dialog {
public:
    enum : std::int16_t { kHelp = 9 };
    static constexpr int kTitleY = 40;

    explicit ViewUnitDlg(Combat* unit);

    void OnInit() override {}
    void Refresh() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;

    // One text of the page at its pen position (left, top of the line).
    struct Line {
        int x;
        int y;
        std::string text;
        bool operator==(const Line& o) const { return x == o.x && y == o.y && text == o.text; }
    };
    // The labels and values below the title, as they are drawn.
    std::vector<Line> Lines() const;
    // The weapon name of a missile weapon code (12..22); empty for the others.
    static std::string WeaponName(std::uint32_t code);
    const std::string& GetHelpPath() const { return helpPath; }

private:
    Combat* unit;
    AllCapsFont titleFont;
    std::string helpPath;
};
