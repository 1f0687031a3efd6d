#include "sampling.hpp"

#include <algorithm>
#include <cstddef>

#include "list_writer.hpp"
#include "ran1.hpp"

namespace parsample {

namespace {

// The table holds two floats per draw. It is reserved up to a modest size and grows with
// the draws beyond that, so a mistyped huge count cannot claim gigabytes before the
// first value is drawn.
constexpr std::int32_t reserve_limit = 1 << 20;

// Position of x within [lo, hi] on a scale of 0 to 10, measured from lo (reversed bounds
// included); 0 when the bounds are equal. Rounded at every step, in this order.
float scaled_position(float x, float lo, float hi) {
    if (lo != hi) return (10.0f * (x - lo)) / (hi - lo);
    return 0.0f;
}

}  // namespace

ScaledTable sample_parameters(galtk::Run& run, const Settings& s) {
    ScaledTable table;
    const std::size_t expect = static_cast<std::size_t>(std::clamp(s.ndraw, 0, reserve_limit));
    table.row1.reserve(expect);
    table.row2.reserve(expect);

    std::int32_t seed = 10;  // the first call of the run starts the stream from 1
    for (int p = 1; p <= nparam; ++p) {
        const float lo = s.lo[p - 1];
        const float hi = s.hi[p - 1];
        galtk::Unit& out = run.unit(p);
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

void write_scaled_table(galtk::Run& run, std::int32_t ndraw, const ScaledTable& table) {
    galtk::Unit& out = run.unit(12);
    galtk::write_list(out, ndraw);
    for (std::size_t i = 0; i < table.row1.size(); ++i)
        galtk::write_list(out, table.row1[i], table.row2[i]);
}

}  // namespace parsample
