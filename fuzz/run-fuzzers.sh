#!/usr/bin/env bash
# Runs every fuzzer of a fuzz build for SECONDS each, starting from the seeds
# in fuzz/corpus/NAME. A crash fails the run; the crashing input is kept in
# BUILD_DIR/fuzz/artifacts/ to be added as a regression case.
# Usage: fuzz/run-fuzzers.sh BUILD_DIR SECONDS
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${2:-60}
cd "$(dirname "$0")/.."

fuzzers=("$build"/fuzz/*_fuzzer)
if [ ! -x "${fuzzers[0]}" ]; then
  echo "no fuzzers in $build/fuzz" >&2
  exit 1
fi

status=0
for fuzzer in "${fuzzers[@]}"; do
  name=$(basename "$fuzzer")
  corpus=$(mktemp -d)
  artifacts="$build/fuzz/artifacts/$name/"
  mkdir -p "$artifacts"
  echo "== $name for ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
      "$fuzzer" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$artifacts" "$corpus" "fuzz/corpus/$name" 2>"$corpus.log"; then
    tail -n 60 "$corpus.log"
    echo "FAIL $name: crashing input kept in $artifacts" >&2
    status=1
  else
    grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::new_units_added)' "$corpus.log" || true
  fi
  rm -rf "$corpus" "$corpus.log"
done
exit $status
