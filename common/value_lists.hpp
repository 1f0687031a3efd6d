// Runs of values of run-time length, for reads and writes of lists such as the header
// lines of a snapshot: reals(hpar) reads into or writes from a range of floats;
// integers(counts) the same for 32-bit integers. A range of const values can only be
// written.
#pragma once

#include <cstdint>
#include <iterator>
#include <span>
#include <type_traits>

namespace galtk {

struct RealList { std::span<float> values; };
struct ConstRealList { std::span<const float> values; };
struct IntegerList { std::span<std::int32_t> values; };
struct ConstIntegerList { std::span<const std::int32_t> values; };

template <class Range>
auto reals(Range&& range) {
    using Element = std::remove_reference_t<decltype(*std::data(range))>;
    static_assert(std::is_same_v<std::remove_const_t<Element>, float>, "reals() takes a range of float");
    if constexpr (std::is_const_v<Element>) {
        return ConstRealList{std::span<const float>(std::data(range), std::size(range))};
    } else {
        return RealList{std::span<float>(std::data(range), std::size(range))};
    }
}

template <class Range>
auto integers(Range&& range) {
    using Element = std::remove_reference_t<decltype(*std::data(range))>;
    static_assert(std::is_same_v<std::remove_const_t<Element>, std::int32_t>,
                  "integers() takes a range of std::int32_t");
    if constexpr (std::is_const_v<Element>) {
        return ConstIntegerList{std::span<const std::int32_t>(std::data(range), std::size(range))};
    } else {
        return IntegerList{std::span<std::int32_t>(std::data(range), std::size(range))};
    }
}

}  // namespace galtk
