#include "landscape/pointed_hex_landscape.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Road directions in the order they are taken, with the value each adds to a road code.
struct RoadDirection {
    int direction;
    std::uint16_t value;
};
constexpr RoadDirection kRoadDirections[6] = {
    {PointedIsometricHexLandscape::W, 2},  {PointedIsometricHexLandscape::E, 16},
    {PointedIsometricHexLandscape::NW, 1}, {PointedIsometricHexLandscape::NE, 32},
    {PointedIsometricHexLandscape::SW, 4}, {PointedIsometricHexLandscape::SE, 8},
};

bool IsOdd(int v) { return v % 2 != 0; }

constexpr int kTurns[6] = {2, 3, 4, 6, 7, 8};

int TurnIndex(int direction) {
    for (int k = 0; k < 6; ++k)
        if (kTurns[k] == direction) return k;
    return -1;
}

} // namespace

int RotatePointedClockwise(int direction, std::uint8_t steps) {
    const int k = TurnIndex(direction);
    return k < 0 ? direction : kTurns[(k + steps) % 6];
}

int RotatePointedAnticlockwise(int direction, std::uint8_t steps) {
    const int k = TurnIndex(direction);
    return k < 0 ? direction : kTurns[(k + 6 - steps % 6) % 6];
}

PointedIsometricHexLandscape::PointedIsometricHexLandscape(
    const Dim& block, const Dim& cell, const char* edge1, const char* edge2, const char* edge3, const char* terrain,
    const char* sprite, const char* grid, const char* outline, std::int16_t border, std::int16_t groups,
    const std::int16_t* sizes, std::uint16_t opts, const char* name)
    : PointedIsometricHexLandscape(block, cell, edge1, edge2, edge3, terrain, sprite, grid, outline, border, groups,
                                   sizes, opts, name, "Unnamed Flat Isometric Hex Landscape") {}

PointedIsometricHexLandscape::PointedIsometricHexLandscape(
    const Dim& block, const Dim& cell, const char* edge1, const char* edge2, const char* edge3, const char* terrain,
    const char* sprite, const char* grid, const char* outline, std::int16_t border, std::int16_t groups,
    const std::int16_t* sizes, std::uint16_t opts, const char* name, const char* defaultName)
    : IsometricHexLandscape(block, cell, terrain, sprite, opts, name, defaultName), gridArt(grid), outlineArt(outline),
      borderLevel(border) {
    edgeArt[0] = std::make_unique<QIF<Bitmap>>(edge1);
    edgeArt[1] = std::make_unique<QIF<Bitmap>>(edge2);
    edgeArt[2] = std::make_unique<QIF<Bitmap>>(edge3);
    std::int16_t sum = 0;
    for (int g = 0; g < std::max<int>(0, groups); ++g) {
        const std::int16_t size = sizes ? std::max<std::int16_t>(0, sizes[g]) : 0;
        groupStart.push_back(sum);
        groupSize.push_back(size);
        sum = static_cast<std::int16_t>(sum + size);
    }
    cellSize = Dim(cell.width / 2, cell.height * 3 / 8);
}

PointedIsometricHexLandscape::~PointedIsometricHexLandscape() = default;

std::int16_t PointedIsometricHexLandscape::GroupStart(int mask) const {
    return mask >= 0 && mask < static_cast<int>(groupStart.size()) ? groupStart[static_cast<std::size_t>(mask)] : 0;
}

std::int16_t PointedIsometricHexLandscape::GroupSize(int mask) const {
    return mask >= 0 && mask < static_cast<int>(groupSize.size()) ? groupSize[static_cast<std::size_t>(mask)] : 0;
}

std::uint16_t PointedIsometricHexLandscape::SlopeMask(int index) const {
    return index >= 0 && index < static_cast<int>(masks.size()) ? masks[static_cast<std::size_t>(index)] : 0;
}

std::array<std::uint16_t, 5> PointedIsometricHexLandscape::RoadCodes(int index) const {
    if (index >= 0 && index < static_cast<int>(roadCodes.size())) return roadCodes[static_cast<std::size_t>(index)];
    return {};
}

QIF<Bitmap>& PointedIsometricHexLandscape::ChosenEdgeArt() {
    if (style == 3) return *edgeArt[1];
    if (style == 4) return *edgeArt[2];
    return *edgeArt[0];
}

std::int16_t PointedIsometricHexLandscape::GroundSectionIndex(const QIF<Bitmap>& artSet) const {
    return artSet.SectionIndex("River");
}

// --- numbering and placement ---

short PointedIsometricHexLandscape::IndexToHexNumber(short i) const {
    const int w = Columns(), h = Rows();
    if (w <= 0 || h <= 0 || i < 0) return -1;
    if (!IsFlipped()) return static_cast<short>(100 * (i / w) + (w - 1 - i % w));
    const int u = h - 1 - i / w;
    return static_cast<short>(100 * u + (i % w - (u % 2)));
}

short PointedIsometricHexLandscape::HexNumberToIndex(short n) const {
    const int w = Columns(), h = Rows();
    if (n < 0 || w <= 0 || h <= 0) return -1;
    int u, c;
    if (!IsFlipped()) {
        u = n / 100;
        c = w - 1 - n % 100;
    } else {
        u = h - 1 - n / 100;
        c = n % 100;
        if (IsOdd(u)) c = (n % 100 + 1) % w;
    }
    if (c < 0 || u < 0 || u >= h || c >= w) return -1;
    return static_cast<short>(u * w + c);
}

Point3D PointedIsometricHexLandscape::HexToScreen(const Point3D& p) const {
    const int a = p.x / 2;
    const int b = (p.y - 2 * (a % 2)) / 4;
    const int lift = p.z * elevationStep;
    if (!IsFlipped()) {
        const int x = ColumnStep() * (2 * (Columns() - (b + 1)) - (IsOdd(a) ? 1 : 0));
        return Point3D(x, RowStep() * 2 * a - lift, p.z);
    }
    const int u = Rows() - (a + 1);
    return Point3D(ColumnStep() * (2 * b + (IsOdd(u) ? 1 : 0)), RowStep() * 2 * u - lift, p.z);
}

short PointedIsometricHexLandscape::Neighbour(short i, int direction) const {
    const int w = Columns(), h = Rows();
    if (w <= 0 || i < 0) return -1;
    const int c = i % w, r = i / w;
    const bool even = !IsOdd(r);
    switch (direction) {
    case NE:
        if (r < 1 || (even && c >= w - 1)) return -1;
        return static_cast<short>(even ? i - w + 1 : i - w);
    case E:
        if (c >= w - 1) return -1;
        return static_cast<short>(i + 1);
    case SE:
        if (r >= h - 1 || (even && c >= w - 1)) return -1;
        return static_cast<short>(even ? i + w + 1 : i + w);
    case SW:
        if (r >= h - 1 || (even && c < 1)) return -1;
        return static_cast<short>(even ? i + w : i + w - 1);
    case W:
        if (c <= (even ? 0 : 1)) return -1;
        return static_cast<short>(i - 1);
    case NW:
        if (r < 1 || (even && c < 1)) return -1;
        return static_cast<short>(even ? i - w : i - w - 1);
    default:
        return i;
    }
}

bool PointedIsometricHexLandscape::HasBlock(short number) const {
    const short i = HexNumberToIndex(number);
    return BlockAt(i) != nullptr;
}

bool PointedIsometricHexLandscape::DrawnHexContains(const PhysicalBlock& b, const Point& p) const {
    // The ground picture: a pointed hex (the cell) with its bank hanging below the two lower
    // sides, as deep as the block is taller than the cell. Doubled coordinates keep the slopes
    // exact: the pixel's centre lies at (2x + 1, 2y + 1).
    const Point3D at = b.GetPosition();
    const int w = 2 * ColumnStep(), h = RowStep() * 8 / 3, bank = std::max(0, blockSize.height - h), q = h / 4;
    const int x = p.x - at.x, y = p.y - at.y;
    if (w <= 0 || x < 0 || y < 0 || x >= w || y >= h + bank) return false;
    const int ax = std::abs(2 * x + 1 - w);  // twice the distance from the middle column
    const int y2 = 2 * y + 1;
    // Top sides: y >= q * d / (w / 2); bottom sides: y <= h + bank - q * d / (w / 2), d = ax / 2.
    return y2 * w >= 2 * q * ax && y2 * w <= 2 * (h + bank) * w - 2 * q * ax;
}

short PointedIsometricHexLandscape::PointToRegion(const Point& p) {
    // Blocks are drawn in index order, each over those before: the last one whose picture holds
    // the point is the hex the player sees there (a hill's face covers the bank of the hex
    // behind it, a lifted hex the ground it rises over).
    for (std::size_t i = blocks.size(); i-- > 0;)
        if (blocks[i] && DrawnHexContains(*blocks[i], p)) return static_cast<short>(blocks[i]->GetRegion());
    // Off every picture (the map's edge, a cliff): the first block whose rectangle holds the
    // point, else the block whose centre is nearest; beyond the map's extent no hex.
    const PhysicalBlock* nearest = nullptr;
    int best = 0;
    int left = 0x7FFFFFFF, top = 0x7FFFFFFF, right = -0x7FFFFFFF, bottom = -0x7FFFFFFF;
    for (const PhysicalBlock* b : blocks) {
        if (!b) continue;
        if (b->ContainsPoint(p)) return static_cast<short>(b->GetRegion());
        const Box box = b->GetBox();
        left = std::min<int>(left, box.x);
        top = std::min<int>(top, box.y);
        right = std::max<int>(right, box.x + box.width);
        bottom = std::max<int>(bottom, box.y + box.height);
        const Point3D centre = b->GetCentre();
        const int distance = std::abs(p.x - centre.x) + std::abs(p.y - centre.y);
        if (!nearest || distance < best) {
            nearest = b;
            best = distance;
        }
    }
    if (!nearest || p.x < left || p.x >= right || p.y < top || p.y >= bottom) return -1;
    return static_cast<short>(nearest->GetRegion());
}

// --- drawing ---

void PointedIsometricHexLandscape::DrawArea(Bitmap& target, const Point& origin) {
    DrawBackground(target, origin);
    const int w = Columns(), h = Rows();
    const int cs = 2 * ColumnStep(), rs = 2 * RowStep();
    if (w <= 0 || h <= 0 || cs <= 0 || rs <= 0) return;
    const int c0 = std::max(0, origin.x / cs - 1), c1 = std::min(w, (origin.x + target.GetWidth()) / cs + 2);
    const int r0 = std::max(0, origin.y / rs - 1), r1 = std::min(h, (origin.y + target.GetHeight()) / rs + 3);
    for (int r = r0; r < r1; ++r) {
        if (!IsOdd(r)) continue;
        for (int c = c0; c < c1; ++c)
            if (c == 1 || c == w - 1) DrawBorder(target, origin, r, c);
    }
    for (std::int16_t layer = 0; layer < 5; ++layer)
        for (int r = r0; r < r1; ++r)
            for (int c = c0; c < c1; ++c)
                if (const PhysicalBlock* b = BlockAt(r * w + c)) b->DrawLayer(layer, target, origin);
}

void PointedIsometricHexLandscape::DrawBlocksInFront(Bitmap& target, short number, const Point& origin) {
    const short i = HexNumberToIndex(number);
    const PhysicalBlock* b = BlockAt(i);
    if (!b || i / Columns() >= Rows() - 1) return;
    const short sw = Neighbour(i, SW), se = Neighbour(i, SE);
    const PhysicalBlock* swBlock = BlockAt(sw);
    const PhysicalBlock* seBlock = BlockAt(se);
    short below = -1;
    bool candidate = false;
    if (swBlock && swBlock->GetZ() > b->GetZ()) {
        candidate = true;
        below = Neighbour(sw, SE);
    }
    if (seBlock && seBlock->GetZ() > b->GetZ()) {
        candidate = true;
        below = Neighbour(se, SW);
    }
    if (!candidate) return;
    if (swBlock) swBlock->Draw(target, origin);
    if (seBlock) seBlock->Draw(target, origin);
    if (const PhysicalBlock* two = BlockAt(below)) two->Draw(target, origin);
}

void PointedIsometricHexLandscape::DrawBorder(Bitmap& target, const Point& origin, int r, int c) {
    const int w = Columns();
    const int i = r * w + c;
    const PhysicalBlock* b = BlockAt(i);
    if (!b) return;
    auto level = [&](short n) {
        const PhysicalBlock* x = BlockAt(n);
        return x ? static_cast<int>(x->GetZ()) : static_cast<int>(borderLevel);
    };
    const int own = b->GetZ();
    QIF<Bitmap>& set = ChosenEdgeArt();
    const bool firstSet = &set == edgeArt[0].get();
    const std::int16_t ground = GroundSectionIndex(set);
    const int mode = b->GetDrawMode() == 4 ? 4 : 1;

    for (int side = 0; side < 2; ++side) {
        const bool left = side == 0;
        if (left ? c != 1 : c != w - 1) continue;
        const int upper = level(Neighbour(static_cast<short>(i), left ? NW : NE));
        const int lower = level(Neighbour(static_cast<short>(i), left ? SW : SE));
        const int m = std::min({own, upper, lower});
        int mask = 0;
        if (left) mask = (upper == m + 1 ? 4 : 0) | (own == m + 1 ? 8 : 0);
        else mask = (upper == m + 1 ? 2 : 0) | (own == m + 1 ? 1 : 0);
        const int lvl = std::max(0, firstSet ? m : std::min(m, 1));
        const int size = GroupSize(mask);
        const int picture = GroupStart(mask) + (m != 0 ? 2 : 0) + (size > 0 ? i % size : 0);
        const int y = b->GetPosition().y - origin.y + (own > m ? (own - m) * elevationStep : 0);
        const int x = left ? b->GetPosition().x - origin.x - ColumnStep() : b->GetPosition().x - origin.x + 2 * ColumnStep();
        auto drawHalf = [&](QIF<Bitmap>& art, std::int16_t section, int pic, int drawMode) {
            Bitmap* bmp = Picture(art, section, pic);
            if (!bmp || !bmp->Lock()) return;
            const int bw = bmp->GetWidth(), bh = bmp->GetHeight();
            const Box half = left ? Box(bw / 2, 0, bw - bw / 2, bh) : Box(0, 0, bw / 2, bh);
            target.Draw(Point(x, y), *bmp, half, drawMode);
            bmp->Unlock();
        };
        if (ground >= 0) drawHalf(set, static_cast<std::int16_t>(ground + lvl), picture, mode);
        if (left && b->IsVisible(4, 0)) drawHalf(gridArt, 0, mask, 1);
    }
}

void PointedIsometricHexLandscape::ShowHexGrid(std::int16_t flag) { SetItemVisible(4, 0, flag); }

// --- edge art ---

std::int16_t PointedIsometricHexLandscape::CliffY() const {
    return static_cast<std::int16_t>(3 - GetZoomBits() + blockSize.height * 3 / 4);
}

int PointedIsometricHexLandscape::RoadPictureNumber(std::uint16_t code) {
    int added = 0;
    for (int c = code;; c /= 2) {
        if (c == 5) return added;
        if (c == 9) return added + 1;
        if (c == 17) return added + 2;
        added += 3;
        if (added >= 12) return -1;
    }
}

void PointedIsometricHexLandscape::BuildCliffsAndMasks(int i) {
    PhysicalBlock& b = *BlockAt(i);
    const int z = b.GetZ();
    const short idx = static_cast<short>(i);
    const short wi = Neighbour(idx, W), ei = Neighbour(idx, E), sei = Neighbour(idx, SE), swi = Neighbour(idx, SW);
    PhysicalBlock* west = BlockAt(wi);
    PhysicalBlock* east = BlockAt(ei);
    PhysicalBlock* se = BlockAt(sei);
    PhysicalBlock* sw = BlockAt(swi);
    QIF<Bitmap>& set = ChosenEdgeArt();
    const char* seCliffs = z == 3 ? "SE Cliffs 1-3" : "SE Cliffs 3-5";
    const char* swCliffs = z == 3 ? "SW Cliffs 1-3" : "SW Cliffs 3-5";
    auto cliff = [&](const char* section) {
        const int count = set.ImageCount(set.SectionIndex(section));
        if (set.SectionIndex(section) < 0) return Picture(set, section, 0);  // reports the missing section
        return count > 0 ? Picture(set, section, i % count) : nullptr;
    };
    const std::int16_t y = CliffY();
    const Point seAt(blockSize.width / 2, y), swAt(0, y);

    if (west && west->GetZ() == z - 1) masks[static_cast<std::size_t>(wi)] |= 0x8;
    if (east && east->GetZ() == z - 1) masks[static_cast<std::size_t>(ei)] |= 0x1;
    if (se) {
        if (se->GetZ() > z) masks[static_cast<std::size_t>(sei)] |= 0x10;
        else if (se->GetZ() == z - 1) masks[static_cast<std::size_t>(sei)] |= 0x2;
        else if (se->GetZ() <= z - 2) {
            b.SetItem(0, 0, cliff(seCliffs), seAt);
            if (east && east->GetZ() == z - 1) east->SetItem(0, 2, cliff(swCliffs), Point(swAt.x, swAt.y + elevationStep));
        }
    }
    if (sw) {
        if (sw->GetZ() > z) masks[static_cast<std::size_t>(swi)] |= 0x20;
        else if (sw->GetZ() == z - 1) masks[static_cast<std::size_t>(swi)] |= 0x4;
        else if (sw->GetZ() <= z - 2) {
            b.SetItem(0, 1, cliff(swCliffs), swAt);
            if (west && west->GetZ() == z - 1) west->SetItem(0, 3, cliff(seCliffs), Point(seAt.x, seAt.y + elevationStep));
        }
    }
    // At the map's edge the hex two rows down stands in for the missing neighbour.
    if (!se && sw) {
        const PhysicalBlock* beyond = BlockAt(Neighbour(swi, SE));
        if (beyond && beyond->GetZ() <= z - 2) b.SetItem(0, 0, cliff(seCliffs), seAt);
    }
    if (!sw && se) {
        const PhysicalBlock* beyond = BlockAt(Neighbour(sei, SW));
        if (beyond && beyond->GetZ() <= z - 2) b.SetItem(0, 1, cliff(swCliffs), swAt);
    }

    // A road climbing into the next level up needs its joint patched.
    if (b.GetTag() == 12 && z > 0) {
        const PhysicalBlock* nw = BlockAt(Neighbour(idx, NW));
        const PhysicalBlock* ne = BlockAt(Neighbour(idx, NE));
        if (nw && nw->GetTag() == 12 && nw->GetZ() == z + 1) b.SetItem(2, 23, Picture(terrainArt, "Road Fix", 0), Point());
        if (ne && ne->GetTag() == 12 && ne->GetZ() == z + 1) b.SetItem(2, 24, Picture(terrainArt, "Road Fix", 1), Point());
    }

    // Neighbours of a hex with river art keep the same item numbering in their feature layer.
    bool sideArt = false;
    for (std::int16_t k = 2; k <= 7; ++k) sideArt = sideArt || b.HasBitmap(2, k);
    if (sideArt) {
        for (int d : {NE, E, SE, SW, W, NW}) {
            PhysicalBlock* n = BlockAt(Neighbour(idx, d));
            if (n && n->GetItemCount(2) < 20) n->SetItem(2, 19, nullptr, Point());
        }
    }
}

void PointedIsometricHexLandscape::BuildRoadCodes(int i) {
    const PhysicalBlock& b = *BlockAt(i);
    auto& codes = roadCodes[static_cast<std::size_t>(i)];
    int uses[5] = {0, 0, 0, 0, 0};
    for (int pass = 1; pass <= 2; ++pass) {
        for (const RoadDirection& d : kRoadDirections) {
            const PhysicalBlock* n = BlockAt(Neighbour(static_cast<short>(i), d.direction));
            const bool taken = pass == 1 ? (n && n->GetTag() == b.GetTag()) : !n;
            if (!taken) continue;
            const int visited = pass == 1 ? 5 : 1;
            bool haveReference = false;
            std::uint16_t reference = 0;
            int additions = 0;
            for (int k = 0; k < visited && additions < 3; ++k) {
                if (uses[k] >= 2) continue;
                if (!haveReference) {
                    haveReference = true;
                    reference = codes[static_cast<std::size_t>(k)];
                } else if (codes[static_cast<std::size_t>(k)] == reference) {
                    continue;
                }
                codes[static_cast<std::size_t>(k)] = static_cast<std::uint16_t>(codes[static_cast<std::size_t>(k)] + d.value);
                ++uses[k];
                ++additions;
            }
        }
    }
}

void PointedIsometricHexLandscape::PlaceGround(int i, QIF<Bitmap>& set, bool firstSet) {
    PhysicalBlock& b = *BlockAt(i);
    const std::int16_t ground = GroundSectionIndex(set);
    int lvl = std::max<int>(0, b.GetZ());
    if (!firstSet) lvl = std::min(lvl, 1);
    const std::uint16_t mask = masks[static_cast<std::size_t>(i)];
    int picture;
    if (mask == 0x30) {
        picture = ArtRandom() % 2;
    } else {
        const int m = mask & 0xF;
        const int size = GroupSize(m);
        int r = size > 0 ? ArtRandom() % size : 0;
        if (m == 0 && size > 0) {
            // A group of three or fewer has no second part to pick from: the first pick stands.
            if (r == 0) r = ArtRandom() % 3;
            else if (size > 3) r = 3 + ArtRandom() % (size - 3);
        }
        picture = GroupStart(m) + (lvl != 0 ? 2 : 0) + r;
    }
    if (ground < 0) return;
    const auto section = static_cast<std::int16_t>(ground + lvl);
    set.SetCurrentSection(section);
    set.SetCurrentFrame(static_cast<std::int16_t>(picture));
    b.SetItem(1, 0, Picture(set, section, picture), Point());
}

void PointedIsometricHexLandscape::PlaceRoads(int i) {
    PhysicalBlock& b = *BlockAt(i);
    const std::uint32_t tag = b.GetTag();
    if (tag != 12 && tag != 16) return;
    const auto& codes = roadCodes[static_cast<std::size_t>(i)];
    for (int k = 0; k < 5; ++k) {
        if (codes[static_cast<std::size_t>(k)] == 0) continue;
        const int n = RoadPictureNumber(codes[static_cast<std::size_t>(k)]);
        if (n < 0) continue;
        Bitmap* art;
        if (b.GetZ() == 0) art = Picture(terrainArt, "Bridges", n);
        else if (tag == 12) art = Picture(terrainArt, "Roads", n * 3 + ArtRandom() % 3);
        else art = Picture(terrainArt, "Railroads", n);
        b.SetItem(2, static_cast<std::int16_t>(20 + k), art, Point());
    }
}

void PointedIsometricHexLandscape::PlaceOverlays(int i) {
    PhysicalBlock& b = *BlockAt(i);
    const int mask = masks[static_cast<std::size_t>(i)] & 0xF;
    b.SetItem(4, 0, Picture(gridArt, std::int16_t{0}, mask), Point());
    b.SetVisible(4, 0, 0);
    b.SetItem(4, 1, Picture(outlineArt, std::int16_t{0}, mask), Point());
    b.SetVisible(4, 1, 0);
}

void PointedIsometricHexLandscape::BuildEdgeArt() {
    const std::size_t n = blocks.size();
    masks.assign(n, 0);
    roadCodes.assign(n, {});
    QIF<Bitmap>& set = ChosenEdgeArt();
    const bool firstSet = &set == edgeArt[0].get();
    if (GroundSectionIndex(set) < 0) ReportMissingArt(set, "River");

    for (std::size_t i = 0; i < n; ++i) {
        if (!blocks[i]) continue;
        BuildCliffsAndMasks(static_cast<int>(i));
        const std::uint32_t tag = blocks[i]->GetTag();
        if (tag == 12 || tag == 16) BuildRoadCodes(static_cast<int>(i));
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (!blocks[i]) continue;
        PlaceGround(static_cast<int>(i), set, firstSet);
        PlaceRoads(static_cast<int>(i));
        PlaceOverlays(static_cast<int>(i));
    }
}
