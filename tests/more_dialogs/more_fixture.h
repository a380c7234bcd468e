#pragma once
// The data directory of these dialogs' tests (the dialog font, the controls, the dialogs'
// backgrounds with the unit overview's, the campaign art), a WinApp on the virtual clock, and a
// stand-in for the map on the application's bus that records what the dialogs ask of it.
#include "core/container.h"
#include "core/events.h"
#include "core/message_registry.h"
#include "platform/dialog.h"
#include "tests/support/dialog_input.h"
#include "platform/message_queue.h"
#include "tests/ui/dialog_art.h"
#include "tests/ui/ui_fixture.h"
#include "tools/datagen/campaign_art.h"
#include "tools/datagen/control_art.h"
#include "tools/datagen/dialog_art_writer.h"
#include "ui/windows/dialog.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace moretest {

// Answers "GetObjectiveHolder" from a table (no entry: no answer) and records every message the
// objectives dialog sends to the map, with the hexes of the region messages.
class MapStandIn : public Component {
public:
    MapStandIn() : Component("Map stand-in") {}
    void Connect() override {
        RegisterNamedHandler("GetObjectiveHolder", Holder);
        RegisterNamedHandler("ZoomOutForRout", Record);
        RegisterNamedHandler("ZoomInAfterRout", Record);
        RegisterNamedHandler("Center On Region", Record);
        RegisterHandler(HIGHLIGHT_REGION, Record);
        RegisterHandler(DEHIGHLIGHT_REGION, Record);
    }

    std::map<short, long> holders;
    struct Seen {
        std::string name;
        std::vector<short> hexes;
    };
    std::vector<Seen> seen;
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const Seen& s : seen) out.push_back(s.name);
        return out;
    }

private:
    static std::string NameOf(BusMessage e) {
        const int n = static_cast<int>(e.Word() & 0x0FFFFFFFu);
        if (n == HIGHLIGHT_REGION) return "HIGHLIGHT_REGION";
        if (n == DEHIGHLIGHT_REGION) return "DEHIGHLIGHT_REGION";
        return MessageName(n);
    }
    static ContainerBase* Holder(Component* c, BusMessage, ContainerBase* p) {
        auto* self = static_cast<MapStandIn*>(c);
        const short* k = PayloadValue<short>(p);
        if (!k) return nullptr;
        auto it = self->holders.find(*k);
        return it == self->holders.end() ? nullptr : new Container<long>(it->second);
    }
    static ContainerBase* Record(Component* c, BusMessage e, ContainerBase* p) {
        auto* self = static_cast<MapStandIn*>(c);
        Seen s{NameOf(e), {}};
        if (const List<short>* l = PayloadValue<List<short>>(p))
            for (const Item<short>* i = l->Head(); i; i = i->next) s.hexes.push_back(i->value);
        if (s.name == "Center On Region")
            if (const short* h = PayloadValue<short>(p)) s.hexes.push_back(*h);
        self->seen.push_back(std::move(s));
        return nullptr;
    }
};

class MoreDialogTest : public uitest::WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        datagen::LibrarySpec bitmaps = datagen::DialogBitmapsLibrary();
        datagen::AddUnitOverviewBackground(bitmaps);
        data.WriteLibrary("dlgfont.qif", datagen::DialogFontLibrary(uitest::kInk));
        data.WriteLibrary("chisel.qif", datagen::FontLibrary(uitest::kInk));
        data.WriteLibrary("buttons.qif", datagen::DialogButtonsLibrary());
        data.WriteLibrary("dlgbmp.qif", bitmaps);
        data.WriteLibrary("campaign.qif", datagen::CampaignGameLibrary());
        data.WriteLibrary("slider.qif", datagen::SliderLibrary());
        data.WriteIndex({{"dlgfont.qif", "MS Sans Serif 2"},
                         {"chisel.qif", "Chiseled Text"},
                         {"buttons.qif", "DialogButtons"},
                         {"dlgbmp.qif", "Dialog Bitmaps"},
                         {"campaign.qif", "Campaign Game"},
                         {"slider.qif", "Slider"}});
        platform::ClearDialogScripts();
        platform::ResetAbandonedDialogs();
        MakeApp();
        map.AttachToBus(app.get());
    }
    void TearDown() override {
        map.DetachFromBus();
        platform::ClearDialogScripts();
        WinAppTest::TearDown();
    }

    static Dialog* Of(HWND d) { return reinterpret_cast<Dialog*>(GetWindowLongPtrA(d, Dialog::kPointerOffset)); }
    static void PostClick(HWND dialog, int x, int y, bool doubleClick = false) {
        testsupport::PostClick(dialog, x, y, doubleClick);
    }
    static void SelectListEntry(HWND dialog, int list, int entry) {
        SendDlgItemMessageA(dialog, list, LB_SETCURSEL, static_cast<WPARAM>(entry), 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(list), LBN_SELCHANGE),
                    reinterpret_cast<LPARAM>(GetDlgItem(dialog, list)));
    }
    static std::vector<std::string> ListTexts(HWND dialog, int list) { return testsupport::ListBoxTexts(dialog, list); }

    MapStandIn map;
};

} // namespace moretest
