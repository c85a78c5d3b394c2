// The program's command line. Without arguments the program starts the widget (main.cpp);
// with one of these verbs it edits the feeds in the options file, imports or exports them as
// OPML, or asks the running widget to refresh or close, and ends. Verbs that only touch files
// need no X display.
#pragma once

#include "platform/types.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace app {

// What a run of the command line works with; main.cpp gives it the real ones, tests their own.
struct TCommandContext {
    // The data folder (options.ini, sources/); made when a verb writes into it.
    std::u16string DataFolder;
    // Hands one of the widget's private messages to the running widget; false with the reason
    // when there is no display or no widget on it.
    std::function<bool(platform::UINT Message, std::string& Error)> SendToWidget;
    std::ostream* Out = nullptr;
    std::ostream* Err = nullptr;
};

// Exit codes.
constexpr int ExitSuccess = 0;
constexpr int ExitFailure = 1; // with one line saying why
constexpr int ExitUsage = 2;   // a bad argument, with one line of usage

// Args are the arguments after the program's name; there is at least one.
int RunCommandLine(const std::vector<std::string>& Args, const TCommandContext& Context);

// The text of --help.
std::string HelpText();

} // namespace app
