#!/usr/bin/env bash
# The program as installed: `cmake --install` into a folder made read-only,
# run from there. The viewer finds the rule component through its run path
# and the sample map in share/tarvo/, keeps settings.dat in the user's
# configuration folder, and a SIGTERM saves it and ends the viewer with 0.
#   installed_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
viewer=
cleanup() {
  [[ -n $viewer ]] && kill -9 "$viewer" 2>/dev/null || true
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/usr" >/dev/null
chmod -R a-w "$work/usr"
for f in bin/tarvo bin/tarvo-ppc bin/mapcut bin/mapinfo lib/tarvo/libsmsgate.so lib/tarvo/smsgate \
         share/tarvo/map.dt1 share/tarvo/map.dt2 share/applications/tarvo.desktop \
         share/icons/hicolor/64x64/apps/tarvo.png share/doc/tarvo/README.md; do
  [[ -f $work/usr/$f ]] || fail "$f is not installed"
done
libraries=$(ldd "$work/usr/bin/tarvo")
[[ $libraries == *"libsmsgate.so => $work/usr/bin/../lib/tarvo/libsmsgate.so"* ]] ||
  fail "tarvo does not find its rule component: $libraries"
grep -q '^Exec=tarvo$' "$work/usr/share/applications/tarvo.desktop" || fail "desktop entry"
"$work/usr/bin/mapinfo" "$work/usr/share/tarvo/map" >/dev/null || fail "the installed sample map"

export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen TARVO_UI_RECORD=$work/ui.log
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
"$work/usr/bin/tarvo" &
viewer=$!
for _ in $(seq 100); do
  "$work/usr/bin/tarvo-msg" key 0x27 >/dev/null 2>&1 && break
  sleep 0.05
done
kill -TERM "$viewer"
status=0
wait "$viewer" || status=$?
viewer=
[[ $status -eq 0 ]] || fail "SIGTERM ended the viewer with $status"
[[ $(stat -c %s "$XDG_CONFIG_HOME/tarvo/settings.dat") -eq 545 ]] || fail "settings.dat not saved"
[[ ! -e $work/usr/bin/settings.dat ]] || fail "settings.dat written beside the program"
echo "installed program runs read-only and saves in the user's folder"
