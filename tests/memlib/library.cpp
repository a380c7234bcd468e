#include "tests/memlib/library.h"

#include <dlfcn.h>

#include <cstring>

namespace memlib_test {
namespace {

struct Loaded {
    void* handle = nullptr;
    Api api{};
    std::vector<std::string> names;
    std::string failure;
};

Loaded load() {
    Loaded l;
    l.handle = dlopen(BRM22W32_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!l.handle) {
        l.failure = dlerror();
        return l;
    }
#define VH_MEMLIB_ENTRY(name)                                                                 \
    l.names.push_back(#name);                                                                 \
    l.api.name = reinterpret_cast<decltype(&::name)>(dlsym(l.handle, #name));                 \
    if (!l.api.name) l.failure += std::string(" missing ") + #name;
#include "tests/memlib/entries.inc"
#undef VH_MEMLIB_ENTRY
    return l;
}

Loaded& loaded() {
    static Loaded l = load();
    return l;
}

} // namespace

const Api& api() {
    const Loaded& l = loaded();
    if (!l.failure.empty()) ADD_FAILURE() << "loading " << BRM22W32_PATH << ":" << l.failure;
    return l.api;
}

const std::vector<std::string>& entryNames() { return loaded().names; }
void* libraryHandle() { return loaded().handle; }

void MemlibTest::SetUp() {
    clearErrors();
    verdicts().clear();
    onError() = nullptr;
    boxes().clear();
    answers().clear();
    ASSERT_NE(m.MemPoolInit, nullptr);
    m._bri_setMessageBoxPresenter(recordingPresenter);
    m.MemSetErrorHandler(recordingHandler);
}

void MemlibTest::TearDown() {
    m._bri_failSystemMemory(0);
    m.MemSetErrorHandler(m.MemDefaultErrorHandler);
    // Brings the task count to 0, which frees every pool left.
    for (int i = 0; i < 8; ++i) m.MemUnregisterTask();
    m._bri_setMessageBoxPresenter(nullptr);
    onError() = nullptr;
}

std::vector<Reported>& MemlibTest::errors() {
    static std::vector<Reported> e;
    return e;
}

std::vector<std::uint32_t> MemlibTest::codes() {
    std::vector<std::uint32_t> c;
    for (const auto& e : errors()) c.push_back(e.code);
    return c;
}

void MemlibTest::clearErrors() { errors().clear(); }

std::deque<int>& MemlibTest::verdicts() {
    static std::deque<int> v;
    return v;
}

std::function<int(MemErrorRecord*)>& MemlibTest::onError() {
    static std::function<int(MemErrorRecord*)> f;
    return f;
}

std::int32_t MemlibTest::recordingHandler(MemErrorRecord* record) {
    errors().push_back({record->code, record->pool});
    if (onError()) return onError()(record);
    if (verdicts().empty()) return 0;
    const int v = verdicts().front();
    verdicts().pop_front();
    return v;
}

std::vector<Box>& MemlibTest::boxes() {
    static std::vector<Box> b;
    return b;
}

std::deque<int>& MemlibTest::answers() {
    static std::deque<int> a;
    return a;
}

std::int32_t MemlibTest::recordingPresenter(const char* text, const char* caption, std::uint32_t style) {
    boxes().push_back({text, caption, style});
    if (!answers().empty()) {
        const int a = answers().front();
        answers().pop_front();
        return a;
    }
    return (style & 0xF) == 2 ? 5 : 1; // Ignore, or OK
}

void fill(void* block, std::size_t size, std::uint32_t seed) {
    auto* p = static_cast<unsigned char*>(block);
    for (std::size_t i = 0; i < size; ++i) p[i] = static_cast<unsigned char>(seed * 131 + i * 7 + (i >> 8));
}

bool holds(const void* block, std::size_t size, std::uint32_t seed) {
    const auto* p = static_cast<const unsigned char*>(block);
    for (std::size_t i = 0; i < size; ++i)
        if (p[i] != static_cast<unsigned char>(seed * 131 + i * 7 + (i >> 8))) return false;
    return true;
}

WalkSummary walkAll(MEMPOOL pool) {
    WalkSummary s;
    PoolWalkRecord w{};
    for (int guard = 0; guard < 1000000; ++guard) {
        const int r = api().MemPoolWalk(pool, &w);
        if (r != 1) {
            s.result = r;
            return s;
        }
        ++s.entries;
        s.inUse += w.inUse ? 1 : 0;
    }
    s.result = -3;
    return s;
}

} // namespace memlib_test
