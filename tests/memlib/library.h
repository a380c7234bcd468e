#pragma once
// The library as a test sees it: loaded with dlopen, every entry point found with dlsym, an error
// handler that records what it is told, and a presenter that records message boxes.
#include "memlib/brm22w32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace memlib_test {

struct Api {
#define VH_MEMLIB_ENTRY(name) decltype(&::name) name;
#include "tests/memlib/entries.inc"
#undef VH_MEMLIB_ENTRY
};

// Loads the library on first use; fails the test when an entry point is missing.
const Api& api();
// The names looked up, for the test that checks every one of them is there.
const std::vector<std::string>& entryNames();
void* libraryHandle();

struct Reported {
    std::uint32_t code;
    MEMPOOL pool;
};

struct Box {
    std::string text;
    std::string caption;
    std::uint32_t style;
};

// Installs the recording handler and presenter, and leaves the library as it found it: no pool,
// no task, the default handler.
class MemlibTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const Api& m = api();

    // Errors reported since the last clear, and the codes alone.
    static std::vector<Reported>& errors();
    static std::vector<std::uint32_t> codes();
    static void clearErrors();
    // Verdicts the handler returns, in order; 0 when none is queued. `onError` runs first when set
    // and its result is the verdict.
    static std::deque<int>& verdicts();
    static std::function<int(MemErrorRecord*)>& onError();
    static std::int32_t recordingHandler(MemErrorRecord* record);

    // Message boxes shown since SetUp, and the answers to give (else the answer that gives up).
    static std::vector<Box>& boxes();
    static std::deque<int>& answers();
    static std::int32_t recordingPresenter(const char* text, const char* caption, std::uint32_t style);
};

// Fills a block with a pattern that names it, and tells whether it still holds it.
void fill(void* block, std::size_t size, std::uint32_t seed);
bool holds(const void* block, std::size_t size, std::uint32_t seed);

// Counts the entries of a walk, or -2 on damage.
struct WalkSummary {
    int entries = 0;
    int inUse = 0;
    int result = 0;
};
WalkSummary walkAll(MEMPOOL pool);

} // namespace memlib_test
