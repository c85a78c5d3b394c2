#include "wm_fixture.h"

#include "platform/wm/service_hooks.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

using namespace wmtest;

namespace {

std::vector<UINT> Drain() {
    std::vector<UINT> got;
    TMsg msg;
    while (PeekMessage(&msg, 0, 0, 0, PM_REMOVE)) {
        got.push_back(msg.message);
        if (msg.message == WM_QUIT)
            break;
        DispatchMessage(&msg);
    }
    return got;
}

TEST_F(WmTest, PostedMessagesArriveInOrderAndSentOnesAtOnce) {
    const HWND hwnd = QuietTop();
    Clear();
    EXPECT_TRUE(PostMessage(hwnd, WM_USER + 1, 1, 2));
    EXPECT_TRUE(PostMessage(hwnd, WM_USER + 2, 0, 0));
    EXPECT_TRUE(PostMessage(0, WM_USER + 3, 0, 0)); // to the thread itself
    SendMessage(hwnd, WM_USER + 4, 0, 0);
    EXPECT_EQ(MessagesOf(hwnd), (std::vector<UINT>{WM_USER + 4}));
    TMsg peeked;
    ASSERT_TRUE(PeekMessage(&peeked, 0, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(peeked.message, WM_USER + 1);
    EXPECT_EQ(peeked.wParam, 1u);
    EXPECT_EQ(Drain(), (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 3}));
    EXPECT_EQ(MessagesOf(hwnd), (std::vector<UINT>{WM_USER + 4, WM_USER + 1, WM_USER + 2}));
}

TEST_F(WmTest, PostsToDeadWindowsAreDropped) {
    const HWND hwnd = Top(0, 0, 10, 10), other = Top(0, 0, 10, 10);
    ASSERT_TRUE(PostMessage(hwnd, WM_USER, 0, 0));
    ASSERT_TRUE(PostMessage(other, WM_USER, 0, 0));
    DestroyWindow(hwnd);
    EXPECT_FALSE(PostMessage(hwnd, WM_USER, 0, 0));
    Drain();
    EXPECT_EQ(Count(hwnd, WM_USER), 0);
    EXPECT_EQ(Count(other, WM_USER), 1);

    // Its timers die with it.
    SetTimer(other, 5, 100);
    DestroyWindow(other);
    Screen->Advance(1000);
    EXPECT_EQ(Drain(), std::vector<UINT>{});
}

TEST_F(WmTest, FiltersPickMatchingMessagesAndLeaveTheRest) {
    const HWND a = Top(0, 0, 10, 10), b = Top(0, 0, 10, 10);
    Drain();
    PostMessage(a, WM_USER + 1, 0, 0);
    PostMessage(b, WM_USER + 2, 0, 0);
    PostMessage(a, WM_USER + 3, 0, 0);
    TMsg msg;
    ASSERT_TRUE(PeekMessage(&msg, b, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 2);
    ASSERT_TRUE(PeekMessage(&msg, 0, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, a);
    EXPECT_EQ(Drain(), (std::vector<UINT>{WM_USER + 1}));
}

TEST_F(WmTest, QuitEndsGetMessageAfterWhatWasPostedBefore) {
    const HWND hwnd = QuietTop();
    PostMessage(hwnd, WM_USER, 0, 0);
    PostQuitMessage(3);
    TMsg msg;
    ASSERT_TRUE(GetMessage(&msg, 0, 0, 0));
    EXPECT_EQ(msg.message, WM_USER);
    EXPECT_FALSE(GetMessage(&msg, 0, 0, 0));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
    // Serving what is pending leaves the quit message for the loop.
    PostQuitMessage(0);
    PostMessage(0, WM_USER, 0, 0);
    EXPECT_EQ(ProcessPendingMessages(), 1);
    EXPECT_FALSE(GetMessage(&msg, 0, 0, 0));
}

TEST_F(WmTest, TimerTicksOnlyAfterItsIntervalAndNeverPilesUp) {
    const HWND hwnd = QuietTop();
    ASSERT_EQ(SetTimer(hwnd, 1003, 300000), 1003u);
    Screen->Advance(299999);
    EXPECT_EQ(Drain(), std::vector<UINT>{});
    Screen->Advance(1);
    EXPECT_EQ(Drain(), std::vector<UINT>{WM_TIMER});
    // Ten intervals without serving the queue still give one tick.
    Screen->Advance(3000000);
    EXPECT_EQ(Drain(), std::vector<UINT>{WM_TIMER});
    for (const auto& e : Entries({WM_TIMER}))
        EXPECT_EQ(e.WParam, 1003u);
    // Setting it again starts a fresh interval.
    Screen->Advance(200000);
    SetTimer(hwnd, 1003, 300000);
    Screen->Advance(200000);
    EXPECT_EQ(Drain(), std::vector<UINT>{});
    ASSERT_TRUE(KillTimer(hwnd, 1003));
    EXPECT_FALSE(KillTimer(hwnd, 1003));
    Screen->Advance(1000000);
    EXPECT_EQ(Drain(), std::vector<UINT>{});
    EXPECT_EQ(SetTimer(hwnd + 12345, 1, 10), 0u) << "no timer for a dead window";
}

TEST_F(WmTest, TicksWaitWhileOtherMessagesAreQueued) {
    const HWND hwnd = QuietTop();
    SetTimer(hwnd, 1, 50);
    Screen->Advance(50);
    PostMessage(hwnd, WM_USER, 0, 0);
    EXPECT_EQ(Drain(), (std::vector<UINT>{WM_USER, WM_TIMER}));
}

TEST_F(WmTest, GetMessageSkipsTheClockAheadToTheNextTimer) {
    const HWND hwnd = QuietTop();
    SetTimer(hwnd, 1, 300000);
    const DWORD before = GetTickCount();
    TMsg msg;
    ASSERT_TRUE(GetMessage(&msg, 0, 0, 0));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(GetTickCount() - before, 300000u);
    Sleep(25);
    EXPECT_EQ(GetTickCount() - before, 300025u);
}

TEST_F(WmTest, PostFromAnotherThreadWakesABlockedGetMessage) {
    const HWND hwnd = QuietTop();
    std::atomic<bool> waiting{false};
    std::thread worker([&] {
        while (!waiting.load())
            std::this_thread::yield();
        // The window thread may or may not be inside the wait yet; either way it must wake.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        PostMessage(hwnd, WM_USER + 47, 42, 0);
    });
    waiting.store(true);
    TMsg msg;
    ASSERT_TRUE(GetMessage(&msg, 0, 0, 0));
    worker.join();
    EXPECT_EQ(msg.message, WM_USER + 47);
    EXPECT_EQ(msg.wParam, 42u);
}

TEST_F(WmTest, ManyThreadsPostingLoseNothing) {
    const HWND hwnd = QuietTop();
    Clear();
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([hwnd] {
            for (int i = 0; i < 250; ++i)
                PostMessage(hwnd, WM_USER, 0, 0);
        });
    int received = 0;
    TMsg msg;
    while (received < 1000 && GetMessage(&msg, 0, 0, 0)) {
        DispatchMessage(&msg);
        ++received;
    }
    for (auto& w : workers)
        w.join();
    EXPECT_EQ(Count(hwnd, WM_USER), 1000);
}

TEST_F(WmTest, EndOfSessionAsksEveryWindowThenTellsTheOutcome) {
    const HWND a = Top(0, 0, 10, 10), b = Top(0, 0, 10, 10);
    Answer(b, WM_QUERYENDSESSION, 0);
    Screen->EndSession();
    Pump();
    for (const auto& e : Entries({WM_ENDSESSION}))
        EXPECT_EQ(e.WParam, 0u) << "one window refused";
    EXPECT_EQ(Count(a, WM_ENDSESSION), 1);
    EXPECT_EQ(Count(b, WM_ENDSESSION), 1);
}

// A service on the window thread that watches one descriptor, and may ask to run again after a
// real time-out; each run posts what it saw to its window.
class TPipeSource : public TWaitSource {
public:
    explicit TPipeSource(HWND Window) : FWindow(Window) { EXPECT_EQ(pipe(FPipe), 0); }
    ~TPipeSource() override {
        close(FPipe[0]);
        close(FPipe[1]);
    }
    int Prepare(std::vector<TWaitFd>& fds) override {
        fds.push_back(TWaitFd{FPipe[0], POLLIN, 0});
        ++Prepared;
        if (Timeout < 0)
            return -1;
        const auto now = std::chrono::steady_clock::now();
        if (!FDue)
            FDue = now + std::chrono::milliseconds(Timeout);
        return static_cast<int>(std::max<long long>(
            0, std::chrono::duration_cast<std::chrono::milliseconds>(*FDue - now).count()));
    }
    void Dispatch(const TWaitFd* fds, std::size_t count) override {
        ASSERT_EQ(count, 1u);
        ++Dispatched;
        if (fds[0].Ready & POLLIN) {
            char c = 0;
            ASSERT_EQ(read(FPipe[0], &c, 1), 1);
            PostMessage(FWindow, WM_USER + 1, static_cast<WPARAM>(c), 0);
        } else if (FDue && std::chrono::steady_clock::now() >= *FDue) {
            Timeout = -1;
            FDue.reset();
            PostMessage(FWindow, WM_USER + 2, 0, 0);
        }
    }
    void Write(char c) { ASSERT_EQ(write(FPipe[1], &c, 1), 1); }

    int Timeout = -1, Prepared = 0, Dispatched = 0;

private:
    HWND FWindow;
    int FPipe[2] = {-1, -1};
    std::optional<std::chrono::steady_clock::time_point> FDue;
};

} // namespace

// The window thread's one wait also serves the sources: a ready descriptor ends it, as does a
// source's real time-out, even with a timer due far later on the skipping headless clock; every
// Prepare is followed by its Dispatch, and a removed source is asked no more.
TEST_F(WmTest, WaitSourcesJoinTheWaitAndRunRightAfterIt) {
    const HWND hwnd = QuietTop();
    Screen->SetAutoAdvance(false);
    SetTimer(hwnd, 1, 300000);
    TPipeSource source(hwnd);
    AddWaitSource(&source);

    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        source.Write('x');
    });
    TMsg msg;
    ASSERT_TRUE(GetMessage(&msg, 0, 0, 0));
    writer.join();
    EXPECT_EQ(msg.message, WM_USER + 1);
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('x'));

    source.Timeout = 20;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(GetMessage(&msg, 0, 0, 0));
    EXPECT_EQ(msg.message, WM_USER + 2);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
    EXPECT_EQ(source.Prepared, source.Dispatched);

    RemoveWaitSource(&source);
    const int asked = source.Prepared;
    Screen->SetAutoAdvance(true);
    ASSERT_TRUE(GetMessage(&msg, 0, 0, 0));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(source.Prepared, asked);
}

// The machine slept when the clock that counts sleep moved on and the monotonic one did not: top
// level windows (not children) hear of the resume once; a gap under a second is no sleep.
TEST_F(WmTest, SleepBetweenTwoLooksIsAResumeNoticeToTopLevelWindows) {
    const HWND a = Top(0, 0, 10, 10), b = Top(20, 0, 10, 10), child = Child(a, 0, 0, 5, 5);
    Drain();
    Clear();
    struct TCase {
        std::uint64_t Slept;
        int Notices;
    };
    for (const TCase& c : {TCase{999, 0}, TCase{3600000, 1}, TCase{0, 0}, TCase{1000, 1}}) {
        Screen->Suspend(c.Slept);
        Screen->Advance(5); // the monotonic clock alone moving on is no sleep
        Drain();
        for (const HWND w : {a, b})
            EXPECT_EQ(Count(w, WM_POWERBROADCAST), c.Notices) << c.Slept;
        EXPECT_EQ(Count(child, WM_POWERBROADCAST), 0);
        for (const auto& e : Entries({WM_POWERBROADCAST}))
            EXPECT_EQ(e.WParam, PBT_APMRESUMEAUTOMATIC);
        Clear();
    }
}
