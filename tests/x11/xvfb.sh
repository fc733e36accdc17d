# Sourced by the tests on a real X server: starts Xvfb on a free display,
# exports DISPLAY, makes $work, and ends every process in $pids (and Xvfb)
# and removes $work on exit. Needs $build.
for tool in Xvfb xdotool python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
pids=()
xvfb_pid=""
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number once it is ready.
# -noreset: the server must not reset (and briefly refuse clients) when a
# test's last client ends before it starts the next.
Xvfb -displayfd 5 -screen 0 "${xvfb_screen:-640x480x24}" -nolisten tcp -noreset \
  5>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 600); do
  [[ -s "$work/display" ]] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { echo "FAIL: Xvfb did not start"; exit 1; }
  sleep 0.05
done
[[ -s "$work/display" ]] || { echo "FAIL: Xvfb was not ready in 30 s"; exit 1; }
export DISPLAY=":$(head -1 "$work/display")"
export QT_QPA_PLATFORM=xcb # the tests around these run offscreen

# The viewer and the sample map in $work, as a portable copy keeps them, with
# a private runtime folder.
place_viewer() {
  ln "$build/tarvo" "$work/tarvo" 2>/dev/null || cp "$build/tarvo" "$work/tarvo"
  cp "$build/map.dt1" "$build/map.dt2" "$work/"
  mkdir -m 700 "$work/runtime"
}

# The id of the first visible window with that exact title, waiting for it.
window_titled() {
  local id=""
  for _ in $(seq 600); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    [[ -n "$id" ]] && { echo "$id"; return 0; }
    sleep 0.05
  done
  echo "FAIL: no window titled $1" >&2
  return 1
}

# Waits until N windows are visible (a popup menu is one): key presses must
# not reach the viewer before its menu is up.
wait_for_windows() {
  for _ in $(seq 600); do
    [[ $(xdotool search --onlyvisible --classname . 2>/dev/null | wc -l) -ge $1 ]] && return 0
    sleep 0.05
  done
  echo "FAIL: fewer than $1 windows are visible" >&2
  return 1
}

# The saved centre (longitude latitude) of settings.dat, and the map's
# description values: read by the python helpers below.
saved_centre() {
  python3 -c 'import struct,sys; print(*struct.unpack("<ff", open(sys.argv[1],"rb").read()[:8]))' "$1"
}

# Waits up to $3 seconds (default 30) for the line in the file.
wait_for_line() {
  for _ in $(seq $((${3:-30} * 20))); do
    grep -qxF -- "$2" "$1" 2>/dev/null && return 0
    sleep 0.05
  done
  echo "FAIL: no line \"$2\" in $1" >&2
  return 1
}

# Options > (the item under it N down) > first item of its submenu.
choose_menu() {
  xdotool key F1 2>/dev/null
  wait_for_windows 2
  for _ in $(seq "$1"); do xdotool key Down 2>/dev/null; done
  xdotool key Right 2>/dev/null
  wait_for_windows 3
  xdotool key Return 2>/dev/null
}
