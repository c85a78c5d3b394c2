#include "settings/unicode.h"

#include <memory>

#include <unicode/ucol.h>
#include <unicode/ustring.h>

namespace {

struct TCollatorCloser {
    void operator()(UCollator* c) const { ucol_close(c); }
};

// One root-locale collator for the process; ICU allows concurrent use of a const collator.
const UCollator* RootCollator() {
    static const std::unique_ptr<UCollator, TCollatorCloser> collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        UCollator* c = ucol_open("", &status);
        if (U_FAILURE(status)) {
            if (c)
                ucol_close(c);
            c = nullptr;
        }
        return std::unique_ptr<UCollator, TCollatorCloser>(c);
    }();
    return collator.get();
}

int CodeUnitOrder(const std::u16string& A, const std::u16string& B) {
    int r = A.compare(B);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

} // namespace

std::u16string WideUpperCase(const std::u16string& S) {
    if (S.empty())
        return S;
    std::u16string out(S.size(), u'\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = u_strToUpper(out.data(), static_cast<int32_t>(out.size()), S.data(),
                             static_cast<int32_t>(S.size()), "", &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        // Full mappings may grow the text ("ß" -> "SS"); retry with the reported length.
        out.assign(static_cast<size_t>(n), u'\0');
        status = U_ZERO_ERROR;
        n = u_strToUpper(out.data(), static_cast<int32_t>(out.size()), S.data(),
                         static_cast<int32_t>(S.size()), "", &status);
    }
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING)
        return S;
    out.resize(static_cast<size_t>(n));
    return out;
}

int WideCompareStr(const std::u16string& A, const std::u16string& B) {
    if (A == B)
        return 0;
    if (const UCollator* c = RootCollator()) {
        UCollationResult r = ucol_strcoll(c, A.data(), static_cast<int32_t>(A.size()), B.data(),
                                          static_cast<int32_t>(B.size()));
        if (r == UCOL_LESS)
            return -1;
        if (r == UCOL_GREATER)
            return 1;
    }
    // The collator ignores some characters; unequal texts still need a definite order.
    return CodeUnitOrder(A, B);
}

int WideCompareText(const std::u16string& A, const std::u16string& B) {
    if (A == B)
        return 0;
    return WideCompareStr(WideUpperCase(A), WideUpperCase(B));
}
