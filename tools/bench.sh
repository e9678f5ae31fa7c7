#!/usr/bin/env bash
# Measures setup-sim (optimised build) against a plain copy of the same files, setup.exe under
# Wine against Wine's own "cmd /c copy", the start-up to the first wizard page and the peak
# memory, and writes a Markdown table (build/bench/results.md, also printed). Not part of the
# tests: the figures depend on the machine, and nothing here judges them.
#   BENCH_RUNS   timed runs per command and round (default 10; the Wine pair takes a third of it)
#   BENCH_ROUNDS rounds of each setup-sim/cp pair, in turned order (default 3)
#   BENCH_NOWINE set to 1 to leave out the Wine pair
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
OUT=build/bench
RUNS=${BENCH_RUNS:-10}
ROUNDS=${BENCH_ROUNDS:-3}
WINE_RUNS=$(( RUNS / 3 > 2 ? RUNS / 3 : 2 ))
SIM=build/release/setup-sim
SETUP_ARGS="/S /TYPE:USB /NR"
FILE_SIZE=655360          # 640 KB per copy-list entry
BIG_SIZE=67108864         # the one-file package: 64 MB

step() { printf '\n==== %s\n' "$*"; }

step "dependencies"
bash tools/install-deps.sh
for tool in hyperfine /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is missing" >&2; exit 1; }
done

step "build release (setup-sim)"
cmake --preset release >/dev/null
cmake --build --preset release -j 2 --target setup-sim

rm -rf "$OUT"
mkdir -p "$OUT/json"
# Packages: name, entries, bytes per entry.
PACKAGES=("p10 10 $FILE_SIZE" "p100 100 $FILE_SIZE" "p128 128 $FILE_SIZE" "p1big 1 $BIG_SIZE")
step "packages"
for package in "${PACKAGES[@]}"; do
  read -r name count size <<<"$package"
  python3 tools/bench_package.py "$OUT/$name" "$count" "$size"
  echo "$name: $count x $size bytes"
done

# Rounds of hyperfine runs of a pair, the order turned round each round: the file system's state
# drifts while it creates and removes thousands of files, and a ratio is only fair when both
# commands meet the same drift. The prepare commands empty the targets before every run.
pair() {
  local name=$1 prep1=$2 cmd1=$3 prep2=$4 cmd2=$5 runs=$6 round
  for round in $(seq 1 "$ROUNDS"); do
    if (( round % 2 )); then
      hyperfine -N --style basic --warmup 1 --runs "$runs" --export-json "$OUT/json/$name-r$round.json" \
        -n setup --prepare "$prep1" "$cmd1" -n copy --prepare "$prep2" "$cmd2"
    else
      hyperfine -N --style basic --warmup 1 --runs "$runs" --export-json "$OUT/json/$name-r$round.json" \
        -n copy --prepare "$prep2" "$cmd2" -n setup --prepare "$prep1" "$cmd1"
    fi
  done
}

for package in "${PACKAGES[@]}"; do
  read -r name _ _ <<<"$package"
  step "setup-sim against cp -r: $name"
  disk=$OUT/$name-disk copy=$OUT/$name-copy
  pair "$name" "rm -rf $disk" "$SIM --machine win7 --package $OUT/$name --disk $disk --quiet -- $SETUP_ARGS" \
    "rm -rf $copy" "cp -r $OUT/$name/gw98 $copy" "$RUNS"
  # Peak resident memory: the largest of three runs.
  peak=0
  for _ in 1 2 3; do
    rm -rf "$disk"
    kb=$(/usr/bin/time -f '%M' "$SIM" --machine win7 --package "$OUT/$name" --disk "$disk" --quiet \
      -- $SETUP_ARGS 2>&1 >/dev/null | tail -n 1)
    (( kb > peak )) && peak=$kb
  done
  echo "$peak" >"$OUT/json/$name.peak"
  rm -rf "$disk" "$copy"
done

step "start-up to the first wizard page"
# The Welcome page is cancelled at once and the Exit Setup question answered with Exit Setup.
printf '12006 cancel\n10300 2\n' >"$OUT/cancel-first-page.txt"
hyperfine -N --style basic --warmup 1 --runs "$RUNS" --export-json "$OUT/json/startup.json" \
  --prepare "rm -rf $OUT/startup-disk" \
  -n first-page "$SIM --machine win7 --package $OUT/p10 --disk $OUT/startup-disk --quiet --answers $OUT/cancel-first-page.txt" \
  -n settings "$SIM --machine win7 --package $OUT/p10 --disk $OUT/startup-disk --dump-settings -- $SETUP_ARGS"

if [[ ${BENCH_NOWINE:-0} != 1 ]]; then
  step "build win (setup.exe)"
  if cmake --preset win >/dev/null && cmake --build --preset win -j 2 --target setup; then
    python3 tools/bench_wine.py --out "$OUT" --exe build/win/setup.exe --package "$OUT/p100" \
      --runs "$WINE_RUNS" -- $SETUP_ARGS || echo "bench: the Wine pair failed; the table leaves it out"
  else
    echo "bench: setup.exe did not build; the table leaves the Wine pair out"
  fi
fi

step "results"
python3 tools/bench_table.py "$OUT" | tee "$OUT/results.md"
rm -rf "$OUT"/p10 "$OUT"/p100 "$OUT"/p128 "$OUT"/p1big
