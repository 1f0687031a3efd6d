#include "map_file.hpp"

#include <string>

#include "list_writer.hpp"
#include "run.hpp"
#include "snapshot_io.hpp"

namespace snapmap {

void write_map_file(const Maps& maps, const OutputFile& out) {
    static const galtk::ProgramInfo info{"snapmap", "", ""};
    char name[] = "snapmap";
    char* argv[] = {name, nullptr};
    galtk::Run run(info, 1, argv);
    run.throw_on_failure(true);
    try {
        galtk::Unit& unit = run.open_unit(1, out.temp_path().string());
        for (const float value : maps.values) galtk::write_list(unit, value);
        run.finish();
    } catch (const galtk::RunFailure& failure) {
        // The frame's line already starts with the program's name.
        std::string line = failure.what();
        const std::string prefix = "snapmap: ";
        if (line.starts_with(prefix)) line.erase(0, prefix.size());
        throw galtk::FormatError(2, "writing \"" + out.final_path().string() + "\": " + line);
    }
}

}  // namespace snapmap
