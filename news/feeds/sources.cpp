#include "news/feeds/sources.h"

#include "news/feeds/url.h"

#include <cstdlib>
#include <fstream>

namespace news::feeds {

std::vector<std::string> BuiltInSources() {
    return {
        "https://www.trthaber.com/sondakika.rss",
        "https://feeds.bbci.co.uk/turkce/rss.xml",
        "https://rss.dw.com/xml/rss-tr-all",
    };
}

std::vector<std::string> DefaultSources() {
    const char* replacement = std::getenv(DefaultSourcesVariable);
    if (!replacement)
        return BuiltInSources();
    std::vector<std::string> sources;
    std::ifstream file(replacement);
    std::string line;
    while (sources.size() < 100 && std::getline(file, line)) {
        std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        std::string url = WebLink({}, line);
        if (!url.empty())
            sources.push_back(url);
    }
    return sources;
}

} // namespace news::feeds
