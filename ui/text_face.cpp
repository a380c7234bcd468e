#include "ui/text_face.h"

namespace {
TextFaceFactory g_factory = nullptr;
}

TextFaceFactory SetTextFaceFactory(TextFaceFactory factory) {
    TextFaceFactory old = g_factory;
    g_factory = factory;
    return old;
}

std::unique_ptr<TextFace> MakeTextFace(const char* fontName) {
    return g_factory ? g_factory(fontName) : nullptr;
}
