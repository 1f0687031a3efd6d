// projmap: gathers the projected maps of a numbered series of survey models into
// combined data-set files and pairs every map with its model's two parameter values
// from parsample's table "denve.dat". Asks its four answers on the console.
#include <cstdint>

#include "dialogue.hpp"
#include "list_writer.hpp"
#include "map_assembly.hpp"
#include "parameter_pairs.hpp"
#include "run.hpp"

int main(int argc, char** argv) {
    static const galtk::ProgramInfo info{
        "projmap", "gathers the projected maps of a series of models into data-set files",
        "  asks    map kind (1 density, 2 kinematic, 3 line-of-sight velocity), number of\n"
        "          files, meshes per direction, number of projections: one answer a line\n"
        "  reads   denve.dat    the parameter pair of every model (parsample's table)\n"
        "  reads   2df.dat.mN, 2dfv.dat.mN or 2dfv1.dat.mN   the maps of model N\n"
        "  writes  2dfv.dat, 2dft.dat, 2dft1.dat (kind 1) or 2dft2.dat   every map value\n"
        "  writes  2dfvn.dat    number of maps, then the pair of every map\n"
        "  writes  2dftn1.dat   first value of the pair of every map\n"
        "  writes  2dftn2.dat   second value of the pair of every map\n"
        "  writes  l.dat        the number of pairs in denve.dat\n"
        "  binds   2dftn.dat, test.dat (left as they are)\n"};
    galtk::Run run(info, argc, argv);

    const std::int32_t kind = projmap::ask_map_kind(run);
    if (!projmap::is_known_map_kind(kind)) projmap::stop_on_unknown_map_kind(run);
    // The third map-stream file is named after the kind, so binding follows the first
    // answer. "2dftn.dat" and "test.dat" are bound and never written; test.dat holds
    // unit 10 until the first map file takes it.
    galtk::Unit& t = run.open_unit(1, "2dft.dat");
    run.open_unit(2, "2dftn.dat");
    galtk::Unit& t3 = run.open_unit(3, kind == 1 ? "2dft1.dat" : "2dft2.dat");
    galtk::Unit& v = run.open_unit(21, "2dfv.dat");
    galtk::Unit& vn = run.open_unit(22, "2dfvn.dat");
    run.open_unit(10, "test.dat");
    galtk::Unit& tn1 = run.open_unit(11, "2dftn1.dat");
    galtk::Unit& tn2 = run.open_unit(12, "2dftn2.dat");
    galtk::Unit& denve = run.open_unit(31, "denve.dat");
    galtk::Unit& l_dat = run.open_unit(32, "l.dat");
    const projmap::DataSetFiles out{t, t3, v, vn, tn1, tn2};

    const projmap::Counts counts = projmap::ask_counts(run);
    const std::int32_t npairs = projmap::read_pair_count(denve);
    galtk::write_list(l_dat, npairs);
    const projmap::ParameterPairs pairs = projmap::read_parameter_pairs(denve, npairs);
    projmap::write_map_count(vn, counts);
    projmap::assemble_maps(run, out, kind, counts, pairs);
    return run.finish();
}
