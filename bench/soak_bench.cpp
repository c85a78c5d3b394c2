// A month of the widget left alone (MP_SOAK_DAYS, 30 by default), on the headless clock
// against the demo feed server: resident memory, descriptors and threads after the first day
// and after the last, and their growth. tests/app/soak_test.cpp holds a day to these.
#include <benchmark/benchmark.h>

#include "tests/app/soak_run.h"

namespace {

void BM_SoakMonth(benchmark::State& state) {
    const char* text = std::getenv("MP_SOAK_DAYS");
    const int days = text && std::atoi(text) > 0 ? std::atoi(text) : 30;
    constexpr int CyclesPerDay = 24 * 60 / 5;
    for (auto _ : state) {
        soak::TSoakRun run;
        if (!run.Start(MP_FEEDSERVER)) {
            state.SkipWithError("the feed server or the window did not start");
            return;
        }
        soak::TFootprint first;
        for (int cycle = 1; cycle <= days * CyclesPerDay; ++cycle) {
            if (const std::string failed = run.OneRefresh(); !failed.empty()) {
                state.SkipWithError(failed.c_str());
                return;
            }
            if (cycle == CyclesPerDay)
                first = soak::Measure();
        }
        const soak::TFootprint last = soak::Measure();
        state.counters["days"] = days;
        state.counters["rss_day1_kB"] = static_cast<double>(first.ResidentKb);
        state.counters["rss_last_kB"] = static_cast<double>(last.ResidentKb);
        state.counters["rss_growth_kB"] = static_cast<double>(last.ResidentKb - first.ResidentKb);
        state.counters["anon_growth_kB"] =
            static_cast<double>(last.AnonymousKb - first.AnonymousKb);
        state.counters["fds_day1"] = first.Descriptors;
        state.counters["fds_growth"] = last.Descriptors - first.Descriptors;
        state.counters["threads_growth"] = last.Threads - first.Threads;
        state.counters["children_left"] = last.Children - 1;
    }
}
BENCHMARK(BM_SoakMonth)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
