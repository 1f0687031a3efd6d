#!/usr/bin/python3
"""galvel's rotation curves against independent references.

  galvel_checks.py GALVEL halo      the analytic halo's circular speed (profile column
                                   vc_halo) against galpy's Hernquist and NFW potentials,
                                   1e-4 relative
  galvel_checks.py GALVEL freeman   a 10^6-particle thin exponential disk: the disk's
                                   circular speed against Freeman's formula with scipy's
                                   Bessel functions, within 2% for 1 to 5 scale lengths

Each check writes a text snapshot in a temporary folder, runs galvel with --profile and
reads the table back. Exit status 0 when every comparison holds.
"""
import os
import subprocess
import sys
import tempfile

import numpy as np


def write_text_snapshot(path, pos, mass, softening):
    """The toolkit's text snapshot: ntot thead / ncomp / softening / type masses /
    x y z vx vy vz type mass, every particle type 1 with its own mass."""
    n = len(mass)
    with open(path, "w") as f:
        f.write(f" {n} 0.0\n 4\n")
        f.write(" " + " ".join([repr(float(softening))] * 5) + "\n")
        f.write(" 0.0 0.0 0.0 0.0 0.0\n")
        table = np.column_stack([pos, np.zeros((n, 3)), np.ones(n), mass])
        np.savetxt(f, table, fmt=["%.9g"] * 6 + ["%d", "%.9g"])


def run_profile(galvel, folder, args):
    profile = os.path.join(folder, "profile.txt")
    out = os.path.join(folder, "out.dat")
    subprocess.run([galvel, os.path.join(folder, "in.dat"), out, "--profile", profile] + args,
                   check=True, stdout=subprocess.DEVNULL)
    rows = []
    with open(profile) as f:
        header = f.readline().split()[2:]
        for line in f:
            if line.startswith("#"):
                break
            rows.append([float(v) for v in line.split()])
    return {name: np.array(col) for name, col in zip(header, np.array(rows).T)}


def halo_check(galvel):
    from galpy.potential import HernquistPotential, NFWPotential
    G = 2.5
    failures = 0
    # A disk of negligible mass: the table's radii only.
    rng = np.random.default_rng(3)
    n = 2000
    R = rng.exponential(1.0, n) + 0.01
    phi = rng.uniform(0, 2 * np.pi, n)
    pos = np.column_stack([R * np.cos(phi), R * np.sin(phi), 0.01 * rng.standard_normal(n)])
    with tempfile.TemporaryDirectory() as folder:
        write_text_snapshot(os.path.join(folder, "in.dat"), pos, np.full(n, 1e-12), 0.01)
        M, a = 7.0, 3.0
        M200, r200, c = 50.0, 40.0, 8.0
        fc = np.log1p(c) - c / (1 + c)
        cases = [
            ("hernquist", f"hernquist:{M}:{a}", HernquistPotential(amp=2 * M, a=a)),  # galpy: mass = amp / 2
            ("nfw", f"nfw:{M200}:{r200}:{c}", NFWPotential(amp=M200 / fc, a=r200 / c)),
        ]
        for name, option, potential in cases:
            table = run_profile(galvel, folder, ["--halo", option, "--G", str(G)])
            radius = table["R"]
            ours = table["vc_halo"] / np.sqrt(G)
            theirs = np.array([potential.vcirc(r) for r in radius])
            worst = np.max(np.abs(ours / theirs - 1))
            print(f"{name}: {len(radius)} radii {radius[0]:.3g}..{radius[-1]:.3g}, "
                  f"largest relative difference from galpy {worst:.2e}")
            failures += worst > 1e-4
    return failures


def freeman_check(galvel):
    from scipy.special import i0, i1, k0, k1
    h, z0, eps, n = 1.0, 0.01, 0.01, 1_000_000
    rng = np.random.default_rng(12345)
    R = rng.gamma(2.0, h, 2 * n)          # surface density exp(-R/h): radii R e^{-R/h}
    R = R[R < 15 * h][:n]
    phi = rng.uniform(0, 2 * np.pi, n)
    z = z0 * np.arctanh(rng.uniform(-1, 1, n))   # sech^2(z / z0)
    pos = np.column_stack([R * np.cos(phi), R * np.sin(phi), z])
    with tempfile.TemporaryDirectory() as folder:
        write_text_snapshot(os.path.join(folder, "in.dat"), pos, np.full(n, 1.0 / n), eps)
        table = run_profile(galvel, folder, ["--scale-length", "1"])
    radius = table["R"]
    inside = (radius >= 1.0) & (radius <= 5.0)
    y = radius[inside] / (2 * h)
    sigma0 = 1.0 / (2 * np.pi * h * h)
    freeman = np.sqrt(4 * np.pi * sigma0 * h * y * y * (i0(y) * k0(y) - i1(y) * k1(y)))
    relative = table["vc_disk"][inside] / freeman - 1
    worst = np.max(np.abs(relative))
    print(f"freeman: {inside.sum()} radii 1..5 h, largest relative difference {worst:.2e} "
          f"(mean {np.mean(relative):.2e})")
    return int(worst > 0.02)


if __name__ == "__main__":
    galvel, which = sys.argv[1], sys.argv[2]
    failures = {"halo": halo_check, "freeman": freeman_check}[which](galvel)
    sys.exit(1 if failures else 0)
