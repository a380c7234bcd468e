#include "ui/logical_palette.h"

LogicalPalette::~LogicalPalette() {
    for (auto*& t : tables_) {
        delete[] t;
        t = nullptr;
    }
}

void LogicalPalette::SetTable(int k, std::uint8_t* table) {
    if (k < 1 || k > 5) {
        delete[] table;
        return;
    }
    delete[] tables_[k - 1];
    tables_[k - 1] = table;
}

void RemapCopy(std::uint8_t* destination, const std::uint8_t* source, std::size_t count, const std::uint8_t* table) {
    for (std::size_t i = 0; i < count; ++i) destination[i] = table[source[i]];
}

void RemapInPlace(std::uint8_t* buffer, std::size_t count, const std::uint8_t* table) {
    for (std::size_t i = 0; i < count; ++i) buffer[i] = table[buffer[i]];
}
