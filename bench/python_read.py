#!/usr/bin/python3
"""Read speed of the Python module galtk against h5py on the same HDF5 file.

usage: PYTHONPATH=<build>/python bench/python_read.py [N] [REPEATS]

Writes an HDF5 model of N particles (default 10^7, one type) with galtk.write, then reads it
REPEATS times (default 5) with galtk.read and with h5py reading the same four datasets
(Coordinates, Velocities, Masses, ParticleIDs) into numpy arrays; prints the median and the
spread of each and their ratio. The page cache is warm for both (the file was just written).
"""
import os
import statistics
import sys
import tempfile
import time

import h5py
import numpy as np

import galtk

n = int(float(sys.argv[1])) if len(sys.argv) > 1 else 10_000_000
repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 5

with tempfile.TemporaryDirectory() as work:
    path = os.path.join(work, "model.hdf5")
    rng = np.random.default_rng(1)
    pos = rng.standard_normal((n, 3), dtype=np.float32)
    galtk.write(path, pos=pos, vel=pos * 0.5, mass=np.full(n, 1.0 / n, dtype=np.float32), format="hdf5")
    del pos

    def with_galtk():
        m = galtk.read(path)
        return m.pos[0, 0]

    def with_h5py():
        with h5py.File(path, "r") as f:
            g = f["PartType1"]
            arrays = [g[name][...] for name in ("Coordinates", "Velocities", "Masses", "ParticleIDs")]
        return arrays[0][0, 0]

    for name, read in (("galtk.read", with_galtk), ("h5py", with_h5py)):
        times = []
        for _ in range(repeats):
            t0 = time.perf_counter()
            read()
            times.append(time.perf_counter() - t0)
        print(f"{name:11s} {n} particles: median {statistics.median(times):.3f} s "
              f"(min {min(times):.3f}, max {max(times):.3f}, {repeats} runs)")
        if name == "galtk.read":
            ours = statistics.median(times)
        else:
            print(f"galtk.read / h5py: {ours / statistics.median(times):.2f}")
