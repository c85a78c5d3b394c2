// Links inside feeds: relative references resolved the way RFC 3986 says, and the test that
// keeps anything but a web page (javascript:, data:, file:, mail) out of the list.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace news::feeds {

// Links longer than this are not links the list opens.
constexpr std::size_t MaxLinkBytes = 2048;

// ref resolved against the absolute address base (RFC 3986, section 5.2); ref itself when it
// has a scheme; empty when base has none and ref needs one.
std::string ResolveUrl(std::string_view base, std::string_view ref);

// What an item may open: ref resolved against base, when the result is http or https with a
// host. Tabs and line breaks inside the reference are dropped and bytes a URL may not hold
// (spaces, quotes, non-ASCII) are percent-encoded; a control character, a missing host or
// another scheme gives empty.
std::string WebLink(std::string_view base, std::string_view ref);

// The host of an absolute address (without user or port); empty when it has none.
std::string UrlHost(std::string_view url);

} // namespace news::feeds
