#pragma once
// Scripted input for the headless backend: a text file of steps that a test writes and the real
// program follows (`varnhold --script FILE`, or VARNHOLD_SCRIPT=FILE). While a script runs, the
// headless backend counts as a live input source, so that dialogs wait for it instead of giving
// up; once it has ended (or failed) the backend is idle again and dialogs with nothing to do are
// cancelled as before, so a script that stops early still lets the program end.
//
// One step a line; '#' starts a comment line; texts are quoted ("..." with \" and \\ inside);
// points are screen pixels unless said otherwise; every wait has a time-out in milliseconds
// (default 60000) after which the script fails with a message naming the step.
//   wait-window "Caption" [ms]       a visible top-level window with that caption
//   wait-gone "Caption" [ms]         no visible top-level window with that caption
//   wait-control ID "Text" [ms]      a visible window holds a control of that id and text
//   wait-enabled ID [ms]             the front window holding control ID has it enabled
//   wait-menu-enabled ID [ms]        the front menu bar that holds item ID has it enabled
//   pause ms                         lets real time pass (nothing is injected meanwhile)
//   move X Y                         the mouse moves there
//   click X Y | rclick X Y | dclick X Y    left, right or double left click at a screen point
//   click-client "Caption" X Y       left click at client pixels of the window of that caption
//   dclick-client "Caption" X Y      the same, double
//   click-control ID                 left click at the centre of the front visible control ID
//   click-list ID "Text"             left click on the row of that text in list box ID, or in the
//                                    dropped list of combo box ID
//   click-menu "Caption" "Item"      left click on an item of an open pop-up menu or of the menu
//                                    bar of the window of that caption ("&Game" or "Game")
//   key NAME                         press and release: RETURN ESCAPE TAB SPACE UP DOWN LEFT
//                                    RIGHT HOME END PRIOR NEXT F1..F12 ALT SHIFT CONTROL, A..Z, 0..9
//   key-down NAME | key-up NAME      one half of it
//   menu ID                          chooses the item ID of the front menu bar that holds it, as a
//                                    person would (fails when it is grayed or no menu holds it)
//   menu-until ID STOP "Text" [ms]  chooses menu item ID each time it is enabled (again only once
//                                    it was grayed meanwhile, or after 30 s still enabled) until a
//                                    visible window holds control STOP of that text
//   answer N                         queues N as the answer of the next message box
//   answer-always N                  every box from now on answers N (0: back to the queue)
//   screenshot PATH                  saves the composed screen as PNG once every window is painted
//   windows PATH                     writes the visible windows: one line each, depth-indented:
//                                    id, class, caption/text, screen rectangle, enabled flag
//   end                              stops here (what follows is not run)
//   quit [STATUS]                    ends the program at once with STATUS (0 unless given)
#include <string>

namespace platform {

// Reads the script; false with `error` when the file cannot be read or a line is not a step.
bool StartInputScript(const std::string& path, std::string& error);
// Whether the script is still running.
bool InputScriptRunning();
// Runs steps until one must wait or has injected input (the program handles it first); called by
// the headless backend each time the pump looks for input. True when it injected anything.
bool StepInputScript();
// After the run: whether every step was done, and what stopped it otherwise.
bool InputScriptSucceeded();
std::string InputScriptError();
// Tests of the script reader itself.
void StopInputScript();

} // namespace platform
