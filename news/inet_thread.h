// news/ talks to the outside: the HTTP worker threads, the conversion of the news service's
// answer into the local news document, the standard feeds beside it, and the update check.
// Start with this file (how a window runs a request and gets the answer back), then feed.h
// (the answer and the document), then feeds/feeds.h (RSS, Atom and JSON Feed sources), then
// source_state.h (what each source keeps between refreshes).
//
// The HTTP worker thread: performs one request and tells a window when it is done. The window
// thread sets the request up before Resume and reads the response only after the completion
// message, so the two threads never touch the request at the same time.
#pragma once

#include "news/http.h"
#include "platform/messages.h"

#include <atomic>
#include <memory>
#include <thread>

namespace news {

// Completion messages; wParam is the worker's Tag (0 unless set) and lParam the result of
// TRequest::Send.
constexpr platform::UINT WM_VERSIONDONE = platform::WM_USER + 17;
constexpr platform::UINT WM_NEWSDONE = platform::WM_USER + 23;

// Performs one request on a thread of its own and posts MessageId to WindowHandle, if that
// window still exists. Created suspended: the caller fills in Request, then calls Resume.
// Destroying the worker waits for its thread to end.
class TInetThread {
public:
    TInetThread(platform::HWND window, platform::UINT messageId, HINTERNET internet);
    TInetThread(const TInetThread&) = delete;
    TInetThread& operator=(const TInetThread&) = delete;
    virtual ~TInetThread();

    // Starts the request; a second call does nothing. Throws std::system_error when no thread
    // can be started.
    void Resume();
    // Asks a running request to end at once (it ends as a failure and still reports); safe from
    // any thread, and before Resume.
    void Abort() { FAbort = true; }
    void WaitFor();
    bool Started() const { return Thread.joinable() || Joined; }

    std::unique_ptr<TRequest> Request;
    HINTERNET Internet;
    platform::HWND WindowHandle;
    platform::UINT MessageId;
    // Posted as wParam, so one window can tell several workers' answers apart.
    platform::WPARAM Tag = 0;

private:
    // Not virtual on purpose: the thread must not read the object's dispatch table while the
    // window thread may already be running the destructor that waits for it.
    void Execute();

    std::atomic<bool> FAbort{false};
    std::thread Thread;
    bool Joined = false;
};

class TInternetThread : public TInetThread {
public:
    using TInetThread::TInetThread;
};

} // namespace news
