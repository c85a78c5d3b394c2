#include "news/feeds/merge.h"

#include "news/feed.h"
#include "news/feeds/dates.h"
#include "news/feeds/hash.h"
#include "news/feeds/text.h"

#include <algorithm>
#include <unordered_set>

namespace news::feeds {

namespace {

// An identity that names a scheme (an address, urn:, tag:) means the same thing in every
// feed; any other only within its own source.
std::string DedupKey(const std::string& sourceKey, const std::string& id) {
    if (id.find(':') != std::string::npos && sourceKey != AlarmSourceKey)
        return id;
    return sourceKey + '\n' + id;
}

} // namespace

std::vector<TFeedItem> AlarmItems(std::string_view answer) {
    std::vector<TFeedItem> items;
    for (const news::TNewsFields& record : news::ReadAlarmRecords(answer)) {
        TFeedItem item;
        item.Id = std::string(record.Id);
        item.Label = std::string(record.Section);
        item.Title = std::string(record.Title);
        item.Summary = std::string(record.Summary);
        item.Link = std::string(record.Link);
        item.Date = ParseAlarmDate(record.Date);
        items.push_back(std::move(item));
    }
    return items;
}

std::string SourceLabel(std::string_view name) {
    return CutText(CleanText(name), MaxLabelChars);
}

std::vector<TMergedItem> MergeSources(const std::vector<TSourceItems>& sources, std::size_t limit) {
    std::vector<TMergedItem> merged;
    std::unordered_set<std::string> seen;
    for (const TSourceItems& source : sources) {
        std::string label = SourceLabel(source.Name);
        bool alarm = source.Key == AlarmSourceKey;
        for (const TFeedItem& item : source.Items) {
            std::string key = DedupKey(source.Key, item.Id);
            if (!seen.insert(key).second)
                continue;
            TMergedItem m;
            m.Item = item;
            m.Label = item.Label.empty() ? label : item.Label;
            m.Id = alarm ? item.Id : FingerprintHex(key);
            merged.push_back(std::move(m));
        }
    }
    std::stable_sort(merged.begin(), merged.end(), [](const TMergedItem& a, const TMergedItem& b) {
        if (a.Item.Date && b.Item.Date)
            return *a.Item.Date > *b.Item.Date;
        return a.Item.Date.has_value() && !b.Item.Date.has_value();
    });
    if (merged.size() > limit)
        merged.resize(limit);
    return merged;
}

std::string WriteNewsDocument(const std::vector<TMergedItem>& items) {
    std::string out(news::NewsDocumentHead());
    for (const TMergedItem& m : items) {
        std::string date = m.Item.Date ? FormatAlarmDate(*m.Item.Date) : std::string();
        news::AppendNewsItem(out, {m.Id, m.Label, m.Item.Title, m.Item.Summary, date, m.Item.Link});
    }
    out += news::NewsDocumentTail();
    return out;
}

} // namespace news::feeds
