#include "game/units/resource_text.h"

#include "core/application.h"
#include "platform/strings.h"

std::string ResourceText(std::uint32_t id) {
    if (Application* app = GetApplication()) return app->LoadResourceString(id);
    char buffer[platform::kMaxStringLength + 1];
    LoadString(nullptr, id, buffer, sizeof buffer);
    return buffer;
}
