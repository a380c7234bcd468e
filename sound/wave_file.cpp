#include "sound/wave_file.h"

#include "platform/path.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

MEMPOOL piecePool = nullptr;

std::mutex& ReportLock() {
    static std::mutex m;
    return m;
}
std::vector<std::string>& Refused() {
    static std::vector<std::string> names;
    return names;
}

std::uint32_t Le32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24; }
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

} // namespace

void WaveFile::SetPool(MEMPOOL pool) { piecePool = pool; }

std::vector<std::string> WaveFile::RefusedFiles() {
    std::lock_guard<std::mutex> g(ReportLock());
    return Refused();
}

void WaveFile::ForgetRefusedFiles() {
    std::lock_guard<std::mutex> g(ReportLock());
    Refused().clear();
}

WaveFile::WaveFile(const WaveFile& o) { *this = o; }

WaveFile& WaveFile::operator=(const WaveFile& o) {
    if (this == &o) return *this;
    Close();
    FreePiece();
    fileName = o.fileName;
    format = o.format;
    position = o.position;
    dataLength = o.dataLength;
    pad = o.pad;
    open = 0;
    if (o.open) {
        // The copy reads on from where the original stands, through a stream of its own.
        stream.open(platform::MapPath(fileName), std::ios::binary);
        if (stream) {
            auto& source = const_cast<std::ifstream&>(o.stream);
            stream.seekg(source.tellg());
            open = 1;
        }
    }
    return *this;
}

WaveFile::~WaveFile() {
    Close();
    FreePiece();
}

void WaveFile::Close() {
    if (stream.is_open()) stream.close();
    stream.clear();
    open = 0;
}

void WaveFile::FreePiece() {
    if (piece) MemFreePtr(piece);
    piece = nullptr;
}

void WaveFile::Refuse() {
    Close();
    dataLength = 0;
    position = 0;
    format = PCMWAVEFORMAT{};
    std::lock_guard<std::mutex> g(ReportLock());
    auto& names = Refused();
    if (std::find(names.begin(), names.end(), fileName) != names.end()) return;
    names.push_back(fileName);
    std::fprintf(stderr, "Sound: %s cannot be played (missing or not a wave of the game's layout)\n", fileName.c_str());
}

bool WaveFile::ReadHeader(std::uint64_t fileLength) {
    std::uint8_t h[kDataOffset];
    if (fileLength < kDataOffset) return false;
    stream.seekg(0);
    if (!stream.read(reinterpret_cast<char*>(h), kDataOffset)) return false;
    if (std::memcmp(h, "RIFF", 4) != 0 || std::memcmp(h + 8, "WAVE", 4) != 0 || std::memcmp(h + 12, "fmt ", 4) != 0)
        return false;
    // The sizes a header declares are believed only as far as the file bears them out.
    const std::uint64_t riffEnd = 8ull + Le32(h + 4);
    if (riffEnd > fileLength || riffEnd < kDataOffset) return false;
    const std::uint32_t formatSize = Le32(h + 16);
    if (formatSize < 16) return false;
    PCMWAVEFORMAT f;
    f.wFormatTag = Le16(h + 20);
    f.nChannels = Le16(h + 22);
    f.nSamplesPerSec = Le32(h + 24);
    f.nAvgBytesPerSec = Le32(h + 28);
    f.nBlockAlign = Le16(h + 32);
    f.wBitsPerSample = Le16(h + 34);
    if (f.wFormatTag != WAVE_FORMAT_PCM || (f.nChannels != 1 && f.nChannels != 2) ||
        (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) || f.nSamplesPerSec < DSBFREQUENCY_MIN ||
        f.nSamplesPerSec > DSBFREQUENCY_MAX || f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8 ||
        f.nAvgBytesPerSec != f.nSamplesPerSec * f.nBlockAlign)
        return false;
    // Walk the chunks after the format: the data chunk's header must be the one at byte 186.
    std::uint64_t at = 20ull + formatSize + (formatSize & 1);
    constexpr std::uint64_t kDataHeader = kDataOffset - 8;
    while (at < kDataHeader) {
        if (at + 8 > kDataHeader) return false;
        const std::uint32_t size = Le32(h + at + 4);
        at += 8ull + size + (size & 1);
    }
    if (at != kDataHeader || std::memcmp(h + kDataHeader, "data", 4) != 0) return false;
    const std::uint32_t dataSize = Le32(h + kDataHeader + 4);
    if (dataSize > riffEnd - kDataOffset) return false;
    format = f;
    dataLength = dataSize - dataSize % f.nBlockAlign;
    return true;
}

std::int16_t WaveFile::Open(const std::string& name, std::uint16_t pad_) {
    Close();
    FreePiece();
    fileName = name;
    pad = pad_;
    position = 0;
    dataLength = 0;
    stream.open(platform::MapPath(name), std::ios::binary);
    if (!stream) {
        Refuse();
        return 0;
    }
    stream.seekg(0, std::ios::end);
    const auto length = static_cast<std::uint64_t>(std::max<std::streamoff>(stream.tellg(), 0));
    if (!ReadHeader(length)) {
        Refuse();
        return 0;
    }
    open = 1;
    stream.seekg(kDataOffset);
    return 1;
}

void WaveFile::Rewind() {
    Close();
    position = 0;
    if (dataLength == 0 && format.nChannels == 0) return;
    stream.open(platform::MapPath(fileName), std::ios::binary);
    if (!stream) return;
    open = 1;
    stream.seekg(kDataOffset);
}

// atEnd is raised by the call after the one that delivered the last bytes: that call returns
// nothing and starts the wave again from its beginning.
void* WaveFile::ReadPiece(std::uint32_t wanted, std::uint32_t& got, std::uint16_t& atEnd) {
    FreePiece();
    atEnd = position >= dataLength ? 1 : 0;
    got = std::min(wanted, dataLength - std::min(position, dataLength));
    if (got > 0 && open) {
        piece = MemAllocPtr(piecePool ? piecePool : MemDefaultPool(), got, 0);
        if (piece && stream.read(static_cast<char*>(piece), got)) {
            position += got;
        } else {
            // The file shrank under us or memory ran out: what is missing is skipped, and the
            // next read starts the wave over.
            const auto read = piece ? static_cast<std::uint32_t>(std::max<std::streamsize>(stream.gcount(), 0)) : 0;
            got = read - read % std::max<std::uint16_t>(format.nBlockAlign, 1);
            position = dataLength;
            if (got == 0) FreePiece();
        }
    } else {
        // A wave whose file could not be opened again has nothing more to give: it ends here.
        if (got > 0) position = dataLength;
        got = 0;
    }
    if (atEnd) Rewind();
    return piece;
}
