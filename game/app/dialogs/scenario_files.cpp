#include "game/app/dialogs/scenario_files.h"

#include "platform/path.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace frontend {

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A cursor over bytes that refuses to read past their end.
class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool U8(std::uint32_t& v) { return Unsigned(1, v); }
    bool U16(std::uint32_t& v) { return Unsigned(2, v); }
    bool U32(std::uint32_t& v) { return Unsigned(4, v); }
    bool Text(std::size_t n, std::string& s) {
        if (bytes_.size() - at_ < n) return false;
        s.assign(reinterpret_cast<const char*>(bytes_.data() + at_), n);
        at_ += n;
        return true;
    }
    bool Skip(std::size_t n) {
        if (bytes_.size() - at_ < n) return false;
        at_ += n;
        return true;
    }
    std::size_t Left() const { return bytes_.size() - at_; }

private:
    bool Unsigned(std::size_t n, std::uint32_t& v) {
        if (bytes_.size() - at_ < n) return false;
        v = 0;
        for (std::size_t i = 0; i < n; ++i) v |= static_cast<std::uint32_t>(bytes_[at_ + i]) << (8 * i);
        at_ += n;
        return true;
    }
    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 0;
};

constexpr std::uint32_t kTextLimit = 255;

} // namespace

std::vector<std::string> FindFiles(const std::string& directory, const std::string& extension) {
    std::vector<std::string> names;
    std::error_code ec;
    const std::filesystem::path dir(platform::MapPath(directory.empty() ? std::string(".") : directory));
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        const std::string name = it->path().filename().string();
        if (name.size() > extension.size() && Lower(name.substr(name.size() - extension.size())) == Lower(extension))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

ReadResult ReadVariantRecord(const std::vector<std::uint8_t>& bytes, std::int32_t scenarioIndex, VariantRecord& out) {
    Reader r(bytes);
    std::uint32_t index = 0, nameLength = 0, details = 0, titleLength = 0;
    if (!r.U32(index)) return ReadResult::kDamaged;
    if (static_cast<std::int32_t>(index) != scenarioIndex) return ReadResult::kOtherScenario;
    VariantRecord v;
    v.scenarioIndex = static_cast<std::int32_t>(index);
    if (!r.U16(nameLength) || nameLength > kTextLimit || !r.Text(nameLength, v.scenarioFile)) return ReadResult::kDamaged;
    if (!r.U32(details) || !r.U16(titleLength) || titleLength > kTextLimit || !r.Text(titleLength, v.title))
        return ReadResult::kDamaged;
    v.detailsNumber = details;
    out = std::move(v);
    return ReadResult::kRead;
}

std::optional<ScenarioHead> ReadScenarioHead(const std::vector<std::uint8_t>& bytes) {
    Reader r(bytes);
    std::uint32_t first = 0, second = 0, length = 0;
    if (!r.U32(first) || !r.U32(second) || first != 0 || second != 4) return std::nullopt;
    ScenarioHead head;
    if (!r.Skip(16)) return std::nullopt;
    if (!r.U8(length) || !r.Text(length, head.title)) return std::nullopt;
    if (!r.U8(length) || !r.Text(length, head.subtitle)) return std::nullopt;
    if (!r.U32(length)) return std::nullopt;
    // A long description is cut; one that claims more than the file holds is cut at the end.
    const std::size_t take = std::min<std::size_t>({length, kDescriptionLimit, r.Left()});
    r.Text(take, head.description);
    return head;
}

} // namespace frontend
