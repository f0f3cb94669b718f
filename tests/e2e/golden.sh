#!/usr/bin/env bash
# The golden outputs: what tarnelo-cli (compute, compute --json, export, plot) and a save through
# the window make of the examples, the test data and 2000 generated gaugings, against
# tests/golden/manifest.txt. Any changed byte of any output fails; tests/golden/README says how
# to take a deliberate change into the manifest (TARNELO_GOLDEN_UPDATE=1).
set -euo pipefail
cli="$TARNELO_PROGRAM_DIR/tarnelo-cli"
save="$TARNELO_BUILD_DIR/tests-bin/tarnelo-golden-save"
golden="$TARNELO_SOURCE_DIR/tests/golden"
for program in "$cli" "$save"; do
    [[ -x $program ]] || {
        echo "FAIL: $program is not built" >&2
        exit 1
    }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

python3 "$golden/make_gaugings.py" "$work/gaugings"
TARNELO_SAVE_ROUNDTRIP="$save" bash "$golden/capture.sh" "$cli" "$work/manifest.txt" \
    "$TARNELO_SOURCE_DIR/examples" "$TARNELO_SOURCE_DIR/tests/data" "$work/gaugings"
files=$(grep -vc '^#' "$work/manifest.txt")

if [[ ${TARNELO_GOLDEN_UPDATE:-} == 1 ]]; then
    cp "$work/manifest.txt" "$golden/manifest.txt"
    echo "golden outputs: manifest rewritten for $files files"
    exit 0
fi
if cmp -s "$golden/manifest.txt" "$work/manifest.txt"; then
    echo "golden outputs: $files files, every output as recorded"
    exit 0
fi

kept="$TARNELO_BUILD_DIR/golden-manifest.txt"
cp "$work/manifest.txt" "$kept"
python3 - "$golden/manifest.txt" "$work/manifest.txt" <<'PY' >&2
import sys

FIELDS = ["exits", "json", "text", "xlsx", "msgs", "svg", "save"]

def load(path):
    inputs, lines = {}, {}
    for line in open(path, encoding="utf-8"):
        parts = line.split()
        if line.startswith("# inputs"):
            inputs[parts[2]] = " ".join(parts[3:])
        elif not line.startswith("#"):
            lines[parts[0]] = parts[1:]
    return inputs, lines

(old_inputs, old), (new_inputs, new) = load(sys.argv[1]), load(sys.argv[2])
for folder in sorted(set(old_inputs) | set(new_inputs)):
    if old_inputs.get(folder) != new_inputs.get(folder):
        print(f"NOTE: the inputs of {folder} changed ({old_inputs.get(folder)} -> "
              f"{new_inputs.get(folder)}): the files themselves differ, not only the outputs")
missing = [name for name in old if name not in new]
added = [name for name in new if name not in old]
changed = [name for name in old if name in new and old[name] != new[name]]
print(f"FAIL: golden outputs differ: {len(changed)} files changed, {len(missing)} missing, "
      f"{len(added)} new")
counts = {}
for name in changed:
    for field, a, b in zip(FIELDS, old[name], new[name]):
        counts[field] = counts.get(field, 0) + (a != b)
print("changed outputs: " + ", ".join(f"{f} {n}" for f, n in counts.items() if n))
for name in changed[:20]:
    diffs = [f"{f} {a} -> {b}" for f, a, b in zip(FIELDS, old[name], new[name]) if a != b]
    print(f"  {name}: " + "; ".join(diffs))
for name in missing[:5]:
    print(f"  missing: {name}")
for name in added[:5]:
    print(f"  new: {name}")
PY
echo "The new manifest is in $kept; see tests/golden/README." >&2
exit 1
