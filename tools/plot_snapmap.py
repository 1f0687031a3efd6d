#!/usr/bin/python3
"""Draws snapmap's maps as a figure for a talk or a paper: one panel per view, with axes in
the model's length unit, the view's inclination and position angle, and a colour bar with
the quantity and its unit, all views on one scale (as snapmap's own --png).

  tools/plot_snapmap.py MAPFILE SUMMARY [-o FIGURE.png] [-o FIGURE.pdf] [options]

MAPFILE is the map file snapmap wrote; SUMMARY a file holding snapmap's summary line (its
standard output; a console log of several runs will do: the line that names MAPFILE among
the files written is taken). The line gives the views, the grid and the quantity. The
figure's format follows each output's extension (.png, .pdf, .svg); without -o it is
MAPFILE.png. The units only name the axes: the maps are drawn in the model's own units.
"""
import argparse
import math
import os
import re
import sys

QUANTITIES = {
    "surface density": "density",
    "line-of-sight velocity dispersion": "dispersion",
    "mean line-of-sight velocity": "velocity",
}
DENSITY_DECADES = 4.0  # the density's colour scale, as snapmap's pictures


class MapError(Exception):
    """A map file or summary that does not fit together; the message is one line."""


def parse_summary_line(line):
    """{'views': [(i, pa), ...], 'quantity', 'nmesh', 'extent', 'wrote': [...]} of one
    summary line of snapmap, or None when the line is not one."""
    m = re.search(r"\(views ([^)]*)\) of (.+?), (\d+) x (\d+) cells over \[-([^,\]]+), ([^)\]]+)\)\^2", line)
    if not m or m.group(2) not in QUANTITIES:
        return None
    views = []
    for text in m.group(1).split():
        inclination, _, position_angle = text.partition(":")
        views.append((float(inclination), float(position_angle)))
    wrote = line.rstrip("\n").split("; wrote", 1)
    units = re.search(r"; units: length ([^,;]+), mass ([^,;]+), velocity ([^,;]+)", line)
    types = re.search(r"; mapped (types? [0-9,]+):", line)
    return {
        "units": units.groups() if units else None,
        "types": types.group(1) if types else None,
        "views": views,
        "quantity": QUANTITIES[m.group(2)],
        "nmesh": int(m.group(3)),
        "extent": float(m.group(5)),
        "wrote": wrote[1].split() if len(wrote) == 2 else [],
    }


def find_summary(summary_path, map_path):
    """The summary of the run that wrote `map_path`, from the lines of `summary_path`."""
    with open(summary_path, encoding="utf-8", errors="replace") as f:
        found = [s for s in (parse_summary_line(line) for line in f) if s]
    if not found:
        raise MapError(f"{summary_path}: expected a summary line of snapmap, found none")
    name = os.path.basename(map_path)
    named = [s for s in found if any(os.path.basename(w) == name for w in s["wrote"])]
    if named:
        return named[-1]  # the latest run that wrote it
    if len(found) == 1:
        return found[0]
    raise MapError(f"{summary_path}: {len(found)} summary lines of snapmap, none of them wrote {name}")


def read_maps(map_path, summary):
    """The maps as an array [view, v row (bottom first), u column (left first)]."""
    import numpy as np

    try:
        values = np.loadtxt(map_path, dtype=np.float64, ndmin=1)
    except (OSError, ValueError) as e:
        raise MapError(f"{map_path}: expected one number a line ({e})") from None
    n, nview = summary["nmesh"], len(summary["views"])
    if values.size != nview * n * n:
        raise MapError(f"{map_path}: expected {nview} maps of {n} x {n} values ({nview * n * n}), "
                       f"found {values.size} values")
    return values.reshape(nview, n, n)


AXIS_NAMES = {(1, 0, 0): "x", (-1, 0, 0): "−x", (0, 1, 0): "y", (0, -1, 0): "−y", (0, 0, 1): "z", (0, 0, -1): "−z"}


def image_axes(inclination, position_angle):
    """The model axes along the image's horizontal and vertical directions (e_u, e_v of
    snapmap's views), e.g. ('x', 'z') for 90:0 and ('x', 'v = 0.5 y + 0.87 z') for 60:0."""
    i, p = math.radians(inclination), math.radians(position_angle)
    e_u = (math.cos(p), math.sin(p), 0.0)
    e_v = (-math.cos(i) * math.sin(p), math.cos(i) * math.cos(p), math.sin(i))

    def name(e, symbol):
        key = tuple(int(round(c)) for c in e)
        if all(abs(c - k) < 1e-9 for c, k in zip(e, key)) and key in AXIS_NAMES:
            return AXIS_NAMES[key]
        # Another direction: written out in the model's axes, e.g. v = 0.5 y + 0.87 z.
        terms = [(c, axis) for c, axis in zip(e, "xyz") if abs(c) >= 0.005]
        text = ""
        for c, axis in terms:
            sign = "−" if c < 0 else ("+" if text else "")
            text += (f" {sign} " if text else sign) + f"{abs(c):.2g} {axis}"
        return f"{symbol} = {text}"

    return name(e_u, "u"), name(e_v, "v")


def view_title(inclination, position_angle):
    title = f"i = {inclination:g}°, PA = {position_angle:g}°"
    if inclination in (0.0, 180.0):
        return title + (" (face-on)" if inclination == 0.0 else " (face-on, from below)")
    if inclination == 90.0:
        return title + " (edge-on)"
    return title


def colour_scale(quantity, maps):
    """The matplotlib norm and colour map of all views together, and the array to draw."""
    import numpy as np
    from matplotlib import colors

    top = float(np.max(np.abs(maps))) if maps.size else 0.0
    if quantity == "density":
        if not top > 0.0:
            return colors.Normalize(0.0, 1.0), "viridis", maps
        floor = top * 10.0 ** -DENSITY_DECADES
        # Empty cells and cells below the floor take the darkest colour.
        return colors.LogNorm(floor, top), "viridis", np.maximum(maps, floor)
    # A kinematic map holds exactly 0 in a cell without mass: those cells are left blank,
    # so that the model's outline is not taken for a region at rest or without dispersion.
    blank = np.ma.masked_equal(maps, 0.0)
    scale = top if top > 0.0 else 1.0
    if quantity == "dispersion":
        return colors.Normalize(0.0, scale), "viridis", blank
    return colors.Normalize(-scale, scale), "coolwarm", blank


def colour_bar_label(quantity, units, types=None):
    """The quantity and its unit; with snapmap --types, which particles it is of (type 0
    is the gas of galvel's models)."""
    of = "" if not types else " of the gas" if types == "type 0" else f" of {types}"
    if quantity == "density":
        return f"surface density Σ{of}\n[{units.mass} / ({units.length})²]"
    if quantity == "dispersion":
        return f"line-of-sight velocity dispersion σ{of}\n[{units.velocity}]"
    return f"mean line-of-sight velocity v̄{of} (> 0 receding)\n[{units.velocity}]"


def flat_note(quantity, view, panel, top):
    """A line for a panel a reader would take for a broken one: face-on, a disk's rotation
    lies in the plane of the sky and the mean velocity shows only vertical motions, which
    average out; a map at rest is flat in any view."""
    if quantity != "velocity":
        return None
    import numpy as np

    if view[0] in (0.0, 180.0):
        return "face-on: the rotation lies in the sky plane,\nv̄ shows only vertical motions"
    if top <= 0.0 or float(np.max(np.abs(panel))) < 0.02 * top:
        return "no mean motion along the line of sight"
    return None


def make_figure(maps, summary, units, title=None):
    """The figure: the views side by side, one colour bar. Returns (figure, panel axes)."""
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    import numpy as np

    views, extent, quantity = summary["views"], summary["extent"], summary["quantity"]
    nview = len(views)
    fig, axes = plt.subplots(1, nview, figsize=(3.3 * nview + 1.4, 3.9), squeeze=False, layout="constrained")
    axes = list(axes[0])
    norm, cmap, drawn = colour_scale(quantity, maps)
    top = float(np.max(np.abs(maps))) if maps.size else 0.0
    image = None
    for k, (ax, view) in enumerate(zip(axes, views)):
        # Row 0 of a map is its bottom row (v increasing upwards).
        image = ax.imshow(drawn[k], origin="lower", extent=(-extent, extent, -extent, extent), norm=norm, cmap=cmap,
                          interpolation="nearest")
        horizontal, vertical = image_axes(*view)
        ax.set_xlabel(f"{horizontal} [{units.length}]")
        ax.set_ylabel(f"{vertical} [{units.length}]")
        ax.set_title(view_title(*view), fontsize=10)
        note = flat_note(quantity, view, maps[k], top)
        if note:
            ax.text(0.5, 0.06, note, transform=ax.transAxes, ha="center", va="bottom", fontsize=8,
                    bbox=dict(boxstyle="round", facecolor="white", alpha=0.8, lw=0))
    if image is not None:
        bar = fig.colorbar(image, ax=axes, shrink=0.9, pad=0.02)
        bar.set_label(colour_bar_label(quantity, units, summary.get("types")))
    if title:
        fig.suptitle(title)
    return fig, axes


def units_of(summary, args):
    """The unit names of the axes and the colour bar: those given, else the summary's (when
    the model file said what its units are), else the model's own units unnamed."""
    known = summary.get("units") or ("model length unit", "model mass unit", "model velocity unit")

    class Units:
        length = args.length_unit or known[0]
        mass = args.mass_unit or known[1]
        velocity = args.velocity_unit or known[2]

    return Units


def main(argv):
    parser = argparse.ArgumentParser(prog="plot_snapmap.py", description=__doc__.split("\n\n")[0])
    parser.add_argument("map_file", metavar="MAPFILE")
    parser.add_argument("summary", metavar="SUMMARY")
    parser.add_argument("-o", "--output", action="append", default=[],
                        help="figure to write (.png, .pdf, .svg); repeat for several (default MAPFILE.png)")
    parser.add_argument("--length-unit", help="name of the model's length unit, e.g. kpc (default: the summary's "
                        "units when the model gave them, else 'model length unit')")
    parser.add_argument("--mass-unit", help="e.g. '10$^{10}$ M$_\\odot$'")
    parser.add_argument("--velocity-unit", help="e.g. km/s")
    parser.add_argument("--title", help="a title above the panels")
    parser.add_argument("--dpi", type=float, default=150.0, help="pixels per inch of PNG output (default 150)")
    a = parser.parse_args(argv)

    try:
        summary = find_summary(a.summary, a.map_file)
        maps = read_maps(a.map_file, summary)
    except OSError as e:
        print(f"plot_snapmap.py: {e.filename}: {e.strerror}", file=sys.stderr)
        return 2
    except MapError as e:
        print(f"plot_snapmap.py: {e}", file=sys.stderr)
        return 2
    fig, _ = make_figure(maps, summary, units_of(summary, a), a.title)
    for out in a.output or [a.map_file + ".png"]:
        try:
            fig.savefig(out, dpi=a.dpi)
        except (OSError, ValueError) as e:
            print(f"plot_snapmap.py: {out}: cannot write the figure ({e})", file=sys.stderr)
            return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
