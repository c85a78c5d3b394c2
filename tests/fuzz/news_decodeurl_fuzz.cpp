// Decoding never fails in any other way than its two errors, and undoes encoding for any bytes.
#include "news/feed.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string_view plain = input.substr(0, input.find('\0'));

    std::string encoded = news::EncodeUrl(input);
    for (unsigned char c : encoded)
        if (!(std::isalnum(c) || std::string_view("*@._-$!'()+%").find(static_cast<char>(c)) !=
                                     std::string_view::npos))
            std::abort();
    if (news::DecodeUrl(encoded) != plain)
        std::abort();

    try {
        std::string decoded = news::DecodeUrl(input);
        if (decoded.size() > plain.size())
            std::abort();
    } catch (const news::EConvertError&) {
    } catch (const news::EWebBrokerException&) {
    }
    return 0;
}
