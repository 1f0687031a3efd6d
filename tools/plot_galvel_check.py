#!/usr/bin/python3
"""Draws galvel's check table (--check-output FILE): each figure's change since t = 0
against time, relative to its value at t = 0, with the band of its noise (the noise of a
change, from the table's '# noise:' line) and the band of the check's flag (3 times it).
One panel per group: mass radii of each component, the disk's heights, the disk's
sigma_R and mean v_phi at the reference radius.

  tools/plot_galvel_check.py TABLE [-o FIGURE.png] [-o FIGURE.pdf]

The format follows each output's extension; without -o the figure is TABLE.png.
"""
import argparse
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

FLAG = 3.0  # galvel's flag: a change of more than 3 times its noise


class TableError(Exception):
    """A file that is not galvel's check table; the message is one line."""


def read_table(path):
    """(names, noise, rows): the figure names after t, their noise, and the rows (times x
    (1 + figures))."""
    names, noise, rows = None, None, []
    with open(path) as f:
        for number, line in enumerate(f, 1):
            if line.startswith("# columns:"):
                names = line.split()[2:]
            elif line.startswith("# noise:"):
                noise = [float(v) for v in line.split()[2:]]
            elif line.startswith("#") or not line.strip():
                continue
            else:
                try:
                    rows.append([float(v) for v in line.split()])
                except ValueError:
                    raise TableError(f"{path}: line {number}: expected numbers, found {line.strip()!r}")
    if not names or names[0] != "t" or noise is None or len(noise) != len(names):
        raise TableError(f"{path}: expected galvel's check table ('# columns: t ...' and '# noise: ...' lines)")
    if not rows or any(len(r) != len(names) for r in rows):
        raise TableError(f"{path}: expected rows of {len(names)} numbers")
    return names[1:], np.array(noise[1:]), np.array(rows)


def groups(names):
    """Panels: (title, [column indices]) in the order of the table."""
    panels = {}
    for i, name in enumerate(names):
        component, _, figure = name.partition("_")
        if figure.startswith("zrms"):
            title = "disk heights z_rms"
        elif figure.startswith(("sigmaR", "vphi")):
            title = "disk kinematics at the reference radius"
        else:
            title = f"{component} mass radii"
        panels.setdefault(title, []).append(i)
    return list(panels.items())


def figure(path):
    """The figure of the table (not yet written)."""
    names, noise, rows = read_table(path)
    t = rows[:, 0]
    panels = groups(names)
    fig, axes = plt.subplots(1, len(panels), figsize=(4.8 * len(panels), 4.2), squeeze=False)
    for ax, (title, columns) in zip(axes[0], panels):
        for n, i in enumerate(columns):
            v0 = rows[0, i + 1]
            if not np.isfinite(v0) or v0 == 0:
                continue
            colour = f"C{n}"
            ax.plot(t, 100.0 * (rows[:, i + 1] - v0) / abs(v0), color=colour, label=names[i].partition("_")[2])
            band = 100.0 * noise[i] / abs(v0)
            ax.fill_between(t, -band, band, color=colour, alpha=0.12, lw=0)
            ax.axhline(FLAG * band, color=colour, lw=0.6, ls=":")
            ax.axhline(-FLAG * band, color=colour, lw=0.6, ls=":")
        ax.axhline(0.0, color="grey", lw=0.5)
        ax.set(xlabel="t", ylabel="change since t = 0 (%)", title=title)
        ax.legend(fontsize="small")
    fig.suptitle("galvel --check: bands the noise of a change, dotted lines the flag (3 times it)", fontsize="small")
    fig.tight_layout()
    return fig


def draw(path, outputs):
    fig = figure(path)
    for out in outputs:
        fig.savefig(out, dpi=100)
    plt.close(fig)


def main(argv):
    parser = argparse.ArgumentParser(description="Draws galvel's --check-output table.")
    parser.add_argument("table")
    parser.add_argument("-o", dest="outputs", action="append", help="figure to write (.png, .pdf, .svg); repeatable")
    args = parser.parse_args(argv)
    try:
        draw(args.table, args.outputs or [args.table + ".png"])
    except (TableError, OSError) as e:
        print(f"plot_galvel_check.py: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
