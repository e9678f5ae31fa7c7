#!/usr/bin/env bash
# Builds the fuzz preset and runs the parser fuzzers, two at a time, each for the given number
# of seconds (default 60), starting from the committed seeds of tests/fuzz/corpus/<fuzzer>.
#   tools/fuzz.sh [seconds] [fuzzer...]      e.g. tools/fuzz.sh 300 fuzz_pcx fuzz_cabinet
# Inputs found to grow coverage go to build/fuzz/corpus/<fuzzer>, a failing input to
# build/fuzz/crashes/<fuzzer>-crash-..., each run's log to build/fuzz/logs/<fuzzer>.log.
# FUZZ_SEED fixes the random seed (the test command sets it, so reruns walk the same inputs).
# Prints executions per fuzzer and exits non-zero when any fuzzer failed.
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
SECONDS_EACH=${1:-60}
shift $(($# > 0 ? 1 : 0))
JOBS=${FUZZ_JOBS:-2}
OUT=build/fuzz

if ! [[ $SECONDS_EACH =~ ^[0-9]+$ ]] || [[ $SECONDS_EACH -eq 0 ]]; then
  echo "usage: tools/fuzz.sh [seconds] [fuzzer...]" >&2
  exit 2
fi

command -v ccache >/dev/null && export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR="$ROOT"
cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz -j "$JOBS" || exit 1

if [[ $# -gt 0 ]]; then
  FUZZERS=("$@")
else
  mapfile -t FUZZERS < <(cd tests/fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
fi
mkdir -p "$OUT/logs" "$OUT/crashes"

# Runs one fuzzer and writes its exit code to logs/<fuzzer>.status; its temporary folders live
# in a folder of its own, removed afterwards even when the fuzzer stopped on a fault.
run_one() {
  local name=$1 program="$OUT/fuzzers/$1"
  rm -f "$OUT/logs/$name.status"
  if [[ ! -x $program ]]; then
    echo "no fuzzer $name" >"$OUT/logs/$name.log"
    echo 1 >"$OUT/logs/$name.status"
    return
  fi
  local tmp="$OUT/tmp/$name"
  rm -rf "$tmp" && mkdir -p "$tmp" "$OUT/corpus/$name"
  local status=0
  TMPDIR="$ROOT/$tmp" "$program" -max_total_time="$SECONDS_EACH" -timeout=60 -print_final_stats=1 \
    ${FUZZ_SEED:+-seed=$FUZZ_SEED} -artifact_prefix="$OUT/crashes/$name-" \
    "$OUT/corpus/$name" "tests/fuzz/corpus/$name" >"$OUT/logs/$name.log" 2>&1 || status=$?
  rm -rf "$tmp"
  echo "$status" >"$OUT/logs/$name.status"
}

# Starts the fuzzers, at most JOBS at once, and collects their results.
for name in "${FUZZERS[@]}"; do
  while [[ $(jobs -rp | wc -l) -ge $JOBS ]]; do wait -n || true; done
  run_one "$name" &
done
wait
declare -A STATUS=()
for name in "${FUZZERS[@]}"; do STATUS[$name]=$(cat "$OUT/logs/$name.status" 2>/dev/null || echo 1); done

FAILED=0
printf '%-24s %12s %9s  %s\n' fuzzer executions "exec/s" result
for name in "${FUZZERS[@]}"; do
  log="$OUT/logs/$name.log"
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  if [[ ${STATUS[$name]} -eq 0 ]]; then
    result=ok
  else
    result="FAILED (see $log)"
    FAILED=1
  fi
  printf '%-24s %12s %9s  %s\n' "$name" "${execs:-?}" "${speed:-?}" "$result"
done
for name in "${FUZZERS[@]}"; do
  if [[ ${STATUS[$name]} -ne 0 ]]; then
    printf '\n---- %s\n' "$name"
    grep -E -m 20 -A 12 'ERROR|fuzz check failed|runtime error|Test unit written|deadly signal' "$OUT/logs/$name.log" | head -40
  fi
done
exit $FAILED
