// Sound groups and the sound manager: buffers sized by the waves, streaming checked sample by
// sample against what the mixer played, group numbers handed out and taken back, volume classes.
#include "sound_fixture.h"

#include "core/bus.h"
#include "sound/sound_manager.h"
#include "sound/sound_preferences.h"

#include <chrono>
#include <thread>

namespace {

class GroupTest : public SoundFixture {
protected:
    void SetUp() override {
        SoundFixture::SetUp();
        manager = std::make_unique<SoundManager>();
        manager->AttachToBus(app.get());
        sender = std::make_unique<Component>("sender");
        sender->AttachToBus(app.get());
    }
    void TearDown() override {
        sender.reset();
        manager.reset();
        SoundFixture::TearDown();
    }
    // Runs the service pass every 200 ms for ms milliseconds.
    void Serve(int ms) {
        for (int t = 0; t < ms; t += 200) {
            Advance(200);
            manager->ServiceGroups();
        }
    }
    std::uint16_t Group(const std::vector<std::string>& waves, std::uint16_t loop) {
        const std::uint16_t g = manager->AllocateGroup();
        EXPECT_NE(g, kNoSoundGroup);
        manager->Loop(LoopStruct{g, loop});
        for (const auto& w : waves) manager->AddWave(WaveNameStruct{g, w, kSoundDirectory});
        return g;
    }
    static std::vector<std::int16_t> Repeat(const std::vector<std::vector<std::int16_t>>& parts, std::size_t n) {
        std::vector<std::int16_t> out;
        while (out.size() < n)
            for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
        out.resize(n);
        return out;
    }
    LONG BufferVolume(std::uint16_t g) {
        LONG v = 1;
        manager->GroupAt(g)->Buffer()->GetVolume(&v);
        return v;
    }
    std::unique_ptr<SoundManager> manager;
    std::unique_ptr<Component> sender;
};

TEST_F(GroupTest, TheBufferIsSizedByTheFirstWave) {
    struct Case {
        std::size_t samples;
        std::uint16_t loop;
        bool large;
        std::uint32_t bufferBytes;
        bool looping;
    };
    const Case cases[] = {
        {1000, 0, false, 2000, false},   {1000, 1, false, 61440, true},   {50000, 0, false, 61440, true},
        {30720, 0, false, 61440, false}, {50000, 0, true, 100000, false},  {1000, 0, true, 2000, false},
        {1000, 1, true, 614400, true},
    };
    for (const Case& c : cases) {
        const std::string path = WriteWave("w.wav", Ramp(c.samples, 1));
        SoundGroup g(0);
        g.SetLoop(c.loop);
        if (c.large) g.SetLargeBuffer();
        g.AddWave(path);
        ASSERT_TRUE(g.HasBuffer());
        EXPECT_EQ(g.BufferBytes(), c.bufferBytes) << c.samples << " samples, loop " << c.loop;
        EXPECT_EQ(g.IsLoopingPlay(), c.looping) << c.samples << " samples, loop " << c.loop;
        EXPECT_EQ(g.BytesFree(), c.bufferBytes) << "a buffer that has not played is all free";
    }
}

// Two waves looped through one 61440-byte buffer, refilled every 200 ms: what is heard is the
// waves end to end, sample for sample, round and round.
TEST_F(GroupTest, ALoopedGroupStreamsItsWavesEndToEnd) {
    const auto a = Ramp(40000, 1);
    const auto b = Ramp(25000, -25000);
    WriteWave("a.wav", a);
    WriteWave("b.wav", b);
    const std::uint16_t g = Group({"a.wav", "b.wav"}, 1);
    platform::StartAudioCapture();
    manager->PlayGroup(g);
    Serve(14000);
    const auto heard = Left();
    ASSERT_GT(heard.size(), 150000u);
    EXPECT_EQ(heard, Repeat({a, b}, heard.size()));
    EXPECT_TRUE(manager->GroupAt(g)->IsPlaying());
}

// A streamed wave that is not looped plays once, the buffer drains on silence and the group stops.
TEST_F(GroupTest, AStreamedOneShotPlaysOnceAndStops) {
    const auto a = Ramp(45000, 3);
    WriteWave("a.wav", a);
    const std::uint16_t g = Group({"a.wav"}, 0);
    manager->DeleteWhenDone(g);
    platform::StartAudioCapture();
    manager->PlayGroup(g);
    Serve(4000);
    ASSERT_TRUE(manager->SlotInUse(g));
    Serve(4000);
    EXPECT_FALSE(manager->SlotInUse(g)) << "finished and deleted";
    const auto heard = Left();
    ASSERT_GT(heard.size(), a.size());
    EXPECT_EQ(std::vector<std::int16_t>(heard.begin(), heard.begin() + static_cast<std::ptrdiff_t>(a.size())), a);
    for (std::size_t i = a.size(); i < heard.size(); ++i) ASSERT_EQ(heard[i], 0) << "sample " << i;
}

// A streaming group whose first wave is shorter than its buffer goes straight on to the next.
TEST_F(GroupTest, AShortFirstWaveInALoopIsFollowedWithoutAGap) {
    const auto a = Ramp(3000, 100);
    const auto b = Ramp(4000, -9000);
    WriteWave("a.wav", a);
    WriteWave("b.wav", b);
    const std::uint16_t g = Group({"a.wav", "b.wav"}, 1);
    platform::StartAudioCapture();
    manager->PlayGroup(g);
    Serve(6000);
    const auto heard = Left();
    const auto expected = Repeat({a, b}, heard.size());
    std::size_t first = 0;
    while (first < heard.size() && heard[first] == expected[first]) ++first;
    EXPECT_EQ(first, heard.size()) << "first difference";
}

TEST_F(GroupTest, PlayWavePlaysOnceAndFreesItsGroup) {
    const auto a = Ramp(500, 9);
    WriteWave("shot.wav", a);
    platform::StartAudioCapture();
    Container<std::string> name(std::string("shot.wav"));
    sender->PostNamed("PlayWave", &name);
    ASSERT_TRUE(manager->SlotInUse(0));
    manager->ServiceGroups(); // at once: the wave has just begun and must not be taken as finished
    EXPECT_TRUE(manager->GroupAt(0)->IsPlaying());
    Serve(200);
    Serve(200);
    EXPECT_FALSE(manager->SlotInUse(0));
    const auto heard = Left();
    ASSERT_GE(heard.size(), a.size());
    EXPECT_EQ(std::vector<std::int16_t>(heard.begin(), heard.begin() + 500), a);
}

TEST_F(GroupTest, AMissingWaveGivesASilentGroupThatIsFreed) {
    manager->PlayWave("nothing.wav");
    manager->PlayWave("nothing.wav");
    ASSERT_TRUE(manager->SlotInUse(0));
    EXPECT_FALSE(manager->GroupAt(0)->HasBuffer());
    EXPECT_FALSE(manager->GroupAt(0)->IsPlaying());
    manager->ServiceGroups();
    EXPECT_FALSE(manager->SlotInUse(0));
    EXPECT_FALSE(manager->SlotInUse(1));
    EXPECT_EQ(WaveFile::RefusedFiles().size(), 1u) << "one report for the name, however often it is asked for";
}

TEST_F(GroupTest, NumbersAreReusedOnlyOnceDeleted) {
    for (int i = 0; i < 4; ++i) EXPECT_EQ(manager->AllocateGroup(), i);
    manager->DeleteWhenDone(1);
    manager->DeleteWhenDone(3);
    manager->Stop(2);
    manager->ServiceGroups();
    EXPECT_EQ(manager->AllocateGroup(), 1) << "the lowest deleted slot first";
    EXPECT_EQ(manager->AllocateGroup(), 3);
    EXPECT_EQ(manager->AllocateGroup(), 4) << "a stopped group keeps its slot";
    EXPECT_EQ(manager->GroupCount(), 5);
}

TEST_F(GroupTest, LoopAfterTheFirstWaveDoesNotEnlargeTheBuffer) {
    const auto a = Ramp(1000, 1);
    WriteWave("a.wav", a);
    const std::uint16_t g = Group({"a.wav"}, 0);
    manager->Loop(LoopStruct{g, 1});
    EXPECT_EQ(manager->GroupAt(g)->BufferBytes(), 2000u);
    platform::StartAudioCapture();
    manager->PlayGroup(g);
    Serve(1000);
    EXPECT_FALSE(manager->GroupAt(g)->IsPlaying()) << "it played once";
    const auto heard = Left();
    EXPECT_EQ(heard[999], a[999]);
    EXPECT_EQ(heard[1000], 0);
}

TEST_F(GroupTest, ARandomGroupOfOneWaveRepeatsIt) {
    const auto a = Ramp(33000, 5);
    WriteWave("a.wav", a);
    const std::uint16_t g = Group({"a.wav"}, 1);
    manager->Random(RandomStruct{g, 1});
    platform::StartAudioCapture();
    manager->PlayGroup(g);
    Serve(8000);
    const auto heard = Left();
    EXPECT_EQ(heard, Repeat({a}, heard.size()));
}

TEST_F(GroupTest, VolumeMapping) {
    const std::pair<std::int16_t, std::int16_t> cases[] = {
        {-5, -10000}, {0, -10000}, {1, -10000}, {10, -9965}, {100, -6643}, {5000, -999}, {10000, 0}};
    for (auto [value, attenuation] : cases) EXPECT_EQ(VolumeToAttenuation(value), attenuation) << value;
}

TEST_F(GroupTest, ClassesSetTheVolumeOfTheirGroups) {
    WriteWave("a.wav", Ramp(1000, 1));
    manager->SetClassCount(2);
    const std::uint16_t effect = Group({"a.wav"}, 0);
    const std::uint16_t music = Group({"a.wav"}, 0);
    manager->SetGroupClass(music, 1);
    manager->SetClassOn(1, 0);
    manager->PlayGroup(music);
    EXPECT_EQ(BufferVolume(music), DSBVOLUME_MIN) << "a group of a class that is off plays silent";
    manager->SetClassVolume(1, 5000);
    EXPECT_EQ(BufferVolume(music), -999) << "a class volume reaches its groups while the class is off";
    manager->SetVolume(100);
    EXPECT_EQ(BufferVolume(effect), -6643);
    EXPECT_EQ(BufferVolume(music), -999) << "the overall volume passes over classes that are off";
    manager->SetAllOn(0);
    EXPECT_EQ(BufferVolume(effect), DSBVOLUME_MIN);
    EXPECT_TRUE(manager->ClassOff(0));
    manager->SetClassOn(0, 1);
    EXPECT_EQ(BufferVolume(effect), 0);
}

TEST_F(GroupTest, ModalDialogsPauseAndResume) {
    WriteWave("a.wav", Ramp(40000, 1));
    const std::uint16_t g = Group({"a.wav"}, 1);
    manager->PlayGroup(g);
    sender->PostNamedEvent("ModalDialogBoxOpening");
    EXPECT_EQ(platform::PlayingSoundBuffers(), 0);
    EXPECT_TRUE(manager->GroupAt(g)->IsPlaying()) << "paused, not stopped";
    sender->PostNamedEvent("ModalDialogBoxClosing");
    EXPECT_EQ(platform::PlayingSoundBuffers(), 1);
}

TEST_F(GroupTest, AWrongPayloadIsReportedAndNotActedOn) {
    Container<short> wrong(3);
    platform::QueueMessageBoxAnswer(IDNO); // go on without aborting
    sender->PostNamed("AddWave", &wrong);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).caption.rfind("Failure in SNDMAN at line ", 0), 0u);
    EXPECT_NE(platform::ShownMessageBox(0).text.find("Bad data passed in bus message to function"), std::string::npos);
    EXPECT_EQ(manager->GroupCount(), 0);
}

TEST_F(GroupTest, GroupNumbersComeBackOverTheBus) {
    ContainerBase* result = sender->SendNamedEvent("GetGroupNum");
    ASSERT_NE(result, nullptr);
    short n = -1;
    EXPECT_TRUE(ExtractData(result, n));
    EXPECT_EQ(n, 0);
    delete result;
    Container<short> which(0);
    result = sender->SendNamed("GetGroup", &which);
    SoundGroup* g = nullptr;
    EXPECT_TRUE(ExtractData(result, g));
    EXPECT_EQ(g, manager->GroupAt(0));
    delete result;
}

TEST(SoundWithoutDevice, EveryOperationIsANoOp) {
    platform::SetSoundDevice(false);
    BasicApp app;
    SoundManager manager;
    manager.AttachToBus(&app);
    EXPECT_FALSE(manager.IsSoundAvailable());
    EXPECT_EQ(manager.GetGroupNum(), nullptr);
    manager.PlayWave("a.wav");
    manager.ServiceGroups();
    EXPECT_EQ(manager.GroupCount(), 0);
    SoundGroup g(0);
    EXPECT_FALSE(g.HasBuffer());
    g.Start();
    g.Poll();
    EXPECT_EQ(g.BytesFree(), 0u);
    platform::SetSoundDevice(true);
}

TEST_F(GroupTest, TheSoundObjectLivesWhileAnyBufferOwnerDoes) {
    {
        SoundGroup a(0);
        EXPECT_TRUE(DirectX2Wave::SoundAvailable());
        EXPECT_EQ(DirectX2Wave::LiveCount(), 1u);
    }
    EXPECT_FALSE(DirectX2Wave::SoundAvailable()) << "released with the last owner";
    SoundGroup b(1);
    EXPECT_TRUE(DirectX2Wave::SoundAvailable()) << "and made again by the next";
}

TEST_F(GroupTest, TheServiceThreadServesUntilStopped) {
    platform::UseRealClock();
    {
        SoundServiceThread thread(*manager);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (thread.Passes() < 2 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_GE(thread.Passes(), 2);
        thread.Stop();
        const int passes = thread.Passes();
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        EXPECT_EQ(thread.Passes(), passes) << "no pass after Stop";
    }
    platform::UseVirtualClock(1000);
}

} // namespace

namespace {

// Two managers share the sound pool: the first to go must not take the other's groups with it.
TEST_F(GroupTest, TheSoundPoolOutlivesAnyOneOfTwoManagers) {
    WriteWave("a.wav", Ramp(1000, 1));
    auto second = std::make_unique<SoundManager>("second");
    second->AttachToBus(app.get());
    second->PlayWave("a.wav");
    manager.reset();
    ASSERT_NE(SoundManager::SoundPool(), nullptr);
    for (int pass = 0; pass < 2; ++pass) {
        Advance(200);
        second->ServiceGroups();
    }
    EXPECT_FALSE(second->SlotInUse(0)) << "its one-shot played and was freed in the pool that is still there";
    second.reset();
    EXPECT_EQ(SoundManager::SoundPool(), nullptr);
}

} // namespace

namespace {

// A looped group with a pause plays its wave, drains, keeps quiet for the pause, and plays again.
TEST_F(GroupTest, ALoopWithAPauseRestsBetweenWaves) {
    const auto a = Ramp(40000, 1);
    WriteWave("a.wav", a);
    const std::uint16_t g = Group({"a.wav"}, 1);
    manager->Delay(DelayStruct{g, 1, 3000, 3000});
    platform::StartAudioCapture();
    manager->PlayGroup(g);
    Serve(20000);
    const auto heard = Left();
    EXPECT_EQ(std::vector<std::int16_t>(heard.begin(), heard.begin() + 40000), a);
    // After the wave: silence at least as long as the pause, then the wave from its start.
    std::size_t again = 40000;
    while (again < heard.size() && heard[again] == 0) ++again;
    ASSERT_LT(again + 40000, heard.size()) << "the wave came back";
    EXPECT_GE(again - 40000, 3000u * kRate / 1000);
    EXPECT_EQ(std::vector<std::int16_t>(heard.begin() + static_cast<std::ptrdiff_t>(again),
                                        heard.begin() + static_cast<std::ptrdiff_t>(again + 40000)),
              a);
    EXPECT_TRUE(manager->GroupAt(g)->IsPlaying());
}

} // namespace

namespace {

TEST_F(GroupTest, ALargeBufferIsServedEverySecondPoll) {
    const std::string path = WriteWave("long.wav", Ramp(50000, 1));
    SoundGroup g(0);
    g.SetLargeBuffer();
    g.SetLoop(1);
    g.AddWave(path);
    ASSERT_EQ(g.BufferBytes(), DirectX2Wave::kLargeStreamBytes);
    g.Start();
    const std::uint32_t start = g.WriteOffset();
    std::vector<std::uint32_t> offsets;
    for (int poll = 0; poll < 4; ++poll) {
        Advance(200);
        g.Poll();
        offsets.push_back(g.WriteOffset());
    }
    EXPECT_EQ(offsets[0], start) << "the first poll passes";
    EXPECT_NE(offsets[1], start) << "the second refills";
    EXPECT_EQ(offsets[2], offsets[1]);
    EXPECT_NE(offsets[3], offsets[2]);
}

} // namespace

namespace {

// The group table's lock, held from outside as a long service pass would hold it.
class HeldManager : public SoundManager {
public:
    std::timed_mutex& Lock() { return mutex; }
};

TEST_F(GroupTest, AllocationGivesUpWhileTheTableStaysLocked) {
    HeldManager held;
    held.AttachToBus(app.get());
    std::unique_lock<std::timed_mutex> lock(held.Lock());
    std::uint16_t got = 0;
    std::thread asker([&] { got = held.AllocateGroup(); });
    asker.join();
    EXPECT_EQ(got, kNoSoundGroup) << "no group rather than a wait without end";
    lock.unlock();
    EXPECT_EQ(held.AllocateGroup(), 0);
}

} // namespace

namespace {

// The GUI thread starts, stops and frees groups while the service thread refills and deletes
// them: the table's lock keeps every group whole until the last pass.
TEST_F(GroupTest, TheGuiAndTheServiceThreadShareTheGroups) {
    WriteWave("shot.wav", Ramp(300, 1));
    WriteWave("loop.wav", Ramp(40000, 1));
    platform::UseRealClock();
    {
        SoundServiceThread service(*manager);
        for (int round = 0; round < 40; ++round) {
            manager->PlayWave("shot.wav");
            const std::uint16_t g = Group({"loop.wav"}, 1);
            manager->PlayGroup(g);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            manager->DeleteWhenDone(g);
            manager->Stop(g);
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (manager->GroupsInUse() > 0 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        service.Stop();
    }
    for (std::uint16_t i = 0; i < manager->GroupCount(); ++i) EXPECT_FALSE(manager->SlotInUse(i)) << i;
    EXPECT_EQ(platform::LiveSoundBuffers(), 0);
    platform::UseVirtualClock(1000);
}

} // namespace
