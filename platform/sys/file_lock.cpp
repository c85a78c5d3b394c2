#include "platform/sys/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

namespace platform {

TFileLock::TState TFileLock::Acquire(const std::string& Path, int WaitMs) {
    Release();
    // Non-blocking open, so a FIFO planted under that name cannot hold the writer up.
    const int fd = open(Path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0)
        return TState::Unavailable;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
        close(fd);
        return TState::Unavailable;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(std::max(0, WaitMs));
    std::chrono::milliseconds pause(2);
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            FFd = fd;
            return TState::Held;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            close(fd);
            return TState::Unavailable;
        }
        const Clock::time_point now = Clock::now();
        if (now >= until) {
            close(fd);
            return TState::Busy;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, until - now));
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

void TFileLock::Release() {
    if (FFd >= 0) {
        close(FFd); // closing the only descriptor drops the lock
        FFd = -1;
    }
}

} // namespace platform
