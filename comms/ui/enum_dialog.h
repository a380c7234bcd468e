#pragma once
// EnumDialog: the player picks one entry of a list of texts; each entry carries an opaque data
// value (never read through; null is valid) that the dialog hands back. Run by the template name
// "EnumDialog". The result of Execute is the low 16 bits of the chosen data, sign-extended, or -1
// for Cancel; callers that pass pointers read GetSelectedData.
//
// Invariants: every line of list 101 carries the data of the entry it shows; OK is enabled
// exactly when the list has a line; the selected data is -1 until OK or a double click.
#include "core/list.h"
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>

struct enumeration {
    std::string string;
    void* data = nullptr;

    enumeration() = default;
    enumeration(std::string text, void* data_) : string(std::move(text)), data(data_) {}
    bool operator==(const enumeration&) const = default;
};

class EnumDialog : public Dialog {
public:
    static constexpr std::int16_t kList = 101;

    EnumDialog(const List<enumeration>& entries, const char* title, std::uint16_t showCancel);

    // Adds an entry to the open dialog: a text already there with the same data adds nothing.
    void AddItem(const char* text, void* data);
    // The data of the entry chosen last; -1 until one was chosen.
    std::intptr_t GetSelectedData() const { return selectedData_; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    void OnInit() override;

private:
    void ChooseCurrent();

    List<enumeration> entries_;
    std::string title_;
    std::uint16_t showCancel_;
    std::intptr_t selectedData_ = -1;
};
