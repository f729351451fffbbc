#!/usr/bin/env bash
# Runs every fuzzer of a fuzz build, starting from the seeds in
# fuzz/corpus/NAME, with inputs up to 300,000 bytes. The fuzzers share
# 3 x SECONDS equally, so that a fuzzer more does not lengthen the run. A
# fuzzer with a long seed (a sound longer than the reader keeps, made here)
# then gets a third of its share again from the long seed alone: mutations of
# a long input are slow, and mixed in they would starve the main run. A crash
# fails the run; the crashing input is kept in BUILD_DIR/fuzz/artifacts/ to be
# added as a regression case. Prints each run's runs per second and coverage.
# A fuzzer works on one core: the runs go side by side, one per core
# (RYX_FUZZ_JOBS to change), so SECONDS stays each fuzzer's time while the
# whole takes that much less.
# Usage: fuzz/run-fuzzers.sh BUILD_DIR SECONDS
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${2:-30}
cd "$(dirname "$0")/.."

fuzzers=("$build"/fuzz/*_fuzzer)
if [ ! -x "${fuzzers[0]}" ]; then
  echo "no fuzzers in $build/fuzz" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fuzz/make-seed-corpus.sh "$work/unused" --long "$work/long"

share=$(( (3 * seconds + ${#fuzzers[@]} - 1) / ${#fuzzers[@]} ))

# fuzz NAME SECONDS SEED_DIR: one run from the seeds in SEED_DIR; a failure
# leaves $work/failed behind.
fuzz() {
  local name=$1 time=$2 seeds=$3
  local corpus log artifacts="$build/fuzz/artifacts/$name/"
  corpus=$(mktemp -d -p "$work")
  log=$corpus.log
  mkdir -p "$artifacts"
  echo "== $name for ${time}s from $seeds"
  # Absolute paths and a temporary folder in $work: a fuzzer may work in a folder of its own.
  if ! ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
      LSAN_OPTIONS=suppressions="$PWD/fuzz/lsan-suppressions.txt" TMPDIR="$work" \
      "$build/fuzz/$name" -max_total_time="$time" -max_len=300000 -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$artifacts" "$corpus" "$(cd "$seeds" && pwd)" 2>"$log"; then
    tail -n 60 "$log"
    echo "FAIL $name: crashing input kept in $artifacts"
    touch "$work/failed"
  else
    grep -E '^#[0-9]+[[:space:]]+DONE' "$log" || true
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' "$log" || true
  fi
}

runs=()  # "NAME SECONDS SEED_DIR", longest first so that the last to end is short
for fuzzer in "${fuzzers[@]}"; do
  name=$(basename "$fuzzer")
  runs+=("$name $share fuzz/corpus/$name")
done
for fuzzer in "${fuzzers[@]}"; do
  name=$(basename "$fuzzer")
  if [ -d "$work/long/$name" ]; then
    runs+=("$name $(( (share + 2) / 3 )) $work/long/$name")
  fi
done

# Each run's report goes to a file of its own, printed in order at the end.
parallel=${RYX_FUZZ_JOBS:-$(nproc)}
for i in "${!runs[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
  # shellcheck disable=SC2086  # NAME SECONDS SEED_DIR, no spaces in them
  fuzz ${runs[$i]} >"$work/report.$i" 2>&1 &
done
wait
for i in "${!runs[@]}"; do cat "$work/report.$i"; done
if [ -e "$work/failed" ]; then
  grep -h '^FAIL' "$work"/report.* >&2
  exit 1
fi
