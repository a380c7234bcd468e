#include "game/app/dialogs/about_dlg.h"

#include "game/app/dialogs/info_dialog_host.h"
#include "game/app/dialogs/rich_text_file.h"
#include "platform/richedit.h"
#include "platform/strings.h"
#include "ui/windows/win_app.h"

#include <string>

namespace {

constexpr DWORD kCreditsStyle = WS_CHILD | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL;

std::string ResourceText(UINT id) {
    char buffer[256] = {};
    LoadString(InstanceHandle, id, buffer, 255);
    return buffer;
}

} // namespace

About::About() : Window(Point(0, 0), Dim(100, 100), "", "About"), Dialog("Dialog Bitmaps", "Intro", "") {}

void About::OnInit() {
    SetItemText(101, (ResourceText(74) + ResourceText(37)).c_str());
    Center();
    platform::RegisterRichEditClass();
    credits = CreateWindowExA(WS_EX_STATICEDGE, "RichEdit", "", kCreditsStyle, 50, 60, 300, 180, handle_,
                              reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(kCreditsId)), InstanceHandle, nullptr);
    if (!credits) return;
    ShowWindow(credits, SW_SHOW);
    // A damaged file counts as a missing one: the player sees the notice, not half a text.
    if (!StreamRichTextFile(credits, InfoHost().GetDirectory(1) + "\\credits.rtf"))
        SetWindowTextA(credits, kNoCredits);
}
