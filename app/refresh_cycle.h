// TRefreshCycle: one refresh of the news, from the moment it is started to the moment its
// answer has been taken. It sends the news request on a worker thread of its own; the worker
// posts WM_NEWSDONE to the window when it is done, and the window thread then takes the answer
// and gets back the local news document built from it. A cycle that exists is in flight.
#pragma once

#include "news/inet_thread.h"
#include "platform/types.h"

#include <memory>
#include <string>

namespace news {
struct TServers;
}

namespace app {

class TRefreshCycle {
public:
    // Sets the request up for the news server of Servers and starts it; completion is posted
    // to Window. Throws (std::exception) when the worker cannot be started.
    TRefreshCycle(platform::HWND Window, const news::TServers& Servers);
    TRefreshCycle(const TRefreshCycle&) = delete;
    TRefreshCycle& operator=(const TRefreshCycle&) = delete;
    // Waits for a worker that is still running.
    ~TRefreshCycle();

    // The news document built from the answer, once WM_NEWSDONE has arrived with Result (what
    // the request returned). Empty when nothing usable arrived: no body, or a request that
    // failed half-way, whose partial body would replace the last good document with a
    // truncated one.
    std::string TakeDocument(platform::LPARAM Result);

private:
    std::unique_ptr<news::TInternetThread> FWorker;
};

} // namespace app
