// Costs of the settings store: hashed lookups, the rebuild a write forces on the next lookup,
// and parsing a file's lines.
#include "settings/hashedlist.h"
#include "settings/inifile.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::u16string Number(int Value) {
    std::string s = std::to_string(Value);
    return std::u16string(s.begin(), s.end());
}

void FillKeys(TWStrings& List, int Count) {
    for (int i = 0; i < Count; ++i)
        List.Add(u"Key" + Number(i) + u"=" + Number(i * 7));
}

void BM_HashedIndexOfName(benchmark::State& State) {
    TWHashedStringList list;
    int count = static_cast<int>(State.range(0));
    FillKeys(list, count);
    int i = 0;
    for (auto _ : State) {
        benchmark::DoNotOptimize(list.IndexOfName(u"KEY" + Number(i)));
        i = (i + 1) % count;
    }
}
BENCHMARK(BM_HashedIndexOfName)->Arg(16)->Arg(256)->Arg(4096);

void BM_LinearIndexOfName(benchmark::State& State) {
    TWStringList list;
    int count = static_cast<int>(State.range(0));
    FillKeys(list, count);
    int i = 0;
    for (auto _ : State) {
        benchmark::DoNotOptimize(list.IndexOfName(u"KEY" + Number(i)));
        i = (i + 1) % count;
    }
}
BENCHMARK(BM_LinearIndexOfName)->Arg(16)->Arg(256);

// What SaveOptions does per toggle: six writes, each followed by a lookup that rebuilds.
void BM_WriteThenRead(benchmark::State& State) {
    TWMemIniFile ini(u"");
    for (int i = 0; i < 6; ++i)
        ini.WriteInteger(u"general", u"k" + Number(i), i);
    int i = 0;
    for (auto _ : State) {
        ini.WriteInteger(u"general", u"k" + Number(i % 6), i);
        benchmark::DoNotOptimize(ini.ReadInteger(u"general", u"k" + Number((i + 1) % 6), 0));
        ++i;
    }
}
BENCHMARK(BM_WriteThenRead);

void BM_ParseLines(benchmark::State& State) {
    TWStringList lines;
    for (int s = 0; s < 10; ++s) {
        lines.Add(u"[section" + Number(s) + u"]");
        for (int k = 0; k < 20; ++k)
            lines.Add(u"  key" + Number(k) + u" = va\\tlue " + Number(k) + u"  ");
    }
    TWMemIniFile ini(u"");
    for (auto _ : State)
        ini.SetStrings(lines);
    State.SetItemsProcessed(State.iterations() * lines.Count());
}
BENCHMARK(BM_ParseLines);

} // namespace
