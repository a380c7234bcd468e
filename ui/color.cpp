#include "ui/color.h"

#include <cmath>

float MaxOf3(float a, float b, float c) {
    if (a >= b && a >= c) return a;
    if (b >= a && b >= c) return b;
    return c;
}

float MinOf3(float a, float b, float c) {
    if (a <= b && a <= c) return a;
    if (b <= a && b <= c) return b;
    return c;
}

HSV EntryToHSV(const std::uint8_t* entry) {
    // Scaled in extended precision and stored as float, so that table results do not depend on
    // which intermediate precision a compiler happens to keep.
    const long double scale = 1.0L / 255.0L;
    const float r = static_cast<float>(entry[2] * scale);
    const float g = static_cast<float>(entry[1] * scale);
    const float b = static_cast<float>(entry[0] * scale);
    const float max = MaxOf3(r, g, b);
    const float min = MinOf3(r, g, b);
    HSV hsv;
    hsv.value = max;
    hsv.saturation = max != 0.0f ? (max - min) / max : 0.0f;
    if (hsv.saturation == 0.0f) {
        hsv.hue = -1.0f;
        return hsv;
    }
    const float d = max - min;
    float hue;
    if (r == max)
        hue = (g - b) / d;
    else if (g == max)
        hue = 2.0f + (b - r) / d;
    else
        hue = 4.0f + (r - g) / d;
    hue *= 60.0f;
    if (hue < 0.0f) hue += 360.0f;
    hsv.hue = hue;
    return hsv;
}

RGBTriple HSVToRGB(HSV hsv) {
    float r, g, b;
    const float v = hsv.value;
    const float s = hsv.saturation;
    if (s == 0.0f) {
        r = g = b = v;
    } else {
        const float hue = hsv.hue == 360.0f ? 0.0f : hsv.hue;
        const float h = static_cast<float>(hue * (1.0 / 60.0));
        const int sector = static_cast<int>(std::floor(h));
        const float f = h - static_cast<float>(sector);
        const float p = v * (1.0f - s);
        const float q = v * (1.0f - s * f);
        const float t = v * (1.0f - (1.0f - f) * s);
        switch (sector) {
        case 0: r = v; g = t; b = p; break;
        case 1: r = q; g = v; b = p; break;
        case 2: r = p; g = v; b = t; break;
        case 3: r = p; g = q; b = v; break;
        case 4: r = t; g = p; b = v; break;
        default: r = v; g = p; b = q; break;
        }
    }
    auto channel = [](float c) {
        const double x = c * 255.0;
        if (x <= 0.0) return std::uint8_t{0};
        if (x >= 255.0) return std::uint8_t{255};
        return static_cast<std::uint8_t>(x);
    };
    return {channel(r), channel(g), channel(b)};
}

HSV ApplyRemapRule(int k, HSV hsv) {
    auto scale = [](float v, double factor, bool cap) {
        float out = static_cast<float>(v * factor);
        if (cap && out > 1.0f) out = 1.0f;
        return out;
    };
    switch (k) {
    case 1: hsv.value = scale(hsv.value, 0.7, false); break;
    case 2:
        hsv.saturation = 0.0f;
        hsv.value = scale(hsv.value, 0.7, false);
        break;
    case 3: hsv.value = scale(hsv.value, 1.4, true); break;
    case 4: hsv.value = scale(hsv.value, 1.15, true); break;
    case 5: hsv.value = scale(hsv.value, 1.3, true); break;
    default: break;
    }
    return hsv;
}
