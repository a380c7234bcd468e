#include "ui/viewport.h"

#include "core/message_registry.h"

Viewport::Viewport(Component* window, const char* name)
    : AsynchronousBus(name, "Unnamed Viewport"), window_(window) {}

Viewport::~Viewport() {
    // The window leaves this bus in its own destructor, while the bus still stands.
    delete window_;
    window_ = nullptr;
}

void Viewport::Connect() {
    Bus::Connect();
    if (window_) window_->AttachToBus(this);
}

void Viewport::DetachFromBus() {
    if (window_) window_->DetachFromBus();
    Bus::DetachFromBus();
}

void Viewport::ClearBus() {
    // Only the link to the outer bus goes; a relay left behind would deliver into a dead bus.
    Bus::ClearBus();
}

void Viewport::Unlink() {
    Bus* layer = GetOuterBus();
    if (!layer) return;
    layer->UnhookReceiveAll(this, RelayPost, RelayPostAndWait, RelaySend);
    UnhookReceiveAll(layer, RelayPost, RelayPostAndWait, RelaySend);
}

void Viewport::SendChangeViewport(const ViewportInfo& info) {
    if ((info.oldFlags & kFlipped) != (info.newFlags & kFlipped)) Unlink();
    Container<ViewportInfo> payload(info);
    delete SendOuter(BusMessage(RegisterMessage("Change Viewport")), &payload);
}
