#pragma once
// Texts of the program's string table as the unit rules need them: through the application
// when there is one, else straight from the table.
#include <cstdint>
#include <string>

std::string ResourceText(std::uint32_t id);
