// Random mixes of allocation, resizing and freeing over every block kind, with the contents of
// each live block verified and the pool checked after every round.
#include "memory_test_support.h"

#include <random>

namespace {

using memtest::ErrorRecorder;

struct Live {
    unsigned char* p;
    std::uint32_t size;
    unsigned char seed;
    bool fixed;
};

void stamp(const Live& b) {
    for (std::uint32_t i = 0; i < b.size; ++i) b.p[i] = static_cast<unsigned char>(b.seed + i * 31);
}

bool intact(const Live& b, std::uint32_t n) {
    for (std::uint32_t i = 0; i < n; ++i) {
        if (b.p[i] != static_cast<unsigned char>(b.seed + i * 31)) return false;
    }
    return true;
}

struct Config {
    const char* name;
    std::uint32_t flags;
    std::uint32_t pageSize;    // 0 = keep
    int smallLimit;            // -1 = keep
    std::uint32_t floor;       // 0xFFFFFFFF = keep
    std::uint16_t fixedSize;
    std::uint32_t maxSize;
};

void PrintTo(const Config& c, std::ostream* os) { *os << c.name; }

class RandomMix : public ::testing::TestWithParam<Config> {
protected:
    void SetUp() override { ErrorRecorder::clear(); }
    ErrorRecorder recorder;
};

std::uint32_t drawSize(std::mt19937& rng, std::uint32_t maxSize) {
    switch (rng() % 8) {
    case 0: return rng() % 17;
    case 1:
    case 2:
    case 3: return rng() % 300;
    case 4:
    case 5: return 200 + rng() % 4200;
    case 6: return rng() % 20000;
    default: return rng() % maxSize;
    }
}

TEST_P(RandomMix, PoolStaysSoundAndContentsSurvive) {
    const Config& c = GetParam();
    MEMPOOL pool = MemPoolInit(c.flags);
    ASSERT_NE(pool, nullptr);
    if (c.pageSize) MemPoolSetPageSize(pool, c.pageSize);
    if (c.smallLimit >= 0) {
        ASSERT_EQ(MemPoolSetSmallBlockLimit(pool, static_cast<std::uint16_t>(c.smallLimit)), 1);
    }
    if (c.floor != 0xFFFFFFFF) MemPoolSetFloor(pool, c.floor);
    if (c.fixedSize) {
        ASSERT_EQ(MemPoolSetBlockSizeFS(pool, c.fixedSize), 1);
    }

    std::mt19937 rng(12345);
    std::vector<Live> live;
    for (int round = 0; round < 40; ++round) {
        for (int op = 0; op < 400; ++op) {
            const unsigned r = rng() % 10;
            if (r < 4 || live.empty()) {
                Live b{};
                b.seed = static_cast<unsigned char>(rng());
                if (c.fixedSize && rng() % 3 == 0) {
                    b.p = static_cast<unsigned char*>(MemAllocFS(pool));
                    b.size = memtest::header(pool)->fixedBlockSize;
                    b.fixed = true;
                } else {
                    b.size = drawSize(rng, c.maxSize);
                    // Bit 2 asks for a medium block cut from the low end of its free block.
                    const std::uint32_t flags = (rng() % 4 == 0 ? MEM_ZEROINIT : 0) | (rng() % 5 == 0 ? 0x0004 : 0);
                    b.p = static_cast<unsigned char*>(MemAllocPtr(pool, b.size, flags));
                }
                ASSERT_NE(b.p, nullptr);
                ASSERT_GE(MemSizePtr(b.p), b.size);
                stamp(b);
                live.push_back(b);
            } else if (r < 7) {
                const std::size_t i = rng() % live.size();
                Live& b = live[i];
                ASSERT_TRUE(intact(b, b.size)) << "round " << round;
                const int ok = b.fixed && rng() % 2 ? MemFreeFS(b.p) : MemFreePtr(b.p);
                ASSERT_EQ(ok, 1);
                live[i] = live.back();
                live.pop_back();
            } else {
                Live& b = live[rng() % live.size()];
                std::uint32_t size = drawSize(rng, c.maxSize);
                if (size == 0) size = 1;
                const std::uint32_t flags = rng() % 4 == 0 ? MEM_ZEROINIT : 0;
                auto* q = static_cast<unsigned char*>(MemReAllocPtr(b.p, size, flags));
                ASSERT_NE(q, nullptr);
                b.p = q;
                ASSERT_TRUE(intact(b, std::min(b.size, size))) << "round " << round;
                b.size = size;
                b.fixed = false;
                stamp(b);
            }
        }
        ASSERT_EQ(memtest::checkPool(pool), "") << c.name << " round " << round;
    }
    for (const Live& b : live) {
        ASSERT_TRUE(intact(b, b.size));
        ASSERT_EQ(MemFreePtr(b.p), 1);
    }
    EXPECT_EQ(memtest::checkPool(pool), "");
    MemPoolSetFloor(pool, 0);
    MemPoolShrink(pool);
    EXPECT_EQ(memtest::checkPool(pool), "");
    EXPECT_TRUE(ErrorRecorder::codes().empty());
    EXPECT_EQ(MemPoolFree(pool), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Configs, RandomMix,
    ::testing::Values(Config{"default", 0, 0, -1, 0xFFFFFFFF, 0, 70000},
                      Config{"no floor", 0, 0, -1, 0, 16, 70000},
                      Config{"small pages", 0, 4096, -1, 0, 24, 9000},
                      Config{"largest pages", 0, 65535, 1000, 0, 0, 70000},
                      Config{"no small blocks", 0, 8192, 0, 0, 12, 30000},
                      Config{"serialised", MEM_POOL_SERIALIZE, 32768, 100, 0x10000, 40, 70000}),
    [](const ::testing::TestParamInfo<Config>& param) {
        std::string n = param.param.name;
        for (char& ch : n) {
            if (ch == ' ') ch = '_';
        }
        return n;
    });

} // namespace
