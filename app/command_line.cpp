#include "app/command_line.h"

#include "app/ids.h"
#include "app/source_list.h"
#include "news/feeds/opml.h"
#include "news/http.h"
#include "news/source_probe.h"
#include "platform/sys/atomic_file.h"
#include "platform/sys/resources.h"
#include "settings/options.h"
#include "settings/unicode.h"

#include <ctime>
#include <filesystem>
#include <map>
#include <optional>

namespace app {

namespace {

constexpr const char* Usage =
    "usage: minipelikora [--add-feed URL | --remove-feed URL | --list-feeds | --import-opml FILE "
    "| --export-opml FILE | --refresh | --quit | --help | --version]";

enum class TVerb {
    AddFeed,
    RemoveFeed,
    ListFeeds,
    ImportOpml,
    ExportOpml,
    Refresh,
    Quit,
    Help,
    Version
};

struct TVerbInfo {
    const char* Name;
    TVerb Verb;
    const char* Operand; // null: the verb takes none
};

const TVerbInfo Verbs[] = {
    {"--add-feed", TVerb::AddFeed, "URL"},
    {"--remove-feed", TVerb::RemoveFeed, "URL"},
    {"--list-feeds", TVerb::ListFeeds, nullptr},
    {"--import-opml", TVerb::ImportOpml, "FILE"},
    {"--export-opml", TVerb::ExportOpml, "FILE"},
    {"--refresh", TVerb::Refresh, nullptr},
    {"--quit", TVerb::Quit, nullptr},
    {"--help", TVerb::Help, nullptr},
    {"--version", TVerb::Version, nullptr},
};

// One run: the context's streams and folders, and the helpers every verb shares.
class TRun {
public:
    explicit TRun(const TCommandContext& Context)
        : C(Context), FFolder(WideToUtf8(Context.DataFolder)) {}

    int Run(TVerb Verb, const std::string& Operand);

private:
    int AddFeed(const std::string& Text);
    int RemoveFeed(const std::string& Text);
    int ListFeeds();
    int ImportOpml(const std::string& File);
    int ExportOpml(const std::string& File);
    int Send(UINT Message);

    int Fail(const std::string& Reason) {
        *C.Err << "minipelikora: " << Reason << "\n";
        return ExitFailure;
    }
    std::u16string OptionsPath() const { return C.DataFolder + u"/options.ini"; }
    news::TSourceStore Records() const {
        return news::TSourceStore(FFolder + "/" + news::SourcesFolderName);
    }
    std::string NameOf(const std::string& Url) const { return Records().Load(Url).Name; }
    // Runs Edit under the options file's lock; a reason when the file could not be written.
    std::optional<std::string> Edit(const std::function<bool(TOptions&)>& Edit);
    // The running widget reads the sources again; without one (or without a display) it reads
    // them at its next start, so nothing is lost by not reaching it.
    void TellWidget() {
        std::string ignored;
        if (C.SendToWidget)
            C.SendToWidget(WM_EXTERNALRELOAD, ignored);
    }

    const TCommandContext& C;
    std::string FFolder;
};

std::optional<std::string> TRun::Edit(const std::function<bool(TOptions&)>& Edit) {
    std::error_code ec;
    std::filesystem::create_directories(FFolder, ec);
    TOptions options(OptionsPath());
    switch (SaveOptionsLocked(options, Edit)) {
    case TOptionsSave::Written:
    case TOptionsSave::Unchanged:
        return std::nullopt;
    case TOptionsSave::Busy:
        return std::string("the options file is locked by another writer; try again");
    case TOptionsSave::Failed:
        break;
    }
    return "cannot write " + WideToUtf8(OptionsPath());
}

int TRun::AddFeed(const std::string& Text) {
    const std::string url = UserFeedAddress(Text);
    {
        const TOptions options(OptionsPath());
        const std::vector<std::string> feeds = EditableFeeds(options);
        if (std::find(feeds.begin(), feeds.end(), url) != feeds.end()) {
            *C.Out << "minipelikora: already listed: " << url << "\n";
            return ExitSuccess;
        }
    }
    // The address is asked first: a page stands for the first feed it advertises, and
    // anything that is no feed is not added.
    news::OpenInternet();
    const news::TProbeResult probe = news::ProbeSource(url, news::InternetHandle);
    news::CloseInternet();
    if (probe.Outcome == news::TProbeOutcome::Unreachable)
        return Fail("cannot reach " + url);
    if (probe.Outcome == news::TProbeOutcome::NotFound)
        return Fail("no news feed at " + url);

    TFeedEdit added = TFeedEdit::Added;
    if (auto error = Edit([&](TOptions& o) {
            added = app::AddFeed(o, probe.FeedUrl);
            return added == TFeedEdit::Added;
        }))
        return Fail(*error);
    if (added == TFeedEdit::Exists) {
        *C.Out << "minipelikora: already listed: " << probe.FeedUrl << "\n";
        return ExitSuccess;
    }
    if (added == TFeedEdit::Full)
        return Fail("the list is full");
    // The answer that was just read is the feed's first record, so its name and headlines are
    // there before the widget asks.
    news::feeds::TSourceCache record = Records().Load(probe.FeedUrl);
    news::ApplyFeedAnswer(record, probe.Answer, std::time(nullptr));
    Records().Save(record);
    TellWidget();
    *C.Out << "minipelikora: added " << probe.Name << " (" << probe.FeedUrl << ")\n";
    return ExitSuccess;
}

int TRun::RemoveFeed(const std::string& Text) {
    const std::string url = UserFeedAddress(Text);
    TFeedEdit removed = TFeedEdit::Removed;
    if (auto error = Edit([&](TOptions& o) {
            removed = app::RemoveFeed(o, url);
            return removed == TFeedEdit::Removed;
        }))
        return Fail(*error);
    if (removed == TFeedEdit::Missing)
        return Fail("not listed: " + url);
    TellWidget();
    *C.Out << "minipelikora: removed " << url << "\n";
    return ExitSuccess;
}

int TRun::ListFeeds() {
    const TOptions options(OptionsPath());
    for (const std::string& url : EditableFeeds(options)) {
        const std::string name = NameOf(url);
        *C.Out << url;
        if (!name.empty())
            *C.Out << "\t" << name;
        *C.Out << "\n";
    }
    return ExitSuccess;
}

int TRun::ImportOpml(const std::string& File) {
    std::string text;
    switch (platform::ReadRegularFile(File, text, news::feeds::MaxOpmlBytes)) {
    case platform::TReadResult::Read:
        break;
    case platform::TReadResult::TooLarge:
        return Fail(File + " is larger than an OPML list can be");
    default:
        return Fail("cannot read " + File);
    }
    const news::feeds::TOpmlList list = news::feeds::ReadOpml(text);
    if (list.Status == news::feeds::TOpmlStatus::Malformed)
        return Fail(File + " is not well-formed XML");
    if (list.Status != news::feeds::TOpmlStatus::Ok)
        return Fail(File + " is not an OPML list");
    std::size_t added = 0, listed = list.Duplicates, full = 0;
    std::vector<news::feeds::TOpmlFeed> fresh;
    if (auto error = Edit([&](TOptions& o) {
            added = 0, listed = list.Duplicates, full = 0;
            fresh.clear();
            for (const news::feeds::TOpmlFeed& feed : list.Feeds) {
                switch (app::AddFeed(o, feed.Url)) {
                case TFeedEdit::Added:
                    ++added;
                    fresh.push_back(feed);
                    break;
                case TFeedEdit::Exists:
                    ++listed;
                    break;
                default:
                    ++full;
                    break;
                }
            }
            return added > 0;
        }))
        return Fail(*error);
    // The list's titles name the new feeds until their own titles come.
    for (const news::feeds::TOpmlFeed& feed : fresh) {
        news::feeds::TSourceCache record = Records().Load(feed.Url);
        if (record.Name.empty() && !feed.Title.empty()) {
            record.Name = feed.Title;
            Records().Save(record);
        }
    }
    if (added > 0)
        TellWidget();
    *C.Out << "minipelikora: added " << added << " feeds from " << File << "; " << listed
           << " already listed, " << list.Refused << " refused (not http or https)";
    if (full > 0)
        *C.Out << ", " << full << " left out (the list is full)";
    *C.Out << "\n";
    return ExitSuccess;
}

int TRun::ExportOpml(const std::string& File) {
    const TOptions options(OptionsPath());
    std::vector<news::feeds::TOpmlFeed> feeds;
    for (const std::string& url : EditableFeeds(options))
        feeds.push_back({url, NameOf(url)});
    const std::string text =
        news::feeds::WriteOpml(feeds, WideToUtf8(platform::LoadStr(TitleString)));
    if (File == "-") {
        *C.Out << text;
        return ExitSuccess;
    }
    if (!platform::WriteFileAtomically(File, text))
        return Fail("cannot write " + File);
    *C.Out << "minipelikora: exported " << feeds.size() << " feeds to " << File << "\n";
    return ExitSuccess;
}

int TRun::Send(UINT Message) {
    std::string error;
    if (!C.SendToWidget)
        return Fail("no display");
    if (!C.SendToWidget(Message, error))
        return Fail(error);
    return ExitSuccess;
}

int TRun::Run(TVerb Verb, const std::string& Operand) {
    switch (Verb) {
    case TVerb::AddFeed:
        return AddFeed(Operand);
    case TVerb::RemoveFeed:
        return RemoveFeed(Operand);
    case TVerb::ListFeeds:
        return ListFeeds();
    case TVerb::ImportOpml:
        return ImportOpml(Operand);
    case TVerb::ExportOpml:
        return ExportOpml(Operand);
    case TVerb::Refresh:
        return Send(WM_EXTERNALREFRESH);
    case TVerb::Quit:
        return Send(WM_EXTERNALCLOSE);
    case TVerb::Help:
        *C.Out << HelpText();
        return ExitSuccess;
    case TVerb::Version:
        *C.Out << "minipelikora " << WideToUtf8(platform::LoadVersionInfo().ProductVersion) << "\n";
        return ExitSuccess;
    }
    return ExitUsage;
}

} // namespace

std::string HelpText() {
    return std::string(Usage) + "\n" + R"(
Without an option, starts the widget. With one, works on its news sources or on the
running widget, and ends.

Sources: the feeds the widget reads (RSS, Atom or JSON Feed), kept in options.ini.
  --add-feed URL       add the feed at URL; for a web page, the first feed it
                       advertises. The address is fetched first: nothing else is added.
  --remove-feed URL    remove the feed at URL
  --list-feeds         print the feeds, one a line: the address, then a tab and the
                       feed's name once it is known
  --import-opml FILE   add every feed of an OPML list (nested outlines included);
                       listed feeds and addresses that are not http or https are skipped
  --export-opml FILE   write the feeds as an OPML 2.0 list ("-": standard output)

The running widget reads a changed list at once.
  --refresh            ask the running widget to fetch the news now
  --quit               ask the running widget to close

  --help               print this help
  --version            print the version

A link dropped on the widget, or pasted with Ctrl+V, is added the same way; the
"Kaynaklar" page of the options view lists the sources and removes them.

Exit status: 0 done, 1 failed (the reason follows on one line), 2 a bad argument.
)";
}

int RunCommandLine(const std::vector<std::string>& Args, const TCommandContext& Context) {
    const TVerbInfo* verb = nullptr;
    for (const TVerbInfo& v : Verbs)
        if (!Args.empty() && Args[0] == v.Name)
            verb = &v;
    const std::size_t wanted = verb != nullptr && verb->Operand != nullptr ? 2 : 1;
    if (verb == nullptr || Args.size() != wanted || (wanted == 2 && Args[1].empty())) {
        *Context.Err << (verb != nullptr && verb->Operand != nullptr
                             ? std::string("usage: minipelikora ") + verb->Name + " " +
                                   verb->Operand
                             : std::string(Usage))
                     << "\n";
        return ExitUsage;
    }
    const std::string operand = wanted == 2 ? Args[1] : std::string();
    if ((verb->Verb == TVerb::AddFeed || verb->Verb == TVerb::RemoveFeed) &&
        UserFeedAddress(operand).empty()) {
        *Context.Err << "usage: minipelikora " << verb->Name
                     << " URL (one http or https address)\n";
        return ExitUsage;
    }
    TRun run(Context);
    return run.Run(verb->Verb, operand);
}

} // namespace app
