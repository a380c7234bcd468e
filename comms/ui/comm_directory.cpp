#include "comms/ui/comm_directory.h"

#include "comms/ui/comm_link.h"
#include "core/container.h"
#include "core/events.h"
#include "core/text_payload.h"
#include "platform/file.h"
#include "platform/msgbox.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kHeaderSize = 8;

void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t GetU32(const std::uint8_t* p) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    return v;
}

bool Terminated(const std::uint8_t* p, std::size_t width) { return std::memchr(p, 0, width) != nullptr; }

ContainerBase* GetDataEntry(Component* c, BusMessage, ContainerBase* payload) {
    auto* self = dynamic_cast<CommDirectory*>(c);
    return self ? self->GetDataHandler(payload) : nullptr;
}

ContainerBase* SetDestinationEntry(Component* c, BusMessage, ContainerBase*) {
    CommDirectory* self;
    if (!BusReceiver(c, self, "COMMDIR", __LINE__)) return nullptr;
    return self->SetDestinationHandler();
}

// The connection events only switch a flag; the directory reads nothing of their payload.
ContainerBase* ConnectionOpenedEntry(Component* c, BusMessage, ContainerBase*) {
    CommDirectory* self;
    if (BusReceiver(c, self, "COMMDIR", __LINE__)) self->SetConnected(1);
    return nullptr;
}

ContainerBase* ConnectionClosedEntry(Component* c, BusMessage, ContainerBase*) {
    CommDirectory* self;
    if (BusReceiver(c, self, "COMMDIR", __LINE__)) self->SetConnected(0);
    return nullptr;
}

} // namespace

void SetEntryText(char* field, std::size_t width, const std::string& text) {
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), std::min(text.size(), width - 1));
}

void WriteDirectoryEntry(std::uint8_t* out, const DirectoryEntry& e) {
    std::memcpy(out + 0, e.entryName, DirectoryEntry::kNameWidth);
    std::memcpy(out + 50, e.number, DirectoryEntry::kTextWidth);
    PutU32(out + 90, e.option);
    std::memcpy(out + 94, e.thirdText, DirectoryEntry::kTextWidth);
    std::memcpy(out + 134, e.fourthText, DirectoryEntry::kTextWidth);
}

bool ReadDirectoryEntry(const std::uint8_t* in, DirectoryEntry& e) {
    const std::uint32_t option = GetU32(in + 90);
    if (!Terminated(in + 0, DirectoryEntry::kNameWidth) || !Terminated(in + 50, DirectoryEntry::kTextWidth) ||
        !Terminated(in + 94, DirectoryEntry::kTextWidth) || !Terminated(in + 134, DirectoryEntry::kTextWidth) ||
        option > 1)
        return false;
    DirectoryEntry r;
    std::memcpy(r.entryName, in + 0, DirectoryEntry::kNameWidth);
    std::memcpy(r.number, in + 50, DirectoryEntry::kTextWidth);
    r.option = option;
    std::memcpy(r.thirdText, in + 94, DirectoryEntry::kTextWidth);
    std::memcpy(r.fourthText, in + 134, DirectoryEntry::kTextWidth);
    e = r;
    return true;
}

DirectoryEntry UndisguisedEntry(const DirectoryEntry& stored) {
    DirectoryEntry e = stored;
    UnscrambleText(e.fourthText);
    return e;
}

CommDirectory::CommDirectory(const char* fileName, std::int32_t capacity, std::int32_t initialCurrent, const char* name)
    : Component(name ? name : "Unnamed CommDirectory"), capacity_(std::max<std::int32_t>(capacity, 0)),
      current_(initialCurrent) {
    if (fileName && *fileName) {
        hasFile_ = 1;
        fileName_.assign(fileName, std::min(std::strlen(fileName), kFileNameWidth));
    }
    entries_.assign(static_cast<std::size_t>(capacity_), DirectoryEntry());
    Read();
}

CommDirectory::~CommDirectory() {
    DetachFromBus();
    Write();
}

void CommDirectory::Read() {
    count_ = 0;
    if (!hasFile_) return;
    OFSTRUCT of{};
    const HFILE f = OpenFile(fileName_.c_str(), &of, OF_READ);
    current_ = 0;
    if (f == HFILE_ERROR) return;
    const long long size = platform::FileSize(f);
    std::vector<std::uint8_t> bytes(size > 0 ? static_cast<std::size_t>(size) : 0);
    const bool whole = size >= 0 && (bytes.empty() || _hread(f, bytes.data(), static_cast<long>(bytes.size())) == size);
    _lclose(f);

    // Every length is checked before anything is taken over: the header, a count that fits the
    // bytes exactly, then each record.
    bool good = whole && bytes.size() >= kHeaderSize;
    std::int32_t current = 0, count = 0;
    if (good) {
        current = static_cast<std::int32_t>(GetU32(bytes.data()));
        count = static_cast<std::int32_t>(GetU32(bytes.data() + 4));
        good = count >= 0 && bytes.size() - kHeaderSize == static_cast<std::size_t>(count) * DirectoryEntry::kSize;
    }
    std::vector<DirectoryEntry> read;
    for (std::int32_t i = 0; good && i < count; ++i) {
        DirectoryEntry e;
        good = ReadDirectoryEntry(bytes.data() + kHeaderSize + static_cast<std::size_t>(i) * DirectoryEntry::kSize, e);
        read.push_back(e);
    }
    if (!good) {
        // Writing this directory back would replace the user's file by an empty one.
        fileRefused_ = true;
        MessageBox(nullptr, ("The connection directory \"" + fileName_ + "\" is damaged and was not read.").c_str(),
                   "Dialing Directory", MB_OK | MB_ICONSTOP);
        return;
    }
    // A directory written with more room than this one: room is made, so that nothing is lost.
    if (count > capacity_) {
        capacity_ = count;
        entries_.resize(static_cast<std::size_t>(capacity_));
    }
    std::copy(read.begin(), read.end(), entries_.begin());
    count_ = count;
    current_ = current;
}

std::int32_t CommDirectory::Write() {
    if (!hasFile_ || fileRefused_) {
        unsaved_ = 1;
        return count_;
    }
    OFSTRUCT of{};
    const HFILE f = OpenFile(fileName_.c_str(), &of, OF_CREATE | OF_WRITE);
    if (f == HFILE_ERROR) return -1;
    std::uint8_t header[kHeaderSize];
    PutU32(header, static_cast<std::uint32_t>(current_));
    PutU32(header + 4, static_cast<std::uint32_t>(count_));
    std::vector<std::uint8_t> body(static_cast<std::size_t>(count_) * DirectoryEntry::kSize);
    for (std::int32_t i = 0; i < count_; ++i)
        WriteDirectoryEntry(body.data() + static_cast<std::size_t>(i) * DirectoryEntry::kSize, entries_[static_cast<std::size_t>(i)]);
    std::int32_t result = -1;
    if (_lwrite(f, header, kHeaderSize) == kHeaderSize) {
        const UINT wrote = body.empty() ? 0 : _lwrite(f, body.data(), static_cast<UINT>(body.size()));
        if (wrote != static_cast<UINT>(HFILE_ERROR)) result = static_cast<std::int32_t>(wrote / DirectoryEntry::kSize);
    }
    _lclose(f);
    return result;
}

DirectoryEntry CommDirectory::StoredEntry(std::int32_t index) const {
    if (index < 0 || index >= capacity_) return DirectoryEntry();
    return entries_[static_cast<std::size_t>(index)];
}

DirectoryEntry CommDirectory::GetEntry(std::int32_t index) {
    if (count_ < 1) return AddNumber() == 0 ? DirectoryEntry() : StoredEntry(0);
    if (index < 0) {
        if (current_ < 0 && (Dial() == 0 || current_ < 0)) return DirectoryEntry();
        return StoredEntry(current_);
    }
    return StoredEntry(index);
}

std::int32_t CommDirectory::Add(const DirectoryEntry& entry) {
    if (count_ >= capacity_) return 0;
    entries_[static_cast<std::size_t>(count_)] = entry;
    ++count_;
    return Write();
}

void CommDirectory::Replace(const DirectoryEntry& entry, std::int32_t index) {
    if (index >= 0 && index < count_) {
        entries_[static_cast<std::size_t>(index)] = entry;
        Write();
    } else {
        Add(entry);
    }
}

std::int32_t CommDirectory::Delete(std::int32_t index) {
    if (index < 0 || index >= count_) return 1;
    entries_.erase(entries_.begin() + index);
    entries_.push_back(DirectoryEntry());
    --count_;
    return Write();
}

void CommDirectory::Connect() {
    RegisterNamedHandler("GET_DATA", GetDataEntry);
    RegisterHandler(SET_COMM_DESTINATION, SetDestinationEntry);
    RegisterHandler(CONNECTION_OPENED, ConnectionOpenedEntry);
    RegisterHandler(CONNECTION_CLOSED, ConnectionClosedEntry);
}

ContainerBase* CommDirectory::GetDataHandler(ContainerBase* payload) {
    std::string wanted;
    if (!ExtractText(payload, wanted) && !ExtractData(payload, wanted)) return nullptr;
    if (wanted != "DirectoryEntry") return nullptr;
    return new Container<DirectoryEntry>(UndisguisedEntry(GetEntry(current_)));
}

ContainerBase* CommDirectory::SetDestinationHandler() {
    Dial();
    return nullptr;
}

bool CommDirectory::Check() const {
    if (count_ < 0 || count_ > capacity_ || entries_.size() != static_cast<std::size_t>(capacity_)) return false;
    for (std::int32_t i = 0; i < capacity_; ++i) {
        const DirectoryEntry& e = entries_[static_cast<std::size_t>(i)];
        if (!std::memchr(e.entryName, 0, sizeof e.entryName) || !std::memchr(e.number, 0, sizeof e.number) ||
            !std::memchr(e.thirdText, 0, sizeof e.thirdText) || !std::memchr(e.fourthText, 0, sizeof e.fourthText))
            return false;
        if (i >= count_ && !(e == DirectoryEntry())) return false;
    }
    return true;
}
