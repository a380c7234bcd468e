#pragma once
// A WinApp over a data directory with the dialog font, the controls' art and a "Dialog Bitmaps"
// library (sections "Intro" and "Army Details"), a 1024 x 768 screen, and a listener on the
// application's bus that records the menu-item events.
#include "core/component.h"
#include "core/container.h"
#include "core/events.h"
#include "platform/dialog.h"
#include "platform/richedit.h"
#include "tests/ui/dialog_art.h"

#include <string>
#include <utility>
#include <vector>

namespace infotest {

using namespace uitest;

inline datagen::LibrarySpec DialogBitmaps() {
    datagen::LibrarySpec lib;
    lib.title = "Dialog Bitmaps";
    lib.sections.push_back({"Intro", {Solid("Background", 8, 8, 120)}});
    lib.sections.push_back({"Army Details", {Solid("Background", 8, 8, 130)}});
    return lib;
}

class MenuListener : public Component {
public:
    MenuListener() : Component("MenuListener") {}
    void Connect() override {
        RegisterHandler(ENABLE_MENU_ITEM, &Record<ENABLE_MENU_ITEM>);
        RegisterHandler(DISABLE_MENU_ITEM, &Record<DISABLE_MENU_ITEM>);
        RegisterHandler(CHECK_MENU_ITEM, &Record<CHECK_MENU_ITEM>);
        RegisterHandler(UNCHECK_MENU_ITEM, &Record<UNCHECK_MENU_ITEM>);
    }
    // (event, item) in arrival order.
    std::vector<std::pair<int, int>> events;

private:
    template <int Event>
    static ContainerBase* Record(Component* receiver, BusMessage, ContainerBase* payload) {
        auto* self = static_cast<MenuListener*>(receiver);
        const BusMessage* item = PayloadValue<BusMessage>(payload);
        self->events.emplace_back(Event, item ? static_cast<int>(item->Number()) : -1);
        return nullptr;
    }
};

class InfoDialogTest : public WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        InstallDialogArt(data);
        data.WriteLibrary("dlgbmps.qif", DialogBitmaps());
        data.WriteIndex({{"dlgfont.qif", "MS Sans Serif 2"},
                         {"font.qif", "Plain"},
                         {"buttons.qif", "DialogButtons"},
                         {"backdrop.qif", "Backdrop"},
                         {"dlgbmps.qif", "Dialog Bitmaps"}});
        platform::SetScreenSize(1024, 768);
        platform::ClearDialogScripts();
        platform::ResetAbandonedDialogs();
        MakeApp();
        listener.AttachToBus(app.get());
        sender.AttachToBus(app.get());
    }
    void TearDown() override {
        listener.DetachFromBus();
        sender.DetachFromBus();
        platform::ClearDialogScripts();
        WinAppTest::TearDown();
    }
    void Say(const char* name, const std::string& text) {
        Container<std::string> payload(text);
        delete sender.SendNamed(name, &payload);
    }
    void Event(const char* name) { delete sender.SendNamedEvent(name); }

    static std::string TextOf(HWND control) {
        std::string s;
        for (const auto& r : platform::RichEditRuns(control)) s += r.text;
        return s;
    }

    MenuListener listener;
    Component sender{"Sender"};
};

} // namespace infotest
