// A user changing the widget's sources on the card, on the headless screen against a loopback
// site: links dropped and pasted (with the footer's word on each and the refresh after it), the
// shrunk card growing back under a drag, the options view's sources page with its undoable
// removal, and another program's change of the file taken up on its message.
#include "app_fixture.h"

#include "app/ids.h"
#include "app/news_refresher.h"
#include "elements/content.h"
#include "loopback_site.h"
#include "news/source_state.h"
#include "platform/sys/resources.h"

namespace app_test {
namespace {

class Sources : public AppTest {
protected:
    std::u16string Status() const { return Probe().StatusText()->Data(); }
    bool StatusShown() const { return Probe().StatusText()->Visible(); }

    std::u16string Word(platform::UINT Id, const std::u16string& Name = {}) const {
        std::u16string text = platform::LoadStr(Id);
        if (const auto at = text.find(u"%s"); at != std::u16string::npos)
            text.replace(at, 2, Name);
        return text;
    }

    void Drop(const std::u16string& Text) {
        Screen->Drop(Handle, Window->Left() + 200, Window->Top() + 150, Text);
        Pump();
    }

    // Waits for the look at a dropped or pasted address to end.
    void AwaitProbe() {
        ASSERT_TRUE(PumpUntil([&] { return !Probe().SourceEditor().Probing(); }));
    }

    // The app's loop: keys are seen by the window before the element with the focus.
    void PumpLikeTheLoop() {
        platform::TMsg m;
        while (platform::PeekMessage(&m, 0, 0, 0, platform::PM_REMOVE)) {
            if (Window->PreTranslateMessage(m))
                continue;
            platform::TranslateMessage(&m);
            platform::DispatchMessage(&m);
        }
    }
};

TEST_F(Sources, DroppedAndPastedLinksAreAddedWithAWordInTheFooterThenRemovedOnThePage) {
    TSite site;
    PutNewsSite(site);
    EditOptions([&](TOptions& o) {
        o.WriteString(u"server", u"news", Utf8ToWide(site.Host()));
        o.WriteFeeds({Utf8ToWide(site.Url("/atom"))});
    });
    Start();
    auto& refresher = Probe().Refresher();
    // The start-up refresh first.
    Elapse(app::StartInterval);
    ASSERT_TRUE(PumpUntil([&] { return refresher.Status().LastUpdate().has_value(); }));
    const std::u16string lastUpdate = Status();

    // Words are not a link: nothing is asked, the footer says so for five seconds.
    const std::size_t asked = site.Heads("/").size();
    Drop(u"Son dakika haberleri");
    EXPECT_FALSE(Probe().SourceEditor().Probing());
    EXPECT_EQ(Status(), Word(app::SourceNotFoundString));
    EXPECT_TRUE(StatusShown());
    Elapse(app::OutcomeInterval - 1);
    EXPECT_EQ(Status(), Word(app::SourceNotFoundString));
    Elapse(1);
    EXPECT_EQ(Status(), lastUpdate);
    EXPECT_FALSE(refresher.CycleInFlight()); // nothing was added, so nothing is refreshed

    // The site's front page advertises two feeds; the first is added, with its name.
    site.Hold("/");
    Drop(Utf8ToWide(site.Url("/")));
    EXPECT_TRUE(Probe().SourceEditor().Probing());
    EXPECT_EQ(Status(), platform::LoadStr(app::BusyString));
    site.Release();
    AwaitProbe();
    EXPECT_EQ(site.Heads("/").size(), asked + 1);
    EXPECT_EQ(Feeds(), (std::vector<std::string>{site.Url("/atom"), site.Url("/rss")}));
    EXPECT_EQ(Status(), Word(app::SourceAddedString, u"Kanal RSS"));
    EXPECT_EQ(refresher.Sources().Feeds.size(), 2u);
    // After the five seconds, a refresh brings the new feed's headlines.
    EXPECT_FALSE(refresher.CycleInFlight());
    site.Hold("/rss");
    Elapse(app::OutcomeInterval);
    EXPECT_TRUE(refresher.CycleInFlight());
    site.Release();
    ASSERT_TRUE(PumpUntil([&] { return !refresher.CycleInFlight(); }));
    const auto titles = Titles();
    EXPECT_NE(std::find(titles.begin(), titles.end(), "RSS haberi"), titles.end());
    EXPECT_NE(std::find(titles.begin(), titles.end(), "Atom haberi"), titles.end());

    // Pasted: the feed itself is known already, and a closed port cannot be reached.
    Screen->SetClipboardText(Utf8ToWide(site.Url("/rss")));
    Probe().SourceEditor().Paste();
    Pump();
    EXPECT_EQ(Screen->ClipboardRequests(), 1);
    EXPECT_EQ(Status(), Word(app::SourceExistsString));
    // Ctrl+V wherever the keyboard is takes the clipboard's text; a V alone does not.
    Screen->SetClipboardText(u"  http://127.0.0.1:9/kapali  \n");
    Screen->KeyDown('V', u"v");
    Screen->KeyUp('V');
    PumpLikeTheLoop();
    EXPECT_EQ(Screen->ClipboardRequests(), 1);
    Screen->KeyDown(platform::VK_CONTROL);
    Screen->KeyDown('V', u"\x16");
    PumpLikeTheLoop();
    Screen->KeyUp('V');
    Screen->KeyUp(platform::VK_CONTROL);
    PumpLikeTheLoop();
    EXPECT_EQ(Screen->ClipboardRequests(), 2);
    AwaitProbe();
    EXPECT_EQ(Status(), Word(app::SourceUnreachableString));
    // A page that advertises nothing, and an empty clipboard.
    Drop(Utf8ToWide(site.Url("/plain")));
    AwaitProbe();
    EXPECT_EQ(Status(), Word(app::SourceNotFoundString));
    Screen->SetClipboardText(std::nullopt);
    Window->PasteSource();
    Pump();
    EXPECT_EQ(Status(), Word(app::SourceNotFoundString));
    EXPECT_EQ(Feeds().size(), 2u);

    // Shrunk while another window was active, the card grows back when a drag comes over it.
    Probe().Scaler().ScaleWindow(false);
    ASSERT_TRUE(Probe().Scaler().Scaled());
    Screen->DragEnter(Handle, Window->Left() + 10, Window->Top() + 10);
    Pump();
    EXPECT_FALSE(Probe().Scaler().Scaled());

    // The sources page: the alarm server first, without a button, then the feeds by name.
    Window->ToggleOptions();
    Probe().SourcesLink()->OnClick(Probe().SourcesLink(), 0, 0, 0);
    ASSERT_TRUE(Probe().OptionsView().SourcesPageShown());
    EXPECT_FALSE(Probe().StartupBox()->Visible());
    const auto& rows = Probe().SourcesPage().Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(rows[0].Alarm);
    EXPECT_EQ(Probe().SourceName(0)->Data(), Word(app::AlarmSourceString, Utf8ToWide(site.Host())));
    EXPECT_FALSE(Probe().SourceAction(0)->Visible());
    EXPECT_EQ(Probe().SourceName(1)->Data(), u"Kanal Atom");
    EXPECT_EQ(Probe().SourceName(2)->Data(), u"Kanal RSS");
    EXPECT_EQ(Probe().SourceAction(2)->Data(), platform::LoadStr(app::RemoveSourceString));
    // "Kaldır" marks the feed; the file keeps it until the view closes, and "Geri al" undoes.
    const auto click = [&](elements::TSkinText* text) { text->OnClick(text, 0, 0, 0); };
    click(Probe().SourceAction(0)); // the alarm server's slot has nothing to remove
    click(Probe().SourceAction(2));
    EXPECT_EQ(Probe().SourceAction(2)->Data(), platform::LoadStr(app::UndoRemoveString));
    EXPECT_EQ(Feeds().size(), 2u);
    click(Probe().SourceAction(2));
    click(Probe().SourceAction(1));
    Window->ToggleOptions();
    EXPECT_EQ(Feeds(), std::vector<std::string>{site.Url("/rss")});
    EXPECT_EQ(refresher.Sources().Feeds, std::vector<std::string>{site.Url("/rss")});
    EXPECT_TRUE(refresher.CycleInFlight());
    ASSERT_TRUE(PumpUntil([&] { return !refresher.CycleInFlight(); }));
    EXPECT_FALSE(fs::exists(news::TSourceStore(DataFolder + "/sources").PathOf(site.Url("/atom"))));
    // Opened again, the sheet shows its check boxes first.
    Window->ToggleOptions();
    EXPECT_FALSE(Probe().OptionsView().SourcesPageShown());
    EXPECT_TRUE(Probe().StartupBox()->Visible());
    Window->ToggleOptions();

    // Another program (the command line) adds a feed and tells the widget.
    TOptions other(Utf8ToWide(OptionsPath()));
    const auto addBoth = [&](TOptions& o) {
        o.WriteFeeds({Utf8ToWide(site.Url("/rss")), Utf8ToWide(site.Url("/atom"))});
        return true;
    };
    ASSERT_EQ(SaveOptionsLocked(other, addBoth), TOptionsSave::Written);
    site.Hold("/atom");
    platform::PostMessage(Handle, app::WM_EXTERNALRELOAD, 0, 0);
    Pump();
    EXPECT_EQ(refresher.Sources().Feeds.size(), 2u);
    EXPECT_TRUE(refresher.CycleInFlight());
    site.Release();
    ASSERT_TRUE(PumpUntil([&] { return !refresher.CycleInFlight(); }));

    // Closing writes the window's own part and keeps the feeds and the server as the file has
    // them.
    Window->ShutDown();
    const TOptions saved = Saved();
    EXPECT_EQ(saved.ReadFeeds()->size(), 2u);
    EXPECT_EQ(saved.ReadString(u"server", u"news", u""), Utf8ToWide(site.Host()));
    EXPECT_EQ(saved.ReadLeft(), Window->Left());
}

} // namespace
} // namespace app_test
