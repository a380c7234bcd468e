#include "platform/mci.h"

#include "platform/message_queue.h"
#include "platform/path.h"
#include "platform/process.h"
#include "platform/window.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

namespace {

enum class DeviceKind { CdAudio, WaveAudio };

struct Device {
    DeviceKind kind = DeviceKind::CdAudio;
    DWORD timeFormat = MCI_FORMAT_MILLISECONDS;
    MixerVoice* voice = nullptr;
    int track = 0;
    bool notifyPending = false;
    HWND notifyWindow = nullptr; // null: the queue of the thread that asked for the play
    DWORD notifyThread = 0;
};

struct MciState {
    std::string cdDirectory;
    MCIDEVICEID nextId = 1;
    std::map<MCIDEVICEID, Device> devices;
    WORD auxLeft = 0xFFFF;
    WORD auxRight = 0xFFFF;
    bool hooked = false;
};

MciState& State() {
    static MciState s;
    return s;
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t Le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

void Notify(MCIDEVICEID id, Device& d, WPARAM code) {
    if (!d.notifyPending) return;
    d.notifyPending = false;
    // The end is found by whichever thread mixes (the sound device's, with a live backend), so a
    // notice without a window goes to the thread that asked for it, not to the mixing one.
    if (d.notifyWindow) PostMessage(d.notifyWindow, MM_MCINOTIFY, code, static_cast<LPARAM>(id));
    else PostThreadMessage(d.notifyThread, MM_MCINOTIFY, code, static_cast<LPARAM>(id));
}

// A track voice played to its end: the device's pending notice says so.
void VoiceEnded(MixerVoice* voice) {
    for (auto& [id, d] : State().devices)
        if (d.voice == voice) {
            d.track = 0;
            Notify(id, d, MCI_NOTIFY_SUCCESSFUL);
        }
}

void Hook() {
    if (State().hooked) return;
    State().hooked = true;
    platform::SetVoiceEndedHook(VoiceEnded);
}

void DropVoice(Device& d) {
    platform::DestroyVoice(d.voice);
    d.voice = nullptr;
    d.track = 0;
}

void CloseDevice(MCIDEVICEID id, Device& d, bool notify) {
    if (notify) Notify(id, d, MCI_NOTIFY_ABORTED);
    DropVoice(d);
}

std::string TrackPath(int track) {
    char name[32];
    std::snprintf(name, sizeof name, "track%02d.wav", track);
    return State().cdDirectory + "\\" + name;
}

DWORD PackedLength(const PCMWAVEFORMAT& f, std::size_t bytes) {
    const DWORD seconds = static_cast<DWORD>(bytes / f.nAvgBytesPerSec);
    const DWORD frames = static_cast<DWORD>((bytes % f.nAvgBytesPerSec) * 75 / f.nAvgBytesPerSec);
    return std::min<DWORD>(seconds / 60, 255) | (seconds % 60) << 8 | frames << 16;
}

DWORD TmsfOffset(const PCMWAVEFORMAT& f, DWORD tmsf) {
    const std::uint64_t seconds = MCI_TMSF_MINUTE(tmsf) * 60ull + MCI_TMSF_SECOND(tmsf);
    const std::uint64_t bytes = seconds * f.nAvgBytesPerSec + MCI_TMSF_FRAME(tmsf) * std::uint64_t(f.nAvgBytesPerSec) / 75;
    return static_cast<DWORD>(std::min<std::uint64_t>(bytes, 0xFFFFFFFFu));
}

MCIERROR CdStatus(Device& d, DWORD flags, MCI_STATUS_PARMS& p) {
    if (!(flags & MCI_STATUS_ITEM)) return MCIERR_MISSING_PARAMETER;
    if (p.dwItem == MCI_STATUS_NUMBER_OF_TRACKS) {
        DWORD n = 0;
        PCMWAVEFORMAT f;
        std::vector<std::uint8_t> data;
        while (n < 99 && platform::ReadWave(TrackPath(static_cast<int>(n + 1)), f, data) == 0) ++n;
        p.dwReturn = n;
        return 0;
    }
    if (p.dwItem != MCI_STATUS_LENGTH || !(flags & MCI_TRACK)) return MCIERR_UNSUPPORTED_FUNCTION;
    PCMWAVEFORMAT f;
    std::vector<std::uint8_t> data;
    if (p.dwTrack == 0 || p.dwTrack > 99) return MCIERR_OUTOFRANGE;
    if (platform::ReadWave(TrackPath(static_cast<int>(p.dwTrack)), f, data) != 0) return MCIERR_OUTOFRANGE;
    p.dwReturn = PackedLength(f, data.size());
    return 0;
}

MCIERROR CdPlay(MCIDEVICEID id, Device& d, DWORD flags, MCI_PLAY_PARMS* p) {
    if (d.timeFormat != MCI_FORMAT_TMSF) return MCIERR_BAD_TIME_FORMAT;
    if (!(flags & MCI_FROM) || !p) return MCIERR_MISSING_PARAMETER;
    const int track = MCI_TMSF_TRACK(p->dwFrom);
    PCMWAVEFORMAT f;
    std::vector<std::uint8_t> data;
    if (track == 0 || platform::ReadWave(TrackPath(track), f, data) != 0) return MCIERR_OUTOFRANGE;
    const DWORD size = static_cast<DWORD>(data.size());
    const DWORD from = TmsfOffset(f, p->dwFrom);
    // A range that ends in a later track is played to the end of this one.
    DWORD to = size;
    if ((flags & MCI_TO) && MCI_TMSF_TRACK(p->dwTo) == track) to = std::min(size, TmsfOffset(f, p->dwTo));
    if (from >= size || to < from) return MCIERR_OUTOFRANGE;
    MixerVoice* voice = platform::CreateVoice(f, std::move(data));
    if (!voice) return MCIERR_INVALID_FILE;
    Notify(id, d, MCI_NOTIFY_SUPERSEDED);
    DropVoice(d);
    d.voice = voice;
    d.track = track;
    platform::SetVoiceGain(voice, State().auxLeft, State().auxRight);
    if (flags & MCI_NOTIFY) {
        d.notifyPending = true;
        d.notifyWindow = reinterpret_cast<HWND>(p->dwCallback);
        d.notifyThread = GetCurrentThreadId();
    }
    platform::PlayVoiceRange(voice, from, to);
    return 0;
}

const std::map<MCIERROR, const char*>& ErrorTexts() {
    static const std::map<MCIERROR, const char*> texts{
        {MCIERR_INVALID_DEVICE_ID, "The device identifier is not that of an open device."},
        {MCIERR_UNRECOGNIZED_COMMAND, "The command is not one the device understands."},
        {MCIERR_INVALID_DEVICE_NAME, "There is no device of that name."},
        {MCIERR_MISSING_PARAMETER, "The command needs a parameter that was not given."},
        {MCIERR_UNSUPPORTED_FUNCTION, "The device cannot do that."},
        {MCIERR_FILE_NOT_FOUND, "The sound file was not found."},
        {MCIERR_DEVICE_NOT_READY, "The device is not ready."},
        {MCIERR_INVALID_FILE, "The sound file is damaged or not a PCM wave file."},
        {MCIERR_OUTOFRANGE, "The position or track is out of range."},
        {MCIERR_BAD_TIME_FORMAT, "The time format does not suit the command."},
    };
    return texts;
}

void Answer(const char* text, char* out, UINT length) {
    if (!out || length == 0) return;
    std::snprintf(out, length, "%s", text);
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

MCIERROR mciSendStringA(const char* command, char* returnString, UINT returnLength, HWND) {
    if (!command) return MCIERR_MISSING_PARAMETER;
    std::lock_guard<std::recursive_mutex> g(platform::AudioLock());
    Hook();
    std::string text(command);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    const std::size_t space = text.find(' ');
    const std::string verb = Lower(text.substr(0, space));
    const std::string rest = space == std::string::npos ? "" : text.substr(space + 1);
    if (verb == "capability") {
        if (Lower(rest) != "waveaudio can play") return MCIERR_UNRECOGNIZED_COMMAND;
        if (!platform::SoundDevicePresent()) return MCIERR_INVALID_DEVICE_NAME;
        Answer("true", returnString, returnLength);
        return 0;
    }
    if (verb == "close") {
        if (Lower(rest) != "all") return MCIERR_UNRECOGNIZED_COMMAND;
        for (auto& [id, d] : State().devices) CloseDevice(id, d, true);
        State().devices.clear();
        return 0;
    }
    if (verb != "load" && verb != "play") return MCIERR_UNRECOGNIZED_COMMAND;
    if (rest.empty()) return MCIERR_MISSING_PARAMETER;
    if (!platform::SoundDevicePresent()) return MCIERR_DEVICE_NOT_READY;
    PCMWAVEFORMAT f;
    std::vector<std::uint8_t> data;
    if (const MCIERROR e = platform::ReadWave(rest, f, data)) return e;
    if (verb == "load") return 0;
    MixerVoice* voice = platform::CreateVoice(f, std::move(data));
    if (!voice) return MCIERR_INVALID_FILE;
    Device d;
    d.kind = DeviceKind::WaveAudio;
    d.voice = voice;
    State().devices[State().nextId++] = d;
    platform::PlayVoiceRange(voice, 0, 0xFFFFFFFFu);
    return 0;
}

BOOL mciGetErrorStringA(MCIERROR error, char* text, UINT length) {
    const auto& texts = ErrorTexts();
    auto it = texts.find(error);
    Answer(it == texts.end() ? "An unknown multimedia error occurred." : it->second, text, length);
    return it == texts.end() ? FALSE : TRUE;
}

MCIERROR mciSendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parameters) {
    std::lock_guard<std::recursive_mutex> g(platform::AudioLock());
    Hook();
    MciState& s = State();
    if (message == MCI_OPEN) {
        auto* p = reinterpret_cast<MCI_OPEN_PARMSA*>(parameters);
        if (!p || !(flags & MCI_OPEN_TYPE) || !p->lpstrDeviceType) return MCIERR_MISSING_PARAMETER;
        if (Lower(p->lpstrDeviceType) != "cdaudio") return MCIERR_INVALID_DEVICE_NAME;
        if (s.cdDirectory.empty()) return MCIERR_DEVICE_NOT_READY;
        p->wDeviceID = s.nextId++;
        s.devices[p->wDeviceID] = Device{};
        return 0;
    }
    auto it = s.devices.find(device);
    if (it == s.devices.end()) return MCIERR_INVALID_DEVICE_ID;
    Device& d = it->second;
    switch (message) {
    case MCI_CLOSE:
        CloseDevice(device, d, true);
        s.devices.erase(it);
        return 0;
    case MCI_STOP:
        if (d.voice) platform::StopVoice(d.voice);
        d.track = 0;
        Notify(device, d, MCI_NOTIFY_ABORTED);
        return 0;
    case MCI_SET: {
        auto* p = reinterpret_cast<MCI_SET_PARMS*>(parameters);
        if (!(flags & MCI_SET_TIME_FORMAT) || !p) return MCIERR_MISSING_PARAMETER;
        if (p->dwTimeFormat != MCI_FORMAT_TMSF && p->dwTimeFormat != MCI_FORMAT_MILLISECONDS) return MCIERR_BAD_TIME_FORMAT;
        d.timeFormat = p->dwTimeFormat;
        return 0;
    }
    case MCI_STATUS: {
        auto* p = reinterpret_cast<MCI_STATUS_PARMS*>(parameters);
        if (!p) return MCIERR_MISSING_PARAMETER;
        return d.kind == DeviceKind::CdAudio ? CdStatus(d, static_cast<DWORD>(flags), *p) : MCIERR_UNSUPPORTED_FUNCTION;
    }
    case MCI_PLAY:
        if (d.kind != DeviceKind::CdAudio) return MCIERR_UNSUPPORTED_FUNCTION;
        return CdPlay(device, d, static_cast<DWORD>(flags), reinterpret_cast<MCI_PLAY_PARMS*>(parameters));
    default: return MCIERR_UNRECOGNIZED_COMMAND;
    }
}

UINT auxGetNumDevs() {
    std::lock_guard<std::recursive_mutex> g(platform::AudioLock());
    return State().cdDirectory.empty() ? 0 : 1;
}

MMRESULT auxGetDevCapsA(UINT_PTR device, AUXCAPSA* caps, UINT size) {
    if (!caps || size < sizeof(AUXCAPSA)) return MMSYSERR_INVALPARAM;
    if (device >= auxGetNumDevs()) return MMSYSERR_BADDEVICEID;
    *caps = AUXCAPSA{};
    std::snprintf(caps->szPname, sizeof caps->szPname, "%s", "CD Audio");
    caps->wTechnology = AUXCAPS_CDAUDIO;
    caps->dwSupport = AUXCAPS_VOLUME | AUXCAPS_LRVOLUME;
    return MMSYSERR_NOERROR;
}

MMRESULT auxSetVolume(UINT device, DWORD volume) {
    std::lock_guard<std::recursive_mutex> g(platform::AudioLock());
    if (device >= auxGetNumDevs()) return MMSYSERR_BADDEVICEID;
    State().auxLeft = static_cast<WORD>(volume);
    State().auxRight = static_cast<WORD>(volume >> 16);
    for (auto& [id, d] : State().devices)
        if (d.kind == DeviceKind::CdAudio && d.voice) platform::SetVoiceGain(d.voice, State().auxLeft, State().auxRight);
    return MMSYSERR_NOERROR;
}

MMRESULT auxGetVolume(UINT device, DWORD* volume) {
    std::lock_guard<std::recursive_mutex> g(platform::AudioLock());
    if (!volume) return MMSYSERR_INVALPARAM;
    if (device >= auxGetNumDevs()) return MMSYSERR_BADDEVICEID;
    *volume = State().auxLeft | static_cast<DWORD>(State().auxRight) << 16;
    return MMSYSERR_NOERROR;
}

namespace platform {

void SetCdAudioDirectory(const std::string& directory) {
    std::lock_guard<std::recursive_mutex> g(AudioLock());
    State().cdDirectory = directory;
}

void ResetMci() {
    std::lock_guard<std::recursive_mutex> g(AudioLock());
    for (auto& [id, d] : State().devices) CloseDevice(id, d, false);
    State().devices.clear();
    State().cdDirectory.clear();
    State().auxLeft = State().auxRight = 0xFFFF;
}

int OpenMciDevices() {
    std::lock_guard<std::recursive_mutex> g(AudioLock());
    return static_cast<int>(State().devices.size());
}

int PlayingCdTrack(MCIDEVICEID device) {
    std::lock_guard<std::recursive_mutex> g(AudioLock());
    MixAudio();
    auto it = State().devices.find(device);
    return it == State().devices.end() ? 0 : it->second.track;
}

MCIERROR ReadWave(const std::string& path, PCMWAVEFORMAT& format, std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> b;
    if (!ReadWholeFile(path, b)) return MCIERR_FILE_NOT_FOUND;
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        return MCIERR_INVALID_FILE;
    // The RIFF size may claim less than the file holds (trailing bytes are ignored), never more.
    const std::uint64_t riffEnd = 8ull + Le32(b, 4);
    if (riffEnd > b.size()) return MCIERR_INVALID_FILE;
    bool haveFormat = false;
    std::size_t at = 12;
    while (at + 8 <= riffEnd) {
        const std::uint32_t size = Le32(b, at + 4);
        const std::size_t body = at + 8;
        if (size > riffEnd - body) return MCIERR_INVALID_FILE;
        if (std::memcmp(b.data() + at, "fmt ", 4) == 0) {
            if (size < 16) return MCIERR_INVALID_FILE;
            format.wFormatTag = Le16(b, body);
            format.nChannels = Le16(b, body + 2);
            format.nSamplesPerSec = Le32(b, body + 4);
            format.nAvgBytesPerSec = Le32(b, body + 8);
            format.nBlockAlign = Le16(b, body + 12);
            format.wBitsPerSample = Le16(b, body + 14);
            const PCMWAVEFORMAT& f = format;
            if (f.wFormatTag != WAVE_FORMAT_PCM || (f.nChannels != 1 && f.nChannels != 2) ||
                (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) || f.nSamplesPerSec < DSBFREQUENCY_MIN ||
                f.nSamplesPerSec > DSBFREQUENCY_MAX || f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8 ||
                f.nAvgBytesPerSec != f.nSamplesPerSec * f.nBlockAlign)
                return MCIERR_INVALID_FILE;
            haveFormat = true;
        } else if (std::memcmp(b.data() + at, "data", 4) == 0) {
            if (!haveFormat) return MCIERR_INVALID_FILE;
            const std::size_t whole = size - size % format.nBlockAlign;
            data.assign(b.begin() + static_cast<std::ptrdiff_t>(body), b.begin() + static_cast<std::ptrdiff_t>(body + whole));
            return 0;
        }
        at = body + size + (size & 1);
    }
    return MCIERR_INVALID_FILE;
}

} // namespace platform
