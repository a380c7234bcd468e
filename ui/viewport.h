#pragma once
// Viewport: the bus of one view on a landscape. It owns the window that shows the view and hooks
// that window onto itself whenever it is connected, so that the window, its tiles and the objects
// of the view talk on a bus of their own, relayed to and from the bus the viewport is attached to
// (the physical layer's). A change of view is announced on that outer bus as "Change Viewport"
// with a ViewportInfo.
//
// Invariants: the viewport owns its window (or has none) for its whole life; while the viewport
// is connected its window is attached to the viewport's bus.
#include "core/async_bus.h"
#include "core/container.h"

#include <cstdint>

class Display;

// What changes with a view: the map window and its map tile, and the tile's mode bits before and
// after (bits 0-1 the zoom level, bit 2 the flipped orientation). The window and the tile are
// held as pointers, for comparison only; the record never crosses to a file or a peer.
struct ViewportInfo {
    Component* window = nullptr;
    Display* tile = nullptr;
    std::uint16_t oldFlags = 0;
    std::uint16_t newFlags = 0;

    void Clear() { *this = ViewportInfo(); }
    void Set(Component* window_, Display* tile_, std::uint16_t oldFlags_, std::uint16_t newFlags_) {
        window = window_;
        tile = tile_;
        oldFlags = oldFlags_;
        newFlags = newFlags_;
    }
    void Assign(const ViewportInfo& o) { *this = o; }
};

class Viewport : public AsynchronousBus {
public:
    // Flipping the orientation moves a view between layers, so a change of this bit unlinks it.
    static constexpr std::uint16_t kFlipped = 0x4;

    // Takes the window (which may be null); a null name becomes "Unnamed Viewport".
    explicit Viewport(Component* window, const char* name = nullptr);
    // Deletes the window, then the bus.
    ~Viewport() override;

    // Links the buses, then attaches the window to this viewport's bus.
    void Connect() override;
    // Detaches the window, then leaves the outer bus.
    void DetachFromBus() override;
    // The outer bus is going away: forget it and drop the relay that points at it. The window
    // stays attached to the viewport.
    void ClearBus() override;

    Component* GetWindow() const { return window_; }

    // Sends "Change Viewport" synchronously on the outer bus with a copy of the record; when the
    // flipped bit changes, the view is first unlinked from the outer bus both ways.
    void SendChangeViewport(const ViewportInfo& info);

private:
    void Unlink();

    Component* window_ = nullptr;
};
