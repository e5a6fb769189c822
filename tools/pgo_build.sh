#!/usr/bin/env bash
# Profile-guided build of the engine (GCC profile feedback), in DIR:
#   1. DIR/gen: the instrumented bench (-fprofile-generate);
#   2. the training run, whose profile lands in DIR/profile: the deterministic
#      bench on one thread, which must print the node total of
#      tools/bench_signature.txt (instrumentation changes no move), then a
#      shorter bench on two threads, so that the helper threads' code has a
#      profile too;
#   3. DIR/use: olvar, pbrain-olvar and bench optimised from that profile
#      (-fprofile-use), built afresh each time since the objects do not depend
#      on the profile files; its bench must print the same node total.
# Usage: tools/pgo_build.sh DIR [cmake configure options...]
#   JOBS              parallel build jobs (default 2)
#   OLVAR_PGO_RUNNER  words before the benches, e.g. wine for a Windows build;
#                     wine gets the prefix of make test-windows (build-win/wineprefix)
#                     unless WINEPREFIX is set. Wine maps / to drive Z:, so the
#                     instrumented program writes its profile to the same
#                     DIR/profile as a Linux one would.
set -euo pipefail
cd "$(dirname "$0")/.."

[ $# -ge 1 ] || { echo "usage: $0 DIR [cmake options...]" >&2; exit 2; }
dir=$(realpath -m "$1")
shift
jobs=${JOBS:-2}
runner=${OLVAR_PGO_RUNNER:-}
expected=$(tr -d ' \r\n' <tools/bench_signature.txt)

case "$runner" in
  wine*)
    command -v wine >/dev/null || { echo "wine is not installed (Debian: wine64, wine32:i386)" >&2; exit 2; }
    export WINEPREFIX="${WINEPREFIX:-$PWD/build-win/wineprefix}"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko install prompts
    unset DISPLAY                                # headless: console programs need no X
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "Creating the wine prefix $WINEPREFIX"
      mkdir -p "$WINEPREFIX"
      wineboot -i >/dev/null 2>&1 || true
      wineserver -w
    fi
    ;;
esac

# The bench program of a build directory (bench.exe for Windows).
bench_of() { if [ -e "$1/bench.exe" ]; then echo "$1/bench.exe"; else echo "$1/bench"; fi; }

# Runs a bench (through the runner), shows its output, and fails unless a
# one-thread run prints the expected node total.
run_bench() {
  local label=$1 bench=$2 output total
  shift 2
  echo "=== $label: $bench $*"
  output=$($runner "$bench" "$@" | tr -d '\r')
  echo "$output"
  if [ $# -eq 0 ]; then
    total=$(awk -F: '/^Nodes searched/ {gsub(/ /, "", $2); print $2}' <<<"$output")
    if [ "$total" != "$expected" ]; then
      echo "FAIL: $label: bench node total '$total', expected $expected (tools/bench_signature.txt)" >&2
      exit 1
    fi
    echo "$label: bench node total $total as expected"
  fi
}

cmake -S . -B "$dir/gen" "$@" -DOLVAR_PGO=generate -DOLVAR_PGO_DIR="$dir/profile"
cmake --build "$dir/gen" -j "$jobs" --target bench

rm -rf "$dir/profile"
mkdir -p "$dir/profile"
run_bench "training run" "$(bench_of "$dir/gen")"
run_bench "training run, two threads" "$(bench_of "$dir/gen")" 7 2
profiles=$(find "$dir/profile" -name '*.gcda' | wc -l)
[ "$profiles" -gt 0 ] || { echo "FAIL: the training run wrote no profile into $dir/profile" >&2; exit 1; }
echo "training run: $profiles profile files in $dir/profile"

cmake -S . -B "$dir/use" "$@" -DOLVAR_PGO=use -DOLVAR_PGO_DIR="$dir/profile"
cmake --build "$dir/use" -j "$jobs" --clean-first --target olvar pbrain-olvar bench
run_bench "profile-guided build" "$(bench_of "$dir/use")"
