// The exchange between the widget and its fetch helper (fetch/fetch_main.cpp), over one stream
// socket: the request goes over whole, the answer comes back as frames, the body in the pieces
// the transfer delivered them in. Both ends are built from the same source, so the format only
// needs to be unambiguous, not stable across versions.
#pragma once

#include "platform/sys/http.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A request larger than this is not a request the widget makes.
constexpr std::size_t HttpWireRequestLimit = 16u << 20;

// The address already resolved and checked; the host, port and path fields are not sent.
std::string EncodeHttpRequest(const std::string& url, const THttpRequest& request);
// Nothing when the bytes are not one whole request; Url holds the address.
std::optional<THttpRequest> DecodeHttpRequest(std::string_view bytes);

// Sent by the widget while the body arrives: the sink refused a piece, end the exchange.
constexpr char HttpWireStop = 'S';

enum class THttpFrameKind : char {
    Body = 'B', // a piece of the decoded body
    End = 'E',  // the outcome, status and headers of the whole exchange; nothing follows
};

struct THttpFrame {
    THttpFrameKind Kind = THttpFrameKind::End;
    std::string Payload;
};

constexpr std::size_t HttpFrameHeaderSize = 5;

std::string EncodeHttpFrame(THttpFrameKind kind, std::string_view payload);
// An end frame: the error, the status and the headers.
std::string EncodeHttpOutcome(const THttpResult& result);
std::optional<THttpResult> DecodeHttpOutcome(std::string_view payload);

// Takes the first whole frame off the front of buffer; nothing while it is incomplete. A frame
// of an unknown kind or of a length past the request limit sets broken.
std::optional<THttpFrame> TakeHttpFrame(std::string& buffer, bool& broken);

} // namespace platform
