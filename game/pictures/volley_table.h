#pragma once
// A volley by fire direction (1-8, 0 unused): the lean of the firing figure (where its balls
// leave from), the shift of the target's x and the lift of the ball's apex. Every picture that
// fires volleys of musket balls flies them by this one table.
#include "core/geometry.h"

#include <cstdint>

struct VolleyRow {
    Point3D lean;
    std::int16_t shift;
    Point3D apex;
};

inline const VolleyRow kVolley[9] = {{{}, 0, {}},
                                     {{0, 4, 0}, 0, {0, -20, 0}},
                                     {{-6, 3, 0}, -50, {-5, -10, 0}},
                                     {{-6, 0, 0}, -50, {-5, -10, 0}},
                                     {{-6, -3, 0}, -50, {-5, 0, 0}},
                                     {{0, -4, 0}, 10, {0, -15, 0}},
                                     {{8, -4, 0}, 20, {5, -25, 0}},
                                     {{8, 0, 0}, 20, {5, -25, 0}},
                                     {{0, 0, 0}, 10, {0, -20, 0}}};
