#!/usr/bin/env bash
# The whole test suite from a fresh machine: dependencies, build, every test (end to end included).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/deps.sh"
bash "$root/tools/build.sh"
cd "$root/build"
ctest --output-on-failure -j "$(nproc)" --timeout 300
