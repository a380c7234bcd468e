// The toolkit's sound player: files of the data directory, failures shown once.
#include "sound_fixture.h"

#include "ui/windows/windows_audio.h"

namespace {

using WindowsAudioTest = SoundFixture;

TEST_F(WindowsAudioTest, AFailureIsShownOnceUntilACommandSucceeds) {
    WriteWave("ok.wav", Ramp(100, 1));
    platform::SetSoundDevice(false);
    WindowsAudio audio; // the capability query fails: the first failure shows
    platform::SetSoundDevice(true);
    EXPECT_FALSE(audio.ErrorShown());
    audio.Play("missing.wav");
    audio.Play("missing.wav");
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).caption, "Audio Error");
    EXPECT_EQ(platform::ShownMessageBox(0).type, MB_ICONINFORMATION);
    EXPECT_FALSE(platform::ShownMessageBox(0).text.empty());
    audio.Play("ok.wav");
    EXPECT_FALSE(audio.ErrorShown());
    audio.Load("missing.wav");
    EXPECT_EQ(platform::ShownMessageBoxCount(), 2u) << "a success in between lets the next failure show";
}

TEST_F(WindowsAudioTest, WhereWavesCanPlayTheFirstFailureIsSilent) {
    WindowsAudio audio;
    EXPECT_TRUE(audio.ErrorShown());
    audio.Play("missing.wav");
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);
}

TEST_F(WindowsAudioTest, NamesAreTakenInTheDataDirectory) {
    WriteWave("ok.wav", Ramp(4000, 1));
    WindowsAudio audio;
    audio.Play("ok.wav");
    EXPECT_EQ(platform::OpenMciDevices(), 1);
    platform::StartAudioCapture();
    Advance(10);
    EXPECT_EQ(Left()[0], 1) << "the file of the data directory is what plays";
    audio.CloseAll();
    EXPECT_EQ(platform::OpenMciDevices(), 0);
}

} // namespace
