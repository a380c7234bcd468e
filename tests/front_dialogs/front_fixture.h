#pragma once
// The data directory of the front-end dialog tests: the dialog font, the controls with the big
// buttons, the dialogs' backgrounds, the splash logos and the overview maps, all drawn by the
// data generator; a WinApp on the virtual clock; a recorder of named bus messages; and helpers
// that write variant and scenario files into the scenario directory (the data directory).
#include "core/container.h"
#include "core/message_registry.h"
#include "game/app/dialogs/dialog_event.h"
#include "game/app/dialogs/scenario_tables.h"
#include "platform/dialog.h"
#include "tests/support/dialog_input.h"
#include "platform/message_queue.h"
#include "tests/ui/dialog_art.h"
#include "tools/datagen/byte_writer.h"
#include "tools/datagen/front_dialog_art.h"
#include "tools/datagen/variant_file.h"
#include "ui/windows/dialog.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace fronttest {

// Records what arrives for the names it listens to, in order.
class Recorder : public Component {
public:
    void Connect() override {}
    void Listen(const char* name) { RegisterNamedHandler(name, &Record); }

    std::vector<std::string> names;
    std::vector<DialogEvent> events;
    std::vector<std::string> texts;

private:
    static ContainerBase* Record(Component* c, BusMessage e, ContainerBase* p) {
        auto* self = static_cast<Recorder*>(c);
        self->names.push_back(MessageName(static_cast<int>(e.Word() & 0x0FFFFFFFu)));
        if (const DialogEvent* d = PayloadValue<DialogEvent>(p)) self->events.push_back(*d);
        if (const std::string* s = PayloadValue<std::string>(p)) self->texts.push_back(*s);
        return nullptr;
    }
};

class FrontDialogTest : public uitest::WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        std::array<std::string, 10> titles = {"1st Bull Run", "Antietem",    "Brandy Station", "Gettysburg",
                                              "Wilderness",   "Five Forks",  "Cedar Creek",    "Gaines Mill",
                                              "2nd Bull Run", "Cedar Mountain"};
        data.WriteLibrary("dlgfont.qif", datagen::DialogFontLibrary(uitest::kInk));
        data.WriteLibrary("buttons.qif", datagen::FrontDialogButtonsLibrary());
        data.WriteLibrary("dlgbmps.qif", datagen::DialogBitmapsLibrary());
        data.WriteLibrary("logos.qif", datagen::CompanyLogosLibrary());
        data.WriteLibrary("overview.qif", datagen::OverviewMapsLibrary(titles));
        data.WriteIndex({{"dlgfont.qif", "MS Sans Serif 2"},
                         {"buttons.qif", "DialogButtons"},
                         {"dlgbmps.qif", "Dialog Bitmaps"},
                         {"logos.qif", "Company Logos"},
                         {"overview.qif", "Overview Maps"}});
        platform::ClearDialogScripts();
        platform::ResetAbandonedDialogs();
        MakeApp();
        recorder.AttachToBus(app.get());
    }
    void TearDown() override {
        recorder.DetachFromBus();
        platform::ClearDialogScripts();
        WinAppTest::TearDown();
    }

    void WriteVariant(const std::string& file, std::int32_t index, const std::string& scenario,
                      const std::string& title, std::uint32_t details = 1) {
        datagen::VariantDraft v;
        v.scenarioIndex = index;
        v.scenarioFile = scenario;
        v.detailsNumber = details;
        v.title = title;
        data.WriteBytes(file, datagen::WriteVariant(v));
    }

public:
    // The head of a scenario file as the custom list reads it, then some body bytes.
    static std::vector<std::uint8_t> ScenarioHeadBytesFor(const std::string& title, const std::string& subtitle,
                                                       const std::string& description, std::uint32_t first = 0,
                                                       std::uint32_t second = 4) {
        datagen::ByteWriter w;
        w.U32(first);
        w.U32(second);
        for (int i = 0; i < 16; ++i) w.U8(0);
        w.U8(static_cast<std::uint8_t>(title.size()));
        w.Bytes(std::vector<std::uint8_t>(title.begin(), title.end()));
        w.U8(static_cast<std::uint8_t>(subtitle.size()));
        w.Bytes(std::vector<std::uint8_t>(subtitle.begin(), subtitle.end()));
        w.U32(static_cast<std::uint32_t>(description.size()));
        w.Bytes(std::vector<std::uint8_t>(description.begin(), description.end()));
        for (int i = 0; i < 8; ++i) w.U8(0xEE);
        return w.Data();
    }
    static std::vector<std::uint8_t> ScenarioHeadBytes(const std::string& title, const std::string& subtitle,
                                                       const std::string& description, std::uint32_t first = 0,
                                                       std::uint32_t second = 4) {
        return ScenarioHeadBytesFor(title, subtitle, description, first, second);
    }

protected:

    // A left press (or double-click) at client pixels of the dialog, posted.
    static void PostClick(HWND dialog, int x, int y, bool doubleClick = false) {
        testsupport::PostClick(dialog, x, y, doubleClick);
    }
    static void SelectListEntry(HWND dialog, int list, int entry, WORD notification = LBN_SELCHANGE) {
        SendDlgItemMessageA(dialog, list, LB_SETCURSEL, static_cast<WPARAM>(entry), 0);
        PostMessage(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(list), notification),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, list)));
    }
    static std::vector<std::string> ListTexts(HWND dialog, int list) { return testsupport::ListBoxTexts(dialog, list); }

    Recorder recorder;
};

} // namespace fronttest
