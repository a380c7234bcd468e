#include "landscape/game/vh_viewport.h"

VhViewport::VhViewport(Component* window, const char* name)
    : Viewport(window, name ? name : "Unnamed Varnhold Viewport") {}

VhViewport::~VhViewport() = default;
