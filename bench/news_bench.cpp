// How fast the news service's answer becomes the local news document: a 5 MB answer of 20 000
// records, about the size of a very busy day's feed.
#include "news/feed.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string MakeAnswer(std::size_t records, std::size_t targetBytes) {
    const std::string headline =
        "Merkez Bankas\xC4\xB1 faiz karar\xC4\xB1n\xC4\xB1 a\xC3\xA7\xC4\xB1klad\xC4\xB1: "
        "\"politika\" & piyasalar";
    const std::string summary = "Kurul toplant\xC4\xB1s\xC4\xB1 sonras\xC4\xB1 <enflasyon> "
                                "beklentileri g\xC3\xB6zden ge\xC3\xA7irildi.";
    std::string answer;
    answer.reserve(targetBytes + 1024);
    for (std::size_t i = 0; i < records; ++i) {
        std::string record = std::to_string(1000000 + i) + "|7|" + headline + "|" + summary +
                             "|0|2024-05-17 14:" + std::to_string(10 + i % 50) +
                             "|http://haber.example/ekonomi/haber?id=" + std::to_string(i) +
                             "&ref=alarm|Son Dakika: Ekonomi";
        answer += record;
        if (i + 1 < records)
            answer += "\xC3\xB1";
    }
    // Pad the summaries evenly so the answer reaches the target size.
    if (answer.size() < targetBytes) {
        std::string padded;
        padded.reserve(targetBytes + 1024);
        std::size_t extra = (targetBytes - answer.size()) / records + 1;
        std::size_t start = 0;
        while (start < answer.size()) {
            auto end = answer.find("\xC3\xB1", start);
            std::string record = answer.substr(start, end == std::string::npos ? end : end - start);
            auto bar = record.find('|', record.find('|', record.find('|') + 1) + 1);
            record.insert(bar, std::string(extra, 'x'));
            padded += record;
            if (end == std::string::npos)
                break;
            padded += "\xC3\xB1";
            start = end + 2;
        }
        answer.swap(padded);
    }
    return answer;
}

void BM_ConvertNews(benchmark::State& state) {
    static const std::string answer = MakeAnswer(20000, 5 * 1000 * 1000);
    for (auto _ : state) {
        std::string doc = news::ConvertNews(answer);
        benchmark::DoNotOptimize(doc.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * answer.size()));
    state.counters["answer_MB"] = static_cast<double>(answer.size()) / 1e6;
}
BENCHMARK(BM_ConvertNews)->Unit(benchmark::kMillisecond);

void BM_DecodeUrl(benchmark::State& state) {
    const std::string link = news::EncodeUrl("http://haber.example/ekonomi/haber?id=123&ref=alarm");
    for (auto _ : state) {
        std::string url = news::DecodeUrl(link);
        benchmark::DoNotOptimize(url.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * link.size()));
}
BENCHMARK(BM_DecodeUrl);

} // namespace
