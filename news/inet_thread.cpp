#include "news/inet_thread.h"

#include "platform/window_manager.h"

namespace news {

TInetThread::TInetThread(platform::HWND window, platform::UINT messageId, HINTERNET internet)
    : Request(std::make_unique<TRequest>()), Internet(std::move(internet)), WindowHandle(window),
      MessageId(messageId) {}

// The thread reads Request until its very end, so it must be gone before Request is freed.
TInetThread::~TInetThread() {
    WaitFor();
}

void TInetThread::Resume() {
    if (Started())
        return;
    Thread = std::thread([this] { Execute(); });
}

void TInetThread::WaitFor() {
    if (Thread.joinable()) {
        Thread.join();
        Joined = true;
    }
}

void TInetThread::Execute() {
    Request->AbortFlag = &FAbort;
    int result = Request->Send(Internet);
    // Posted, never sent: the worker must not wait for the window thread, which may itself be
    // waiting for this worker at shutdown.
    if (platform::IsWindow(WindowHandle))
        platform::PostMessage(WindowHandle, MessageId, Tag, result);
}

} // namespace news
