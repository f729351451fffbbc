#!/usr/bin/env bash
# The real window under Xvfb: the program starts, shows its window with the
# right title and size, keeps its previews in a folder of its own, and ends
# cleanly on Ctrl+Q, taking that folder with it.
# Usage: window-smoke.sh PATH/TO/ryx-encoder VERSION
set -euo pipefail
program=$(readlink -f "$1")
title=" Ryx Sound Encoder LT  -  v$2               http://ryx-encoder.example.org/"

[ -f "$(dirname "$program")/help/ryx-encoder-help.html" ] || { echo "FAIL: no help beside the program"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb PULSE_SERVER=unix:/nonexistent/native
export PROGRAM="$program" TITLE="$title" WORK="$work"

# A display number of its own range, so that other Xvfb tests running at the
# same time do not race for the same one.
xvfb-run -a -n $((200 + $$ % 100)) -s "-screen 0 800x600x24" bash -c '
  set -u
  "$PROGRAM" > "$WORK/out.txt" 2>&1 &
  pid=$!
  id=""
  for _ in $(seq 300); do
    id=$(xdotool search --name "Ryx Sound Encoder LT" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "FAIL: no window appeared"; kill $pid; exit 1; }
  sleep 0.3
  name=$(xdotool getwindowname "$id")
  [ "$name" = "$TITLE" ] || { echo "FAIL: title \"$name\""; kill $pid; exit 1; }
  eval "$(xdotool getwindowgeometry --shell "$id")"
  echo "window \"$name\" is $WIDTH x $HEIGHT"
  # The client area is 500 x 499 below a menu bar of one line.
  if [ "$WIDTH" -ne 500 ] || [ "$HEIGHT" -lt 510 ] || [ "$HEIGHT" -gt 540 ]; then
    echo "FAIL: size ${WIDTH}x${HEIGHT}"; kill $pid; exit 1
  fi
  own="$XDG_RUNTIME_DIR/ryx-encoder/window-$pid-"
  [ -d "$own"?????? ] || { echo "FAIL: no preview folder of its own"; kill $pid; exit 1; }
  [ "$(stat -c %s "$own"??????/ryxelt1.wav)" -eq 246 ] || { echo "FAIL: preview"; kill $pid; exit 1; }
  xdotool windowfocus --sync "$id"
  xdotool key ctrl+q
  for _ in $(seq 200); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  if kill -0 $pid 2>/dev/null; then echo "FAIL: still running after Ctrl+Q"; kill $pid; exit 1; fi
  wait $pid; status=$?
  [ $status -eq 0 ] || { echo "FAIL: exit status $status"; cat "$WORK/out.txt"; exit 1; }
  [ -z "$(ls "$XDG_RUNTIME_DIR/ryx-encoder")" ] || { echo "FAIL: preview folder left behind"; exit 1; }
'
echo "PASS"
