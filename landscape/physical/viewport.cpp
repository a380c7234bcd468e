#include "landscape/physical/viewport.h"

Viewport::Viewport(Component* window_, const char* name) : AsynchronousBus(name, "Unnamed Viewport"), window(window_) {}

Viewport::~Viewport() {
    delete window;
    window = nullptr;
}

void Viewport::Connect() {
    Bus::Connect();
    if (window) window->AttachToBus(this);
}

void Viewport::DetachFromBus() {
    if (window) window->DetachFromBus();
    Bus::DetachFromBus();
}
