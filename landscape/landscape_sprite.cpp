#include "landscape/landscape_sprite.h"

#include "ui/bitmap.h"

#include <string>

LandscapeSprite::LandscapeSprite() : Sprite(0, Point3D(), nullptr, kNoLayer, nullptr, 1) {}

LandscapeSprite::LandscapeSprite(std::uint16_t objectId_, const Point3D& position_, const SpriteFrame& first,
                                 std::uint16_t layer_, PhysicalObject* owner_, std::uint32_t drawMode_,
                                 QIF<Bitmap>* full, QIF<Bitmap>* half, QIF<Bitmap>* quarter, std::uint16_t flag_,
                                 int zoom_)
    : Sprite(objectId_, position_, nullptr, layer_, owner_, drawMode_), art{full, half, quarter}, frameInfo(first),
      zoom(static_cast<std::uint16_t>(zoom_ >= 0 && zoom_ < 3 ? zoom_ : 0)), flag(flag_) {
    Resolve();
}

LandscapeSprite::~LandscapeSprite() = default;

void LandscapeSprite::Resolve() {
    frame = nullptr;
    QIF<Bitmap>* library = art[zoom];
    if (!library || !library->IsLoaded()) return;
    const std::int16_t section = library->SectionIndex(frameInfo.sequence.c_str());
    if (section < 0 || frameInfo.frame < 0 || frameInfo.frame >= library->ImageCount(section)) {
        const std::string frameName = "#" + std::to_string(frameInfo.frame);
        ReportArtLookUpMiss(library->GetName(), frameInfo.sequence.c_str(), section < 0 ? nullptr : frameName.c_str());
        return;
    }
    // Only the pointer is kept; the picture is locked while it is drawn.
    frame = library->GetBitmap(frameInfo.frame, section);
    library->UnlockBitmap(frameInfo.frame, section);
}

void LandscapeSprite::SetZoom(int z) {
    if (z < 0 || z > 2) return;
    zoom = static_cast<std::uint16_t>(z);
    Resolve();
}

void LandscapeSprite::SetFrame(const SpriteFrame& f) {
    frameInfo = f;
    Resolve();
}

Box LandscapeSprite::Draw(Bitmap& target, const Point& origin) {
    if (IsHidden() || !frame) return Box();
    if (!frame->Lock()) return Box();
    const Box touched = Sprite::Draw(target, origin);
    frame->Unlock();
    return touched;
}

void LandscapeSprite::SaveArtNames(SuperString& s) const {
    for (const QIF<Bitmap>* library : art) s << (library ? library->GetName() : std::string());
}

bool LandscapeSprite::LoadArtNames(SuperString& s) {
    for (int z = 0; z < 3; ++z) {
        std::string name;
        s >> name;
        if (s.Failed()) {
            failed = true;
            return false;
        }
        owned[z].reset(name.empty() ? nullptr : new QIF<Bitmap>(name.c_str()));
        art[z] = owned[z].get();
    }
    Resolve();
    return true;
}

void LandscapeSprite::Save(SuperString& s) const {
    s << objectId << position.x << position.y << position.z << layer << static_cast<std::uint32_t>(drawMode)
      << frameInfo.sequence << frameInfo.frame << zoom << hidden << ignoresPointer << flag;
}

void LandscapeSprite::Load(SuperString& s) {
    std::uint16_t id = 0, layer_ = 0, zoom_ = 0, hidden_ = 0, ignores = 0, flag_ = 0;
    std::int16_t x = 0, y = 0, z = 0, number = 0;
    std::uint32_t mode = 1;
    std::string sequence;
    s >> id >> x >> y >> z >> layer_ >> mode >> sequence >> number >> zoom_ >> hidden_ >> ignores >> flag_;
    if (s.Failed() || zoom_ > 2 || hidden_ > 1 || ignores > 1) {
        failed = true;
        frame = nullptr;
        return;
    }
    objectId = id;
    position = Point3D(x, y, z);
    start = Point4(position);
    layer = layer_;
    drawMode = mode;
    frameInfo = SpriteFrame{sequence, number};
    zoom = zoom_;
    hidden = hidden_;
    ignoresPointer = ignores;
    flag = flag_;
    Resolve();
}
