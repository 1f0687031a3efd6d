#!/usr/bin/python3
"""Plots galvel's profile table (--profile FILE): the rotation curve with the
contribution of each component, the three velocity dispersions with the mean rotation,
and Toomre's Q; with a gas disk (a '# gas:' section) a fourth panel of the gas's
half-mass height and, on a second axis, its rotation against the circular speed.

  tools/plot_galvel_profile.py PROFILE [PICTURE.png]

Without PICTURE the figure is written next to the table as PROFILE.png.
"""
import re
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np


def read_sections(path):
    """{section name: {column: array}} of the table's '#'-headed sections."""
    sections, name, columns, rows = {}, None, [], []
    with open(path) as f:
        for line in f:
            if line.startswith("#"):
                if name:
                    sections[name] = dict(zip(columns, np.array(rows).T))
                words = line[1:].split()
                name, columns, rows = words[0].rstrip(":"), words[1:], []
            elif line.strip():
                rows.append([float(v) for v in line.split()])
    if name:
        sections[name] = dict(zip(columns, np.array(rows).T))
    return sections


def read_units(path):
    """(length, velocity) unit names from the table's '# units:' line (galvel writes it when
    the model has units), or None."""
    with open(path) as f:
        for line in f:
            m = re.match(r"# units: length ([^,]+), mass [^,]+, velocity ([^,]+),", line)
            if m:
                return m.groups()
    return None


def main(profile, picture):
    s = read_sections(profile)
    disk = s["disk"]
    R = disk["R"]
    units = read_units(profile)
    # Axis labels with the unit where the table names it.
    length = f" [{units[0]}]" if units else ""
    speed = f" [{units[1]}]" if units else ""
    gas = s.get("gas")
    panels = 4 if gas else 3
    fig, axes = plt.subplots(1, panels, figsize=(5 * panels, 4.5))
    ax_vc, ax_sigma, ax_q = axes[:3]
    ax_vc.plot(R, disk["vc"], "k", lw=2, label="total")
    for column, label in (("vc_disk", "disk population"), ("vc_bulge", "bulge"), ("vc_halo", "halo")):
        if np.any(disk[column] != 0):
            ax_vc.plot(R, disk[column], label=label)
    ax_vc.plot(R, disk["mean_vphi"], "k--", label="mean $v_\\phi$")
    ax_vc.set(xlabel="R" + length, ylabel="circular speed" + speed, title="rotation curve")
    ax_vc.legend()
    for column, label in (("sigma_R", "$\\sigma_R$"), ("sigma_phi", "$\\sigma_\\phi$"), ("sigma_z", "$\\sigma_z$")):
        ax_sigma.plot(R, disk[column], label=label)
    for name in ("bulge", "halo"):
        if name in s:
            inside = s[name]["r"] <= R[-1]
            ax_sigma.plot(s[name]["r"][inside], s[name]["sigma"][inside], ":", label=f"$\\sigma$ {name} (r)")
    ax_sigma.set(xlabel="R" + length, ylabel="dispersion" + speed, title="velocity dispersions")
    ax_sigma.legend()
    ax_q.plot(R, disk["Q"], "k")
    ax_q.axhline(1.0, color="grey", lw=0.5)
    ax_q.set(xlabel="R" + length, ylabel="Q", title="Toomre Q", ylim=(0, min(10.0, 1.2 * np.nanmax(disk["Q"]))))
    if gas:
        ax_h = axes[3]
        ax_h.plot(gas["R"], gas["half_height"], "C0", label="half-mass height")
        ax_h.set(xlabel="R" + length, ylabel="gas half-mass height |z|" + length, title="gas disk", yscale="log")
        ax_v = ax_h.twinx()
        ax_v.plot(gas["R"], gas["vc"], "k", lw=1, label="$v_c$")
        ax_v.plot(gas["R"], gas["vphi"], "C3--", label="gas $v_\\phi$")
        ax_v.set(ylabel="speed" + speed)
        lines = ax_h.get_lines() + ax_v.get_lines()
        # Lower right: the heights rise to the upper right, the speeds run along the top.
        ax_h.legend(lines, [line.get_label() for line in lines], loc="lower right")
    fig.tight_layout()
    fig.savefig(picture, dpi=100)


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2] if len(sys.argv) == 3 else sys.argv[1] + ".png")
