// galmix: assembles a six-component disk galaxy model (disk, bar, spiral arms, inner
// ring, outer ring, bulge) from a disk snapshot and position lists, gives each
// component its mass fraction, scales the positions and writes "tinit.dat".
#include "count_rules.hpp"
#include "disk_input.hpp"
#include "fractions.hpp"
#include "list_writer.hpp"
#include "model.hpp"
#include "model_output.hpp"
#include "position_file.hpp"
#include "run.hpp"
#include "run_parameters.hpp"

int main(int argc, char** argv) {
    static const galtk::ProgramInfo info{
        "galmix", "assembles a disk galaxy model of six components with per-particle masses",
        "  reads   galmix.para  disk switch idisk (the disk is written only when it is 1)\n"
        "  reads   rdisk.para   scale of disk, bar, spiral and rings\n"
        "  reads   rgal.para    scale of the whole model\n"
        "  reads   sh1.para     structural parameters (21 records: fractions, bulge scale, bar axes)\n"
        "  reads   di.dat       disk snapshot; the bar is the part of it inside the bar ellipse\n"
        "  reads   shp1.dat     spiral arm positions\n"
        "  reads   r1.dat       inner ring positions\n"
        "  reads   r2.dat       outer ring positions\n"
        "  reads   sip3.dat     bulge positions\n"
        "  writes  tinit.dat    the model: snapshot header, then x y z vx vy vz type mass per particle\n"};
    galtk::Run run(info, argc, argv);

    galtk::Unit& sh1 = run.open_unit(1, "sh1.para");
    galtk::Unit& di = run.open_unit(2, "di.dat");
    galtk::Unit& shp1 = run.open_unit(3, "shp1.dat");
    galtk::Unit& sip3 = run.open_unit(4, "sip3.dat");
    galtk::Unit& r1 = run.open_unit(7, "r1.dat");
    galtk::Unit& r2 = run.open_unit(8, "r2.dat");
    galtk::Unit& tinit = run.open_unit(10, "tinit.dat");
    galtk::Unit& galmix_para = run.open_unit(11, "galmix.para");
    galtk::Unit& rdisk_para = run.open_unit(12, "rdisk.para");
    galtk::Unit& rgal_para = run.open_unit(13, "rgal.para");
    galtk::Unit& console = run.console();

    galmix::RunParameters p = galmix::read_run_parameters(galmix_para, rdisk_para, rgal_para, sh1);
    p.fdisk = galmix::disk_fraction(p);
    if (p.fdisk <= 0.0f) {  // a NaN is not <= 0 and passes unchanged
        galtk::write_list(console, "Error fdisk <0");
        galtk::write_list(console, "fdisk", p.fdisk);
        p.fdisk = 0.0f;
    }
    galtk::write_list(console, "fdisk", p.fdisk);
    // Without a bar there is no inner-ring mass. fdisk was computed with fr1 already
    // taken off, so that share is not handed back to the disk.
    if (p.fbar == 0.0f) p.fr1 = 0.0f;
    // When the bar and the spiral take all the mass, a bare stop: status 0, no model.
    const float fnon = p.fbar + p.fspi;
    if (fnon >= 1.0f) {
        galtk::write_list(console, "Error:fnon ge 1.0", fnon);
        run.stop_run();
    }

    galmix::Model model;
    galmix::ComponentCounts& n = model.counts;
    galmix::read_disk_and_select_bar(di, p, model);
    const std::int32_t n_d = n.num;
    n.nspi = galmix::read_position_file(shp1, model.spiral);
    const std::int32_t n_p = n.nspi;
    galtk::write_list(console, "n_d,n_p (disk + spiral)", n_d, n_p);
    n.nr1 = galmix::read_position_file(r1, model.inner_ring);
    n.nr2 = galmix::read_position_file(r2, model.outer_ring);
    n.nbu = galmix::read_position_file(sip3, model.bulge, p.bscale);
    n.nbu = galmix::bulge_particles_written(p, n.nbu);
    galtk::write_list(console, "fbul,nbu", p.fbul, n.nbu);
    n.num = galmix::disk_particles_written(p, n.num);
    galtk::write_list(console, "num,nbar,nspi,nr1,nr2,nbu");
    galtk::write_list(console, n.num, n.nbar, n.nspi, n.nr1, n.nr2, n.nbu);

    // Only now, with every input read, is "tinit.dat" written: a run that ends earlier
    // leaves the previous model in place.
    galmix::write_model(run, tinit, p, model);
    return run.finish();
}
