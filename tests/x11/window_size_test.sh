#!/usr/bin/env bash
# The window on a phone-sized X display (720 x 1440) without a window
# manager: --screen full gives a 720 x 1440 window with every pixel
# painted; resized (xdotool windowsize) it paints its whole new area, with
# the soft-key bar at the bottom. The root is magenta beforehand: a pixel
# left magenta in the window was never painted.
#   window_size_test.sh BUILD_DIR
set -euo pipefail
build=$1
xvfb_screen=720x1440x24
. "$(dirname "$0")/xvfb.sh"
for tool in xwd xsetroot xwininfo; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
xsetroot -solid '#ff00ff'

place_viewer
XDG_RUNTIME_DIR=$work/runtime "$work/tarvo" --screen full &
pids+=("$!")
window=$(window_titled tarvo)
sleep 1

# The window's place and size, and whether any pixel in it is magenta or
# whether its last rows are the soft-key bar's colour.
check() {
  xwd -root -silent >"$work/screen.xwd"
  python3 - "$work/screen.xwd" "$@" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
header = struct.unpack('>25I', data[:100])
size, width, height = header[0], header[4], header[5]
order, bits, line, ncolours = header[7], header[11], header[12], header[19]
assert bits in (24, 32), bits
pixels = data[size + ncolours * 12:]
step = bits // 8
def rgb(x, y):
    raw = pixels[y * line + x * step:y * line + x * step + 3]
    b, g, r = raw if order == 0 else raw[::-1]
    return r, g, b
x0, y0, w, h = (int(v) for v in sys.argv[2:6])
unpainted = [(x, y) for y in range(y0, y0 + h, 3) for x in range(x0, x0 + w, 3)
             if rgb(x, y) == (255, 0, 255)]
assert not unpainted, "%d pixels were not painted, first %s" % (len(unpainted), unpainted[0])
bar = rgb(x0 + w // 2, y0 + h - 3)
assert bar == (40, 56, 80), ("no soft-key bar at the bottom", bar)
print("PASS: %d x %d at %d,%d, every pixel painted, the bar at the bottom" % (w, h, x0, y0))
PY
}

geometry() {
  xwininfo -id "$window" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}

read -r x y w h < <(geometry)
[[ "$w $h" == "720 1440" ]] || { echo "FAIL: --screen full gave $w x $h at $x,$y"; exit 1; }
check "$x" "$y" "$w" "$h"

xdotool windowsize "$window" 400 600 2>/dev/null
sleep 1
read -r x y w h < <(geometry)
[[ "$w $h" == "400 600" ]] || { echo "FAIL: resized to $w x $h"; exit 1; }
check "$x" "$y" "$w" "$h"

xdotool windowfocus --sync "$window" key F2 2>/dev/null || true
for _ in $(seq 100); do kill -0 "${pids[0]}" 2>/dev/null || break; sleep 0.1; done
