// Standard news feeds beside the alarm server: RSS 2.0 and 0.9x, RSS 1.0, Atom 1.0 and JSON Feed
// read into plain items, merged with the alarm's records into the local news document, and the
// little state each source keeps between requests. Nothing here touches the network, a file or
// a display. Start with parser.h (one answer in, a TFeed out), then merge.h (sources in, the
// document out) and cache.h (what a source remembers between requests).
#pragma once

#include "news/feeds/cache.h"
#include "news/feeds/charset.h"
#include "news/feeds/dates.h"
#include "news/feeds/discovery.h"
#include "news/feeds/item.h"
#include "news/feeds/merge.h"
#include "news/feeds/parser.h"
#include "news/feeds/sources.h"
#include "news/feeds/text.h"
#include "news/feeds/url.h"
