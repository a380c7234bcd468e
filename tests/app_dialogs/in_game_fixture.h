#pragma once
// The in-game dialogs on the headless backend: a WinApp over a data directory with our own art
// for the dialogs (fonts, controls, "Dialog Bitmaps", "End Of Game Bitmaps", "Chiseled Text"), a
// logical layer on its bus with the dialog services installed, and a recorder of what the
// dialogs send and post on that bus. Scripts answer the dialogs (platform::QueueDialogScript).
#include "core/events.h"
#include "game/app/dialogs/in_game_services.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "platform/dialog.h"
#include "tests/ui/dialog_art.h"
#include "tools/datagen/dialog_art_writer.h"
#include "ui/windows/dialog.h"
#include "ui/windows/mdi_windows.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ingametest {

// One message as the recorder heard it.
struct Heard {
    std::string name;
    std::vector<short> hexes;     // a list of hexes
    short value = 0;              // a 16-bit value
    std::string text;             // a text
    RaiseFlagsStruct flags;       // "RaiseFlags"
    int detailsSide = -1;         // "ArmyDetails": the side the overview had been asked for
};

class Recorder : public Component {
public:
    Recorder() : Component("Dialog Recorder") {}
    void Connect() override {
        for (const char* name : {"ArmyDetails", "GameOverview", "DoneViewingCombatResults", "OCRDlgClosing",
                                 "Center On Region", "RaiseFlags", "LeaderFinishLeader", "ShowFinishLeader",
                                 "ShowGroupCommandConfirm", "SynchronizeGame", "EndGameMusic"}) {
            names[RegisterMessage(name)] = name;
            RegisterNamedHandler(name, Note);
        }
        names[HIGHLIGHT_REGION] = "HIGHLIGHT_REGION";
        names[DEHIGHLIGHT_REGION] = "DEHIGHLIGHT_REGION";
        RegisterHandler(HIGHLIGHT_REGION, Note);
        RegisterHandler(DEHIGHLIGHT_REGION, Note);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const Heard& h : heard) out.push_back(h.name);
        return out;
    }
    int Count(const std::string& name) const {
        int n = 0;
        for (const Heard& h : heard) n += h.name == name;
        return n;
    }
    const Heard* Last(const std::string& name) const {
        for (auto i = heard.rbegin(); i != heard.rend(); ++i)
            if (i->name == name) return &*i;
        return nullptr;
    }
    std::vector<Heard> heard;

private:
    static ContainerBase* Note(Component* c, BusMessage event, ContainerBase* p) {
        auto* self = dynamic_cast<Recorder*>(c);
        if (!self) return nullptr;
        Heard h;
        h.name = self->names[event.Word() & 0x0FFFFFFFu];
        if (const auto* list = PayloadValue<List<short>>(p))
            for (const Item<short>* i = list->Head(); i; i = i->next) h.hexes.push_back(i->value);
        if (const short* v = PayloadValue<short>(p)) h.value = *v;
        if (const std::string* t = PayloadValue<std::string>(p)) h.text = *t;
        if (const auto* f = PayloadValue<RaiseFlagsStruct>(p)) h.flags = *f;
        if (EndTurnDlg* const* d = PayloadValue<EndTurnDlg*>(p)) h.detailsSide = static_cast<int>(AppServices().PressedArmySide(*d));
        self->heard.push_back(h);
        return nullptr;
    }
    std::map<std::uint32_t, std::string> names;
};

inline std::vector<short> Hexes(const List<unsigned short>& list) {
    std::vector<short> out;
    for (const Item<unsigned short>* i = list.Head(); i; i = i->next) out.push_back(static_cast<short>(i->value));
    return out;
}

class InGameTest : public uitest::WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        data.WriteLibrary("dlgfont.qif", datagen::DialogFontLibrary(uitest::kInk));
        data.WriteLibrary("chisel.qif", datagen::FontLibrary(uitest::kInk));
        data.WriteLibrary("buttons.qif", datagen::DialogButtonsLibrary());
        data.WriteLibrary("dlgbmp.qif", datagen::DialogBitmapsLibrary());
        data.WriteLibrary("endgame.qif", datagen::EndOfGameBitmapsLibrary());
        data.WriteIndex({{"dlgfont.qif", "MS Sans Serif 2"},
                         {"chisel.qif", "Chiseled Text"},
                         {"buttons.qif", "DialogButtons"},
                         {"dlgbmp.qif", "Dialog Bitmaps"},
                         {"endgame.qif", "End Of Game Bitmaps"}});
        platform::ClearDialogScripts();
        platform::ResetAbandonedDialogs();
        MakeApp();
        layer = std::make_unique<VhLogicalLayer>();
        layer->AttachToBus(app.get());
        services = std::make_unique<InGameServices>(layer.get());
        SetAppServices(services.get());
        SetUnitDialogs(&unitDialogs);
        recorder.AttachToBus(layer.get());
    }
    void TearDown() override {
        Settle();
        recorder.DetachFromBus();
        SetAppServices(nullptr);
        SetUnitDialogs(nullptr);
        services.reset();
        layer.reset();
        platform::ClearDialogScripts();
        WinAppTest::TearDown();
    }
    // Lets windows and the bus run for a while on the virtual clock (modeless dialogs, timers).
    void Settle(int milliseconds = 600) {
        for (int t = 0; t <= milliseconds; t += 50) {
            Drain();
            app->DrainTasks();
            platform::AdvanceClock(50);
            Drain();
            app->DrainTasks();
        }
    }
    // The program's frame with its map area (the MDI client), as the main window; the test deletes it.
    WindowsMainWindow* MakeFrame() {
        auto* frame = new WindowsMainWindow(Point(50, 50), Dim(700, 500), "Varnhold", nullptr, nullptr, nullptr);
        app->SetMainDisplay(frame);
        frame->AttachToBus(app.get());
        Drain();
        return frame;
    }
    void DeleteFrame(WindowsMainWindow* frame) {
        app->SetMainDisplay(nullptr);
        delete frame;
        Drain();
    }
    // The dialog object behind a dialog window.
    static Dialog* DialogOf(HWND d) { return reinterpret_cast<Dialog*>(GetWindowLongPtrA(d, Dialog::kPointerOffset)); }
    // A script that clicks one item of the next dialog.
    static void Click(int id) {
        platform::QueueDialogScript([id](HWND d) { platform::ClickDlgItem(d, id); });
    }

    std::unique_ptr<VhLogicalLayer> layer;
    std::unique_ptr<InGameServices> services;
    InGameUnitDialogs unitDialogs;
    Recorder recorder;
};

} // namespace ingametest
