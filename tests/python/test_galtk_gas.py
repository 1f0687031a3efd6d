"""The gas fields in the Python module galtk (pytest), against galvel's and snapconv's files.

Environment as test_galtk_python.py: PYTHONPATH holds the build's python/ folder, GALTK_BUILD
the build folder, GALTK_EXAMPLES the examples folder. galvel gives diskgen's disk a gas disk
of 10^4 K in galactic units; the gas must come back from galtk.read index for index with its
particles (the smoothing length is the distance that holds 64 gas particles, the internal
energy that of 10^4 K), and galtk.write must give galvel's and snapconv's bytes in every
binary format.
"""
import os
import shutil
import subprocess

import numpy as np
import pytest

import galtk

BUILD = os.environ["GALTK_BUILD"]
EXAMPLES = os.environ["GALTK_EXAMPLES"]
BINARY_FORMATS = ["gadget1", "gadget2", "hdf5", "tipsy"]
N_GAS = 1500
NEIGHBOURS = 32


def program(name):
    return os.path.join(BUILD, name, name)


def run(*args, cwd=None):
    return subprocess.run([str(a) for a in args], cwd=cwd, check=True, capture_output=True, text=True)


def same_bytes(a, b):
    with open(a, "rb") as fa, open(b, "rb") as fb:
        return fa.read() == fb.read()


@pytest.fixture(scope="module")
def galvel_files(tmp_path_factory):
    """galvel's model with gas as GADGET format 1 (no units: the file does not say them) and
    as HDF5 (a Units group and the analytic halo's note), and snapconv's conversions of the
    GADGET file to every binary format."""
    work = tmp_path_factory.mktemp("gas")
    for f in os.listdir(os.path.join(EXAMPLES, "barred_spiral")):
        shutil.copy(os.path.join(EXAMPLES, "barred_spiral", f), work)
    run(program("mkcomponents"), cwd=work)
    run(program("diskgen"), cwd=work)
    gas = ["--gas", "0.2:3", "--gas-temperature", "1e4", "--gas-particles", str(N_GAS),
           "--gas-neighbours", str(NEIGHBOURS), "--units", "galactic"]
    run(program("galvel"), "sip2.dat", "galvel.g1", "--to", "gadget1", *gas, cwd=work)
    run(program("galvel"), "sip2.dat", "galvel.hdf5", "--to", "hdf5", "--halo", "hernquist:5:10", *gas, cwd=work)
    converted = {}
    for fmt in BINARY_FORMATS:
        converted[fmt] = work / f"snapconv.{fmt}"
        run(program("snapconv"), work / "galvel.g1", converted[fmt], "--to", fmt)
    return work, converted


def test_read_gives_the_gas_fields_of_the_gas_particles(galvel_files):
    work, _ = galvel_files
    model = galtk.read(work / "galvel.g1")
    gas = model.type == 0
    assert gas.sum() == N_GAS
    for name in galtk.GAS_FIELDS:
        field = getattr(model, name)
        assert field.dtype == np.float32 and field.shape == (len(model),), name
        assert np.all(field[gas] > 0) and np.all(field[~gas] == 0), name
        assert not field.flags.owndata, name  # a view of the reader's buffer
    # u = (3/2) k_B T / (mu m_p) of an ionised primordial gas, mu = 4/6.8, in (km/s)^2.
    u = 1.5 * 1.380649e-16 * 1e4 / (4 / 6.8 * 1.67262192e-24) / 1e10
    assert np.allclose(model.internal_energy[gas], u, rtol=1e-5)
    # Each gas particle's h reaches its NEIGHBOURS-th nearest gas particle (itself counted):
    # a field shifted against the positions would not.
    pos = model.pos[gas].astype(np.float64)
    h = model.smoothing_length[gas]
    for i in range(0, N_GAS, 97):
        d = np.sort(np.linalg.norm(pos - pos[i], axis=1))
        assert h[i] == pytest.approx(d[NEIGHBOURS - 1], rel=1e-5), i


def test_a_model_without_gas_has_none(galvel_files, tmp_path):
    work, _ = galvel_files
    model = galtk.read(work / "sip2.dat")
    assert model.internal_energy is None and model.density is None and model.smoothing_length is None
    galtk.write(tmp_path / "m.g1", model, format="gadget1")
    again = galtk.read(tmp_path / "m.g1")
    assert again.internal_energy is None


@pytest.mark.parametrize("fmt", BINARY_FORMATS)
def test_gas_round_trips_give_snapconvs_bytes(galvel_files, tmp_path, fmt):
    work, converted = galvel_files
    # galvel's file read and written in this format: snapconv's conversion of it.
    galtk.write(tmp_path / "from_galvel", galtk.read(work / "galvel.g1"), format=fmt)
    assert same_bytes(tmp_path / "from_galvel", converted[fmt])
    # snapconv's file read and written again in its own format: the same bytes.
    model = galtk.read(converted[fmt])
    assert model.internal_energy is not None
    galtk.write(tmp_path / "again", model, format=fmt)
    assert same_bytes(tmp_path / "again", converted[fmt])


def test_galvels_hdf5_comes_back_byte_for_byte(galvel_files, tmp_path):
    # The Units group and the note of the analytic halo travel in the header.
    work, _ = galvel_files
    model = galtk.read(work / "galvel.hdf5")
    assert model.header["units"]["length_cgs"] == pytest.approx(3.085678e21)
    assert model.header["analytic_halo"]["kind"] == "hernquist"
    assert model.header["analytic_halo"]["G"] == pytest.approx(43007.1)
    galtk.write(tmp_path / "again.hdf5", model, format="hdf5")
    assert same_bytes(tmp_path / "again.hdf5", work / "galvel.hdf5")


def test_gas_given_by_name(tmp_path):
    n = 6
    types = np.array([0, 0, 0, 2, 2, 3])
    gas = types == 0
    u = np.where(gas, [100.0, 200.0, 300.0, 0, 0, 0], 0.0)
    rho = np.where(gas, 0.5, 0.0)
    h = np.where(gas, [0.1, 0.2, 0.3, 0, 0, 0], 0.0)
    pos = np.arange(3 * n, dtype=np.float32).reshape(n, 3)
    for fmt in ["gadget1", "gadget2", "hdf5"]:
        path = tmp_path / f"m.{fmt}"
        galtk.write(path, pos=pos, mass=np.full(n, 0.25), type=types, format=fmt,
                    internal_energy=u, density=rho, smoothing_length=h)
        back = galtk.read(path)
        assert np.array_equal(back.type, types), fmt  # gas first already: the file's order
        assert np.array_equal(back.internal_energy, u.astype(np.float32)), fmt
        assert np.array_equal(back.density, rho.astype(np.float32)), fmt
        assert np.array_equal(back.smoothing_length, h.astype(np.float32)), fmt
    # tipsy holds a temperature: u comes back within a few units in the last place.
    galtk.write(tmp_path / "m.tipsy", pos=pos, mass=np.full(n, 0.25), type=types, format="tipsy",
                internal_energy=u, density=rho, smoothing_length=h)
    back = galtk.read(tmp_path / "m.tipsy")
    assert np.allclose(back.internal_energy[back.type == 0], [100, 200, 300], rtol=1e-6)
    # In a velocity unit of 10 km/s the same temperatures are a hundredth of the energy.
    ten = "3.085678e21,1.989e43,3.085678e15"
    cold = galtk.read(tmp_path / "m.tipsy", units=ten)
    assert np.allclose(cold.internal_energy[cold.type == 0], [1, 2, 3], rtol=1e-6)
    galtk.write(tmp_path / "ten.tipsy", cold, format="tipsy", units=ten)
    assert (tmp_path / "ten.tipsy").read_bytes() == (tmp_path / "m.tipsy").read_bytes()
    # The model's gas fields are written unless others are given by name.
    galtk.write(tmp_path / "hot.g2", back, format="gadget2", internal_energy=np.where(back.type == 0, 7.0, 0.0))
    assert np.array_equal(galtk.read(tmp_path / "hot.g2").internal_energy[:3], [7, 7, 7])


def test_refused_gas_fields_raise_the_librarys_message(tmp_path):
    out = tmp_path / "gas.g2"
    n = 4
    args = dict(pos=np.ones((n, 3)), mass=np.ones(n), type=np.array([0, 0, 1, 1]), format="gadget2")
    good = dict(internal_energy=np.ones(n), density=np.ones(n), smoothing_length=np.ones(n))
    galtk.write(out, **args, **good)
    before = out.read_bytes()
    refusals = [
        (dict(good, density=np.ones(n - 1)), "gas fields of 4 internal energies, 3 densities and 4 smoothing lengths"),
        (dict(internal_energy=np.ones(n)), "gas fields of 4 internal energies, 0 densities and 0 smoothing lengths"),
        (dict(good, smoothing_length=np.array([1.0, np.inf, 1.0, 1.0])), "particle 1 (0-based): smoothing length is not finite"),
        (dict(good, internal_energy=np.array([1.0, 1.0, np.nan, 1.0])), "particle 2 (0-based): internal energy is not finite"),
    ]
    for fields, message in refusals:
        with pytest.raises(galtk.FormatError) as refused:
            galtk.write(out, **args, **fields)
        assert message in str(refused.value) and "\n" not in str(refused.value)
        assert "gas.g2" in str(refused.value) and refused.value.status == 1
        assert out.read_bytes() == before
    with pytest.raises(galtk.FormatError, match="gas fields"):
        galtk.write(tmp_path / "gas.dat", **dict(args, format="text"), **good)
    with_gas = galtk.read(out)
    galtk.write(tmp_path / "gas.dat", with_gas, format="text", drop_gas=True)
    assert galtk.read(tmp_path / "gas.dat").internal_energy is None
    os.remove(tmp_path / "gas.dat")
    with pytest.raises(ValueError, match="density: expected a one-dimensional array"):
        galtk.write(out, **args, **dict(good, density=np.ones((n, 1))))
    assert sorted(os.listdir(tmp_path)) == ["gas.g2"]
