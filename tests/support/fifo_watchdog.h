// For tests that put a FIFO where the widget expects a data file: a reader that opens it the
// ordinary way blocks until a writer comes, so the test would hang instead of failing. The
// watchdog gives the code under test a generous grace period, then opens the write end of each
// FIFO itself (which succeeds only when someone is waiting on the read end) and closes it again,
// so the blocked call returns and the test can report it.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

inline bool MakeFifo(const std::string& Path) {
    return ::mkfifo(Path.c_str(), 0600) == 0;
}

class TFifoWatchdog {
public:
    explicit TFifoWatchdog(std::vector<std::string> Fifos, int GraceMs = 10000)
        : FFifos(std::move(Fifos)), FThread([this, GraceMs] { Watch(GraceMs); }) {}
    TFifoWatchdog(const TFifoWatchdog&) = delete;
    TFifoWatchdog& operator=(const TFifoWatchdog&) = delete;
    ~TFifoWatchdog() { Stop(); }

    // Ends the watch; true when some reader had been found waiting on a FIFO.
    bool Stop() {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FDone = true;
        }
        FWake.notify_all();
        if (FThread.joinable())
            FThread.join();
        return FReleased;
    }

private:
    void Watch(int GraceMs) {
        std::unique_lock<std::mutex> lock(FMutex);
        if (FWake.wait_for(lock, std::chrono::milliseconds(GraceMs), [this] { return FDone; }))
            return;
        while (!FDone) {
            for (const std::string& fifo : FFifos) {
                const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    FReleased = true;
                    ::close(fd);
                }
            }
            FWake.wait_for(lock, std::chrono::milliseconds(20), [this] { return FDone; });
        }
    }

    std::vector<std::string> FFifos;
    std::mutex FMutex;
    std::condition_variable FWake;
    bool FDone = false;
    std::atomic<bool> FReleased{false};
    std::thread FThread;
};

} // namespace testsupport
