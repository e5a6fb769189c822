#!/usr/bin/env bash
# Tests the Windows executables of build-win/ under wine (run by `make test-windows`
# after `make windows` and a Linux build of test_protocol, selfplay and bench in build/):
#   1. the executables are static (only system DLLs) and console programs
#      (subsystem Windows CUI, as the tournament protocol requires);
#   2. the protocol tests (the Linux test driver, OLVAR_ENGINE_RUNNER=wine) pass
#      against each;
#   3. the bench node total of each equals the Linux one;
#   4. a short self-play match per rule between the two Windows builds has no
#      illegal move, crash or time loss.
# The 32-bit executable needs wine32 (i386 multiarch); without it, it is only
# checked statically and the match is played by the 64-bit build against itself.
set -euo pipefail
cd "$(dirname "$0")/.."

WIN=build-win
LINUX=build
GAMES=${OLVAR_WINDOWS_GAMES:-2}
export WINEPREFIX="$PWD/$WIN/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko install prompts
unset DISPLAY                                # headless: console programs need no X
export HOME="${HOME:-$PWD/$WIN}"

exe64="$PWD/$WIN/pbrain-olvar64.exe"
exe32="$PWD/$WIN/pbrain-olvar.exe"
for f in "$exe64" "$exe32" "$WIN/x64/bench.exe" "$WIN/x86/bench.exe" \
         "$LINUX/test_protocol" "$LINUX/selfplay" "$LINUX/bench"; do
  [ -e "$f" ] || { echo "missing $f: run make windows and the Linux build first" >&2; exit 2; }
done
command -v wine >/dev/null || { echo "wine is not installed (Debian: wine64, wine32:i386)" >&2; exit 2; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# 1. Static console programs.
for pair in "x86_64:$exe64" "i686:$exe32"; do
  arch=${pair%%:*} exe=${pair#*:}
  info=$("$arch-w64-mingw32-objdump" -p "$exe")
  subsystem=$(awk '/^Subsystem/ {sub(/^[^(]*\(/, ""); sub(/\).*$/, ""); print}' <<<"$info")
  [ "$subsystem" = "Windows CUI" ] || fail "$(basename "$exe") has subsystem '$subsystem', not a console program (Windows CUI)"
  dlls=$(grep 'DLL Name:' <<<"$info" | awk '{print $3}' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
  echo "$(basename "$exe"): subsystem $subsystem, imports: $dlls"
  for dll in $dlls; do
    case $dll in
      kernel32.dll|msvcrt.dll|user32.dll|advapi32.dll|ws2_32.dll|shell32.dll|gdi32.dll) ;;
      *) fail "$(basename "$exe") needs $dll beside it" ;;
    esac
  done
done

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
# One server for the whole run (a server started by an engine would otherwise
# come and go with it); ended on exit.
wineserver -p 2>/dev/null || true   # already running: reuse it
trap 'wineserver -k 2>/dev/null || true' EXIT

exes=("$exe64")
benches=("$WIN/x64/bench.exe")
if [ -x /usr/lib/wine/wine ]; then
  exes+=("$exe32")
  benches+=("$WIN/x86/bench.exe")
  opponent="$exe32"
else
  echo "NOTE: wine32 (i386) is not installed: $(basename "$exe32") is only checked statically"
  opponent="$exe64"
fi

# 2. Protocol tests.
for exe in "${exes[@]}"; do
  echo "=== protocol tests against $(basename "$exe") under wine"
  start=$SECONDS
  if OLVAR_ENGINE="$exe" OLVAR_ENGINE_RUNNER=wine "$LINUX/test_protocol" --gtest_brief=1; then
    echo "protocol tests against $(basename "$exe"): passed in $((SECONDS - start)) s"
  else
    fail "protocol tests against $(basename "$exe")"
  fi
done

# 3. Bench signatures.
signature() { awk -F: '/^Nodes searched/ {gsub(/ /, "", $2); print $2}'; }
linux=$("$LINUX/bench" | signature)
echo "bench signature Linux:      $linux"
for bench in "${benches[@]}"; do
  sig=$(wine "$bench" | tr -d '\r' | signature)
  echo "bench signature $(basename "$(dirname "$bench")") (wine): $sig"
  [ -n "$sig" ] && [ "$sig" = "$linux" ] || fail "bench signature of $bench is '$sig', Linux '$linux'"
done

# 4. Self-play under wine, as in the Linux test run: time is shown, not judged
# (a process stalled by a loaded machine or by wine must not fail the run).
for rule in 0 1 2; do
  echo "=== self-play rule $rule: $(basename "$exe64") vs $(basename "$opponent"), $GAMES games"
  OLVAR_ENGINE_RUNNER=wine "$LINUX/selfplay" --engine1 "$exe64" --engine2 "$opponent" \
    --games "$GAMES" --rule "$rule" --turn 100 --tolerance 50 --hash 16384 --clock-report || fail "self-play rule $rule"
done

if [ "$failures" -ne 0 ]; then
  echo "test-windows: $failures failure(s)"
  exit 1
fi
echo "test-windows: all passed"
