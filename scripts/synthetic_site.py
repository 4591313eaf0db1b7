#!/usr/bin/env python3
"""Writes a generated site in the decadal ring-width layout (0.01 mm, stop
marker 999) for speed and memory measurements of large data sets.

    scripts/synthetic_site.py SERIES YEARS [--staggered] [--seed N] > site.rwl

Every series covers all YEARS years (starting in year 1001) unless
--staggered is given; then each series takes a random stretch of 50 to 600
years inside them. Rings grow like trees: a negative exponential age trend
times a common climate signal times each tree's own noise. The same
arguments always give the same file.
"""
import argparse
import math
import random
import sys


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("series", type=int)
    parser.add_argument("years", type=int)
    parser.add_argument("--staggered", action="store_true")
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    if not 1 <= args.series <= 9999 or not 1 <= args.years <= 8999:
        sys.exit("series 1..9999, years 1..8999")

    rng = random.Random(args.seed)
    first_year = 1001
    climate = []
    previous = 0.0
    for _ in range(args.years):
        previous = 0.5 * previous + rng.gauss(0.0, 0.25)
        climate.append(math.exp(previous))

    out = sys.stdout
    for j in range(args.series):
        ident = "S%05d" % (j + 1)
        if args.staggered:
            length = rng.randint(min(50, args.years), min(600, args.years))
            start = first_year + rng.randint(0, args.years - length)
        else:
            length = args.years
            start = first_year
        level = 1.0 + 0.5 * abs(rng.gauss(0.0, 0.25))
        values = []
        for i in range(length):
            trend = level * math.exp(-0.01 * i) + 0.3
            own = math.exp(0.5 * rng.gauss(0.0, 0.25))
            width = round(100.0 * trend * climate[start - first_year + i] * own)
            # 999 is the stop marker: no ring may take it.
            values.append(min(max(width, 1), 998))
        values.append(999)
        year = start
        k = 0
        while k < len(values):
            count = 10 - year % 10 if k == 0 else 10
            chunk = values[k:k + count]
            out.write("%-8s%4d%s\n" % (ident, year, "".join("%6d" % v for v in chunk)))
            k += len(chunk)
            year += len(chunk)


if __name__ == "__main__":
    main()
