// The error report, the installable handler, the default handler's message boxes.
#include "tests/memlib/library.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <sys/mman.h>
#include <thread>

namespace memlib_test {
namespace {

using ErrorTest = MemlibTest;

constexpr const char* kCaption = "Bramble Library";
constexpr const char* kOutOfMemory = "Out of memory.  Please free some memory, then choose retry.";
constexpr const char* kReentered = "\n\rBramble error handler recursively re-entered.\n\r";
constexpr const char* kTooManyThreads = "\n\rMemory errors in too many threads concurrently.\n\r";
constexpr std::uint32_t kRetryStyle = 0x2112;
constexpr std::uint32_t kPlainStyle = 0x2111;
enum { kOk = 1, kCancel = 2, kAbort = 3, kRetry = 4, kIgnore = 5 };

TEST_F(ErrorTest, DefaultHandlerShowsTheCodesName) {
    struct Case {
        std::uint32_t code;
        const char* text;
        std::uint32_t style;
    } cases[] = {{0, "MEM_INTERNAL_ERROR", kPlainStyle},
                 {1, "MEM_INTERNAL_ERROR", kPlainStyle},
                 {2, kOutOfMemory, kRetryStyle},
                 {3, "MEM_BLOCK_TOO_BIG", kPlainStyle},
                 {4, "MEM_ALLOC_ZERO", kPlainStyle},
                 {5, "MEM_RESIZE_FAILED", kPlainStyle},
                 {6, "MEM_LOCK_ERROR", kPlainStyle},
                 {7, "MEM_EXCEEDED_CEILING", kPlainStyle},
                 {8, "MEM_TOO_MANY_PAGES", kPlainStyle},
                 {9, "MEM_TOO_MANY_TASKS", kPlainStyle},
                 {10, "MEM_BAD_MEM_POOL", kPlainStyle},
                 {11, "MEM_BAD_BLOCK", kPlainStyle},
                 {12, "MEM_BAD_FREE_BLOCK", kPlainStyle},
                 {13, "MEM_BAD_HANDLE", kPlainStyle},
                 {14, "MEM_BAD_POINTER", kPlainStyle},
                 {15, "MEM_INTERNAL_ERROR", kPlainStyle},
                 {99, "MEM_INTERNAL_ERROR", kPlainStyle}};
    for (const auto& c : cases) {
        boxes().clear();
        MemErrorRecord record{c.code, nullptr};
        EXPECT_EQ(m.MemDefaultErrorHandler(&record), 0) << c.code;
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].text, c.text) << c.code;
        EXPECT_EQ(boxes()[0].caption, kCaption);
        EXPECT_EQ(boxes()[0].style, c.style) << c.code;
    }
    MemErrorRecord oom{MEM_OUT_OF_MEMORY, nullptr};
    answers().push_back(kRetry);
    EXPECT_EQ(m.MemDefaultErrorHandler(&oom), 1);
    answers().push_back(kOk);
    EXPECT_EQ(m.MemDefaultErrorHandler(&oom), 0);
    EXPECT_EQ(m.MemDefaultErrorHandler(nullptr), 0);
}

TEST_F(ErrorTest, BoxThatCannotBeShownIsTriedSystemModal) {
    MemErrorRecord oom{MEM_OUT_OF_MEMORY, nullptr};
    answers() = {0, kRetry};
    EXPECT_EQ(m.MemDefaultErrorHandler(&oom), 1);
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[1].style, 0x1112u);
    boxes().clear();
    answers() = {0, 0};
    EXPECT_EQ(m.MemDefaultErrorHandler(&oom), 0);
    EXPECT_EQ(boxes().size(), 2u);
}

TEST_F(ErrorTest, OutOfMemoryRetriesWhileTheDefaultBoxSaysRetry) {
    m.MemSetErrorHandler(m.MemDefaultErrorHandler);
    MEMPOOL pool = m.MemPoolInit(0);
    m._bri_failSystemMemory(1);
    answers().push_back(kRetry);
    void* p = m.MemAllocPtr(pool, 5000, 0);
    EXPECT_NE(p, nullptr);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, kOutOfMemory);
    boxes().clear();
    m._bri_failSystemMemory(1000);
    answers() = {kRetry, kIgnore};
    EXPECT_EQ(m.MemAllocPtr(pool, 5000, 0), nullptr);
    EXPECT_EQ(boxes().size(), 2u);
    m._bri_failSystemMemory(0);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
}

TEST_F(ErrorTest, OutOfMemoryAtEachKindOfRequest) {
    // A pool header.
    m._bri_failSystemMemory(1);
    verdicts() = {1};
    MEMPOOL pool = m.MemPoolInit(0);
    EXPECT_NE(pool, nullptr);
    ASSERT_EQ(codes(), std::vector<std::uint32_t>{MEM_OUT_OF_MEMORY});
    EXPECT_EQ(errors()[0].pool, nullptr);
    clearErrors();
    m._bri_failSystemMemory(1);
    EXPECT_EQ(m.MemPoolInit(0), nullptr);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_OUT_OF_MEMORY});

    // A fixed-size page: smaller pages are tried before the error.
    clearErrors();
    m._bri_failSystemMemory(3); // 16 KB, 8 KB and 4 KB fail; 2 KB (one system page) is had
    EXPECT_NE(m.MemAllocFS(pool), nullptr);
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(m.MemPoolSize(pool), 4096u + 4096u);
    for (int i = 1; i < (4096 - 28) / 16; ++i) ASSERT_NE(m.MemAllocFS(pool), nullptr);
    m._bri_failSystemMemory(1000);
    verdicts() = {1, 0};
    EXPECT_EQ(m.MemAllocFS(pool), nullptr);
    EXPECT_EQ(codes(), (std::vector<std::uint32_t>{MEM_OUT_OF_MEMORY, MEM_OUT_OF_MEMORY}));
    EXPECT_EQ(errors()[0].pool, pool);

    // A handle slot block.
    clearErrors();
    verdicts() = {0};
    EXPECT_EQ(m.MemAlloc(pool, ALLOC_MOVEABLE, 10), nullptr);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_OUT_OF_MEMORY});

    // A handler that makes room gets its retry.
    clearErrors();
    onError() = [&](MemErrorRecord* r) {
        if (r->code != MEM_OUT_OF_MEMORY) return 0;
        m._bri_failSystemMemory(0);
        return 1;
    };
    MEMHANDLE h = m.MemAlloc(pool, ALLOC_MOVEABLE, 10);
    EXPECT_NE(h, nullptr);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_OUT_OF_MEMORY});
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
}

TEST_F(ErrorTest, InstallingHandlers) {
    static int notCode = 0;
    EXPECT_EQ(m.MemSetErrorHandler(reinterpret_cast<MemErrorHandler>(&notCode)), nullptr);
    int onStack = 0;
    EXPECT_EQ(m.MemSetErrorHandler(reinterpret_cast<MemErrorHandler>(&onStack)), nullptr);
    // The recording handler stayed.
    EXPECT_EQ(m.MemAllocPtr(m.MemPoolInit(0), 0, 0), nullptr);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_ALLOC_ZERO});
    // No handler: errors fail at once, silently.
    EXPECT_EQ(m.MemSetErrorHandler(nullptr), &recordingHandler);
    clearErrors();
    m.MemSetErrorHandler(nullptr);
    EXPECT_EQ(m.MemAllocPtr(m.MemPoolInit(0), 0, 0), nullptr);
    m._bri_failSystemMemory(1);
    EXPECT_EQ(m.MemPoolInit(0), nullptr); // no retry without a handler
    EXPECT_TRUE(errors().empty());
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(m.MemSetErrorHandler(recordingHandler), nullptr);
    PoolInfoRecord info{};
    m.MemPoolInfo(m.MemPoolInit(0), nullptr, &info);
    EXPECT_EQ(info.handler, &recordingHandler);
}

#if defined(__x86_64__)
TEST_F(ErrorTest, HandlerThatIsNoLongerCodeIsReplacedByTheDefault) {
    // A handler in a page of its own: xor eax, eax; ret.
    auto* code = static_cast<unsigned char*>(
        mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(code, MAP_FAILED);
    code[0] = 0x31;
    code[1] = 0xC0;
    code[2] = 0xC3;
    if (mprotect(code, 4096, PROT_READ | PROT_EXEC) != 0) GTEST_SKIP() << "no executable mappings here";
    auto handler = reinterpret_cast<MemErrorHandler>(code);
    EXPECT_EQ(m.MemSetErrorHandler(handler), &recordingHandler);
    MEMPOOL pool = m.MemPoolInit(0);
    EXPECT_EQ(m.MemAllocPtr(pool, 0, 0), nullptr);
    EXPECT_TRUE(boxes().empty()); // it ran and said no
    mprotect(code, 4096, PROT_READ);
    EXPECT_EQ(m.MemAllocPtr(pool, 0, 0), nullptr);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "MEM_ALLOC_ZERO");
    EXPECT_EQ(m.MemSetErrorHandler(recordingHandler), m.MemDefaultErrorHandler);
    munmap(code, 4096);
}
#endif

TEST_F(ErrorTest, ErrorInsideTheHandlerIsNotHandledAgain) {
    MEMPOOL pool = m.MemPoolInit(0);
    void* inner = reinterpret_cast<void*>(1);
    onError() = [&](MemErrorRecord* r) {
        if (r->code == MEM_BAD_POINTER) inner = m.MemAllocPtr(pool, 0, 0);
        return 0;
    };
    int local = 0;
    EXPECT_EQ(m.MemFreePtr(&local), 0);
    EXPECT_EQ(inner, nullptr);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_BAD_POINTER}); // one call only
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, kReentered);
    EXPECT_EQ(boxes()[0].style, kPlainStyle);
    // Nothing is left over: the next error reaches the handler.
    onError() = nullptr;
    clearErrors();
    m.MemAllocPtr(pool, 0, 0);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_ALLOC_ZERO});
    EXPECT_EQ(boxes().size(), 1u);
}

TEST_F(ErrorTest, HandlerThatUnwindsItsNestingIsCalledAgain) {
    MEMPOOL pool = m.MemPoolInit(0);
    int depth = 0;
    onError() = [&](MemErrorRecord*) {
        if (++depth == 1) {
            m.MemErrorUnwind(); // as a handler about to leave by a jump would
            m.MemAllocPtr(pool, 0, 0);
        }
        return 0;
    };
    m.MemAllocPtr(pool, 0, 0);
    EXPECT_EQ(depth, 2);
    EXPECT_TRUE(boxes().empty());
    m.MemErrorUnwind(); // with no error in progress: nothing
    onError() = nullptr;
    clearErrors();
    m.MemAllocPtr(pool, 0, 0);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_ALLOC_ZERO});
}

TEST_F(ErrorTest, HandlerThatThrowsLeavesTheLibrarySound) {
    MEMPOOL pool = m.MemPoolInit(POOL_SERIALIZED);
    void* keep = m.MemAllocPtr(pool, 100, 0);
    m.MemPoolSetCeiling(pool, m.MemPoolSize(pool));
    onError() = [](MemErrorRecord*) -> int { throw std::runtime_error("handler gives up"); };
    EXPECT_THROW(m.MemAllocPtr(pool, 20000, 0), std::runtime_error);
    onError() = nullptr;
    // The pool's lock was given back: another thread can use the pool.
    std::thread other([&] { EXPECT_EQ(m.MemFreePtr(keep), 1); });
    other.join();
    clearErrors();
    m.MemAllocPtr(pool, 0, 0);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_ALLOC_ZERO});
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
}

TEST_F(ErrorTest, HandlerMayUseTheFailingSerialisedPool) {
    MEMPOOL pool = m.MemPoolInit(POOL_SERIALIZED);
    std::vector<void*> blocks;
    for (int i = 0; i < 10; ++i) blocks.push_back(m.MemAllocPtr(pool, 1000, 0));
    m.MemPoolSetCeiling(pool, m.MemPoolSize(pool));
    int calls = 0;
    onError() = [&](MemErrorRecord* r) {
        EXPECT_EQ(r->pool, pool);
        ++calls;
        // From this thread, and from another one while this one waits in the handler.
        EXPECT_EQ(m.MemFreePtr(blocks[0]), 1);
        std::thread other([&] {
            void* p = m.MemAllocPtr(pool, 500, 0);
            EXPECT_NE(p, nullptr);
            EXPECT_EQ(m.MemFreePtr(p), 1);
            EXPECT_EQ(m.MemFreePtr(blocks[1]), 1);
        });
        other.join();
        return 0;
    };
    EXPECT_EQ(m.MemAllocPtr(pool, 20000, 0), nullptr);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_EXCEEDED_CEILING});
    EXPECT_EQ(m.MemPoolCount(pool), 8u);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);

    // Out of memory in the same pool: the handler makes room from another thread and retries.
    m.MemPoolSetCeiling(pool, 0xFFFFFFFF);
    clearErrors();
    m._bri_failSystemMemory(1000);
    onError() = [&](MemErrorRecord* r) {
        std::thread other([&] {
            EXPECT_EQ(m.MemFreePtr(blocks[2]), 1);
            m._bri_failSystemMemory(0);
        });
        other.join();
        return r->code == MEM_OUT_OF_MEMORY ? 1 : 0;
    };
    void* big = m.MemAllocPtr(pool, 30000, 0);
    EXPECT_NE(big, nullptr);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_OUT_OF_MEMORY});
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
}

TEST_F(ErrorTest, NoMoreThan25ThreadsInTheHandlerAtOnce) {
    static std::mutex mutex;
    static std::condition_variable cv;
    static int inside = 0;
    static bool release = false;
    inside = 0;
    release = false;
    struct Local {
        static std::int32_t handler(MemErrorRecord*) {
            std::unique_lock<std::mutex> lock(mutex);
            ++inside;
            cv.notify_all();
            cv.wait_for(lock, std::chrono::seconds(10), [] { return release; });
            return 0;
        }
    };
    m.MemSetErrorHandler(Local::handler);
    auto fail = [&] { m.MemFreePtr(nullptr); };
    std::vector<std::thread> threads;
    for (int i = 0; i < 25; ++i) threads.emplace_back(fail);
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(10), [] { return inside == 25; }));
    }
    std::thread extra(fail);
    extra.join(); // it did not wait in the handler
    {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(inside, 25);
        release = true;
    }
    cv.notify_all();
    for (auto& t : threads) t.join();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, kTooManyThreads);
    // The table emptied again.
    m.MemSetErrorHandler(recordingHandler);
    m.MemFreePtr(nullptr);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_BAD_POINTER});
}

using ErrorDeathTest = ErrorTest;

// Shows five boxes without a presenter and ends the process with 0 when each was answered as
// the script says.
[[noreturn]] void answerFromTheScript(const Api& m) {
    m._bri_setMessageBoxPresenter(nullptr);
    setenv("BRM22W32_MSGBOX", "retry,bogus,IGNORE,4", 1);
    MemErrorRecord oom{MEM_OUT_OF_MEMORY, nullptr};
    MemErrorRecord bad{MEM_BAD_HANDLE, nullptr};
    const int answers[] = {
        m.MemDefaultErrorHandler(&oom), // retry
        m.MemDefaultErrorHandler(&oom), // ignore ("bogus" is skipped)
        m.MemDefaultErrorHandler(&oom), // 4: retry
        m.MemDefaultErrorHandler(&oom), // used up: ignore
        m.MemDefaultErrorHandler(&bad), // used up: OK
    };
    const int expected[] = {1, 0, 1, 0, 0};
    std::_Exit(std::equal(std::begin(answers), std::end(answers), std::begin(expected)) ? 0 : 1);
}

TEST_F(ErrorDeathTest, WithoutAPresenterBoxesGoToStderrAndTakeScriptedAnswers) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // In a process of its own, since the script is read once.
    EXPECT_EXIT(answerFromTheScript(m), ::testing::ExitedWithCode(0),
                "\\[Bramble Library\\] Out of memory.  Please free some memory, then choose retry.");
}

TEST_F(ErrorDeathTest, AbortAndCancelEndTheProgramWithCode3) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            m.MemSetErrorHandler(m.MemDefaultErrorHandler);
            answers().push_back(kAbort);
            m._bri_failSystemMemory(1);
            m.MemPoolInit(0);
        },
        ::testing::ExitedWithCode(3), "abnormal program termination");
    EXPECT_EXIT(
        {
            m.MemSetErrorHandler(m.MemDefaultErrorHandler);
            answers().push_back(kCancel);
            m.MemAllocPtr(m.MemPoolInit(0), 0, 0);
        },
        ::testing::ExitedWithCode(3), "");
}

} // namespace
} // namespace memlib_test
