#pragma once
// What the memory tests share: a recording error handler and a fixture that gives each test a
// fresh pool and checks it is sound at the end.
#include "memory/pool.h"
#include "memory/pool_internal.h"
#include "platform/msgbox.h"
#include "platform/virtual_memory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace memtest {

struct Reported {
    std::uint32_t code;
    MEMPOOL pool;
};

// Records every report; answers with `answer` (0 = give up) unless a script says otherwise.
class ErrorRecorder {
public:
    ErrorRecorder() { previous_ = MemSetErrorHandler(&ErrorRecorder::handle); }
    ~ErrorRecorder() { MemSetErrorHandler(previous_); }
    ErrorRecorder(const ErrorRecorder&) = delete;
    ErrorRecorder& operator=(const ErrorRecorder&) = delete;

    static std::vector<Reported> reports() {
        std::lock_guard<std::mutex> g(lock());
        return log();
    }
    static std::vector<std::uint32_t> codes() {
        std::vector<std::uint32_t> out;
        for (const auto& r : reports()) out.push_back(r.code);
        return out;
    }
    static void clear() {
        std::lock_guard<std::mutex> g(lock());
        log().clear();
    }
    static std::atomic<std::uint32_t>& answer() {
        static std::atomic<std::uint32_t> a{0};
        return a;
    }

private:
    static std::uint32_t handle(MemErrorInfo* info) {
        {
            std::lock_guard<std::mutex> g(lock());
            log().push_back({info->errorCode, info->pool});
        }
        return answer().load();
    }
    static std::mutex& lock() {
        static std::mutex m;
        return m;
    }
    static std::vector<Reported>& log() {
        static std::vector<Reported> l;
        return l;
    }
    MemErrorHandler previous_;
};

inline std::string checkPool(MEMPOOL pool) {
    char why[256];
    return MemPoolCheck(pool, why, sizeof why) ? std::string() : std::string(why);
}

inline MemPoolHeader* header(MEMPOOL pool) { return pool; }
inline bramble::PageHeader* pageOf(const void* block) { return bramble::PageOf(block); }
inline unsigned pageType(const void* block) { return bramble::PageTypeOf(pageOf(block)); }

// A fresh pool per test, with reports recorded; the pool must check clean at the end.
class PoolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ErrorRecorder::clear();
        ErrorRecorder::answer() = 0;
        platform::ClearMessageBoxAnswers();
        platform::ClearShownMessageBoxes();
        platform::FailNextMemoryRequests(0);
        pool = MemPoolInit(0);
        ASSERT_NE(pool, nullptr);
    }
    void TearDown() override {
        if (pool) {
            EXPECT_EQ(checkPool(pool), "");
            EXPECT_EQ(MemPoolFree(pool), 1);
        }
        platform::FailNextMemoryRequests(0);
        platform::ClearMessageBoxAnswers();
    }

    ErrorRecorder recorder;
    MEMPOOL pool = nullptr;
};

} // namespace memtest
