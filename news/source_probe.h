// What an address a user hands the widget stands for (a link dropped on it, pasted, or given
// on the command line): a feed, added as it is; a web page, whose first advertised feed is
// added; or nothing that can be added. At most two requests: the address, then the feed the
// page advertises. ProbeSource runs them on the caller's thread; TSourceProbe on a thread of its
// own that tells a window when it is done.
#pragma once

#include "news/source_state.h"
#include "platform/sys/http.h"
#include "platform/types.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace news {

enum class TProbeOutcome {
    Feed,        // FeedUrl is a feed; Answer holds its answer
    NotFound,    // reached, but neither a feed nor a page that advertises one
    Unreachable, // no answer, or a server error
};

struct TProbeResult {
    TProbeOutcome Outcome = TProbeOutcome::Unreachable;
    std::string FeedUrl;
    // The feed's own title (its host when it has none).
    std::string Name;
    // The feed's answer, to seed the source's record with.
    TSourceAnswer Answer;
};

// One GET of an absolute address, as a probe asks it.
using TProbeFetch = std::function<TSourceAnswer(const std::string& Url)>;

// Url must be an absolute http or https address.
TProbeResult ProbeSource(const std::string& Url, const TProbeFetch& Fetch);
// The same through the HTTP session Internet (the loopback guard applies); Abort, when set by
// another thread, ends a request at once.
TProbeResult ProbeSource(const std::string& Url, const platform::HINTERNET& Internet,
                         const std::atomic<bool>* Abort = nullptr);

// Runs ProbeSource on its own thread through Internet and posts MessageId to Window when done
// (wParam: Tag). The window thread reads Result only after that message. Destroying it aborts
// and waits.
class TSourceProbe {
public:
    TSourceProbe(platform::HWND Window, platform::UINT MessageId, platform::WPARAM Tag,
                 std::string Url, platform::HINTERNET Internet);
    TSourceProbe(const TSourceProbe&) = delete;
    TSourceProbe& operator=(const TSourceProbe&) = delete;
    ~TSourceProbe();

    const std::string& Url() const { return FUrl; }
    // Joins the finished thread; call after the message came.
    const TProbeResult& Result();

private:
    std::string FUrl;
    TProbeResult FResult;
    std::atomic<bool> FAbort{false};
    std::thread FThread;
};

} // namespace news
