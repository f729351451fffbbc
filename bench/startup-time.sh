#!/usr/bin/env bash
# Time from process start to the first painted main window, offscreen.
# The program reports its own figure (from the start of main) when
# RYX_EXIT_AFTER_FIRST_PAINT=1 and then quits; the whole process, from
# exec to exit, is timed here as well.
# Usage: bench/startup-time.sh [PATH/TO/ryx-encoder] [RUNS]
set -euo pipefail
program=${1:-build/ci/app/ryx-encoder}
runs=${2:-20}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=1 RYX_EXIT_AFTER_FIRST_PAINT=1

inside=()
whole=()
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  line=$("$program" 2>/dev/null)
  end=$(date +%s%N)
  inside+=("$(echo "$line" | awk '{print $4}')")
  whole+=("$(( (end - start) / 1000 ))")
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
echo "runs: $runs"
echo "first paint, from main():           median $(median "${inside[@]}") ms"
echo "whole process, exec to exit:        median $(awk -v us="$(median "${whole[@]}")" 'BEGIN{printf "%.1f", us/1000}') ms"
