#pragma once
// InformationDlg: up to three short lines over OK (or OK and Cancel; Yes and No with the
// "YesNoDlg" template); GetStringDialog: one line of text under a caption and a label. Both are
// run modally by template name ("MessageBox", "YesNoDlg", "GetString") and answer 1 for the
// first button, 0 for the second or Escape.
//
// Invariants: the line count is the number of stored lines; only the first three are ever shown.
#include "core/dyn_array.h"
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>

class InformationDlg : public Dialog {
public:
    static constexpr std::size_t kLineWidth = 30;

    // One line holding the whole text; option 0 shows one button, non-zero two.
    InformationDlg(const char* text, std::int16_t option);
    // The caption replaces the template's; the text is cut into lines of at most 30 characters.
    InformationDlg(const char* caption, const char* text, std::int16_t option);

    // Stores the next line; while the dialog runs it is also shown when it is one of the first three.
    void AddLine(const char* text);
    std::string GetLine(std::int16_t index) const;
    std::int16_t GetLineCount() const { return lineCount_; }
    std::int16_t GetCheckState() const { return checkState_; }

    void OnInit() override;
    void OnOK() override;
    // Called during initialisation after the caption is set, before the lines are shown.
    virtual void InitHook() {}

    // The cutting rule of the three-argument constructor.
    static DynArray<std::string> CutText(const std::string& text, std::int16_t& count);

private:
    DynArray<std::string> lines_{10};
    std::int16_t checkState_ = 0;
    std::int16_t lineCount_ = 0;
    std::int16_t option_ = 0;
    std::string caption_;
};

class GetStringDialog : public Dialog {
public:
    GetStringDialog(const char* caption, const char* label, const char* defaultText);

    // The edit's text after OK, the default text after Cancel.
    const std::string& GetResult() const { return result_; }
    const std::string& GetLabel() const { return label_; }

    void OnInit() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;

private:
    std::string label_;
    std::string caption_;
    std::string default_;
    std::string result_;
};
