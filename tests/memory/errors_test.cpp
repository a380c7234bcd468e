// Error reporting: codes and pools reaching the handler, the library's message box and its
// answers, the re-entry guard, and bad input (foreign and interior pointers, double frees,
// damaged headers) reported without harm to the pool.
#include "memory_test_support.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <stdexcept>
#include <thread>

namespace {

using memtest::ErrorRecorder;
using memtest::PoolTest;
using Codes = std::vector<std::uint32_t>;

constexpr UINT kBoxStyle = MB_ICONSTOP | MB_DEFBUTTON2 | MB_TASKMODAL;

// Puts the library's own handler back for one test.
class DefaultHandler {
public:
    DefaultHandler() : previous_(MemSetErrorHandler(&MemDefaultErrorHandler)) {}
    ~DefaultHandler() { MemSetErrorHandler(previous_); }
    DefaultHandler(const DefaultHandler&) = delete;
    DefaultHandler& operator=(const DefaultHandler&) = delete;

private:
    MemErrorHandler previous_;
};

TEST_F(PoolTest, DefaultHandlerNamesTheCodeOnTheLibrarysBox) {
    struct Case {
        std::uint32_t code;
        const char* text;
        UINT buttons;
    } cases[] = {
        {MEM_OUT_OF_MEMORY, "Out of memory.  Please free some memory, then choose retry.", MB_ABORTRETRYIGNORE},
        {MEM_INTERNAL_ERROR, "MEM_INTERNAL_ERROR", MB_OKCANCEL},
        {MEM_BLOCK_TOO_BIG, "MEM_BLOCK_TOO_BIG", MB_OKCANCEL},
        {MEM_ALLOC_ZERO, "MEM_ALLOC_ZERO", MB_OKCANCEL},
        {MEM_RESIZE_FAILED, "MEM_RESIZE_FAILED", MB_OKCANCEL},
        {MEM_LOCK_ERROR, "MEM_LOCK_ERROR", MB_OKCANCEL},
        {MEM_EXCEEDED_CEILING, "MEM_EXCEEDED_CEILING", MB_OKCANCEL},
        {MEM_TOO_MANY_PAGES, "MEM_TOO_MANY_PAGES", MB_OKCANCEL},
        {MEM_TOO_MANY_TASKS, "MEM_TOO_MANY_TASKS", MB_OKCANCEL},
        {MEM_BAD_MEM_POOL, "MEM_BAD_MEM_POOL", MB_OKCANCEL},
        {MEM_BAD_BLOCK, "MEM_BAD_BLOCK", MB_OKCANCEL},
        {MEM_BAD_FREE_BLOCK, "MEM_BAD_FREE_BLOCK", MB_OKCANCEL},
        {MEM_BAD_HANDLE, "MEM_BAD_HANDLE", MB_OKCANCEL},
        {MEM_BAD_POINTER, "MEM_BAD_POINTER", MB_OKCANCEL},
        {MEM_WRONG_TASK, "MEM_INTERNAL_ERROR", MB_OKCANCEL},
        {0, "MEM_INTERNAL_ERROR", MB_OKCANCEL},
        {999, "MEM_INTERNAL_ERROR", MB_OKCANCEL},
    };
    for (const auto& c : cases) {
        platform::ClearShownMessageBoxes();
        MemErrorInfo info{c.code, pool};
        EXPECT_EQ(MemDefaultErrorHandler(&info), 0u) << c.code << ": unscripted boxes give up";
        ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
        const auto box = platform::ShownMessageBox(0);
        EXPECT_EQ(box.caption, "Bramble Library");
        EXPECT_EQ(box.text, c.text) << c.code;
        EXPECT_EQ(box.type, kBoxStyle | c.buttons) << c.code;
    }
}

TEST_F(PoolTest, LibraryBoxAnswersRetryOnlyForRetry) {
    struct Case {
        int answer;
        std::uint32_t result;
    } cases[] = {{IDRETRY, 1}, {IDIGNORE, 0}, {IDOK, 0}, {IDYES, 0}};
    for (const auto& c : cases) {
        platform::QueueMessageBoxAnswer(c.answer);
        EXPECT_EQ(MemErrorMessageBox("text", 1), c.result) << c.answer;
    }
}

TEST_F(PoolTest, LibraryBoxTriesSystemModalWhenItCannotBeShown) {
    std::vector<UINT> types;
    platform::SetMessageBoxPresenter([&](const char*, const char*, UINT type) {
        types.push_back(type);
        return types.size() == 1 ? 0 : IDRETRY;
    });
    EXPECT_EQ(MemErrorMessageBox("again", 1), 1u);
    platform::SetMessageBoxPresenter([&](const char*, const char*, UINT) { return 0; });
    EXPECT_EQ(MemErrorMessageBox("never", 1), 0u);
    platform::SetMessageBoxPresenter({});
    ASSERT_EQ(types.size(), 2u);
    EXPECT_EQ(types[0], kBoxStyle | MB_ABORTRETRYIGNORE);
    EXPECT_EQ(types[1], (kBoxStyle & ~MB_TASKMODAL) | MB_SYSTEMMODAL | MB_ABORTRETRYIGNORE);
}

using LibraryBoxDeathTest = PoolTest;

TEST_F(LibraryBoxDeathTest, AbortOrCancelEndsTheProgram) {
    EXPECT_DEATH(
        {
            platform::QueueMessageBoxAnswer(IDABORT);
            MemErrorMessageBox("stop", 1);
        },
        "Bramble Library");
    EXPECT_DEATH(
        {
            platform::QueueMessageBoxAnswer(IDCANCEL);
            MemErrorMessageBox("stop", 0);
        },
        "Bramble Library");
}

TEST_F(PoolTest, RetryFromTheBoxRepeatsTheFailedStep) {
    DefaultHandler library;
    platform::FailNextMemoryRequests(1);
    platform::QueueMessageBoxAnswer(IDRETRY);
    void* big = MemAllocPtr(pool, 100000, 0);
    EXPECT_NE(big, nullptr);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Out of memory.  Please free some memory, then choose retry.");
    MemFreePtr(big);

    platform::FailNextMemoryRequests(1);
    platform::QueueMessageBoxAnswer(IDIGNORE);
    EXPECT_EQ(MemAllocPtr(pool, 100000, 0), nullptr) << "Ignore gives up";
    EXPECT_EQ(platform::ShownMessageBoxCount(), 2u);
}

TEST_F(PoolTest, PoolCreationRetriesWhenTheHandlerSaysSo) {
    ErrorRecorder::answer() = 1;
    platform::FailNextMemoryRequests(2);
    MEMPOOL p = MemPoolInit(0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(ErrorRecorder::reports().size(), 2u);
    for (const auto& r : ErrorRecorder::reports()) {
        EXPECT_EQ(r.code, MEM_OUT_OF_MEMORY);
        EXPECT_EQ(r.pool, nullptr);
    }
    MemPoolFree(p);
    ErrorRecorder::answer() = 0;
    ErrorRecorder::clear();
    platform::FailNextMemoryRequests(1);
    EXPECT_EQ(MemPoolInit(0), nullptr);
    EXPECT_EQ(ErrorRecorder::codes(), Codes{MEM_OUT_OF_MEMORY});
}

TEST_F(PoolTest, SmallRequestFallsThroughToAMediumPage) {
    platform::FailNextMemoryRequests(1);  // the small page
    void* p = MemAllocPtr(pool, 10, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(memtest::pageType(p), bramble::kMediumPage);
    EXPECT_TRUE(ErrorRecorder::codes().empty());
    MemFreePtr(p);
}

TEST_F(PoolTest, WithoutAHandlerReportsAnswerNothing) {
    MemErrorHandler mine = MemSetErrorHandler(nullptr);
    EXPECT_EQ(MemSignalError(pool, MEM_OUT_OF_MEMORY), 0u);
    int local = 0;
    EXPECT_EQ(MemFreePtr(&local), 0);
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);
    EXPECT_EQ(MemSetErrorHandler(mine), nullptr);
    EXPECT_TRUE(ErrorRecorder::codes().empty());
}

TEST_F(PoolTest, HandlerMustBeCode) {
    static int data = 0;
    EXPECT_EQ(MemSetErrorHandler(reinterpret_cast<MemErrorHandler>(&data)), nullptr);
    EXPECT_EQ(MemSetErrorHandler(reinterpret_cast<MemErrorHandler>(std::uintptr_t{0x1234})), nullptr);
    EXPECT_EQ(MemSignalError(pool, MEM_BAD_BLOCK), 0u);
    EXPECT_EQ(ErrorRecorder::codes(), Codes{MEM_BAD_BLOCK}) << "the recorder is still the handler";
}

// --- the re-entry guard ---

MEMPOOL g_full = nullptr;
int g_handlerCalls = 0;

std::uint32_t allocatingHandler(MemErrorInfo*) {
    ++g_handlerCalls;
    EXPECT_EQ(MemAllocPtr(g_full, 100000, 0), nullptr);  // fails again: past the ceiling
    return 0;
}

TEST_F(PoolTest, HandlerThatFailsToAllocateIsNotReentered) {
    g_full = pool;
    g_handlerCalls = 0;
    MemPoolSetFloor(pool, 0);
    MemPoolSetCeiling(pool, 8192);
    MemErrorHandler previous = MemSetErrorHandler(&allocatingHandler);
    EXPECT_EQ(MemAllocPtr(pool, 100000, 0), nullptr);
    MemSetErrorHandler(previous);
    EXPECT_EQ(g_handlerCalls, 1);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).text, "\n\rBramble error handler recursively re-entered.\n\r");
    EXPECT_EQ(platform::ShownMessageBox(0).type, kBoxStyle | MB_OKCANCEL);
}

TEST_F(PoolTest, DeeperReportsInsideAHandlerAreSilent) {
    int nestedAnswers = 0;
    platform::SetMessageBoxPresenter([&](const char*, const char*, UINT) {
        // A report from inside the warning box itself: two levels deep.
        nestedAnswers += static_cast<int>(MemSignalError(nullptr, MEM_OUT_OF_MEMORY)) + 1;
        return IDOK;
    });
    g_full = pool;
    g_handlerCalls = 0;
    MemPoolSetFloor(pool, 0);
    MemPoolSetCeiling(pool, 8192);
    MemErrorHandler previous = MemSetErrorHandler(&allocatingHandler);
    EXPECT_EQ(MemAllocPtr(pool, 100000, 0), nullptr);
    MemSetErrorHandler(previous);
    platform::SetMessageBoxPresenter({});
    EXPECT_EQ(g_handlerCalls, 1);
    EXPECT_EQ(nestedAnswers, 1) << "answered 0 without a handler or a box";
    EXPECT_EQ(platform::ShownMessageBoxCount(), 1u);
}

struct Gate {
    std::mutex m;
    std::condition_variable cv;
    int inside = 0;
    bool open = false;
};
Gate* g_gate = nullptr;

std::uint32_t waitingHandler(MemErrorInfo*) {
    std::unique_lock<std::mutex> lock(g_gate->m);
    ++g_gate->inside;
    g_gate->cv.notify_all();
    g_gate->cv.wait(lock, [] { return g_gate->open; });
    return 0;
}

TEST_F(PoolTest, TwentySixthThreadInTheHandlerIsTurnedAway) {
    Gate gate;
    g_gate = &gate;
    MemErrorHandler previous = MemSetErrorHandler(&waitingHandler);
    std::vector<std::thread> threads;
    for (int i = 0; i < 25; ++i) threads.emplace_back([] { MemSignalError(nullptr, MEM_BAD_BLOCK); });
    {
        std::unique_lock<std::mutex> lock(gate.m);
        ASSERT_TRUE(gate.cv.wait_for(lock, std::chrono::seconds(10), [&] { return gate.inside == 25; }));
    }
    EXPECT_EQ(MemSignalError(nullptr, MEM_BAD_BLOCK), 0u);
    {
        std::lock_guard<std::mutex> lock(gate.m);
        gate.open = true;
    }
    gate.cv.notify_all();
    for (auto& t : threads) t.join();
    MemSetErrorHandler(previous);
    EXPECT_EQ(gate.inside, 25);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).text, "\n\rMemory errors in too many threads concurrently.\n\r");
    // The table emptied again: a later report reaches the handler.
    EXPECT_EQ(MemSignalError(nullptr, MEM_BAD_BLOCK), 0u);
    EXPECT_EQ(ErrorRecorder::codes(), Codes{MEM_BAD_BLOCK});
}

MEMPOOL g_shared = nullptr;
bool g_otherThreadGotIn = false;

std::uint32_t poolUsingHandler(MemErrorInfo*) {
    // Another thread uses the pool while this report is under way: the pool's lock is not held.
    auto done = std::async(std::launch::async, [] {
        void* p = MemAllocPtr(g_shared, 64, 0);
        MemFreePtr(p);
        return p != nullptr;
    });
    g_otherThreadGotIn = done.wait_for(std::chrono::seconds(5)) == std::future_status::ready && done.get();
    return 0;
}

TEST_F(PoolTest, HandlerRunsWithoutThePoolsLock) {
    g_shared = MemPoolInit(MEM_POOL_SERIALIZE);
    MemPoolSetFloor(g_shared, 0);
    MemPoolSetCeiling(g_shared, 4096 + 65536);
    ASSERT_EQ(MemPoolLock(g_shared), 1);  // held around the failing call too
    g_otherThreadGotIn = false;
    MemErrorHandler previous = MemSetErrorHandler(&poolUsingHandler);
    EXPECT_EQ(MemAllocPtr(g_shared, 100000, 0), nullptr);
    MemSetErrorHandler(previous);
    EXPECT_TRUE(g_otherThreadGotIn);
    EXPECT_EQ(memtest::header(g_shared)->lockDepth, 1u) << "this thread's own hold is back";
    EXPECT_EQ(MemPoolUnlock(g_shared), 1);
    EXPECT_EQ(MemPoolUnlock(g_shared), 0);
    EXPECT_EQ(memtest::checkPool(g_shared), "");
    MemPoolFree(g_shared);
}

std::uint32_t throwingHandler(MemErrorInfo*) { throw std::runtime_error("handler gave up"); }

TEST_F(PoolTest, ExceptionFromAHandlerDoesNotUnwindThroughThePool) {
    MemPoolSetFloor(pool, 0);
    MemPoolSetCeiling(pool, 8192);
    MemErrorHandler previous = MemSetErrorHandler(&throwingHandler);
    EXPECT_EQ(MemAllocPtr(pool, 100000, 0), nullptr);
    MemSetErrorHandler(previous);
    void* p = MemAllocPtr(pool, 1000, 0);
    EXPECT_NE(p, nullptr) << "and a later report is not taken for a nested one";
    MemFreePtr(p);
}

// --- bad blocks: reported with their pool; the pool stays sound ---

enum class Kind { Small, Medium, Fixed, Large };

const char* nameOf(Kind kind) {
    switch (kind) {
    case Kind::Small: return "Small";
    case Kind::Medium: return "Medium";
    case Kind::Fixed: return "Fixed";
    case Kind::Large: return "Large";
    }
    return "?";
}
void PrintTo(Kind kind, std::ostream* os) { *os << nameOf(kind); }

void* allocate(MEMPOOL pool, Kind kind) {
    switch (kind) {
    case Kind::Small: return MemAllocPtr(pool, 40, 0);
    case Kind::Medium: return MemAllocPtr(pool, 1000, 0);
    case Kind::Fixed: return MemAllocFS(pool);
    case Kind::Large: return MemAllocPtr(pool, 20000, 0);
    }
    return nullptr;
}

class BadBlocks : public PoolTest, public ::testing::WithParamInterface<Kind> {};

TEST_P(BadBlocks, DoubleFreeIsReportedAndChangesNothing) {
    // Neighbours in use on both sides keep the freed block from merging into another.
    void* keep = allocate(pool, GetParam());
    void* p = allocate(pool, GetParam());
    void* keep2 = allocate(pool, GetParam());
    ASSERT_EQ(MemFreePtr(p), 1);
    ASSERT_EQ(memtest::checkPool(pool), "");
    EXPECT_EQ(MemFreePtr(p), 0);
    EXPECT_EQ(MemReAllocPtr(p, 10, 0), nullptr);
    EXPECT_EQ(MemSizePtr(p), 0xFFFFFFFFu);
    const std::uint32_t code = GetParam() == Kind::Large ? MEM_BAD_POINTER : MEM_BAD_FREE_BLOCK;
    const auto reports = ErrorRecorder::reports();
    ASSERT_EQ(reports.size(), 3u);
    for (const auto& r : reports) {
        EXPECT_EQ(r.code, code);
        EXPECT_EQ(r.pool, code == MEM_BAD_POINTER ? nullptr : pool);
    }
    EXPECT_EQ(memtest::checkPool(pool), "");
    void* again = allocate(pool, GetParam());
    EXPECT_EQ(MemFreePtr(again), 1);
    EXPECT_EQ(MemFreePtr(keep), 1);
    EXPECT_EQ(MemFreePtr(keep2), 1);
}

TEST_P(BadBlocks, AddressInsideABlockIsNoBlock) {
    auto* p = static_cast<char*>(allocate(pool, GetParam()));
    void* after = allocate(pool, GetParam());
    // Inside a block; for fixed-size blocks (16 bytes here) 16 and 32 start other blocks.
    const std::vector<int> offsets =
        GetParam() == Kind::Fixed ? std::vector<int>{1, 2, 4, 8, 12} : std::vector<int>{1, 2, 4, 8, 16, 32};
    for (int offset : offsets) {
        ErrorRecorder::clear();
        EXPECT_EQ(MemFreePtr(p + offset), 0) << offset;
        ASSERT_EQ(ErrorRecorder::reports().size(), 1u) << offset;
        EXPECT_EQ(ErrorRecorder::reports()[0].code, MEM_BAD_POINTER) << offset;
        EXPECT_EQ(ErrorRecorder::reports()[0].pool, pool) << offset;
    }
    ErrorRecorder::clear();
    char* pageStart = reinterpret_cast<char*>(memtest::pageOf(p));
    EXPECT_EQ(MemFreePtr(pageStart + 8), 0) << "inside the page header";
    EXPECT_EQ(ErrorRecorder::codes(), Codes{MEM_BAD_POINTER});
    EXPECT_EQ(memtest::checkPool(pool), "");
    EXPECT_EQ(MemFreePtr(p), 1);
    EXPECT_EQ(MemFreePtr(after), 1);
}

INSTANTIATE_TEST_SUITE_P(Kinds, BadBlocks, ::testing::Values(Kind::Small, Kind::Medium, Kind::Fixed, Kind::Large),
                         [](const ::testing::TestParamInfo<Kind>& param) { return nameOf(param.param); });

TEST_F(PoolTest, DamagedSmallClassByteIsDetected) {
    auto* p = static_cast<unsigned char*>(MemAllocPtr(pool, 40, 0));
    auto* q = static_cast<unsigned char*>(MemAllocPtr(pool, 40, 0));
    const unsigned char saved = q[-1];
    p[47] = 0x3F;  // a write past p's end lands on q's class byte
    EXPECT_EQ(MemFreePtr(q), 0);
    ASSERT_EQ(ErrorRecorder::reports().size(), 1u);
    EXPECT_EQ(ErrorRecorder::reports()[0].code, MEM_BAD_BLOCK);
    EXPECT_EQ(ErrorRecorder::reports()[0].pool, pool);
    EXPECT_NE(memtest::checkPool(pool), "") << "the check sees the damage too";
    q[-1] = saved;
    EXPECT_EQ(memtest::checkPool(pool), "");
    EXPECT_EQ(MemFreePtr(q), 1);
    EXPECT_EQ(MemFreePtr(p), 1);
}

TEST_F(PoolTest, DamagedMediumHeaderIsDetected) {
    struct Case {
        const char* what;
        std::uint16_t header;
    } cases[] = {
        {"size grown", 0x2000 | 3}, {"size not a block", 0x0010 | 3}, {"odd size", 0x0408 | 3}, {"zeroed", 0},
    };
    for (const auto& c : cases) {
        ErrorRecorder::clear();
        auto* upper = static_cast<unsigned char*>(MemAllocPtr(pool, 1000, 0));
        auto* lower = static_cast<unsigned char*>(MemAllocPtr(pool, 1000, 0));  // just below upper
        std::uint16_t saved;
        std::memcpy(&saved, upper - 2, 2);
        std::memcpy(upper - 2, &c.header, 2);  // what an overrun of `lower` would do
        EXPECT_EQ(MemFreePtr(upper), 0) << c.what;
        EXPECT_EQ(MemReAllocPtr(upper, 2000, 0), nullptr) << c.what;
        const auto reports = ErrorRecorder::reports();
        ASSERT_EQ(reports.size(), 2u) << c.what;
        for (const auto& r : reports) {
            EXPECT_TRUE(r.code == MEM_BAD_BLOCK || r.code == MEM_BAD_FREE_BLOCK) << c.what << " " << r.code;
            EXPECT_EQ(r.pool, pool);
        }
        EXPECT_NE(memtest::checkPool(pool), "") << c.what;
        std::memcpy(upper - 2, &saved, 2);
        EXPECT_EQ(memtest::checkPool(pool), "") << c.what;
        EXPECT_EQ(MemFreePtr(lower), 1) << c.what;
        EXPECT_EQ(MemFreePtr(upper), 1) << c.what;
        EXPECT_EQ(memtest::checkPool(pool), "") << c.what;
    }
}

TEST_F(PoolTest, FreeingNextToADamagedFreeBlockIsRefused) {
    auto* upper = static_cast<unsigned char*>(MemAllocPtr(pool, 1000, 0));
    auto* middle = static_cast<unsigned char*>(MemAllocPtr(pool, 1000, 0));
    auto* lower = static_cast<unsigned char*>(MemAllocPtr(pool, 1000, 0));
    ASSERT_EQ(MemFreePtr(upper), 1);
    std::uint16_t saved;
    std::memcpy(&saved, upper - 2, 2);
    const std::uint16_t wild = 0x0130;  // a free block's size that ends nowhere
    std::memcpy(upper - 2, &wild, 2);
    EXPECT_EQ(MemFreePtr(middle), 0) << "merging with the damaged block would spread the damage";
    EXPECT_EQ(ErrorRecorder::codes(), Codes{MEM_BAD_BLOCK});
    std::memcpy(upper - 2, &saved, 2);
    EXPECT_EQ(memtest::checkPool(pool), "");
    EXPECT_EQ(MemFreePtr(middle), 1);
    EXPECT_EQ(MemFreePtr(lower), 1);
}

} // namespace
