#!/usr/bin/env bash
# Shows the demo package installed for real: builds the native and the 64-bit Windows program,
# installs examples/demo-package silently on a simulated Windows 7 with setup-sim and prints its
# summary (files, registry, shortcuts, programs, restart), then installs the same package with
# the real setup.exe under Wine (as Windows 7) in a throw-away prefix and prints what that left
# (exit code, files, registry). Nothing keeps running afterwards: Xvfb and the wineserver are
# ended and the prefix is removed.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
PACKAGE=examples/demo-package
SETUP_ARGS=(/S /TYPE:USB /NR)
DEMO=build/demo

# Prints a section header.
step() { printf '\n==== %s\n' "$*"; }

step "dependencies"
bash tools/install-deps.sh

for preset in sim win; do
  step "build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j 2
done

# Installation stages write beside setup (driver builds are copied into the package's file
# folder), so each run gets its own copy of the package.
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
rm -rf "$DEMO/sim-disk"
mkdir -p "$DEMO"
cp -r "$PACKAGE" "$WORK/sim-package"

step "setup-sim --machine win7 -- ${SETUP_ARGS[*]}"
status=0
build/sim/setup-sim --machine win7 --package "$WORK/sim-package" --disk "$DEMO/sim-disk" \
  --journal "$DEMO/sim-journal.txt" --reg-out "$DEMO/sim-registry.reg" -- "${SETUP_ARGS[@]}" || status=$?
echo "(setup-sim exit code $status; the simulated drives stay in $DEMO/sim-disk, the journal in"
echo " $DEMO/sim-journal.txt and the whole registry in $DEMO/sim-registry.reg)"

step "setup.exe ${SETUP_ARGS[*]} under Wine (Windows 7)"
python3 tools/demo_wine.py --exe build/win/setup.exe --package "$PACKAGE" --work "$DEMO/wine" \
  --version win7 --template-root build/win/wine-tests -- "${SETUP_ARGS[@]}"
echo "(Wine's output and the trace lines are in $DEMO/wine)"
