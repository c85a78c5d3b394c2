// The feeds a fresh install reads until the user names sources of their own: a few public
// Turkish news feeds, kept here and nowhere else.
#pragma once

#include <string>
#include <vector>

namespace news::feeds {

// Names a file that replaces the built-in list (one address a line; empty lines and lines
// starting with "#" are skipped). Tests and demos point it at loopback so that nothing they
// run ever reaches a public host; a file that cannot be read gives no sources at all, never
// the public ones.
constexpr const char* DefaultSourcesVariable = "MINIPELIKORA_DEFAULT_FEEDS";

// The sources used when the options name neither feeds nor a news server.
std::vector<std::string> DefaultSources();

// The built-in list itself, whatever the environment says.
std::vector<std::string> BuiltInSources();

} // namespace news::feeds
