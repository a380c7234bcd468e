#pragma once
// What the main window knows of its toolbar and status bar: the bars are widgets of their own
// (ui/toolbar.h, ui/status_bar.h). The frame uses NotifyCommand, SetText, and the bar's native
// window and height (GetBarWindow, GetBarHeight) to lay the MDI client out between them.
#include "ui/status_bar.h"
#include "ui/toolbar.h"
