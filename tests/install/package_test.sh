#!/usr/bin/env bash
# The Debian package as a distribution's tools judge it: the desktop entry
# (desktop-file-validate), the software centres' metadata (appstreamcli),
# and the .deb itself (lintian: no errors; the warnings it may give are
# listed in the README).
#   package_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source=$1
build=$2
for tool in desktop-file-validate appstreamcli lintian cpack; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

desktop-file-validate "$source/packaging/tarvo.desktop"
appstreamcli validate --no-net "$source/packaging/org.tarvo.Tarvo.metainfo.xml"

(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/tarvo_*.deb)
lintian "$deb" >"$out/lintian.txt" 2>&1 || true
cat "$out/lintian.txt"
if grep -q '^E:' "$out/lintian.txt"; then
  echo "FAIL: lintian finds errors"; exit 1
fi
dpkg -c "$deb" >"$out/contents.txt"
for page in tarvo mapcut mapinfo tarvo-msg sim-modem; do
  grep -q "usr/share/man/man1/$page.1.gz" "$out/contents.txt" || { echo "FAIL: no man page for $page"; exit 1; }
done
grep -q 'usr/share/doc/tarvo/copyright' "$out/contents.txt" || { echo "FAIL: no copyright file"; exit 1; }
echo "PASS: the desktop entry, the metadata and the package"
