// Other programs' data on the X screen: links dragged onto a surface that accepts drops (the
// XDND protocol, version 5, as the target) and the text of the CLIPBOARD selection. Both come
// as selection conversions answered by another client, so both are bounded in time: a source
// that never answers is given up on, told that the drop failed, and the widget goes on.
#include "platform/display/x11/x11_internal.h"
#include "platform/sys/utf.h"

#include <X11/Xatom.h>

#include <cctype>
#include <cstring>

namespace platform {

namespace {

constexpr long XdndVersion = 5;
// The oldest version whose messages carry what this target reads (the drop's time stamp).
constexpr long OldestXdndVersion = 3;
// A link is short; an answer longer than this is not one.
constexpr long MaxTransferBytes = 64 * 1024;

const char* const TransferAtomNames[] = {"XdndAware",
                                         "XdndEnter",
                                         "XdndPosition",
                                         "XdndStatus",
                                         "XdndLeave",
                                         "XdndDrop",
                                         "XdndFinished",
                                         "XdndSelection",
                                         "XdndTypeList",
                                         "XdndActionCopy",
                                         "text/uri-list",
                                         "text/x-moz-url",
                                         "text/plain;charset=utf-8",
                                         "text/plain",
                                         "CLIPBOARD",
                                         "INCR",
                                         "_MINIPELIKORA_DROP",
                                         "_MINIPELIKORA_CLIPBOARD"};
static_assert(sizeof(TX11TransferAtoms) == sizeof(TransferAtomNames) / sizeof(char*) * sizeof(Atom),
              "one name per atom");

std::u16string Latin1(std::string_view bytes) {
    return std::u16string(bytes.begin(), bytes.end());
}

// Firefox's text/x-moz-url: UTF-16 in the machine's order (a byte order mark may say
// otherwise), the address on the first line and the page's title on the second.
std::u16string Utf16Bytes(std::string_view bytes) {
    std::u16string text;
    bool swap = false;
    std::size_t at = 0;
    if (bytes.size() >= 2) {
        const auto b0 = static_cast<unsigned char>(bytes[0]);
        const auto b1 = static_cast<unsigned char>(bytes[1]);
        const bool little = b0 == 0xFF && b1 == 0xFE;
        const bool big = b0 == 0xFE && b1 == 0xFF;
        if (little || big) {
            swap = big == (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);
            at = 2;
        }
    }
    for (; at + 1 < bytes.size(); at += 2) {
        char16_t unit = 0;
        std::memcpy(&unit, bytes.data() + at, 2);
        if (swap)
            unit = static_cast<char16_t>((unit >> 8) | (unit << 8));
        text += unit;
    }
    return text;
}

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f' || c == u'\v' ||
           c == 0;
}

std::u16string Trim(std::u16string_view text) {
    std::size_t first = 0, last = text.size();
    while (first < last && IsSpace(text[first]))
        ++first;
    while (last > first && IsSpace(text[last - 1]))
        --last;
    return std::u16string(text.substr(first, last - first));
}

// The first line that is not empty and not a comment (text/uri-list's "#" lines).
std::u16string FirstLine(std::u16string_view text, bool skipComments) {
    while (!text.empty()) {
        const std::size_t end = text.find_first_of(u"\r\n");
        std::u16string line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::u16string_view::npos ? text.size() : end + 1);
        if (!line.empty() && !(skipComments && line[0] == u'#'))
            return line;
    }
    return {};
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char16_t c = text[i] < 0x80 ? static_cast<char16_t>(std::tolower(text[i])) : text[i];
        if (c != prefix[i])
            return false;
    }
    return true;
}

// One http or https address and nothing else; what else was dropped is no link.
std::u16string OneLink(std::u16string text) {
    if (!StartsWithNoCase(text, u"http://") && !StartsWithNoCase(text, u"https://"))
        return {};
    for (char16_t c : text)
        if (IsSpace(c) || c < 0x20)
            return {};
    return text;
}

} // namespace

void TX11Display::TImpl::InitTransfers() {
    XInternAtoms(Dpy, const_cast<char**>(TransferAtomNames),
                 static_cast<int>(sizeof(TransferAtomNames) / sizeof(char*)), False,
                 reinterpret_cast<Atom*>(&TransferAtoms));
}

void TX11Display::TImpl::MarkDropTarget(TX11Surface& s) {
    s.AcceptDrops = true;
    const long version = XdndVersion;
    XChangeProperty(Dpy, s.Xid, TransferAtoms.XdndAware, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
}

// The formats in the order a link is best read from them.
Atom TX11Display::TImpl::PreferredType(const std::vector<Atom>& offered) const {
    const TX11TransferAtoms& a = TransferAtoms;
    for (Atom wanted : {a.UriList, a.MozUrl, Atoms.Utf8String, a.TextPlainUtf8, a.TextPlain})
        for (Atom type : offered)
            if (type == wanted)
                return wanted;
    return None;
}

std::u16string TX11Display::TImpl::DecodeLink(Atom type, std::string_view bytes) const {
    const TX11TransferAtoms& a = TransferAtoms;
    std::u16string text;
    if (type == a.UriList)
        text = FirstLine(Utf8ToUtf16(bytes, TUtf8Replacement::MaximalSubpart), true);
    else if (type == a.MozUrl)
        text = FirstLine(Utf16Bytes(bytes), false);
    else if (type == a.TextPlain)
        text = Trim(Latin1(bytes));
    else
        text = Trim(Utf8ToUtf16(bytes, TUtf8Replacement::MaximalSubpart));
    return OneLink(std::move(text));
}

void TX11Display::TImpl::SendToSource(::Window source, Atom type, long l1, long l2, long l3,
                                      long l4) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = source;
    ev.xclient.message_type = type;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(Drag.TargetXid);
    ev.xclient.data.l[1] = l1;
    ev.xclient.data.l[2] = l2;
    ev.xclient.data.l[3] = l3;
    ev.xclient.data.l[4] = l4;
    XSendEvent(Dpy, source, False, NoEventMask, &ev);
    XFlush(Dpy);
}

void TX11Display::TImpl::FinishDrop(bool accepted) {
    if (Drag.Source != 0 && Drag.Version >= 2)
        SendToSource(Drag.Source, TransferAtoms.XdndFinished, accepted ? 1 : 0,
                     accepted ? static_cast<long>(TransferAtoms.XdndActionCopy) : 0, 0, 0);
    Drag = TX11Drag{};
}

// Over the surface's picture: where its input region is (the server's own test, so a shrunk
// picture takes drops only where it is drawn).
bool TX11Display::TImpl::DropPointInside(const TX11Surface& s, int rootX, int rootY) {
    int x = 0, y = 0;
    ::Window child = 0;
    if (!s.Mapped || !XTranslateCoordinates(Dpy, Root, s.Xid, rootX, rootY, &x, &y, &child))
        return false;
    if (x < 0 || y < 0 || x >= s.Bounds.Width() || y >= s.Bounds.Height())
        return false;
    if (!s.HasShape)
        return true;
    for (const TRect& r : s.Shape)
        if (r.Contains(x, y))
            return true;
    return false;
}

bool TX11Display::TImpl::HandleTransferEvent(XEvent& ev) {
    const TX11TransferAtoms& a = TransferAtoms;
    if (ev.type == KeyPress || ev.type == ButtonPress) {
        LastUserTime = ev.type == KeyPress ? ev.xkey.time : ev.xbutton.time;
        return false;
    }
    if (ev.type == SelectionNotify) {
        TakeSelection(ev.xselection);
        return FindByXid(ev.xselection.requestor) != nullptr;
    }
    if (ev.type != ClientMessage || ev.xclient.format != 32)
        return false;
    const Atom type = ev.xclient.message_type;
    if (type != a.XdndEnter && type != a.XdndPosition && type != a.XdndLeave && type != a.XdndDrop)
        return false;
    TX11Surface* s = FindByXid(ev.xclient.window);
    if (s == nullptr || !s->AcceptDrops)
        return true;
    const auto source = static_cast<::Window>(ev.xclient.data.l[0]);
    const long* l = ev.xclient.data.l;

    if (type == a.XdndEnter) {
        // A new drag ends one whose data never came.
        if (Drag.Source != 0 && Drag.Dropped)
            FinishDrop(false);
        Drag = TX11Drag{};
        const long version = (l[1] >> 24) & 0xFF;
        if (version < OldestXdndVersion)
            return true;
        Drag.Source = source;
        Drag.Target = s->Window;
        Drag.TargetXid = s->Xid;
        Drag.Version = std::min(version, XdndVersion);
        std::vector<Atom> offered;
        if ((l[1] & 1) != 0) {
            Atom actual = 0;
            int format = 0;
            unsigned long count = 0, after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(Dpy, source, a.XdndTypeList, 0, 1024, False, XA_ATOM, &actual,
                                   &format, &count, &after, &data) == Success &&
                data != nullptr) {
                if (actual == XA_ATOM && format == 32) {
                    const auto* atoms = reinterpret_cast<const Atom*>(data);
                    offered.assign(atoms, atoms + count);
                }
                XFree(data);
            }
        } else {
            for (int i = 2; i <= 4; ++i)
                if (l[i] != 0)
                    offered.push_back(static_cast<Atom>(l[i]));
        }
        Drag.Type = PreferredType(offered);
        return true;
    }
    if (source == 0 || source != Drag.Source || s->Window != Drag.Target)
        return true;

    if (type == a.XdndPosition) {
        if (Drag.Dropped)
            return true;
        const int rootX = static_cast<int>((l[2] >> 16) & 0xFFFF);
        const int rootY = static_cast<int>(l[2] & 0xFFFF);
        Drag.Point = TPoint{rootX, rootY};
        const bool inside = DropPointInside(*s, rootX, rootY);
        if (inside && !Drag.Reported) {
            // The window may grow back to full size first; later positions see its new shape.
            Drag.Reported = true;
            TInputEvent enter;
            enter.Kind = TInputKind::DragEnter;
            enter.Window = s->Window;
            enter.Point = Drag.Point;
            Push(enter);
        }
        Drag.Accepted = inside && Drag.Type != None;
        // Bit 1 asks for every position: whether a point is over the picture changes inside
        // any rectangle this answer could name.
        SendToSource(source, a.XdndStatus, (Drag.Accepted ? 1 : 0) | 2, 0, 0,
                     Drag.Accepted ? static_cast<long>(a.XdndActionCopy) : 0);
        return true;
    }
    if (type == a.XdndLeave) {
        if (!Drag.Dropped)
            Drag = TX11Drag{};
        return true;
    }
    // XdndDrop.
    if (!Drag.Accepted || Drag.Dropped) {
        FinishDrop(false);
        return true;
    }
    Drag.Dropped = true;
    Drag.Deadline = MonotonicMs() + TransferTimeoutMs;
    const Time when = Drag.Version >= 1 ? static_cast<Time>(l[2]) : CurrentTime;
    XDeleteProperty(Dpy, s->Xid, a.DropProperty);
    XConvertSelection(Dpy, a.XdndSelection, Drag.Type, a.DropProperty, s->Xid, when);
    XFlush(Dpy);
    return true;
}

// The answer of a conversion we asked for: the dropped link, or the clipboard's text.
void TX11Display::TImpl::TakeSelection(const XSelectionEvent& ev) {
    const TX11TransferAtoms& a = TransferAtoms;
    const bool drop =
        ev.selection == a.XdndSelection && Drag.Dropped && ev.requestor == Drag.TargetXid;
    const bool clip = ev.selection == a.Clipboard && Clipboard.Window != 0;
    if (!drop && !clip)
        return;
    TX11Surface* s = FindByXid(ev.requestor);
    std::string bytes;
    bool complete = false;
    if (s != nullptr && ev.property != None) {
        Atom actual = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(Dpy, ev.requestor, ev.property, 0, MaxTransferBytes / 4, True,
                               AnyPropertyType, &actual, &format, &count, &after,
                               &data) == Success) {
            // INCR would hand a large answer over piece by piece; no link needs that.
            complete = actual != a.Incr && format == 8 && after == 0;
            if (complete && data != nullptr)
                bytes.assign(reinterpret_cast<const char*>(data), count);
            if (data != nullptr)
                XFree(data);
            if (after != 0)
                XDeleteProperty(Dpy, ev.requestor, ev.property);
        }
    }
    if (drop) {
        TInputEvent out;
        out.Kind = TInputKind::Drop;
        out.Window = Drag.Target;
        out.Point = Drag.Point;
        if (complete)
            out.Text = DecodeLink(Drag.Type, bytes);
        FinishDrop(!out.Text.empty());
        Push(std::move(out));
    } else {
        TInputEvent out;
        out.Kind = TInputKind::ClipboardText;
        out.Window = Clipboard.Window;
        if (complete)
            out.Text = Trim(Utf8ToUtf16(bytes, TUtf8Replacement::MaximalSubpart));
        Clipboard = TX11ClipboardRequest{};
        Push(std::move(out));
    }
}

std::optional<std::uint64_t> TX11Display::TImpl::TransferDeadline() const {
    std::optional<std::uint64_t> deadline;
    if (Drag.Dropped)
        deadline = Drag.Deadline;
    if (Clipboard.Window != 0 && (!deadline || Clipboard.Deadline < *deadline))
        deadline = Clipboard.Deadline;
    return deadline;
}

void TX11Display::TImpl::CheckTransferTimeouts() {
    const std::uint64_t now = MonotonicMs();
    if (Drag.Dropped && now >= Drag.Deadline)
        FinishDrop(false);
    if (Clipboard.Window != 0 && now >= Clipboard.Deadline) {
        TInputEvent out;
        out.Kind = TInputKind::ClipboardText;
        out.Window = Clipboard.Window;
        Clipboard = TX11ClipboardRequest{};
        Push(std::move(out));
    }
}

void TX11Display::RequestClipboardText(HWND window) {
    TImpl& x = *Impl;
    TX11Surface* s = x.Find(window);
    if (x.Clipboard.Window != 0)
        return; // the answer to the request in flight serves this one too
    const bool owned =
        !x.Dead && s != nullptr && XGetSelectionOwner(x.Dpy, x.TransferAtoms.Clipboard) != None;
    if (!owned) {
        TInputEvent out;
        out.Kind = TInputKind::ClipboardText;
        out.Window = window;
        x.Push(std::move(out));
        return;
    }
    x.Clipboard.Window = window;
    x.Clipboard.Deadline = MonotonicMs() + TransferTimeoutMs;
    XDeleteProperty(x.Dpy, s->Xid, x.TransferAtoms.ClipboardProperty);
    XConvertSelection(x.Dpy, x.TransferAtoms.Clipboard, x.Atoms.Utf8String,
                      x.TransferAtoms.ClipboardProperty, s->Xid,
                      x.LastUserTime != 0 ? x.LastUserTime : CurrentTime);
    XFlush(x.Dpy);
}

} // namespace platform
