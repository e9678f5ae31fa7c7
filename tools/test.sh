#!/usr/bin/env bash
# The project's full check: installs the dependencies, builds the four presets (native,
# native with sanitizers, 64-bit and 32-bit Windows) and runs the native unit tests, the
# sanitizer run and the Wine tests of both Windows programs (the 32-bit one's skip on a machine
# whose kernel runs no 32-bit programs), then runs every parser fuzzer for 20 seconds from its
# seeds (tools/fuzz.sh, fixed random seed). Exits non-zero when any step fails and leaves no Xvfb or
# wineserver of its own behind.
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
JOBS=2
STARTED=$(date +%s)
FAILED=()

# Prints a section header.
step() { printf '\n==== %s\n' "$*"; }

# Runs one named step; records it as failed when its command fails.
run() {
  local name=$1
  shift
  step "$name"
  local begin
  begin=$(date +%s)
  if "$@"; then
    printf -- '---- %s: ok (%ss)\n' "$name" $(($(date +%s) - begin))
  else
    printf -- '---- %s: FAILED (%ss)\n' "$name" $(($(date +%s) - begin))
    FAILED+=("$name")
    return 1
  fi
}

# Ends any wineserver still serving a Wine prefix in the Windows build folders this script uses
# and any Xvfb the Wine tests started and recorded there, so that nothing outlives the run, even
# after a crash. Other build folders (other people's runs) are left alone.
cleanup() {
  local state pid reg
  for state in build/win/wine-tests/display.json build/win32/wine-tests/display.json; do
    [[ -f $state ]] || continue
    pid=$(sed -n 's/.*"pid": *\([0-9]*\).*/\1/p' "$state")
    if [[ -n $pid ]] && grep -q Xvfb "/proc/$pid/cmdline" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
    fi
    rm -f "$state"
  done
  if command -v wineserver >/dev/null 2>&1; then
    while IFS= read -r reg; do
      WINEPREFIX="$ROOT/$(dirname "$reg")" timeout 30 wineserver -k >/dev/null 2>&1 || true
    done < <(find build/win build/win32 -maxdepth 4 -name system.reg 2>/dev/null)
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

run "install dependencies" bash tools/install-deps.sh || exit 1

declare -A BUILT=()
for preset in sim sim-asan win win32; do
  if run "configure $preset" cmake --preset "$preset" &&
    run "build $preset" cmake --build --preset "$preset" -j "$JOBS"; then
    BUILT[$preset]=1
  fi
done

# The Wine tests of each Windows preset share one Xvfb and one template prefix (CTest fixtures).
for preset in sim sim-asan win win32; do
  if [[ -n ${BUILT[$preset]:-} ]]; then
    run "test $preset" ctest --preset "$preset" -j "$JOBS"
  else
    FAILED+=("test $preset (not run: the build failed)")
  fi
done

# Every parser fuzzer for a short fixed budget, so that a fault any seed leads to fails the run.
FUZZ_SEED=1 run "fuzz parsers" bash tools/fuzz.sh 20

step "summary"
echo "time: $(($(date +%s) - STARTED)) s"
if [[ ${#FAILED[@]} -ne 0 ]]; then
  printf 'FAILED: %s\n' "${FAILED[@]}"
  exit 1
fi
echo "all steps passed"
