#!/usr/bin/env python3
"""Writes a synthetic site in the Tucson decadal ring-width layout (0.01 mm,
stop marker 999) for speed and memory measurements.

    scripts/make-synthetic-set.py SERIES YEARS [--full] [--lengths MIN MAX] [--seed N] > site.rwl

The set spans YEARS years ending in 2000 (or starting in year 1 when that is
longer). Without --full every series covers a random stretch of MIN to MAX
years (default 30 years to the whole span), so the matrix is partly empty
like that of a real site; with --full every series covers every year. The
same arguments always give the same file: the widths follow a negative
exponential age trend times a common climate signal times each tree's own
noise, drawn from a seeded generator.
"""
import argparse
import math
import random
import sys


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("series", type=int)
    parser.add_argument("years", type=int)
    parser.add_argument("--full", action="store_true", help="every series covers every year")
    parser.add_argument("--lengths", type=int, nargs=2, metavar=("MIN", "MAX"),
                        help="series lengths drawn from MIN to MAX years")
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    if not 1 <= args.series <= 9999 or not 30 <= args.years <= 9000:
        parser.error("1-9999 series of 30-9000 years")
    shortest, longest = args.lengths or (min(30, args.years), args.years)
    if not 1 <= shortest <= longest <= args.years:
        parser.error("series lengths 1 <= MIN <= MAX <= YEARS")

    rng = random.Random(args.seed)
    last_year = max(2000, args.years)
    first_year = last_year - args.years + 1
    climate = []
    state = 0.0
    for _ in range(args.years):
        state = 0.6 * state + rng.gauss(0.0, 0.2)
        climate.append(math.exp(state))

    out = sys.stdout
    for s in range(args.series):
        if args.full:
            start, length = first_year, args.years
        else:
            length = rng.randint(shortest, longest)
            start = first_year + rng.randint(0, args.years - length)
        level = rng.uniform(80.0, 300.0)
        decay = rng.uniform(0.002, 0.02)
        floor = rng.uniform(20.0, 60.0)
        widths = []
        noise = 0.0
        for age in range(length):
            noise = 0.4 * noise + rng.gauss(0.0, 0.15)
            trend = level * math.exp(-decay * age) + floor
            width = trend * climate[start - first_year + age] * math.exp(noise)
            widths.append(min(900, max(1, int(round(width)))))
        widths.append(999)  # stop marker
        write_series(out, "SY%04d  " % (s + 1), start, widths)


def write_series(out, ident, start, values):
    year = start
    i = 0
    while i < len(values):
        slots = 10 - year % 10
        line = values[i:i + slots]
        out.write("%s%4d%s\n" % (ident, year, "".join("%6d" % v for v in line)))
        i += slots
        year += slots


if __name__ == "__main__":
    main()
