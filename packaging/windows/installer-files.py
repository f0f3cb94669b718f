#!/usr/bin/env python3
"""Writes the file lists of the installer from the portable folder.

    installer-files.py PORTABLE_FOLDER OUTPUT_FOLDER

The installed layout is the one the Debian package has, so that an installed program finds no
Data folder beside itself and keeps its settings and the user's files in the user's own folders,
never in the program folder:

    bin\\                       the programs, their DLLs and Qt's plugins
    share\\tarnelo\\Data\\        the record-form templates each user's folder is laid out from
    share\\tarnelo\\guide.html
    share\\tarnelo\\examples\\    the bundled example measurements
    licenses\\                  the licence texts of Tarnelo and every bundled library

install-files.nsh puts every file in place; uninstall-files.nsh deletes exactly those files,
then the folders that held them, deepest first, each only when it is empty.
"""

import pathlib
import sys

# Folders of the portable layout that stay empty there and are made per user instead.
PER_USER_FOLDERS = {"Text data", "excel"}
SHARED = ("Data", "examples", "guide.html")


def installed_path(relative):
    """The path under the installation folder of a file of the portable folder."""
    if relative.parts[0] == "licenses":
        return pathlib.PurePosixPath(*relative.parts)
    if relative.parts[0] in SHARED:
        return pathlib.PurePosixPath("share", "tarnelo", *relative.parts)
    return pathlib.PurePosixPath("bin", *relative.parts)


def nsis_text(text):
    """A quoted NSIS string; $ is NSIS's variable sign."""
    if any(c in text for c in '"\r\n`'):
        raise SystemExit(f"installer-files.py: a name NSIS cannot quote: {text!r}")
    return '"' + text.replace("$", "$$") + '"'


def under_instdir(path):
    """The NSIS text of a path under the installation folder."""
    return nsis_text("\\".join(path.parts)).replace('"', '"$INSTDIR\\', 1)


def main():
    if len(sys.argv) != 3:
        raise SystemExit("usage: installer-files.py PORTABLE_FOLDER OUTPUT_FOLDER")
    source = pathlib.Path(sys.argv[1]).resolve()
    output = pathlib.Path(sys.argv[2])
    files = sorted(
        p.relative_to(source)
        for p in source.rglob("*")
        if p.is_file() and p.relative_to(source).parts[0] not in PER_USER_FOLDERS
    )
    if not files:
        raise SystemExit(f"installer-files.py: nothing to install in {source}")

    install = ["; Written by installer-files.py from the portable folder."]
    folder = None
    folders = set()
    for relative in files:
        target = installed_path(relative)
        if target.parent != folder:
            folder = target.parent
            install.append("SetOutPath " + under_instdir(folder))
        install.append("File " + nsis_text(str(source / relative)))
        for parent in target.parents:
            if parent.parts:
                folders.add(parent)

    uninstall = ["; Written by installer-files.py: only what the installer put there."]
    for relative in files:
        uninstall.append("Delete " + under_instdir(installed_path(relative)))
    for folder in sorted(folders, key=lambda f: (-len(f.parts), str(f))):
        uninstall.append("RMDir " + under_instdir(folder))

    for name, lines in (("install-files.nsh", install), ("uninstall-files.nsh", uninstall)):
        (output / name).write_text("\n".join(lines) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
