#!/usr/bin/env bash
# The widget's main job from a fresh machine: dependencies, build, then the demo (the widget
# against the bundled demo feed, in a demo data folder of its own). Arguments go to tools/demo.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/deps.sh"
bash "$root/tools/build.sh"
exec bash "$root/tools/demo.sh" "$@"
