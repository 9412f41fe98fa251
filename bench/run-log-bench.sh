#!/usr/bin/env bash
# Builds the Release preset and runs log-bench: dravix-log's CPU share at the line rate (one
# character per write, then whole readings per write) and a flood of 100,000 readings.
#   bench/run-log-bench.sh [--seconds S] [--flood N]
set -euo pipefail
DRAVIX_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$DRAVIX_ROOT/scripts/deps.sh"
dravix_install_deps
DRAVIX_TARGETS="dravix-log log-bench" dravix_build release >/dev/null
bench=$DRAVIX_ROOT/build-release/bench/log-bench
for chars in 1 8; do
    echo "== $chars per write"
    "$bench" "$@" --chars-per-write "$chars"
done
