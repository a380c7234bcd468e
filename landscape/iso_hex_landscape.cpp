#include "landscape/iso_hex_landscape.h"

#include "core/events.h"
#include "landscape/landscape_sprite.h"
#include "landscape/landscape_tile.h"
#include "platform/msgbox.h"

#include <algorithm>

namespace {

// Side flag bits of a region (LogicalRegion::TestSideFlag).
constexpr int kRiverBit = 1;
constexpr int kWallBit = 2;
constexpr int kEarthworkBit = 3;
constexpr const char* kSource = "IHEXLAND";

// The cell terrain sprites are placed in, at full size.
constexpr int kCellWidth = 130;
constexpr int kCellHeight = 64;
constexpr int kZoomCellWidth[3] = {130, 66, 34};

// The six logical sides clockwise from north.
constexpr int kSides[6] = {1, 2, 4, 5, 6, 8};

int OppositeSide(int side) {
    switch (side) {
    case 1: return 5;
    case 5: return 1;
    case 2: return 6;
    case 6: return 2;
    case 4: return 8;
    case 8: return 4;
    default: return side;
    }
}

} // namespace

IsometricHexLandscape::IsometricHexLandscape(const Dim& block, const Dim& cell, const char* terrainArtName,
                                             const char* spriteArtName_, std::uint16_t opts, const char* name)
    : IsometricHexLandscape(block, cell, terrainArtName, spriteArtName_, opts, name, "Unnamed Isometric Hex Landscape") {}

IsometricHexLandscape::IsometricHexLandscape(const Dim& block, const Dim& cell, const char* terrainArtName,
                                             const char* spriteArtName_, std::uint16_t opts, const char* name,
                                             const char* defaultName)
    : BlockLandscape(block, cell, name, defaultName), terrainArt(terrainArtName),
      spriteArtName(spriteArtName_ ? spriteArtName_ : ""), options(opts) {
    if ((options & 0x2) && !spriteArtName.empty()) {
        spriteArt[0] = std::make_unique<QIF<Bitmap>>(spriteArtName.c_str());
        spriteArt[1] = std::make_unique<QIF<Bitmap>>((spriteArtName + " (Half size)").c_str());
        spriteArt[2] = std::make_unique<QIF<Bitmap>>((spriteArtName + " (Quarter size)").c_str());
    }
}

IsometricHexLandscape::~IsometricHexLandscape() { DeleteSprites(); }

void IsometricHexLandscape::Connect() {
    BlockLandscape::Connect();
    if (options == 0 || options == kFlipped) {
        RegisterNamedHandler("AddSpriteToLandscape", OnAddSpriteToLandscape);
        RegisterNamedHandler("RemoveDeadSprites", OnRemoveDeadSprites);
    }
    if (options & 0x2) RegisterNamedHandler("ToggleSparseLandscape", OnToggleSparse);
}

void IsometricHexLandscape::Close() {
    DeleteSprites();
    BlockLandscape::Close();
}

void IsometricHexLandscape::DeleteSprites() {
    deadSprites.Clear();
    sparseSprites.Clear();
    Sprite* s = nullptr;
    while (sprites.RemoveHead(s)) {
        // The layer drawing it must let it go before it is deleted.
        Container<Sprite*> gone(s);
        delete SendNamed("SpriteDestroyed", &gone);
        delete s;
    }
}

void IsometricHexLandscape::PostInvalidate(const List<Box>& boxes) {
    Container<List<Box>> where(boxes);
    delete PostAndWait(INVALIDATE_VIEW, &where);
}

void IsometricHexLandscape::AddSprite(Sprite* s) {
    if (!s || sprites.Contains(s)) return;
    sprites.AddTail(s);
    Container<Sprite*> created(s);
    Post(SPRITE_CREATED, &created);
}

void IsometricHexLandscape::AddDeadSprite(Sprite* s) {
    if (!s) return;
    if (!sprites.Contains(s)) sprites.AddTail(s);
    if (!deadSprites.Contains(s)) deadSprites.AddTail(s);
}

void IsometricHexLandscape::DestroySprite(Sprite* s) {
    if (!s || !sprites.Contains(s)) return;
    Container<Sprite*> gone(s);
    delete SendNamed("SpriteDestroyed", &gone);
    sprites.Remove(s);
    // A sprite deleted while another list still named it would be hidden or shown afterwards.
    deadSprites.Remove(s);
    sparseSprites.Remove(s);
    delete s;
}

void IsometricHexLandscape::RemoveDeadSprites() {
    List<Box> boxes;
    Sprite* s = nullptr;
    while (deadSprites.RemoveHead(s)) {
        boxes.AddTail(SpriteBox(*s));
        s->Hide();
    }
    PostInvalidate(boxes);
}

void IsometricHexLandscape::SparseOn() {
    List<Box> boxes;
    for (Item<Sprite*>* i = sparseSprites.Head(); i; i = i->next) {
        boxes.AddTail(SpriteBox(*i->value));
        i->value->Hide();
    }
    PostInvalidate(boxes);
}

void IsometricHexLandscape::SparseOff() {
    List<Box> boxes;
    for (Item<Sprite*>* i = sparseSprites.Head(); i; i = i->next) {
        i->value->Show();
        boxes.AddTail(SpriteBox(*i->value));
        Container<Sprite*> shown(i->value);
        Post(SPRITE_CREATED, &shown);
    }
    PostInvalidate(boxes);
}

void IsometricHexLandscape::SetSparse(std::uint16_t value) {
    if (value == sparse) return;
    sparse = value;
    if (!IsComplete()) return;
    if (sparse) SparseOn();
    else SparseOff();
}

ContainerBase* IsometricHexLandscape::OnAddSpriteToLandscape(Component* c, BusMessage, ContainerBase* p) {
    IsometricHexLandscape* self;
    Sprite** sprite;
    if (!BusArgs(c, p, self, sprite, kSource, __LINE__)) return nullptr;
    self->AddSprite(*sprite);
    return nullptr;
}

ContainerBase* IsometricHexLandscape::OnRemoveDeadSprites(Component* c, BusMessage, ContainerBase*) {
    if (auto* self = dynamic_cast<IsometricHexLandscape*>(c)) self->RemoveDeadSprites();
    return nullptr;
}

ContainerBase* IsometricHexLandscape::OnToggleSparse(Component* c, BusMessage, ContainerBase* p) {
    IsometricHexLandscape* self;
    short* value;
    if (!BusArgs(c, p, self, value, kSource, __LINE__)) return nullptr;
    // Anything but 0 turns sparse mode on.
    self->SetSparse(*value != 0 ? 1 : 0);
    return nullptr;
}

int IsometricHexLandscape::SectionSize(const char* section) const {
    const QIF<Bitmap>* full = spriteArt[0].get();
    if (!full) return 0;
    return full->ImageCount(full->SectionIndex(section));
}

Sprite* IsometricHexLandscape::MakeTerrainSprite(const PhysicalBlock& block, const char* section, int picture, int dx,
                                                 int dy) {
    const int zoom = ZoomLevel();
    QIF<Bitmap>* full = spriteArt[0].get();
    if (!full || full->SectionIndex(section) < 0) {
        if (full) ReportMissingArt(*full, section);
        return nullptr;
    }
    // The hex's point is the middle of its cell; offsets are full-size and shrink with the zoom.
    const int cw = kZoomCellWidth[zoom], ch = kCellHeight >> zoom;
    const Point3D at = block.GetPosition();
    const Point3D where(at.x + cw / 2 + dx * cw / kCellWidth, at.y + ch / 2 + dy * ch / kCellHeight, at.z);
    auto* s = new LandscapeSprite(block.GetRegion(), where, SpriteFrame{section, static_cast<std::int16_t>(picture)},
                                  Sprite::kNoLayer, nullptr, 1, spriteArt[0].get(), spriteArt[1].get(),
                                  spriteArt[2].get(), static_cast<std::uint16_t>(options & kFlipped), zoom);
    AddSprite(s);
    return s;
}

void IsometricHexLandscape::AddTerrainSprites(const PhysicalBlock& block, const LogicalRegion& region) {
    const int codes = std::min<int>(region.terrainCount, LogicalRegion::TerrainSlots);
    for (int k = 0; k < codes; ++k) {
        const std::uint16_t code = region.terrain[k];
        if (code == 1) {
            const int trees = SectionSize("Trees");
            const int n = 4 + ArtRandom() % 2;
            for (int t = 0; t <= n; ++t) {
                const int q = t < 4 ? t : (ArtRandom() % 4 + t) % 4;
                const int dx = -65 + ArtRandom() % 32 + (q % 2) * 65;
                const int dy = -32 + ArtRandom() % 16 + (q / 2) * 32;
                const int picture = trees > 0 ? ArtRandom() % trees : 0;
                if (Sprite* s = MakeTerrainSprite(block, "Trees", picture, dx, dy)) {
                    sparseSprites.AddTail(s);
                    if (sparse) s->Hide();
                }
            }
            // A hex of trees always keeps one tree, sparse or not.
            MakeTerrainSprite(block, "Trees", 0, 0, 0);
        } else if (code == 2) {
            const int stones = SectionSize("Stones");
            MakeTerrainSprite(block, "Stones", stones > 0 ? ArtRandom() % stones : 0, -65 + 130 / 8, -32 + 64 / 6);
        } else if (code == 17) {
            const int count = SectionSize("Building");
            int picture;
            switch (region.number) {
            case 1522: picture = 33; break;
            case 1718: picture = 3; break;
            case 3120: picture = 33; break;
            default:
                picture = count > 0 ? region.number % count : 0;
                if (picture == 33) picture = 34;
            }
            MakeTerrainSprite(block, "Building", picture, 0, 32);
        }
    }

    const int sides[3] = {IsFlipped() ? 1 : 5, IsFlipped() ? 2 : 6, IsFlipped() ? 4 : 8};
    const bool first = region.TestSideFlag(sides[0], kWallBit);
    const bool second = region.TestSideFlag(sides[1], kWallBit);
    const bool third = region.TestSideFlag(sides[2], kWallBit);
    if (first) MakeTerrainSprite(block, "Walls", 0, -65, 4);
    if (second) MakeTerrainSprite(block, "Walls", third ? 1 : 2, -33, -20);
    if (third) MakeTerrainSprite(block, "Walls", second ? 1 : 2, 32, -20);
}

int IsometricHexLandscape::ArtRandom() {
    artSeed = artSeed * 1103515245u + 12345u;
    return static_cast<int>((artSeed >> 16) & 0x7FFF);
}

void IsometricHexLandscape::BeginLandscape(const LandscapeDefinition& definition) {
    BlockLandscape::BeginLandscape(definition);
    // The display shows the logical map turned a quarter turn: as many columns as it has rows.
    std::swap(mapSize.width, mapSize.height);
    style = static_cast<std::uint32_t>(definition.secondHeaderValue);
    // The table is as long as the geometry can index, whatever count the definition claims.
    const int w = std::max<int>(0, mapSize.width), h = std::max<int>(0, mapSize.height);
    blocks.assign(static_cast<std::size_t>(std::min(w * h, 0x7FFF)), nullptr);
}

void IsometricHexLandscape::EndLandscape() {
    BuildEdgeArt();
    complete = 1;
}

ContainerBase* IsometricHexLandscape::AddTile(LandscapeTile* tile) {
    if (!tile || tile->GetLandscapeMode() != GetZoomBits()) return nullptr;
    return Landscape::AddTile(tile);
}

std::int16_t IsometricHexLandscape::GetZ(short number) {
    const PhysicalBlock* b = GetBlock(HexNumberToIndex(number));
    if (!b) return 0;
    if (b->GetZ() == 0 && b->GetTag() == 12) return 1;
    return b->GetZ();
}

void IsometricHexLandscape::ReportMissingArt(const QIF<Bitmap>& library, const char* section) {
    const std::string key = library.GetName() + "/" + section;
    if (std::find(reported.begin(), reported.end(), key) != reported.end()) return;
    reported.push_back(key);
    const std::string text = "The art library \"" + library.GetName() + "\" has no section \"" + section + "\".";
    MessageBox(nullptr, text.c_str(), "Missing art", MB_OK | MB_ICONSTOP);
}

Bitmap* IsometricHexLandscape::Picture(QIF<Bitmap>& library, std::int16_t section, int picture) {
    if (picture < 0 || picture >= library.ImageCount(section) || !library.IsValidSection(section)) return nullptr;
    const auto frame = static_cast<std::int16_t>(picture);
    // Only the pointer is kept; the block locks the picture each time it draws it.
    Bitmap* b = library.GetBitmap(frame, section);
    library.UnlockBitmap(frame, section);
    return b;
}

Bitmap* IsometricHexLandscape::Picture(QIF<Bitmap>& library, const char* section, int picture) {
    const std::int16_t k = library.SectionIndex(section);
    if (k < 0) {
        ReportMissingArt(library, section);
        return nullptr;
    }
    return Picture(library, k, picture);
}

void IsometricHexLandscape::CreateBlock(const LogicalRegion& region) {
    const short index = HexNumberToIndex(static_cast<short>(region.number));
    const int w = mapSize.width;
    // A hex off the display map has no place; column 0 of an odd row lies left of the map.
    if (index < 0 || w <= 0 || index >= GetBlockCount()) return;
    if (index % w == 0 && (index / w) % 2 == 1) return;
    auto* block = new PhysicalBlock(HexToScreen(region.point), region.number, blockSize);
    StoreBlock(index, block);

    const int codes = std::min<int>(region.terrainCount, LogicalRegion::TerrainSlots);
    for (int k = 0; k < codes; ++k) {
        const std::uint16_t code = region.terrain[k];
        if (code == 12 || code == 13 || code == 16) {
            block->SetTag(code);
        } else if (code == 3) {
            const int count = terrainArt.ImageCount(terrainArt.SectionIndex("Marsh"));
            const int pick = count > 0 ? ArtRandom() % count : 0;
            block->SetItem(2, 1, Picture(terrainArt, "Marsh", pick), Point());
        }
    }

    if (options & 0x2) AddTerrainSprites(*block, region);
    AddRiverAndEarthworkArt(*block, region);

    // The battle scar waits hidden; the game shows it where fighting has been.
    if (block->GetZ() == 0) {
        block->SetItem(2, 30, nullptr, Point());
    } else {
        const int count = terrainArt.ImageCount(terrainArt.SectionIndex("Scars"));
        block->SetItem(2, 30, Picture(terrainArt, "Scars", count > 0 ? ArtRandom() % count : 0), Point());
        block->SetVisible(2, 30, 0);
    }
}

void IsometricHexLandscape::AddRiverAndEarthworkArt(PhysicalBlock& block, const LogicalRegion& region) {
    bool river[6], earthwork[6];
    for (int s = 0; s < 6; ++s) {
        const int side = IsFlipped() ? OppositeSide(kSides[s]) : kSides[s];
        river[s] = region.TestSideFlag(side, kRiverBit);
        earthwork[s] = region.TestSideFlag(side, kEarthworkBit);
    }
    // The minor-river art of style 3 is empty.
    const bool riverArt = style != 3;
    for (int k = 0; k < 6; ++k) {
        // Corner k lies between sides k+4 and k+5 (mod 6): (SW, NW), (NW, N), (N, NE) ...
        const int first = (k + 4) % 6, second = (k + 5) % 6;
        const int before = (k + 3) % 6, after = k % 6;
        if (river[first] && river[second]) {
            const int pick = 3 * k + ArtRandom() % 3;
            block.SetItem(2, static_cast<std::int16_t>(2 + k), riverArt ? Picture(terrainArt, "Minor Rivers", pick) : nullptr,
                          Point());
            if (river[before])
                block.SetItem(2, static_cast<std::int16_t>(8 + k),
                              riverArt ? Picture(terrainArt, "Minor River Ends", (2 * k + 11) % 12) : nullptr, Point());
            if (river[after])
                block.SetItem(2, static_cast<std::int16_t>(14 + k),
                              riverArt ? Picture(terrainArt, "Minor River Ends", (2 * k + 2) % 12) : nullptr, Point());
        }
        if (earthwork[first] && earthwork[second])
            block.SetItem(3, static_cast<std::int16_t>(k + 1), Picture(terrainArt, k < 3 ? "Birm" : "Ditch", k), Point());
    }
}
