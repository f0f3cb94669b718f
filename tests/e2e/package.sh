#!/usr/bin/env bash
# The Debian package: built with cpack from this build, checked by lintian, unpacked into a
# scratch root with dpkg -x; its layout, control fields, desktop entry and file type; then the
# unpacked tarnelo-cli and window run with a fresh home and lay out the user's own folders
# there, never beside the executable.
set -uo pipefail
for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# -- Build
if ! (cd "$TARNELO_BUILD_DIR" && cpack -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1); then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack did not build the package" >&2
    exit 1
fi
debs=("$work"/pkg/tarnelo_*_amd64.deb)
[[ ${#debs[@]} == 1 && -f ${debs[0]} ]] || { echo "FAIL: no tarnelo_<version>_amd64.deb" >&2; exit 1; }
deb="${debs[0]}"
echo "built $(basename "$deb") ($(stat -c %s "$deb") bytes)"

# -- lintian: no errors
if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" >"$work/lintian.txt" 2>&1 || fail "lintian: $(cat "$work/lintian.txt")"
    echo "lintian:"
    sed 's/^/  /' "$work/lintian.txt"
else
    echo "lintian is not installed: not checked"
fi

# -- Control fields
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == tarnelo && $(field Architecture) == amd64 ]] || fail "package name or architecture"
depends="$(field Depends)"
for want in "fonts-wqy-microhei | fonts-noto-cjk" libc6 libqt6widgets6 libzip4 libcups2; do
    [[ $depends == *"$want"* ]] || fail "Depends lacks $want: $depends"
done
recommends="$(field Recommends)"
for want in libreoffice-calc-nogui cups xdg-utils; do
    [[ $recommends == *"$want"* ]] || fail "Recommends lacks $want: $recommends"
done

# -- Layout
root="$work/root"
dpkg -x "$deb" "$root" || fail "dpkg -x"
for file in usr/bin/tarnelo usr/bin/tarnelo-cli; do
    [[ -x $root/$file ]] || fail "missing program $file"
done
for file in usr/share/tarnelo/Data/moduleexcel_1.dat usr/share/tarnelo/Data/moduleexcel_2.dat \
    usr/share/tarnelo/guide.html usr/share/applications/tarnelo.desktop \
    usr/share/mime/packages/tarnelo.xml usr/share/icons/hicolor/scalable/apps/tarnelo.svg \
    usr/share/icons/hicolor/48x48/apps/tarnelo.png usr/share/icons/hicolor/256x256/apps/tarnelo.png \
    usr/share/doc/tarnelo/copyright usr/share/doc/tarnelo/changelog.gz \
    usr/share/man/man1/tarnelo.1.gz usr/share/man/man1/tarnelo-cli.1.gz; do
    [[ -s $root/$file ]] || fail "missing $file"
done
cmp -s "$root/usr/share/tarnelo/Data/moduleexcel_1.dat" "$TARNELO_PROGRAM_DIR/Data/moduleexcel_1.dat" ||
    fail "the packaged one-page template differs from the build's"
file "$root/usr/share/icons/hicolor/48x48/apps/tarnelo.png" | grep -q '48 x 48' || fail "48 px icon size"
[[ -z $(find "$root" -name Data -path '*/bin/*') ]] || fail "a Data folder beside the executables"

# -- Desktop entry
desktop="$root/usr/share/applications/tarnelo.desktop"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" >"$work/desktop.txt" 2>&1 || fail "desktop entry: $(cat "$work/desktop.txt")"
fi
grep -qx 'Exec=tarnelo %f' "$desktop" || fail "desktop entry does not pass the file"
grep -qx 'Icon=tarnelo' "$desktop" || fail "desktop entry icon"
grep -qx 'MimeType=application/x-tarnelo-raw-data;' "$desktop" || fail "desktop entry file type"
grep -q '^Name\[zh_CN\]=' "$desktop" && grep -q '^Comment\[zh_CN\]=' "$desktop" ||
    fail "desktop entry lacks the Chinese name or comment"

# -- File type: known by the GBK tag at the start of every example, by no file name pattern;
# the shared-mime-info compiler accepts it.
python3 - "$root/usr/share/mime/packages/tarnelo.xml" "$TARNELO_SOURCE_DIR"/examples/*.dat <<'PY' ||
import sys
import xml.etree.ElementTree as ET
ns = {"m": "http://www.freedesktop.org/standards/shared-mime-info"}
types = ET.parse(sys.argv[1]).getroot().findall("m:mime-type", ns)
assert [t.get("type") for t in types] == ["application/x-tarnelo-raw-data"], "one type"
assert not types[0].findall("m:glob", ns), "no file name pattern"
matches = types[0].findall("m:magic/m:match", ns)
assert len(matches) == 1 and matches[0].get("offset") == "0", "one match at offset 0"
value = matches[0].get("value").encode("latin-1").decode("unicode_escape").encode("latin-1")
assert value == "流速仪原始数据".encode("gbk"), value
for example in sys.argv[2:]:
    assert open(example, "rb").read().startswith(value), example
PY
    fail "file type"
if command -v update-mime-database >/dev/null; then
    mkdir -p "$work/mime/packages"
    cp "$root/usr/share/mime/packages/tarnelo.xml" "$work/mime/packages/"
    update-mime-database "$work/mime" >"$work/mime.txt" 2>&1 || fail "update-mime-database: $(cat "$work/mime.txt")"
    grep -q 'application/x-tarnelo-raw-data' "$work/mime/magic" 2>/dev/null ||
        fail "the compiled magic lacks the raw-data type"
fi

# -- The unpacked programs with a fresh home: the user's folders are laid out there.
home="$work/home"
mkdir -p "$home/.config"
printf 'XDG_DOCUMENTS_DIR="$HOME/文档"\n' >"$home/.config/user-dirs.dirs"
run_as_user() {
    env -u XDG_CONFIG_HOME HOME="$home" XDG_DATA_HOME="$work/xdg-data" "$@"
}
listing() { find "$root" -printf '%p %s\n' | sort; }
before="$(listing)"
example="$TARNELO_SOURCE_DIR/examples/vertical-surface-points.dat"
run_as_user "$root/usr/bin/tarnelo-cli" compute "$example" >"$work/out" 2>"$work/err" ||
    fail "installed tarnelo-cli compute: $(cat "$work/err")"
grep -q '感谢使用!' "$work/out" || fail "installed tarnelo-cli did not compute"
run_as_user "$root/usr/bin/tarnelo-cli" export "$example" -o "$work/form.xlsx" 2>"$work/err" ||
    fail "installed tarnelo-cli export: $(cat "$work/err")"
[[ -s $work/form.xlsx ]] || fail "installed tarnelo-cli wrote no workbook"
own="$work/xdg-data/tarnelo"
# The command-line tool reads the package's templates and makes no folder of the user's.
[[ ! -e $own && ! -e "$home/文档" ]] || fail "tarnelo-cli made the user's folders"

if [[ -x $root/usr/bin/tarnelo ]]; then
    # The window lays out the user's folders and opens the file named on its command line: its
    # record header goes to snap.dat.
    run_as_user QT_QPA_PLATFORM=offscreen TARNELO_STARTUP_TIME=1 timeout 60 \
        "$root/usr/bin/tarnelo" "$example" >"$work/out" 2>"$work/err" ||
        fail "installed window: $(cat "$work/err")"
    grep -q 'window shown' "$work/err" || fail "installed window was not shown: $(cat "$work/err")"
    for twoPages in 1 2; do
        cmp -s "$own/Data/moduleexcel_$twoPages.dat" "$root/usr/share/tarnelo/Data/moduleexcel_$twoPages.dat" ||
            fail "template $twoPages not laid out in the user's folder"
    done
    [[ -s $own/guide.html ]] || fail "guide not laid out in the user's folder"
    [[ -d "$home/文档/Tarnelo/Text data" && -d "$home/文档/Tarnelo/excel" ]] ||
        fail "dialog folders not made in the documents folder"
    python3 - "$example" "$own/Data/snap.dat" <<'PY' || fail "window did not open the file on its command line"
import sys
raw, snap = (open(p, "rb").read() for p in sys.argv[1:])
assert raw.split(b"\r\n\r\n", 1)[1] == snap, snap[:80]
PY
    [[ ! -e $own/Data/coefficient.dat ]] || fail "window wrote default coefficients it was not asked to"
fi
[[ $(listing) == "$before" ]] || fail "the programs wrote beside themselves"

((failures == 0)) && echo "package: all checks passed"
exit $((failures > 0))
