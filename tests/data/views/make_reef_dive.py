#!/usr/bin/env python3
"""Writes reef_dive.csv: a 44-minute reef dive sampled every 10 s, in the dive computer's
tab-separated sample table (20 fields: time, depth, 13 unused, temperature, OTU, CNS, ceiling, GF).
Descent to 28 m, a multi-level bottom, a too fast ascent from 17 to 10 m, a safety stop at 5 m."""
import math

PLAN = [(0, 0), (100, 28), (400, 26), (700, 27.5), (1000, 25), (1200, 26), (1260, 18),
        (1800, 17), (1820, 10), (2400, 11), (2440, 5), (2620, 5), (2650, 0)]

rows = []
for (t0, d0), (t1, d1) in zip(PLAN, PLAN[1:]):
    t = t0
    while t < t1:
        depth = d0 + (d1 - d0) * (t - t0) / (t1 - t0)
        if abs(d1 - d0) < 3 and d0 > 6:
            depth += 0.3 * math.sin(t / 45.0)  # swell on the flat parts
        rows.append((t, depth))
        t += 10
rows.append(PLAN[-1])

with open("reef_dive.csv", "w", newline="\n") as out:
    out.write("Time\tDepth\n")
    otu = 0.0
    for t, depth in rows:
        temperature = 24.0 - 0.2 * depth
        otu += 0.02 * depth / 10
        fields = ["%g" % t, "%.2f" % depth] + ["0"] * 13
        fields += ["%.1f" % temperature, "%.2f" % otu, "%.1f" % (otu / 3), "0", "0"]
        out.write("\t".join(fields) + "\n")
