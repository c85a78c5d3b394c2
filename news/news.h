// news/ talks to the outside: the HTTP worker threads, the conversion of the news service's
// answer into the local news document, the standard feeds beside it, and the update check.
// Start with inet_thread.h (how a window runs a request and gets the answer back), then
// feed.h (the answer and the document), then feeds/feeds.h (RSS, Atom and JSON Feed sources).
#pragma once

#include "news/feed.h"
#include "news/feeds/feeds.h"
#include "news/http.h"
#include "news/inet_thread.h"
#include "news/servers.h"
#include "news/version.h"
