#!/usr/bin/env bash
# End to end through a real sound server: a headless PulseAudio with a null
# sink (without rewinds, so that its monitor keeps every sample that was
# played) records what "  Play Orig Sound" plays; the recording must hold the
# test tone at its frequency for its whole length.
# Usage: playback-e2e.sh PATH/TO/ryx_play_tone
set -euo pipefail
player=$1
frequency=500
milliseconds=600
rate=22050

work=$(mktemp -d)
pa_pid=""
rec_pid=""
cleanup() {
  [ -n "$rec_pid" ] && kill "$rec_pid" 2>/dev/null || true
  [ -n "$pa_pid" ] && kill "$pa_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A private server: its own runtime folder and home, no other server reachable.
mkdir -m 700 "$work/runtime" "$work/home"
export XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home"
unset PULSE_SERVER DISPLAY
pulseaudio --daemonize=no -n --exit-idle-time=-1 --use-pid-file=no --log-level=error \
  --load=module-native-protocol-unix --load="module-null-sink sink_name=e2e norewinds=1" &
pa_pid=$!
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { echo "FAIL: the sound server did not start"; exit 1; }

parec -d e2e.monitor --format=s16le --rate=$rate --channels=1 --raw > "$work/capture.raw" &
rec_pid=$!
sleep 0.5
QT_QPA_PLATFORM=offscreen "$player" "$work" $frequency $milliseconds $rate
# The null sink hands out its monitor in blocks of about 2 s.
sleep 2.5
kill -INT "$rec_pid"; wait "$rec_pid" 2>/dev/null || true; rec_pid=""

# Zero crossings (with hysteresis) between the first and last loud sample
# give the frequency; their distance the length; no quiet run may break it.
od -An -v -td2 -w2 "$work/capture.raw" | awk -v rate=$rate -v freq=$frequency -v ms=$milliseconds '
  function abs(v) { return v < 0 ? -v : v }
  { n++; s[n] = $1 + 0 }
  END {
    threshold = 3000
    first = 0; last = 0
    for (i = 1; i <= n; i++) if (abs(s[i]) > threshold) { if (!first) first = i; last = i }
    if (!first) { printf "FAIL: nothing audible in %d recorded samples\n", n; exit 1 }
    sign = 0; crossings = 0; quiet = 0; longestQuiet = 0
    for (i = first; i <= last; i++) {
      v = s[i]
      if (v > threshold && sign <= 0) { if (sign < 0) crossings++; sign = 1 }
      else if (v < -threshold && sign >= 0) { if (sign > 0) crossings++; sign = -1 }
      if (abs(v) < threshold) quiet++; else { if (quiet > longestQuiet) longestQuiet = quiet; quiet = 0 }
    }
    seconds = (last - first + 1) / rate
    heard = crossings / 2 / seconds
    printf "recorded %.3f s of tone at %.1f Hz (expected %.3f s at %d Hz), longest quiet run %d samples\n",
           seconds, heard, ms / 1000, freq, longestQuiet
    if (heard < freq * 0.98 || heard > freq * 1.02) { print "FAIL: wrong frequency"; exit 1 }
    if (seconds < ms / 1000 - 0.02 || seconds > ms / 1000 + 0.02) { print "FAIL: wrong length"; exit 1 }
    if (longestQuiet > 20) { print "FAIL: the tone breaks off"; exit 1 }
  }'
echo "PASS"
