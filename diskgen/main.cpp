// diskgen: draws the particles of an exponential disk with a sech-squared vertical
// profile, appends a list of extra positions, estimates a softening length from the
// radius that holds half of the particles, and writes the set as a disk snapshot.
#include <cstdint>
#include <vector>

#include "appended_positions.hpp"
#include "disk_parameters.hpp"
#include "disk_sampling.hpp"
#include "disk_snapshot.hpp"
#include "list_writer.hpp"
#include "run.hpp"
#include "softening.hpp"

int main(int argc, char** argv) {
    static const galtk::ProgramInfo info{
        "diskgen", "draws an exponential disk with a sech-squared vertical profile as a particle snapshot",
        "  reads   si2.para   disk mass; rmax, zmax; (scale length), hz; numd\n"
        "  reads   si1.dat    fref; hr (radial scale length); nref\n"
        "  reads   sip1.dat   position list appended to the disk\n"
        "  writes  sip2.dat   disk snapshot (first particle at the origin)\n"};
    galtk::Run run(info, argc, argv);
    galtk::Unit& si2 = run.open_unit(1, "si2.para");
    galtk::Unit& si1 = run.open_unit(2, "si1.dat");
    galtk::Unit& sip1 = run.open_unit(3, "sip1.dat");
    galtk::Unit& sip2 = run.open_unit(4, "sip2.dat");
    galtk::Unit& console = run.console();

    const diskgen::DiskParameters p = diskgen::read_parameters(si2, si1);
    const std::int32_t numd = diskgen::derive_numd(run, p);
    galtk::write_list(console, "numd", numd);

    // The sampling works with the inverse scale length k = 1 / hr (one rounded division).
    const diskgen::DiskShape shape{p.dmass, p.rmax, p.zmax, p.hz, 1.0f / p.hr};
    // The stream starts from value 1 in every run: the same disk for the same inputs.
    std::int32_t seed = 0;
    const diskgen::Envelope env = diskgen::estimate_envelope(shape, seed);
    // rh0 and sigma0 are not computed; their places on the line hold 0.0.
    galtk::write_list(console, "rh0,rhmin,rhmax,sigma0", 0.0f, env.rhmin, env.rhmax, 0.0f);
    galtk::write_list(console, "rhminz,rhmaxz", env.rhminz, env.rhmaxz);

    std::vector<galtk::Vec3> x1 = diskgen::draw_disk(shape, env, numd, seed);
    diskgen::append_positions(sip1, numd, x1);

    const diskgen::Softening s = diskgen::estimate_softening(x1, p.rmax);
    galtk::write_list(console, "DISK softening length");
    galtk::write_list(console, "thalf,rhalf", s.thalf, s.rhalf);
    galtk::write_list(console, "SOFTENING LENGTH=", s.soft);

    const float pmass = diskgen::particle_mass(p.dmass, x1.size());
    const float totm = diskgen::write_disk_snapshot(sip2, x1, s.soft, pmass);
    galtk::write_list(console, "totm", totm);
    return run.finish();
}
