// The one bound on room reserved before rows are read or drawn.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace galtk {

// Rows a store reserves at most before they are read: a count from a file may be far
// larger than what follows it (a bogus count in a short file must not claim gigabytes
// before the file runs out), so a longer store grows as its rows actually arrive.
constexpr std::size_t max_reserved_rows = std::size_t{1} << 22;

// Reserves room for `more` rows behind those `store` holds, up to max_reserved_rows.
template <class Row>
void reserve_rows(std::vector<Row>& store, std::size_t more) {
    store.reserve(store.size() + std::min(more, max_reserved_rows));
}

}  // namespace galtk
