#pragma once
// The working form of a search's output list of region numbers: values in order, with
// constant-time membership, appending and removal of the first occurrence.
//
// Invariants: count[slot] is the number of live entries of the slot's value; first[slot] is the
// position of the first live entry when count[slot] > 0; every slot with a non-zero count is in
// touched, and End leaves every count 0 again so that the next search starts clean. Values that
// name no region of the map (other than 0xFFFF) have no slot and are found by scanning.
#include "game/logic/core_types.h"

#include <cstdint>
#include <vector>

class RegionOrder {
public:
    // Starts an empty order for a map of the given size.
    void Begin(int columns, int rows);
    // Starts with the values of a list, in its order.
    void Load(List<short>& values);

    bool Contains(std::uint16_t value) const;
    void Append(std::uint16_t value);
    bool Remove(std::uint16_t value);

    template <class F> void ForEach(F f) const {
        for (std::size_t i = 0; i < seq.size(); ++i)
            if (alive[i]) f(seq[i]);
    }
    // Replaces the list's values with this order's, then ends.
    void StoreInto(List<short>& out);
    void End();

private:
    int SlotOf(std::uint16_t value) const;
    std::int32_t FindLive(std::uint16_t value, std::size_t from) const;

    int columns = 0;
    int rows = 0;
    std::vector<std::uint16_t> seq;
    std::vector<std::uint8_t> alive;
    std::vector<std::uint16_t> count;
    std::vector<std::int32_t> first;
    std::vector<std::int32_t> touched;
};
