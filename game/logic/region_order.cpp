#include "game/logic/region_order.h"

void RegionOrder::Begin(int columnCount, int rowCount) {
    columns = columnCount;
    rows = rowCount;
    const auto slots = static_cast<std::size_t>(columns * rows + 1);
    if (count.size() != slots) {
        count.assign(slots, 0);
        first.assign(slots, -1);
        touched.clear();
    }
    seq.clear();
    alive.clear();
}

void RegionOrder::Load(List<short>& values) {
    ListIterator<short> it(&values, 0);
    short v = 0;
    while (it.Next(v)) Append(static_cast<std::uint16_t>(v));
}

int RegionOrder::SlotOf(std::uint16_t value) const {
    if (value == 0xFFFF) return columns * rows;
    const int c = value / 100, r = value % 100;
    if (c >= columns || r >= rows) return -1;
    return r * columns + c;
}

std::int32_t RegionOrder::FindLive(std::uint16_t value, std::size_t from) const {
    for (std::size_t i = from; i < seq.size(); ++i)
        if (alive[i] && seq[i] == value) return static_cast<std::int32_t>(i);
    return -1;
}

bool RegionOrder::Contains(std::uint16_t value) const {
    const int slot = SlotOf(value);
    if (slot < 0) return FindLive(value, 0) >= 0;
    return count[static_cast<std::size_t>(slot)] > 0;
}

void RegionOrder::Append(std::uint16_t value) {
    const int slot = SlotOf(value);
    if (slot >= 0) {
        const auto s = static_cast<std::size_t>(slot);
        if (count[s]++ == 0) {
            first[s] = static_cast<std::int32_t>(seq.size());
            touched.push_back(slot);
        }
    }
    seq.push_back(value);
    alive.push_back(1);
}

bool RegionOrder::Remove(std::uint16_t value) {
    const int slot = SlotOf(value);
    if (slot < 0) {
        const std::int32_t at = FindLive(value, 0);
        if (at < 0) return false;
        alive[static_cast<std::size_t>(at)] = 0;
        return true;
    }
    const auto s = static_cast<std::size_t>(slot);
    if (count[s] == 0) return false;
    const std::int32_t at = first[s];
    alive[static_cast<std::size_t>(at)] = 0;
    if (--count[s] > 0) first[s] = FindLive(value, static_cast<std::size_t>(at) + 1);
    return true;
}

void RegionOrder::StoreInto(List<short>& out) {
    out.Clear();
    ForEach([&](std::uint16_t v) { out.AddTail(static_cast<short>(v)); });
    End();
}

void RegionOrder::End() {
    for (std::int32_t slot : touched) {
        count[static_cast<std::size_t>(slot)] = 0;
        first[static_cast<std::size_t>(slot)] = -1;
    }
    touched.clear();
    seq.clear();
    alive.clear();
}
