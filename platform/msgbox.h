#pragma once
// Message boxes, drawn as modal windows of their own: the caption, an icon, the text (wrapped)
// and a row of buttons; Enter presses the default (or focused) button, Escape means Cancel
// where the box has one (OK on a box with only OK), a letter presses the button it underlines,
// Tab and the arrows move between buttons. On a live display the box runs the ordinary
// message pump until a button is chosen, with its owner disabled. On a backend without live
// input (headless) the box is drawn and shown on the screen, the shown-hook runs (a test may
// look at the screen then), and it answers from the script that tests fill, with a line on
// stderr. Boxes raised on another thread than the user-interface thread are not drawn; they
// answer as the headless script says.
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

// Installs a presenter that answers in place of the drawn box (tests); an empty one restores
// the box.
void SetMessageBoxPresenter(MessageBoxPresenter presenter);

// Headless: the next box answers with this button. Answers are used in order; with none queued
// a box takes the answer that gives up without ending the program (Ignore, Cancel, OK, Yes).
void QueueMessageBoxAnswer(int answer);
void ClearMessageBoxAnswers();

// Runs while each drawn box is on the screen, before it is answered (headless) or waits for
// the person (live); `box` is its window. Null: nothing.
using MessageBoxShownHook = std::function<void(HWND box)>;
void SetMessageBoxShownHook(MessageBoxShownHook hook);

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
