// A figure's walk along a path: every step from hex to hex queued at once on its sprite, with
// the frames of the step's direction, the treads inside each hex from the walking offsets, the
// climb or descent between levels, zig-zags of two diagonal steps straightened into one, the
// water and hexside cues, and the stance at the end.
#include "game/pictures/picture_random.h"
#include "game/pictures/vh_physical_object.h"

#include <vector>

namespace {

double SpeedFactor(std::uint32_t kind) {
    if (kind <= 3 || kind == 15) return 0.67;
    if (kind >= 8 && kind <= 12) return 0.9;
    if (kind == 13) return 0.5;
    return 1.0;
}

} // namespace

void VhPhysicalObject::WalkFigureAlongPath(std::int16_t slot, VhSprite* sprite, List<short>* path,
                                           const DirectionOffsets* offsets, std::int16_t routing, std::int16_t firstRout) {
    if (!sprite || !path) return;
    std::vector<short> hexes;
    {
        ListIterator<short> it(path);
        short h = 0;
        while (it.Next(h)) hexes.push_back(h);
    }
    // Callers pass at least the start hex; without one there is nowhere to walk.
    if (hexes.empty()) return;

    static const DirectionOffsets kNoOffsets{};
    const DirectionOffsets& table = offsets ? *offsets : kNoOffsets;
    ViewLayer* view = VhSprite::GetViewLayer(static_cast<std::int16_t>(viewIndex));
    ViewLandscape* land = view ? view->GetLandscape(0) : nullptr;
    auto level = [&](short h) -> std::int16_t { return land ? land->HexLevel(h) : 1; };
    auto exists = [&](short h) -> bool { return land ? land->HexExists(h) != 0 : true; };
    auto neighbour = [&](short h, std::int32_t d) -> short { return land ? land->HexNeighbour(h, d) : h; };
    auto flagged = [&](short h, std::int32_t d) -> bool { return land && land->HasFlaggedSide(h, d) != 0; };
    const auto kindWord = static_cast<std::uint16_t>(kind);

    const Point3D R = table.extra;
    const double factor = destroyed ? SpeedFactor(kind) : 1.0;
    bool first = true;
    QIF<Bitmap>* a = GetArt();
    List<FrameInfo> frames;
    std::int16_t eventType = 0, repeat = 0, frameValue = -1;
    Point3D J;

    auto jitter = [&]() {
        std::int32_t bx = 15, by = 5;
        if (lossPercent >= 100) bx *= 3, by *= 3;
        const std::int32_t y = (by / 2 - static_cast<std::int32_t>(PictureRandom() % static_cast<std::uint32_t>(by))) * lossPercent / 100;
        const std::int32_t x = (bx / 2 - static_cast<std::int32_t>(PictureRandom() % static_cast<std::uint32_t>(bx))) * lossPercent / 100;
        J = Point3D(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), 0);
    };
    auto move = [&](short at, const Point3D& p, std::int32_t duration) {
        const Point3D target(static_cast<std::int16_t>(p.x + J.x), static_cast<std::int16_t>(p.y + J.y), static_cast<std::int16_t>(p.z + J.z));
        sprite->PostFrames(at, Point4(target, static_cast<std::int32_t>(duration * factor)), frames, frameValue, eventType, repeat);
    };
    // One leg X to Y; endsStep: the leg ends at the step's hex (rest point R), not a middle hex.
    auto leg = [&](short X, short Y, const HillOffsets& H, bool endsStep) {
        const std::int16_t lx = level(X), ly = level(Y);
        if (ly < lx) {
            const HexOffsets& o = H.hexes[2];
            move(Y, o.points[0], o.values[0]);
            move(Y, o.points[1], o.values[1]);
            if (ly == 0) sprite->PostSoundCode(13, kindWord, 0);
            move(Y, endsStep ? R : o.points[2], o.values[2]);
        } else if (lx < ly) {
            const HexOffsets& o = H.hexes[1];
            move(X, o.points[0], o.values[0]);
            if (lx == 0) sprite->PostSoundCode(14, kindWord, 0);
            move(Y, o.points[1], o.values[1]);
            move(Y, endsStep ? R : o.points[2], o.values[2]);
        } else if (X != Y) {
            const HexOffsets& o = H.hexes[0];
            move(Y, o.points[0], o.values[0]);
            move(Y, endsStep ? R : o.points[1], o.values[1]);
        }
    };

    short A = hexes[0];
    if (level(A) == 0) sprite->PostSoundCode(13, kindWord, 0);
    for (std::size_t k = 1; k < hexes.size(); ++k) {
        short B = hexes[k];
        std::uint32_t d1 = DirectionTo(A, B);
        const bool hasC = k + 1 < hexes.size();
        if (hasC && !(kind == 13 && destroyed) && !(routing && firstRout && first)) {
            const std::uint32_t d2 = DirectionTo(B, hexes[k + 1]);
            if (((d1 == 8 && d2 == 2) || (d1 == 2 && d2 == 8)) && exists(neighbour(A, 8)) && exists(neighbour(A, 2))) {
                B = hexes[++k];
                d1 = 1;
            } else if (((d1 == 6 && d2 == 4) || (d1 == 4 && d2 == 6)) && exists(neighbour(A, 6)) && exists(neighbour(A, 4))) {
                B = hexes[++k];
                d1 = 5;
            }
        }
        if (d1 < 1 || d1 > 8) d1 = 1;
        const HillOffsets* H = &table.entries[d1];
        moveDirection = d1;

        frames.Clear();
        bool helmet = false;
        if (a) {
            const std::int16_t helmetN = a->SectionIndex("HelmetN");
            if (routing && firstRout && first && helmetN >= 0 && d1 != 1 && d1 != 5) {
                helmet = true;
                const auto hs = static_cast<std::int16_t>(helmetN + d1 - 1);
                if (const char* name = a->SectionName(hs))
                    for (std::int16_t f = 0; f < 8; ++f) frames.AddTail(FrameInfo(name, f));
                const auto ws = static_cast<std::int16_t>(sequenceBase + d1 - 1);
                if (const char* name = a->SectionName(ws)) {
                    frames.AddTail(FrameInfo(name, 3));
                    frames.AddTail(FrameInfo(name, 4));
                }
            }
            const auto ws = static_cast<std::int16_t>(sequenceBase + d1 - 1);
            if (const char* name = a->SectionName(ws))
                for (std::int16_t f = 0; f < a->ImageCount(ws); ++f) frames.AddTail(FrameInfo(name, f));
        }
        jitter();
        first = false;
        eventType = helmet ? 1 : 0;
        repeat = helmet ? 10 : 0;
        frameValue = SlotStartValue(slot, TurnFacing(moveDirection));

        if (d1 == 1 || d1 == 5) {
            const std::int32_t side = d1 == 1 ? (R.x < 0 ? 8 : 2) : (R.x < 0 ? 6 : 4);
            const short middle = neighbour(A, side);
            if (flagged(A, side)) sprite->PostSoundCode(12, kindWord, 0);
            leg(A, middle, *H, false);
            jitter();
            leg(middle, B, table.entries[d1 == 1 ? 9 : 10], true);
        } else {
            if (flagged(A, static_cast<std::int32_t>(d1))) sprite->PostSoundCode(12, kindWord, 0);
            leg(A, B, *H, true);
        }
        A = B;
    }

    if (spriteCount == 1) {
        J = Point3D();
        frameValue = SlotStartValue(slot, TurnFacing(moveDirection));
        eventType = 0;
        repeat = 0;
        sprite->PostFrames(A, Point4(Point3D(0, 0, 0), 100), frames, frameValue, 0, 0);
    }
    sprite->PostSoundCode(11, kindWord, 0);
    if (!HasNoFlag() && sprite != flag && !(kind == 13 && destroyed)) {
        List<FrameInfo> stance;
        stance.AddTail(FrameInfo(routing ? "StandingR" : "Standing", static_cast<std::int16_t>(GetStandingFrame() - 1)));
        sprite->PostFrames(A, Point4(Point3D(0, 0, 0), 0), stance, SlotStartValue(slot, GetFigureFacing()), 2, 0);
    }
}
