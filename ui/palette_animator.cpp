#include "ui/palette_animator.h"

#include "ui/logical_palette.h"

#include <algorithm>

PaletteAnimator::PaletteAnimator(LogicalPalette* palette, std::int16_t frames, std::int16_t first, std::int16_t last)
    : Component(nullptr), palette_(palette), entryCount_(static_cast<std::int16_t>(std::max(0, last - first + 1))),
      frameCount_(std::max<std::int16_t>(0, frames)), first_(first), last_(last) {
    frames_.assign(static_cast<std::size_t>(frameCount_),
                   std::vector<PALETTEENTRY>(static_cast<std::size_t>(entryCount_), PALETTEENTRY{255, 0, 0, 1}));
}

PaletteAnimator::~PaletteAnimator() {
    if (running_) {
        if (palette_) palette_->ReleaseRange(first_, last_);
        RemoveTimer(&OnTimer);
    }
}

void PaletteAnimator::Connect() { RegisterHandlers(); }

void PaletteAnimator::RegisterHandlers() {
    RegisterNamedHandler("StartPaletteAnimation", &OnStart);
    RegisterNamedHandler("StopPaletteAnimation", &OnStop);
    RegisterNamedHandler("SuspendPaletteAnimation", &OnSuspend);
    RegisterNamedHandler("ResumePaletteAnimation", &OnResume);
}

void PaletteAnimator::SetEntry(std::int16_t frame, std::int16_t index, const PALETTEENTRY& entry) {
    if (frame < 0 || frame >= frameCount_ || index < first_ || index > last_) return;
    frames_[static_cast<std::size_t>(frame)][static_cast<std::size_t>(index - first_)] = entry;
}

const PALETTEENTRY* PaletteAnimator::FrameEntries(std::int16_t frame) const {
    if (frame < 0 || frame >= frameCount_ || entryCount_ == 0) return nullptr;
    return frames_[static_cast<std::size_t>(frame)].data();
}

void PaletteAnimator::Start() {
    if (running_) return;
    AddTimer(&OnTimer, 5, 2);
    running_ = 1;
    suspended_ = 1;
}

void PaletteAnimator::Resume() {
    if (!running_ || !suspended_) return;
    if (palette_) palette_->ReserveRange(first_, last_);
    ResumeTimer(&OnTimer);
    suspended_ = 0;
    current_ = 0;
}

void PaletteAnimator::Suspend() {
    if (!running_ || suspended_) return;
    if (palette_) palette_->ReleaseRange(first_, last_);
    SuspendTimer(&OnTimer);
    suspended_ = 1;
}

void PaletteAnimator::Stop() {
    if (!running_) return;
    if (palette_) palette_->ReleaseRange(first_, last_);
    RemoveTimer(&OnTimer);
    running_ = 0;
    suspended_ = 0;
    current_ = 0;
}

void PaletteAnimator::Tick() {
    // Without frames or entries there is nothing to show, and no frame to wrap to.
    if (frameCount_ < 1 || entryCount_ < 1) return;
    if (palette_)
        AnimatePalette(palette_->GetHandle(), static_cast<UINT>(first_), static_cast<UINT>(entryCount_),
                       frames_[static_cast<std::size_t>(current_)].data());
    current_ = static_cast<std::int16_t>((current_ + 1) % frameCount_);
}

namespace {
PaletteAnimator* Self(Component* c) {
    PaletteAnimator* self = nullptr;
    BusReceiver(c, self, "PALANIM", __LINE__);
    return self;
}
} // namespace

ContainerBase* PaletteAnimator::OnStart(Component* c, BusMessage, ContainerBase*) {
    if (auto* self = Self(c)) self->Start();
    return nullptr;
}
ContainerBase* PaletteAnimator::OnStop(Component* c, BusMessage, ContainerBase*) {
    if (auto* self = Self(c)) self->Stop();
    return nullptr;
}
ContainerBase* PaletteAnimator::OnSuspend(Component* c, BusMessage, ContainerBase*) {
    if (auto* self = Self(c)) self->Suspend();
    return nullptr;
}
ContainerBase* PaletteAnimator::OnResume(Component* c, BusMessage, ContainerBase*) {
    if (auto* self = Self(c)) self->Resume();
    return nullptr;
}
ContainerBase* PaletteAnimator::OnTimer(Component* c, BusMessage, ContainerBase*) {
    if (auto* self = dynamic_cast<PaletteAnimator*>(c)) self->Tick();
    return nullptr;
}
