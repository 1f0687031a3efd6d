#!/usr/bin/python3
"""galvel's gas disk in HDF5, loaded by yt and h5py.

Usage: test_galvel_gas_readers.py GALVEL

galvel gives a text disk a gas disk of 10^4 K in galactic units, once as HDF5 and once as
GADGET format 1 (the same draws). The GADGET file, parsed here record by record, is the
oracle: yt's ("PartType0", "Density"), ("PartType0", "SmoothingLength") and ("PartType0",
"InternalEnergy") and their aliases must hold its U, RHO and HSML particle for particle
(matched by ID), yt's temperature the 10^4 K galvel was given (through yt's own mean
molecular weight); h5py must see every dataset as float32 (the IDs as unsigned integers)
and the Units group of galactic units. Exit status 77 (skipped) when numpy, h5py or yt is
missing.
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

GALVEL = os.path.abspath(sys.argv[1])
N_GAS = 2000
KPC, MSUN10, KMS = 3.085678e21, 1.989e43, 1.0e5
UNIT_NAMES = ["Unit length in cgs (U_L)", "Unit mass in cgs (U_M)", "Unit time in cgs (U_t)",
              "Unit current in cgs (U_I)", "Unit temperature in cgs (U_T)"]
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def write_disk(path, n):
    """A text snapshot of an exponential disk (scale length 3 kpc, thickness 0.3 kpc) of mass
    1 (10^10 Msun), type 1, at rest: galvel gives the velocities."""
    rng = np.random.default_rng(7)
    r = rng.gamma(2.0, 3.0, n)
    phi = rng.uniform(0.0, 2.0 * np.pi, n)
    z = 0.3 * np.arctanh(rng.uniform(-0.98, 0.98, n))
    with open(path, "w") as f:
        f.write(f" {n} 0.0\n 1\n 0.1\n 0.0\n")
        for x, y, h in zip(r * np.cos(phi), r * np.sin(phi), z):
            f.write(" %.9g %.9g %.9g 0 0 0 1 %.9g\n" % (x, y, h, 1.0 / n))


def gadget_records(path):
    """The payloads of a GADGET format-1 file, in order, each marker pair checked."""
    data = open(path, "rb").read()
    records, at = [], 0
    while at < len(data):
        size = int(np.frombuffer(data, "<i4", 1, at)[0])
        check(int(np.frombuffer(data, "<i4", 1, at + 4 + size)[0]) == size, f"{path}: record markers differ at {at}")
        records.append(data[at + 4:at + 4 + size])
        at += size + 8
    return records


def gadget_gas(path):
    """{ID: (u, rho, h)} of the gas (type 0: the first npart[0] particles of every block)."""
    records = gadget_records(path)
    npart = np.frombuffer(records[0], "<i4", 6)
    mass_table = np.frombuffer(records[0], "<f8", 6, 24)
    n, n_gas = int(npart.sum()), int(npart[0])
    ids = np.frombuffer(records[3], "<u4" if len(records[3]) == 4 * n else "<u8")[:n_gas]
    after = 5 if any(npart[t] > 0 and mass_table[t] == 0 for t in range(6)) else 4
    u, rho, h = (np.frombuffer(records[after + k], "<f4") for k in range(3))
    check(len(u) == len(rho) == len(h) == n_gas, f"{path}: U, RHO, HSML of {len(u)}, {len(rho)}, {len(h)} for {n_gas} gas")
    return {int(i): (u[k], rho[k], h[k]) for k, i in enumerate(ids)}


def run_galvel(*args):
    r = subprocess.run([GALVEL, *args], capture_output=True, text=True)
    check(r.returncode == 0, f"galvel {' '.join(args)}: status {r.returncode}: {r.stderr.strip()}")


def check_yt(path, oracle):
    ds = yt.load(path)
    check(type(ds).__name__ == "GadgetHDF5Dataset", f"{path}: yt took it for {type(ds).__name__}")
    ad = ds.all_data()
    ids = ad["PartType0", "ParticleIDs"].d.astype(np.int64)
    check(len(ids) == N_GAS and set(ids.tolist()) == set(oracle), f"{path}: yt's gas IDs differ from galvel's")
    if len(ids) != N_GAS:
        return
    expected = np.array([oracle[int(i)] for i in ids], dtype=np.float64)
    for column, (field, unit) in enumerate([("InternalEnergy", "code_velocity**2"),
                                            ("Density", "code_mass/code_length**3"),
                                            ("SmoothingLength", "code_length")]):
        got = ad["PartType0", field].to(unit).d
        check(np.array_equal(got, expected[:, column]), f"{path}: yt's PartType0 {field} differs from galvel's")
    # The aliases come in cgs: back to code units within the rounding of the conversion.
    check(np.allclose(ad["gas", "density"].to("code_mass/code_length**3").d, expected[:, 1], rtol=1e-12, atol=0),
          f"{path}: yt's (gas, density) differs")
    check(np.allclose(ad["gas", "smoothing_length"].to("code_length").d, expected[:, 2], rtol=1e-12, atol=0),
          f"{path}: yt's (gas, smoothing_length) differs")
    # yt's temperature is u (gamma - 1) mu m / k_B with its own mu of an ionised primordial
    # gas from the atomic weights of H and He, and m the hydrogen atom's mass (1.00794 u);
    # galvel's 10^4 K used mu = 4 / 6.8 and the proton's mass.
    mu_yt = 1.0 / (2 * 0.76 / 1.00794 + 3 * 0.24 / 4.002602)
    temperature = ad["gas", "temperature"].to("K").d
    expected_t = 1e4 * mu_yt / (4 / 6.8) * (1.00794 * 1.66053907e-24) / 1.67262192e-24
    check(np.allclose(temperature, expected_t, rtol=1e-4),
          f"{path}: yt's temperature {temperature.min()} .. {temperature.max()} K, expected {expected_t:.1f} K")


def check_h5py(path, oracle):
    with h5py.File(path, "r") as f:
        check(list(f["Header"].attrs["NumPart_ThisFile"])[0] == N_GAS, f"{path}: NumPart_ThisFile[0]")
        for group in (g for g in f if g.startswith("PartType")):
            for name, dataset in f[group].items():
                if name == "ParticleIDs":
                    check(dataset.dtype.kind == "u", f"{path}: {group}/{name} is {dataset.dtype}")
                else:
                    check(dataset.dtype == np.float32, f"{path}: {group}/{name} is {dataset.dtype}, expected float32")
        gas = f["PartType0"]
        for name in ["InternalEnergy", "Density", "SmoothingLength", "Coordinates", "Velocities", "Masses"]:
            check(name in gas and len(gas[name]) == N_GAS, f"{path}: PartType0/{name} missing or not {N_GAS} long")
        ids = gas["ParticleIDs"][:].astype(np.int64)
        expected = np.array([oracle.get(int(i), (np.nan,) * 3) for i in ids], dtype=np.float32)
        for column, name in enumerate(["InternalEnergy", "Density", "SmoothingLength"]):
            check(np.array_equal(gas[name][:], expected[:, column]), f"{path}: PartType0/{name} differs from galvel's")
        check("Units" in f, f"{path}: no Units group")
        if "Units" in f:
            units = f["Units"].attrs
            for name in UNIT_NAMES:
                check(name in units and np.ndim(units[name]) == 0, f"{path}: Units/{name} missing or not a scalar")
            if all(name in units for name in UNIT_NAMES):
                got = [float(units[name]) for name in UNIT_NAMES]
                check(np.allclose(got, [KPC, MSUN10, KPC / KMS, 1.0, 1.0], rtol=1e-12), f"{path}: Units {got}")


with tempfile.TemporaryDirectory() as work:
    os.chdir(work)
    write_disk("disk.dat", 4000)
    gas = ["--units", "galactic", "--gas", "0.1:3", "--gas-temperature", "1e4", "--gas-particles", str(N_GAS)]
    run_galvel("disk.dat", "gas.hdf5", "--to", "hdf5", *gas)
    run_galvel("disk.dat", "gas.g1", "--to", "gadget1", *gas)
    if not failures:
        oracle = gadget_gas("gas.g1")
        u = np.array([v[0] for v in oracle.values()])
        check(np.allclose(u, 1.5 * 1.380649e-16 * 1e4 / (4 / 6.8 * 1.67262192e-24) / KMS**2, rtol=1e-5),
              f"gas.g1: U {u.min()} .. {u.max()}, expected 210.5 (km/s)^2 of 10^4 K")
        check_yt("gas.hdf5", oracle)
        check_h5py("gas.hdf5", oracle)

if failures:
    print(f"{len(failures)} check(s) failed")
    sys.exit(1)
print("all checks passed: yt and h5py read galvel's gas fields, float32, with the Units group")
