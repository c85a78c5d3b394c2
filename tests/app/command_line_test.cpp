// The command line: what each verb does to the options file, the source records and a running
// widget, and the one line it says when an argument is wrong or a verb fails.
#include "app_fixture.h"

#include "app/command_line.h"
#include "app/ids.h"
#include "loopback_site.h"
#include "news/feeds/opml.h"
#include "news/source_state.h"

#include <sstream>

namespace app_test {
namespace {

class CommandLine : public AppTest {
protected:
    struct TResult {
        int Code = -1;
        std::string Out, Err;
    };

    TResult Run(const std::vector<std::string>& Args) {
        std::ostringstream out, err;
        app::TCommandContext context;
        context.DataFolder = Utf8ToWide(DataFolder);
        context.SendToWidget = [this](platform::UINT Message, std::string& Error) {
            if (!WidgetRunning) {
                Error = "the widget is not running";
                return false;
            }
            Sent.push_back(Message);
            return true;
        };
        context.Out = &out;
        context.Err = &err;
        const int code = app::RunCommandLine(Args, context);
        return {code, out.str(), err.str()};
    }

    static int Lines(const std::string& Text) {
        return static_cast<int>(std::count(Text.begin(), Text.end(), '\n'));
    }

    bool WidgetRunning = false;
    std::vector<platform::UINT> Sent;
};

TEST_F(CommandLine, BadArgumentsGiveOneLineOfUsageAndFailuresOneReason) {
    struct TCase {
        std::vector<std::string> Args;
        int Code;
        const char* ErrStarts;
    };
    const int usage = app::ExitUsage, failure = app::ExitFailure;
    const TCase cases[] = {
        {{"--bogus"}, usage, "usage: minipelikora [--add-feed URL"},
        {{"-h"}, usage, "usage: minipelikora ["},
        {{"--add-feed"}, usage, "usage: minipelikora --add-feed URL"},
        {{"--add-feed", ""}, usage, "usage: minipelikora --add-feed URL"},
        {{"--add-feed", "ftp://example.test/rss"}, usage, "usage: minipelikora --add-feed"},
        {{"--add-feed", "haber sitesi"}, usage, "usage: minipelikora --add-feed"},
        {{"--add-feed", "http://a.test/ http://b.test/"}, usage, "usage:"},
        {{"--remove-feed", "javascript:alert(1)"}, usage, "usage: minipelikora --remove"},
        {{"--list-feeds", "extra"}, usage, "usage: minipelikora ["},
        {{"--export-opml"}, usage, "usage: minipelikora --export-opml FILE"},
        {{"--quit", "--refresh"}, usage, "usage: minipelikora ["},
        {{"--refresh"}, failure, "minipelikora: the widget is not running"},
        {{"--quit"}, failure, "minipelikora: the widget is not running"},
        {{"--remove-feed", "http://nope.test/rss"}, failure, "minipelikora: not listed"},
        {{"--import-opml", "/nonexistent/list.opml"}, failure, "minipelikora: cannot read"},
        {{"--add-feed", "http://127.0.0.1:9/closed"}, failure, "minipelikora: cannot reach"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Args[0] + (c.Args.size() > 1 ? " " + c.Args[1] : std::string()));
        const TResult r = Run(c.Args);
        EXPECT_EQ(r.Code, c.Code);
        EXPECT_EQ(r.Err.rfind(c.ErrStarts, 0), 0u) << r.Err;
        EXPECT_EQ(Lines(r.Err), 1);
        EXPECT_EQ(r.Out, "");
    }
    // Nothing was written by any of them.
    EXPECT_FALSE(fs::exists(OptionsPath()));

    const TResult version = Run({"--version"});
    EXPECT_EQ(version.Code, app::ExitSuccess);
    EXPECT_EQ(version.Out, "minipelikora 1.0.0.0\n");
    const TResult help = Run({"--help"});
    EXPECT_EQ(help.Code, app::ExitSuccess);
    for (const char* verb : {"--add-feed URL", "--remove-feed URL", "--list-feeds",
                             "--import-opml FILE", "--export-opml FILE", "--refresh", "--quit"})
        EXPECT_NE(help.Out.find(verb), std::string::npos) << verb;
}

// One session of a user's scripts, with a widget running for part of it.
TEST_F(CommandLine, FeedsAreAddedListedImportedExportedAndRemoved) {
    TSite site;
    PutNewsSite(site);
    const std::string builtIn = "http://127.0.0.1:9/feed";

    // Without any options file the list is the built-in one.
    TResult r = Run({"--list-feeds"});
    EXPECT_EQ(r.Code, app::ExitSuccess);
    EXPECT_EQ(r.Out, builtIn + "\n");

    // A page stands for the first feed it advertises; the built-in feeds stay beside it, and
    // the feed's first answer becomes its record, so its name is known at once.
    r = Run({"--add-feed", " " + site.Url("/") + "\n"});
    EXPECT_EQ(r.Code, app::ExitSuccess) << r.Err;
    EXPECT_EQ(r.Out, "minipelikora: added Kanal RSS (" + site.Url("/rss") + ")\n");
    EXPECT_EQ(Feeds(), (std::vector<std::string>{builtIn, site.Url("/rss")}));
    EXPECT_EQ(news::TSourceStore(DataFolder + "/sources").Load(site.Url("/rss")).Items.size(), 1u);
    EXPECT_TRUE(Sent.empty()); // no widget ran to be told

    // Again, by the page or by the feed: nothing changes, and that is no failure.
    WidgetRunning = true;
    for (const std::string& again : {site.Url("/"), site.Url("/rss")}) {
        r = Run({"--add-feed", again});
        EXPECT_EQ(r.Code, app::ExitSuccess);
        EXPECT_EQ(r.Out.rfind("minipelikora: already listed: ", 0), 0u);
    }
    EXPECT_EQ(Feeds().size(), 2u);
    EXPECT_TRUE(Sent.empty());
    // A page without a feed adds nothing.
    r = Run({"--add-feed", site.Url("/plain")});
    EXPECT_EQ(r.Code, app::ExitFailure);
    EXPECT_EQ(r.Err, "minipelikora: no news feed at " + site.Url("/plain") + "\n");

    r = Run({"--list-feeds"});
    EXPECT_EQ(r.Out, builtIn + "\n" + site.Url("/rss") + "\tKanal RSS\n");

    // An OPML list with folders, a duplicate, a listed feed and addresses of other schemes.
    const std::string opml = Dir + "/in.opml";
    const auto outline = [](const std::string& Url) { return "<outline xmlUrl=\"" + Url + "\"/>"; };
    WriteBytes(opml, "<opml version=\"2.0\"><body><outline text=\"Klasor\"><outline text=\"Atom\" "
                     "title=\"Atom listesi\" xmlUrl=\"" +
                         site.Url("/atom") + "\"/>" + outline(site.Url("/rss")) + "</outline>" +
                         outline(site.Url("/atom")) + outline("file:///etc/passwd") +
                         outline("feed:x") + "</body></opml>");
    r = Run({"--import-opml", opml});
    EXPECT_EQ(r.Code, app::ExitSuccess) << r.Err;
    EXPECT_EQ(r.Out, "minipelikora: added 1 feeds from " + opml +
                         "; 2 already listed, 2 refused (not http or https)\n");
    EXPECT_EQ(Feeds(), (std::vector<std::string>{builtIn, site.Url("/rss"), site.Url("/atom")}));
    EXPECT_EQ(Sent, std::vector<platform::UINT>{app::WM_EXTERNALRELOAD});

    // Exported, the list reads back as it is, with the names known so far.
    const std::string exported = Dir + "/out.opml";
    r = Run({"--export-opml", exported});
    EXPECT_EQ(r.Code, app::ExitSuccess);
    const news::feeds::TOpmlList back = news::feeds::ReadOpml(ReadBytes(exported));
    ASSERT_EQ(back.Feeds.size(), 3u);
    EXPECT_EQ(back.Feeds[1].Title, "Kanal RSS");
    EXPECT_EQ(back.Feeds[2].Title, "Atom listesi");
    r = Run({"--export-opml", "-"});
    EXPECT_EQ(r.Out, ReadBytes(exported));

    // Removal, told to the widget; the widget is asked to refresh and to close.
    r = Run({"--remove-feed", site.Url("/rss")});
    EXPECT_EQ(r.Code, app::ExitSuccess);
    EXPECT_EQ(Feeds(), (std::vector<std::string>{builtIn, site.Url("/atom")}));
    EXPECT_EQ(Run({"--refresh"}).Code, app::ExitSuccess);
    EXPECT_EQ(Run({"--quit"}).Code, app::ExitSuccess);
    EXPECT_EQ(Sent, (std::vector<platform::UINT>{app::WM_EXTERNALRELOAD, app::WM_EXTERNALRELOAD,
                                                 app::WM_EXTERNALREFRESH, app::WM_EXTERNALCLOSE}));
}

} // namespace
} // namespace app_test
