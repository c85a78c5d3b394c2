#!/usr/bin/env bash
# A smoke run of every fuzz target: a clang build with libFuzzer and the sanitizers in
# build-fuzz/, then each target over its committed corpus for a fixed number of executions with
# a fixed seed, so a crash on a known input (or one a few steps from it) fails the run. Inputs the
# run finds go to a scratch folder; the committed corpus is only read.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${MP_FUZZ_RUNS:-2000}
build="$root/build-fuzz"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMP_FUZZ=ON -DMP_TESTS=OFF -DMP_BENCH=OFF "$@"
mapfile -t targets < <(cd "$root/tests/fuzz" && ls -- *_fuzz.cpp | sed 's/\.cpp$//')
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for t in "${targets[@]}"; do
    corpus="$root/tests/fuzz/corpus/$t"
    [ -d "$corpus" ] || { echo "fuzz: $t has no committed corpus" >&2; exit 1; }
    mkdir -p "$scratch/$t"
    echo "fuzz: $t, $runs runs over $(ls "$corpus" | wc -l) committed inputs"
    "$build/tests/fuzz/$t" -runs="$runs" -seed=1 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$scratch/$t-" "$scratch/$t" "$corpus" 2>"$scratch/$t.log" ||
        { cat "$scratch/$t.log" >&2; echo "fuzz: $t failed" >&2; exit 1; }
    grep -E '^stat::number_of_executed_units' "$scratch/$t.log" || true
done
