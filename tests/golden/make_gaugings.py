#!/usr/bin/env python3
"""Writes a fixed set of raw data files (GBK, CR LF) for the golden outputs.

    make_gaugings.py OUTPUT_FOLDER [--count N] [--seed S]

The same count and seed always give the same bytes: the random numbers come from a generator of
its own (not Python's), and every number is written through a fixed format. Half the files are
in 垂线模式, half in 测速模式. Most are plausible gaugings of streams and rivers of every size;
the rest carry what the computation and the check pass treat apart: water edges, sounding-only
verticals, surface points, ties at the rounding digit, typing slips, refusals, short and damaged
files, and files in a foreign form. The kind is part of each file's name.
"""

import argparse
import math
import pathlib

TAG = "流速仪原始数据"
VERTICAL = "垂线模式"
VELOCITY = "测速模式"
CRLF = "\r\n"


class Rng:
    """splitmix64: small, and the same on every Python."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFFFFFFFFFF

    def next64(self):
        self.state = (self.state + 0x9E3779B97F4A7C15) & 0xFFFFFFFFFFFFFFFF
        z = self.state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & 0xFFFFFFFFFFFFFFFF
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & 0xFFFFFFFFFFFFFFFF
        return z ^ (z >> 31)

    def random(self):
        return (self.next64() >> 11) / float(1 << 53)

    def uniform(self, low, high):
        return low + (high - low) * self.random()

    def int(self, low, high):
        """A whole number from low to high, both included."""
        return low + self.next64() % (high - low + 1)

    def choice(self, items):
        return items[self.next64() % len(items)]

    def chance(self, p):
        return self.random() < p


def text(x, decimals, trim=False):
    """x with a fixed number of decimals; trim drops trailing zeros ("1.50" -> "1.5")."""
    s = f"{x:.{decimals}f}"
    if trim and "." in s:
        s = s.rstrip("0").rstrip(".")
    return "0" if s in ("-0", "") else s


# Sizes of stream: width (m), greatest depth (m), fastest vertical mean velocity (m/s), verticals.
SIZES = {
    "tiny": ((0.8, 4.0), (0.08, 0.35), (0.04, 0.25), (5, 14)),
    "small": ((5.0, 30.0), (0.4, 2.0), (0.3, 1.2), (10, 24)),
    "medium": ((30.0, 150.0), (1.5, 5.5), (0.6, 2.2), (15, 40)),
    "large": ((150.0, 900.0), (4.0, 18.0), (1.2, 3.6), (20, 60)),
}

STATIONS = ["石门站", "柳溪 龙潭", "清溪河 黄泥坝", "花园口", "大渡河 泸定", "白沙河 新店子",
            "汉江 白河", "赣江 峡江", "沅水 桃源", "湘江 湘潭", "嘉陵江 北碚", "闽江 竹岐",
            "小清河 黄台桥", "漓江 桂林", "澜沧江 允景洪", "黑河 莺落峡"]
WEATHER = ["晴", "多云", "阴", "小雨", "中雨", "雾", "*"]
WIND = ["无风", "东南风 2级", "北风 3级", "西北风 1级", "南风 4级", "*"]
CROSSING = ["测流缆道", "测船", "涉水", "桥测", "机动船", "*"]
NOTES = ["水位平稳", "测流期间有少量漂浮物", "水位缓涨，涨率 0.02 m/h", "岸边有回流，岸边系数取 0.6",
         "上游电站放水", "冰凌少量", "流向偏角约 5°", "*"]
OBSERVERS = ["王建国 李明", "张伟", "刘洋 陈静", "赵敏", "孙磊 周涛", "*"]


def header(rng, station):
    """The four record-header lines of 12, 8, 16 and 3 fields, in one of the saved shapes."""
    year = rng.int(2008, 2026)
    month, day = rng.int(1, 12), rng.int(1, 28)
    hour, minute = rng.int(6, 17), rng.int(0, 59)
    span = rng.int(15, 150)
    end = hour * 60 + minute + span
    if rng.chance(0.5):
        when = (f"{year}-{month:02d}-{day:02d} {hour:02d}:{minute:02d}"
                f"～{end // 60:02d}:{end % 60:02d}")
    else:
        when = f"{year}年{month}月{day}日{hour}时{minute}分至{end // 60}时{end % 60}分"
    k, c = rng.choice(["0.2505", "0.6793", "0.2468", "0.2532"]), rng.choice(["0.0051", "0.0033"])
    level = rng.uniform(20.0, 480.0)
    line1 = [station, when, rng.choice(WEATHER), rng.choice(WIND),
             f"LS25-{rng.int(1, 3)} No.{rng.int(1, 2400):04d}", f"V= {k} N/T+ {c}",
             str(rng.int(1, 80)), text(rng.uniform(0.3, 0.6), 2), str(rng.choice([25, 50, 100])),
             f"JD-{rng.int(1, 5)} No.{rng.int(1, 30):02d}", rng.choice(["+0.3", "-0.2", "0", "*"]),
             rng.choice(CROSSING)]
    line2 = [rng.choice(["基本水尺断面", "基本水尺断面下游 20 m", "测流断面", "*"]),
             text(level, 2), rng.choice(["*", "0", "1.2"]), "LS25-1", "*", "*", "*", "*"]
    line3 = []
    for gauge in range(4):
        if gauge == 0 or rng.chance(0.2):
            start = rng.uniform(0.5, 5.0)
            line3 += [f"P{gauge + 1}", text(start, 2), text(start + rng.uniform(-0.05, 0.08), 2),
                      text(level - start, 3)]
        else:
            line3 += ["*"] * 4
    line4 = [rng.choice(NOTES), rng.choice(OBSERVERS), str(rng.int(1, 120))]
    lines = [line1, line2, line3, line4]
    if rng.chance(0.25):
        # The shape the program writes when the header was never filled.
        lines = [["*"] * len(line) for line in lines]
    trailing = "," if rng.chance(0.2) else ""
    body = CRLF.join(",".join(line) + trailing for line in lines)
    return body + (CRLF if rng.chance(0.3) else "")


def profile(rng, size):
    """Distances and depths of the verticals, water edge to water edge.

    Only the operations IEEE 754 rounds exactly (+ - * / and the square root) make the numbers,
    so that no mathematical library can change a digit of the files."""
    (w0, w1), (d0, d1), _, (m0, m1) = SIZES[size]
    width, deepest = rng.uniform(w0, w1), rng.uniform(d0, d1)
    count = rng.int(m0, m1)
    start = rng.choice([0.0, 0.0, rng.uniform(1.0, 60.0)])
    skew = rng.uniform(0.5, 1.5)
    xs, ds = [], []
    for i in range(count):
        f = i / (count - 1)
        jitter = 0.0 if i in (0, count - 1) else rng.uniform(-0.3, 0.3) / count
        xs.append(start + width * min(max(f + jitter, 0.0), 1.0))
        g = f * (skew + (1.0 - skew) * f)  # the deepest point off the middle
        shape = math.sqrt(4.0 * g * (1.0 - g))
        ds.append(0.0 if i in (0, count - 1) else deepest * shape * rng.uniform(0.9, 1.1))
    for i in range(1, count):
        xs[i] = max(xs[i], xs[i - 1] + width / count / 3)
    return xs, ds, deepest


class Gauging:
    """One gauging as the file stores it: texts per row, "" for an empty cell."""

    def __init__(self, rng, mode, size):
        self.rng, self.mode, self.size = rng, mode, size
        self.vertical = mode == VERTICAL
        xs, ds, deepest = profile(rng, size)
        fastest = rng.uniform(*SIZES[size][2])
        dist_dec = 0 if size == "large" and rng.chance(0.6) else rng.choice([1, 1, 2])
        depth_dec = 1 if size == "large" and rng.chance(0.5) else 2
        trim = rng.chance(0.4)
        if size == "tiny":
            dist_dec = 2
        # Rounded distances still increase from row to row.
        unit = (1.0, 0.1, 0.01)[dist_dec]
        for i in range(1, len(xs)):
            xs[i] = max(round(xs[i], dist_dec), round(xs[i - 1], dist_dec) + unit)
        self.distance = [text(x, dist_dec, trim) for x in xs]
        self.depth = ["0" if d == 0.0 else text(d, depth_dec, trim) for d in ds]
        self.relative = [""] * len(xs)
        self.n = [""] * len(xs)
        self.t = [""] * len(xs)
        self.velocity = [""] * len(xs)
        self.speeds = [fastest * math.sqrt(d / deepest) * rng.uniform(0.9, 1.1) for d in ds]
        # Which verticals carry a velocity: all, every other one, or most.
        pattern = rng.choice(["all", "all", "alternate", "most"]) if len(xs) > 9 else "all"
        self.gauged = []
        for i, d in enumerate(ds):
            inner = 0 < i < len(ds) - 1
            if inner and (pattern == "all" or (pattern == "alternate" and i % 2 == 1)
                          or (pattern == "most" and rng.chance(0.7))):
                self.gauged.append(i)
        self.surface_share = rng.choice([0.0, 0.0, 0.1, 1.0])
        if self.vertical:
            self.coefficients = [rng.choice(["0.85", "0.85", "0.86", "0.9", "0.88"]),
                                 rng.choice(["0.7", "0.7", "0.70", "0.8", "0.6", "0.9"]),
                                 rng.choice(["0.7", "0.7", "0.8", "0.6", "0.9", "0.67"]),
                                 rng.choice(["20", "20", "1", "5", "10"]),
                                 rng.choice(["0.2505", "0.6793", "0.2468", "0.25"]),
                                 rng.choice(["0.0051", "0.0033", "0.004", "0"])]
        else:
            self.coefficients = [rng.choice(["0.85", "0.85", "0.86", "0.9"]),
                                 rng.choice(["0.7", "0.7", "0.8", "0.6"]),
                                 rng.choice(["0.7", "0.8", "0.80", "0.6"])]
        for i in self.gauged:
            self.measure(i, self.speeds[i])

    def measure(self, i, speed):
        rng = self.rng
        surface = rng.chance(self.surface_share)
        if surface:
            self.relative[i] = "0.0"
        else:
            # The one-point methods only (0.6, 0.2, 0.5, the surface): a lone 0.8 is refused. The
            # list keeps its length so that the random stream, and every other file, stays as it was.
            self.relative[i] = rng.choice(["0.6"] * 8 + ["0.2", "0.6", "0.5", "0"])
        if self.vertical:
            r, k, c = (float(v) for v in self.coefficients[3:6])
            t = rng.choice([100, 100, 105, 110, 120, 125, 130, rng.int(100, 200)])
            n = max(1, round((speed - c) * t / (k * r)))
            self.n[i], self.t[i] = str(n), str(t)
        else:
            decimals = 3 if speed < 0.1 or rng.chance(0.1) else 2
            self.velocity[i] = text(speed, decimals)

    def rows(self):
        return len(self.distance)

    def columns(self):
        typed = [self.distance, self.depth, self.relative]
        typed += [self.n, self.t] if self.vertical else [self.velocity]
        return typed

    def set_tie_grid(self):
        """Values that land exactly on a half at the rounding digit."""
        rng = self.rng
        step = rng.choice([0.5, 1.0, 2.5])
        x0 = rng.choice([0.0, 0.25, 10.0])
        for i in range(self.rows()):
            self.distance[i] = text(x0 + step * i + (0.05 if i % 3 == 1 else 0.0), 2)
        for i in range(1, self.rows() - 1):
            # Neighbours 0.05 apart: their mean ends in 25 or 75 at the third decimal.
            self.depth[i] = text(0.25 + 0.05 * min(i, self.rows() - 1 - i) * rng.int(1, 2), 2)
        if self.vertical:
            # V = 0.25 · N / 100: N = 2 (mod 4) gives a velocity ending in 5 at the third decimal.
            self.coefficients[3:6] = ["1", "0.25", "0"]
            for i in self.gauged:
                self.n[i], self.t[i] = str(4 * rng.int(3, 120) + rng.choice([2, 2, 0])), "100"
        else:
            v = rng.int(20, 60) / 100
            for i in self.gauged:
                v = max(0.01, v + rng.choice([-0.01, 0.01, 0.03, -0.03]))
                self.velocity[i] = text(v, 2)
            self.coefficients[0] = rng.choice(["0.85", "0.75"])


def number(value, default):
    try:
        return float(value)
    except ValueError:
        return default


def cell(value):
    return value if value != "" else "*"


def render(g, rows=None, header_text="", separator=True, coefficient_count=None):
    """The file text: tag, coefficients, one line per typed column, then the header part."""
    rows = max(rows or g.rows(), g.rows())
    lines = [f"{TAG},{g.mode}"]
    lines.append(",".join(g.coefficients[:coefficient_count]))
    for column in g.columns():
        padded = list(column) + [""] * (rows - len(column))
        lines.append(",".join(cell(v) for v in padded))
    body = CRLF.join(lines)
    return body + (CRLF + CRLF + header_text if separator else CRLF)


# What can go wrong in a typed cell, and how it reads.
SLIPS = ["1.2.3", "l.5", "12a", "1，5", "１.２", "O.6", "-", "1.5m", "0..6", "abc"]


def odd_cell(g, rng):
    """One typing slip: a cell the check pass calls an error or worth a look."""
    inner = list(range(1, g.rows() - 1))
    i = rng.choice(inner)
    kind = rng.int(0, 11)
    if kind == 0:
        g.depth[i] = rng.choice(SLIPS)
    elif kind == 1:
        g.depth[i] = "-" + (g.depth[i] if g.depth[i] != "0" else "0.5")
    elif kind == 2 and g.gauged:
        g.relative[rng.choice(g.gauged)] = rng.choice(["1.2", "6", "-0.2"])
    elif kind == 3:
        g.distance[i] = g.distance[i - 1]  # the same distance twice
    elif kind == 4:
        g.distance[i], g.distance[i + 1] = g.distance[i + 1], g.distance[i]
    elif kind == 5:
        g.distance[i] = ""  # a gap in 起点距 with a depth beside it
    elif kind == 6 and g.gauged:
        j = rng.choice(g.gauged)
        if g.vertical:
            g.n[j] = str(int(g.n[j]) * 40 + 500)  # faster than 10 m/s
        else:
            g.velocity[j] = rng.choice(["12.5", "25", "10.01"])
    elif kind == 7:
        g.depth[i] = text(number(g.depth[i], 1.0) * 10 + 3, 2)  # a slipped digit: a spike
    elif kind == 8:
        g.distance[i] = text(number(g.distance[i], 0.0) + 5000, 1)  # a jump in 起点距
    elif kind == 9 and g.vertical and g.gauged:
        j = rng.choice(g.gauged)
        if rng.chance(0.5):
            g.t[j] = ""  # N without T
        else:
            g.t[j] = str(rng.int(30, 99))  # short measuring time
    elif kind == 10:
        field = rng.int(0, len(g.coefficients) - 1)
        g.coefficients[field] = rng.choice(["0.4", "1.2", "O.7", "0.7.", " 0.7", "七"])
    else:
        if g.gauged:
            j = rng.choice(g.gauged)
            (g.n if g.vertical else g.velocity)[j] = rng.choice(SLIPS)


def make(rng, mode):
    """The file name's kind and the file's bytes."""
    size = rng.choice(["tiny", "small", "small", "medium", "medium", "medium", "large"])
    station = rng.choice(STATIONS)
    g = Gauging(rng, mode, size)
    kind = size
    rows = rng.choice([None, 20, 20, max(20, g.rows() + rng.int(0, 8))])
    header_text = header(rng, station)
    extra = {}
    roll = rng.random()
    if roll < 0.55:
        pass
    elif roll < 0.62:
        kind = "ties"
        g.set_tie_grid()
    elif roll < 0.66:
        kind = "edges"
        last = g.rows() - 1
        variant = rng.int(0, 3)
        if variant == 0:
            g.depth[0], g.depth[last] = "0.0", "0.00"  # zero depth, but not written as a water edge
        elif variant == 1:
            g.depth[last // 2] = "0"  # an island in the middle
            for col in (g.n, g.t, g.velocity, g.relative):
                col[last // 2] = ""
        elif variant == 2:
            # No right water edge: the last row is a velocity vertical.
            g.depth[last] = text(float(g.depth[last - 1]) * 0.5 + 0.1, 2)
            g.gauged.append(last)
            g.measure(last, g.speeds[last - 1] * 0.5 + 0.05)
        else:
            g.depth[0] = "0.000"
    elif roll < 0.70:
        kind = "surface"
        for i in g.gauged:
            g.relative[i] = rng.choice(["0.0", "0", "0.0", "0.00"])
    elif roll < 0.73:
        kind = "texts"
        # Numbers in every form numberOf reads whole: signs, blanks, exponents, bare points.
        for i in range(1, g.rows() - 1):
            if rng.chance(0.3):
                value = float(g.distance[i])
                g.distance[i] = rng.choice([f"+{g.distance[i]}", f" {g.distance[i]}",
                                            f"{g.distance[i]} ", f"{value / 10:.4g}e1"])
            if rng.chance(0.2) and g.depth[i].startswith("0."):
                g.depth[i] = g.depth[i][1:]  # ".45"
    elif roll < 0.85:
        kind = "findings"
        for _ in range(rng.int(1, 3)):
            odd_cell(g, rng)
    elif roll < 0.92:
        kind = "refused"
        variant = rng.int(0, 5)
        target = rng.choice(g.gauged) if g.gauged else 1
        if variant == 0 and g.vertical:
            g.t[target] = rng.choice(["0", "0.0", "abc"])
        elif variant == 0:
            g.velocity[target] = rng.choice(["1e309", "-1e400"])
        elif variant == 1:
            # The first row is a velocity vertical: no row above it for the left bank.
            g.gauged.insert(0, 0)
            g.depth[0] = text(float(g.depth[1] or 0.3) * 0.4 + 0.05, 2)
            g.measure(0, g.speeds[1] * 0.5)
        elif variant == 2:
            (g.n if g.vertical else g.velocity)[target] = "1e308"
        elif variant == 3:
            g.depth[target] = rng.choice(["1e400", "1e200"])
            g.distance[target] = rng.choice(["1e308", "1e200", g.distance[target]])
        elif variant == 4:
            # No velocity vertical at all.
            for col in (g.n, g.t, g.velocity):
                for i in range(g.rows()):
                    col[i] = ""
            if g.vertical:
                g.n[1] = "5"
        else:
            g.coefficients[rng.int(0, len(g.coefficients) - 1)] = "1e999"
    elif roll < 0.97:
        kind = "incomplete"
        variant = rng.int(0, 5)
        if variant == 0:
            keep = rng.int(2, 4)  # fewer than five distances
            for col in g.columns():
                del col[keep:]
            g.gauged = [i for i in g.gauged if i < keep]
        elif variant == 1:
            extra["coefficient_count"] = rng.int(1, len(g.coefficients) - 1)
        elif variant == 2:
            g.coefficients[rng.int(0, len(g.coefficients) - 1)] = ""
        elif variant == 3:
            extra["separator"] = False
        elif variant == 4:
            header_text = header_text.split(CRLF)[0]  # cut off after the first header line
        else:
            for i in g.gauged[2:]:
                (g.n if g.vertical else g.velocity)[i] = ""  # fewer than three velocities
    else:
        kind = "form"
        return kind, foreign(rng, g, render(g, rows, header_text))
    data = render(g, rows, header_text, **extra)
    return kind, data.encode("gbk")


def foreign(rng, g, data):
    """Bytes in another form than the program writes, or damaged past reading."""
    variant = rng.int(0, 7)
    if variant == 0:
        return data.encode("utf-8")
    if variant == 1:
        return b"\xef\xbb\xbf" + data.encode("utf-8")
    if variant == 2:
        return data.replace(CRLF, "\n").encode("gbk")
    if variant == 3:
        return data.encode("utf-16-le")
    if variant == 4:
        return data.replace(f",{g.mode}", ",断面模式", 1).encode("gbk")  # no known mode
    if variant == 5:
        return ("原始数据" + data[len(TAG):]).encode("gbk")  # not a raw data file
    if variant == 6:
        # A cell longer than the program opens.
        long = "9" * rng.int(257, 300)
        return data.replace(CRLF + g.distance[0] + ",", CRLF + long + ",", 1).encode("gbk")
    lines = data.split(CRLF)
    lines[2] = ",".join(["1"] * 10001)  # more values than rows the program opens
    return CRLF.join(lines).encode("gbk")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder", type=pathlib.Path)
    parser.add_argument("--count", type=int, default=2000)
    parser.add_argument("--seed", type=int, default=1305)
    args = parser.parse_args()
    args.folder.mkdir(parents=True, exist_ok=True)
    rng = Rng(args.seed)
    for index in range(args.count):
        mode = VERTICAL if index % 2 == 0 else VELOCITY
        kind, data = make(rng, mode)
        short = "vert" if mode == VERTICAL else "velo"
        # A few names in Chinese: the file name is part of the outputs.
        place = "-石门" if index % 250 == 7 else ""
        (args.folder / f"{index:04d}-{short}-{kind}{place}.dat").write_bytes(data)


if __name__ == "__main__":
    main()
