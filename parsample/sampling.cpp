#include "sampling.hpp"

#include <algorithm>
#include <cstddef>

#include "list_writer.hpp"
#include "ran1.hpp"
#include "reserve.hpp"

namespace parsample {

namespace {

// Position of x within [lo, hi] on a scale of 0 to 10, measured from lo (reversed bounds
// included); 0 when the bounds are equal. Rounded at every step, in this order.
float scaled_position(float x, float lo, float hi) {
    if (lo != hi) return (10.0f * (x - lo)) / (hi - lo);
    return 0.0f;
}

}  // namespace

ScaledTable sample_parameters(const DrawFiles& files, const Settings& s) {
    ScaledTable table;
    // Two floats per draw; a mistyped huge count grows the table as it is drawn.
    const auto expect = static_cast<std::size_t>(std::max(s.ndraw, 0));
    galtk::reserve_rows(table.row1, expect);
    galtk::reserve_rows(table.row2, expect);

    std::int32_t seed = 10;  // the first call of the run starts the stream from 1
    for (int p = 1; p <= nparam; ++p) {
        const float lo = s.lo[p - 1];
        const float hi = s.hi[p - 1];
        galtk::Unit& out = files[static_cast<std::size_t>(p - 1)];
        std::vector<float>* row = p == 1 ? &table.row1 : p == 3 ? &table.row2 : nullptr;
        for (std::int64_t i = 1; i <= s.ndraw; ++i) {
            const float u = galtk::ran1(seed);
            const float x = u * (hi - lo) + lo;
            galtk::write_list(out, x);
            if (row) row->push_back(scaled_position(x, lo, hi));
        }
    }
    return table;
}

void write_scaled_table(galtk::Unit& denve, std::int32_t ndraw, const ScaledTable& table) {
    galtk::write_list(denve, ndraw);
    for (std::size_t i = 0; i < table.row1.size(); ++i)
        galtk::write_list(denve, table.row1[i], table.row2[i]);
}

}  // namespace parsample
