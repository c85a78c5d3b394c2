// sys/ holds the system services that draw nothing: HTTP (this file; curl stays inside it),
// atomic file replacement, the compiled-in resources, UTF-8/UTF-16 conversion, the work area and
// the allow-list of external messages. Read this file first, then resources.h.
//
// Synchronous HTTP over libcurl, shaped after the few internet calls the widget makes: one
// process-wide session, and one blocking exchange per request that hands the body over in
// chunks as it arrives. Callers above this folder never see a curl type.
#pragma once

#include "platform/types.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

constexpr int INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr int INTERNET_DEFAULT_HTTPS_PORT = 443;

// Request flags keep their numbers so the request logic reads as it always did.
constexpr DWORD INTERNET_FLAG_HYPERLINK = 0x00000400;
constexpr DWORD INTERNET_FLAG_SECURE = 0x00800000;
constexpr DWORD INTERNET_FLAG_NO_AUTO_REDIRECT = 0x00200000;

// The body never arrives in pieces larger than this.
constexpr std::size_t INTERNET_READ_CHUNK = 8192;

// The root of all requests: a shared DNS and TLS-session cache guarded by its own locks, so
// workers on several threads may use one session at once. Held by shared_ptr so a worker that
// still runs keeps it alive even after the owner let go.
class TInternetSession;
using HINTERNET = std::shared_ptr<TInternetSession>;

// Initialises the HTTP library once per process and opens a new session; null on failure.
HINTERNET InternetOpen();

struct THttpRequest {
    std::string Host;                      // a name or address, optionally followed by ":port"
    int Port = INTERNET_DEFAULT_HTTP_PORT; // used when Host names no port
    std::string Method = "GET";
    std::string Path = "/";
    std::string Version = "HTTP/1.1";
    std::string Headers; // extra header lines, each ending in CR LF
    std::string Body;
    DWORD Flags = INTERNET_FLAG_HYPERLINK;
    // Zero turns a limit off. A stall is a stretch without a single byte moving.
    long ConnectTimeoutMs = 0;
    long StallTimeoutMs = 0;
    long TotalTimeoutMs = 0;
};

enum class THttpError {
    None,
    NoSession,
    BadAddress, // host, port or path cannot form a request
    Connect,
    Timeout,
    Aborted,  // the body sink refused more data
    Transfer, // the connection broke or the answer was malformed
};

struct THttpResult {
    THttpError Error = THttpError::None;
    // The header block of the final answer (after redirects), CR LF line ends; empty when no
    // answer arrived.
    std::string RawHeaders;
};

// Receives each piece of the body; returning false ends the exchange as Aborted.
using THttpSink = std::function<bool(std::string_view chunk)>;

// Performs one exchange on the calling thread and returns when the body ended, the
// connection failed or a limit struck. Bytes handed to the sink stay handed over.
THttpResult HttpSendRequest(const HINTERNET& session, const THttpRequest& request,
                            const THttpSink& sink);

// The address the exchange goes to, or nothing when the host value is not a plain host name,
// address or bracketed IPv6 address with an optional port of 1..65535.
std::optional<std::string> HttpUrl(const std::string& host, int defaultPort, bool secure,
                                   const std::string& path);

} // namespace platform
