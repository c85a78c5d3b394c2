// sys/ holds the system services that draw nothing: HTTP (this file; curl stays inside it),
// atomic file replacement, the compiled-in resources, UTF-8/UTF-16 conversion, the work area and
// the allow-list of external messages. Read this file first, then resources.h.
//
// Synchronous HTTP, shaped after the few internet calls the widget makes: one process-wide
// session, and one blocking exchange per request that hands the body over in chunks as it
// arrives. Each exchange runs over libcurl in a short-lived helper process of our own
// (fetch/), so neither curl nor its TLS, Kerberos and LDAP libraries are ever mapped into the
// widget, and the code that faces the network runs apart from the user's files and screen.
// Callers above this folder never see a curl type.
#pragma once

#include "platform/types.h"

#include <atomic>
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

// The root of all requests: where the fetch helper lives. Workers on several threads may use
// one session at once. Held by shared_ptr so a worker that still runs keeps it alive even after
// the owner let go.
class TInternetSession;
using HINTERNET = std::shared_ptr<TInternetSession>;

// Finds the fetch helper (beside the executable, then in the libexec folder of its prefix) and
// opens a new session; null when there is none.
HINTERNET InternetOpen();

struct THttpRequest {
    // A whole http or https address; when set, Host, Port, Path and the secure flag are not used.
    std::string Url;
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
    // Set by another thread to end the exchange at once (within a tenth of a second).
    const std::atomic<bool>* Abort = nullptr;
};

enum class THttpError {
    None,
    NoSession,
    BadAddress, // host, port or path cannot form a request
    Connect,
    Timeout,
    Aborted,   // the body sink refused more data
    Cancelled, // the abort flag was set
    Transfer,  // the connection broke or the answer was malformed
    Refused,   // the loopback guard kept the exchange from leaving the machine
};

struct THttpResult {
    THttpError Error = THttpError::None;
    // The final answer's status code; 0 when no status line arrived.
    int Status = 0;
    // The header block of the final answer (after redirects), CR LF line ends; empty when no
    // answer arrived.
    std::string RawHeaders;
};

// Receives each piece of the body, already decoded when the server compressed it (so a limit
// the sink keeps counts what the answer unpacks to); returning false ends the exchange as Aborted.
using THttpSink = std::function<bool(std::string_view chunk)>;

// Names a file that turns on the loopback guard for the whole process: every exchange that would
// look up or connect to anything but a loopback address is refused before it leaves the machine,
// and a line naming the host is appended to that file (and written to stderr). The test suite
// sets it for every test and fails when the file is not empty afterwards.
constexpr const char* NetworkGuardVariable = "MINIPELIKORA_NETWORK_GUARD";

// Performs one exchange on the calling thread and returns when the body ended, the
// connection failed, a limit struck or the abort flag was set. Compressed answers (any coding
// the HTTP library knows) are asked for and decoded. A stall is a stretch in which not one byte
// moves, so a slow but steady answer is never cut by the stall limit, only by the total one.
// Bytes handed to the sink stay handed over.
THttpResult HttpSendRequest(const HINTERNET& session, const THttpRequest& request,
                            const THttpSink& sink);

// The address the exchange goes to, or nothing when the host value is not a plain host name,
// address or bracketed IPv6 address with an optional port of 1..65535.
std::optional<std::string> HttpUrl(const std::string& host, int defaultPort, bool secure,
                                   const std::string& path);

} // namespace platform
