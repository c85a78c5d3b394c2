// One HTTP request and its response, performed synchronously by TRequest::Send. The worker
// thread that runs it for a window lives in inet_thread.h.
#pragma once

#include "platform/sys/http.h"
#include "platform/types.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

namespace news {

using platform::HINTERNET;

// The process-wide session every request goes through; null while closed.
extern HINTERNET InternetHandle;
bool OpenInternet();
void CloseInternet();

constexpr int FieldCount = 12;
constexpr int HostField = 0;
constexpr int PathField = 1;
constexpr int MethodField = 2;
constexpr int CookieField = 3;
constexpr int ContentTypeField = 4;
constexpr int AcceptField = 6;
constexpr int ConnectionField = 7;
constexpr int VersionField = 8;
constexpr int RefererField = 9;

constexpr int SetCookieSlot = 4;

// Header answers longer than this are not kept at all.
constexpr std::size_t HeaderQueryBuffer = 1024;

constexpr int SendSucceeded = 0;
constexpr int SendFailed = -1;

// Limits that keep a broken or hostile server from holding a worker or the memory forever.
constexpr long DefaultConnectTimeoutMs = 30000;
constexpr long DefaultStallTimeoutMs = 30000;
constexpr long DefaultTotalTimeoutMs = 120000;
constexpr std::size_t DefaultMaxBodySize = 16u * 1024u * 1024u;

class TResponse {
public:
    void SetHeader(int index, std::string text);
    std::string GetHeader(int index) const;

    std::array<std::string, FieldCount> Headers;
    std::string BodyStream;
    std::string RawHeaders;

    // The final answer's status (0 when none arrived) and the header values the refresh cycle
    // reads (empty when absent; repeated fields joined with ", ").
    int StatusCode = 0;
    std::string ContentType;
    std::string ETag;
    std::string LastModified;
    std::string RetryAfter;
    std::string CacheControl;
};

// All bytes of the body, from its start.
std::string ResponseText(const TResponse& response);

class TRequest {
public:
    TRequest();

    void SetField(int index, std::string text);
    std::string GetField(int index) const;
    // Appends format with its one "%s" replaced by value; an empty value adds nothing.
    void AddHeader(const std::string& value, const std::string& format);
    // Returns SendSucceeded when the body ended normally, SendFailed on any failure; what was
    // read before a failure stays in Response->BodyStream. The HTTP status is not judged here:
    // it is handed over in Response->StatusCode with the body.
    int Send(const HINTERNET& internet);
    platform::DWORD RequestFlags() const;

    std::unique_ptr<TResponse> Response;
    std::string Body;
    std::array<std::string, FieldCount> Fields;
    platform::DWORD RequestContext = 0;
    std::string Headers;
    bool Secure = false;
    bool AutoRedirect = true;
    // A whole http or https address to ask instead of Host and Path (the standard feeds').
    std::string Url;
    // When set by another thread, Send ends at once as a failure.
    const std::atomic<bool>* AbortFlag = nullptr;

    long ConnectTimeoutMs = DefaultConnectTimeoutMs;
    long StallTimeoutMs = DefaultStallTimeoutMs;
    long TotalTimeoutMs = DefaultTotalTimeoutMs;
    // Counted on the body as it unpacks, so a small compressed answer cannot grow past it.
    std::size_t MaxBodySize = DefaultMaxBodySize;
};

} // namespace news
