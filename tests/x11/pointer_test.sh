#!/usr/bin/env bash
# The viewer on a real X server driven by real pointer events (XTEST): a
# drag of (60, 30) pixels saves the same centre as two Left presses and one
# Up; a wheel notch up (button 4) then Left pans 15 map pixels.
#   pointer_test.sh BUILD_DIR
set -euo pipefail
build=$1
. "$(dirname "$0")/xvfb.sh"

place_viewer

viewer=""
window=""
start_viewer() {
  rm -f "$work/settings.dat"
  XDG_RUNTIME_DIR=$work/runtime "$work/tarvo" &
  viewer=$!
  pids+=("$viewer")
  window=$(window_titled tarvo)
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  sleep 0.3
}

exit_viewer() {
  xdotool key F2 2>/dev/null
  for _ in $(seq 300); do kill -0 "$viewer" 2>/dev/null || break; sleep 0.1; done
  local status=0
  wait "$viewer" || status=$?
  [[ $status -eq 0 ]] || { echo "FAIL: the viewer exited with $status"; exit 1; }
}

# A press, a move in steps, a release, within the map view.
start_viewer
xdotool mousemove --window "$window" 60 80 mousedown 1 2>/dev/null
for step in 1 2 3 4 5 6; do
  xdotool mousemove --window "$window" $((60 + step * 10)) $((80 + step * 5)) 2>/dev/null
  sleep 0.05
done
xdotool mouseup 1 2>/dev/null
sleep 0.3
exit_viewer
dragged=$(saved_centre "$work/settings.dat")

start_viewer
xdotool key Left Left Up 2>/dev/null
sleep 0.3
exit_viewer
keyed=$(saved_centre "$work/settings.dat")

start_viewer
xdotool mousemove --window "$window" 120 130 click 4 2>/dev/null
sleep 0.2
xdotool key Left 2>/dev/null
sleep 0.3
exit_viewer
wheeled=$(saved_centre "$work/settings.dat")

python3 - "$build" "$dragged" "$keyed" "$wheeled" <<'PY'
import struct, sys, zipfile
f = lambda v: struct.unpack('<f', struct.pack('<f', v))[0]
desc = zipfile.ZipFile(sys.argv[1] + '/map.dt1').read('desc.txt').decode().split('\n')
width, left, right = int(desc[1]), float(desc[5]), float(desc[9])
top, bottom = float(desc[7]), float(desc[11])
xscale = f((f(right) - f(left)) / width)
clon, clat = f((f(left) + f(right)) * 0.5), f((f(top) + f(bottom)) * 0.5)
dragged, keyed, wheeled = ([float(v) for v in a.split()] for a in sys.argv[2:5])
assert dragged != [clon, clat], "the drag moved nothing"
assert all(abs(a - b) <= 1e-5 for a, b in zip(dragged, keyed)), (dragged, keyed)
print("PASS: the drag saved", dragged, "as the keys", keyed)
assert abs(wheeled[0] - (clon - 15 * xscale)) <= 1e-5 and wheeled[1] == clat, (wheeled, clon)
print("PASS: a wheel notch up, then Left, panned 15 map pixels")
PY
