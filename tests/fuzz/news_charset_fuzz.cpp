// Whatever the bytes and whatever the Content-Type claims, the result is UTF-8, and bytes that were
// already sound UTF-8 without a declaration stay as they are.
#include "fuzz_check.h"
#include "news/feeds/charset.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace news::feeds;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    // The first line, up to 80 bytes, is the Content-Type header; the rest the body.
    std::size_t eol = input.substr(0, 80).find('\n');
    std::string_view contentType =
        eol == std::string_view::npos ? std::string_view() : input.substr(0, eol);
    std::string_view body = eol == std::string_view::npos ? input : input.substr(eol + 1);

    std::string text = ToUtf8(body, contentType);
    Check(IsValidUtf8(text));
    Check(!DetectCharset(body, contentType).empty());

    std::string repaired = RepairUtf8(body);
    Check(IsValidUtf8(repaired));
    Check(IsValidUtf8(body) == (repaired == body));
    if (contentType.empty() && IsValidUtf8(body) && body.rfind("\xEF\xBB\xBF", 0) != 0 &&
        DetectCharset(body) == "UTF-8")
        Check(text == body);
    return 0;
}
