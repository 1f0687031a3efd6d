"""The Python module galtk against the toolkit's programs (pytest).

Environment: PYTHONPATH holds the build's python/ folder, GALTK_BUILD the build folder (the
programs are <build>/<program>/<program>), GALTK_EXAMPLES the examples folder.
A disk made by mkcomponents and diskgen, converted by snapconv to every format, must come
back from galtk.write byte for byte; errors arrive as galtk.FormatError with the library's
one-line message; large arrays are views of the reader's buffers.
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


def program(name):
    return os.path.join(BUILD, name, name)


def run(*args, cwd=None):
    return subprocess.run(list(args), cwd=cwd, check=True, capture_output=True, text=True)


@pytest.fixture(scope="module")
def disk(tmp_path_factory):
    """diskgen's disk snapshot sip2.dat (a text model of several thousand particles), with
    two particles made type 2 and 3 through snapconv's type map so that types are mixed."""
    work = tmp_path_factory.mktemp("disk")
    for f in os.listdir(os.path.join(EXAMPLES, "barred_spiral")):
        shutil.copy(os.path.join(EXAMPLES, "barred_spiral", f), work)
    run(program("mkcomponents"), cwd=work)
    run(program("diskgen"), cwd=work)
    return work / "sip2.dat"


@pytest.fixture(scope="module")
def converted(disk):
    """snapconv's file of the disk in every binary format."""
    out = {}
    for fmt in BINARY_FORMATS:
        path = disk.parent / f"disk.{fmt}"
        run(program("snapconv"), str(disk), str(path), "--to", fmt)
        out[fmt] = path
    return out


def same_bytes(a, b):
    with open(a, "rb") as fa, open(b, "rb") as fb:
        return fa.read() == fb.read()


def test_text_round_trip_is_byte_identical(disk, tmp_path):
    model = galtk.read(disk)
    assert model.header["format"] == "text" and len(model) > 1000
    galtk.write(tmp_path / "again.dat", model, format="text")
    assert same_bytes(disk, tmp_path / "again.dat")


@pytest.mark.parametrize("fmt", BINARY_FORMATS)
def test_binary_round_trips_match_snapconv(converted, disk, tmp_path, fmt):
    # snapconv's file read and written again, and the text model written by galtk in this
    # format: both give snapconv's bytes.
    model = galtk.read(converted[fmt])
    assert model.header["format"] == fmt
    galtk.write(tmp_path / "again", model, format=fmt)
    assert same_bytes(converted[fmt], tmp_path / "again")
    galtk.write(tmp_path / "from_text", galtk.read(disk), format=fmt)
    assert same_bytes(converted[fmt], tmp_path / "from_text")


def test_values_agree_with_snapconv_text(converted, tmp_path):
    # The GADGET file read by galtk holds exactly what snapconv gives back as text.
    run(program("snapconv"), str(converted["gadget1"]), str(tmp_path / "back.dat"), "--to", "text")
    ours, theirs = galtk.read(converted["gadget1"]), galtk.read(tmp_path / "back.dat")
    for name in ("pos", "vel", "mass"):
        assert np.array_equal(getattr(ours, name), getattr(theirs, name))
    assert ours.pos.dtype == np.float32 and ours.pos.shape == (len(ours), 3)
    assert ours.id.dtype == np.uint64 and list(ours.id[:3]) == [1, 2, 3]


def test_arrays_share_the_readers_buffers(converted):
    model = galtk.read(converted["hdf5"])
    for name in ("pos", "vel", "mass", "type"):
        a = getattr(model, name)
        assert not a.flags.owndata and a.base is not None, name
    # The buffers stay valid after the Snapshot object is gone.
    pos = model.pos
    first = pos[0].copy()
    del model
    assert np.array_equal(pos[0], first)


def test_arrays_given_by_name(tmp_path):
    n = 5
    pos = np.arange(3 * n, dtype=np.float64).reshape(n, 3)  # converted to float32
    galtk.write(tmp_path / "m.hdf5", pos=pos, mass=np.full(n, 0.5), type=np.array([1, 1, 2, 2, 2]), format="hdf5")
    back = galtk.read(tmp_path / "m.hdf5")
    assert np.array_equal(back.pos, pos.astype(np.float32))
    assert back.mass.sum() == pytest.approx(2.5)
    assert sorted(back.type.tolist()) == [1, 1, 2, 2, 2]


def test_errors_carry_the_librarys_message(tmp_path, converted):
    with pytest.raises(galtk.FormatError) as missing:
        galtk.read(tmp_path / "nowhere.hdf5")
    assert "nowhere.hdf5" in str(missing.value) and missing.value.status == 2
    damaged = tmp_path / "cut.g1"
    damaged.write_bytes(converted["gadget1"].read_bytes()[:1000])
    with pytest.raises(galtk.FormatError) as cut:
        galtk.read(damaged)
    assert "cut.g1" in str(cut.value) and "\n" not in str(cut.value)
    with pytest.raises(ValueError, match="format"):
        galtk.write(tmp_path / "x", pos=np.zeros((2, 3)), format="fits")
    with pytest.raises(ValueError, match=r"mass: expected shape \(2,\)"):
        galtk.write(tmp_path / "x", pos=np.zeros((2, 3)), mass=np.zeros(3), format="hdf5")


def test_a_refused_write_leaves_the_earlier_file(tmp_path):
    out = tmp_path / "model.hdf5"
    galtk.write(out, pos=np.ones((3, 3)), mass=np.ones(3), format="hdf5")
    before = out.read_bytes()
    bad = np.ones((3, 3))
    bad[1, 2] = np.nan
    with pytest.raises(galtk.FormatError) as refused:
        galtk.write(out, pos=bad, mass=np.ones(3), format="hdf5")
    assert refused.value.status == 1 and "particle 1" in str(refused.value)
    assert out.read_bytes() == before
    assert sorted(os.listdir(tmp_path)) == ["model.hdf5"]  # no temporary left behind


def test_write_warns_what_tipsy_cannot_give_back(tmp_path):
    # Two type codes with softenings of their own: tipsy keeps neither the codes nor the
    # list, and says so in one warning line; the file is written all the same.
    import warnings
    pos = np.zeros((4, 3), dtype=np.float32) + np.arange(4, dtype=np.float32)[:, None]
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        galtk.write(tmp_path / "m.std", pos=pos, mass=np.full(4, 0.25, np.float32),
                    type=np.array([1, 1, 2, 2], np.int32), format="tipsy",
                    softening=[0.0, 0.05, 0.0937], type_mass=[0.0, 0.25, 0.25], ncomp=3)
    lines = [str(w.message) for w in caught if issubclass(w.category, UserWarning)]
    assert len(lines) == 1, lines
    assert "tipsy keeps one softening per particle class and no type codes" in lines[0]
    assert "softenings 0 0.05 0.0937 come back as 0 0 0 0 0" in lines[0]
    assert galtk.read(tmp_path / "m.std").pos.shape == (4, 3)
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        galtk.write(tmp_path / "m.g1", pos=pos, mass=np.full(4, 0.25, np.float32),
                    type=np.array([1, 1, 2, 2], np.int32), format="gadget1",
                    softening=[0.0, 0.05, 0.0937], type_mass=[0.0, 0.25, 0.25], ncomp=3)
    assert [w for w in caught if issubclass(w.category, UserWarning)] == []
    assert list(galtk.read(tmp_path / "m.g1").header["softening"]) == pytest.approx([0.0, 0.05, 0.0937])
