#!/usr/bin/env bash
# Builds terminal-bench at two commits and runs them by turns on one Xvfb display at scale 1,
# at each delivery, so that both see the same machine in the same minutes:
#   bench/compare-commits.sh BEFORE AFTER [ROUNDS] [-- terminal-bench options]
set -euo pipefail
DRAVIX_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$DRAVIX_ROOT/scripts/deps.sh"
dravix_install_deps picocom tmux xvfb
before=$1 after=$2 rounds=${3:-2}
shift $(( $# >= 3 ? 3 : 2 )); [ "${1:-}" = "--" ] && shift

work=$DRAVIX_ROOT/build-compare
mkdir -p "$work"
build() { # COMMIT -> prints the terminal-bench it built
    local tree=$work/$1
    [ -d "$tree" ] || git -C "$DRAVIX_ROOT" worktree add --detach -q "$tree" "$1"
    (cd "$tree" && cmake --preset release >/dev/null &&
        cmake --build --preset release --target terminal-bench >/dev/null)
    echo "$tree/build-release/bench/terminal-bench"
}
bench_before=$(build "$(git -C "$DRAVIX_ROOT" rev-parse --short "$before")")
bench_after=$(build "$(git -C "$DRAVIX_ROOT" rev-parse --short "$after")")

display=:78
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 1

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
for round in $(seq "$rounds"); do
    for chars in 8 14 1; do
        for side in before after; do
            bench=bench_$side
            echo "== round $round, $chars characters per write, $side"
            QT_QPA_PLATFORM=xcb DISPLAY=$display "${!bench}" --chars-per-write "$chars" "$@" \
                2>/dev/null | grep -E '_(percent|ms|per_s|readings|mb|picocom)='
        done
    done
done
