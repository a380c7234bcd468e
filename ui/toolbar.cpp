#include "ui/toolbar.h"

#include "core/absent_payload.h"
#include "core/assertion.h"
#include "core/text_payload.h"

#include "core/bus.h"
#include "ui/button.h"
#include "ui/layout.h"

Toolbar::Toolbar(Display* display) : Component(nullptr, "Unnamed Toolbar"), display_(display) {}

Toolbar::~Toolbar() {
    for (Button* b : buttons_) delete b;
    buttons_.clear();
}

std::int16_t Toolbar::SetToolTipText(const std::string& text) {
    tipText_ = text;
    return 0;
}

void Toolbar::AddButton(Button* button) {
    if (!button) return;
    if (bus) button->AttachToBus(bus);
    buttons_.push_back(button);
    const Dim art = button->GetArtSize();
    const std::int16_t y = static_cast<std::int16_t>((height_ - art.height) / 2);
    if (display_) button->Attach(display_, LayoutConstraints::Pixels(Box(next_.x, y, art.width, art.height)));
    next_ = Point(next_.x + art.width, y);
}

void Toolbar::AddSpace(std::int16_t gap) { next_.x = static_cast<std::int16_t>(next_.x + gap); }

void Toolbar::NotifyCommand(BusMessage command) {
    for (Button* b : buttons_) b->OnCommand(command);
}

void Toolbar::Connect() {
    for (Button* b : buttons_) b->AttachToBus(bus);
    RegisterNamedHandler("ToolTipText", &Toolbar::OnToolTipText);
    RegisterNamedHandler("ToolTipEnable", &Toolbar::OnToolTipEnable);
}

ContainerBase* Toolbar::OnToolTipText(Component* receiver, BusMessage, ContainerBase* payload) {
    // The buttons send the system's text payload; a plain string is taken as well.
    std::string tip;
    if (ExtractText(payload, tip)) {
        Toolbar* self;
        if (BusReceiver(receiver, self, "TOOLBAR", __LINE__)) self->SetToolTipText(tip);
        return nullptr;
    }
    Toolbar* self;
    std::string* text;
    if (!BusArgs(receiver, payload, self, text, "TOOLBAR", __LINE__)) return nullptr;
    self->SetToolTipText(*text);
    return nullptr;
}

ContainerBase* Toolbar::OnToolTipEnable(Component* receiver, BusMessage, ContainerBase* payload) {
    Toolbar* self;
    short* on;
    // Without a value the tips are neither switched on nor off.
    if (PayloadAbsent(payload)) {
        Assert(0, kBadBusData, "TOOLBAR", __LINE__);
        return nullptr;
    }
    if (!BusArgs(receiver, payload, self, on, "TOOLBAR", __LINE__)) return nullptr;
    self->EnableToolTip(*on);
    return nullptr;
}
