// diskbulge: completes a disk snapshot with bulge particles taken from a position list,
// as many as the bulge fraction of the disk count, and writes the union as the
// initial-conditions snapshot with per-type counts and masses.
#include <cstdint>
#include <span>
#include <vector>

#include "bulge_parameters.hpp"
#include "bulge_positions.hpp"
#include "disk_input.hpp"
#include "list_writer.hpp"
#include "merged_snapshot.hpp"
#include "run.hpp"

int main(int argc, char** argv) {
    static const galtk::ProgramInfo info{
        "diskbulge", "adds bulge particles from a position list to a disk snapshot",
        "  reads   si1.para   structural parameters (11 records; 10 fbul, 11 bscale)\n"
        "  reads   sip2.dat   disk snapshot\n"
        "  reads   sip3.dat   bulge position list\n"
        "  writes  tinit.dat  disk and bulge snapshot\n"};
    galtk::Run run(info, argc, argv);
    galtk::Unit& si1 = run.open_unit(1, "si1.para");
    galtk::Unit& sip2 = run.open_unit(2, "sip2.dat");
    galtk::Unit& sip3 = run.open_unit(3, "sip3.dat");
    galtk::Unit& tinit = run.open_unit(4, "tinit.dat");
    galtk::Unit& console = run.console();

    const diskbulge::BulgeParameters p = diskbulge::read_parameters(si1);
    const diskbulge::DiskHeader header = diskbulge::read_disk_header(sip2);
    const std::vector<galtk::ParticleRecord> disk = diskbulge::read_disk_records(sip2, header.num);
    const std::vector<galtk::Vec3> bulge = diskbulge::read_bulge_positions(sip3, p.bscale);

    const auto nbu = static_cast<std::int32_t>(bulge.size());
    const std::int32_t numb = diskbulge::bulge_count(run, header.num, p.fbul, nbu);
    galtk::write_list(console, "numb", numb);

    // Positions after the first numb are read and not written. The writing shows the
    // centre particle ("center particle") after the first record of type 1.
    const std::span<const galtk::Vec3> written(bulge.data(), static_cast<std::size_t>(numb));
    diskbulge::write_merged_snapshot(tinit, console, header, disk, written);
    const diskbulge::TypeTally tally = diskbulge::tally_types(header, disk, written.size());
    const auto ncomp = static_cast<std::size_t>(header.ncomp);
    galtk::write_list(console, "ncom", galtk::integers(std::span<const std::int32_t>(tally.ncom.data(), ncomp)));
    galtk::write_list(console, "tmcom", galtk::reals(std::span<const float>(tally.tmcom.data(), ncomp)));
    return run.finish();
}
