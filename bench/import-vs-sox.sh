#!/usr/bin/env bash
# Whole processes side by side: ryxenc importing a minute of 44.1 kHz 16-bit
# stereo sound (WAV, then the same as FLAC) at 15625 Hz and writing its
# assembler file, against sox converting the same file to an 8-bit mono WAV
# at that rate, normalised to -1 dBFS. The runs alternate, so both see the
# same machine; the medians and their ratio are printed, and the script fails
# when ryxenc's median is not the smaller.
# Usage: bench/import-vs-sox.sh [BUILD_DIR] [RUNS]   (default build/ci, 21)
set -euo pipefail
ryxenc=$(cd "${1:-build/ci}" && pwd)/cli/ryxenc
runs=${2:-21}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
sox -n -r 44100 -c 2 -b 16 minute.wav synth 60 sine 200-3000 sine 300-2000 gain -3
sox minute.wav minute.flac

elapsed_us() {
  local start end
  start=$(date +%s%N)
  "$@" > /dev/null 2>&1
  end=$(date +%s%N)
  echo $(( (end - start) / 1000 ))
}
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

status=0
for input in minute.wav minute.flac; do
  ours=()
  theirs=()
  for _ in $(seq "$runs"); do
    ours+=("$(elapsed_us "$ryxenc" -q -r 15625 --asm out.asm "$input")")
    theirs+=("$(elapsed_us sox "$input" -r 15625 -c 1 -b 8 -e unsigned out.wav norm -1)")
  done
  a=$(median "${ours[@]}")
  b=$(median "${theirs[@]}")
  ratio=$(awk -v a="$a" -v b="$b" 'BEGIN {printf "%.2f", a / b}')
  printf '%-12s ryxenc -r 15625: median %6.1f ms   sox ... norm -1: median %6.1f ms   ratio %s (%s runs)\n' \
    "$input" "$(awk -v u="$a" 'BEGIN {print u / 1000}')" "$(awk -v u="$b" 'BEGIN {print u / 1000}')" "$ratio" "$runs"
  awk -v r="$ratio" 'BEGIN {exit !(r < 1)}' || status=1
done
exit $status
