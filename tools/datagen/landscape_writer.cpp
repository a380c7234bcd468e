#include "tools/datagen/landscape_writer.h"

#include <cstdio>
#include <cstdlib>

namespace datagen {

namespace {

void PutU8(std::vector<std::uint8_t>& out, std::uint8_t v) { out.push_back(v); }

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

// A small generator of our own so that a seed makes the same map on every machine.
class Dice {
public:
    explicit Dice(unsigned seed) : state_(seed * 2654435761u + 12345u) {}
    int Roll(int sides) {
        state_ = state_ * 1103515245u + 12345u;
        return static_cast<int>((state_ >> 16) % static_cast<unsigned>(sides));
    }

private:
    unsigned state_;
};

bool InsideMap(const LandscapeDraft& d, int c, int r) {
    return c >= 0 && r >= 0 && c < d.columns && r < d.rows;
}

// The region beside (c, r) across a side, or false when it lies off the map.
bool Across(const LandscapeDraft& d, int c, int r, int side, int& nc, int& nr) {
    const int odd = c & 1;
    switch (side) {
    case 1: nc = c; nr = r - 1; break;
    case 2: nc = c + 1; nr = r - 1 + odd; break;
    case 4: nc = c + 1; nr = r + odd; break;
    case 5: nc = c; nr = r + 1; break;
    case 6: nc = c - 1; nr = r + odd; break;
    case 8: nc = c - 1; nr = r - 1 + odd; break;
    default: return false;
    }
    return InsideMap(d, nc, nr);
}

unsigned short Number(int c, int r) { return static_cast<unsigned short>(c * 100 + r); }

bool HasCode(const std::vector<std::uint16_t>& p, std::uint16_t code) {
    for (auto k : p)
        if (k == code) return true;
    return false;
}

} // namespace

LandscapeDraft::LandscapeDraft(std::uint8_t columnCount, std::uint8_t rowCount)
    : columns(columnCount), rows(rowCount) {
    elevations.assign(static_cast<std::size_t>(columns) * rows, 0);
    points.assign(static_cast<std::size_t>(GridWidth()) * GridHeight(), {});
}

bool LandscapeDraft::CentreOf(unsigned short region, int& x, int& y) const {
    const int c = region / 100, r = region % 100;
    if (!InsideMap(*this, c, r)) return false;
    x = 2 * c + 2;
    y = 4 * r + 2 * (c & 1) + 2;
    return true;
}

bool LandscapeDraft::MidpointOf(unsigned short region, int side, int& x, int& y) const {
    int cx = 0, cy = 0;
    if (!CentreOf(region, cx, cy)) return false;
    switch (side) {
    case 1: x = cx; y = cy - 2; break;
    case 2: x = cx + 1; y = cy - 1; break;
    case 4: x = cx + 1; y = cy + 1; break;
    case 5: x = cx; y = cy + 2; break;
    case 6: x = cx - 1; y = cy + 1; break;
    case 8: x = cx - 1; y = cy - 1; break;
    default: return false;
    }
    return x >= 0 && y >= 0 && x < GridWidth() && y < GridHeight();
}

bool LandscapeDraft::SetElevation(unsigned short region, std::uint8_t elevation) {
    const int c = region / 100, r = region % 100;
    if (!InsideMap(*this, c, r)) return false;
    elevations[static_cast<std::size_t>(r) * columns + c] = elevation;
    return true;
}

bool LandscapeDraft::AddTerrain(unsigned short region, std::uint16_t code) {
    int x = 0, y = 0;
    if (!CentreOf(region, x, y)) return false;
    auto& p = PointAt(x, y);
    if (p.size() >= MaxCentreCodes) return false;
    p.push_back(code);
    return true;
}

bool LandscapeDraft::AddEdge(unsigned short region, int side, std::uint16_t code) {
    int x = 0, y = 0;
    if (!MidpointOf(region, side, x, y)) return false;
    auto& p = PointAt(x, y);
    if (p.size() >= MaxPointCodes) return false;
    p.push_back(code);
    return true;
}

std::vector<std::uint8_t> WriteLandscape(const LandscapeDraft& draft) {
    std::vector<std::uint8_t> out;
    out.insert(out.end(), draft.header.begin(), draft.header.end());
    PutU16(out, static_cast<std::uint16_t>(draft.name.size()));
    out.insert(out.end(), draft.name.begin(), draft.name.end());
    PutU8(out, draft.columns);
    PutU8(out, draft.rows);
    PutU16(out, draft.firstHeaderValue);
    PutU16(out, static_cast<std::uint16_t>(draft.secondHeaderValue));
    out.insert(out.end(), draft.elevations.begin(), draft.elevations.end());
    for (const auto& p : draft.points) {
        PutU16(out, static_cast<std::uint16_t>(p.size()));
        for (auto code : p) PutU16(out, code);
    }
    return out;
}

bool WriteLandscapeFile(const std::string& path, const LandscapeDraft& draft) {
    const auto bytes = WriteLandscape(draft);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

LandscapeDraft MakeSampleLandscape(std::uint8_t columns, std::uint8_t rows, unsigned seed) {
    LandscapeDraft d(columns, rows);
    Dice dice(seed);
    d.name = "Sample";

    // Ground: patches grown from seeds, so that neighbours mostly share their terrain.
    std::vector<int> ground(static_cast<std::size_t>(columns) * rows, 0);
    const int patches = columns * rows / 40 + 1;
    for (int i = 0; i < patches; ++i) {
        int c = dice.Roll(columns), r = dice.Roll(rows);
        const int code = dice.Roll(6);
        for (int step = 0, n = 4 + dice.Roll(20); step < n; ++step) {
            ground[static_cast<std::size_t>(r) * columns + c] = code;
            int nc = 0, nr = 0;
            static const int sides[] = {1, 2, 4, 5, 6, 8};
            if (Across(d, c, r, sides[dice.Roll(6)], nc, nr)) c = nc, r = nr;
        }
    }

    // Hills: cones of a few levels.
    for (int i = 0, n = columns * rows / 300 + 1; i < n; ++i) {
        const int hc = dice.Roll(columns), hr = dice.Roll(rows), height = 2 + dice.Roll(5);
        for (int c = 0; c < columns; ++c)
            for (int r = 0; r < rows; ++r) {
                const int dist = std::abs(c - hc) + std::abs(r - hr);
                auto& e = d.elevations[static_cast<std::size_t>(r) * columns + c];
                if (dist < height && height - dist > e) e = static_cast<std::uint8_t>(height - dist);
            }
    }

    // Roads: a net of north-south roads along columns and east-west roads zig-zagging along rows.
    std::vector<char> road(static_cast<std::size_t>(columns) * rows, 0);
    for (int c = 3; c < columns; c += 11)
        for (int r = 0; r < rows; ++r) road[static_cast<std::size_t>(r) * columns + c] = 1;
    for (int r = 4; r < rows - 1; r += 9)
        for (int c = 0; c < columns; ++c) road[static_cast<std::size_t>(r) * columns + c] = 1;

    for (int c = 0; c < columns; ++c)
        for (int r = 0; r < rows; ++r) {
            const auto n = Number(c, r);
            d.AddTerrain(n, static_cast<std::uint16_t>(ground[static_cast<std::size_t>(r) * columns + c]));
            if (road[static_cast<std::size_t>(r) * columns + c]) d.AddTerrain(n, 12);
        }

    // Streams and walls along hex sides: random walks from side to side of neighbouring regions.
    for (int i = 0, n = columns * rows / 150 + 1; i < n; ++i) {
        int c = dice.Roll(columns), r = dice.Roll(rows);
        const std::uint16_t code = i % 5 == 4 ? 11 : (i % 2 ? 10 : 6);
        for (int step = 0, len = 5 + dice.Roll(15); step < len; ++step) {
            static const int sides[] = {1, 2, 4, 5, 6, 8};
            const int side = sides[dice.Roll(6)];
            int x = 0, y = 0;
            if (d.MidpointOf(Number(c, r), side, x, y) && !HasCode(d.PointAt(x, y), code))
                d.AddEdge(Number(c, r), side, code);
            int nc = 0, nr = 0;
            if (Across(d, c, r, side == 1 || side == 5 ? 4 : 5, nc, nr)) c = nc, r = nr;
        }
    }
    return d;
}

} // namespace datagen
