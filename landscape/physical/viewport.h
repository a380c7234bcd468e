#pragma once
// Viewport: the bus of one view on a landscape. It owns the window that shows the view and hooks
// that window onto itself whenever it is connected, so that the window, its tiles and the
// objects of one view talk on a bus of their own, relayed to and from the bus the viewport is
// attached to (a physical layer).
//
// Only what the physical layer needs of it is here: the owned window and its lookup.
#include "core/async_bus.h"

class Viewport : public AsynchronousBus {
public:
    // Takes ownership of the window (may be null).
    explicit Viewport(Component* window, const char* name = nullptr);
    ~Viewport() override;

    // Links with the outer bus, then attaches the window to this bus.
    void Connect() override;
    void DetachFromBus() override;

    Component* GetWindow() const { return window; }

private:
    Component* window;
};
