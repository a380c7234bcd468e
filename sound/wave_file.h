#pragma once
// WaveFile: the sample data of one wave file, handed out piece by piece; at the end it rewinds
// itself, so a group can play it again without opening it anew.
//
// Layout the game's waves have: the RIFF header, a "fmt " chunk whose 16-byte PCM block starts at
// byte 20, padding chunks, and the "data" chunk whose header sits at byte 186, so that the
// samples start at byte 194. Open checks every field of that header against the file: the tags,
// the RIFF and chunk sizes (none may reach past the end of the file), a PCM format whose rate,
// block size and byte rate agree, and the data chunk's place. A file that fails is refused like a
// missing one: the wave stays closed, with no data, and the group passes over it. Each refused
// name is reported once on stderr.
//
// Invariant: position <= data length; data length is whole frames of the format.
#include "memory/pool_api.h"
#include "platform/audio.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

class WaveFile {
public:
    // Where the format block and the sample data begin in every wave the game plays.
    static constexpr std::uint32_t kFormatOffset = 20;
    static constexpr std::uint32_t kDataOffset = 194;

    WaveFile() = default;
    WaveFile(const WaveFile& o);
    WaveFile& operator=(const WaveFile& o);
    ~WaveFile();

    // 1 when the file opened and its header holds together, else 0 (closed, no data).
    std::int16_t Open(const std::string& name, std::uint16_t pad);
    // The next piece of at most `wanted` bytes, or null when none is left; see the .cpp.
    void* ReadPiece(std::uint32_t wanted, std::uint32_t& got, std::uint16_t& atEnd);
    void Rewind();

    const std::string& Name() const { return fileName; }
    const PCMWAVEFORMAT& Format() const { return format; }
    std::uint32_t Position() const { return position; }
    std::uint32_t DataLength() const { return dataLength; }
    bool IsOpen() const { return open != 0; }

    // The pool pieces come from (the sound manager's); null: the default pool.
    static void SetPool(MEMPOOL pool);
    // Names refused since the last forget, in the order they were first refused.
    static std::vector<std::string> RefusedFiles();
    static void ForgetRefusedFiles();

private:
    bool ReadHeader(std::uint64_t fileLength);
    void Close();
    void FreePiece();
    void Refuse();

    std::string fileName;
    PCMWAVEFORMAT format;
    std::uint32_t position = 0;
    std::uint32_t dataLength = 0;
    std::ifstream stream;
    std::uint16_t open = 0;
    std::uint16_t pad = 0;
    void* piece = nullptr;
};
