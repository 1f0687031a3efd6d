"""The galaxy toolkit's particle models in Python.

    import galtk
    model = galtk.read("galaxy.hdf5")          # any format the toolkit reads
    model.pos, model.vel, model.mass           # numpy arrays (N, 3), (N, 3), (N,)
    model.internal_energy                      # gas fields (N,), or None without gas
    galtk.write("galaxy.ic", model, format="gadget1")

Reading and writing go through the toolkit's own C++ formats library (galtk._galtk): the same
format detection, checks and messages as snapconv, and every output written to a temporary
file that replaces the earlier one only when complete. Arrays read share the reader's
buffers (no copy). A file that cannot be read or written raises galtk.FormatError, a
ValueError with the library's one-line message and the `status` a program would end with.
"""

from ._galtk import FormatError, detect_format
from . import _galtk

__all__ = ["Snapshot", "read", "write", "FormatError", "detect_format", "FORMATS", "GAS_FIELDS"]

FORMATS = ("text", "positions", "gadget1", "gadget2", "hdf5", "tipsy")


GAS_FIELDS = ("internal_energy", "density", "smoothing_length")


class Snapshot:
    """A particle set: pos, vel (float32, N x 3), mass (float32), type (int32 type code as
    the file gave it), id (uint64; 1..N where the file has none), the gas fields
    internal_energy, density and smoothing_length (float32, N each, 0 for particles that
    are not gas; None when the file has no gas fields) and header, a dict with the file's
    format, time, softening and type_mass lists (as the text header carries them), ncomp,
    per_particle_mass, box_size, ids_given, units (length_cgs, mass_cgs, velocity_cgs, or
    None when the file does not say) and analytic_halo (None, or the halo galvel drew the
    velocities in without writing it as particles)."""

    __slots__ = ("pos", "vel", "mass", "type", "id", "internal_energy", "density", "smoothing_length", "header")

    def __init__(self, pos, vel, mass, type, id, header, internal_energy=None, density=None, smoothing_length=None):
        self.pos, self.vel, self.mass, self.type, self.id, self.header = pos, vel, mass, type, id, header
        self.internal_energy, self.density, self.smoothing_length = internal_energy, density, smoothing_length

    def __len__(self):
        return len(self.pos)

    def __repr__(self):
        return f"<galtk.Snapshot: {len(self)} particles, {self.header.get('format')}>"


def read(path, format=None, position_mass=0.0, allow_nonfinite=False, units=None):
    """Reads a model in any format of the toolkit (detected from its first bytes unless
    `format` names one of FORMATS); `position_mass` is the mass of each particle of a
    position list. Non-finite positions and masses are refused unless allow_nonfinite.
    `units` ("galactic" or "UL,UM,Ut" in cgs) are the model's units where the file does not
    say them: the velocity unit turns tipsy's gas temperatures into internal energies."""
    d = _galtk.read(str(path), format, position_mass, allow_nonfinite, units)
    return Snapshot(d["pos"], d["vel"], d["mass"], d["type"], d["id"], d["header"],
                    *(d[name] for name in GAS_FIELDS))


def write(path, model=None, *, pos=None, vel=None, mass=None, type=None, id=None, format="text",
          time=None, softening=None, type_mass=None, ncomp=None, per_particle_mass=None,
          box=0.0, type_map=None, units=None, tipsy_stars=False, allow_nonfinite=False,
          internal_energy=None, density=None, smoothing_length=None, drop_gas=False):
    """Writes a model: a Snapshot (or any object with pos, vel, mass, type, id and header),
    or the arrays given by name. `format` is one of text, gadget1, gadget2, hdf5, tipsy;
    box, type_map ("1=2,3=3"), units ("galactic" or "UL,UM,Ut" in cgs: HDF5's Units group,
    tipsy's gas temperatures), tipsy_stars and allow_nonfinite mean what snapconv's options
    of the same names do. internal_energy, density and smoothing_length are the gas fields
    of the type-0 particles: all three or none, each as long as the model (0 for particles
    that are not gas), finite; the text format holds none: drop_gas (snapconv's --drop-gas)
    writes the gas particles without them. Header values and gas fields not given come from
    the model."""
    header = {}
    gas = {"internal_energy": internal_energy, "density": density, "smoothing_length": smoothing_length}
    if model is not None:
        pos = model.pos if pos is None else pos
        vel = model.vel if vel is None else vel
        mass = model.mass if mass is None else mass
        type = model.type if type is None else type
        header = getattr(model, "header", {}) or {}
        if id is None and header.get("ids_given", True):
            id = model.id
        for name in GAS_FIELDS:
            if gas[name] is None:
                gas[name] = getattr(model, name, None)
    if pos is None:
        raise ValueError("pos: expected an array of shape (N, 3)")
    if drop_gas:
        gas = dict.fromkeys(GAS_FIELDS)

    def pick(value, key, default):
        return header.get(key, default) if value is None else value

    _galtk.write(str(path), pos, vel, mass, type, id, format,
                 pick(time, "time", 0.0), pick(softening, "softening", None),
                 pick(type_mass, "type_mass", None), pick(ncomp, "ncomp", None),
                 pick(per_particle_mass, "per_particle_mass", False),
                 box, type_map, units, tipsy_stars, allow_nonfinite,
                 gas["internal_energy"], gas["density"], gas["smoothing_length"],
                 header.get("units"), header.get("analytic_halo"))
