#pragma once
// VhViewport: the bus of one map window's view of a game layer. It adds only its default name;
// the game layer makes one per map window, keeps it in its viewport list and deletes it (and so
// the window) when the window is destroyed or the game closes.
#include "ui/viewport.h"

class VhViewport : public Viewport {
public:
    // A missing name becomes "Unnamed Varnhold Viewport".
    explicit VhViewport(Component* window, const char* name = nullptr);
    ~VhViewport() override;
};
