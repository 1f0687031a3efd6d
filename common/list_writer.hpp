// List-directed writing: one call writes one line. The line starts with a blank; text
// items are written verbatim (consecutive texts without a blank between them); integers
// are right-aligned in a field of 12; a real follows one blank, with nine significant
// digits (see real_format.hpp), so every real written reads back to the same bits.
//
//   write_list(console, "fdisk", fdisk);
//   write_list(out, x, y, z, vx, vy, vz, type, mass);
//   write_list(out, reals(hpar));      (any range of floats, see value_lists.hpp)
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <type_traits>

#include "unit.hpp"
#include "value_lists.hpp"

namespace galtk {


class LineBuilder {
public:
    explicit LineBuilder(Unit& unit, std::size_t max_bytes);
    void text(std::string_view s);
    void integer(std::int32_t v);
    void real(float v);
    void finish();

    // Upper bounds of the room an item takes.
    static constexpr std::size_t integer_room = 12;
    static constexpr std::size_t real_room = 16;  // blank and text

private:
    Unit& unit_;
    char* p_;
    bool after_text_ = false;
    bool first_ = true;
};

namespace detail {
inline std::size_t room(std::string_view s) { return s.size() + 1; }
inline std::size_t room(const char* s) { return std::string_view(s).size() + 1; }
inline std::size_t room(const std::string& s) { return s.size() + 1; }
inline std::size_t room(std::int32_t) { return LineBuilder::integer_room; }
inline std::size_t room(float) { return LineBuilder::real_room; }
inline std::size_t room(ConstRealList l) { return l.values.size() * LineBuilder::real_room; }
inline std::size_t room(ConstIntegerList l) { return l.values.size() * LineBuilder::integer_room; }
inline std::size_t room(RealList l) { return l.values.size() * LineBuilder::real_room; }
inline std::size_t room(IntegerList l) { return l.values.size() * LineBuilder::integer_room; }

inline void put(LineBuilder& b, std::string_view s) { b.text(s); }
inline void put(LineBuilder& b, const char* s) { b.text(s); }
inline void put(LineBuilder& b, const std::string& s) { b.text(s); }
inline void put(LineBuilder& b, std::int32_t v) { b.integer(v); }
inline void put(LineBuilder& b, float v) { b.real(v); }
inline void put(LineBuilder& b, ConstRealList l) { for (float v : l.values) b.real(v); }
inline void put(LineBuilder& b, ConstIntegerList l) { for (std::int32_t v : l.values) b.integer(v); }
inline void put(LineBuilder& b, RealList l) { for (float v : l.values) b.real(v); }
inline void put(LineBuilder& b, IntegerList l) { for (std::int32_t v : l.values) b.integer(v); }

// Doubles and 64-bit integers are refused at compile time: every value in these files
// is a 32-bit integer or a single-precision real.
template <class T>
constexpr bool writable_item = std::is_same_v<T, std::int32_t> || std::is_same_v<T, float> ||
                               std::is_convertible_v<T, std::string_view> ||
                               std::is_same_v<T, ConstRealList> || std::is_same_v<T, ConstIntegerList> ||
                               std::is_same_v<T, RealList> || std::is_same_v<T, IntegerList> ||
                               std::is_same_v<T, std::string>;
}  // namespace detail

template <class... Items>
void write_list(Unit& unit, const Items&... items) {
    static_assert((detail::writable_item<std::decay_t<Items>> && ...),
                  "write_list takes text, std::int32_t, float and lists of them");
    std::size_t room = 2;
    ((room += detail::room(items)), ...);
    LineBuilder b(unit, room);
    (detail::put(b, items), ...);
    b.finish();
}

// The line of write_list(unit, value) written to each of several units, formatted once
// (a data stream copied to several files).
void write_same_line(std::initializer_list<Unit*> units, float value);

}  // namespace galtk
