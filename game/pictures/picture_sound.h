#pragma once
// The calls the pictures make on the game's sound manager, as an interface of their own so that
// the pictures build and test without the sound subsystem. The application hands the sprites a
// PictureSoundAdapter over its VhSoundManager (any class with these member functions).
#include <cstdint>

class PictureSoundManager {
public:
    virtual ~PictureSoundManager() = default;
    virtual void PlayHorseNeigh(std::uint16_t kind) = 0;
    virtual std::uint16_t StartMovementLoop(std::uint16_t kind) = 0;
    virtual void StopMovementLoop(std::uint16_t handle) = 0;
    virtual void PlaySplashA() = 0;
    virtual void PlaySplash() = 0;
    virtual void StopSlotSound() = 0;
    virtual std::uint16_t StartMeleeLoop(std::uint16_t a, std::uint16_t b) = 0;
    virtual void StopMeleeLoop(std::uint16_t handle) = 0;
    virtual void PlayHorseBattle() = 0;
    virtual void PlayHorseBattle2() = 0;
    virtual void PlayCheer() = 0;
    virtual void PlayMusketFire() = 0;
    virtual void PlayBatteryFire() = 0;
    virtual void PlayMusketHits() = 0;
    virtual void PlayBatteryHits() = 0;
    virtual void PlayCavalryDismount() = 0;
    virtual void PlayCavalryMount() = 0;
    virtual void PlayLimber() = 0;
    virtual void PlayLimber2() = 0;
};

template <class Manager>
class PictureSoundAdapter : public PictureSoundManager {
public:
    explicit PictureSoundAdapter(Manager& m_) : m(m_) {}
    void PlayHorseNeigh(std::uint16_t kind) override { m.PlayHorseNeigh(kind); }
    std::uint16_t StartMovementLoop(std::uint16_t kind) override { return m.StartMovementLoop(kind); }
    void StopMovementLoop(std::uint16_t handle) override { m.StopMovementLoop(handle); }
    void PlaySplashA() override { m.PlaySplashA(); }
    void PlaySplash() override { m.PlaySplash(); }
    void StopSlotSound() override { m.StopSlotSound(); }
    std::uint16_t StartMeleeLoop(std::uint16_t a, std::uint16_t b) override { return m.StartMeleeLoop(a, b); }
    void StopMeleeLoop(std::uint16_t handle) override { m.StopMeleeLoop(handle); }
    void PlayHorseBattle() override { m.PlayHorseBattle(); }
    void PlayHorseBattle2() override { m.PlayHorseBattle2(); }
    void PlayCheer() override { m.PlayCheer(); }
    void PlayMusketFire() override { m.PlayMusketFire(); }
    void PlayBatteryFire() override { m.PlayBatteryFire(); }
    void PlayMusketHits() override { m.PlayMusketHits(); }
    void PlayBatteryHits() override { m.PlayBatteryHits(); }
    void PlayCavalryDismount() override { m.PlayCavalryDismount(); }
    void PlayCavalryMount() override { m.PlayCavalryMount(); }
    void PlayLimber() override { m.PlayLimber(); }
    void PlayLimber2() override { m.PlayLimber2(); }

private:
    Manager& m;
};
