#pragma once
// What the game application needs of its sound manager until the sound subsystem joins the
// program: the CD-audio switch at start-up and the periodic refill that the sound thread runs.
// The application owns one; the plain one below does nothing. The thread calls ServiceGroups
// while the user-interface thread may call the rest, so an implementation guards its own state.
class SoundService {
public:
    virtual ~SoundService() = default;
    // No music CD: music comes from wave files only.
    virtual void CDNotPresent() {}
    // Refills playing streams and drops finished groups; called every 200 ms by the sound thread.
    virtual void ServiceGroups() {}
};
