#pragma once
// Message boxes. The headless backend answers from a script that tests fill and logs every
// box on stderr; an interactive backend installs its own presenter.
#include "platform/wintypes.h"
#include <functional>
#include <string>

// Button sets.
constexpr UINT MB_OK = 0x0000;
constexpr UINT MB_OKCANCEL = 0x0001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x0002;
constexpr UINT MB_YESNOCANCEL = 0x0003;
constexpr UINT MB_YESNO = 0x0004;
constexpr UINT MB_RETRYCANCEL = 0x0005;
constexpr UINT MB_TYPEMASK = 0x000F;
// Icons.
constexpr UINT MB_ICONHAND = 0x0010;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x0020;
constexpr UINT MB_ICONEXCLAMATION = 0x0030;
constexpr UINT MB_ICONINFORMATION = 0x0040;
// Default button and modality.
constexpr UINT MB_DEFBUTTON1 = 0x0000;
constexpr UINT MB_DEFBUTTON2 = 0x0100;
constexpr UINT MB_DEFBUTTON3 = 0x0200;
constexpr UINT MB_APPLMODAL = 0x0000;
constexpr UINT MB_SYSTEMMODAL = 0x1000;
constexpr UINT MB_TASKMODAL = 0x2000;

// Answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows a box and returns the button chosen, or 0 when it could not be shown.
int MessageBox(HWND owner, const char* text, const char* caption, UINT type);
void MessageBeep(UINT type);

namespace platform {

// A presenter shows one box and returns its answer (0 = could not be shown).
using MessageBoxPresenter = std::function<int(const char* text, const char* caption, UINT type)>;

// Installs the presenter of an interactive backend; an empty one restores the headless behaviour.
void SetMessageBoxPresenter(MessageBoxPresenter presenter);

// Headless: the next box answers with this button. Answers are used in order; with none queued
// a box takes the answer that gives up without ending the program (Ignore, Cancel, OK, Yes).
void QueueMessageBoxAnswer(int answer);
void ClearMessageBoxAnswers();

// Every box shown since the last clear, oldest first.
struct ShownBox {
    std::string text;
    std::string caption;
    UINT type;
};
std::size_t ShownMessageBoxCount();
ShownBox ShownMessageBox(std::size_t index);
void ClearShownMessageBoxes();

} // namespace platform
