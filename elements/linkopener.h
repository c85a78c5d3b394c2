// Opening a news item's link in the desktop's browser. Links arrive from the network, so only
// web addresses are ever handed on, and never through a shell.
#pragma once

#include <functional>
#include <string>

namespace elements {

// Receives a link that has passed IsWebLink.
using TLinkOpener = std::function<void(const std::string& Url)>;

// True for an http:// or https:// address (scheme in any case) with something after "://" and
// no control characters; false for file:, javascript:, bare paths and empty text.
bool IsWebLink(const std::string& Url);

// Starts `xdg-open Url` as a separate program with an argument vector and returns without
// waiting for it; the child is reaped in the background. False when it could not be started.
bool OpenInBrowser(const std::string& Url);

// The same, starting Program (looked up in PATH) instead of xdg-open.
bool SpawnDetached(const std::string& Program, const std::string& Argument);

} // namespace elements
