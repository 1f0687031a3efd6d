#include "map_assembly.hpp"

#include <string>

#include "list_reader.hpp"
#include "list_writer.hpp"
#include "map_names.hpp"

namespace projmap {

namespace {

// The 32-bit two's-complement product, wrapped as the classic integer arithmetic does;
// computed unsigned so that an overflow is defined.
std::int32_t wrapped_product(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

void write_pair_records(const DataSetFiles& out, const Pair& pair) {
    galtk::write_list(out.tn1, pair.first);
    galtk::write_list(out.tn2, pair.second);
    galtk::write_list(out.vn, pair.first, pair.second);
}

// Copies one map: `nvalues` reads of one value from the map file into `value`, each value
// written at once to "2dfv.dat", "2dft.dat" and the kind's file on unit 3, in this order.
void copy_map(galtk::Unit& map, galtk::Unit& v, galtk::Unit& t, galtk::Unit& t3, std::int32_t nvalues,
              std::int64_t first_index, float& value) {
    for (std::int64_t k = 0; k < nvalues; ++k) {
        galtk::read_list(map, {"map value", first_index + k}, value);
        galtk::write_same_line({&v, &t, &t3}, value);  // formatted once, written three times
    }
}

}  // namespace

void write_map_count(galtk::Unit& vn, const Counts& counts) {
    galtk::write_list(vn, wrapped_product(counts.nfiles, counts.nproj));
}

void assemble_maps(galtk::Run& run, const DataSetFiles& out, std::int32_t kind, const Counts& counts,
                   const ParameterPairs& pairs) {
    // A negative wrapped square makes empty maps, like any count below 1.
    const std::int32_t nvalues = wrapped_product(counts.nmesh, counts.nmesh);
    // The one real in transit for the whole run: a null value or a slash in a map file
    // leaves it as the previous read left it (in this file or the one before), as a
    // list-directed read leaves any destination it does not fill; 0.0 before the first.
    float value = 0.0f;
    for (std::int64_t n = 1; n <= counts.nfiles; ++n) {
        const std::string name = map_file_name(kind, n);
        galtk::write_list(run.console(), name_label(n), name_buffer(name));
        // Rebinding unit 10 releases the file it held (test.dat, then the previous map).
        galtk::Unit& map = run.open_unit(10, name);
        galtk::write_list(run.console(), "i", static_cast<std::int32_t>(n));
        const Pair pair = pairs.of_model(n);
        for (std::int64_t j = 1; j <= counts.nproj; ++j) {
            write_pair_records(out, pair);
            copy_map(map, out.v, out.t, out.t3, nvalues, (j - 1) * std::int64_t{nvalues} + 1, value);
        }
    }
}

}  // namespace projmap
