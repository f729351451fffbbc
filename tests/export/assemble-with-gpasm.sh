#!/usr/bin/env bash
# Assembles exported sounds with gpasm and checks, from the Intel HEX file,
# that every data byte sits as a retlw (0x34xx) at word address b * 256 + k.
# Usage: assemble-with-gpasm.sh RYXENC INPUT.wav
# Exit 77 (skipped) when gpasm is not installed.
set -euo pipefail

ryxenc=$1
input=$2

if ! command -v gpasm >/dev/null 2>&1; then
  echo "gpasm not found: skipped"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Intel HEX to one "word-address value" line per program word, both decimal.
hex_to_words() {
  awk '
    function hex(text,   i, n) {
      n = 0
      for (i = 1; i <= length(text); i++) n = n * 16 + index("0123456789ABCDEF", toupper(substr(text, i, 1))) - 1
      return n
    }
    /^:/ {
      count = hex(substr($0, 2, 2)); address = hex(substr($0, 4, 4)); type = hex(substr($0, 8, 2))
      sum = 0
      for (i = 0; i < count + 5; i++) sum += hex(substr($0, 2 + 2 * i, 2))
      if (sum % 256 != 0) { print "bad checksum: " $0 > "/dev/stderr"; exit 1 }
      if (type == 4) base = hex(substr($0, 10, 4)) * 65536
      if (type != 0) next
      for (i = 0; i < count; i++) byte[base + address + i] = hex(substr($0, 10 + 2 * i, 2))
    }
    END {
      for (a in byte) if (a % 2 == 0) print a / 2, byte[a] + 256 * byte[a + 1]
    }' "$1" | sort -n
}

# The data lines of an export as the words they must become: byte k of the
# sound is retlw k at word 256 + k (block b = k / 256 + 1 starts at b * 256).
expected_words() {
  awk '
    /retlw b\x27/ {
      digits = substr($0, index($0, "b\x27") + 2, 8); value = 0
      for (i = 1; i <= 8; i++) value = value * 2 + substr(digits, i, 1)
      print 256 + k, 13312 + value; k++
    }' "$1"
}

check() {
  local name=$1 wav=$2 scheme=$3
  "$ryxenc" -q -s "$scheme" --asm "$work/$name.asm" --bin "$work/$name.ryx" "$wav"
  printf '    list p=16f877a, r=dec\n    include "%s.asm"\n    end\n' "$name" > "$work/$name-main.asm"
  (cd "$work" && gpasm -q -o "$name.hex" "$name-main.asm")

  expected_words "$work/$name.asm" > "$work/$name.expected"
  hex_to_words "$work/$name.hex" > "$work/$name.words"
  local bytes
  bytes=$(wc -l < "$work/$name.expected")
  if [ "$bytes" -eq 0 ] || ! cmp -s "$work/$name.expected" "$work/$name.words"; then
    echo "FAIL $name: the assembled words differ from the export's data lines"
    diff "$work/$name.expected" "$work/$name.words" | head -20 || true
    exit 1
  fi
  # The data lines hold the same bits as the binary export.
  local binary listed
  binary=$(od -An -v -tu1 "$work/$name.ryx" | tr -s ' ' '\n' | sed '/^$/d')
  listed=$(awk '{ print $2 - 13312 }' "$work/$name.expected" | head -n "$(echo "$binary" | wc -l)")
  if [ "$binary" != "$listed" ]; then
    echo "FAIL $name: the data lines differ from the binary export"
    exit 1
  fi
  echo "ok $name (scheme $scheme): $bytes retlw words at 256 ... $((255 + bytes))"
}

# The whole example and its first 5003 samples (3 blocks, a last group of one byte).
head -c $((46 + 5003)) "$input" > "$work/short.wav"
check full15 "$input" 1.5
check full1 "$input" 1
check short15 "$work/short.wav" 1.5
