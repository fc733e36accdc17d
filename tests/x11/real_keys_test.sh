#!/usr/bin/env bash
# The viewer on a real X server (Xvfb) driven by real X key events (XTEST).
# First run: two pans right, one down and a zoom-in, then the right soft key
# (F2) exits; the saved centre must have moved by exactly those pans.
# Second run: F1 and the menu open the go-to form, the fields are edited with
# Back and digits, Goto (F1) moves the map and F2 exits; the saved centre
# must be the typed position.
#   real_keys_test.sh BUILD_DIR
set -euo pipefail
build=$1
. "$(dirname "$0")/xvfb.sh"

place_viewer

viewer=""
start_viewer() {
  XDG_RUNTIME_DIR=$work/runtime TARVO_UI_RECORD=$work/ui.log "$work/tarvo" &
  viewer=$!
  pids+=("$viewer")
  local window
  window=$(window_titled tarvo)
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  sleep 0.3
}

wait_for_exit() {
  for _ in $(seq 300); do kill -0 "$viewer" 2>/dev/null || break; sleep 0.1; done
  kill "$viewer" 2>/dev/null || true
  local status=0
  wait "$viewer" || status=$?
  viewer=""
  [[ $status -eq 0 ]] || { echo "FAIL: the viewer exited with $status"; exit 1; }
}

start_viewer
xdotool key Right Right Down 1 2>/dev/null
sleep 0.3
xdotool key F2 2>/dev/null
wait_for_exit

python3 - "$work/settings.dat" "$build" <<'PY'
import struct, sys, zipfile
data = open(sys.argv[1], 'rb').read()
assert len(data) == 545, len(data)
lon, lat = struct.unpack('<ff', data[:8])
desc = zipfile.ZipFile(sys.argv[2] + '/map.dt1').read('desc.txt').decode().split('\n')
width, height = int(desc[1]), int(desc[3])
left, top, right, bottom = (float(desc[i]) for i in (5, 7, 9, 11))
f = lambda v: struct.unpack('<f', struct.pack('<f', v))[0]
xscale = f((f(right) - f(left)) / width)
yscale = f((f(bottom) - f(top)) / height)
clon, clat = f((f(left) + f(right)) * 0.5), f((f(top) + f(bottom)) * 0.5)
want_lon = f(f(clon + f(30 * xscale)) + f(30 * xscale))
want_lat = f(clat + f(30 * yscale))
assert (lon, lat) == (want_lon, want_lat), ((lon, lat), (want_lon, want_lat))
print("PASS: centre moved to", lon, lat)
PY

start_viewer
# Options > Go to... > Location: the degrees form, the latitude degrees first.
choose_menu 1
form=$(window_titled Goto)
xdotool windowfocus --sync "$form" 2>/dev/null || true
sleep 0.3
# Back deletes before the caret; letters and signs where they do not belong
# are refused; Up and Down move between the fields.
xdotool key Escape Escape Escape 4 a 9 Down 2>/dev/null
xdotool key Escape Escape Escape Escape Escape Escape minus 5 Down 2>/dev/null
xdotool key Escape Escape Escape Escape minus 3 0 Down 2>/dev/null
xdotool key Escape Escape Escape Escape Escape Escape 2 5 Up Up Down Down 2>/dev/null
sleep 0.2
xdotool key F1 2>/dev/null
for _ in $(seq 100); do
  xdotool search --onlyvisible --name '^Goto$' >/dev/null 2>&1 || break
  sleep 0.05
done
sleep 0.3
xdotool key F2 2>/dev/null
wait_for_exit

python3 - "$work/settings.dat" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
lon, lat = struct.unpack('<ff', data[:8])
assert (lat, lon) == (49.5, -30.25), (lat, lon)
print("PASS: the go-to form moved the centre to", lat, lon)
PY
