#!/usr/bin/env bash
# tarnelo-cli store against a SQLite file and against a PostgreSQL server of the test's own
# (tests/support/postgres-server): 2,000 generated gaugings of one station year imported,
# exported back byte for byte, and summary and rating from the store give what they give from
# the folder (run in it as "."), also after a gauging was saved again and another deleted. Then
# the history of two saves, a gauging named by 测站/年/施测号数, a revision's file written back,
# exports that would replace files, usage errors, and stores that cannot be reached.
set -uo pipefail
if [[ -z "${TARNELO_TEST_PG_HOST:-}" ]]; then
    exec "$TARNELO_SOURCE_DIR/tests/support/postgres-server" bash "${BASH_SOURCE[0]}" "$@"
fi
cli="$TARNELO_PROGRAM_DIR/tarnelo-cli"
make_year="$TARNELO_BUILD_DIR/tools/tarnelo-station-year"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
count=2000

expect_status() { # expected-status description command...
    local want="$1" what="$2"
    shift 2
    "$@" >"$work/out" 2>"$work/err"
    local got=$?
    [[ $got == "$want" ]] || { fail "$what: exit $got, expected $want; stderr: $(head -c 600 "$work/err")"; return 1; }
}
seconds_since() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }'; }
chinese() { grep -qP '[\x{4e00}-\x{9fff}]' "$1"; }

# summary (CSV, JSON, workbook) and rating (text, JSON) of a source into DEST: "." when run in a
# folder, or --store STORE; each run's stdout, stderr and status, and the workbook's sheets as
# text (its other parts carry the time it was made).
station_outputs() { # DEST ARG...
    local dest="$1"
    shift
    mkdir -p "$dest"
    "$cli" summary "$@" --csv "$dest/summary.csv" -o "$dest/summary.xlsx" --json \
        >"$dest/summary.json" 2>"$dest/summary.err"
    echo $? >"$dest/summary.status"
    "$cli" rating "$@" >"$dest/rating.txt" 2>"$dest/rating.err"
    echo $? >"$dest/rating.status"
    "$cli" rating "$@" --json >"$dest/rating.json" 2>"$dest/rating-json.err"
    echo $? >"$dest/rating-json.status"
    python3 - "$dest/summary.xlsx" >"$dest/sheets.txt" <<'PY'
import os, sys, zipfile
if not os.path.exists(sys.argv[1]):
    sys.exit("no workbook")
with zipfile.ZipFile(sys.argv[1]) as z:
    for name in sorted(z.namelist()):
        if name.startswith("xl/worksheets/") or name in ("xl/sharedStrings.xml", "xl/workbook.xml"):
            print(name)
            print(z.read(name).decode("utf-8"))
PY
    rm -f "$dest/summary.xlsx"
}
same_outputs() { # FOLDER-RUN STORE-RUN what
    local f
    for f in summary.csv summary.json summary.err summary.status rating.txt rating.err \
        rating.status rating.json rating-json.err rating-json.status sheets.txt; do
        cmp -s "$1/$f" "$2/$f" || fail "$3: $f differs from the folder's: $(diff "$1/$f" "$2/$f" | head -n 6)"
    done
}

start="$(date +%s.%N)"
"$make_year" --count "$count" "$work/year" >/dev/null || { echo "cannot generate the year" >&2; exit 1; }
echo "generated $count gaugings: $(seconds_since "$start") s"
# The same year after the saves below: 0005 saved again with 0006's bytes (施测号数 6 twice, a
# problem the table names by file), 0009 deleted.
cp -r "$work/year" "$work/changed"
cp "$work/year/shimen-2024-0006.dat" "$work/changed/shimen-2024-0005.dat"
rm "$work/changed/shimen-2024-0009.dat"
start="$(date +%s.%N)"
(cd "$work/year" && station_outputs "$work/folder" .)
(cd "$work/changed" && station_outputs "$work/folder-changed" . --year 2024)
echo "summary and rating from the folders: $(seconds_since "$start") s"
[[ $(cat "$work/folder/summary.status") == 0 && $(cat "$work/folder/rating.status") == 0 ]] ||
    fail "the folder's own runs: $(cat "$work/folder/summary.err" "$work/folder/rating.err")"
grep -q 'shimen-2024-0005.dat' "$work/folder-changed/summary.json" ||
    fail "the changed folder's table names no file"

run_engine() { # ENGINE STORE
    local engine="$1" store="$2" dir="$work/$1" start
    mkdir -p "$dir"
    expect_status 0 "$engine: init" "$cli" store init "$store" || return
    chinese "$work/out" || fail "$engine: init says nothing: $(cat "$work/out")"
    start="$(date +%s.%N)"
    expect_status 0 "$engine: import" "$cli" store import "$store" "$work/year" || return
    import_seconds="$(seconds_since "$start")"
    echo "$engine: import of $count: $import_seconds s"
    [[ $(grep -c '^新增  .*shimen-2024-[0-9]*\.dat$' "$work/out") == "$count" ]] ||
        fail "$engine: not one 新增 line per file: $(head -n 3 "$work/out")"
    [[ "$(tail -n 1 "$work/out")" == "共 $count 个文件：新增 $count，新修订 0，未变 0，拒绝 0" ]] ||
        fail "$engine: import count line: $(tail -n 1 "$work/out")"
    [[ -s "$work/err" ]] && fail "$engine: progress went to a stderr that is no terminal: $(head -c 200 "$work/err")"

    start="$(date +%s.%N)"
    expect_status 0 "$engine: export" "$cli" store export "$store" -o "$dir/exported"
    echo "$engine: export of $count: $(seconds_since "$start") s"
    diff -r "$work/year" "$dir/exported" >/dev/null ||
        fail "$engine: the export differs from the imported files: $(diff -rq "$work/year" "$dir/exported" | head -n 3)"

    start="$(date +%s.%N)"
    station_outputs "$dir/store" --store "$store"
    echo "$engine: summary and rating from the store: $(seconds_since "$start") s"
    same_outputs "$work/folder" "$dir/store" "$engine: the year from the store"

    expect_status 0 "$engine: list" "$cli" store list "$store" --station "柳溪 石门站" --year 2024
    [[ $(wc -l <"$work/out") == $((count + 1)) ]] || fail "$engine: list lines: $(wc -l <"$work/out")"
    grep -q '^shimen-2024-0017 .*柳溪 石门站  *17 ' "$work/out" ||
        fail "$engine: list line of 0017: $(grep 0017 "$work/out")"

    # Saved again under the same name: a second revision; the first is still there.
    mkdir -p "$dir/again"
    cp "$work/changed/shimen-2024-0005.dat" "$dir/again/"
    # An old or changed copy never silently replaces the store's version: refused, naming who
    # saved that, unless --revise.
    expect_status 1 "$engine: import of a changed file" "$cli" store import "$store" "$dir/again"
    grep -q '^拒绝  .*shimen-2024-0005.dat：.*第 1 版（'"$(id -un)"'（' "$work/out" &&
        grep -q -- '--revise' "$work/err" || fail "$engine: a changed file not refused: $(cat "$work/out" "$work/err")"
    expect_status 0 "$engine: import of a changed file as a revision" "$cli" store import "$store" "$dir/again" "$work/year/shimen-2024-0001.dat" --revise
    grep -q '^新修订  .*shimen-2024-0005.dat$' "$work/out" || fail "$engine: no new revision: $(cat "$work/out")"
    grep -q '^未变  .*shimen-2024-0001.dat$' "$work/out" || fail "$engine: unchanged file: $(cat "$work/out")"
    expect_status 0 "$engine: history" "$cli" store history "$store" shimen-2024-0005
    [[ $(wc -l <"$work/out") == 2 ]] && grep -q '^修订 1 ' "$work/out" &&
        [[ "$(tail -n 1 "$work/out")" == "修订 2 "* ]] && grep -q "$(id -un)@" "$work/out" ||
        fail "$engine: history of two saves: $(cat "$work/out")"
    expect_status 0 "$engine: show the first revision" "$cli" store show "$store" shimen-2024-0005 \
        --revision 1 -o "$dir/0005-1.dat"
    cmp -s "$dir/0005-1.dat" "$work/year/shimen-2024-0005.dat" || fail "$engine: revision 1's bytes"

    # Named by station, year and 施测号数; its bytes written back; an existing file is kept.
    expect_status 0 "$engine: show 测站/年/施测号数" "$cli" store show "$store" "柳溪 石门站/2024/17" \
        -o "$dir/17.dat"
    grep -q '^名称：shimen-2024-0017$' "$work/out" && grep -q '^施测号数：17$' "$work/out" ||
        fail "$engine: show by station/year/number: $(cat "$work/out")"
    cmp -s "$dir/17.dat" "$work/year/shimen-2024-0017.dat" || fail "$engine: the bytes of 17"
    expect_status 1 "$engine: show -o over a file" "$cli" store show "$store" shimen-2024-0018 -o "$dir/17.dat"
    cmp -s "$dir/17.dat" "$work/year/shimen-2024-0017.dat" || fail "$engine: show replaced a file"
    chinese "$work/err" || fail "$engine: the refusal says nothing"

    # Deleted: a marked revision; exports leave it out. An export over the earlier one writes
    # nothing without --force.
    expect_status 0 "$engine: delete" "$cli" store delete "$store" shimen-2024-0009
    expect_status 0 "$engine: history after delete" "$cli" store history "$store" shimen-2024-0009
    [[ $(wc -l <"$work/out") == 2 && "$(tail -n 1 "$work/out")" == *删除 ]] ||
        fail "$engine: history of a deletion: $(cat "$work/out")"
    expect_status 2 "$engine: delete of no gauging" "$cli" store delete "$store" no-such-gauging
    expect_status 1 "$engine: export over files" "$cli" store export "$store" -o "$dir/exported"
    cmp -s "$dir/exported/shimen-2024-0005.dat" "$work/year/shimen-2024-0005.dat" ||
        fail "$engine: a refused export replaced a file"
    expect_status 0 "$engine: export after the saves" "$cli" store export "$store" -o "$dir/after" \
        --station "柳溪 石门站" --year 2024
    diff -r "$work/changed" "$dir/after" >/dev/null ||
        fail "$engine: export after the saves: $(diff -rq "$work/changed" "$dir/after" | head -n 3)"
    station_outputs "$dir/store-changed" --store "$store" --station "柳溪 石门站" --year 2024
    same_outputs "$work/folder-changed" "$dir/store-changed" "$engine: the year after the saves"

    # The station's code as the bureau knows it; the filters take it.
    expect_status 0 "$engine: station code" "$cli" store station "$store" "柳溪 石门站" 60812345
    expect_status 0 "$engine: list by code" "$cli" store list "$store" --station 60812345 --json
    python3 - "$work/out" "$count" <<'PY' || fail "$engine: list by the station's code"
import json, sys
entries = json.load(open(sys.argv[1], encoding="utf-8"))
assert len(entries) == int(sys.argv[2]) - 1, len(entries)
assert all(e["station_code"] == "60812345" and e["station"] == "柳溪 石门站" for e in entries)
five = next(e for e in entries if e["name"] == "shimen-2024-0005")
assert five["revisions"] == 2 and five["number"] == "6", five
assert not any(e["name"] == "shimen-2024-0009" for e in entries)
PY
}

run_engine sqlite "$work/station.db"

# Progress goes to a stderr that is a terminal, and only there.
if command -v script >/dev/null; then
    "$cli" store init "$work/terminal.db" >/dev/null 2>&1
    script -qec "'$cli' store import '$work/terminal.db' '$work/year/shimen-2024-0001.dat' \
        '$work/year/shimen-2024-0002.dat' 2>&1 >/dev/null" /dev/null >"$work/terminal.out"
    grep -q '已导入 2/2' "$work/terminal.out" || fail "no progress on a terminal: $(cat -v "$work/terminal.out")"
fi

# A store of a newer schema (a later program made it): read, never written.
cp "$work/terminal.db" "$work/newer.db" 2>/dev/null || "$cli" store init "$work/newer.db" >/dev/null
python3 -c 'import sqlite3, sys
with sqlite3.connect(sys.argv[1]) as db:
    db.execute("INSERT INTO tarnelo_schema (version, program) VALUES (99, ?)", ("Tarnelo 99",))' "$work/newer.db"
expect_status 0 "list of a newer store" "$cli" store list "$work/newer.db"
expect_status 2 "import into a newer store" timeout 20 "$cli" store import "$work/newer.db" "$work/year/shimen-2024-0003.dat"
chinese "$work/err" || fail "a newer store: no Chinese message: $(cat "$work/err")"
expect_status 2 "delete in a newer store" timeout 20 "$cli" store delete "$work/newer.db" shimen-2024-0001

# An import ended by a signal stops between two files, says how far it got, and the store holds
# whole gaugings: each file it reported, nothing else.
"$cli" store init "$work/stopped.db" >/dev/null 2>&1
"$cli" store import "$work/stopped.db" "$work/year" >"$work/stopped.out" 2>"$work/stopped.err" &
importer=$!
# A third of the way through, as long as the first import took.
sleep "$(awk -v t="${import_seconds:-1}" 'BEGIN { printf "%.2f", t / 3 }')"
kill -TERM "$importer"
wait "$importer"
status=$?
if [[ $status == 143 ]]; then
    grep -q '已中断.*处理了 [0-9]* 个文件，共 '"$count"' 个' "$work/stopped.err" ||
        fail "an ended import does not say how far it got: $(cat "$work/stopped.err")"
    "$cli" store list "$work/stopped.db" --json >"$work/out" 2>"$work/err" ||
        fail "the ended import's store: $(cat "$work/err")"
    python3 - "$work/out" "$work/stopped.out" "$count" <<'PY' || fail "the ended import's store is not what it said"
import json, sys
names = {e["name"] for e in json.load(open(sys.argv[1], encoding="utf-8"))}
said = [l.strip().split("/")[-1][:-len(".dat")] for l in open(sys.argv[2], encoding="utf-8") if l.startswith("新增")]
assert 0 < len(said) < int(sys.argv[3]) and names == set(said), (len(names), len(said))
PY
else
    echo "note: the import ended ($status) before the signal came; the stopped import is not tried"
fi
pg() { echo "postgresql:///$1?host=$TARNELO_TEST_PG_HOST&user=$TARNELO_TEST_PG_USER"; }
if psql -q "$(pg postgres)" -c "CREATE DATABASE tarnelo_cli" >"$work/psql" 2>&1; then
    run_engine postgresql "$(pg tarnelo_cli)"
else
    fail "cannot create the PostgreSQL database: $(cat "$work/psql")"
fi

# The SQL a bureau's administrator runs is the one shipped.
expect_status 0 "setup-sql" "$cli" store setup-sql
cmp -s "$work/out" "$TARNELO_SOURCE_DIR/docs/store/postgresql-setup.sql" ||
    fail "store setup-sql is not docs/store/postgresql-setup.sql"

# A file that is no gauging is refused with its reason, and the import says so by its status.
printf 'not a gauging' >"$work/junk.dat"
expect_status 1 "import of a file that is no gauging" "$cli" store import "$work/station.db" "$work/junk.dat"
grep -q '^拒绝  .*junk\.dat：..' "$work/out" && grep -q '拒绝 1$' "$work/out" ||
    fail "the refusal of a file that is no gauging: $(cat "$work/out")"

# Usage errors, and stores that cannot be reached: a Chinese message and status 2, at once.
expect_status 2 "store without arguments" "$cli" store
expect_status 2 "list without a store" "$cli" store list
grep -q '用法' "$work/err" || fail "no usage for a missing store"
expect_status 2 "import without files" "$cli" store import "$work/station.db"
expect_status 2 "an option list does not take" "$cli" store list "$work/station.db" --revision 2
expect_status 2 "summary of a store and files" "$cli" summary --store "$work/station.db" "$work/year" --json
expect_status 2 "--station without a store" "$cli" rating "$work/year" --station 石门站
mkdir -p "$work/no-server"
for store in "$work/missing/station.db" "$(pg tarnelo_cli | sed "s|$TARNELO_TEST_PG_HOST|$work/no-server|")"; do
    start="$(date +%s.%N)"
    expect_status 2 "unreachable $store" timeout 20 "$cli" store list "$store"
    chinese "$work/err" || fail "unreachable $store: no Chinese message: $(cat "$work/err")"
    expect_status 2 "summary of unreachable $store" timeout 20 "$cli" summary --store "$store" --json
    took="$(seconds_since "$start")"
    awk -v t="$took" 'BEGIN { exit !(t < 5) }' || fail "unreachable $store: took $took s"
done
[[ -e "$work/missing" ]] && fail "opening a store made its missing folder"

if ((failures > 0)); then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "store_cli: all checks passed"
