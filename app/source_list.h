// The list of standard feeds as a user edits it, by dropping or pasting a link, on the options
// view's sources page or on the command line. Edits start from the feeds in effect (the built-in
// ones while the options file names no sources, so the first edit keeps them) and end in the
// options file's "feeds" section. The file itself is written under its lock by the caller
// (SaveOptionsLocked), so these only change the store.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TOptions;

namespace app {

// What a user typed, pasted or dropped as one source's address: one http or https address, with
// spaces and line breaks around it dropped; empty for anything else (words, two addresses,
// another scheme).
std::string UserFeedAddress(std::string_view Text);

// The feeds in effect, in their order, each once.
std::vector<std::string> EditableFeeds(const TOptions& Options);

enum class TFeedEdit {
    Added,
    Removed,
    Exists,  // the feed is listed already
    Missing, // no such feed to remove
    Full,    // the list holds as many feeds as it may
};

// Url as UserFeedAddress gives it.
TFeedEdit AddFeed(TOptions& Options, const std::string& Url);
TFeedEdit RemoveFeed(TOptions& Options, const std::string& Url);

} // namespace app
