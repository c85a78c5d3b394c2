#include "news/feeds/text.h"

#include "news/feeds/charset.h"

#include <gumbo.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace news::feeds {

namespace {

constexpr std::string_view Ellipsis = "\xE2\x80\xA6";

bool IsWhite(UChar32 c) {
    switch (c) {
    case 0x09:
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x20:
    case 0x85:
    case 0xA0:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}

bool IsDropped(UChar32 c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0xFDD0 && c <= 0xFDEF) ||
           (c & 0xFFFE) == 0xFFFE;
}

// Cuts at most maxBytes without splitting a UTF-8 sequence.
std::string_view CutBytes(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text;
    std::size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

bool IsSkipped(GumboTag tag) {
    switch (tag) {
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_TEMPLATE:
    case GUMBO_TAG_NOSCRIPT:
    case GUMBO_TAG_HEAD:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_OBJECT:
    case GUMBO_TAG_SVG:
    case GUMBO_TAG_MATH:
        return true;
    default:
        return false;
    }
}

// Elements whose edges separate words even without whitespace in the source.
bool IsBreaking(GumboTag tag) {
    switch (tag) {
    case GUMBO_TAG_A:
    case GUMBO_TAG_ABBR:
    case GUMBO_TAG_B:
    case GUMBO_TAG_BDI:
    case GUMBO_TAG_BDO:
    case GUMBO_TAG_CITE:
    case GUMBO_TAG_CODE:
    case GUMBO_TAG_DATA:
    case GUMBO_TAG_DFN:
    case GUMBO_TAG_EM:
    case GUMBO_TAG_FONT:
    case GUMBO_TAG_I:
    case GUMBO_TAG_KBD:
    case GUMBO_TAG_MARK:
    case GUMBO_TAG_Q:
    case GUMBO_TAG_S:
    case GUMBO_TAG_SAMP:
    case GUMBO_TAG_SMALL:
    case GUMBO_TAG_SPAN:
    case GUMBO_TAG_STRIKE:
    case GUMBO_TAG_STRONG:
    case GUMBO_TAG_SUB:
    case GUMBO_TAG_SUP:
    case GUMBO_TAG_TIME:
    case GUMBO_TAG_TT:
    case GUMBO_TAG_U:
    case GUMBO_TAG_VAR:
    case GUMBO_TAG_WBR:
        return false;
    default:
        return true;
    }
}

struct TGumboOutput {
    explicit TGumboOutput(std::string_view html) {
        GumboOptions options = kGumboDefaultOptions;
        // Parsed as the content of a <div>: no head, and no error records kept.
        options.fragment_context = GUMBO_TAG_DIV;
        options.max_errors = 0;
        Output = gumbo_parse_with_options(&options, html.data(), html.size());
    }
    ~TGumboOutput() { gumbo_destroy_output(&kGumboDefaultOptions, Output); }
    TGumboOutput(const TGumboOutput&) = delete;
    TGumboOutput& operator=(const TGumboOutput&) = delete;

    GumboOutput* Output;
};

// Text of the tree in document order, without recursion: markup can nest far deeper than
// the stack would like.
std::string TreeText(const GumboNode* root) {
    std::string out;
    std::vector<std::pair<const GumboNode*, bool>> stack{{root, false}};
    while (!stack.empty()) {
        auto [node, leaving] = stack.back();
        stack.pop_back();
        switch (node->type) {
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_CDATA:
        case GUMBO_NODE_WHITESPACE:
            out += node->v.text.text;
            break;
        case GUMBO_NODE_DOCUMENT:
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE: {
            const GumboVector& children = node->type == GUMBO_NODE_DOCUMENT
                                              ? node->v.document.children
                                              : node->v.element.children;
            GumboTag tag =
                node->type == GUMBO_NODE_DOCUMENT ? GUMBO_TAG_UNKNOWN : node->v.element.tag;
            if (node->type != GUMBO_NODE_DOCUMENT && IsSkipped(tag))
                break;
            bool breaking = node->type != GUMBO_NODE_DOCUMENT && IsBreaking(tag);
            if (breaking)
                out += ' ';
            if (leaving)
                break;
            if (breaking)
                stack.push_back({node, true});
            for (unsigned i = children.length; i > 0; --i)
                stack.push_back({static_cast<const GumboNode*>(children.data[i - 1]), false});
            break;
        }
        default:
            break;
        }
    }
    return out;
}

} // namespace

std::string CleanText(std::string_view text) {
    std::string valid = RepairUtf8(text);
    const auto* s = reinterpret_cast<const uint8_t*>(valid.data());
    const auto length = static_cast<std::int64_t>(valid.size());
    std::string out;
    out.reserve(valid.size());
    bool pendingSpace = false;
    std::int64_t i = 0;
    while (i < length) {
        std::int64_t start = i;
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (IsWhite(c)) {
            pendingSpace = !out.empty();
            continue;
        }
        if (IsDropped(c))
            continue;
        if (pendingSpace)
            out += ' ';
        pendingSpace = false;
        out.append(valid, static_cast<std::size_t>(start), static_cast<std::size_t>(i - start));
    }
    return out;
}

std::string_view LeadingMarkup(std::string_view html, std::size_t maxTags) {
    std::size_t at = 0;
    for (std::size_t tags = 0; (at = html.find('<', at)) != std::string_view::npos; ++at)
        if (++tags > maxTags)
            return html.substr(0, at);
    return html;
}

std::string HtmlToText(std::string_view html) {
    std::string input = RepairUtf8(LeadingMarkup(CutBytes(html, MaxHtmlInput), MaxHtmlTags));
    if (input.find_first_of("<&") == std::string::npos)
        return CleanText(input);
    TGumboOutput parsed(input);
    if (!parsed.Output)
        return CleanText(input);
    return CleanText(TreeText(parsed.Output->root));
}

std::size_t CharCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    return count;
}

std::string CutText(std::string_view text, std::size_t maxChars) {
    if (CharCount(text) <= maxChars)
        return std::string(text);
    if (maxChars == 0)
        return {};
    // Byte offset where the character that would not fit begins.
    std::size_t room = maxChars - 1, seen = 0, end = 0;
    for (; end < text.size(); ++end) {
        if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80) {
            if (seen == room)
                break;
            ++seen;
        }
    }
    std::string_view head = text.substr(0, end);
    if (end < text.size() && text[end] != ' ') {
        std::size_t space = head.rfind(' ');
        if (space != std::string_view::npos && CharCount(head.substr(0, space)) >= room / 2)
            head = head.substr(0, space);
    }
    while (!head.empty() && head.back() == ' ')
        head.remove_suffix(1);
    std::string out(head);
    out += Ellipsis;
    return out;
}

} // namespace news::feeds
