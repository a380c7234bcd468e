// The bus against the obvious alternative, in one run: a synchronous send to 1, 10 and 100
// callbacks against a loop of std::function calls doing the same work, and a post plus drain of
// 10,000 tasks against a deque of std::function. Ratios are printed per receiver at the end; the
// goal for a send is at most 3 times a plain std::function call.
#include "core/basic_app.h"
#include "core/bus.h"
#include "platform/clock.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Counter : Component {
    long hits = 0;
    static ContainerBase* Hit(Component* c, BusMessage, ContainerBase*) {
        ++static_cast<Counter*>(c)->hits;
        return nullptr;
    }
};

void SendToCallbacks(benchmark::State& state) {
    Bus bus;
    std::vector<std::unique_ptr<Counter>> receivers;
    for (int i = 0; i < state.range(0); ++i) {
        receivers.push_back(std::make_unique<Counter>());
        receivers.back()->AttachToBus(&bus);
        receivers.back()->RegisterHandler(LOGICAL_COMMAND, Counter::Hit);
    }
    Counter sender;
    sender.AttachToBus(&bus);
    Container<short> payload(1);
    for (auto _ : state) {
        ContainerBase* r = sender.Send(LOGICAL_COMMAND, &payload);
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void StdFunctionLoop(benchmark::State& state) {
    std::vector<std::unique_ptr<Counter>> receivers;
    std::vector<std::function<ContainerBase*(BusMessage, ContainerBase*)>> calls;
    for (int i = 0; i < state.range(0); ++i) {
        receivers.push_back(std::make_unique<Counter>());
        Counter* c = receivers.back().get();
        calls.emplace_back([c](BusMessage e, ContainerBase* p) { return Counter::Hit(c, e, p); });
    }
    Container<short> payload(1);
    for (auto _ : state) {
        ContainerBase* last = nullptr;
        for (auto& f : calls) {
            if (ContainerBase* r = f(BusMessage(LOGICAL_COMMAND), &payload)) last = r;
        }
        benchmark::DoNotOptimize(last);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

constexpr int kTasks = 10000;

void PostAndDrain(benchmark::State& state) {
    platform::UseVirtualClock(0);
    BasicApp app;
    Counter receiver, starter;
    receiver.AttachToBus(&app);
    starter.AttachToBus(&app);
    receiver.RegisterNamedHandler("Work", Counter::Hit);
    // Posts made while a task runs are queued and run in the same drain.
    starter.RegisterNamedHandler("Start", [](Component* c, BusMessage, ContainerBase*) -> ContainerBase* {
        Container<short> payload(1);
        for (int i = 0; i < kTasks; ++i) c->PostNamed("Work", &payload);
        return nullptr;
    });
    for (auto _ : state) starter.PostNamedEvent("Start");
    benchmark::DoNotOptimize(receiver.hits);
    state.SetItemsProcessed(state.iterations() * kTasks);
}

void FunctionDeque(benchmark::State& state) {
    Counter receiver;
    for (auto _ : state) {
        std::deque<std::function<ContainerBase*()>> queue;
        for (int i = 0; i < kTasks; ++i) {
            auto payload = std::make_shared<Container<short>>(1); // a copy per task, as the bus makes
            queue.emplace_back([&receiver, payload] { return Counter::Hit(&receiver, BusMessage(), payload.get()); });
        }
        while (!queue.empty()) {
            delete queue.front()();
            queue.pop_front();
        }
    }
    benchmark::DoNotOptimize(receiver.hits);
    state.SetItemsProcessed(state.iterations() * kTasks);
}

// Repeated pairs; the ratios are printed from the fastest and from the median repetitions.
BENCHMARK(SendToCallbacks)->Arg(1)->Arg(10)->Arg(100)->Repetitions(5);
BENCHMARK(StdFunctionLoop)->Arg(1)->Arg(10)->Arg(100)->Repetitions(5);
BENCHMARK(PostAndDrain)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(FunctionDeque)->Unit(benchmark::kMicrosecond)->Repetitions(5);

// Keeps every repetition's time per item so that the pairs can be compared at the end, by the
// fastest repetition of each side (the figure least disturbed by whatever else the machine is
// doing) and by the medians.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.iterations == 0) continue;
            const auto& n = r.run_name;
            std::string name = n.function_name + (n.args.empty() ? "" : "/" + n.args);
            perItem[name].push_back(r.GetAdjustedRealTime() /
                                    static_cast<double>(n.args.empty() ? kTasks : std::stol(n.args)));
        }
    }
    void PrintRatios() const {
        std::printf("\nPer receiver, bus / plain std::function (best, median):\n");
        for (const char* n : {"1", "10", "100"}) {
            auto bus = perItem.find(std::string("SendToCallbacks/") + n);
            auto plain = perItem.find(std::string("StdFunctionLoop/") + n);
            if (bus == perItem.end() || plain == perItem.end()) continue;
            std::printf("  send to %3s callbacks: %.2fx %.2fx (goal: at most 3x)\n", n,
                        best(bus->second) / best(plain->second), median(bus->second) / median(plain->second));
        }
        auto post = perItem.find("PostAndDrain");
        auto deque = perItem.find("FunctionDeque");
        if (post != perItem.end() && deque != perItem.end()) {
            std::printf("  post and drain of %d tasks: %.2fx %.2fx\n", kTasks, best(post->second) / best(deque->second),
                        median(post->second) / median(deque->second));
        }
    }

private:
    static double best(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }
    static double median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        const std::size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }

    std::map<std::string, std::vector<double>> perItem;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
