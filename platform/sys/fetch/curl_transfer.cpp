#include "platform/sys/fetch/curl_transfer.h"

#include <curl/curl.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

struct EasyDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct MultiDeleter {
    void operator()(CURLM* m) const { curl_multi_cleanup(m); }
};
struct ListDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
struct UrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

// How long the transfer loop waits for the network before it looks at the abort flag and the
// stall clock again.
constexpr int PollSliceMs = 100;

struct TTransfer {
    CURL* Easy = nullptr;
    const THttpSink* Sink = nullptr;
    const std::atomic<bool>* Abort = nullptr;
    std::string Headers;
    bool SinkRefused = false;
    bool Refused = false;
    // The loopback guard's record file; empty when the guard is off.
    std::string GuardFile;

    bool AbortRequested() const { return Abort && Abort->load(std::memory_order_relaxed); }
};

// --- the loopback guard -----------------------------------------------------------------------

bool IsLoopbackAddress(const sockaddr* address) {
    if (address->sa_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(address);
        return (ntohl(in->sin_addr.s_addr) >> 24) == 127;
    }
    if (address->sa_family == AF_INET6) {
        const in6_addr& a = reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
        if (IN6_IS_ADDR_LOOPBACK(&a))
            return true;
        return IN6_IS_ADDR_V4MAPPED(&a) && a.s6_addr[12] == 127;
    }
    return false;
}

// A host that needs no look-up beyond the machine: "localhost" or a loopback address.
bool IsLoopbackHost(std::string host) {
    for (char& c : host)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (host == "localhost")
        return true;
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    sockaddr_storage storage{};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1)
        v4->sin_family = AF_INET;
    else if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1)
        v6->sin6_family = AF_INET6;
    else
        return false;
    return IsLoopbackAddress(reinterpret_cast<const sockaddr*>(&storage));
}

std::string HostOf(const char* url) {
    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    char* host = nullptr;
    if (!parsed || !url || curl_url_set(parsed.get(), CURLUPART_URL, url, 0) != CURLUE_OK ||
        curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK)
        return {};
    std::string out = host;
    curl_free(host);
    return out;
}

void RecordRefusal(TTransfer& t, const std::string& what) {
    t.Refused = true;
    const std::string line = "minipelikora: loopback guard refused " + what + "\n";
    std::fputs(line.c_str(), stderr);
    int fd = open(t.GuardFile.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ssize_t written = write(fd, line.data(), line.size());
        (void)written;
        close(fd);
    }
}

// Before every name look-up, redirects included.
int OnResolverStart(void*, void*, void* user) {
    auto* t = static_cast<TTransfer*>(user);
    if (t->GuardFile.empty())
        return 0;
    char* url = nullptr;
    curl_easy_getinfo(t->Easy, CURLINFO_EFFECTIVE_URL, &url);
    const std::string host = HostOf(url);
    if (IsLoopbackHost(host))
        return 0;
    RecordRefusal(*t, "a look-up of " + (host.empty() ? std::string("an unknown host") : host));
    return 1;
}

// Every connection's socket; close-on-exec, so a browser started from the widget inherits none.
curl_socket_t OnOpenSocket(void* user, curlsocktype, curl_sockaddr* address) {
    auto* t = static_cast<TTransfer*>(user);
    if (!t->GuardFile.empty()) {
        // The address is longer than the sockaddr it is declared as; copied out, it is read
        // within its own bounds.
        sockaddr_storage storage{};
        std::memcpy(&storage, &address->addr,
                    std::min<std::size_t>(address->addrlen, sizeof storage));
        const auto* any = reinterpret_cast<const sockaddr*>(&storage);
        if (!IsLoopbackAddress(any)) {
            char text[INET6_ADDRSTRLEN] = "?";
            if (any->sa_family == AF_INET6)
                inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(any)->sin6_addr, text,
                          sizeof text);
            else if (any->sa_family == AF_INET)
                inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(any)->sin_addr, text,
                          sizeof text);
            RecordRefusal(*t, std::string("a connection to ") + text);
            return CURL_SOCKET_BAD;
        }
    }
    return socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

// --- the transfer -----------------------------------------------------------------------------

// Checked inside curl's own loop too, so even a fast, long answer stops at once.
int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<TTransfer*>(user)->AbortRequested() ? 1 : 0;
}

std::size_t OnHeaderLine(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<TTransfer*>(user);
    std::size_t n = size * count;
    std::string_view line(data, n);
    // Every status line starts a new answer (a redirect, an interim 100): keep only the last.
    if (line.substr(0, 5) == "HTTP/")
        t->Headers.clear();
    t->Headers.append(line);
    return n;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<TTransfer*>(user);
    std::size_t n = size * count;
    if (*t->Sink && !(*t->Sink)(std::string_view(data, n))) {
        t->SinkRefused = true;
        return 0;
    }
    return n;
}

THttpError MapError(CURLcode code) {
    switch (code) {
    case CURLE_OK:
        return THttpError::None;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return THttpError::BadAddress;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
        return THttpError::Connect;
    case CURLE_OPERATION_TIMEDOUT:
        return THttpError::Timeout;
    case CURLE_WRITE_ERROR:
        return THttpError::Aborted;
    case CURLE_ABORTED_BY_CALLBACK:
        return THttpError::Cancelled;
    default:
        return THttpError::Transfer;
    }
}

// Drives one easy handle through a private multi handle in short slices, so the abort flag and
// the stall clock are looked at several times a second whatever the network does. Returns
// curl's result for the transfer; Stalled and Cancelled tell why the loop itself ended it.
CURLcode RunTransfer(CURL* easy, TTransfer& t, long stallMs, bool& stalled, bool& cancelled) {
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!multi || curl_multi_add_handle(multi.get(), easy) != CURLM_OK)
        return CURLE_OUT_OF_MEMORY;
    struct TDetach {
        CURLM* Multi;
        CURL* Easy;
        ~TDetach() { curl_multi_remove_handle(Multi, Easy); }
    } detach{multi.get(), easy};

    using Clock = std::chrono::steady_clock;
    Clock::time_point lastMove = Clock::now();
    curl_off_t moved = 0;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK)
            return CURLE_RECV_ERROR;
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi.get(), &queued))
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy)
                return msg->data.result;
        if (running == 0)
            return CURLE_RECV_ERROR;
        if (t.AbortRequested()) {
            cancelled = true;
            return CURLE_ABORTED_BY_CALLBACK;
        }
        curl_off_t down = 0, up = 0;
        long headerBytes = 0;
        curl_easy_getinfo(easy, CURLINFO_SIZE_DOWNLOAD_T, &down);
        curl_easy_getinfo(easy, CURLINFO_SIZE_UPLOAD_T, &up);
        curl_easy_getinfo(easy, CURLINFO_HEADER_SIZE, &headerBytes);
        const curl_off_t now = down + up + headerBytes;
        if (now != moved) {
            moved = now;
            lastMove = Clock::now();
        } else if (stallMs > 0 && Clock::now() - lastMove >= std::chrono::milliseconds(stallMs)) {
            stalled = true;
            return CURLE_OPERATION_TIMEDOUT;
        }
        curl_multi_poll(multi.get(), nullptr, 0, PollSliceMs, nullptr);
    }
}

} // namespace

THttpResult CurlTransfer(const std::string& address, const THttpRequest& request,
                         const THttpSink& sink) {
    THttpResult result;
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised) {
        result.Error = THttpError::NoSession;
        return result;
    }
    const std::string* url = &address;

    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) {
        result.Error = THttpError::Connect;
        return result;
    }
    CURL* c = easy.get();

    std::unique_ptr<curl_slist, ListDeleter> headers;
    std::string_view lines(request.Headers);
    while (!lines.empty()) {
        auto end = lines.find("\r\n");
        std::string_view line = lines.substr(0, end);
        lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 2);
        // A stray CR, LF or NUL inside one line would let it split into two headers.
        if (line.empty() || line.find_first_of(std::string_view("\r\n\0", 3)) != line.npos)
            continue;
        curl_slist* grown = curl_slist_append(headers.get(), std::string(line).c_str());
        if (!grown) {
            result.Error = THttpError::Connect;
            return result;
        }
        headers.release();
        headers.reset(grown);
    }

    TTransfer transfer;
    transfer.Easy = c;
    transfer.Sink = &sink;
    transfer.Abort = request.Abort;
    if (const char* guard = std::getenv(NetworkGuardVariable); guard && *guard) {
        transfer.GuardFile = guard;
        // Checked before any look-up: a name that is not loopback never reaches a resolver.
        const std::string host = HostOf(url->c_str());
        if (!IsLoopbackHost(host)) {
            RecordRefusal(transfer, "a request to " + host);
            result.Error = THttpError::Refused;
            return result;
        }
        // A proxy from the environment would carry the exchange off the machine.
        curl_easy_setopt(c, CURLOPT_PROXY, "");
    }

    curl_easy_setopt(c, CURLOPT_URL, url->c_str());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    // An abandoned name look-up is left to finish on its own instead of being waited for.
    curl_easy_setopt(c, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, static_cast<long>(INTERNET_READ_CHUNK));
    // Every coding this libcurl can decode is offered and decoded before the sink sees it.
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
    bool follow = (request.Flags & INTERNET_FLAG_NO_AUTO_REDIRECT) == 0;
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(c, CURLOPT_HTTP_VERSION,
                     request.Version == "HTTP/1.0" ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    if (request.Method != "GET" || !request.Body.empty())
        curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, request.Method.c_str());
    if (!request.Body.empty()) {
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.Body.size()));
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, request.Body.data());
    }
    if (headers)
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    if (request.ConnectTimeoutMs > 0)
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, request.ConnectTimeoutMs);
    if (request.TotalTimeoutMs > 0)
        curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, request.TotalTimeoutMs);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_RESOLVER_START_FUNCTION, &OnResolverStart);
    curl_easy_setopt(c, CURLOPT_RESOLVER_START_DATA, &transfer);
    curl_easy_setopt(c, CURLOPT_OPENSOCKETFUNCTION, &OnOpenSocket);
    curl_easy_setopt(c, CURLOPT_OPENSOCKETDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &OnHeaderLine);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);

    bool stalled = false;
    bool cancelled = false;
    CURLcode code = RunTransfer(c, transfer, request.StallTimeoutMs, stalled, cancelled);
    if (transfer.Refused)
        result.Error = THttpError::Refused;
    else if (transfer.SinkRefused)
        result.Error = THttpError::Aborted;
    else if (stalled)
        result.Error = THttpError::Timeout;
    else if (cancelled || transfer.AbortRequested())
        result.Error = THttpError::Cancelled;
    else
        result.Error = MapError(code);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    result.Status = static_cast<int>(status);
    result.RawHeaders = std::move(transfer.Headers);
    return result;
}

} // namespace platform
