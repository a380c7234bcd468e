#pragma once
// The network dialogs' test ground: a WinApp over a data directory holding the dialog font, the
// controls' art and "Dialog Bitmaps" (sections "Intro" and "Chat", image "Background"), all drawn
// by the data generator; and a recorder of what the dialogs put on the bus.
#include "comms/ui/connection_event.h"
#include "tests/support/dialog_input.h"
#include "core/component.h"
#include "core/container.h"
#include "core/events.h"
#include "platform/dialog.h"
#include "platform/msgbox.h"
#include "tests/ui/dialog_art.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace commsuitest {

inline datagen::LibrarySpec DialogBitmapsLibrary() {
    datagen::LibrarySpec lib;
    lib.title = "Dialog Bitmaps";
    lib.sections.push_back({"Intro", {uitest::Solid("Background", 16, 16, 120)}});
    lib.sections.push_back({"Chat", {uitest::Solid("Background", 16, 16, 121)}});
    return lib;
}

class NetDialogTest : public uitest::WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        data.WriteLibrary("dlgfont.qif", datagen::DialogFontLibrary(uitest::kInk));
        data.WriteLibrary("buttons.qif", datagen::DialogButtonsLibrary());
        data.WriteLibrary("dlgbmps.qif", DialogBitmapsLibrary());
        data.WriteIndex({{"dlgfont.qif", "MS Sans Serif 2"},
                         {"buttons.qif", "DialogButtons"},
                         {"dlgbmps.qif", "Dialog Bitmaps"}});
        platform::ClearDialogScripts();
        platform::ResetAbandonedDialogs();
        platform::ClearMessageBoxAnswers();
        platform::ClearShownMessageBoxes();
        MakeApp();
    }
    void TearDown() override {
        platform::ClearDialogScripts();
        platform::ClearMessageBoxAnswers();
        platform::ClearShownMessageBoxes();
        WinAppTest::TearDown();
    }
    // Presses a button as its click would, whether or not the button is enabled.
    static void Command(HWND dialog, int id, WORD code = 0) {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), code),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }
    static void Type(HWND dialog, int id, const std::string& text) {
        for (char c : text) SendMessageA(GetDlgItem(dialog, id), WM_CHAR, static_cast<unsigned char>(c), 0);
    }
    static bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
    static bool Visible(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE; }
    static std::string Text(HWND dialog, int id) {
        char buffer[512] = {};
        GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
        return buffer;
    }
    static std::vector<std::string> Rows(HWND dialog, int id) { return testsupport::ListBoxTexts(dialog, id); }
    static LRESULT Selection(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, LB_GETCURSEL, 0, 0); }
};

// Records the lobby's events, the connection requests and the directory's requests on its bus.
class Recorder : public Component {
public:
    Recorder() : Component("Recorder") {}
    void Connect() override {
        RegisterNamedHandler("ConnectionEvent", &Recorder::OnEvent);
        RegisterHandler(BusMessage(CLOSE_CONNECTION), &Recorder::OnNumbered);
        RegisterHandler(BusMessage(DIAL_REQUEST), &Recorder::OnNumbered);
        RegisterHandler(BusMessage(CONNECT), &Recorder::OnNumbered);
    }
    std::vector<ConnectionEvent> events;
    std::vector<int> numbered;
    std::vector<ContainerBase*> payloads;
    ~Recorder() override {
        for (ContainerBase* p : payloads) delete p;
    }

private:
    static ContainerBase* OnEvent(Component* c, BusMessage, ContainerBase* p) {
        if (const ConnectionEvent* e = PayloadValue<ConnectionEvent>(p)) static_cast<Recorder*>(c)->events.push_back(*e);
        return nullptr;
    }
    static ContainerBase* OnNumbered(Component* c, BusMessage e, ContainerBase* p) {
        auto* self = static_cast<Recorder*>(c);
        self->numbered.push_back(e.Number());
        self->payloads.push_back(p ? p->Clone() : nullptr);
        return nullptr;
    }
};

} // namespace commsuitest
