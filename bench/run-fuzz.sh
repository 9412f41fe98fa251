#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in a build folder of their own and runs the
# history fuzzer for a chosen time (default 600 s), keeping its corpus in that folder.
#   bench/run-fuzz.sh [SECONDS]
# The build folder is the fuzz preset's, build-fuzz in the repository.
set -euo pipefail
DRAVIX_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$DRAVIX_ROOT/scripts/deps.sh"
dravix_install_deps

seconds=${1:-600}
build=$DRAVIX_ROOT/build-fuzz
corpus=$build/corpus/history
artifacts=$build/artifacts/

dravix_build fuzz
mkdir -p "$corpus" "$artifacts"

# A few plain readings to start from when the corpus is new.
if [ -z "$(ls -A "$corpus")" ]; then
    printf '\x0000000064FFFFFF9C' >"$corpus/seed-readings"
    printf '\x13 0 0\t6\n4G0FFFFFFFF80000000' >"$corpus/seed-blanks"
    printf '\x017FFFFFFF0012d687' >"$corpus/seed-clear"
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
exec "$build/tests/fuzz/history_fuzz" "$corpus" -max_total_time="$seconds" \
    -artifact_prefix="$artifacts" -print_final_stats=1
