#!/usr/bin/env python3
"""Writes a galmix working directory for benchmarking: a disk snapshot "di.dat" of NDISK
particles (exponential disk, sech^2 layers, rotating, as a disk generator writes it: seven
values per record) and position lists "shp1.dat", "r1.dat", "r2.dat", "sip3.dat" of NLIST
positions each, with parameter files that give every component a non-zero fraction and a
bar ellipse holding about a third of the disk.

Usage: galmix_workload.py DIR [NDISK] [NLIST]
"""
import math
import random
import sys


def real(v):
    return "%16.9g" % v


def disk_positions(rng, n, h=3.0, hz=0.3):
    for _ in range(n):
        # Surface density exp(-R/h): R is a Gamma(2, h) deviate.
        r = -h * math.log(rng.random() * rng.random() + 1e-300)
        phi = rng.uniform(0.0, 2.0 * math.pi)
        z = hz * math.atanh(rng.uniform(-0.999999, 0.999999))
        yield r * math.cos(phi), r * math.sin(phi), z, r, phi


def write_position_list(path, rng, n, kind):
    with open(path, "w") as f:
        f.write("%12d\n" % n)
        lines = []
        for i in range(n):
            if kind == "ring":
                r = rng.gauss(6.0, 0.4)
                phi = rng.uniform(0.0, 2.0 * math.pi)
                x, y, z = r * math.cos(phi), r * math.sin(phi), rng.gauss(0.0, 0.1)
            elif kind == "spiral":
                t = rng.uniform(0.5, 3.0)
                phi = t * 2.2 + (math.pi if i % 2 else 0.0) + rng.gauss(0.0, 0.15)
                r = 2.0 * math.exp(0.35 * t)
                x, y, z = r * math.cos(phi), r * math.sin(phi), rng.gauss(0.0, 0.2)
            else:  # bulge: Plummer sphere
                a = 0.5 / math.sqrt(rng.random() ** (-2.0 / 3.0) - 1.0 + 1e-12)
                cz = rng.uniform(-1.0, 1.0)
                phi = rng.uniform(0.0, 2.0 * math.pi)
                s = math.sqrt(1.0 - cz * cz)
                x, y, z = a * s * math.cos(phi), a * s * math.sin(phi), a * cz
            lines.append(real(x) + real(y) + real(z) + "\n")
        f.writelines(lines)


def main():
    out = sys.argv[1]
    ndisk = int(sys.argv[2]) if len(sys.argv) > 2 else 1000000
    nlist = int(sys.argv[3]) if len(sys.argv) > 3 else 250000
    rng = random.Random(20240611)
    bara, barb = 4.0, 2.0

    inside = 0
    with open(out + "/di.dat", "w") as f:
        f.write("%12d%s\n%12d\n" % (ndisk, real(0.0), 4))
        f.write(real(0.05) * 5 + "\n" + real(1.0 / ndisk) * 5 + "\n")
        lines = []
        for x, y, z, r, phi in disk_positions(rng, ndisk):
            v = 200.0 * (1.0 - math.exp(-r / 2.0)) + rng.gauss(0.0, 15.0)
            vx, vy, vz = -v * math.sin(phi), v * math.cos(phi), rng.gauss(0.0, 10.0)
            lines.append(real(x) + real(y) + real(z) + real(vx) + real(vy) + real(vz) + "%12d\n" % 1)
            if (x / bara) ** 2 + (y / barb) ** 2 <= 1.0:
                inside += 1
        f.writelines(lines)
    write_position_list(out + "/shp1.dat", rng, nlist, "spiral")
    write_position_list(out + "/r1.dat", rng, nlist, "ring")
    write_position_list(out + "/r2.dat", rng, nlist, "ring")
    write_position_list(out + "/sip3.dat", rng, nlist, "bulge")

    with open(out + "/galmix.para", "w") as f:
        f.write("1\n")
    with open(out + "/rdisk.para", "w") as f:
        f.write("1.2\n")
    with open(out + "/rgal.para", "w") as f:
        f.write("0.8\n")
    records = ["1", "0.05", "4", "3.0", "0.3", "0.1", "0.5", "2", "1.0",
               "0.2", "1.5", "0.7", "0.2", repr(bara), repr(barb), "0.05",
               "1.1", "1.2", "0.05", "1.3", "1.4"]
    with open(out + "/sh1.para", "w") as f:
        f.write("\n".join(records) + "\n")
    print("about %d disk particles inside the bar ellipse" % inside)


if __name__ == "__main__":
    main()
