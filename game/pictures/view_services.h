#pragma once
// What the figure sprites ask of the game's map display, which is built elsewhere: per view
// (0 main map, 1 combat close-up) a layer that gives the landscape of each zoom level, and of
// that landscape a hex's screen origin and whether the hex is hidden. The game's physical
// layer implements ViewLayer; tests give small stand-ins.
#include "core/geometry.h"

class Sprite;

#include <cstdint>

class ViewLandscape {
public:
    virtual ~ViewLandscape() = default;
    virtual Point3D HexOrigin(std::int16_t hex) = 0;
    // Non-zero while the hex's block is flagged hidden.
    virtual std::int16_t IsHexHidden(std::int16_t hex) = 0;
    // Takes a fallen figure as part of the ground, to be drawn and owned by the landscape from now
    // on. 0 when this landscape keeps no ground sprites; the picture then keeps the body itself.
    virtual std::int16_t AddGroundSprite(Sprite*) { return 0; }
    // What a figure's walk asks of the map: a hex's level (0 is water), whether it is on the map,
    // its neighbour in a compass direction and whether its side toward one is flagged. The
    // defaults describe a flat, dry map without edges in the unturned orientation.
    virtual std::int16_t HexLevel(std::int16_t) { return 1; }
    virtual std::int16_t HexExists(std::int16_t) { return 1; }
    virtual std::int16_t HexNeighbour(std::int16_t hex, std::int32_t direction);
    virtual std::int16_t HasFlaggedSide(std::int16_t, std::int32_t) { return 0; }
    // Non-zero when the map marks the hex for the firing pictures: a volley at it aims higher up
    // the screen. The game's map marks no hex.
    virtual std::int16_t IsHexMarked(std::int16_t) { return 0; }
};

class ViewLayer {
public:
    virtual ~ViewLayer() = default;
    // The landscape shown at zoom 0, 1 or 2; null when there is none.
    virtual ViewLandscape* GetLandscape(std::int16_t zoom) = 0;
};

// The view being shown: 0 the main map, 4 the combat close-up, -1 neither. The map windows set
// it as they are activated.
std::int16_t GetActiveViewMode();
void SetActiveViewMode(std::int16_t mode);
