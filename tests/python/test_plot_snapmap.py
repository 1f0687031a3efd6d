#!/usr/bin/python3
"""tools/plot_snapmap.py against snapmap's files: where a clump of the model lands in the
drawn figure, the sense of rotation, the figure formats, and the refusals.

Usage: test_plot_snapmap.py SNAPMAP PLOT_SNAPMAP_PY

The orientation is read back from the rendered pixels (not from the arrays handed to
matplotlib), so a figure drawn upside down or mirrored fails whatever the cause. Exit
status 77 (skipped) when numpy or matplotlib is missing.
"""
import importlib.util
import os
import subprocess
import sys
import tempfile

try:
    import numpy as np
    import matplotlib

    matplotlib.use("Agg")
except ImportError as missing:
    print(f"skipped: {missing} (Debian python3-matplotlib provides it)")
    sys.exit(77)

SNAPMAP, TOOL = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
found = importlib.util.spec_from_file_location("plot_snapmap", TOOL)
plot = importlib.util.module_from_spec(found)
found.loader.exec_module(plot)
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def snapshot(path, records):
    """A text snapshot: records of x y z vx vy vz mass, type code 1."""
    with open(path, "w") as f:
        f.write(f" {len(records)} 0.0\n 1\n 0.1\n 0.0\n")
        for r in records:
            f.write(" ".join(f"{v:.7g}" for v in r[:6]) + f" 1 {r[6]:.7g}\n")


def run_snapmap(folder, args):
    r = subprocess.run([SNAPMAP] + args, cwd=folder, capture_output=True, text=True)
    if r.returncode != 0:
        raise RuntimeError(f"snapmap {' '.join(args)}: {r.stderr}")
    with open(os.path.join(folder, "summary.txt"), "a") as f:
        f.write(r.stdout)


class Units:
    length, mass, velocity = "kpc", "M", "km/s"


def rendered(folder, map_name):
    """The figure drawn by the tool: (figure, panel axes, RGB pixels, height)."""
    summary = plot.find_summary(os.path.join(folder, "summary.txt"), map_name)
    maps = plot.read_maps(os.path.join(folder, map_name), summary)
    fig, axes = plot.make_figure(maps, summary, Units)
    fig.canvas.draw()
    rgb = np.asarray(fig.canvas.buffer_rgba())[:, :, :3].astype(int)
    return fig, axes, rgb


def where_colour(ax, rgb, colour, tolerance=40):
    """Data coordinates of the mean pixel of `ax` within `tolerance` of `colour`, or None."""
    height = rgb.shape[0]
    box = ax.get_window_extent()
    rows = slice(int(height - box.y1) + 1, int(height - box.y0) - 1)
    cols = slice(int(box.x0) + 1, int(box.x1) - 1)
    part = rgb[rows, cols]
    near = np.abs(part - np.array(colour)).sum(axis=2) < tolerance
    if not near.any():
        return None
    r, c = np.nonzero(near)
    display = np.column_stack([c.mean() + cols.start + 0.5, height - (r.mean() + rows.start + 0.5)])
    return ax.transData.inverted().transform(display)[0]


def test_clump_lands_where_the_views_put_it(folder):
    # A heavy clump at (3, 1.5, 1), off every axis and every plane of symmetry, in a faint
    # spread of particles. Each view puts it at (e_u . r, e_v . r): a picture turned upside
    # down or mirrored moves it to another quadrant.
    rng = np.random.default_rng(5)
    faint = [list(rng.uniform(-3.5, 3.5, 3)) + [0, 0, 0, 1e-4] for _ in range(400)]
    clump = [[3.0 + 0.02 * k, 1.5, 1.0, 0, 0, 0, 1.0] for k in range(3)]
    snapshot(os.path.join(folder, "clump.dat"), faint + clump)
    run_snapmap(folder, ["clump.dat", "--nmesh", "32", "--extent", "4", "--output", "clump.map", "--view", "0:0",
                         "--view", "90:0", "--view", "90:90", "--view", "180:0", "--view", "0:90"])
    fig, axes, rgb = rendered(folder, "clump.map")
    expected = [(3.0, 1.5), (3.0, 1.0), (1.5, 1.0), (3.0, -1.5), (1.5, -3.0)]
    yellow = (253, 231, 37)  # the top of viridis: the clump's cells
    for ax, (u, v), view in zip(axes, expected, ["0:0", "90:0", "90:90", "180:0", "0:90"]):
        at = where_colour(ax, rgb, yellow)
        check(at is not None, f"view {view}: the clump is not drawn")
        if at is not None:
            check(abs(at[0] - u) < 0.4 and abs(at[1] - v) < 0.4, f"view {view}: clump drawn at {at}, expected ({u}, {v})")
    # The axes say which model axis runs along them.
    check(axes[0].get_xlabel() == "x [kpc]" and axes[0].get_ylabel() == "y [kpc]", "face-on axes: " + axes[0].get_ylabel())
    check(axes[2].get_xlabel() == "y [kpc]" and axes[2].get_ylabel() == "z [kpc]", "90:90 axes: " + axes[2].get_xlabel())
    check(axes[3].get_ylabel() == "−y [kpc]", "180:0 vertical axis: " + axes[3].get_ylabel())
    check("i = 90°, PA = 90°" in axes[2].get_title(), "title of 90:90: " + axes[2].get_title())
    check(tuple(axes[1].get_xlim()) == (-4.0, 4.0), f"extent of the axes: {axes[1].get_xlim()}")
    fig.clf()


def test_receding_side_is_red(folder):
    # A disk turning counter-clockwise seen from +z recedes on the right of 90:0, and its
    # face-on panel carries the note that explains the flat map.
    records = []
    for k in range(3000):
        phi, r = 2.39996 * k, 0.3 + 1.5 * k / 3000
        records.append([r * np.cos(phi), r * np.sin(phi), 0.02 * np.sin(7.0 * k), -np.sin(phi), np.cos(phi), 0, 1e-3])
    snapshot(os.path.join(folder, "disk.dat"), records)
    run_snapmap(folder, ["disk.dat", "--kind", "3", "--nmesh", "32", "--extent", "2", "--output", "v.map", "--view",
                         "90:0", "--view", "0:0"])
    fig, axes, rgb = rendered(folder, "v.map")
    red, blue = (180, 4, 38), (59, 76, 192)  # the ends of coolwarm
    at_red, at_blue = where_colour(axes[0], rgb, red, 90), where_colour(axes[0], rgb, blue, 90)
    check(at_red is not None and at_red[0] > 0.5, f"receding (red) side at {at_red}, expected on the right")
    check(at_blue is not None and at_blue[0] < -0.5, f"approaching (blue) side at {at_blue}, expected on the left")
    texts = [t.get_text() for t in axes[1].texts]
    check(any("face-on" in t for t in texts), f"face-on velocity panel without its note: {texts}")
    check(not axes[0].texts, "the edge-on panel carries a note")
    fig.clf()


def test_command_line(folder):
    tool = [sys.executable, TOOL]
    r = subprocess.run(tool + ["clump.map", "summary.txt", "-o", "f.png", "-o", "f.pdf"], cwd=folder,
                       capture_output=True, text=True)
    check(r.returncode == 0, "writing PNG and PDF: " + r.stderr)
    for name, magic in (("f.png", b"\x89PNG"), ("f.pdf", b"%PDF")):
        path = os.path.join(folder, name)
        check(os.path.exists(path) and open(path, "rb").read(4) == magic, f"{name} is not a {magic!r} file")
    # A map file of the wrong size for its summary, and a summary without snapmap's line.
    with open(os.path.join(folder, "short.map"), "w") as f:
        f.write("1.0\n2.0\n")
    with open(os.path.join(folder, "short.txt"), "w") as f:
        f.write("x: 1 particles, mass 1; 1 map (views 0:0) of surface density, 4 x 4 cells over [-1, 1)^2, cic; "
                "wrote short.map\n")
    with open(os.path.join(folder, "empty.txt"), "w") as f:
        f.write("galvel: something else\n")
    for args, wanted in ((["short.map", "short.txt"], "expected 1 maps of 4 x 4 values (16), found 2"),
                         (["clump.map", "empty.txt"], "expected a summary line of snapmap"),
                         (["absent.map", "summary.txt"], "absent.map")):
        r = subprocess.run(tool + args, cwd=folder, capture_output=True, text=True)
        check(r.returncode == 2 and len(r.stderr.splitlines()) == 1 and wanted in r.stderr,
              f"{args}: status {r.returncode}, {r.stderr!r}")


def test_summary_lines():
    line = ("m.dat: 5 particles, mass 1, 99% within r = 1.2; 2 maps (views 60:-30.5 90:0) of line-of-sight velocity "
            "dispersion, 64 x 64 cells over [-1.3, 1.3)^2, ngp; outside the extent: 0, 1 particles; wrote a/b.map p.png")
    s = plot.parse_summary_line(line)
    check(s is not None and s["views"] == [(60.0, -30.5), (90.0, 0.0)] and s["nmesh"] == 64 and s["extent"] == 1.3
          and s["quantity"] == "dispersion" and s["wrote"] == ["a/b.map", "p.png"], f"parsed {s}")
    check(s["units"] is None, f"units of a summary without them: {s['units']}")
    check(plot.parse_summary_line("galvel: disk 5 particles") is None, "a galvel line taken for a summary")
    with_units = plot.parse_summary_line(line.replace("; wrote", "; units: length kpc, mass 1e10 Msun, velocity km/s; wrote"))
    check(with_units["units"] == ("kpc", "1e10 Msun", "km/s") and with_units["wrote"] == ["a/b.map", "p.png"],
          f"units parsed {with_units}")

    class Given:
        length_unit, mass_unit, velocity_unit = "pc", None, None

    units = plot.units_of(with_units, Given)
    check((units.length, units.mass, units.velocity) == ("pc", "1e10 Msun", "km/s"), "given units over the summary's")
    units = plot.units_of(s, Given)
    check(units.mass == "model mass unit", "unnamed units: " + units.mass)
    # snapmap --types: the colour bar says whose surface density it is.
    check(s["types"] is None, f"types of a summary without --types: {s['types']}")
    for mapped, label in (("type 0", "surface density Σ of the gas"), ("types 2,3", "surface density Σ of types 2,3")):
        typed = plot.parse_summary_line(line.replace("5 particles,", f"9 particles; mapped {mapped}: 5 particles,")
                                        .replace("line-of-sight velocity dispersion", "surface density"))
        check(typed is not None and typed["types"] == mapped and typed["views"] == s["views"], f"parsed {typed}")
        if typed:
            got = plot.colour_bar_label(typed["quantity"], plot.units_of(typed, Given), typed["types"])
            check(got.startswith(label + "\n"), f"colour bar of {mapped}: {got!r}")
    for view, axes in (((60.0, 0.0), ("x", "v = 0.5 y + 0.87 z")), ((90.0, 90.0), ("y", "z")),
                       ((180.0, 0.0), ("x", "−y")), ((30.0, 90.0), ("y", "v = −0.87 x + 0.5 z")),
                       ((90.0, 45.0), ("u = 0.71 x + 0.71 y", "z"))):
        check(plot.image_axes(*view) == axes, f"axes of {view}: {plot.image_axes(*view)}, expected {axes}")


with tempfile.TemporaryDirectory() as folder:
    test_summary_lines()
    test_clump_lands_where_the_views_put_it(folder)
    test_receding_side_is_red(folder)
    test_command_line(folder)

print(f"{len(failures)} failures" if failures else "all checks passed")
sys.exit(1 if failures else 0)
