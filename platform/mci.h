#pragma once
// The multimedia control interface as the program calls it: command strings for wave audio,
// command messages for the "cdaudio" device, completion notices as MM_MCINOTIFY window messages,
// and the auxiliary device volume of the CD.
//
// The CD is a directory of wave files "track01.wav", "track02.wav", ... (platform::SetCdAudioDirectory);
// its tracks play through the mixer of platform/audio.h, so they advance with the same clock. A
// notice is posted to the callback window when a play asked for one ends: MCI_NOTIFY_SUCCESSFUL
// when it reached its end, MCI_NOTIFY_ABORTED when it was stopped or closed,
// MCI_NOTIFY_SUPERSEDED when another play replaced it; wParam is the code, lParam the device.
//
// Wave files played here are read whole and checked chunk by chunk: RIFF and WAVE tags, a
// "fmt " chunk of PCM whose rate, block size and byte rate agree, and a "data" chunk that lies
// inside the file. Anything else is refused with an error, never played.
#include "platform/audio.h"
#include "platform/wintypes.h"

#include <cstdint>
#include <string>
#include <vector>

using MCIERROR = DWORD;
using MCIDEVICEID = UINT;
using MMRESULT = UINT;
using DWORD_PTR = std::uintptr_t;

// Command messages.
constexpr UINT MCI_OPEN = 0x0803;
constexpr UINT MCI_CLOSE = 0x0804;
constexpr UINT MCI_PLAY = 0x0806;
constexpr UINT MCI_STOP = 0x0808;
constexpr UINT MCI_SET = 0x080D;
constexpr UINT MCI_STATUS = 0x0814;

// Command flags.
constexpr DWORD MCI_NOTIFY = 0x00000001;
constexpr DWORD MCI_WAIT = 0x00000002;
constexpr DWORD MCI_FROM = 0x00000004;
constexpr DWORD MCI_TO = 0x00000008;
constexpr DWORD MCI_TRACK = 0x00000010;
constexpr DWORD MCI_STATUS_ITEM = 0x00000100;
constexpr DWORD MCI_OPEN_ELEMENT = 0x00000200;
constexpr DWORD MCI_SET_TIME_FORMAT = 0x00000400;
constexpr DWORD MCI_OPEN_TYPE = 0x00002000;

constexpr DWORD MCI_STATUS_LENGTH = 0x00000001;
constexpr DWORD MCI_STATUS_NUMBER_OF_TRACKS = 0x00000003;
constexpr DWORD MCI_FORMAT_MILLISECONDS = 0;
constexpr DWORD MCI_FORMAT_TMSF = 10;

// Notice codes (wParam of MM_MCINOTIFY).
constexpr WPARAM MCI_NOTIFY_SUCCESSFUL = 0x0001;
constexpr WPARAM MCI_NOTIFY_SUPERSEDED = 0x0002;
constexpr WPARAM MCI_NOTIFY_ABORTED = 0x0004;
constexpr WPARAM MCI_NOTIFY_FAILURE = 0x0008;

// Errors.
constexpr MCIERROR MCIERR_BASE = 256;
constexpr MCIERROR MCIERR_INVALID_DEVICE_ID = MCIERR_BASE + 1;
constexpr MCIERROR MCIERR_UNRECOGNIZED_COMMAND = MCIERR_BASE + 5;
constexpr MCIERROR MCIERR_INVALID_DEVICE_NAME = MCIERR_BASE + 7;
constexpr MCIERROR MCIERR_MISSING_PARAMETER = MCIERR_BASE + 17;
constexpr MCIERROR MCIERR_UNSUPPORTED_FUNCTION = MCIERR_BASE + 18;
constexpr MCIERROR MCIERR_FILE_NOT_FOUND = MCIERR_BASE + 19;
constexpr MCIERROR MCIERR_DEVICE_NOT_READY = MCIERR_BASE + 20;
constexpr MCIERROR MCIERR_INVALID_FILE = MCIERR_BASE + 40;
constexpr MCIERROR MCIERR_OUTOFRANGE = MCIERR_BASE + 26;
constexpr MCIERROR MCIERR_BAD_TIME_FORMAT = MCIERR_BASE + 37;

struct MCI_GENERIC_PARMS {
    DWORD_PTR dwCallback = 0;
};
struct MCI_OPEN_PARMSA {
    DWORD_PTR dwCallback = 0;
    MCIDEVICEID wDeviceID = 0;
    const char* lpstrDeviceType = nullptr;
    const char* lpstrElementName = nullptr;
    const char* lpstrAlias = nullptr;
};
struct MCI_SET_PARMS {
    DWORD_PTR dwCallback = 0;
    DWORD dwTimeFormat = 0;
    DWORD dwAudio = 0;
};
struct MCI_STATUS_PARMS {
    DWORD_PTR dwCallback = 0;
    DWORD_PTR dwReturn = 0;
    DWORD dwItem = 0;
    DWORD dwTrack = 0;
};
struct MCI_PLAY_PARMS {
    DWORD_PTR dwCallback = 0;
    DWORD dwFrom = 0;
    DWORD dwTo = 0;
};

// Track, minutes, seconds, frames packed in one word, a byte each (low to high).
constexpr DWORD MCI_MAKE_TMSF(DWORD t, DWORD m, DWORD s, DWORD f) { return (t & 0xFF) | (m & 0xFF) << 8 | (s & 0xFF) << 16 | (f & 0xFF) << 24; }
constexpr BYTE MCI_TMSF_TRACK(DWORD v) { return static_cast<BYTE>(v); }
constexpr BYTE MCI_TMSF_MINUTE(DWORD v) { return static_cast<BYTE>(v >> 8); }
constexpr BYTE MCI_TMSF_SECOND(DWORD v) { return static_cast<BYTE>(v >> 16); }
constexpr BYTE MCI_TMSF_FRAME(DWORD v) { return static_cast<BYTE>(v >> 24); }
// A length: minutes, seconds, frames.
constexpr BYTE MCI_MSF_MINUTE(DWORD v) { return static_cast<BYTE>(v); }
constexpr BYTE MCI_MSF_SECOND(DWORD v) { return static_cast<BYTE>(v >> 8); }
constexpr BYTE MCI_MSF_FRAME(DWORD v) { return static_cast<BYTE>(v >> 16); }

// Command strings: "capability waveaudio can play", "load <file>" (checks that the wave can be
// played), "play <file>" (plays it once), "close all". 0 on success, else an MCI error; the
// answer text, when asked for, is cut to the buffer.
MCIERROR mciSendStringA(const char* command, char* returnString, UINT returnLength, HWND callback);
// The text of an error; FALSE (and a general text) for a number that is none of ours.
BOOL mciGetErrorStringA(MCIERROR error, char* text, UINT length);
// Command messages to a device (0 for MCI_OPEN, which answers the new device in the parameters).
MCIERROR mciSendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parameters);

// The auxiliary audio devices: one, the CD, while a CD is present.
constexpr WORD AUXCAPS_CDAUDIO = 1;
constexpr WORD AUXCAPS_AUXIN = 2;
constexpr DWORD AUXCAPS_VOLUME = 0x0001;
constexpr DWORD AUXCAPS_LRVOLUME = 0x0002;
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;

struct AUXCAPSA {
    WORD wMid = 0;
    WORD wPid = 0;
    UINT vDriverVersion = 0;
    char szPname[32] = {};
    WORD wTechnology = 0;
    WORD wReserved1 = 0;
    DWORD dwSupport = 0;
};

UINT auxGetNumDevs();
MMRESULT auxGetDevCapsA(UINT_PTR device, AUXCAPSA* caps, UINT size);
// Left volume in the low word, right in the high word, 0-65535 each.
MMRESULT auxSetVolume(UINT device, DWORD volume);
MMRESULT auxGetVolume(UINT device, DWORD* volume);

namespace platform {

// The directory that stands for the audio CD; empty: no CD (opening "cdaudio" fails).
void SetCdAudioDirectory(const std::string& directory);
// Closes every open device without notices and forgets the CD (tests' fresh start).
void ResetMci();
// Devices open now.
int OpenMciDevices();
// The track a CD device is playing (0 when none).
int PlayingCdTrack(MCIDEVICEID device);

// Reads and checks a PCM wave file (named the Windows way); 0 or the MCI error that refuses it.
MCIERROR ReadWave(const std::string& path, PCMWAVEFORMAT& format, std::vector<std::uint8_t>& data);

} // namespace platform
