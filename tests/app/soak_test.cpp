// A simulated day of the widget left alone: 288 refreshes five minutes apart on the headless
// clock, against a feed that moves on with every answer, with the idle trims between them. The
// day must end with what the widget held after its first hours: no descriptor, thread or
// helper process more, and no more than a megabyte more anonymous resident memory. A test of
// flatness, not of time; bench/soak_bench.cpp prints the figures for a month.
#include "soak_run.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <malloc.h>

namespace {

TEST(Soak, ADayOfRefreshesEndsWithTheFootprintItHadAfterTheFirstHours) {
    soak::TSoakRun run;
    ASSERT_TRUE(run.Start(MP_FEEDSERVER));
    constexpr int CyclesPerDay = 24 * 60 / 5, WarmUp = 48;
    // Memory is read as the least of the last 24 readings of each stretch: a worker's
    // memory still in flight is a passing peak, a leak raises the floor.
    constexpr int Window = 24;
    soak::TFootprint settled;
    long settledKb = 0, endKb = 0;
    std::string warmList;
    for (int cycle = 1; cycle <= CyclesPerDay; ++cycle) {
        ASSERT_EQ(run.OneRefresh(), "") << "cycle " << cycle;
        const bool early = cycle > WarmUp - Window && cycle <= WarmUp;
        const bool late = cycle > CyclesPerDay - Window;
        if (early || late) {
            // Freed blocks the idle trim has not handed back yet are not held memory.
            malloc_trim(0);
            const long kb = soak::Measure().AnonymousKb;
            long& floor = early ? settledKb : endKb;
            floor = floor == 0 ? kb : std::min(floor, kb);
        }
        if (cycle == WarmUp) {
            settled = soak::Measure();
            warmList = run.NewsDocument();
        }
    }
    const soak::TFootprint end = soak::Measure();
    // The feed did move on: the day ended on other stories than the warm-up did.
    EXPECT_NE(run.NewsDocument(), warmList);
    EXPECT_GE(run.Items(), 30u);

    EXPECT_EQ(end.Descriptors, settled.Descriptors);
    EXPECT_EQ(end.Threads, settled.Threads);
    EXPECT_EQ(end.Children, 1) << "the feed server alone; every fetch helper waited for";
#if !defined(__SANITIZE_ADDRESS__)
    // Under the address sanitizer its own bookkeeping grows; memory figures mean nothing there.
    EXPECT_LE(endKb - settledKb, 1024) << settledKb << " kB after " << WarmUp << " cycles, "
                                       << endKb << " kB after " << CyclesPerDay;
#endif
}

} // namespace
