#!/usr/bin/python3
"""Files written by snapconv, loaded by the readers of the Python ecosystem.

Usage: test_snapconv_readers.py SNAPCONV

A text model of several particle types (per-particle masses, interleaved types) is
converted to GADGET format 1 and 2, HDF5 and tipsy. yt must recognise each file as
GADGET or tipsy and give the particle counts per type, the total mass and every position
of the text model; h5py must find every header attribute that GADGET-4, AREPO or SWIFT
requires, with its shape, and a Masses dataset for every type. Exit status 77 (skipped)
when numpy, h5py or yt is missing.
"""
import os
import subprocess
import sys
import tempfile

try:
    import numpy as np
    import h5py
    import yt
except ImportError as missing:
    print(f"skipped: {missing} (Debian python3-h5py and python3-yt provide it)")
    sys.exit(77)

yt.set_log_level(40)

SNAPCONV = sys.argv[1]
GADGET_NAMES = ["Gas", "Halo", "Disk", "Bulge", "Stars", "Bndry"]
VECTOR_ATTRIBUTES = ["NumPart_ThisFile", "NumPart_Total", "NumPart_Total_HighWord", "MassTable"]
SCALAR_ATTRIBUTES = ["Time", "Redshift", "BoxSize", "NumFilesPerSnapshot", "Omega0", "OmegaLambda",
                     "HubbleParam", "Flag_Sfr", "Flag_Cooling", "Flag_StellarAge", "Flag_Metals",
                     "Flag_Feedback", "Flag_DoublePrecision", "Flag_Entropy_ICs"]
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def write_model(path, n):
    """A text snapshot: types 1, 2, 3 and 4 interleaved, 8 items a record."""
    rng = np.random.default_rng(5)
    pos = rng.normal(0.0, 3.0, (n, 3)).astype(np.float32)
    vel = rng.normal(0.0, 100.0, (n, 3)).astype(np.float32)
    mass = rng.uniform(1e-6, 1e-4, n).astype(np.float32)
    types = np.array([[1, 2, 1, 3, 4, 1, 2][i % 7] for i in range(n)])
    with open(path, "w") as f:
        f.write(f" {n} 0.0\n 4\n 5*0.05\n 5*0.0\n")
        for p, v, t, m in zip(pos, vel, types, mass):
            f.write(" %.9g %.9g %.9g %.9g %.9g %.9g %d %.9g\n" % (*p, *v, t, m))
    return pos, types, mass


def sorted_rows(a):
    a = np.asarray(a, dtype=np.float64)
    return a[np.lexsort(a.T[::-1])]


def run(*args):
    r = subprocess.run([SNAPCONV, *args], capture_output=True, text=True)
    check(r.returncode == 0, f"snapconv {' '.join(args)}: status {r.returncode}: {r.stderr.strip()}")


def check_yt(path, kind, pos, types, mass):
    ds = yt.load(path)
    expected_class = {"gadget": "GadgetDataset", "hdf5": "GadgetHDF5Dataset", "tipsy": "TipsyDataset"}[kind]
    check(type(ds).__name__ == expected_class, f"{path}: yt took it for {type(ds).__name__}")
    ad = ds.all_data()
    present = {f[0] for f in ds.field_list}
    if kind == "tipsy":
        groups = {"DarkMatter": np.ones(len(types), bool)}
    else:
        names = GADGET_NAMES if kind == "gadget" else [f"PartType{t}" for t in range(6)]
        groups = {names[t]: types == t for t in range(6) if (types == t).any()}
    total = 0.0
    for name, selected in groups.items():
        check(name in present, f"{path}: yt sees no particle type {name}")
        if name not in present:
            continue
        got = ad[name, "particle_position"].to("code_length").d
        check(len(got) == selected.sum(), f"{path}: {name} holds {len(got)} particles, expected {selected.sum()}")
        if len(got) == selected.sum():
            same = np.array_equal(sorted_rows(got.astype(np.float32)), sorted_rows(pos[selected]))
            check(same, f"{path}: {name} positions differ from the text model")
        total += ad[name, "particle_mass"].to("code_mass").d.sum()
    check(np.isclose(total, mass.astype(np.float64).sum(), rtol=1e-6),
          f"{path}: total mass {total}, expected {mass.astype(np.float64).sum()}")


def check_h5py(path, types, mass):
    with h5py.File(path, "r") as f:
        header = f["Header"].attrs
        for name in VECTOR_ATTRIBUTES:
            check(name in header and header[name].shape == (6,), f"{path}: Header/{name} missing or not 6 values")
        for name in SCALAR_ATTRIBUTES:
            check(name in header and np.ndim(header[name]) == 0, f"{path}: Header/{name} missing or not a scalar")
        check(np.all(header["MassTable"] == 0), f"{path}: MassTable not zero")
        check(header["NumFilesPerSnapshot"] == 1, f"{path}: NumFilesPerSnapshot != 1")
        counts = [int((types == t).sum()) for t in range(6)]
        check(list(header["NumPart_ThisFile"]) == counts, f"{path}: NumPart_ThisFile {list(header['NumPart_ThisFile'])}")
        check(list(header["NumPart_Total"]) == counts, f"{path}: NumPart_Total {list(header['NumPart_Total'])}")
        ids = []
        for t in range(6):
            group = f"PartType{t}"
            check((group in f) == (counts[t] > 0), f"{path}: {group} present {group in f}, count {counts[t]}")
            if counts[t] == 0:
                continue
            for name, shape in [("Coordinates", (counts[t], 3)), ("Velocities", (counts[t], 3)),
                                ("ParticleIDs", (counts[t],)), ("Masses", (counts[t],))]:
                check(f[group][name].shape == shape, f"{path}: {group}/{name} shape {f[group][name].shape}")
            check(np.array_equal(np.sort(f[group]["Masses"][:]), np.sort(mass[types == t])),
                  f"{path}: {group}/Masses differ")
            ids.append(f[group]["ParticleIDs"][:])
        ids = np.sort(np.concatenate(ids))
        check(np.array_equal(ids, np.arange(1, len(types) + 1)), f"{path}: IDs are not unique 1..N")
        if "Units" in f:
            for name in ["Unit length in cgs (U_L)", "Unit mass in cgs (U_M)", "Unit time in cgs (U_t)",
                         "Unit current in cgs (U_I)", "Unit temperature in cgs (U_T)"]:
                check(name in f["Units"].attrs, f"{path}: Units/{name} missing")


with tempfile.TemporaryDirectory() as work:
    os.chdir(work)
    pos, types, mass = write_model("model.dat", 2000)
    for fmt in ["gadget1", "gadget2", "hdf5", "tipsy"]:
        run("model.dat", f"m.{fmt}", "--to", fmt)
    check_yt("m.gadget1", "gadget", pos, types, mass)
    check_yt("m.gadget2", "gadget", pos, types, mass)
    check_yt("m.hdf5", "hdf5", pos, types, mass)
    check_yt("m.tipsy", "tipsy", pos, types, mass)
    check_h5py("m.hdf5", types, mass)
    # SWIFT's form: the box and the shift into [0, L), the Units group.
    run("model.dat", "swift.hdf5", "--box", "1000", "--units", "galactic")
    check_h5py("swift.hdf5", types, mass)
    with h5py.File("swift.hdf5", "r") as f:
        check(f["Header"].attrs["BoxSize"] == 1000.0, "swift.hdf5: BoxSize")
        inside = all(((f[g]["Coordinates"][:] >= 0) & (f[g]["Coordinates"][:] < 1000)).all()
                     for g in f if g.startswith("PartType"))
        check(inside, "swift.hdf5: coordinates outside [0, BoxSize)")
    # Our files carry the 1.8 format (superblock version 2, checksummed headers).
    with open("m.hdf5", "rb") as f:
        check(f.read(9)[8] == 2, "m.hdf5: superblock version is not 2")

    # A file of h5py's, compressed with shuffle + gzip as its users write one: constant
    # masses and zero velocities, stored nearly 1000 times smaller than their values.
    n = 100000
    with h5py.File("zipped.hdf5", "w") as f:
        f.create_group("Header").attrs["NumPart_ThisFile"] = np.array([0, n, 0, 0, 0, 0], dtype=np.int32)
        g = f.create_group("PartType1")
        rng = np.random.default_rng(5)
        opts = dict(compression="gzip", compression_opts=9, shuffle=True, chunks=(n // 2, 3))
        g.create_dataset("Coordinates", data=rng.normal(size=(n, 3)).astype(np.float32), **opts)
        g.create_dataset("Velocities", data=np.zeros((n, 3), np.float32), **opts)
        opts["chunks"] = (n // 2,)
        g.create_dataset("ParticleIDs", data=np.arange(1, n + 1, dtype=np.uint32), **opts)
        g.create_dataset("Masses", data=np.full(n, 0.25, np.float32), **opts)
    run("zipped.hdf5", "zipped.dat", "--to", "text")
    with open("zipped.dat") as f:
        check(int(f.readline().split()[0]) == n, "zipped.dat: not every particle of the compressed file")

if failures:
    print(f"{len(failures)} check(s) failed")
    sys.exit(1)
print("all checks passed: yt loads gadget1, gadget2, hdf5 and tipsy; h5py finds every header attribute")
