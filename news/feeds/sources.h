// The feeds a fresh install reads until the user names sources of their own: a few public
// Turkish news feeds, kept here and nowhere else.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace news::feeds {

// Names a file that replaces the built-in list (one address a line; empty lines and lines
// starting with "#" are skipped). Tests and demos point it at loopback so that nothing they
// run ever reaches a public host; a file that cannot be read gives no sources at all, never
// the public ones.
constexpr const char* DefaultSourcesVariable = "MINIPELIKORA_DEFAULT_FEEDS";

// More than any card can show a share of: a list holds at most this many feeds.
constexpr std::size_t MaxSources = 100;

// The sources used when the options name neither feeds nor a news server.
std::vector<std::string> DefaultSources();

// The built-in list itself, whatever the environment says.
std::vector<std::string> BuiltInSources();

// Which sources a refresh asks.
struct TSourcePlan {
    // The alarm server of the options' "server" section (its built-in host when none is named).
    bool Alarm = false;
    // The standard feeds, in the order they were added, each address once.
    std::vector<std::string> Feeds;
};

// The sources in effect for an options file that names a news server or not (newsServerNamed)
// and holds a "feeds" section or not (feedsSection: its values in file order). Values that are
// not http or https addresses are passed over. Without either, the default feeds; with a news
// server, or with nothing but an empty "feeds" section, the alarm server too. Feeds is also what
// an editor of the sources starts from, so the defaults are kept when the user adds one.
TSourcePlan PlanSources(bool newsServerNamed,
                        const std::optional<std::vector<std::string>>& feedsSection);

} // namespace news::feeds
