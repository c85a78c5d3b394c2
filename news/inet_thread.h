// The HTTP worker thread: performs one request and tells a window when it is done. The window
// thread sets the request up before Resume and reads the response only after the completion
// message, so the two threads never touch the request at the same time.
#pragma once

#include "news/http.h"
#include "platform/messages.h"

#include <memory>
#include <thread>

namespace news {

// Completion messages; wParam is 0 and lParam the result of TRequest::Send.
constexpr platform::UINT WM_VERSIONDONE = platform::WM_USER + 17;
constexpr platform::UINT WM_NEWSDONE = platform::WM_USER + 23;

// A thread that stays suspended until Resume and is joined when destroyed. Subclasses that
// own what Execute touches must call WaitFor in their own destructor.
class TThread {
public:
    TThread() = default;
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    virtual ~TThread();

    // Starts Execute on a new thread; a second call does nothing. Throws std::system_error
    // when the thread cannot be started.
    void Resume();
    void WaitFor();
    bool Started() const { return Thread.joinable() || Joined; }

protected:
    virtual void Execute() = 0;

private:
    std::thread Thread;
    bool Joined = false;
};

// Performs one request and posts MessageId to WindowHandle, if that window still exists.
class TInetThread : public TThread {
public:
    TInetThread(platform::HWND window, platform::UINT messageId, HINTERNET internet);
    ~TInetThread() override;

    std::unique_ptr<TRequest> Request;
    HINTERNET Internet;
    platform::HWND WindowHandle;
    platform::UINT MessageId;

protected:
    void Execute() override;
};

class TInternetThread : public TInetThread {
public:
    using TInetThread::TInetThread;
};

} // namespace news
