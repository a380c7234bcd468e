#include "game/app/dialogs/intro_dialog.h"

#include "platform/msgbox.h"

IntroDialog::IntroDialog(const std::string& firstSide, const std::string& secondSide)
    : Window(Point(0, 0), Dim(0, 0), "", "IntroDlg"), Dialog("Dialog Bitmaps", "Intro", ""), firstName(firstSide),
      secondName(secondSide) {}

void IntroDialog::OnInit() {
    Center();
    SetItemText(kFirstName, firstName.c_str());
    SetItemText(kSecondName, secondName.c_str());
    SetItemValue(kFirstComputer, 1);
    SetItemValue(kSecondComputer, 0);
}

void IntroDialog::Command(std::int16_t itemId, std::int16_t notification) {
    if (itemId == kFirstComputer) SetItemValue(kSecondComputer, 1);
    if (itemId == kSecondComputer) SetItemValue(kFirstComputer, 1);
    if (itemId == IDOK) {
        firstComputer = GetItemValue(kFirstComputer) == 0 ? 1 : 0;
        secondComputer = GetItemValue(kSecondComputer) == 0 ? 1 : 0;
    }
    Dialog::Command(itemId, notification);
}
