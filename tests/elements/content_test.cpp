// The news list on a headless screen: loading, layout, painting, the cursor and link clicks.
#include "elements/content.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "element_fixture.h"
#include "elements/scrollbar.h"
#include "elements/textconv.h"
#include "news/feed.h"
#include "tests/support/scratch.h"
#include "widgets/text.h"

using namespace elements;
using namespace platform;
using elements_test::ElementTest;

namespace {

std::string Item(const std::string& si, const std::string& t, const std::string& s,
                 const std::string& u) {
    return "  <n i=\"1\" si=\"" + si + "\" t=\"" + t + "\" s=\"" + s + "\" cd=\"\" u=\"" + u +
           "\" />\r\n";
}

std::string Doc(const std::string& items) {
    return "\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8'?>\r\n<r>\r\n" + items + "</r>";
}

class ContentTest : public ElementTest {
protected:
    void SetUp() override {
        ElementTest::SetUp();
        List = &Styled(Make<TContentEx>(*Background, 30, 75, 390, 213));
        List->OpenLink = [this](const std::string& url) { Opened.push_back(url); };
    }

    // The look the main window gives its list.
    static TContentEx& Styled(TContentEx& L) {
        L.Canvas().Font().SetName(u"Trebuchet MS");
        L.Canvas().Font().SetSize(9);
        L.Canvas().SetAntialias(false);
        L.Cached = true;
        return L;
    }

    void WriteDoc(const std::string& text) { testsupport::WriteBytes(Path, text); }
    void Load(const std::string& text) {
        WriteDoc(text);
        List->LoadDocument(Utf8ToUtf16(Path));
    }
    // Paints the window (and the list) once, as the main window does after a load.
    void Show() {
        List->Redraw = true;
        Window->Update();
    }
    void ClickAt(int x, int y) {
        const TPoint p = ScreenOf(*List, x, y);
        Screen->Click(p.X, p.Y);
        Pump();
    }

    // The same long list twice: Whole in a container taller than it, so one band holds its
    // whole picture, and Banded in a viewport of the main window's size.
    struct TPair {
        TContentEx& Whole;
        TContainerEx& Viewport;
        TContentEx& Banded;
    };
    TPair LoadPair(const std::string& items) {
        WriteDoc(Doc(items));
        auto& tall = Make<TContainerEx>(*Background, 0, 0, 390, 32000);
        auto& viewport = Make<TContainerEx>(*Background, 30, 75, 390, 213);
        TPair p{Make<TContentEx>(tall, 0, 0, 390, 213), viewport,
                Make<TContentEx>(viewport, 0, 0, 390, 213)};
        for (TContentEx* list : {&p.Whole, &p.Banded})
            Styled(*list).LoadDocument(Utf8ToUtf16(Path));
        List->Hide();
        tall.Hide();
        return p;
    }
    // The viewport's pixels that differ from the whole picture scrolled to Top: how many lie
    // inside Area (in the list's coordinates) and how many outside it.
    static std::pair<int, int> Differences(const TPair& p, int Top, const TRect& Area = {}) {
        const auto& truth = p.Whole.Canvas().Bitmap();
        int in = 0;
        const int all = elements_test::CountPixels(
            p.Viewport.Canvas().Bitmap(), [&](int x, int y, std::uint32_t px) {
                const bool differs = px != truth.GetPixel(x, y - Top);
                in += differs && Area.Contains(x, y - Top);
                return differs;
            });
        return {in, all - in};
    }

    TContentEx* List = nullptr;
    testsupport::TTempDir Scratch;
    const std::string Path = Scratch.File("news.xml");
    std::vector<std::string> Opened;
};

} // namespace

TEST_F(ContentTest, LoadingLaysTheItemsOutOneBelowTheOther) {
    Load(Doc(Item("", "First headline", "A summary", "http://h/1") +
             Item("", "Second headline that is a little longer", "Summary two\r\nline two",
                  "http://h/2") +
             Item("", "Third", "", "")));
    ASSERT_NE(List->Items(), nullptr);
    ASSERT_EQ(List->Items()->size(), 3u);
    EXPECT_EQ(List->DocumentPath(), Utf8ToUtf16(Path));
    int previousBottom = -1;
    for (const auto& item : *List->Items()) {
        EXPECT_GT(item->HitRect.Top, previousBottom);
        EXPECT_GT(item->HitRect.Height(), 4);
        EXPECT_GT(item->HitRect.Width(), 0);
        previousBottom = item->HitRect.Bottom;
    }
    // The list is as tall as its content: after the last headline (whose rectangle already
    // holds its 4-pixel gap) come the rule's 2 + 2, an empty summary's 4 and the 15 between items.
    EXPECT_GE(List->Height(), previousBottom + 2 + 2 + 4 + 15 - 1);
    EXPECT_LE(List->Height(), previousBottom + 2 + 2 + 4 + 15 + 1);
}

TEST_F(ContentTest, TheLabelNamesTheSectionAndLayoutAgreesWithPainting) {
    // "24927412" is the second known section; its name comes from the string table.
    Load(Doc(Item("24927412", "Headline", "", "") + Item("unknown", "Headline", "", "")));
    ASSERT_EQ(List->Items()->size(), 2u);
    const TElement& known = *(*List->Items())[0];
    const TElement& unknown = *(*List->Items())[1];
    EXPECT_FALSE(TContentEx::SectionName(known).empty());
    EXPECT_EQ(TContentEx::LabelText(known), TContentEx::SectionName(known));
    EXPECT_TRUE(TContentEx::SectionName(unknown).empty());
    EXPECT_EQ(TContentEx::LabelText(unknown), u"unknown");

    const TRect laidOut0 = known.HitRect;
    const TRect laidOut1 = unknown.HitRect;
    const int height = List->Height();
    EXPECT_EQ(laidOut0.Width(), laidOut1.Width());
    Show();
    EXPECT_EQ(known.HitRect, laidOut0);
    EXPECT_EQ(unknown.HitRect, laidOut1);
    EXPECT_EQ(List->Height(), height);
}

namespace {

// The answer the demo feed serves, as its own module makes it.
std::string DemoAnswer() {
    const std::string command = std::string(MP_PYTHON) +
                                " -c \"import sys; sys.path.insert(0, '" MP_FEED_TOOLS
                                "'); import sample_news as n; "
                                "sys.stdout.buffer.write(n.encode(n.records()))\"";
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

} // namespace

// Every section id against the name the list shows for it, through the real conversion and the
// string table; the demo feed files each item under the id whose name fits its story (the
// folder of its link), so every demo headline carries its right label.
TEST_F(ContentTest, EverySectionIdShowsItsOwnNameAndTheDemoFeedAgrees) {
    struct TSection {
        const char* Id;
        std::u16string Name;
        const char* Folder;
        int Items = 0;
    };
    TSection sections[] = {
        {"24927681", u"Gündem", "gundem"},
        {"24927412", u"Dünya", "dunya"},
        {"24927361", u"Ekonomi", "ekonomi"},
        {"24928011", u"Spor", "spor"},
        {"24927532", u"Teknoloji", "teknoloji"},
        {"24927482", u"Sağlık", "saglik"},
        {"25042599", u"Kültür Sanat", "kultur-sanat"},
        {"24928008", u"Magazin", "magazin"},
        {"24928015", u"Yaşam", "yasam"},
        {"24996390", u"Eğitim", "egitim"},
        {"24927997", u"Politika", "politika"},
        {"24928019", u"Son Dakika", "son-dakika"},
    };
    const std::string answer = DemoAnswer();
    ASSERT_FALSE(answer.empty());
    Load(news::ConvertNews(answer));
    ASSERT_NE(List->Items(), nullptr);
    ASSERT_GE(List->Items()->size(), 24u);
    for (const auto& item : *List->Items()) {
        SCOPED_TRACE(item->Link);
        TSection* section = nullptr;
        for (auto& s : sections)
            if (item->Section == s.Id)
                section = &s;
        ASSERT_NE(section, nullptr) << item->Section;
        EXPECT_EQ(TContentEx::LabelText(*item), section->Name);
        EXPECT_NE(item->Link.find(std::string("/") + section->Folder + "/"), std::string::npos);
        ++section->Items;
    }
    for (const auto& s : sections)
        EXPECT_GT(s.Items, 0) << s.Id;
}

TEST_F(ContentTest, AMissingFileChangesNothing) {
    Load(Doc(Item("", "Kept", "", "")));
    const int height = List->Height();
    List->LoadDocument(u"/nonexistent/dir/news.xml");
    ASSERT_EQ(List->Items()->size(), 1u);
    EXPECT_EQ(List->Height(), height);
    EXPECT_EQ(List->DocumentPath(), Utf8ToUtf16(Path));

    // A list that never loaded has no items at all.
    auto& fresh = Make<TContentEx>(*Background, 0, 0, 100, 100);
    fresh.LoadDocument(u"/nonexistent/news.xml");
    EXPECT_EQ(fresh.Items(), nullptr);
    EXPECT_EQ(fresh.ItemAt(0, 0), -1);
}

TEST_F(ContentTest, ADocumentWithoutItemsEmptiesTheListAndItPaintsNothing) {
    Load(Doc(Item("", "Gone soon", "", "")));
    Show();
    Load(Doc(""));
    ASSERT_NE(List->Items(), nullptr);
    EXPECT_TRUE(List->Items()->empty());
    List->Paint();
    EXPECT_EQ(elements_test::InkPixels(List->Canvas().Bitmap()), 0);
}

TEST_F(ContentTest, ABrokenDocumentKeepsTheItems) {
    Load(Doc(Item("", "Still here", "", "")));
    Load("<r><n t=\"half");
    ASSERT_EQ(List->Items()->size(), 1u);
    EXPECT_EQ((*List->Items())[0]->Title, u"Still here");
}

TEST_F(ContentTest, HeadlinesPaintInTheirColourInsideTheirRectangle) {
    Load(Doc(Item("", "MMMMMMMM", "", "")));
    Show();
    const TRect r = (*List->Items())[0]->HitRect;
    ASSERT_GT(r.Width(), 0);
    int headlinePixels = 0;
    const auto& bitmap = List->Canvas().Bitmap();
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) {
            const std::uint32_t p = bitmap.GetPixel(x, y);
            if ((p >> 24) > 200) {
                ++headlinePixels;
                // Dark blue: no red or green, some blue.
                EXPECT_LT((p >> 16) & 0xFF, 0x20u);
                EXPECT_GT(p & 0xFF, 0x60u);
            }
        }
    EXPECT_GT(headlinePixels, 20);
}

// A long list measures a headline's width only once it comes near the shown part. Scrolled to
// before the list was ever painted there, a headline still takes the click over its text, and
// only there.
TEST_F(ContentTest, AHeadlineFarDownTakesTheClickBeforeItWasEverPainted) {
    std::string items;
    for (int i = 0; i < 60; ++i)
        items += Item("", "Haber " + std::to_string(i), "Özet", "http://h/" + std::to_string(i));
    Load(Doc(items));
    Show();
    const TElement& far = *(*List->Items())[55];
    const int y = far.HitRect.Top + far.HitRect.Height() / 2;
    List->SetTop(-far.HitRect.Top + 20);
    ClickAt(3, y);
    EXPECT_EQ(Opened, std::vector<std::string>{"http://h/55"});
    ASSERT_GT(far.HitRect.Width(), 20);
    ClickAt(far.HitRect.Right + 5, y);
    EXPECT_EQ(Opened.size(), 1u);
}

// Over a headline's text the hand shows and the headline is underlined; over the gap under it,
// beside its shorter last line or over the label that shares its rectangle, neither, and a click
// there opens nothing. Leaving puts the headline back exactly as it was.
TEST_F(ContentTest, HoverUnderlinesTheHeadlineUnderThePointerAndOnlyItsText) {
    // Capitals make the first line run under the label at the right edge.
    const std::string title = "KÜLTÜR SANAT DÜNYASINDAN BÜYÜK HABER: MÜZELER AÇIK ve kısa";
    Load(Doc(Item("25042599", title, "Özet", "http://h/1") +
             Item("24927681", "İkinci haber", "", "http://h/2")));
    Show();
    const TElement& item = *(*List->Items())[0];
    const TRect r = item.HitRect;
    ASSERT_EQ(item.HeadlineLines.size(), 2u);
    const TRect first = item.HeadlineLines[0], last = item.HeadlineLines[1];
    ASSERT_LT(last.Right + 4, r.Right);
    ASSERT_TRUE(first.Contains(item.LabelRect.Left + 2, item.LabelRect.Top + 4));
    auto headline = [&] {
        std::vector<std::uint32_t> px;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                px.push_back(List->Canvas().Bitmap().GetPixel(x, y));
        return px;
    };
    const auto plain = headline();

    PointAt(*List, first.Left + 3, (first.Top + first.Bottom) / 2);
    EXPECT_EQ(List->HotItem(), 0);
    EXPECT_EQ(List->Cursor(), crHand);
    EXPECT_EQ(Screen->CursorShape(), IDC_HAND);
    EXPECT_NE(headline(), plain);

    struct TSpot {
        const char* Name;
        int X, Y;
    };
    const TSpot misses[] = {
        {"the gap under the text", first.Left + 3, r.Bottom - 1},
        {"beside the short last line", last.Right + 2, (last.Top + last.Bottom) / 2},
        {"the label where it covers the first line", item.LabelRect.Left + 2,
         item.LabelRect.Top + 4},
    };
    for (const auto& m : misses) {
        SCOPED_TRACE(m.Name);
        ASSERT_TRUE(r.Contains(m.X, m.Y));
        PointAt(*List, m.X, m.Y);
        EXPECT_EQ(List->HotItem(), -1);
        EXPECT_EQ(Screen->CursorShape(), IDC_ARROW);
        EXPECT_EQ(headline(), plain);
        ClickAt(m.X, m.Y);
        EXPECT_TRUE(Opened.empty());
    }

    // From one headline (over its summary, then) to the next, then off the list: one underline
    // at a time, none after.
    PointAt(*List, last.Left + 3, (last.Top + last.Bottom) / 2);
    ASSERT_EQ(List->HotItem(), 0);
    // The summary starts below the rule under the headline.
    PointAt(*List, last.Left + 3, r.Bottom + 8);
    EXPECT_EQ(List->HotItem(), -1);
    EXPECT_EQ(List->Cursor(), crDefault);
    EXPECT_EQ(Screen->CursorShape(), IDC_ARROW);
    const TRect second = (*List->Items())[1]->HeadlineLines.at(0);
    PointAt(*List, second.Left + 3, (second.Top + second.Bottom) / 2);
    EXPECT_EQ(List->HotItem(), 1);
    EXPECT_EQ(headline(), plain);
    Screen->LeaveScreen();
    Pump();
    EXPECT_EQ(List->HotItem(), -1);
}

TEST_F(ContentTest, PressingTakesCaptureAndFocusUntilRelease) {
    Load(Doc(Item("", "Headline", "", "")));
    Show();
    const TPoint p = ScreenOf(*List, 2, 2);
    Screen->MovePointer(p.X, p.Y);
    Screen->PressButton();
    Pump();
    EXPECT_EQ(GetCapture(), List->Handle());
    EXPECT_EQ(GetFocus(), List->Handle());
    Screen->ReleaseButton();
    Pump();
    EXPECT_EQ(GetCapture(), 0u);
}

TEST_F(ContentTest, ClickingAHeadlineOpensItsDecodedWebLink) {
    Load(Doc(Item("", "Web", "", "http%3A%2F%2Fh%2Fa+b%2Fc") +
             Item("", "File", "", "file%3A%2F%2F%2Fetc") +
             Item("", "Path", "", "%2Fusr%2Fbin%2Fx") + Item("", "None", "", "") +
             Item("", "Script", "", "javascript%3Aalert(1)")));
    Show();
    const auto& items = *List->Items();
    for (const auto& item : items)
        ClickAt(item->HitRect.Left + 2, item->HitRect.Top + item->HitRect.Height() / 2);
    EXPECT_EQ(Opened, (std::vector<std::string>{"http://h/a b/c"}));

    // Only the headline is clickable: not the summary area below it, not beside it.
    Opened.clear();
    const TRect r = items[0]->HitRect;
    ClickAt(r.Left + 2, r.Bottom + 6);
    ClickAt(r.Right + 5, r.Top + 2);
    EXPECT_TRUE(Opened.empty());
}

TEST_F(ContentTest, ItemAtIsHalfOpen) {
    Load(Doc(Item("", "Headline", "", "")));
    Show();
    const TRect r = (*List->Items())[0]->HitRect;
    EXPECT_EQ(List->ItemAt(r.Left, r.Top), 0);
    EXPECT_EQ(List->ItemAt(r.Right - 1, r.Bottom - 1), 0);
    EXPECT_EQ(List->ItemAt(r.Right, r.Top), -1);
    EXPECT_EQ(List->ItemAt(r.Left, r.Bottom), -1);
    List->ClearItems();
    EXPECT_EQ(List->ItemAt(r.Left, r.Top), -1);
}

TEST_F(ContentTest, AnOversizedFeedKeepsWhatFitsIntoOnePicture) {
    std::string items;
    std::string summary;
    for (int w = 0; w < 100; ++w)
        summary += "kelime ";
    for (int i = 0; i < 400; ++i)
        items += Item("24927681", "Headline " + std::to_string(i), summary, "http://a.example/");
    Load(Doc(items));
    ASSERT_NE(List->Items(), nullptr);
    const std::size_t kept = List->Items()->size();
    EXPECT_GT(kept, 10u);
    EXPECT_LT(kept, 400u);
    EXPECT_LE(List->Height(), 32000);
    Show();
    // The picture of the shown part exists, so the first headline is actually drawn; the list
    // keeps pixels for its shown part and a margin only.
    const auto& bitmap = List->Canvas().Bitmap();
    ASSERT_EQ(List->BandTop(), 0);
    ASSERT_LE(bitmap.Height(), 3 * Background->Height());
    EXPECT_GT(elements_test::InkPixels(bitmap, (*List->Items())[0]->HitRect), 0);
}

// A long list keeps pixels only for a band around what its container shows. Scrolled anywhere
// (within the band, past it, to the end and back, and hovered there), the container shows
// exactly the rows the list's whole picture holds, as a list painted in one piece shows them.
TEST_F(ContentTest, ABandOfALongListShowsExactlyTheRowsOfItsWholePicture) {
    std::string items;
    for (int i = 0; i < 80; ++i)
        items += Item(i % 2 ? "24927681" : "", "Haber " + std::to_string(i) + " başlığı uzun",
                      "Özet " + std::to_string(i) + " ile biraz daha metin", "http://h/");
    const TPair p = LoadPair(items);
    TContentEx& banded = p.Banded;
    const int shown = p.Viewport.Height();
    ASSERT_GT(p.Whole.Height(), 8 * shown);
    ASSERT_EQ(p.Whole.Canvas().Height(), p.Whole.Height());
    p.Whole.Paint();
    ASSERT_LE(banded.Canvas().Height(), 3 * shown);

    const int end = shown - banded.Height();
    for (const int top : {0, -10, -200, -1234, -1244, end, end + 7, -600, 0}) {
        banded.SetTop(top);
        Window->Update();
        EXPECT_EQ(Differences(p, top).second, 0) << "scrolled to " << top;
        EXPECT_GE(-top, banded.BandTop());
        EXPECT_LE(-top + shown, banded.BandTop() + banded.Canvas().Height());
    }
    // A hover far down the list underlines that headline in the band and nothing else; leaving
    // puts the rows back as they were.
    const int top = -1234;
    banded.SetTop(top);
    Window->Update();
    std::size_t hovered = 0;
    while (hovered < banded.Items()->size() && (*banded.Items())[hovered]->HitRect.Top < -top + 20)
        ++hovered;
    ASSERT_LT(hovered, banded.Items()->size());
    const TElement& item = *(*banded.Items())[hovered];
    ASSERT_LT(item.HitRect.Bottom, -top + shown);
    PointAt(banded, item.HitRect.Left + 3, item.HeadlineLines.at(0).Top + 4);
    ASSERT_EQ(banded.HotItem(), static_cast<int>(hovered));
    Window->Update();
    const auto [underlined, elsewhere] = Differences(p, top, item.HitRect);
    EXPECT_GT(underlined, 10);
    EXPECT_EQ(elsewhere, 0);
    PointAt(banded, item.HitRect.Left + 3, item.HitRect.Bottom + 8);
    EXPECT_EQ(banded.HotItem(), -1);
    Window->Update();
    EXPECT_EQ(Differences(p, top, item.HitRect), std::make_pair(0, 0));
}

// Scrolled step by step down a long list and back up, by steps of uneven sizes so that the band
// moves by every kind of amount, the container shows exactly the rows of the list's whole
// picture at every step: a band that moves keeps the rows it shares and draws only the others.
TEST_F(ContentTest, StepByStepScrollingShowsTheWholePictureAtEveryStep) {
    std::string items;
    for (int i = 0; i < 60; ++i)
        items +=
            Item(i % 3 ? "24927681" : "", "Haber " + std::to_string(i) + " başlığı",
                 i % 4 ? "Özet " + std::to_string(i) : "Uzun özet\r\nikinci satır", "http://h/");
    const TPair p = LoadPair(items);
    p.Whole.Paint();
    const int end = p.Viewport.Height() - p.Banded.Height();
    ASSERT_LT(end, -6 * p.Viewport.Height());
    std::vector<int> tops;
    for (int top = 0; top > end; top -= 37)
        tops.push_back(top);
    for (int top = end; top < 0; top += 101)
        tops.push_back(top);
    int wrong = 0;
    for (const int top : tops) {
        p.Banded.SetTop(top);
        Window->Update();
        const int differing = Differences(p, top).second;
        EXPECT_EQ(differing, 0) << "scrolled to " << top;
        if (differing != 0 && ++wrong == 3)
            break;
    }
}

// One record with a 200 000-character headline and summary used to hold the window thread
// for minutes in text layout, at every start. The list hands the text engine no more than a
// bounded number of characters per item, in layout and in painting.
TEST_F(ContentTest, HostileRecordsCostBoundedTextWork) {
    std::string words;
    for (int i = 0; i < 40000; ++i)
        words += "<&\"'>";
    const std::string unbroken(200000, 'x');
    const std::string escaped = news::EncodeMarkup(words);
    Load(Doc(Item("", unbroken, escaped, "") + Item("", escaped, unbroken, "") +
             Item("", "Short", "An ordinary summary", "")));
    ASSERT_NE(List->Items(), nullptr);
    const std::size_t items = List->Items()->size();
    ASSERT_EQ(items, 3u);
    // Each pass measures or draws the label, the headline (twice) and the summary of each item.
    const std::size_t perItem = 4 * (MaxTitleChars + MaxSummaryChars) + 256;
    const auto afterLayout = List->Canvas().TextWork();
    ASSERT_LE(afterLayout.Characters, items * perItem);
    ASSERT_LE(afterLayout.Layouts, items * 8);
    Show();
    const auto afterPaint = List->Canvas().TextWork();
    EXPECT_LE(afterPaint.Characters - afterLayout.Characters, items * perItem);
    EXPECT_LE(afterPaint.Layouts - afterLayout.Layouts, items * 8);
    EXPECT_EQ((*List->Items())[2]->Title, u"Short");
}
