#include "dialogue.hpp"

#include "list_reader.hpp"
#include "list_writer.hpp"

namespace projmap {

namespace {

std::int32_t ask(galtk::Run& run, const char* prompt, const char* name) {
    galtk::write_list(run.console(), prompt);
    std::int32_t answer = 0;
    galtk::read_list(run.input(), {name}, answer);
    return answer;
}

}  // namespace

std::int32_t ask_map_kind(galtk::Run& run) {
    galtk::write_list(run.console(), "2df.dat Density (1) or 2dfv.dat Kinematic (2) ?");
    return ask(run, "2dfv1.dat Kinematic (V_los) (3) ?", "map kind (kind)");
}

bool is_known_map_kind(std::int32_t kind) { return kind >= 1 && kind <= 3; }

void stop_on_unknown_map_kind(galtk::Run& run) {
    galtk::write_list(run.console(), "Error: map kind must be 1, 2 or 3");
    run.stop_run();
}

Counts ask_counts(galtk::Run& run) {
    Counts c;
    c.nfiles = ask(run, "Total number of files", "number of files (nfiles)");
    c.nmesh = ask(run, "Input the number of meshes for one direction", "meshes per direction (nmesh)");
    c.nproj = ask(run, "Number of projections ?", "number of projections (nproj)");
    return c;
}

}  // namespace projmap
