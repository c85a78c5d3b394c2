// An exclusive lock on a lock file, for the processes that rewrite one shared file (the widget
// and its command line both rewrite the options file): each takes the lock, reads the file
// afresh, changes its own part and replaces the file before letting go, so none loses another's
// change. The kernel releases the lock when its holder dies.
#pragma once

#include <string>

namespace platform {

class TFileLock {
public:
    enum class TState {
        Held,
        Busy,       // another holder kept it for the whole wait
        Unavailable // the lock file cannot be made or is not a regular file of ours
    };

    TFileLock() = default;
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;
    ~TFileLock() { Release(); }

    // Creates Path (0600) when missing and waits at most WaitMs (real time) for the lock.
    TState Acquire(const std::string& Path, int WaitMs);
    void Release();
    bool Held() const { return FFd >= 0; }

private:
    int FFd = -1;
};

} // namespace platform
