#pragma once
// OverviewMap: the small picture of the whole battlefield in a corner of the map view. Its track
// is the map area of a scenario picture, its thumb the part of the map the view shows (drawn
// brightened and outlined). A click on the map area centres the view there, dragging the thumb
// scrolls, and dragging the picture's frame moves the overview inside the map view. The
// overview tells the map tiles where to look with SCROLL_TO, in map cells.
// VhOverviewMap draws the units over the map area from a bitmap the game's layer answers.
#include "ui/qif.h"
#include "ui/scroll_control.h"

#include <cstdint>
#include <memory>
#include <string>

class Bitmap;

class OverviewMap : public ScrollControl {
public:
    static constexpr const char* kArtName = "Overview Maps";

    OverviewMap(const Dim& contentSize, const Box& viewBox, const char* section, const Point& topLeftMargin,
                const Point& bottomRightMargin, std::uint16_t pictureChoice);
    ~OverviewMap() override;

    void OnMouseMove(const Point& p) override;
    void OnLButtonDown(const Point& p) override;
    void OnLButtonUp(const Point& p) override;
    // The overview does not take SCROLL_TO itself: it sends it.
    void RegisterMenuHandlers() override {}
    void Redraw() override;
    std::int16_t ScrollTo(const Point& cell) override;
    std::int16_t ScrollBy(const Dim& delta) override;
    void SetViewSize(const Dim& size) override;

    void TogglePicture();
    Bitmap* GetPicture() const { return picture; }
    std::uint16_t PictureChoice() const { return pictureChoice; }
    bool Pressed() const { return pressed != 0; }

protected:
    // Moves the overview by d inside its parent, kept inside it.
    void MoveBy(const Point& d);
    void SendScrollTo();
    void TakePicture();

    std::unique_ptr<QIF<Bitmap>> art;
    Bitmap* picture = nullptr;
    Point frameGrabPoint;
    std::uint16_t frameDragging = 0;
    Point thumbGrabOffset;
    std::uint16_t pressed = 0;
    std::uint16_t thumbDragging = 0;
    std::uint16_t thumbMoved = 0;
    std::uint16_t pictureChoice = 0;
};

class VhOverviewMap : public OverviewMap {
public:
    using OverviewMap::OverviewMap;

    void Redraw() override;
    // Changes the picture and asks the game again for the units.
    virtual void UpdateUnits();
    Bitmap* GetUnitBitmap() const { return unitBitmap; }

private:
    void FetchUnitBitmap();
    Bitmap* unitBitmap = nullptr;
};
