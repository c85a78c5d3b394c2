#include "news/feeds/sources.h"

#include "news/feeds/url.h"

#include <algorithm>
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
    while (sources.size() < MaxSources && std::getline(file, line)) {
        std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        std::string url = WebLink({}, line);
        if (!url.empty())
            sources.push_back(url);
    }
    return sources;
}

TSourcePlan PlanSources(bool newsServerNamed,
                        const std::optional<std::vector<std::string>>& feedsSection) {
    TSourcePlan plan;
    const std::vector<std::string> listed =
        feedsSection ? *feedsSection
                     : (newsServerNamed ? std::vector<std::string>() : DefaultSources());
    for (const std::string& value : listed) {
        std::string url = WebLink({}, value);
        if (!url.empty() && plan.Feeds.size() < MaxSources &&
            std::find(plan.Feeds.begin(), plan.Feeds.end(), url) == plan.Feeds.end())
            plan.Feeds.push_back(std::move(url));
    }
    plan.Alarm = newsServerNamed || (feedsSection && plan.Feeds.empty());
    return plan;
}

} // namespace news::feeds
