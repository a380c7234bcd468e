#pragma once
// Two small developer's dialogs that nothing in the game opens. AIFileNameDlg
// ("NewAIFileName"): the name of a computer player's script file. LeaderCheatDlg
// ("LeaderCheatDlg"): which of the free leaders acts next, and whether it gains momentum.
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>

class AIFileNameDlg : public Dialog {
public:
    enum : std::int16_t { kName = 101 };
    explicit AIFileNameDlg(std::string fileName);

    void OnInit() override;
    void OnOK() override;

    const std::string& GetFileName() const { return fileName; }

private:
    std::string fileName;
};

class LeaderCheatDlg : public Dialog {
public:
    enum : std::int16_t { kList = 10, kMomentum = 11 };
    // A longer name is cut to this many bytes in the list.
    static constexpr std::size_t kMaxNameLength = 131;

    // The names and flags are the caller's and must outlive the dialog; a non-zero flag leaves
    // that leader out.
    LeaderCheatDlg(const std::string* names, const std::int16_t* excluded, std::int16_t count, std::int16_t current);

    void OnInit() override;
    void OnOK() override;

    // The chosen leader's index: -1 with no selection, count when no name matched.
    std::int16_t GetChoice() const { return choice; }
    std::uint16_t GetMomentum() const { return momentum; }

private:
    static std::string ListName(const std::string& name);
    // LB_SELECTSTRING from entry 0: the first entry after it that begins with the text, the
    // first entry itself last.
    void SelectStartingWith(const std::string& text);

    const std::string* names;
    const std::int16_t* excluded;
    std::int16_t choice;
    std::uint16_t momentum = 0;
    std::int16_t count;
};
