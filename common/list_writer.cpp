#include "list_writer.hpp"

#include <cstring>

#include "real_format.hpp"

namespace galtk {

LineBuilder::LineBuilder(Unit& unit, std::size_t max_bytes)
    : unit_(unit), p_(unit.reserve(max_bytes + real_text_room)) {
    *p_++ = ' ';
}

void LineBuilder::text(std::string_view s) {
    // Consecutive texts join directly ("filename1=" and the name after it).
    if (!first_ && !after_text_) *p_++ = ' ';
    std::memcpy(p_, s.data(), s.size());
    p_ += s.size();
    first_ = false;
    after_text_ = true;
}

void LineBuilder::integer(std::int32_t v) {
    // Right-aligned in the field: digits from the end of a blank field, copied whole.
    char field[integer_room];
    std::memset(field, ' ', integer_room);
    char* d = field + integer_room;
    std::uint32_t u = v < 0 ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
    do {
        *--d = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u != 0);
    if (v < 0) *--d = '-';
    std::memcpy(p_, field, integer_room);
    p_ += integer_room;
    first_ = false;
    after_text_ = false;
}

void LineBuilder::real(float v) {
    if (!first_) *p_++ = ' ';  // the line's leading blank separates the first item
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    Unit::LastReal& last = unit_.last_real();
    if (bits == last.bits && bits != 0) {
        std::memcpy(p_, last.text, sizeof last.text);
        p_ += last.length;
    } else if (bits == 0) {
        p_ = format_real_in_room(v, p_);  // zero is quick and would evict a repeating value
    } else {
        char* end = format_real_in_room(v, p_);
        last.bits = bits;
        last.length = static_cast<std::uint32_t>(end - p_);
        std::memcpy(last.text, p_, sizeof last.text);
        p_ = end;
    }
    first_ = false;
    after_text_ = false;
}

void LineBuilder::finish() { unit_.commit_line(p_); }


void write_same_line(std::initializer_list<Unit*> units, float value) {
    char line[real_text_room + 2];
    line[0] = ' ';
    char* end = format_real_in_room(value, line + 1);
    const auto len = static_cast<std::size_t>(end - line);
    for (Unit* unit : units) {
        char* p = unit->reserve(sizeof line);
        std::memcpy(p, line, sizeof line);  // fixed size: a few moves; the line ends at len
        unit->commit_line(p + len);
    }
}

}  // namespace galtk
