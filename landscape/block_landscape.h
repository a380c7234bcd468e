#pragma once
// BlockLandscape: a landscape made of one PhysicalBlock per region. It draws an area by tiling a
// background bitmap and then drawing every block that overlaps the area, in index order, and it
// applies highlight, half-highlight, shadow and item-visibility requests to sets of blocks.
//
// Requests name regions; RegionIndex turns a region into a block index (the same number here,
// the hex number's index in the hex landscapes). A region outside the table or without a block
// is passed over, so no request can reach outside the table.
//
// Invariants: blocks.size() is the table's length (0 before BEGIN_LANDSCAPE and after Close);
// every non-null entry is owned; while complete is 0 no highlight, shadow or visibility request
// changes anything.
#include "landscape/landscape.h"
#include "landscape/physical_block.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class BlockLandscape : public Landscape {
public:
    BlockLandscape(const Dim& blockSize, const Dim& cellSize, const char* name = nullptr);
    ~BlockLandscape() override;

    void BeginLandscape(const LandscapeDefinition& definition) override;
    void CreateBlock(const LogicalRegion& region) override;
    void CreateBlocks(const List<LogicalRegion>& regions) override;
    void EndLandscape() override;
    void Close() override;

    Point3D GetRegionLocation(short region) override;
    short PointToRegion(const Point& p) override;

    void HighlightRegions(const List<short>& regions, std::uint16_t flag) override;
    void HighlightBox(const Box& box, std::uint16_t flag) override;
    void HighlightPoint(const Point& p, std::uint16_t flag) override;
    void HighlightRegion(short region, std::uint16_t flag) override;
    void HighlightAll(std::uint16_t flag) override;
    void ToggleHighlightRegions(const List<short>& regions) override;
    void ToggleHighlightBox(const Box& box) override;
    void ToggleHighlightPoint(const Point& p) override;
    void ToggleHighlightRegion(short region) override;
    void ToggleHighlightAll() override;
    void HalfHighlightRegions(const List<short>& regions, std::uint16_t flag) override;
    void HalfHighlightBox(const Box& box, std::uint16_t flag) override;
    void HalfHighlightPoint(const Point& p, std::uint16_t flag) override;
    void HalfHighlightRegion(short region, std::uint16_t flag) override;
    void HalfHighlightAll(std::uint16_t flag) override;
    void ToggleHalfHighlightRegions(const List<short>& regions) override;
    void ToggleHalfHighlightBox(const Box& box) override;
    void ToggleHalfHighlightPoint(const Point& p) override;
    void ToggleHalfHighlightRegion(short region) override;
    void ToggleHalfHighlightAll() override;
    void ShadowRegions(const List<short>& regions, std::uint16_t flag) override;
    void ToggleShadowRegions(const List<short>& regions) override;

    void DrawArea(Bitmap& target, const Point& origin) override;

    // Per block, by block index.
    virtual void SetBlockHighlight(short index, std::uint16_t flag);
    virtual void SetBlockHalfHighlight(short index, std::uint16_t flag);
    virtual void ToggleBlockHighlight(short index);
    virtual void ToggleBlockHalfHighlight(short index);
    virtual void SetBlockShadow(short index, std::uint16_t flag);
    virtual void ToggleBlockShadow(short index);
    virtual void DrawBackground(Bitmap& target, const Point& origin);
    // By region; null (or 0) when the region has no block.
    virtual std::unique_ptr<PhysicalBlock> GetBlockCopy(short region);
    virtual std::int16_t GetZ(short region);
    virtual std::uint32_t GetDrawMode(short region);
    virtual std::uint16_t IsHighlighted(short region);
    virtual std::uint16_t IsHalfHighlighted(short region);
    virtual std::uint16_t IsShadowed(short region);

    void SetItemVisible(const List<short>& regions, std::int16_t layer, std::int16_t item, std::int16_t flag);
    void SetItemVisible(const Box& box, std::int16_t layer, std::int16_t item, std::int16_t flag);
    void SetItemVisible(const Point& p, std::int16_t layer, std::int16_t item, std::int16_t flag);
    void SetItemVisible(short region, std::int16_t layer, std::int16_t item, std::int16_t flag);
    void SetItemVisible(std::int16_t layer, std::int16_t item, std::int16_t flag);
    void ToggleItemVisible(const List<short>& regions, std::int16_t layer, std::int16_t item);
    void ToggleItemVisible(const Box& box, std::int16_t layer, std::int16_t item);
    void ToggleItemVisible(const Point& p, std::int16_t layer, std::int16_t item);
    void ToggleItemVisible(short region, std::int16_t layer, std::int16_t item);
    void ToggleItemVisible(std::int16_t layer, std::int16_t item);

    void SetBackground(Bitmap* bitmap) { background = bitmap; }
    Bitmap* GetBackground() const { return background; }
    // The block at a block index; null when there is none.
    PhysicalBlock* GetBlock(int index) const;
    int GetBlockCount() const { return static_cast<int>(blocks.size()); }
    Dim GetBlockSize() const { return blockSize; }
    bool IsComplete() const { return complete != 0; }

protected:
    BlockLandscape(const Dim& blockSize, const Dim& cellSize, const char* name, const char* defaultName);
    // The block index of a region: -1 when it names none.
    virtual short RegionIndex(short region) const { return region; }
    // Stores a block at an index of the table; false (block not taken) outside the table.
    bool StoreBlock(int index, PhysicalBlock* block);
    void DeleteBlocks();

    Bitmap* background = nullptr;
    std::vector<PhysicalBlock*> blocks;
    Dim blockSize;
    std::uint16_t complete = 0;

private:
    using BlockAction = std::function<void(short index, PhysicalBlock& block)>;
    void ForRegions(const List<short>& regions, const BlockAction& action);
    void ForBox(const Box& box, const BlockAction& action);
    void ForPoint(const Point& p, const BlockAction& action);
    void ForRegion(short region, const BlockAction& action);
    void ForAll(const BlockAction& action);
};
