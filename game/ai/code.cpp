#include "game/ai/code.h"

#include "game/ai/script_file.h"

#include <cstdio>

int ScriptOperandCount(std::int32_t opcode) {
    switch (opcode) {
    case OP_LOAD: case OP_LOADREF: case OP_ADDR: case OP_PUSH: case OP_STORE: case OP_STOREREF:
    case OP_COPYIN: case OP_JUMP: case OP_JUMPFALSE: case OP_WATCH: case OP_SKIP:
        return 1;
    case OP_LOADUP: case OP_LOADUPREF: case OP_STOREUP: case OP_STOREUPREF: case OP_ADDRUP:
    case OP_CALLBUILTIN:
        return 2;
    case OP_CALL:
        return 3;
    default:
        return 0;
    }
}

void Code::Reset() {
    orders_.clear();
    exceptions_.clear();
}

void Code::Clear() {
    Reset();
    cells_.clear();
    valid_ = 0;
    conditions_ = -1;
    programExceptions_ = -1;
    ++revision_;
}

void Code::AddOrders(const std::string& group, std::int32_t address) { orders_.push_back({group, address}); }

void Code::AddExceptions(const std::string& group, std::int32_t address) {
    exceptions_.push_front({group, address});
}

namespace {
int findEntry(const std::list<ORDERS_INFO>& entries, const std::string& group, std::int32_t& entry) {
    for (const auto& e : entries) {
        if (e.group == group) {
            entry = e.address;
            return 1;
        }
    }
    return 0;
}
} // namespace

int Code::FindOrders(const std::string& group, std::int32_t& entry) const { return findEntry(orders_, group, entry); }

int Code::FindExceptions(const std::string& group, std::int32_t& entry) const {
    return findEntry(exceptions_, group, entry);
}

bool Code::SetCell(std::int32_t index, std::int32_t value) {
    if (index < 0 || index >= CODE_MAX_CELLS) return false;
    if (index >= static_cast<std::int32_t>(cells_.size())) {
        std::int32_t length = (index / CODE_GROWTH + 1) * CODE_GROWTH;
        cells_.resize(static_cast<std::size_t>(length), 0);
    }
    cells_[static_cast<std::size_t>(index)] = value;
    ++revision_;
    return true;
}

// The file form, little-endian without padding:
//   i32 Conditions entry, i32 program-wide Exceptions entry,
//   i32 count E, E group records, i32 count O, O group records,
//   the cells as i32 to the end of the file.
// A group record: u8 name length n, the n name bytes and a zero byte, i32 entry address.
namespace {

void putI32(std::string& out, std::int32_t v) {
    auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

bool putEntries(std::string& out, const std::list<ORDERS_INFO>& entries) {
    putI32(out, static_cast<std::int32_t>(entries.size()));
    for (const auto& e : entries) {
        if (e.group.empty() || e.group.size() > 255) return false;
        out.push_back(static_cast<char>(e.group.size()));
        out += e.group;
        out.push_back(0);
        putI32(out, e.address);
    }
    return true;
}

class Reader {
public:
    explicit Reader(const std::string& bytes) : bytes_(bytes) {}
    std::size_t Remaining() const { return bytes_.size() - at_; }
    bool I32(std::int32_t& v) {
        if (Remaining() < 4) return false;
        std::uint32_t u = 0;
        for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes_[at_ + i])) << (8 * i);
        at_ += 4;
        v = static_cast<std::int32_t>(u);
        return true;
    }
    bool Byte(unsigned char& b) {
        if (Remaining() < 1) return false;
        b = static_cast<unsigned char>(bytes_[at_++]);
        return true;
    }
    bool Text(std::size_t n, std::string& s) {
        if (Remaining() < n) return false;
        s.assign(bytes_, at_, n);
        at_ += n;
        return true;
    }

private:
    const std::string& bytes_;
    std::size_t at_ = 0;
};

// Reads a list of group records; each entry goes to the front, as the program always did.
bool readEntries(Reader& in, std::list<ORDERS_INFO>& entries) {
    std::int32_t count;
    if (!in.I32(count) || count < 0) return false;
    // The smallest record is a length byte, one name byte, its zero and an address.
    if (static_cast<std::size_t>(count) > in.Remaining() / 7) return false;
    for (std::int32_t i = 0; i < count; ++i) {
        unsigned char length;
        std::string name;
        std::int32_t address;
        if (!in.Byte(length) || length == 0 || !in.Text(length + 1u, name)) return false;
        if (name.back() != 0) return false;
        name.pop_back();
        if (name.find('\0') != std::string::npos) return false;
        if (!in.I32(address)) return false;
        for (const auto& e : entries)
            if (e.group == name) return false;
        entries.push_front({name, address});
    }
    return true;
}

} // namespace

int Code::Save(const std::string& fileName) const {
    if (!valid_) return 0;
    std::string out;
    out.reserve(16 + cells_.size() * 4);
    putI32(out, conditions_);
    putI32(out, programExceptions_);
    if (!putEntries(out, exceptions_) || !putEntries(out, orders_)) return 0;
    for (std::int32_t c : cells_) putI32(out, c);

    std::FILE* f = std::fopen(ScriptHostPath(fileName).c_str(), "wb");
    if (!f) return 0;
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok ? 1 : 0;
}

std::uint32_t Code::Load(const std::string& fileName) {
    Clear();
    std::string bytes;
    if (!ReadScriptFile(fileName, bytes)) return 0;

    Reader in(bytes);
    std::int32_t conditions, programExceptions;
    std::list<ORDERS_INFO> exceptions, orders;
    if (!in.I32(conditions) || !in.I32(programExceptions)) return 0;
    if (!readEntries(in, exceptions) || !readEntries(in, orders)) return 0;

    // The writer always writes whole blocks of cells; anything else is a cut or damaged file.
    std::size_t rest = in.Remaining();
    if (rest % 4 != 0) return 0;
    std::size_t count = rest / 4;
    if (count == 0 || count % CODE_GROWTH != 0 || count > static_cast<std::size_t>(CODE_MAX_CELLS)) return 0;
    auto cellCount = static_cast<std::int32_t>(count);

    auto inside = [cellCount](std::int32_t a) { return a >= 0 && a < cellCount; };
    if ((conditions != -1 && !inside(conditions)) || (programExceptions != -1 && !inside(programExceptions))) return 0;
    for (const auto* list : {&exceptions, &orders})
        for (const auto& e : *list)
            if (!inside(e.address)) return 0;

    std::vector<std::int32_t> cells(count);
    for (auto& c : cells) in.I32(c);

    cells_ = std::move(cells);
    conditions_ = conditions;
    programExceptions_ = programExceptions;
    exceptions_ = std::move(exceptions);
    orders_ = std::move(orders);
    ++revision_;
    valid_ = 1;
    return valid_;
}
