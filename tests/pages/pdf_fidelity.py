#!/usr/bin/env python3
"""Compares two PDFs of the same workbook as a reader sees them: the page count, the words of
each page (pdftotext), and where each word stands (pdftotext -bbox), matching every word of the
first with the nearest word of the same text on the same page of the second.

    pdf_fidelity.py OURS.pdf THEIRS.pdf [--tolerance-mm 1.5] [--report]

Exit status 0 when the pages, the words and every position agree within the tolerance; 1 with
the differences listed otherwise; 2 when a PDF cannot be read."""
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

POINTS_PER_MM = 72 / 25.4


def words(pdf):
    out = subprocess.run(["pdftotext", "-bbox", pdf, "-"], capture_output=True, check=True).stdout
    html = out.decode("utf-8")
    pages = []
    for page in re.findall(r"<page[^>]*>(.*?)</page>", html, re.S):
        found = []
        for m in re.finditer(r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">(.*?)</word>', page):
            x0, y0, x1, y1 = (float(m.group(i)) for i in range(1, 5))
            text = m.group(5).replace("&amp;", "&").replace("&lt;", "<").replace("&gt;", ">")
            found.append((text, (x0 + x1) / 2, (y0 + y1) / 2))
        pages.append(found)
    return pages


def main():
    args = sys.argv[1:]
    tolerance = 1.5
    if "--tolerance-mm" in args:
        i = args.index("--tolerance-mm")
        tolerance = float(args[i + 1])
        del args[i:i + 2]
    report = "--report" in args
    args = [a for a in args if a != "--report"]
    ours, theirs = args
    try:
        a, b = words(ours), words(theirs)
    except (subprocess.CalledProcessError, FileNotFoundError) as e:
        print(f"cannot read: {e}")
        return 2
    problems = []
    if len(a) != len(b):
        problems.append(f"pages: {len(a)} against {len(b)}")
    worst = 0.0
    compared = 0
    for n, (pa, pb) in enumerate(zip(a, b), 1):
        ta = sorted(w[0] for w in pa)
        tb = sorted(w[0] for w in pb)
        if ta != tb:
            only_a = sorted(set(ta) - set(tb))[:8]
            only_b = sorted(set(tb) - set(ta))[:8]
            problems.append(f"page {n}: words differ; only ours {only_a}, only theirs {only_b}")
        unused = list(pb)
        for text, x, y in pa:
            same = [w for w in unused if w[0] == text]
            if not same:
                continue
            best = min(same, key=lambda w: (w[1] - x) ** 2 + (w[2] - y) ** 2)
            unused.remove(best)
            d = max(abs(best[1] - x), abs(best[2] - y)) / POINTS_PER_MM
            compared += 1
            worst = max(worst, d)
            if d > tolerance:
                problems.append(f"page {n}: “{text}” {d:.2f} mm off ({x:.1f},{y:.1f} against {best[1]:.1f},{best[2]:.1f})")
    if report or problems:
        print(f"{len(a)} pages, {compared} words compared, largest offset {worst:.2f} mm")
    for p in problems[:40]:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
