#!/usr/bin/env bash
# What the Debian package installs: this build installed with cmake --install into a scratch
# root under /usr, as debian/rules does; its layout, the desktop entry, the AppStream file, the
# file type and the icons; then the installed tarnelo-cli and window run with a fresh home and
# lay out the user's own folders there, never beside the executable. The .deb itself (lintian,
# reproducibility, autopkgtest) is checked by scripts/test-package.
set -uo pipefail
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

root="$work/root"
if ! DESTDIR="$root" cmake --install "$TARNELO_BUILD_DIR" --prefix /usr >"$work/install.log" 2>&1; then
    cat "$work/install.log" >&2
    echo "FAIL: cmake --install" >&2
    exit 1
fi

# -- Layout
for file in usr/bin/tarnelo usr/bin/tarnelo-cli; do
    [[ -x $root/$file ]] || fail "missing program $file"
done
for file in usr/share/tarnelo/Data/moduleexcel_1.dat usr/share/tarnelo/Data/moduleexcel_2.dat \
    usr/share/tarnelo/guide.html usr/share/applications/org.tarnelo.Tarnelo.desktop \
    usr/share/metainfo/org.tarnelo.Tarnelo.metainfo.xml \
    usr/share/mime/packages/tarnelo.xml usr/share/icons/hicolor/scalable/apps/org.tarnelo.Tarnelo.svg \
    usr/share/icons/hicolor/48x48/apps/org.tarnelo.Tarnelo.png \
    usr/share/icons/hicolor/256x256/apps/org.tarnelo.Tarnelo.png \
    usr/share/icons/hicolor/scalable/mimetypes/application-x-tarnelo-raw-data.svg \
    usr/share/icons/hicolor/48x48/mimetypes/application-x-tarnelo-raw-data.png \
    usr/share/tarnelo/examples/station-year/README.md \
    usr/share/man/man1/tarnelo.1.gz usr/share/man/man1/tarnelo-cli.1.gz; do
    [[ -s $root/$file ]] || fail "missing $file"
done
cmp -s "$root/usr/share/tarnelo/Data/moduleexcel_1.dat" "$TARNELO_PROGRAM_DIR/Data/moduleexcel_1.dat" ||
    fail "the packaged one-page template differs from the build's"
for icon in apps/org.tarnelo.Tarnelo mimetypes/application-x-tarnelo-raw-data; do
    file "$root/usr/share/icons/hicolor/48x48/$icon.png" | grep -q '48 x 48' || fail "48 px icon $icon"
done
[[ -z $(find "$root/usr/share/doc" -type f 2>/dev/null) ]] || fail "the build installs into share/doc, which debian/ owns"
[[ -z $(find "$root" -name Data -path '*/bin/*') ]] || fail "a Data folder beside the executables"

# -- Examples: the bundled ones and the station's demonstration year, as in the source tree
for example in "$TARNELO_SOURCE_DIR"/examples/*.dat "$TARNELO_SOURCE_DIR"/examples/station-year/*; do
    installed="$root/usr/share/tarnelo/examples/${example#"$TARNELO_SOURCE_DIR"/examples/}"
    cmp -s "$example" "$installed" || fail "example $(basename "$example") not installed as bundled"
done
[[ -z $(find "$root/usr/share/tarnelo/examples" -perm /022) ]] || fail "examples writable by others"
man="$TARNELO_SOURCE_DIR/packaging/tarnelo-cli.1"
for command in summary rating; do
    grep -q "^\.B tarnelo-cli $command" "$man" || fail "tarnelo-cli(1) lacks $command"
    grep -q "tarnelo-cli $command" "$TARNELO_SOURCE_DIR/docs/guide.html" || fail "the guide lacks tarnelo-cli $command"
done
grep -q 'station-year' "$TARNELO_SOURCE_DIR/packaging/tarnelo-cli.1" || fail "tarnelo-cli(1) does not name the installed station year"

# -- AppStream: valid, and naming the desktop entry and the file type
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root/usr/share/metainfo/org.tarnelo.Tarnelo.metainfo.xml" >"$work/as.txt" 2>&1 ||
        fail "appstreamcli: $(cat "$work/as.txt")"
fi
grep -q '<launchable type="desktop-id">org.tarnelo.Tarnelo.desktop</launchable>' \
    "$root/usr/share/metainfo/org.tarnelo.Tarnelo.metainfo.xml" || fail "metainfo does not launch the desktop entry"
grep -q "<release version=\"$(sed -n 's/^project(.*//;s/^ *VERSION \([0-9.]*\)$/\1/p' "$TARNELO_SOURCE_DIR/CMakeLists.txt" | head -1)\"" \
    "$root/usr/share/metainfo/org.tarnelo.Tarnelo.metainfo.xml" || fail "metainfo lacks this version's release"

# -- Desktop entry
desktop="$root/usr/share/applications/org.tarnelo.Tarnelo.desktop"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" >"$work/desktop.txt" 2>&1 || fail "desktop entry: $(cat "$work/desktop.txt")"
fi
grep -qx 'Exec=tarnelo %f' "$desktop" || fail "desktop entry does not pass the file"
grep -qx 'Icon=org.tarnelo.Tarnelo' "$desktop" || fail "desktop entry icon"
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
icons = [i.get("name") for i in types[0].findall("m:icon", ns)]
assert icons == ["application-x-tarnelo-raw-data"], icons
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
# The installed example, as a newcomer would try it: nothing is written beside it.
example="$root/usr/share/tarnelo/examples/vertical-surface-points.dat"
run_as_user "$root/usr/bin/tarnelo-cli" compute "$example" >"$work/out" 2>"$work/err" ||
    fail "installed tarnelo-cli compute: $(cat "$work/err")"
grep -q '感谢使用!' "$work/out" || fail "installed tarnelo-cli did not compute"
run_as_user "$root/usr/bin/tarnelo-cli" export "$example" -o "$work/form.xlsx" 2>"$work/err" ||
    fail "installed tarnelo-cli export: $(cat "$work/err")"
[[ -s $work/form.xlsx ]] || fail "installed tarnelo-cli wrote no workbook"
# Without LibreOffice a PDF through it cannot be made: the workbook is written all the same, and
# the message names the package that brings LibreOffice.
status=0
run_as_user TARNELO_SOFFICE=/nonexistent "$root/usr/bin/tarnelo-cli" export "$example" \
    -o "$work/without.xlsx" --pdf "$work/without.pdf" --renderer libreoffice 2>"$work/err" || status=$?
[[ $status -eq 1 && -s $work/without.xlsx && ! -e $work/without.pdf ]] ||
    fail "export without LibreOffice: status $status: $(cat "$work/err")"
grep -q 'apt install libreoffice-calc-nogui' "$work/err" && grep -q '工作簿已保存' "$work/err" ||
    fail "export without LibreOffice names no package: $(cat "$work/err")"
own="$work/xdg-data/tarnelo"
# The command-line tool reads the package's templates and makes no folder of the user's.
[[ ! -e $own && ! -e "$home/文档" ]] || fail "tarnelo-cli made the user's folders"

if [[ -x $root/usr/bin/tarnelo ]]; then
    # The window lays out the user's folders and opens the file named on its command line, its
    # record header with it.
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
    python3 - "$example" "$work/err" <<'PY' || fail "window did not open the file on its command line"
import os, re, sys
raw = open(sys.argv[1], "rb").read()
said = open(sys.argv[2], encoding="utf-8", errors="replace").read()
opened = re.search(r"opened (.*), record header of (\d+) bytes", said)
assert opened, said
assert opened.group(1) == os.path.basename(sys.argv[1]), opened.group(1)
assert int(opened.group(2)) == len(raw.split(b"\r\n\r\n", 1)[1]), opened.group(2)
PY
    [[ ! -e $own/Data/snap.dat ]] || fail "window wrote a record header file"
    [[ ! -e $own/Data/coefficient.dat ]] || fail "window wrote default coefficients it was not asked to"
fi
[[ $(listing) == "$before" ]] || fail "the programs wrote beside themselves"

((failures == 0)) && echo "package: all checks passed"
exit $((failures > 0))
