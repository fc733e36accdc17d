#!/usr/bin/env bash
# The viewer on a real X server (Xvfb) driven by real X key events (XTEST):
# two pans right, one down and a zoom-in, then the right soft key (F2) exits.
# The saved centre must have moved by exactly those pans.
#   real_keys_test.sh BUILD_DIR
set -euo pipefail
build=$1
for tool in Xvfb xdotool python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number once it is ready.
Xvfb -displayfd 5 -screen 0 640x480x24 -nolisten tcp 5>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 600); do
  [[ -s "$work/display" ]] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { echo "FAIL: Xvfb did not start"; exit 1; }
  sleep 0.05
done
[[ -s "$work/display" ]] || { echo "FAIL: Xvfb was not ready in 30 s"; exit 1; }
export DISPLAY=":$(head -1 "$work/display")"
export QT_QPA_PLATFORM=xcb # the tests around this one run offscreen

ln "$build/tarvo" "$work/tarvo" 2>/dev/null || cp "$build/tarvo" "$work/tarvo"
cp "$build/map.dt1" "$build/map.dt2" "$work/"
mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR=$work/runtime TARVO_UI_RECORD=$work/ui.log "$work/tarvo" &
viewer=$!

window=""
for _ in $(seq 600); do
  window=$(xdotool search --onlyvisible --name '^tarvo$' 2>/dev/null | head -1 || true)
  [[ -n "$window" ]] && break
  sleep 0.05
done
[[ -n "$window" ]] || { echo "FAIL: no viewer window"; exit 1; }
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 0.3
xdotool key Right Right Down 1 2>/dev/null
sleep 0.3
xdotool key F2 2>/dev/null
for _ in $(seq 300); do kill -0 "$viewer" 2>/dev/null || break; sleep 0.1; done
kill "$viewer" 2>/dev/null || true
status=0
wait "$viewer" || status=$?
[[ $status -eq 0 ]] || { echo "FAIL: the viewer exited with $status"; exit 1; }

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
