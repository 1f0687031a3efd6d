#include "position_list.hpp"

#include <algorithm>

#include "list_reader.hpp"
#include "run.hpp"

namespace galtk {

std::string announces_negative_count(const Unit& unit, std::int32_t count) {
    return unit.name() + " announces " + std::to_string(count) + " positions: the count must be 0 or more";
}

std::int32_t read_position_count(Unit& unit, const What& what, NegativeCountMessage message) {
    std::int32_t count = 0;
    read_list(unit, what, count);
    if (count < 0) unit.run().refuse(message(unit, count));
    return count;
}

void read_positions(Unit& unit, std::int32_t count, std::vector<Vec3>& store, std::optional<float> scale,
                    std::optional<std::size_t> first) {
    const std::size_t start = first.value_or(store.size());
    const auto n = static_cast<std::size_t>(std::max(count, 0));
    reserve_rows(store, start + n - std::min(start + n, store.size()));
    if (store.size() < start) store.resize(start);
    for (std::int32_t i = 1; i <= count; ++i) {
        const std::size_t row = start + static_cast<std::size_t>(i - 1);
        if (row == store.size()) store.emplace_back();
        Vec3& p = store[row];
        read_list(unit, {"position", i}, p.x, p.y, p.z);
        if (scale) {
            p.x = *scale * p.x;
            p.y = *scale * p.y;
            p.z = *scale * p.z;
        }
    }
    store.resize(start + n);
}

}  // namespace galtk
