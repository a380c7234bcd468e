#pragma once
// A window on the virtual clock with the controls' art installed ("Buttons", "Scroll Bars",
// "Slider", "Spinner", written by the data generator), a listener that records what the
// controls say on the bus, and helpers that drive the platform mouse in client coordinates and
// read back what reached the screen.
#include "core/message_registry.h"
#include "tests/ui/ui_fixture.h"
#include "tools/datagen/control_art.h"
#include "ui/set_text_data.h"
#include "ui/text_face.h"
#include "ui/tile.h"
#include "ui/windows/windows_window.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace uitest {

// The status texts the application was asked to show, by pane.
class StatusRecordingApp : public WinApp {
public:
    StatusRecordingApp() : WinApp("Varnhold Demo") {}
    void SetStatusText(const char* text, std::int16_t pane) override {
        status.emplace_back(pane, text ? text : "");
        WinApp::SetStatusText(text, pane);
    }
    std::vector<std::pair<int, std::string>> status;
};

class PlainWindow : public WindowsWindow {
public:
    PlainWindow(const Point& at, const Dim& size)
        : Window(at, size, "Plain"), WindowsWindow(at, size, "Plain", nullptr, nullptr) {}
};

// One heard message: its name (or "SCROLL_TO") and what it carried, as text.
struct Heard {
    std::string name;
    std::string value;
    bool operator==(const Heard&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Heard& h) { return os << h.name << "(" << h.value << ")"; }

// Records the controls' messages in the order they arrive.
class BusRecorder : public Component {
public:
    BusRecorder() : Component("Recorder") {}
    void Connect() override {
        for (const char* name : {"Command", "ToolTipText", "ToolTipEnable", "ToolTipKill", "SetItemText",
                                 "SPINNER_INCREMENT", "SPINNER_DECREMENT"})
            RegisterNamedHandler(name, &OnNamed);
    }
    static ContainerBase* OnNamed(Component* c, BusMessage e, ContainerBase* p) {
        auto* self = static_cast<BusRecorder*>(c);
        const std::string name = MessageName(e.Number());
        std::string value;
        std::string text;
        if (const BusMessage* m = PayloadValue<BusMessage>(p)) value = std::to_string(m->Number());
        else if (const SetTextData* s = PayloadValue<SetTextData>(p))
            value = MessageName(BusMessage::FromWord(s->item).Number()) + "," + s->text + "," + std::to_string(s->line);
        else if (name != "ToolTipKill" && ExtractText(p, text)) value = text;
        else if (const short* v = PayloadValue<short>(p)) value = name == "ToolTipKill" ? "" : std::to_string(*v);
        self->heard.push_back(Heard{name, value});
        return nullptr;
    }
    // The heard messages of one name.
    std::vector<std::string> Of(const std::string& name) const {
        std::vector<std::string> out;
        for (const Heard& h : heard)
            if (h.name == name) out.push_back(h.value);
        return out;
    }
    std::vector<Heard> heard;
};

// A face that draws every character as a 3 x 5 block of colour 200 on the base line, two pixels
// apart: enough to see where a text went and how long it was.
class BlockFace : public TextFace {
public:
    static constexpr std::uint8_t kInk = 200;
    std::int16_t LineHeight() const override { return 6; }
    Dim TextSize(const std::string& text) const override { return Dim(static_cast<int>(text.size()) * 5, 5); }
    Box DrawText(Display& into, const Point& at, const std::string& text, int) override {
        Box touched;
        for (std::size_t k = 0; k < text.size(); ++k) {
            Bitmap block(Dim(3, 5), Bitmap::Plain);
            block.Fill(kInk);
            touched |= into.DrawAll(Point(at.x + static_cast<int>(k) * 5, at.y - 5), block, 1);
        }
        return touched;
    }
    static std::unique_ptr<TextFace> Make(const char* name) {
        fontNames().push_back(name ? name : "");
        return std::make_unique<BlockFace>();
    }
    static std::vector<std::string>& fontNames() {
        static std::vector<std::string> names;
        return names;
    }
};

class ControlTest : public WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        data.WriteLibrary("BUTTONS.QIF", datagen::ButtonLibrary({"Go", "Stop", "Third"}));
        data.WriteLibrary("SCROLL.QIF", datagen::ScrollBarLibrary());
        data.WriteLibrary("SLIDER.QIF", datagen::SliderLibrary());
        data.WriteLibrary("SPINNER.QIF", datagen::SpinnerLibrary());
        data.WriteIndex({{"buttons.qif", "Buttons"},
                         {"scroll.qif", "Scroll Bars"},
                         {"slider.qif", "Slider"},
                         {"spinner.qif", "Spinner"}});
        recording = new StatusRecordingApp();
        app.reset(recording);
        recorder.AttachToBus(app.get());
        window = std::make_unique<PlainWindow>(Point(0, 0), Dim(300, 200));
        window->AttachToBus(app.get());
        ASSERT_EQ(window->Create(Dim(300, 200), "GenericWindow", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr), 1);
        Drain();
    }
    void TearDown() override {
        window.reset();
        recorder.DetachFromBus();
        WinAppTest::TearDown();
    }

    POINT Screen(int x, int y) const {
        POINT p{x, y};
        ClientToScreen(window->GetHandle(), &p);
        return p;
    }
    void Press(int x, int y) {
        const POINT p = Screen(x, y);
        platform::InjectMouseButton(platform::MouseButton::Left, true, p.x, p.y);
        Drain();
    }
    void Release(int x, int y) {
        const POINT p = Screen(x, y);
        platform::InjectMouseButton(platform::MouseButton::Left, false, p.x, p.y);
        Drain();
    }
    void MoveTo(int x, int y) {
        const POINT p = Screen(x, y);
        platform::InjectMouseMove(p.x, p.y);
        Drain();
    }
    void Click(int x, int y) {
        Press(x, y);
        Release(x, y);
    }
    // Runs the message loop on the virtual clock for ms milliseconds, in small steps so that
    // every timer tick is handled on its own.
    void RunFor(DWORD ms) {
        const DWORD end = GetTickCount() + ms;
        while (GetTickCount() < end) {
            platform::AdvanceClock(std::min<DWORD>(5, end - GetTickCount()));
            Drain();
        }
    }
    // The colour the screen shows at a client point.
    COLORREF Shown(int x, int y) const {
        const POINT p = Screen(x, y);
        return platform::ScreenPixel(p.x, p.y);
    }

    StatusRecordingApp* recording = nullptr;
    BusRecorder recorder;
    std::unique_ptr<PlainWindow> window;
};

} // namespace uitest
