#pragma once
// Streams a file of the program's ("\"-separated) paths into a rich-edit control as rich text:
// the file is read in the pieces the control asks for. False when the file does not open or
// its text is refused (the control's text is then as it was).
#include "platform/window.h"

#include <string>

bool StreamRichTextFile(HWND control, const std::string& path);
