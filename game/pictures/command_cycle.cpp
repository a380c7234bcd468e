// The picture's command cycle. Invariants: `animating` is non-empty only while a command is at
// the head of the queue; a command leaves the queue before its reply goes out, so that a picture
// deleted by the reply's handler does not answer it a second time; only the shown view's picture
// answers.
#include "core/bus.h"
#include "game/pictures/hex_directions.h"
#include "game/pictures/picture_log.h"
#include "game/pictures/vh_physical_object.h"
#include "landscape/physical/physical_layer.h"

namespace {

bool Is(const LogicalCommandInfo& c, const char* name) {
    return (c.command.Number() & 0x0FFFFFFFu) == RegisterMessage(name);
}

std::uint32_t EventNumber(const LogicalCommandInfo& c) { return c.command.Number() & 0x0FFFFFFFu; }

// Ticks every sprite of the list and drops those that have played out.
void TickAll(List<Sprite*>& list, std::int32_t now, List<Box>* dirty) {
    ListIterator<Sprite*> walk(&list);
    Sprite* s = nullptr;
    while (walk.Next(s)) {
        if (s->Tick(now, dirty) == 0) walk.RemoveLast();
    }
}

} // namespace

bool VhPhysicalObject::IsShownView() const {
    const std::int16_t mode = GetActiveViewMode();
    if (mode == 4) return viewIndex == 1;
    return viewIndex == 0;
}

std::uint32_t VhPhysicalObject::DirectionTo(std::int16_t from, std::int16_t to) {
    const auto d = static_cast<DIRECTION>(HexDirection(from, to));
    return viewIndex == 1 ? RotateDirectionClockwise(d, 4) : d;
}

std::int16_t VhPhysicalObject::Tick(std::int32_t now, List<Box>* dirty) {
    std::shared_ptr<bool> living = pictureAlive;
    if (flagAnimating && flag && flag->Tick(now, dirty) == 0) flagAnimating = 0;
    TickAll(looseSprites, now, dirty);

    Item<LogicalCommandInfo>* head = nullptr;
    if (commands.PeekItem(head)) {
        const bool shown = IsShownView();
        if (animating.IsEmpty()) {
            StartCommand(head->value);
            if (!*living) return 0;
            if (!commands.PeekItem(head)) return 0;
            if (head->value.object != 0 && shown) {
                Container<unsigned short> me(GetId());
                delete PostNamedAndWait("PhysicalObjectMoving", &me);
                if (!*living) return 0;
                if (!commands.PeekItem(head)) return 0;
            }
        }
        TickAll(animating, now, dirty);
        if (animating.IsEmpty()) {
            FinishCommand(head->value);
            if (!*living) return 0;
            LogicalCommandInfo done;
            commands.Dequeue(done);
            if (shown && done.reply.Number() != 0) {
                PictureLogLine("answer " + PictureLogName(this) + " " + std::to_string(viewIndex));
                Post(done.reply, done.replyData);
                if (!*living) return 0;
            }
            if (shown && commands.IsEmpty()) {
                Container<unsigned short> me(GetId());
                delete PostNamedAndWait("PhysicalObjectNotMoving", &me);
                if (!*living) return 0;
            }
        }
    }

    if (commands.IsEmpty() && flagAnimating == 0 && animating.IsEmpty() && looseSprites.IsEmpty()) {
        // The layer reads the id as a short, as it does for the activation.
        Container<short> me(static_cast<short>(GetId()));
        delete PostAndWait(PHYSICAL_OBJECT_DEACTIVATED, &me);
        return 0;
    }
    return 1;
}

void VhPhysicalObject::FinishCommand(LogicalCommandInfo& command) {
    if (Is(command, "CombatAnimate") || Is(command, "CombatDontAnimate") || Is(command, "CohesionHit") ||
        Is(command, "UnitEliminated")) {
        ViewLayer* ground = VhSprite::GetViewLayer(0);
        ViewLandscape* landscape = ground ? ground->GetLandscape(0) : nullptr;
        for (std::uint16_t i = 0; i < spriteCount; ++i) {
            if (!figureStates || figureStates[i] != 1) continue;
            VhSprite* body = GetFigureSprite(static_cast<std::int16_t>(i));
            figureStates[i] = 2;
            if (!body) continue;
            body->SetIgnoresPointer(1);
            // A landscape that keeps no ground sprites leaves the body with the picture, which
            // still deletes it; otherwise the landscape owns it from now on. A body still falling
            // plays on among the loose sprites either way.
            if (landscape && landscape->AddGroundSprite(body)) {
                body->SetOwner(nullptr);
                sprites[i] = nullptr;
            }
        }
        if (viewIndex == 0) {
            bool marked = false;
            for (std::uint16_t i = 0; i < spriteCount && !marked; ++i) {
                VhSprite* s = IsFigurePresent(static_cast<std::int16_t>(i)) ? GetFigureSprite(static_cast<std::int16_t>(i)) : nullptr;
                marked = s && s->AllSoundsEnabled();
            }
            for (std::uint16_t i = 0; i < spriteCount && !marked; ++i) {
                VhSprite* s = IsFigurePresent(static_cast<std::int16_t>(i)) ? GetFigureSprite(static_cast<std::int16_t>(i)) : nullptr;
                if (s) {
                    s->EnableAllSounds();
                    marked = true;
                }
            }
        }
        return;
    }
    const std::uint32_t n = EventNumber(command);
    if ((Is(command, "ChangeFacingNA") || n == LOGICAL_OBJECT_MOVED || n == CHANGE_UNIT_FACING) && HasNoFlag() && flagAnimating) {
        VhSprite* bearer = GetFigureSprite(0);
        QIF<Bitmap>* a = GetArt();
        if (!bearer || !a) return;
        flag = bearer;
        const auto section = static_cast<std::int16_t>(facing + flagSequenceBase - 1);
        List<FrameInfo> frames;
        if (const char* name = a->SectionName(section)) {
            for (std::int16_t f = 0; f < a->ImageCount(section); ++f) frames.AddTail(FrameInfo(name, f));
        }
        bearer->PostFrames(GetHex(), Point4(Point3D(0, 0, 0), 0), frames, -1, 3, 0);
    }
}
