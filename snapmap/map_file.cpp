#include "map_file.hpp"

#include <string>

#include "list_writer.hpp"
#include "run.hpp"
#include "snapshot_io.hpp"

namespace snapmap {

void write_map_file(const Maps& maps, Destination& out) {
    galtk::Run run("snapmap", galtk::Run::Embedded{});
    try {
        galtk::Unit unit(run, 1, out.target().string(), out.fd(), false, true);
        for (const float value : maps.values) galtk::write_list(unit, value);
        unit.flush();
    } catch (const galtk::RunFailure& failure) {
        // The frame's line starts with the program's name; the caller adds it again.
        std::string line = failure.what();
        const std::string prefix = "snapmap: ";
        if (line.starts_with(prefix)) line.erase(0, prefix.size());
        throw galtk::FormatError(failure.status, line);
    }
}

}  // namespace snapmap
