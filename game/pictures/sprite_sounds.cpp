// The sound cues of the figure sprites: each running event may sound its cue once, on the view
// being shown, for a hex that is not hidden, and only for the sprites and codes allowed to.
#include "game/pictures/picture_random.h"
#include "game/pictures/vh_sprite.h"

#include <algorithm>

void VhSprite::HandleSound(const SoundEvent& sound) {
    const std::int16_t shown = GetActiveViewMode();
    bool audible = (shown == 0 && view == 0) || (shown == 4 && view == 1);
    if (audible) {
        ViewLayer* l = viewLayers[view];
        ViewLandscape* land = l ? l->GetLandscape(0) : nullptr;
        if (land && land->IsHexHidden(static_cast<std::int16_t>(objectId))) {
            // A loop of a figure that went out of sight must not go on sounding.
            if (loopHandle != -1 && soundManager) {
                soundManager->StopMovementLoop(static_cast<std::uint16_t>(loopHandle));
                soundManager->StopMeleeLoop(static_cast<std::uint16_t>(loopHandle));
            }
            loopHandle = -1;
            audible = false;
        }
    }
    const bool allowed =
        allSounds != 0 || std::find(alwaysAudible.begin(), alwaysAudible.end(), sound.code) != alwaysAudible.end();
    if (!allowed || played || !audible) return;
    PlayCode(sound);
    played = 1;
}

void VhSprite::PlayCode(const SoundEvent& sound) {
    PictureSoundManager* m = soundManager;
    if (!m) return;
    switch (sound.code) {
    case 9: m->PlayHorseNeigh(sound.first); break;
    case 10: loopHandle = static_cast<std::int16_t>(m->StartMovementLoop(sound.first)); break;
    case 11:
        m->StopMovementLoop(static_cast<std::uint16_t>(loopHandle));
        loopHandle = -1;
        break;
    case 12: m->PlaySplashA(); break;
    case 13: m->PlaySplash(); break;
    case 14: m->StopSlotSound(); break;
    case 15: loopHandle = static_cast<std::int16_t>(m->StartMeleeLoop(sound.first, sound.second)); break;
    case 16:
        m->StopMeleeLoop(static_cast<std::uint16_t>(loopHandle));
        loopHandle = -1;
        break;
    case 22:
        if (PictureRandom() % 10 < 2) m->PlayHorseBattle();
        break;
    case 23:
        if (PictureRandom() % 10 < 2) m->PlayHorseBattle2();
        break;
    case 24:
        if (PictureRandom() % 100 < 4) m->PlayCheer();
        break;
    case 25: m->PlayMusketFire(); break;
    case 26: m->PlayBatteryFire(); break;
    case 27: m->PlayMusketHits(); break;
    case 28: m->PlayBatteryHits(); break;
    case 29: m->PlayCavalryDismount(); break;
    case 30: m->PlayCavalryMount(); break;
    case 31: m->PlayLimber(); break;
    case 32: m->PlayLimber2(); break;
    default: break;
    }
}
