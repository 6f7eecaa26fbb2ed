#!/usr/bin/python3
"""Writes spline_reference.txt: natural cubic spline values computed by SciPy, the
independent reference of the tool's spline. Run once; the output is kept in the tree.

Each case: "case NAME", then lines "x", "y" (the knots as given to the tool, possibly
unsorted), "t" (evaluation points) and "s" (SciPy's values at t).
"""
import math

import numpy as np
from scipy.interpolate import CubicSpline

cases = []

x = [0.0, 0.7, 1.5, 2.0, 3.6, 4.1, 5.9]
y = [0.3, -0.2, 1.1, 0.9, -0.5, 0.0, 2.2]
cases.append(("uneven", x, y, list(np.linspace(0.0, 5.9, 23)) + [6.5, 7.25]))

x = [3.0, 1.0, 2.5, 0.0, 4.2, 1.7]
y = [1.0, -2.0, 0.5, 0.25, 3.0, -1.0]
cases.append(("unsorted", x, y, list(np.linspace(0.0, 4.2, 15))))

# A measured-angle grid over three turns, as the motor-side table builds it.
m = 16
g = 360.0 / m
ang = [l * g - 12.0 + 3.0 * math.sin(2 * math.pi * l / m + 0.4) for l in range(m)]
x = [a + 360.0 * k for k in range(3) for a in ang]
y = [l * g + 360.0 * k for k in range(3) for l in range(m)]
cases.append(("three turns", x, y, [360.0 + i * g / 2 for i in range(2 * m)]))

cases.append(("two knots", [0.0, 2.0], [1.0, 3.0], [0.0, 0.5, 1.9, 2.0, 3.0]))

with open("spline_reference.txt", "w") as out:
    for name, x, y, t in cases:
        order = np.argsort(x, kind="stable")
        spline = CubicSpline(np.array(x)[order], np.array(y)[order], bc_type="natural")
        s = spline(np.array(t))
        out.write("case %s\n" % name)
        for key, values in (("x", x), ("y", y), ("t", t), ("s", s)):
            out.write(key + " " + " ".join("%.17g" % v for v in values) + "\n")
