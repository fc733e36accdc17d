#!/usr/bin/env bash
# make run's demo on a real X server (Xvfb) with real key events: the first
# Request pos registers the component, the next opens the form; the typed
# number and Ok (F1) send "request"; the simulated tracker's answer moves
# the map; F2 exits, settings.dat holds the reported position, and nothing
# the demo started is left running.
#   demo_test.sh BUILD_DIR
set -euo pipefail
build=$1
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
. "$(dirname "$0")/xvfb.sh"

# A build folder of links: the demo keeps its files in the test's folder.
mkdir "$work/build"
for name in tarvo libsmsgate.so smsgate sim-modem map.dt1 map.dt2; do
  ln "$build/$name" "$work/build/$name" 2>/dev/null || cp "$build/$name" "$work/build/$name"
done
record=$work/ui.log
TARVO_UI_RECORD=$record "$source_dir/scripts/run-demo" "$work/build" >"$work/demo.log" 2>&1 &
demo=$!
pids+=("$demo")
window=$(window_titled tarvo)
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 0.3

choose_menu 2 # Options > TR-101 > Request pos
wait_for_line "$record" $'messagebox\t0\tSMS\tComponent has been installed. Please reboot phone.'
choose_menu 2
form=$(window_titled "Ask TR-101")
xdotool windowfocus --sync "$form" 2>/dev/null || true
xdotool type --delay 20 "+380501234567" 2>/dev/null
xdotool key F1 2>/dev/null
wait_for_line "$record" $'messagebox\t0\tSend SMS\tMessage has been sent.'
wait_for_line "$record" $'messagebox\t0\tReport\tLat:50.45012 Lon:30.52341\\n50.45012 N 30.52341 E, GPS fix' 30 ||
  { cat "$work/build/demo/"*.log; exit 1; }
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key F2 2>/dev/null
for _ in $(seq 300); do kill -0 "$demo" 2>/dev/null || break; sleep 0.1; done
status=0
wait "$demo" || status=$?
[[ $status -eq 0 ]] || { echo "FAIL: the demo exited with $status"; cat "$work/demo.log"; exit 1; }
sleep 0.5
if pgrep -f "$work/build" >/dev/null; then
  echo "FAIL: the demo left processes behind:"; pgrep -af "$work/build"; exit 1
fi

python3 - "$work/build/demo/app/settings.dat" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
lon, lat, gps_lon, gps_lat = struct.unpack('<4f', data[:16])
f = lambda v: struct.unpack('<f', struct.pack('<f', v))[0]
assert (lat, lon) == (f(50.45012), f(30.52341)), (lat, lon)
assert (gps_lat, gps_lon) == (lat, lon), (gps_lat, gps_lon)
assert data[17:17 + 26].decode('utf-16-le') == '+380501234567', data[17:43]
print("PASS: the demo found the tracker at", lat, lon)
PY
