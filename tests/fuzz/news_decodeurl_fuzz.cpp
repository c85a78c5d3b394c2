// Decoding never fails in any other way than its two errors, and undoes encoding for any bytes.
#include "fuzz_check.h"
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
        fuzz::Check(std::isalnum(c) ||
                        std::string_view("*@._-$!'()+%").find(static_cast<char>(c)) !=
                            std::string_view::npos,
                    "encoded byte outside the safe set");
    fuzz::Check(news::DecodeUrl(encoded) == plain, "decoding undoes encoding");

    try {
        fuzz::Check(news::DecodeUrl(input).size() <= plain.size(), "decoding never grows");
    } catch (const news::EConvertError&) {
    } catch (const news::EWebBrokerException&) {
    }
    return 0;
}
