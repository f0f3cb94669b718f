#!/usr/bin/env bash
# scripts/check-layers on small trees of its own making and on the real one: includes down or
# across a floor without a cycle pass; a cycle between folders of one floor, two folders or a
# longer chain, is refused and named with one include of each step; an include upward is still
# refused.
set -uo pipefail
source_dir="${TARNELO_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
check="$source_dir/scripts/check-layers"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
failures=0

fail() {
    echo "FAIL: $1"
    failures=$((failures + 1))
}

# put FILE INCLUDE...: writes src/FILE including each header given.
put() {
    local file="$tree/src/$1"
    shift
    mkdir -p "$(dirname "$file")"
    printf '#include "%s"\n' "$@" >"$file"
}

# expect RC TEXT...: check-layers on the tree ends with RC and prints every TEXT as a line.
expect() {
    local rc="$1" out got
    shift
    out=$("$check" "$tree")
    got=$?
    [[ "$got" == "$rc" ]] || fail "expected exit $rc, got $got:"$'\n'"$out"
    for text in "$@"; do
        grep -qxF -- "$text" <<<"$out" || fail "missing line: $text"$'\n'"in:"$'\n'"$out"
    done
}

# Down a floor, across a floor one way, and within a folder: no cycle.
put gauging/gauging.hpp
put sheet/sheet.hpp gauging/gauging.hpp sheet/sheet_edit.hpp
put sheet/sheet_edit.hpp sheet/sheet.hpp
put window/window.hpp sheet/sheet.hpp gauging/gauging.hpp
put compute/compute.hpp checks/checks.hpp uncertainty/uncertainty.hpp window/window.hpp
put checks/checks.hpp gauging/gauging.hpp
put uncertainty/uncertainty.hpp gauging/gauging.hpp
expect 0 "layers: every include stays on its own floor or below, and no folders of one floor include each other"

# Two folders of floor 1 including each other.
put sheet/sheet.cpp sheet/sheet.hpp window/window.hpp
expect 1 "floor 1: a cycle of includes between folders: sheet -> window -> sheet" \
    '    src/sheet/sheet.cpp:2 "window/window.hpp"' \
    '    src/window/window.hpp:1 "sheet/sheet.hpp"'
rm "$tree/src/sheet/sheet.cpp"

# Three folders of floor 2 in a ring, and the floor below untouched.
put checks/checks.cpp checks/checks.hpp uncertainty/uncertainty.hpp
put uncertainty/uncertainty.cpp compute/compute.hpp
expect 1 "floor 2: a cycle of includes between folders: checks -> uncertainty -> compute -> checks" \
    '    src/checks/checks.cpp:2 "uncertainty/uncertainty.hpp"' \
    '    src/uncertainty/uncertainty.cpp:1 "compute/compute.hpp"' \
    '    src/compute/compute.hpp:1 "checks/checks.hpp"'
if "$check" "$tree" | grep -q 'floor 1'; then
    fail "a cycle on floor 2 was reported on floor 1"
fi
rm "$tree/src/checks/checks.cpp" "$tree/src/uncertainty/uncertainty.cpp"

# Upward is refused as before, and a cycle through a higher floor is that, not a same-floor one.
put gauging/points.hpp compute/compute.hpp
expect 1 'src/gauging/points.hpp:1: floor 1 (gauging) includes "compute/compute.hpp" from floor 2 (compute)'
if "$check" "$tree" | grep -q 'cycle'; then
    fail "an upward include was reported as a cycle"
fi
rm "$tree/src/gauging/points.hpp"

# The program's own tree.
if ! out=$("$check" "$source_dir"); then
    fail "the source tree breaks its floors:"$'\n'"$out"
fi

# The build enforces the floors too: a folder's library sees only the headers of the folders it
# links, so checks (floor 2) cannot include compute, a folder of its floor above it in the link
# order, nor the report, and measure cannot include checks.
commands="${TARNELO_BUILD_DIR:-}/compile_commands.json"
if [[ -f "$commands" ]] && command -v python3 >/dev/null; then
    probe() { # probe SOURCE INCLUDE: compiles a file including INCLUDE as SOURCE is compiled
        printf '#include "%s"\n' "$2" >"$tree/probe.cpp"
        python3 - "$commands" "$source_dir/$1" "$tree/probe.cpp" <<'PY'
import json, re, subprocess, sys
entry = next(e for e in json.load(open(sys.argv[1])) if e["file"] == sys.argv[2])
command = re.sub(r" -o \S+", " -fsyntax-only", entry["command"]).replace(sys.argv[2], sys.argv[3])
sys.exit(subprocess.run(command, shell=True, cwd=entry["directory"], capture_output=True).returncode)
PY
    }
    probe src/checks/checks.cpp measure/numtext.hpp || fail "checks cannot include measure"
    probe src/compute/compute.cpp checks/checks.hpp || fail "compute cannot include checks"
    probe src/checks/checks.cpp compute/compute.hpp && fail "checks compiles with compute's header"
    probe src/checks/checks.cpp report/section_plot.hpp && fail "checks compiles with a report header"
    probe src/measure/section.cpp checks/checks.hpp && fail "measure compiles with checks' header"
fi

if ((failures > 0)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "check-layers: all cases as expected"
