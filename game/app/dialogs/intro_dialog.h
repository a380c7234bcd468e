#pragma once
// IntroDialog ("IntroDlg", "Leader Control"): before a battle on one machine, which side the
// computer plays and which a person plays. Two radio groups, "Computer" (0) and "Player" (1)
// per side; choosing the computer for one side hands the other to a player, so a click never
// gives the computer both sides, while both may be players. No Cancel: OK always ends it.
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>

class IntroDialog : public Dialog {
public:
    enum : std::int16_t {
        kFirstName = 101, kSecondName = 102,
        kFirstComputer = 103, kFirstPlayer = 104, kSecondComputer = 105, kSecondPlayer = 106
    };

    IntroDialog(const std::string& firstSide, const std::string& secondSide);

    void OnInit() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;

    // 1 when the computer controls that side.
    std::uint16_t FirstSideIsComputer() const { return firstComputer; }
    std::uint16_t SecondSideIsComputer() const { return secondComputer; }

private:
    std::uint16_t firstComputer = 0;
    std::uint16_t secondComputer = 0;
    std::string firstName;
    std::string secondName;
};
