#!/usr/bin/env bash
# Starts the window program on a virtual X display, takes a screenshot of its
# window at start-up and checks the picture's black regions, overview axis,
# marker and silent traces at their client coordinates.
# Usage: real_window_check.sh <path to ryx-encoder>
set -euo pipefail

program=$1
for tool in xvfb-run xdotool /usr/bin/import /usr/bin/convert; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime" "$work/home"

# Inside the virtual display (numbers of its own range, so that other Xvfb
# tests running at the same time do not race for one): start, wait for the
# window, let it paint, shoot.
cat > "$work/shoot.sh" <<'INNER'
set -u
"$PROGRAM" > "$WORK/program.log" 2>&1 &
pid=$!
id=
for _ in $(seq 1 100); do
  id=$(xdotool search --onlyvisible --name "Ryx Sound Encoder LT" 2>/dev/null | head -n1)
  [ -n "$id" ] && break
  sleep 0.1
done
status=1
if [ -n "$id" ]; then
  sleep 1
  /usr/bin/import -window "$id" "$WORK/shot.png" && status=0
fi
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit $status
INNER

if ! env -u QT_QPA_PLATFORM QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 XDG_RUNTIME_DIR="$work/runtime" \
    HOME="$work/home" PROGRAM="$program" WORK="$work" \
    xvfb-run -a -n $((300 + $$ % 100)) -s "-screen 0 800x600x24" sh "$work/shoot.sh"; then
  echo "FAIL: no window or no screenshot"; cat "$work/program.log" 2>/dev/null; exit 1
fi

# One line per pixel: "x y rrggbb".
/usr/bin/convert "$work/shot.png" -depth 8 txt:- |
  sed -n 's/^\([0-9]*\),\([0-9]*\):.*#\([0-9A-Fa-f]\{6\}\).*/\1 \2 \3/p' > "$work/pixels.txt"

awk '
  { colour[$1 "," $2] = tolower($3) }
  function at(x, y) { return colour[x "," (y + top)] }
  function expect(x, y, want, what) {
    if (at(x, y) != want) { printf "FAIL: %s: client (%d, %d) is #%s, expected #%s\n", what, x, y, at(x, y), want; bad = 1 }
  }
  function expectNot(x, y, unwanted, what) {
    if (at(x, y) == unwanted) { printf "FAIL: %s: client (%d, %d) is #%s\n", what, x, y, unwanted; bad = 1 }
  }
  END {
    black = "000000"; grey = "464646"; green = "00ff00"; white = "ffffff"; blue = "5050ff"
    # The client area starts below the menu bar: the first black pixel of
    # column 5 is the corner of the zoomed view at client (5, 6).
    top = -1
    for (y = 0; y < 200 && top < 0; y++) if (colour[5 "," y] == black) top = y - 6
    if (top < 0) { print "FAIL: no black region in column 5"; exit 1 }
    printf "client area starts %d rows below the window top\n", top
    expectNot(4, 6, black, "left margin"); expectNot(5, 5, black, "top margin")
    expect(493, 6, black, "zoomed view"); expect(5, 364, black, "zoomed view"); expect(493, 364, black, "zoomed view")
    expectNot(494, 100, black, "right margin"); expectNot(100, 365, black, "gap between the regions")
    expect(13, 371, black, "overview strip"); expect(493, 406, black, "overview strip")
    expectNot(493, 407, black, "below the strip")
    expect(7, 389, black, "left of the axis"); expect(8, 389, grey, "axis"); expect(250, 389, grey, "axis")
    expect(491, 389, grey, "axis"); expect(492, 389, black, "right of the axis")
    for (y = 370; y <= 407; y++) { expect(5, y, white, "marker"); expect(12, y, white, "marker") }
    for (x = 5; x <= 12; x++) { expect(x, 370, white, "marker"); expect(x, 407, white, "marker") }
    expect(8, 380, black, "inside the marker"); expectNot(13, 370, white, "right of the marker")
    for (x = 13; x < 485; x++) expect(x, 173, green, "silent traces")
    expect(485, 173, grey, "last trace point unpainted")
    expect(13, 34, "282828", "grid"); expect(13, 33, black, "above the grid")
    greens = 0; blues = 0
    for (y = 10; y < 23; y++) for (x = 13; x < 300; x++) if (at(x, y) == green) greens++
    for (y = 349; y < 362; y++) for (x = 10; x < 490; x++) if (at(x, y) == blue) blues++
    if (greens < 50) { print "FAIL: no green information line"; bad = 1 }
    if (blues < 60) { print "FAIL: no light blue digits"; bad = 1 }
    if (bad) exit 1
    print "real window picture as expected"
  }' "$work/pixels.txt"
