#include "platform/sys/http_wire.h"

#include <cstring>

namespace platform {

namespace {

constexpr std::string_view RequestMagic = "MPF1";

void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutI64(std::string& out, long long v) {
    const auto u = static_cast<unsigned long long>(v);
    for (int i = 0; i < 8; ++i)
        out += static_cast<char>((u >> (8 * i)) & 0xFF);
}

void PutText(std::string& out, std::string_view text) {
    PutU32(out, static_cast<std::uint32_t>(text.size()));
    out.append(text);
}

struct TReader {
    std::string_view Rest;
    bool Ok = true;

    std::uint32_t U32() {
        if (Rest.size() < 4) {
            Ok = false;
            return 0;
        }
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(Rest[static_cast<std::size_t>(i)]);
        Rest.remove_prefix(4);
        return v;
    }
    long long I64() {
        if (Rest.size() < 8) {
            Ok = false;
            return 0;
        }
        unsigned long long v = 0;
        for (int i = 7; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(Rest[static_cast<std::size_t>(i)]);
        Rest.remove_prefix(8);
        return static_cast<long long>(v);
    }
    std::string Text() {
        const std::uint32_t n = U32();
        if (!Ok || Rest.size() < n) {
            Ok = false;
            return {};
        }
        std::string out(Rest.substr(0, n));
        Rest.remove_prefix(n);
        return out;
    }
};

} // namespace

std::string EncodeHttpRequest(const std::string& url, const THttpRequest& request) {
    std::string out(RequestMagic);
    PutU32(out, 0); // the length of what follows, filled in below
    PutText(out, url);
    PutText(out, request.Method);
    PutText(out, request.Version);
    PutText(out, request.Headers);
    PutText(out, request.Body);
    PutU32(out, request.Flags);
    PutI64(out, request.ConnectTimeoutMs);
    PutI64(out, request.StallTimeoutMs);
    PutI64(out, request.TotalTimeoutMs);
    std::string length;
    PutU32(length, static_cast<std::uint32_t>(out.size() - RequestMagic.size() - 4));
    out.replace(RequestMagic.size(), 4, length);
    return out;
}

std::optional<THttpRequest> DecodeHttpRequest(std::string_view bytes) {
    if (bytes.substr(0, RequestMagic.size()) != RequestMagic)
        return std::nullopt;
    TReader r{bytes.substr(RequestMagic.size())};
    const std::uint32_t length = r.U32();
    if (!r.Ok || length != r.Rest.size())
        return std::nullopt;
    THttpRequest request;
    request.Url = r.Text();
    request.Method = r.Text();
    request.Version = r.Text();
    request.Headers = r.Text();
    request.Body = r.Text();
    request.Flags = r.U32();
    request.ConnectTimeoutMs = static_cast<long>(r.I64());
    request.StallTimeoutMs = static_cast<long>(r.I64());
    request.TotalTimeoutMs = static_cast<long>(r.I64());
    if (!r.Ok || !r.Rest.empty())
        return std::nullopt;
    return request;
}

std::string EncodeHttpFrame(THttpFrameKind kind, std::string_view payload) {
    std::string out(1, static_cast<char>(kind));
    PutU32(out, static_cast<std::uint32_t>(payload.size()));
    out.append(payload);
    return out;
}

std::string EncodeHttpOutcome(const THttpResult& result) {
    std::string payload;
    PutU32(payload, static_cast<std::uint32_t>(result.Error));
    PutU32(payload, static_cast<std::uint32_t>(result.Status));
    payload += result.RawHeaders;
    return EncodeHttpFrame(THttpFrameKind::End, payload);
}

std::optional<THttpResult> DecodeHttpOutcome(std::string_view payload) {
    TReader r{payload};
    const std::uint32_t error = r.U32();
    const std::uint32_t status = r.U32();
    if (!r.Ok || error > static_cast<std::uint32_t>(THttpError::Refused) || status > 999)
        return std::nullopt;
    THttpResult result;
    result.Error = static_cast<THttpError>(error);
    result.Status = static_cast<int>(status);
    result.RawHeaders = std::string(r.Rest);
    return result;
}

std::optional<THttpFrame> TakeHttpFrame(std::string& buffer, bool& broken) {
    if (buffer.size() < HttpFrameHeaderSize)
        return std::nullopt;
    const char kind = buffer[0];
    if (kind != static_cast<char>(THttpFrameKind::Body) &&
        kind != static_cast<char>(THttpFrameKind::End)) {
        broken = true;
        return std::nullopt;
    }
    TReader r{std::string_view(buffer).substr(1)};
    const std::uint32_t length = r.U32();
    if (length > HttpWireRequestLimit) {
        broken = true;
        return std::nullopt;
    }
    if (buffer.size() < HttpFrameHeaderSize + length)
        return std::nullopt;
    THttpFrame frame{static_cast<THttpFrameKind>(kind), buffer.substr(HttpFrameHeaderSize, length)};
    buffer.erase(0, HttpFrameHeaderSize + length);
    return frame;
}

} // namespace platform
