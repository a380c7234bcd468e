#pragma once
// What the commentary window, the About box and the details dialogs ask of the game's
// application: its directories and the frame's windows. The application installs its own host;
// until it does, a plain one answers from the running WinApp (its data directory for every
// kind) and the main window handle, with no MDI client.
#include "platform/window.h"

#include <cstdint>
#include <string>

class InfoDialogHost {
public:
    virtual ~InfoDialogHost();
    // Kind 1 is the data directory.
    virtual std::string GetDirectory(std::int16_t kind);
    virtual HWND GetMainWindow();
    // The frame's MDI client; null when there is none.
    virtual HWND GetMDIClient();
};

InfoDialogHost& InfoHost();
// Installs the application's host (not owned); null brings the plain one back.
void SetInfoHost(InfoDialogHost* host);
