#pragma once
// PaletteAnimator: a bus component that cycles a range of palette entries through a list of
// frames, five frames a second, under four named messages: "StartPaletteAnimation" (a timer is
// added, suspended), "ResumePaletteAnimation" (the range is reserved and cycling starts at frame
// 0), "SuspendPaletteAnimation" (the range is released, the timer suspended) and
// "StopPaletteAnimation" (released, timer removed).
//
// Invariants: 0 <= current frame < frame count whenever there is a frame; running is 0 or 1 and
// suspended is 0 whenever running is 0; a frame count below 1 or an empty range never animates.
#include "core/component.h"
#include "platform/gdi.h"

#include <cstdint>
#include <vector>

class LogicalPalette;

class PaletteAnimator : public Component {
public:
    PaletteAnimator(LogicalPalette* palette, std::int16_t frames, std::int16_t first, std::int16_t last);
    ~PaletteAnimator() override;

    void Connect() override;
    void RegisterHandlers();
    // Stores the entry for palette index `index` (first..last) in a frame; others are ignored.
    void SetEntry(std::int16_t frame, std::int16_t index, const PALETTEENTRY& entry);
    const PALETTEENTRY* FrameEntries(std::int16_t frame) const;

    void Start();
    void Stop();
    void Suspend();
    void Resume();
    // One step of the cycle (the timer's tick).
    void Tick();

    bool IsRunning() const { return running_ != 0; }
    bool IsSuspended() const { return suspended_ != 0; }
    std::int16_t CurrentFrame() const { return current_; }
    std::int16_t FrameCount() const { return frameCount_; }

private:
    static ContainerBase* OnStart(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnStop(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnSuspend(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnResume(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnTimer(Component* c, BusMessage e, ContainerBase* p);

    LogicalPalette* palette_;
    std::int16_t entryCount_;
    std::int16_t frameCount_;
    std::int16_t current_ = 0;
    std::int16_t first_;
    std::int16_t last_;
    std::vector<std::vector<PALETTEENTRY>> frames_;
    std::uint16_t running_ = 0;
    std::uint16_t suspended_ = 0;
};
