#pragma once
// Helpers for tests that need a loaded battlefield.
#include "game/logic/vh_logical_landscape.h"
#include "tools/datagen/landscape_writer.h"

#include <gtest/gtest.h>

#include <vector>

namespace testing_units {

inline void LoadDraft(VhLogicalLandscape& map, const datagen::LandscapeDraft& draft) {
    const auto bytes = datagen::WriteLandscape(draft);
    ASSERT_EQ(map.LoadFromBytes(bytes), 1) << map.GetLoadError();
}

template <class T> std::vector<T> Values(List<T>& list) {
    std::vector<T> out;
    ListIterator<T> it(&list, 0);
    T v{};
    while (it.Next(v)) out.push_back(v);
    return out;
}

inline std::vector<int> Regions(List<short>& list) {
    std::vector<int> out;
    for (short v : Values(list)) out.push_back(static_cast<std::uint16_t>(v));
    return out;
}

inline List<DIRECTION> SixSides() {
    List<DIRECTION> d;
    for (DIRECTION x : {NorthWest, North, NorthEast, SouthEast, South, SouthWest}) d.AddTail(x);
    return d;
}

} // namespace testing_units
