#!/usr/bin/env bash
# Writes the fuzzers' seed inputs: a few tiny sounds, valid and not, built
# byte by byte here. With --long DIR, also one sound longer than the longest
# the reader keeps, into DIR/wav_reader_fuzzer (too large to keep in the
# repository; made before each run).
# Usage: fuzz/make-seed-corpus.sh CORPUS_DIR [--long DIR]
set -euo pipefail
export LC_ALL=C
out=$1
mkdir -p "$out/wav_reader_fuzzer" "$out/pcm_wav_fuzzer" "$out/command_line_fuzzer" "$out/encoder_fuzzer"

# bytes N... : the given byte values; le16/le32 V: a little-endian number.
bytes() { printf "$(printf '\\x%02x' "$@")"; }
le16() { bytes $(($1 & 255)) $(($1 >> 8 & 255)); }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }
# tone N: N samples of a square-ish tone that never touches 0.
tone() { awk -v n="$1" 'BEGIN { for (i = 0; i < n; i++) printf "%c", (i % 20 < 10) ? 200 : 56 }'; }

# The 46-byte layout the reader expects: header46 SAMPLES RATE CHANNELS BITS
header46() {
  printf 'RIFF'; le32 $(($1 + 38)); printf 'WAVEfmt '; le32 18
  le16 1; le16 "$3"; le32 "$2"; le32 $(($2 * $3 * $4 / 8)); le16 $(($3 * $4 / 8)); le16 "$4"
  bytes 0x60 0x7e; printf 'data'; le32 "$1"
}
# The common 44-byte layout, with a 16-byte format chunk: header44 DATA_BYTES RATE CHANNELS BITS [FORMAT_TAG]
header44() {
  printf 'RIFF'; le32 $(($1 + 36)); printf 'WAVEfmt '; le32 16
  le16 "${5:-1}"; le16 "$3"; le32 "$2"; le32 $(($2 * $3 * $4 / 8)); le16 $(($3 * $4 / 8)); le16 "$4"
  printf 'data'; le32 "$1"
}

r=$out/wav_reader_fuzzer
{ header46 8 8000 1 8; tone 8; } > "$r/smallest-46.wav"
{ header46 300 15625 1 8; tone 300; } > "$r/tone-46.wav"
{ header44 100 22050 1 8; tone 100; } > "$r/common-44.wav"
{ header46 40 8000 2 8; tone 40; } > "$r/stereo.wav"
{ header46 40 8000 1 16; tone 40; } > "$r/sixteen-bit.wav"
{ header46 20 8000 1 8; tone 20; } | sed 's/WAVE/AVI /' > "$r/not-wave.wav"
{ header46 7 8000 1 8; tone 7; } > "$r/one-byte-short.wav"

p=$out/pcm_wav_fuzzer
{ header44 100 8000 1 8; tone 100; } > "$p/mono-8.wav"
{ header44 100 44100 2 16; tone 100; } > "$p/stereo-16.wav"
{ header44 101 8000 1 8; tone 101; bytes 0; printf 'LIST'; le32 4; printf 'INFO'; } > "$p/odd-data-then-list.wav"
{ printf 'RIFF'; le32 86; printf 'WAVE'; printf 'LIST'; le32 5; printf 'INFOx'; bytes 0
  printf 'fmt '; le32 16; le16 1; le16 1; le32 8000; le32 8000; le16 1; le16 8
  printf 'data'; le32 30; tone 30; } > "$p/list-before-format.wav"
{ printf 'RIFF'; le32 96; printf 'WAVEfmt '; le32 40; le16 0xFFFE; le16 1; le32 8000; le32 16000; le16 2; le16 16
  le16 22; le16 16; le32 4; le16 1; bytes 0 0 0 0 0x10 0 0x80 0 0 0xaa 0 0x38 0x9b 0x71
  printf 'data'; le32 20; tone 20; } > "$p/extensible.wav"
{ header44 400 8000 1 8; tone 50; } > "$p/cut-short.wav"
{ header44 20 8000 1 8 3; tone 20; } > "$p/float-format.wav"
{ printf 'RIFF'; le32 4; printf 'WAVE'; } > "$p/no-chunks.wav"

# The command line: sound SAMPLES RATE_CHOICE, then the arguments, one a
# line (NUL separates them too). The names are those of the fuzzer's folder.
sound() { le16 "$1"; bytes "$2"; }
c=$out/command_line_fuzzer
{ sound 1000 0; printf 'in.wav'; } > "$c/default-assembler"
{ sound 4000 0; printf -- '--hex\nout.hex\n--program\n-\nin.wav'; } > "$c/hex-and-program"
{ sound 2000 3; printf -- '-s\n1\n-f4\n--chip\n12f683\n--loop\n--hex=x.hex\nsame.wav'; } > "$c/one-bit-small-chip"
{ sound 800 0; printf -- '--chip\0pic16f877a\0--clock\00020000000\0--hex\0link.wav\0in.wav'; } > "$c/crystal-onto-input"
{ sound 65000 0; printf -- '--hex\nbig.hex\nin.wav'; } > "$c/too-long-for-chip"
{ sound 300 5; printf -- '-o\nahead.asm\n-b\nmade-later.asm\n--wav\ndir/new.wav\nin.wav'; } > "$c/dangling-link"
{ sound 100 0; printf -- 'a.wav\nb.wav\n-\n--compare\n--rate\n22050\n--no-trim'; } > "$c/several-inputs"
{ sound 100 0; printf -- '--asm\n/dev/stdout\n--bin\n-\n--\n-x.wav'; } > "$c/standard-output-twice"
{ sound 3000 0; printf -- '--rate\n8000\n--oscillator\ncrystal\n--clock\n4000000\n--hex\nnew.hex\nin.wav'; } > "$c/rate-and-crystal"

# The encoders: scheme and fineness, rate, then the fourth search's limits
# (bin shift, beam width, prune steps, block length, overlap), then samples.
e=$out/encoder_fuzzer
{ bytes 0 0 8 15 0 0 16 128; tone 12; } > "$e/short-exact"
{ bytes 3 1 0 3 2 40 0 4; tone 300; } > "$e/one-bit-small-blocks"
{ bytes 14 4 16 0 7 0 0 0; awk 'BEGIN { for (i = 0; i < 200; i++) printf "%c", 128 }'; } > "$e/silence"
{ bytes 5 0 4 31 0 100 0 16; awk 'BEGIN { for (i = 0; i < 15; i++) printf "%c", (i % 2) ? 255 : 0 }'; } > "$e/extremes"
{ bytes 6 2 8 15 0 255 3 128; tone 3000; } > "$e/long-with-block-joins"
# "1 bit", Ryx32, samples 127 255 7 0 193 (127): the beam search's bits
# err more than the greedy rule's (766615622 against 766447179).
bytes 255 239 7 0 0 255 255 193 127 255 7 0 193 127 > "$e/beam-loses-to-greedy"

if [ "${2:-}" = --long ]; then
  mkdir -p "$3/wav_reader_fuzzer"
  { header46 262600 15625 1 8; tone 262600; } > "$3/wav_reader_fuzzer/longer-than-kept.wav"
fi
