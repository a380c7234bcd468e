#pragma once
// Colour arithmetic of the remap tables: plain functions, no state. Hue is in degrees from 0 to
// below 360, or -1 when undefined (a grey); saturation and value lie in 0..1.
#include <cstdint>

struct HSV {
    float hue;
    float saturation;
    float value;
};

struct RGBTriple {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// Ties go to the first argument that is not smaller (resp. not larger) than both others.
float MaxOf3(float a, float b, float c);
float MinOf3(float a, float b, float c);

// `entry` is a colour-table entry in blue, green, red, reserved order.
HSV EntryToHSV(const std::uint8_t* entry);
RGBTriple HSVToRGB(HSV hsv);

// The five remap rules, k = 1..5: darker, grey, lighter, slightly lighter, lighter.
HSV ApplyRemapRule(int k, HSV hsv);
