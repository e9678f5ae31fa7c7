#!/usr/bin/env bash
# Shows the demo package at work: builds the native and the 64-bit Windows program, prints the
# settings record that start-up makes of examples/demo-package on simulated Windows 98 and
# Windows 7, then runs the real setup.exe under Wine (as Windows 7) from a copy of the package
# in a fresh prefix and prints its exit code and trace lines.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
PACKAGE=examples/demo-package
SETUP_ARGS=(/S /TYPE:USB)

# Prints a section header.
step() { printf '\n==== %s\n' "$*"; }

step "dependencies"
bash tools/install-deps.sh

for preset in sim win; do
  step "build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j 2
done

mkdir -p build/demo
for machine in win98 win7; do
  step "setup-sim --machine $machine --package $PACKAGE --dump-settings -- ${SETUP_ARGS[*]}"
  status=0
  build/sim/setup-sim --machine "$machine" --package "$PACKAGE" --dump-settings -- "${SETUP_ARGS[@]}" \
    >"build/demo/settings-$machine.txt" || status=$?
  cat "build/demo/settings-$machine.txt"
  echo "(exit code $status)"
done

step "settings that differ between win98 and win7"
awk 'NR == FNR { i = index($0, "="); first[substr($0, 1, i - 1)] = substr($0, i + 1); next }
     { i = index($0, "="); name = substr($0, 1, i - 1); value = substr($0, i + 1)
       if (first[name] != value) printf "%-26s win98: %s\n%-26s win7:  %s\n", name, first[name], "", value }' \
  build/demo/settings-win98.txt build/demo/settings-win7.txt

step "setup.exe ${SETUP_ARGS[*]} under Wine (Windows 7)"
python3 tests/wine/winetest.py run --exe build/win/setup.exe --package "$PACKAGE" \
  --prefix build/demo/prefix --version win7 --template-root build/win/wine-tests -- "${SETUP_ARGS[@]}"
echo
echo "The prefix stays in build/demo/prefix (Wine's full output: build/demo/wine-stderr.txt)."
