#pragma once
// Access to a variable-size page: block headers, free-list links (u32 page offsets at +2 and +6),
// footers, and the rover, sentinel and minimum split of the page header.
#include "memlib/pool.h"

namespace brm {

class VarPage {
public:
    explicit VarPage(std::uint8_t* page) : p_(page) {}

    std::uint16_t header(std::uint32_t b) const { return load<std::uint16_t>(p_ + b); }
    void setHeader(std::uint32_t b, std::uint32_t h) { store(p_ + b, static_cast<std::uint16_t>(h)); }
    static std::uint32_t sizeOf(std::uint16_t h) { return (h & 1) ? (h & kInUseSizeMask) : (h & kFreeSizeMask); }
    std::uint32_t size(std::uint32_t b) const { return sizeOf(header(b)); }
    bool used(std::uint32_t b) const { return header(b) & 1; }

    std::uint32_t next(std::uint32_t b) const { return load<std::uint32_t>(p_ + b + 2); }
    std::uint32_t prev(std::uint32_t b) const { return load<std::uint32_t>(p_ + b + 6); }
    void setNext(std::uint32_t b, std::uint32_t v) { store(p_ + b + 2, v); }
    void setPrev(std::uint32_t b, std::uint32_t v) { store(p_ + b + 6, v); }
    void setFooter(std::uint32_t b, std::uint32_t size) { store(p_ + b + size - 2, static_cast<std::uint16_t>(size)); }

    std::uint32_t rover() const { return load<std::uint16_t>(p_ + 20); }
    void setRover(std::uint32_t b) { store(p_ + 20, static_cast<std::uint16_t>(b)); }
    std::uint32_t sentinel() const { return load<std::uint16_t>(p_ + 22); }
    std::uint32_t minSplit() const { return load<std::uint16_t>(p_ + 24); }

    void unlink(std::uint32_t b) {
        setNext(prev(b), next(b));
        setPrev(next(b), prev(b));
        if (rover() == b) setRover(sentinel());
    }
    void linkAfterSentinel(std::uint32_t b) {
        const std::uint32_t s = sentinel(), n = next(s);
        setNext(b, n);
        setPrev(b, s);
        setPrev(n, b);
        setNext(s, b);
    }
    bool listEmpty() const { return next(sentinel()) == sentinel(); }
    // Writes a free block: header with bit 1 (its predecessor is in use), footer.
    void makeFree(std::uint32_t b, std::uint32_t size) {
        setHeader(b, size | 2);
        setFooter(b, size);
    }
    std::uint8_t* page() const { return p_; }

private:
    std::uint8_t* p_;
};

} // namespace brm
