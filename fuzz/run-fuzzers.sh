#!/usr/bin/env bash
# Runs every fuzzer of a fuzz build for SECONDS each, starting from the seeds
# in fuzz/corpus/NAME (plus a sound longer than the reader keeps, made here),
# with inputs up to 300,000 bytes. A crash fails the run; the crashing input
# is kept in BUILD_DIR/fuzz/artifacts/ to be added as a regression case.
# Prints each fuzzer's runs per second and coverage.
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
fuzz/make-seed-corpus.sh "$work/seeds" --long

status=0
for fuzzer in "${fuzzers[@]}"; do
  name=$(basename "$fuzzer")
  corpus=$work/corpus-$name
  log=$work/$name.log
  artifacts="$build/fuzz/artifacts/$name/"
  mkdir -p "$corpus" "$artifacts" "$work/seeds/$name"
  echo "== $name for ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
      "$fuzzer" -max_total_time="$seconds" -max_len=300000 -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$artifacts" "$corpus" "fuzz/corpus/$name" "$work/seeds/$name" 2>"$log"; then
    tail -n 60 "$log"
    echo "FAIL $name: crashing input kept in $artifacts" >&2
    status=1
  else
    grep -E '^#[0-9]+ +DONE' "$log" || true
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' "$log" || true
  fi
done
exit $status
