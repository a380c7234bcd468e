#pragma once
// PointedIsometricHexLandscape: the battlefield's geometry and the art that depends on
// neighbours. The display grid is the logical map turned a quarter turn: W display columns (the
// logical rows) by H display rows (the logical columns); block index r * W + c. Even display
// rows sit half a cell right of odd ones, so column 0 of an odd row holds no block and the map
// edges show half hexes, which DrawBorder fills.
//
// Ground pictures are chosen by a slope mask per block: 0x1 west neighbour one level higher,
// 0x2 north-west one higher, 0x4 north-east one higher, 0x8 east one higher, 0x10 north-west
// lower, 0x20 north-east lower. A ground art set holds, from its ground section on, one section
// per level, each ordered in groups by mask (groupStart, groupSize).
//
// Invariants: groupStart[g] is the sum of groupSize[0..g-1]; the column step is cell width / 2
// and the row step cell height * 3 / 8; a request for a mask without a group, or a picture past
// a section's end, draws nothing instead of reaching outside the art.
#include "landscape/iso_hex_landscape.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// Turns among the six display directions of a hex (2, 3, 4, 6, 7, 8); any other value is left
// as it is.
int RotatePointedClockwise(int direction, std::uint8_t steps);
int RotatePointedAnticlockwise(int direction, std::uint8_t steps);

class PointedIsometricHexLandscape : public IsometricHexLandscape {
public:
    // Display directions of a hex.
    enum : int { NE = 2, E = 3, SE = 4, SW = 6, W = 7, NW = 8 };

    PointedIsometricHexLandscape(const Dim& blockSize, const Dim& cellSize, const char* edgeArtName1,
                                 const char* edgeArtName2, const char* edgeArtName3, const char* terrainArtName,
                                 const char* spriteArtName, const char* gridArtName, const char* outlineArtName,
                                 std::int16_t borderLevel, std::int16_t groupCount, const std::int16_t* groupSizes,
                                 std::uint16_t options, const char* name = nullptr);
    ~PointedIsometricHexLandscape() override;

    short IndexToHexNumber(short index) const override;
    short HexNumberToIndex(short number) const override;
    Point3D HexToScreen(const Point3D& mapPoint) const override;
    void BuildEdgeArt() override;
    bool HasBlock(short number) const override;
    void DrawBlocksInFront(Bitmap& target, short number, const Point& origin) override;
    virtual std::int16_t GroundSectionIndex(const QIF<Bitmap>& artSet) const;
    virtual void DrawBorder(Bitmap& target, const Point& origin, int row, int column);

    // The hex under a landscape point as drawn: the last-drawn block whose ground picture (the
    // pointed hex and its bank) holds it, else the first block whose rectangle holds it, else the
    // block whose centre is nearest; -1 when there is no block or the point lies outside the map.
    short PointToRegion(const Point& p) override;
    bool DrawnHexContains(const PhysicalBlock& block, const Point& p) const;
    void DrawArea(Bitmap& target, const Point& origin) override;

    // The block index across a display direction; -1 off the map; another direction answers i.
    short Neighbour(short index, int direction) const;
    void ShowHexGrid(std::int16_t flag);

    std::int16_t ColumnStep() const { return cellSize.width; }
    std::int16_t RowStep() const { return cellSize.height; }
    std::int16_t GetBorderLevel() const { return borderLevel; }
    // The art set the map's style chooses: 3 the second, 4 the third, anything else the first.
    QIF<Bitmap>& ChosenEdgeArt();
    QIF<Bitmap>& GetGridArt() { return gridArt; }
    QIF<Bitmap>& GetOutlineArt() { return outlineArt; }
    std::int16_t GroupStart(int mask) const;
    std::int16_t GroupSize(int mask) const;
    // The slope mask and road codes BuildEdgeArt worked out for a block index (0 outside).
    std::uint16_t SlopeMask(int index) const;
    std::array<std::uint16_t, 5> RoadCodes(int index) const;

    // The road picture of a road code: 5, 9 and 17 give 0, 1, 2; others are halved, 3 added per
    // halving, until the added amount would reach 12 (-1: no picture).
    static int RoadPictureNumber(std::uint16_t code);

protected:
    PointedIsometricHexLandscape(const Dim& blockSize, const Dim& cellSize, const char* edgeArtName1,
                                 const char* edgeArtName2, const char* edgeArtName3, const char* terrainArtName,
                                 const char* spriteArtName, const char* gridArtName, const char* outlineArtName,
                                 std::int16_t borderLevel, std::int16_t groupCount, const std::int16_t* groupSizes,
                                 std::uint16_t options, const char* name, const char* defaultName);

private:
    int Columns() const { return mapSize.width; }
    int Rows() const { return mapSize.height; }
    PhysicalBlock* BlockAt(int index) const { return index < 0 ? nullptr : GetBlock(index); }
    void BuildCliffsAndMasks(int i);
    void BuildRoadCodes(int i);
    void PlaceGround(int i, QIF<Bitmap>& artSet, bool firstSet);
    void PlaceRoads(int i);
    void PlaceOverlays(int i);
    std::int16_t CliffY() const;

    std::unique_ptr<QIF<Bitmap>> edgeArt[3];
    QIF<Bitmap> gridArt;
    QIF<Bitmap> outlineArt;
    std::int16_t borderLevel = 0;
    std::vector<std::int16_t> groupStart;
    std::vector<std::int16_t> groupSize;
    std::vector<std::uint16_t> masks;
    std::vector<std::array<std::uint16_t, 5>> roadCodes;
};
