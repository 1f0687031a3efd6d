#!/usr/bin/env python3
"""Bad-input sweep of snapconv, snapmap and galvel: damaged files of every format, bad option
values, outputs that cannot be written. Every run must end without a signal, a hang or a
sanitizer report; a refusal must be one line on standard error naming the program (and the
file, where a file was at fault), with status 1 or 2, and must leave an earlier output file as
it was and no temporary file beside it.

    sweep_new_programs.py PROGRAM BUILD [--every K]

--every K runs one case in K (the default test run takes K = 8; the full sweep is labelled long).

PROGRAM is snapconv, snapmap or galvel; BUILD the build tree (BUILD/snapconv/snapconv, ...).
GALTK_SWEEP_SANITIZED=1 allows the slower runs of a sanitizer build more time.
Prints the number of runs, of refusals and of accepted runs; status 1 lists the violations.
"""
import math
import os
import random
import shutil
import stat
import struct
import subprocess
import sys
import tempfile

FORMATS = ["text", "gadget1", "gadget2", "hdf5", "tipsy"]
EXTENSION = {"text": "dat", "gadget1": "g1", "gadget2": "g2", "hdf5": "hdf5", "tipsy": "std"}
TIMEOUT = 120 if os.environ.get("GALTK_SWEEP_SANITIZED") else 30
EARLIER = b"an earlier output that a failed run must leave as it is\n"


def disk_model(path, ndisk=1600, nbulge=400):
    """A text model: an exponential disk (scale length 1, z0 0.1) of type 1 and a bulge of type
    2 last, at rest, the softening 0.05; drawn from a fixed seed."""
    rng = random.Random(7)
    lines = [f"{ndisk + nbulge} 0.0", "4", " ".join(["0.05"] * 5),
             " ".join([f"{1.0 / (ndisk + nbulge):.9g}"] * 5)]
    for i in range(ndisk + nbulge):
        if i < ndisk:
            # R from the exponential disk's cumulative mass by bisection, z from sech^2.
            u = rng.uniform(0.001, 0.99)
            lo, hi = 0.0, 30.0
            for _ in range(50):
                mid = 0.5 * (lo + hi)
                lo, hi = (mid, hi) if 1.0 - (1.0 + mid) * math.exp(-mid) < u else (lo, mid)
            r, phi = lo, rng.uniform(0.0, 2.0 * math.pi)
            z = 0.1 * math.atanh(rng.uniform(-0.99, 0.99))
            x, y, code = r * math.cos(phi), r * math.sin(phi), 1
        else:
            # Hernquist sphere of a = 0.2: r = a sqrt(u) / (1 - sqrt(u)).
            s = math.sqrt(rng.uniform(0.001, 0.95))
            r = 0.2 * s / (1.0 - s)
            ct, phi = rng.uniform(-1.0, 1.0), rng.uniform(0.0, 2.0 * math.pi)
            st = math.sqrt(1.0 - ct * ct)
            x, y, z, code = r * st * math.cos(phi), r * st * math.sin(phi), r * ct, 2
        lines.append(f"{x:.7g} {y:.7g} {z:.7g} 0.0 0.0 0.0 {code}")
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def restore_dev_full():
    """Puts the device back after a program replaced it (as root a rename can)."""
    if os.geteuid() == 0:
        os.remove("/dev/full")
        os.mknod("/dev/full", 0o666 | stat.S_IFCHR, os.makedev(1, 7))
        os.chmod("/dev/full", 0o666)


class Sweep:
    def __init__(self, program, build, work, every=1):
        self.program = program
        self.every = every
        self.cases = 0
        self.exe = {p: os.path.join(build, p, p) for p in ("snapconv", "snapmap", "galvel")}
        self.work = work
        self.runs = self.refused = self.accepted = 0
        self.violations = []
        self.base = {}

    # ---- the base files of every format, written by snapconv from the text model
    def make_bases(self):
        text = os.path.join(self.work, "base.dat")
        disk_model(text)
        self.base["text"] = text
        for fmt in FORMATS[1:]:
            out = os.path.join(self.work, "base." + EXTENSION[fmt])
            subprocess.run([self.exe["snapconv"], "--to", fmt, text, out], check=True,
                           stdout=subprocess.DEVNULL, timeout=TIMEOUT)
            self.base[fmt] = out
        # Velocities make the NaN cases of the velocity fields meaningful.
        for fmt in FORMATS:
            moved = os.path.join(self.work, "moving." + EXTENSION[fmt])
            subprocess.run([self.exe["galvel"], "--bulge", "400", "--to", fmt, self.base["text"], moved],
                           check=True, stdout=subprocess.DEVNULL, timeout=TIMEOUT)
        for fmt in FORMATS:
            os.replace(os.path.join(self.work, "moving." + EXTENSION[fmt]), self.base[fmt])

    # ---- one run and its verdict
    def command(self, input_path, output_path, options=()):
        """The program's command line for one input, its output written to output_path."""
        if self.program == "snapconv":
            if "--to" not in options:
                # A damaged text model goes to GADGET, a damaged binary one to text.
                options = ["--to", "gadget2" if input_path.endswith(".dat") else "text", *options]
            return [self.exe["snapconv"], *options, input_path, output_path]
        if self.program == "galvel":
            return [self.exe["galvel"], "--bulge", "400", *options, input_path, output_path]
        return [self.exe["snapmap"], "--nmesh", "16", "--output", output_path, *options, input_path]

    def run(self, label, input_path, options=(), output_path=None, names=None, must_fail=False):
        self.cases += 1
        if (self.cases - 1) % self.every:
            return
        self.runs += 1
        out_dir = os.path.join(self.work, "out")
        if output_path is None:
            shutil.rmtree(out_dir, ignore_errors=True)
            os.makedirs(out_dir)
            output_path = os.path.join(out_dir, "result")
            with open(output_path, "wb") as f:
                f.write(EARLIER)
        watched = output_path if os.path.dirname(output_path) == out_dir else None
        try:
            p = subprocess.run(self.command(input_path, output_path, options), cwd=self.work,
                               stdin=subprocess.DEVNULL, capture_output=True, timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            self.violations.append(f"{label}: no end within {TIMEOUT} s")
            return
        err = p.stderr.decode(errors="replace")
        why = []
        if not stat.S_ISCHR(os.stat("/dev/full").st_mode):
            why.append("/dev/full was replaced by a file")
            restore_dev_full()
        if p.returncode < 0 or p.returncode >= 128:
            why.append(f"ended by signal / status {p.returncode}")
        if "Sanitizer" in err or "runtime error:" in err:
            why.append("sanitizer report")
        if p.returncode == 0:
            self.accepted += 1
            if must_fail:
                why.append("accepted (status 0) where a refusal was due")
        elif not why:
            self.refused += 1
            lines = err.strip().splitlines()
            if p.returncode not in (1, 2):
                why.append(f"status {p.returncode}")
            if len(lines) != 1:
                why.append(f"{len(lines)} lines on stderr")
            elif not lines[0].startswith(self.program + ": "):
                why.append("the line does not name the program")
            elif names and not any(n in lines[0] for n in names):
                why.append(f"the line names none of {names}")
            if watched:
                with open(watched, "rb") as f:
                    if f.read() != EARLIER:
                        why.append("the earlier output was changed")
                left = [n for n in os.listdir(out_dir) if n != "result"]
                if left:
                    why.append(f"left behind: {left}")
        if why:
            first = err.strip().splitlines()[:2]
            self.violations.append(f"{label}: {'; '.join(why)} | {' / '.join(first)}")

    def damaged(self, label, fmt, data, must_fail=False):
        path = os.path.join(self.work, "damaged." + EXTENSION[fmt])
        with open(path, "wb") as f:
            f.write(data)
        self.run(f"{fmt} {label}", path, names=[os.path.basename(path), "result"], must_fail=must_fail)

    # ---- damaged files
    def truncations(self, fmt, data, points=40):
        cuts = sorted(set([0, 1, 3, 4, 8, 16, 100, 255, 256, 260, 264, 268, len(data) - 1, len(data) // 2]
                          + [len(data) * i // points for i in range(1, points)]))
        for cut in cuts:
            if 0 <= cut < len(data):
                self.damaged(f"cut at {cut} of {len(data)}", fmt, data[:cut],
                             must_fail=fmt not in ("text", "hdf5"))

    def byte_flips(self, fmt, data, count=60):
        rng = random.Random(11)
        spots = list(range(0, min(len(data), 300), 7)) + [rng.randrange(len(data)) for _ in range(count)]
        for at in spots:
            mutated = bytearray(data)
            mutated[at] ^= 0xFF
            self.damaged(f"byte {at} inverted", fmt, bytes(mutated))

    def gadget_records(self, fmt, data):
        """Each record marker changed, each header count changed, the byte order mixed."""
        markers, at = [], 0
        while at + 4 <= len(data):
            size = struct.unpack_from("<I", data, at)[0]
            markers += [at, at + 4 + size]
            at += 8 + size
        for m in markers:
            for value in (0, 1, 0xFFFFFFFF, 0x7FFFFFFF, struct.unpack_from("<I", data, m)[0] + 4):
                mutated = bytearray(data)
                struct.pack_into("<I", mutated, m, value)
                self.damaged(f"marker at {m} = {value}", fmt, bytes(mutated), must_fail=True)
            swapped = bytearray(data)
            swapped[m:m + 4] = swapped[m:m + 4][::-1]
            self.damaged(f"marker at {m} byte-swapped", fmt, bytes(swapped), must_fail=True)
        head = 4 + (16 if fmt == "gadget2" else 0)
        for i in range(6):
            for value in (0, 1, 2000, 2001, 0x7FFFFFFF, 0xFFFFFFFF, 1 << 30):
                for field in (0, 96):                          # npart, then npartTotal
                    mutated = bytearray(data)
                    struct.pack_into("<I", mutated, head + field + 4 * i, value)
                    self.damaged(f"count {field // 96} type {i} = {value}", fmt, bytes(mutated))
        for i in range(6):
            for value in (math.nan, math.inf, -1.0, 1e300):
                mutated = bytearray(data)
                struct.pack_into("<d", mutated, head + 24 + 8 * i, value)
                self.damaged(f"mass table {i} = {value}", fmt, bytes(mutated))
        # Every header word byte-swapped (a big-endian header between little-endian markers).
        mutated = bytearray(data)
        for w in range(head, head + 256, 4):
            mutated[w:w + 4] = mutated[w:w + 4][::-1]
        self.damaged("header byte-swapped", fmt, bytes(mutated), must_fail=True)

    def gadget_blocks(self, fmt, data):
        """NaN and infinite values in the first value of each float block."""
        at, blocks = 0, []
        while at + 4 <= len(data):
            size = struct.unpack_from("<I", data, at)[0]
            if size not in (8, 256):
                blocks.append((at + 4, size))
            at += 8 + size
        for start, size in blocks:
            for value in (math.nan, math.inf, -math.inf):
                for offset in (0, size // 2 - size // 2 % 4, size - 4):
                    mutated = bytearray(data)
                    struct.pack_into("<f", mutated, start + offset, value)
                    self.damaged(f"block at {start} value {offset // 4} = {value}", fmt, bytes(mutated))

    def tipsy_fields(self, data):
        """Header counts, and NaN/Inf in every field of the first and the last particle."""
        for offset, name in ((8, "nbodies"), (12, "ndim"), (16, "nsph"), (20, "ndark"), (24, "nstar")):
            for value in (0, 1, 3, 1999, 2001, 0x7FFFFFFF, 0xFFFFFFFF):
                mutated = bytearray(data)
                struct.pack_into(">I", mutated, offset, value)
                self.damaged(f"{name} = {value}", "tipsy", bytes(mutated))
        for particle in (0, 1999):
            for field in range(9):                             # mass, pos, vel, eps, phi
                for value in (math.nan, math.inf):
                    mutated = bytearray(data)
                    struct.pack_into(">f", mutated, 32 + 36 * particle + 4 * field, value)
                    self.damaged(f"particle {particle} field {field} = {value}", "tipsy", bytes(mutated))

    def text_fields(self, data):
        lines = data.decode().splitlines()
        for row in (0, 1, 2, 3, 4, len(lines) - 1):
            tokens = lines[row].split()
            for col in range(len(tokens)):
                for value in ("nan", "inf", "-inf", "1e400", "x", ""):
                    mutated = list(lines)
                    mutated[row] = " ".join(tokens[:col] + ([value] if value else []) + tokens[col + 1:])
                    self.damaged(f"line {row + 1} item {col + 1} = '{value}'", "text",
                                 ("\n".join(mutated) + "\n").encode())
        for count in ("0", "1", "1999", "2001", "99999999999", "-1"):
            mutated = [count + " 0.0"] + lines[1:]
            self.damaged(f"count {count}", "text", ("\n".join(mutated) + "\n").encode())
        for code in ("5", "6", "99", "-1", "2.5"):
            mutated = list(lines)
            mutated[10] = " ".join(lines[10].split()[:6] + [code])
            self.damaged(f"type code {code}", "text", ("\n".join(mutated) + "\n").encode())

    def hdf5_fields(self):
        """NaN/Inf and missing or mistyped datasets, written with h5py."""
        try:
            import h5py
            import numpy as np
        except ImportError:
            return
        path = os.path.join(self.work, "damaged.hdf5")
        group = None
        with h5py.File(self.base["hdf5"], "r") as f:
            group = [g for g in f if g.startswith("PartType")][0]
            names = list(f[group])
        for name in names + ["Header"]:
            for how in ("nan", "inf", "missing", "short", "string"):
                shutil.copyfile(self.base["hdf5"], path)
                with h5py.File(path, "r+") as f:
                    if name == "Header":
                        if how == "missing":
                            del f["Header"]
                        elif how in ("nan", "inf"):
                            f["Header"].attrs["MassTable"] = np.full(6, float(how))
                        elif how == "short":
                            f["Header"].attrs["NumPart_ThisFile"] = np.array([1, 2], dtype=np.uint32)
                        else:
                            f["Header"].attrs["NumPart_ThisFile"] = "many"
                        target = None
                    else:
                        target = f[group][name]
                    if target is not None:
                        values = target[()]
                        del f[group][name]
                        if how in ("nan", "inf") and values.dtype.kind == "f":
                            values = values.copy()
                            values.flat[len(values.flat) // 2] = float(how)
                            f[group][name] = values
                        elif how == "short":
                            f[group][name] = values[: len(values) // 2]
                        elif how == "string":
                            f[group].create_dataset(name, data=np.array([b"x"] * len(values)))
                        elif how in ("nan", "inf"):
                            f[group][name] = values  # integers: no NaN to plant
                self.run(f"hdf5 {name} {how}", path, names=["damaged.hdf5"])

    def files(self):
        for fmt in FORMATS:
            with open(self.base[fmt], "rb") as f:
                data = f.read()
            self.truncations(fmt, data)
            self.byte_flips(fmt, data)
            if fmt.startswith("gadget"):
                self.gadget_records(fmt, data)
                self.gadget_blocks(fmt, data)
            elif fmt == "tipsy":
                self.tipsy_fields(data)
            elif fmt == "text":
                self.text_fields(data)
            for label, content in (("empty", b""), ("one byte", b"\0"), ("zeros", b"\0" * 4096)):
                self.damaged(label, fmt, content, must_fail=True)
        self.hdf5_fields()
        folder = os.path.join(self.work, "a_folder")
        os.makedirs(folder, exist_ok=True)
        self.run("a folder as input", folder, names=["a_folder"], must_fail=True)
        self.run("a missing input", os.path.join(self.work, "missing.dat"), names=["missing.dat"], must_fail=True)

    # ---- outputs that cannot be written
    def outputs(self):
        for fmt in FORMATS:
            options = ["--to", fmt] if self.program != "snapmap" else []
            self.run(f"{fmt} to /dev/full", self.base[fmt], options, output_path="/dev/full", must_fail=True)
            # A folder no file can be made in, even by root (/proc), and one that is missing.
            self.run(f"{fmt} into /proc", self.base[fmt], options, output_path="/proc/galtk-sweep", must_fail=True)
            self.run(f"{fmt} into a missing folder", self.base[fmt], options,
                     output_path=os.path.join(self.work, "no", "such", "out"), must_fail=True)
            if os.geteuid() != 0:
                locked = os.path.join(self.work, "locked")
                os.makedirs(locked, exist_ok=True)
                os.chmod(locked, 0o500)
                self.run(f"{fmt} into a read-only folder", self.base[fmt], options,
                         output_path=os.path.join(locked, "out"), must_fail=True)
                os.chmod(locked, 0o700)

    # ---- bad option values
    def options(self):
        bad_numbers = ["-1", "0", "nan", "inf", "-inf", "1e400", "x", "", "1e300", "2147483648", "-0"]
        per_program = {
            "snapconv": {"--to": ["xml", "", "positions", "TEXT"], "--from": ["xml", ""], "--box": bad_numbers,
                         "--type-map": ["1=9", "x", "1=", "=1", "1=1,1=2", "-1=1", "99999999999=1"],
                         "--mass": bad_numbers, "--units": ["x", "1,2", "1,2,x", "0,1,1", "nan,1,1", "-1,1,1"],
                         "--jitter": bad_numbers, "--seed": bad_numbers},
            "snapmap": {"--format": ["xml", ""], "--position-mass": bad_numbers, "--kind": ["0", "4", "x", "-1", "nan"],
                        "--nmesh": ["0", "-1", "16385", "x", "1e9", "nan"], "--extent": bad_numbers,
                        "--assign": ["x", "", "CIC"], "--view": ["x", "1:", ":1", "nan:0", "0:inf", "1:2:3", "200:0"],
                        "--model": ["0", "-1", "x", "99999999999"], "--png": ["/proc/x.png", "/dev/full"],
                        "--types": ["-1", "x", "", "1,,2", ",", "2147483648", "1.5", "99", "0x1", "0,-0"]},
            "galvel": {"--bulge": ["-1", "x", "2001", "99999999999", "nan"],
                       "--halo": ["x", "hernquist", "hernquist:1", "hernquist:1:", "hernquist::1", "hernquist:-1:1",
                                  "hernquist:1:0", "hernquist:nan:1", "hernquist:inf:1", "hernquist:1e300:1e-300",
                                  "nfw:1:1", "nfw:1:1:0", "nfw:1:-1:5", "nfw:nan:1:5", "plummer:1:1"],
                       "--halo-particles": ["-1", "x", "99999999999999", "nan"], "--q": bad_numbers,
                       "--q-radius": bad_numbers, "--scale-length": bad_numbers, "--G": bad_numbers,
                       "--seed": bad_numbers, "--to": ["xml", "", "positions"], "--jitter": bad_numbers,
                       "--profile": ["/proc/x", "/dev/full", "", "/no/such/folder/p"], "--check": bad_numbers,
                       "--check-output": ["/proc/x", "/dev/full", "", "/no/such/folder/c"]},
        }[self.program]
        for option, values in per_program.items():
            for value in values:
                for fmt in ("text", "gadget2"):
                    self.run(f"{option} '{value}' on {fmt}", self.base[fmt], [option, value])
            self.run(f"{option} without its value", self.base["text"], [option])
        self.run("an unknown option", self.base["text"], ["--no-such-option"], must_fail=True)


def main(argv):
    if len(argv) < 3 or argv[1] not in ("snapconv", "snapmap", "galvel"):
        print(__doc__.strip().splitlines()[4].strip(), file=sys.stderr)
        return 64
    program, build = argv[1], os.path.abspath(argv[2])
    every = int(argv[4]) if len(argv) > 4 and argv[3] == "--every" else 1
    work = tempfile.mkdtemp(prefix=f"sweep-{program}-")
    try:
        sweep = Sweep(program, build, work, every)
        sweep.make_bases()
        sweep.files()
        sweep.outputs()
        sweep.options()
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"{program}: {sweep.runs} runs of {sweep.cases} cases, {sweep.refused} refused, {sweep.accepted} accepted, "
          f"{len(sweep.violations)} violations")
    for v in sweep.violations[:200]:
        print("  " + v)
    return 1 if sweep.violations else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
