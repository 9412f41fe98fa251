#!/usr/bin/env bash
# Builds the Release preset and runs terminal-bench (with picocom beside it) offscreen and on
# an Xvfb display at scale 1 and 2, at each delivery: a whole reading per write (a USB
# adapter), bursts of 14 (a 16550 UART's FIFO trigger), and one character per write (the
# worst case).
#   bench/run-bench.sh [--quick]
set -euo pipefail
DRAVIX_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$DRAVIX_ROOT/scripts/deps.sh"
dravix_install_deps picocom tmux xvfb
DRAVIX_TARGETS="terminal-bench pure-bench" dravix_build release >/dev/null
bench=$DRAVIX_ROOT/build-release/bench/terminal-bench

display=:79
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 1

run() { # LABEL ENV... -- ARGS...
    local label=$1; shift
    local env=()
    while [ "$1" != "--" ]; do env+=("$1"); shift; done
    shift
    echo "== $label"
    env "${env[@]}" "$bench" "$@" 2>/dev/null | grep -E '_(percent|ms|per_s|readings|mb|picocom)=|^platform='
}
for chars in 8 14 1; do
    run "offscreen, $chars per write" QT_QPA_PLATFORM=offscreen -- "$@" --chars-per-write "$chars"
    run "Xvfb scale 1, $chars per write" QT_QPA_PLATFORM=xcb DISPLAY=$display -- "$@" --chars-per-write "$chars"
    run "Xvfb scale 2, $chars per write" QT_QPA_PLATFORM=xcb DISPLAY=$display QT_SCALE_FACTOR=2 -- "$@" --chars-per-write "$chars"
done
