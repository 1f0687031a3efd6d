// parsample: draws the values of four model parameters of a survey, each uniform
// between two bounds, and the table of parameters 1 and 3 scaled to 0..10 that projmap
// pairs with the maps of the survey.
#include "run.hpp"
#include "sampling.hpp"
#include "settings.hpp"

int main(int argc, char** argv) {
    static const galtk::ProgramInfo info{
        "parsample", "draws four survey parameters uniformly between bounds and tabulates two of them",
        "  reads   th1.para     draw count (ndraw)\n"
        "  reads   th1a.para    mode, then the bounds lo hi of parameters 1 to 4\n"
        "  writes  th1.dat      draws of parameter 1, one per line\n"
        "  writes  th2.dat      draws of parameter 2\n"
        "  writes  th0.dat      draws of parameter 3\n"
        "  writes  th01.dat     draws of parameter 4\n"
        "  writes  denve.dat    ndraw, then parameters 1 and 3 of each draw scaled to 0..10\n"};
    galtk::Run run(info, argc, argv);

    const parsample::DrawFiles draws{run.open_unit(1, "th1.dat"), run.open_unit(2, "th2.dat"),
                                     run.open_unit(3, "th0.dat"), run.open_unit(4, "th01.dat")};
    galtk::Unit& th1_para = run.open_unit(10, "th1.para");
    galtk::Unit& th1a_para = run.open_unit(11, "th1a.para");
    galtk::Unit& denve = run.open_unit(12, "denve.dat");

    parsample::Settings settings = parsample::read_settings(th1_para, th1a_para);
    parsample::apply_mode_overrides(settings);
    const parsample::ScaledTable table = parsample::sample_parameters(draws, settings);
    parsample::write_scaled_table(denve, settings.ndraw, table);
    return run.finish();
}
