#!/usr/bin/env bash
# `cmake --install` puts both programs, the help, the desktop entry and its
# icon where a Linux desktop finds them, and the installed window program
# starts from there.
# Usage: install-layout.sh BUILD_DIRECTORY
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null
fail() { echo "FAIL: $*"; exit 1; }
for program in ryx-encoder ryxenc; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program missing"
done
[ -s "$prefix/share/ryx-encoder/help/ryx-encoder-help.html" ] || fail "help missing"
desktop="$prefix/share/applications/ryx-encoder.desktop"
[ -f "$desktop" ] || fail "desktop entry missing"
grep -qx 'Type=Application' "$desktop" || fail "desktop entry: Type"
grep -qx 'Exec=ryx-encoder %f' "$desktop" || fail "desktop entry: Exec"
for type in audio/x-wav audio/flac audio/ogg audio/mpeg audio/x-aiff; do
  grep -q "^MimeType=.*$type;" "$desktop" || fail "desktop entry: MimeType lacks $type"
done
if command -v desktop-file-validate > /dev/null; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
fi
grep -qx 'Icon=ryx-encoder' "$desktop" || fail "desktop entry: Icon"
grep -qx 'Name=Ryx Sound Encoder LT' "$desktop" || fail "desktop entry: Name"
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/ryx-encoder.svg" || fail "icon missing"

mkdir -m 700 "$prefix/runtime"
output=$(XDG_RUNTIME_DIR="$prefix/runtime" QT_QPA_PLATFORM=offscreen RYX_EXIT_AFTER_FIRST_PAINT=1 \
  "$prefix/bin/ryx-encoder" 2>/dev/null) || fail "the installed program did not start"
echo "$output" | grep -q '^first paint after' || fail "no window was painted: $output"
echo "PASS"
