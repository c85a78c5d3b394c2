#!/usr/bin/env bash
# Builds the widget and runs its main job.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/deps.sh"
bash "$root/tools/build.sh"
exec "$root/build/app/minipelikora"
