#include "platform/sys/http.h"

#include <curl/curl.h>

#include <array>
#include <cctype>
#include <chrono>
#include <mutex>

namespace platform {

class TInternetSession {
public:
    TInternetSession() : Share(curl_share_init()) {
        if (!Share)
            return;
        curl_share_setopt(Share.get(), CURLSHOPT_LOCKFUNC, &TInternetSession::Lock);
        curl_share_setopt(Share.get(), CURLSHOPT_UNLOCKFUNC, &TInternetSession::Unlock);
        curl_share_setopt(Share.get(), CURLSHOPT_USERDATA, this);
        curl_share_setopt(Share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(Share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    }
    TInternetSession(const TInternetSession&) = delete;
    TInternetSession& operator=(const TInternetSession&) = delete;

    CURLSH* Handle() const { return Share.get(); }

private:
    struct ShareDeleter {
        void operator()(CURLSH* s) const { curl_share_cleanup(s); }
    };

    static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
        static_cast<TInternetSession*>(self)->Locks[Slot(data)].lock();
    }
    static void Unlock(CURL*, curl_lock_data data, void* self) {
        static_cast<TInternetSession*>(self)->Locks[Slot(data)].unlock();
    }
    static std::size_t Slot(curl_lock_data data) {
        auto i = static_cast<std::size_t>(data);
        return i < CURL_LOCK_DATA_LAST ? i : 0;
    }

    // Declared before Share so the locks outlive the share's last callback.
    std::array<std::mutex, CURL_LOCK_DATA_LAST> Locks;
    std::unique_ptr<CURLSH, ShareDeleter> Share;
};

HINTERNET InternetOpen() {
    // Global set-up is not thread-safe in every libcurl build, so it happens once, here,
    // before any worker can exist.
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised)
        return nullptr;
    auto session = std::make_shared<TInternetSession>();
    if (!session->Handle())
        return nullptr;
    return session;
}

namespace {

bool IsHostNameChar(unsigned char c) {
    return std::isalnum(c) || c == '-' || c == '.' || c == '_';
}

bool ParsePort(std::string_view text, int& port) {
    if (text.empty() || text.size() > 5)
        return false;
    int value = 0;
    for (unsigned char c : text) {
        if (!std::isdigit(c))
            return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535)
        return false;
    port = value;
    return true;
}

// Bytes that would end the request line or smuggle in another header.
bool IsSafeRequestText(std::string_view text) {
    for (unsigned char c : text)
        if (c <= 0x20 || c == 0x7F)
            return false;
    return true;
}

bool IsToken(std::string_view text) {
    if (text.empty())
        return false;
    for (unsigned char c : text)
        if (!std::isalnum(c) && c != '-' && c != '_' && c != '.')
            return false;
    return true;
}

struct EasyDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct ListDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

struct TTransfer {
    const THttpSink* Sink = nullptr;
    std::string Headers;
    bool SinkRefused = false;
    std::chrono::milliseconds StallLimit{0};
    std::chrono::steady_clock::time_point LastMove = std::chrono::steady_clock::now();
    curl_off_t Moved = 0;
    bool Stalled = false;
};

// libcurl's own low-speed check averages over several seconds, so a connection that went quiet
// after a few bytes would be held far longer than asked; this watches for any byte moving.
int OnProgress(void* user, curl_off_t downNow, curl_off_t, curl_off_t upNow, curl_off_t) {
    auto* t = static_cast<TTransfer*>(user);
    auto now = std::chrono::steady_clock::now();
    if (downNow + upNow != t->Moved) {
        t->Moved = downNow + upNow;
        t->LastMove = now;
        return 0;
    }
    if (now - t->LastMove >= t->StallLimit) {
        t->Stalled = true;
        return 1;
    }
    return 0;
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
    default:
        return THttpError::Transfer;
    }
}

} // namespace

std::optional<std::string> HttpUrl(const std::string& host, int defaultPort, bool secure,
                                   const std::string& path) {
    std::string_view rest(host);
    std::string name;
    int port = defaultPort;
    if (!rest.empty() && rest.front() == '[') {
        auto close = rest.find(']');
        if (close == std::string_view::npos || close == 1)
            return std::nullopt;
        for (unsigned char c : rest.substr(1, close - 1))
            if (!std::isxdigit(c) && c != ':' && c != '.')
                return std::nullopt;
        name = std::string(rest.substr(0, close + 1));
        rest.remove_prefix(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':' || !ParsePort(rest.substr(1), port))
                return std::nullopt;
        }
    } else {
        auto colon = rest.find(':');
        std::string_view bare = rest.substr(0, colon);
        if (bare.empty())
            return std::nullopt;
        for (unsigned char c : bare)
            if (!IsHostNameChar(c))
                return std::nullopt;
        if (colon != std::string_view::npos && !ParsePort(rest.substr(colon + 1), port))
            return std::nullopt;
        name = std::string(bare);
    }
    if (port < 1 || port > 65535 || !IsSafeRequestText(path))
        return std::nullopt;
    std::string url = secure ? "https://" : "http://";
    url += name;
    url += ':';
    url += std::to_string(port);
    if (path.empty() || path.front() != '/')
        url += '/';
    url += path;
    return url;
}

THttpResult HttpSendRequest(const HINTERNET& session, const THttpRequest& request,
                            const THttpSink& sink) {
    THttpResult result;
    if (!session) {
        result.Error = THttpError::NoSession;
        return result;
    }
    bool secure = (request.Flags & INTERNET_FLAG_SECURE) != 0;
    auto url = HttpUrl(request.Host, request.Port, secure, request.Path);
    if (!url || !IsToken(request.Method)) {
        result.Error = THttpError::BadAddress;
        return result;
    }

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
    transfer.Sink = &sink;

    curl_easy_setopt(c, CURLOPT_URL, url->c_str());
    curl_easy_setopt(c, CURLOPT_SHARE, session->Handle());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, static_cast<long>(INTERNET_READ_CHUNK));
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
    if (request.StallTimeoutMs > 0) {
        transfer.StallLimit = std::chrono::milliseconds(request.StallTimeoutMs);
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &OnProgress);
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
        curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    }
    if (request.TotalTimeoutMs > 0)
        curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, request.TotalTimeoutMs);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &OnHeaderLine);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);

    CURLcode code = curl_easy_perform(c);
    if (transfer.SinkRefused)
        result.Error = THttpError::Aborted;
    else if (transfer.Stalled)
        result.Error = THttpError::Timeout;
    else
        result.Error = MapError(code);
    result.RawHeaders = std::move(transfer.Headers);
    return result;
}

} // namespace platform
