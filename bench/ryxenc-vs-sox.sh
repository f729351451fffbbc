#!/usr/bin/env bash
# Whole processes side by side: ryxenc turning the largest sound (262,500
# samples) into its assembler file, and sox merely copying that WAV file.
# Usage: bench/ryxenc-vs-sox.sh [BUILD_DIR]   (default build/ci)
set -euo pipefail
ryxenc=$(cd "${1:-build/ci}" && pwd)/cli/ryxenc
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# 262,502 bytes of data behind sox's 44-byte header: exactly 262,500 samples
# behind the 46 bytes the reader takes as header.
sox -r 15625 -n -r 15625 -c 1 -e unsigned-integer -b 8 big.wav synth 262502s sine 300-3000 gain -3
"$ryxenc" -q --asm big.asm big.wav
sox big.wav copy.wav

if command -v hyperfine >/dev/null 2>&1; then
  # Each output replaced, as in a rebuild; then each written afresh.
  hyperfine -N --warmup 20 --min-runs 300 "$ryxenc -q --asm big.asm big.wav" "sox big.wav copy.wav"
  hyperfine --warmup 20 --min-runs 300 --prepare 'rm -f big.asm copy.wav' \
    "$ryxenc -q --asm big.asm big.wav" "sox big.wav copy.wav"
else
  for command in "$ryxenc -q --asm big.asm big.wav" "sox big.wav copy.wav"; do
    echo "$command (200 runs, replacing):"
    time (for _ in $(seq 200); do $command; done)
    echo "$command (200 runs, new file):"
    time (for _ in $(seq 200); do rm -f big.asm copy.wav; $command; done)
  done
fi
