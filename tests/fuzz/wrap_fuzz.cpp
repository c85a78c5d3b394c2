// The wrapping and cutting of headlines and summaries for any text, break text, break
// characters and column limit: the work is linear in the text (counted in characters looked at,
// never timed), nothing of the text is lost, and a cut keeps whole characters.
#include "elements/wrap.h"
#include "fuzz_check.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using fuzz::Check;
using fuzz::Wide;

// Shapes that matter to the wrap come from a small alphabet, so the fuzzer finds runs of them.
std::u16string FromAlphabet(const std::string& Bytes) {
    static const char16_t Alphabet[] = {u'x', u' ',   u'.',   u'-',   u'\t',  u'\r', u'\n', u'|',
                                        u'a', 0x0301, 0xD83D, 0xDE00, 0x200D, u'<',  u'&',  0xFFFD};
    std::u16string out;
    for (unsigned char c : Bytes)
        out.push_back(Alphabet[c % (sizeof Alphabet / sizeof Alphabet[0])]);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    FuzzedDataProvider fdp(Data, Size);
    const int maxCol = fdp.ConsumeIntegralInRange<int>(-2, 120);
    const bool news = fdp.ConsumeBool();
    const bool alphabet = fdp.ConsumeBool();
    const std::u16string breakStr = FromAlphabet(fdp.ConsumeRandomLengthString(3));
    const std::u16string breakChars = FromAlphabet(fdp.ConsumeRandomLengthString(6));
    const std::string rest = fdp.ConsumeRemainingBytesAsString();
    const std::u16string line = alphabet ? FromAlphabet(rest) : Wide(rest);

    std::size_t steps = 0;
    const std::u16string wrapped =
        news ? elements::WrapNewsText(line, maxCol, &steps)
             : elements::WrapText(line, breakStr, breakChars, maxCol, &steps);
    Check(steps <= 4 * line.size() + 4, "wrapping cost more than linear work");
    Check(wrapped.size() >= line.size(), "wrapping lost characters");

    // The news wrap inserts only CR LF: apart from line breaks the text is unchanged.
    if (news) {
        auto withoutBreaks = [](const std::u16string& s) {
            std::u16string out;
            for (char16_t c : s)
                if (c != u'\r' && c != u'\n')
                    out += c;
            return out;
        };
        Check((wrapped.size() - line.size()) % 2 == 0, "wrapping inserted half a break");
        Check(withoutBreaks(wrapped) == withoutBreaks(line), "wrapping changed the text");
    }

    for (std::size_t max : {std::size_t(0), std::size_t(1), std::size_t(7), std::size_t(300)}) {
        const std::size_t cut = elements::CharacterCut(line, max);
        Check(cut <= line.size(), "cut past the end");
        Check(cut == line.size() || cut == 0 ||
                  !(line[cut] >= 0xDC00 && line[cut] <= 0xDFFF && line[cut - 1] >= 0xD800 &&
                    line[cut - 1] <= 0xDBFF),
              "cut inside a surrogate pair");
        std::size_t chars = 0;
        for (std::size_t k = 0; k < cut; ++k)
            if (!(line[k] >= 0xDC00 && line[k] <= 0xDFFF && k > 0 && line[k - 1] >= 0xD800 &&
                  line[k - 1] <= 0xDBFF))
                ++chars;
        Check(chars <= max || cut == line.size(), "cut keeps too many characters");
    }
    return 0;
}
