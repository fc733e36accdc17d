#!/usr/bin/env bash
# The tree's shape (scripts/check-structure): it holds for the project, and
# the check itself fails on a tree with an include cycle between folders, an
# overlong file and an overlong function.
set -euo pipefail
source_root=$1
check=$source_root/scripts/check-structure

"$check" "$source_root"

planted=$(mktemp -d)
trap 'rm -rf "$planted"' EXIT
mkdir -p "$planted/src/core" "$planted/src/map" "$planted/tools/cut"
printf '#include "map/grid.h"\n' > "$planted/src/core/geometry.h"
printf '#include "core/geometry.h"\n' > "$planted/src/map/grid.h"
printf '#include "map/grid.h"\n' > "$planted/tools/cut/main.cpp"
if output=$("$check" "$planted"); then
    echo "a planted cycle passed the check"; exit 1
fi
grep -q 'src/core -> src/map (src/core/geometry.h:1)' <<<"$output"
grep -q 'src/map -> src/core (src/map/grid.h:1)' <<<"$output"

rm "$planted/src/core/geometry.h"
{ echo 'int f() {'; for i in $(seq 61); do echo "    ++x;"; done; echo '}'; } > "$planted/src/core/long.cpp"
for i in $(seq 600); do echo "// line $i"; done >> "$planted/src/core/long.cpp"
output=$("$check" "$planted") && { echo "overlong code passed the check"; exit 1; }
grep -q 'src/core/long.cpp: 663 lines, more than 600' <<<"$output"
grep -q 'src/core/long.cpp:1: a function of 61 lines, more than 60' <<<"$output"
echo "the check holds and catches what it should"
