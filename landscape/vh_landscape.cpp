#include "landscape/vh_landscape.h"

#include "core/events.h"
#include "core/super_string.h"
#include "core/text_payload.h"
#include "landscape/landscape_tile.h"
#include "platform/file.h"
#include "platform/file_handle.h"
#include "platform/msgbox.h"
#include "ui/viewport.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr const char* kSource = "VHLAND";

struct ZoomArt {
    Dim artCell;
    Dim hexCell;
    std::int16_t elevationStep;
    Dim tileCell;
    const char* blocks;
    const char* overlays;
    const char* grid;
    const char* outline;
    const char* name;
};

const ZoomArt kZoomArt[3] = {
    {Dim(130, 76), Dim(130, 64), 12, Dim(65, 32), "Landscape Blocks", "Landscape Overlays", "Hex Grid", "Hex Outline",
     "VhLandscapeNormal"},
    {Dim(66, 38), Dim(66, 32), 6, Dim(33, 16), "Landscape Blocks (Half size)", "Landscape Overlays (Half size)",
     "Hex Grid (Half size)", "Hex Outline (Half size)", "VhLandscapeZO"},
    {Dim(34, 19), Dim(34, 16), 3, Dim(17, 8), "Landscape Blocks (Quarter size)", "Landscape Overlays (Quarter size)",
     "Hex Grid (Quarter size)", "Hex Outline (Quarter size)", "VhLandscapeZO2"},
};

// The ground pictures of our art sets come in 16 groups of four, one group per slope mask.
constexpr std::int16_t kEdgeTable[16] = {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4};
constexpr std::int16_t kBorderLevel = 9;

constexpr std::int32_t kMaxSavedPart = 1 << 24;

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) p[k] = static_cast<std::uint8_t>(v >> (8 * k));
}


void ReportDamaged() {
    MessageBox(nullptr, "The map part of the saved game is damaged and was not loaded.", "Load Game",
               MB_OK | MB_ICONSTOP);
}

} // namespace

VhLandscape::VhLandscape(const Dim& artCell, const Dim& hexCell, const char* blockArt, const char* overlayArt,
                         const char* secondOverlayArt, const char* gridArtName, const char* outlineArtName,
                         std::uint16_t opts, const char* name)
    : PointedIsometricHexLandscape(artCell, hexCell, blockArt, blockArt, blockArt, overlayArt, secondOverlayArt, gridArtName,
                                   outlineArtName, kBorderLevel, 16, kEdgeTable, opts, name,
                                   "Varnhold Physical Landscape"),
      backgroundArt("Landscape Background") {
    backgroundArt.SelectSection("Blocks");
    const std::int16_t block = backgroundArt.FindInCurrentSection("Block #1");
    if (block < 0) ReportArtLookUpMiss(backgroundArt.GetName(), "Blocks", "Block #1");
    if (block >= 0) {
        // Only the pointer is kept; the background is locked while it is drawn.
        SetBackground(backgroundArt.GetBitmap(block));
        backgroundArt.UnlockBitmap(block);
    }
    RegisterMessage("RemoveDeadSprites");
    if (IsFullSize()) {
        const char* const suffix[3] = {"", " (Half size)", " (Quarter size)"};
        for (int z = 0; z < 3; ++z) {
            arrowArt[z] = std::make_unique<QIF<Bitmap>>((std::string("Battle Arrows") + suffix[z]).c_str());
            debrisArt[z] = std::make_unique<QIF<Bitmap>>((std::string("Missile Debris") + suffix[z]).c_str());
        }
    }
    SetElevationStep(kZoomArt[ZoomLevel()].elevationStep);
}

VhLandscape::~VhLandscape() {
    // The sprites go while the arrow art they show is still open: whoever hears that one goes
    // may still ask where it stood.
    arrows.clear();
    DeleteSprites();
    scars.Clear();
    SetBackground(nullptr);
}

VhLandscape* VhLandscape::CreateLandscape(std::uint16_t options) {
    std::uint16_t bits = options & kFlipped;
    int zoom = 0;
    if (options & 0x2) {
        bits |= 0x2;
        zoom = 2;
    } else if (options & 0x1) {
        bits |= 0x1;
        zoom = 1;
    }
    const ZoomArt& z = kZoomArt[zoom];
    return new VhLandscape(z.artCell, z.hexCell, z.blocks, z.overlays, "Landscape Overlays", z.grid, z.outline, bits,
                           z.name);
}

Dim VhLandscape::TileCellSize() const { return kZoomArt[ZoomLevel()].tileCell; }

void VhLandscape::Connect() {
    PointedIsometricHexLandscape::Connect();
    RegisterNamedHandler("Change Viewport", OnChangeViewport);
    RegisterNamedHandler("ShowHexToMoveTo", OnShowHexToMoveTo);
    RegisterNamedHandler("HideHexToMoveTo", OnHideHexToMoveTo);
    RegisterNamedHandler("AddBattleScars", OnAddBattleScars);
    RegisterNamedHandler("LoadGame", OnLoadGame);
    if (!IsFullSize()) return;
    RegisterNamedHandler("SaveGame", OnSaveGame);
    RegisterNamedHandler("AddBattleArrow", OnAddBattleArrow);
    RegisterNamedHandler("RemoveBattleArrow", OnRemoveBattleArrow);
    RegisterNamedHandler("RemoveAllBattleArrows", OnRemoveAllBattleArrows);
    RegisterNamedHandler("ReturnFromMissileFire", OnReturnFromMissileFire);
}

void VhLandscape::Close() {
    arrows.clear();
    scars.Clear();
    PointedIsometricHexLandscape::Close();
}

// --- arrows and the hex to move to ---

void VhLandscape::AddBattleArrow(const BattleArrowStruct& arrow) {
    if (!IsFullSize()) return;
    for (const Arrow& a : arrows)
        if (a.arrow == arrow) return;
    const DIRECTION art =
        IsFlipped() ? RotateDirectionAnticlockwise(arrow.direction, 2) : RotateDirectionClockwise(arrow.direction, 2);
    QIF<Bitmap>* full = arrowArt[0].get();
    const char* sequence = full ? full->CurrentSectionName() : nullptr;
    if (!sequence && full && full->SectionCount() > 0) sequence = full->SectionName(0);
    // The arrow stands below the middle of its first hex.
    const PhysicalBlock* block = GetBlock(HexNumberToIndex(arrow.from));
    const Point3D at = block ? block->GetPosition() : Point3D();
    const Point3D where(at.x + 65, at.y + 32 + 32, at.z);
    auto* sprite = new LandscapeSprite(static_cast<std::uint16_t>(arrow.from), where,
                                       SpriteFrame{sequence ? sequence : "", static_cast<std::int16_t>(art - 1)},
                                       Sprite::kNoLayer, nullptr, 1, arrowArt[0].get(), arrowArt[1].get(),
                                       arrowArt[2].get(), static_cast<std::uint16_t>(options & kFlipped), 0);
    AddSprite(sprite);
    arrows.push_back(Arrow{arrow, sprite});
    Container<Box> where2(sprite->GetRect());
    delete PostAndWait(INVALIDATE_VIEW, &where2);
}

void VhLandscape::TakeArrowSprite(Sprite* sprite) {
    if (!sprite) return;
    const Box box = sprite->GetRect();
    DestroySprite(sprite);
    Container<Box> where(box);
    delete PostAndWait(INVALIDATE_VIEW, &where);
}

void VhLandscape::RemoveBattleArrow(const BattleArrowStruct& arrow) {
    for (auto i = arrows.begin(); i != arrows.end(); ++i) {
        if (!(i->arrow == arrow)) continue;
        Sprite* sprite = i->sprite;
        arrows.erase(i);
        TakeArrowSprite(sprite);
        return;
    }
}

void VhLandscape::RemoveAllBattleArrows() {
    while (!arrows.empty()) {
        Sprite* sprite = arrows.front().sprite;
        arrows.erase(arrows.begin());
        TakeArrowSprite(sprite);
    }
}

void VhLandscape::ShowHexToMoveTo(short hex, std::int16_t on) {
    SetItemVisible(hex, 4, 1, on);
    delete PostAndWait(INVALIDATE_VIEW, nullptr);
}

// --- hex functions ---

short VhLandscape::HexNeighbour(short hex, int direction) const {
    if (!HasBlock(hex)) return -1;
    const int d = IsFlipped() ? RotatePointedClockwise(direction, 3) : direction;
    if (d != 2 && d != 3 && d != 4 && d != 6 && d != 7 && d != 8) return -1;
    const short index = Neighbour(HexNumberToIndex(hex), d);
    if (index < 0 || !GetBlock(index)) return -1;
    return IndexToHexNumber(index);
}

int VhLandscape::HexDirection(short from, short to) const {
    for (int d : {2, 3, 4, 6, 7, 8})
        if (HexNeighbour(from, d) == to && to >= 0) return d;
    return 0;
}

List<short> VhLandscape::GetScarPath(short) const { return List<short>(); }

List<short> VhLandscape::HexPath(short start, int direction) {
    List<short> path;
    path.AddTail(start);
    const int columns = GetMapSize().width, rows = GetMapSize().height;
    short current = start;
    int d = direction;
    if (d == 1 || d == 5) {
        // North and south are no sides of a pointed hex: one of the sides beside them.
        d = ArtRandom() % 2 == 0 ? RotateDirectionAnticlockwise(static_cast<DIRECTION>(d), 1)
                                 : RotateDirectionClockwise(static_cast<DIRECTION>(d), 1);
        current = HexNeighbour(current, d);
        if (current < 0) return path;
        path.AddTail(current);
    }
    // Every step leaves a hex for another; a walk that wandered longer than the map has hexes
    // would be circling, so it stops there.
    for (int steps = 0; steps < columns * rows; ++steps) {
        const int dirs[3] = {d, RotatePointedAnticlockwise(d, 1), RotatePointedClockwise(d, 1)};
        short next[3];
        bool dropped[3] = {false, false, false};
        bool offMap = false;
        for (int k = 0; k < 3; ++k) {
            next[k] = HexNeighbour(current, dirs[k]);
            offMap = offMap || next[k] < 0;
        }
        if (offMap) break;
        const int index = HexNumberToIndex(current);
        const int column = index % columns, row = index / columns;
        const int left = column, right = columns - column, top = row, bottom = rows - row;
        auto drop = [&](int a, int b) {
            for (int k = 0; k < 3; ++k) dropped[k] = dropped[k] || dirs[k] == a || dirs[k] == b;
        };
        if (left < right && left < top && left < bottom) drop(3, 3);
        else if (right < left && right < top && right < bottom) drop(7, 7);
        else if (top < left && top < right && top < bottom) drop(4, 6);
        else drop(2, 8);
        for (int k = 0; k < 3; ++k) {
            if (dropped[k]) continue;
            const PhysicalBlock* b = GetBlock(HexNumberToIndex(next[k]));
            if (b && (b->GetTag() == 12 || b->GetTag() == 13)) {
                for (int j = 0; j < 3; ++j) dropped[j] = j != k;
                break;
            }
        }
        int i = (ArtRandom() % 4) % 3;
        for (int tries = 0; dropped[i] && tries < 3; ++tries) i = (i + 1) % 3;
        if (dropped[i]) break;
        current = next[i];
        d = dirs[i];
        path.AddTail(current);
    }
    return path;
}

// --- saved part ---

bool VhLandscape::SaveGame(const std::string& fileName) {
    if (!IsFullSize()) return false;
    FileHandle file(fileName, OF_READWRITE);
    if (!file.Ok()) return false;
    std::uint8_t head[4];
    if (!file.ReadAt(0, head, 4)) return false;
    std::uint32_t table = U32(head);
    const bool first = table == 0;
    const LONG end = _llseek(file.Get(), 0, FILE_END);
    if (end < 4) return false;
    auto position = static_cast<std::uint32_t>(end);

    SuperString out(kMaxSavedPart);
    if (first) {
        table = position;
        out << std::uint32_t{0} << std::uint32_t{0};
        out << static_cast<std::uint16_t>(scars.Count());
        for (Item<short>* i = scars.Head(); i; i = i->next) out << static_cast<std::uint16_t>(i->value);
        position += static_cast<std::uint32_t>(out.Length());
    }
    out << static_cast<std::uint16_t>(arrows.size());
    for (const Arrow& a : arrows)
        out << a.arrow.from << a.arrow.to << static_cast<std::uint32_t>(a.arrow.direction);

    // Only the landscape's own kind of sprite knows its art by name; arrows are saved as arrows.
    std::vector<const LandscapeSprite*> loose;
    for (Item<Sprite*>* i = sprites.Head(); i; i = i->next) {
        const bool isArrow =
            std::any_of(arrows.begin(), arrows.end(), [&](const Arrow& a) { return a.sprite == i->value; });
        if (isArrow) continue;
        if (const auto* s = dynamic_cast<const LandscapeSprite*>(i->value)) loose.push_back(s);
    }
    out << static_cast<std::uint16_t>(loose.size());
    for (const LandscapeSprite* s : loose) {
        s->SaveArtNames(out);
        s->Save(out);
    }
    if (out.Failed()) return false;

    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(out.Length()));
    if (!bytes.empty() && !out.Read(bytes.data(), out.Length())) return false;
    if (!file.WriteAt(end, bytes.data(), static_cast<UINT>(bytes.size()))) return false;
    std::uint8_t word[4];
    PutU32(word, position);
    if (!file.WriteAt(static_cast<LONG>(table + (IsFlipped() ? 4 : 0)), word, 4)) return false;
    if (first) {
        PutU32(word, table);
        if (!file.WriteAt(0, word, 4)) return false;
    }
    return true;
}

bool VhLandscape::LoadGame(const std::string& fileName) {
    FileHandle file(fileName, OF_READ);
    if (!file.Ok()) return false;
    const long long size = platform::FileSize(file.Get());
    if (size < 4 || size > kMaxSavedPart) {
        ReportDamaged();
        return false;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!file.ReadAt(0, bytes.data(), static_cast<UINT>(bytes.size()))) {
        ReportDamaged();
        return false;
    }
    const std::uint32_t table = U32(bytes.data());
    if (table == 0) return true;  // nothing of the map was saved
    const std::uint64_t n = bytes.size();
    if (table < 4 || table + 10ull > n) {
        ReportDamaged();
        return false;
    }
    const std::uint32_t offsets[2] = {U32(&bytes[table]), U32(&bytes[table + 4])};
    const std::size_t scarAt = table + 8;
    const std::uint16_t scarCount = static_cast<std::uint16_t>(bytes[scarAt] | (bytes[scarAt + 1] << 8));
    if (scarAt + 2 + 2ull * scarCount > n) {
        ReportDamaged();
        return false;
    }
    std::vector<short> newScars;
    for (int k = 0; k < scarCount; ++k) {
        const std::size_t at = scarAt + 2 + 2 * static_cast<std::size_t>(k);
        newScars.push_back(static_cast<short>(bytes[at] | (bytes[at + 1] << 8)));
    }

    std::vector<BattleArrowStruct> newArrows;
    std::vector<std::unique_ptr<LandscapeSprite>> newSprites;
    const std::uint32_t block = offsets[IsFlipped() ? 1 : 0];
    if (IsFullSize() && block != 0) {
        if (block < 4 || block >= n) {
            ReportDamaged();
            return false;
        }
        SuperString in(static_cast<std::int32_t>(n - block) + 1);
        in.Write(&bytes[block], static_cast<std::int32_t>(n - block));
        std::uint16_t arrowCount = 0;
        in >> arrowCount;
        if (in.Failed() || static_cast<std::int64_t>(arrowCount) * 8 > in.Length() - in.ReadPosition()) {
            ReportDamaged();
            return false;
        }
        for (int k = 0; k < arrowCount; ++k) {
            std::int16_t from = 0, to = 0;
            std::uint32_t direction = 0;
            in >> from >> to >> direction;
            if (direction > 8) {
                ReportDamaged();
                return false;
            }
            newArrows.emplace_back(from, to, static_cast<DIRECTION>(direction));
        }
        std::uint16_t spriteCount = 0;
        in >> spriteCount;
        if (in.Failed()) {
            ReportDamaged();
            return false;
        }
        for (int k = 0; k < spriteCount; ++k) {
            auto s = std::make_unique<LandscapeSprite>();
            if (s->LoadArtNames(in)) s->Load(in);
            if (in.Failed() || s->Failed()) {
                ReportDamaged();
                return false;
            }
            newSprites.push_back(std::move(s));
        }
    }

    // Everything read: only now does the landscape change.
    for (short hex : newScars) {
        scars.AddTail(hex);
        SetItemVisible(hex, 2, 30, 1);
    }
    for (const BattleArrowStruct& a : newArrows) AddBattleArrow(a);
    for (auto& s : newSprites) {
        LandscapeSprite* sprite = s.release();
        AddSprite(sprite);
        if (sprite->IgnoresPointer()) AddDeadSprite(sprite);
    }
    return true;
}

// --- bus handlers ---

ContainerBase* VhLandscape::OnChangeViewport(Component* c, BusMessage, ContainerBase* p) {
    VhLandscape* self;
    ViewportInfo* info;
    if (!BusArgs(c, p, self, info, kSource, __LINE__)) return nullptr;
    auto* tile = dynamic_cast<LandscapeTile*>(info->tile);
    if (!tile) return nullptr;
    if (info->oldFlags == self->options) {
        self->RemoveTile(tile);
        if (tile->GetLandscape() == self) tile->ForgetLandscape();
    } else if (info->newFlags == self->options) {
        if (!self->tiles.Contains(tile)) self->tiles.AddTail(tile);
        tile->SetLandscape(self);
        tile->SetCellSize(self->TileCellSize());
        tile->SetLandscapeMode(static_cast<std::uint16_t>(self->ZoomLevel()));
    }
    return nullptr;
}

namespace {

// The saved game's name: a text payload or a string.
bool FileNameOf(ContainerBase* p, std::string& name) {
    if (ExtractText(p, name)) return true;
    if (const auto* s = PayloadValue<std::string>(p)) {
        name = *s;
        return true;
    }
    return false;
}

bool HexOf(ContainerBase* p, short& hex) {
    if (const auto* u = PayloadValue<std::uint16_t>(p)) {
        hex = static_cast<short>(*u);
        return true;
    }
    if (const auto* s = PayloadValue<short>(p)) {
        hex = *s;
        return true;
    }
    return false;
}

} // namespace

ContainerBase* VhLandscape::OnShowHexToMoveTo(Component* c, BusMessage, ContainerBase* p) {
    auto* self = dynamic_cast<VhLandscape*>(c);
    short hex = 0;
    if (!self || !HexOf(p, hex)) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    self->ShowHexToMoveTo(hex, 1);
    return nullptr;
}

ContainerBase* VhLandscape::OnHideHexToMoveTo(Component* c, BusMessage, ContainerBase* p) {
    auto* self = dynamic_cast<VhLandscape*>(c);
    short hex = 0;
    if (!self || !HexOf(p, hex)) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    self->ShowHexToMoveTo(hex, 0);
    return nullptr;
}

ContainerBase* VhLandscape::OnAddBattleScars(Component* c, BusMessage, ContainerBase* p) {
    VhLandscape* self;
    List<short>* hexes;
    BusArgs(c, p, self, hexes, kSource, __LINE__);
    return nullptr;
}

ContainerBase* VhLandscape::OnAddBattleArrow(Component* c, BusMessage, ContainerBase* p) {
    VhLandscape* self;
    BattleArrowStruct* arrow;
    if (!BusArgs(c, p, self, arrow, kSource, __LINE__)) return nullptr;
    self->AddBattleArrow(*arrow);
    return nullptr;
}

ContainerBase* VhLandscape::OnRemoveBattleArrow(Component* c, BusMessage, ContainerBase* p) {
    VhLandscape* self;
    BattleArrowStruct* arrow;
    if (!BusArgs(c, p, self, arrow, kSource, __LINE__)) return nullptr;
    self->RemoveBattleArrow(*arrow);
    return nullptr;
}

ContainerBase* VhLandscape::OnRemoveAllBattleArrows(Component* c, BusMessage, ContainerBase*) {
    if (auto* self = dynamic_cast<VhLandscape*>(c)) self->RemoveAllBattleArrows();
    return nullptr;
}

ContainerBase* VhLandscape::OnReturnFromMissileFire(Component* c, BusMessage, ContainerBase* p) {
    VhLandscape* self;
    MissileDebrisStruct* debris;
    if (!BusArgs(c, p, self, debris, kSource, __LINE__)) return nullptr;
    // The hex's block is looked up; nothing is drawn for the debris.
    (void)self->GetBlock(self->HexNumberToIndex(static_cast<short>(debris->wordA)));
    return nullptr;
}

ContainerBase* VhLandscape::OnSaveGame(Component* c, BusMessage, ContainerBase* p) {
    auto* self = dynamic_cast<VhLandscape*>(c);
    std::string name;
    if (!self || !FileNameOf(p, name)) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    self->SaveGame(name);
    return nullptr;
}

ContainerBase* VhLandscape::OnLoadGame(Component* c, BusMessage, ContainerBase* p) {
    auto* self = dynamic_cast<VhLandscape*>(c);
    std::string name;
    if (!self || !FileNameOf(p, name)) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    self->LoadGame(name);
    return nullptr;
}
