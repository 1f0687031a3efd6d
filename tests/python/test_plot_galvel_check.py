#!/usr/bin/python3
"""tools/plot_galvel_check.py on a check table: the panels and curves it draws (the change
in percent of the value at t = 0, the noise band), both figure formats, and the refusal
of a file that is not a check table.

Usage: test_plot_galvel_check.py PLOT_GALVEL_CHECK_PY

Exit status 77 (skipped) when numpy or matplotlib is missing.
"""
import importlib.util
import os
import sys
import tempfile

try:
    import numpy as np
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
except ImportError as missing:
    print(f"skipped: {missing} (Debian python3-matplotlib provides it)")
    sys.exit(77)

found = importlib.util.spec_from_file_location("plot_galvel_check", os.path.abspath(sys.argv[1]))
plot = importlib.util.module_from_spec(found)
found.loader.exec_module(plot)
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


TABLE = """# galvel check: duration 2, 100 of 100 particles, 2 intervals, step 1/100 of the local period
# columns: t disk_r50 disk_zrms_1h disk_vphi_ref halo_r1 halo_r50
# noise: 0 0.01 0.002 0.005 0.02 0.5
0 2 0.1 0.8 0.5 10
1 2.02 0.11 0.8 0.5 10
2 2.04 nan 0.78 0.45 11
"""

with tempfile.TemporaryDirectory() as folder:
    table = os.path.join(folder, "check.txt")
    with open(table, "w") as f:
        f.write(TABLE)
    names, noise, rows = plot.read_table(table)
    check(names == ["disk_r50", "disk_zrms_1h", "disk_vphi_ref", "halo_r1", "halo_r50"], f"names {names}")
    check(list(noise) == [0.01, 0.002, 0.005, 0.02, 0.5], f"noise {noise}")
    titles = [title for title, _ in plot.groups(names)]
    check(titles == ["disk mass radii", "disk heights z_rms", "disk kinematics at the reference radius", "halo mass radii"],
          f"panels {titles}")

    # The curves as drawn: percent changes of each figure against t.
    drawn = {ax.get_title(): ax for ax in plot.figure(table).axes}
    png, pdf = os.path.join(folder, "c.png"), os.path.join(folder, "c.pdf")
    plot.draw(table, [png, pdf])
    r50 = [line for line in drawn["disk mass radii"].get_lines() if line.get_label() == "r50"]
    check(len(r50) == 1 and np.allclose(r50[0].get_ydata(), [0.0, 1.0, 2.0]), "disk r50 drawn as 0, 1, 2 %")
    halo = {line.get_label(): line.get_ydata() for line in drawn["halo mass radii"].get_lines() if line.get_label()[0] == "r"}
    check(np.allclose(halo["r1"], [0.0, 0.0, -10.0]) and np.allclose(halo["r50"], [0.0, 0.0, 10.0]), f"halo {halo}")
    with open(png, "rb") as f:
        check(f.read(8) == b"\x89PNG\r\n\x1a\n", "a PNG file")
    with open(pdf, "rb") as f:
        check(f.read(5) == b"%PDF-", "a PDF file")

    # A profile table is not a check table: one line on standard error, status 1.
    other = os.path.join(folder, "profile.txt")
    with open(other, "w") as f:
        f.write("# disk: R Sigma vc\n1 2 3\n")
    check(plot.main([other, "-o", os.path.join(folder, "x.png")]) == 1, "a profile table refused")
    check(not os.path.exists(os.path.join(folder, "x.png")), "nothing drawn for a refused table")

sys.exit(1 if failures else 0)
