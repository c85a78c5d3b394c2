#include "news/http.h"

#include "news/feeds/cache.h"

#include <algorithm>
#include <cctype>

namespace news {

HINTERNET InternetHandle;

bool OpenInternet() {
    CloseInternet();
    InternetHandle = platform::InternetOpen();
    return InternetHandle != nullptr;
}

void CloseInternet() {
    // Workers still running hold their own reference, so the session ends after the last one.
    InternetHandle.reset();
}

namespace {

bool ValidIndex(int index) {
    return index >= 0 && index < FieldCount;
}

// What a header query into a fixed buffer leaves: nothing when the answer does not fit with
// its terminating NUL, otherwise the bytes up to the first NUL.
std::string FitQueryBuffer(std::string text) {
    if (text.size() >= HeaderQueryBuffer)
        return std::string();
    auto nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);
    return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

// The value of the first header line of that name in a CR LF header block.
std::string FirstHeaderValue(std::string_view block, std::string_view name) {
    while (!block.empty()) {
        auto end = block.find("\r\n");
        std::string_view line = block.substr(0, end);
        block.remove_prefix(end == std::string_view::npos ? block.size() : end + 2);
        if (line.size() > name.size() && line[name.size()] == ':' && StartsWithNoCase(line, name)) {
            line.remove_prefix(name.size() + 1);
            while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
                line.remove_prefix(1);
            return std::string(line);
        }
    }
    return std::string();
}

} // namespace

void TResponse::SetHeader(int index, std::string text) {
    if (ValidIndex(index))
        Headers[static_cast<std::size_t>(index)] = std::move(text);
}

std::string TResponse::GetHeader(int index) const {
    return ValidIndex(index) ? Headers[static_cast<std::size_t>(index)] : std::string();
}

std::string ResponseText(const TResponse& response) {
    return response.BodyStream;
}

TRequest::TRequest() : Response(std::make_unique<TResponse>()) {
    Fields[MethodField] = "GET";
    Fields[VersionField] = "HTTP/1.1";
}

void TRequest::SetField(int index, std::string text) {
    if (ValidIndex(index))
        Fields[static_cast<std::size_t>(index)] = std::move(text);
}

std::string TRequest::GetField(int index) const {
    return ValidIndex(index) ? Fields[static_cast<std::size_t>(index)] : std::string();
}

void TRequest::AddHeader(const std::string& value, const std::string& format) {
    if (value.empty())
        return;
    auto at = format.find("%s");
    if (at == std::string::npos)
        Headers += format;
    else
        Headers += format.substr(0, at) + value + format.substr(at + 2);
}

platform::DWORD TRequest::RequestFlags() const {
    platform::DWORD flags = platform::INTERNET_FLAG_HYPERLINK;
    if (Secure)
        flags |= platform::INTERNET_FLAG_SECURE;
    if (!AutoRedirect)
        flags |= platform::INTERNET_FLAG_NO_AUTO_REDIRECT;
    return flags;
}

int TRequest::Send(const HINTERNET& internet) {
    if (!internet)
        return SendFailed;

    AddHeader(GetField(AcceptField), "Accept: %s\r\n");
    AddHeader(GetField(CookieField), "Cookie: %s\r\n");
    AddHeader(GetField(RefererField), "Referer: %s\r\n");
    AddHeader(GetField(ConnectionField), "Connection: %s\r\n");
    AddHeader(GetField(ContentTypeField), "Content-Type: %s\r\n");

    platform::THttpRequest request;
    request.Url = Url;
    request.Abort = AbortFlag;
    request.Host = GetField(HostField);
    request.Port =
        Secure ? platform::INTERNET_DEFAULT_HTTPS_PORT : platform::INTERNET_DEFAULT_HTTP_PORT;
    request.Method = GetField(MethodField);
    request.Path = GetField(PathField);
    request.Version = GetField(VersionField);
    request.Headers = Headers;
    request.Body = Body;
    request.Flags = RequestFlags();
    request.ConnectTimeoutMs = ConnectTimeoutMs;
    request.StallTimeoutMs = StallTimeoutMs;
    request.TotalTimeoutMs = TotalTimeoutMs;

    std::string& body = Response->BodyStream;
    const std::size_t limit = MaxBodySize;
    auto result =
        platform::HttpSendRequest(internet, request, [&body, limit](std::string_view chunk) {
            // An answer past the limit is cut off as a failure rather than filling the memory.
            if (chunk.size() > limit - std::min(limit, body.size()))
                return false;
            body.append(chunk);
            return true;
        });

    Response->SetHeader(SetCookieSlot,
                        FitQueryBuffer(FirstHeaderValue(result.RawHeaders, "Set-Cookie")));
    Response->RawHeaders = FitQueryBuffer(result.RawHeaders);
    Response->StatusCode = result.Status;
    Response->ContentType = feeds::HeaderValue(result.RawHeaders, "Content-Type");
    Response->ETag = feeds::HeaderValue(result.RawHeaders, "ETag");
    Response->LastModified = feeds::HeaderValue(result.RawHeaders, "Last-Modified");
    Response->RetryAfter = feeds::HeaderValue(result.RawHeaders, "Retry-After");
    Response->CacheControl = feeds::HeaderValue(result.RawHeaders, "Cache-Control");
    return result.Error == platform::THttpError::None ? SendSucceeded : SendFailed;
}

} // namespace news
