#include "list_reader.hpp"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "quoted.hpp"

namespace galtk {

namespace {

inline bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
inline bool ends_token(char c) { return is_blank(c) || c == ',' || c == '/'; }
inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

enum class Parsed { Ok, Bad, Range };

Parsed parse_integer(std::string_view t, std::int32_t& out) {
    const char* b = t.data();
    const char* e = b + t.size();
    // Only one optional sign, then decimal digits ("+-5" is not a number).
    const char* digits = b != e && (*b == '+' || *b == '-') ? b + 1 : b;
    if (digits == e || !is_digit(*digits)) return Parsed::Bad;
    if (*b == '+') ++b;
    std::int32_t v = 0;
    auto [p, ec] = std::from_chars(b, e, v);
    if (ec == std::errc::result_out_of_range) {
        // Out of range only if the rest is digits; "99999999999x" is simply not a number.
        const char* q = b + (*b == '-' ? 1 : 0);
        while (q != e && is_digit(*q)) ++q;
        return q == e ? Parsed::Range : Parsed::Bad;
    }
    if (ec != std::errc() || p != e) return Parsed::Bad;
    out = v;
    return Parsed::Ok;
}

bool equals_nocase(const char* b, const char* e, const char* word) {
    for (; b != e; ++b, ++word) {
        if (*word == '\0') return false;
        char c = *b;
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != *word) return false;
    }
    return *word == '\0';
}

constexpr double exact_pow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                  1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
// Nearest doubles of 10^-k: a product with one of them replaces a division.
constexpr double inverse_pow10[] = {1e-0,  1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,
                                    1e-8,  1e-9,  1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15,
                                    1e-16, 1e-17, 1e-18, 1e-19, 1e-20, 1e-21, 1e-22};

// Appends the digits at q to m, one at a time; leaves q after them.
inline void read_digits(const char*& q, const char* e, std::uint64_t& m) {
    while (q != e && is_digit(*q)) m = m * 10 + static_cast<unsigned>(*q++ - '0');
}

// The common decimal number (at most 19 significant digits, a small exponent): the
// digits as an integer below 2^53, times a power of ten in double. The product is within
// two double roundings (a few units in the last place of 53 bits) of the true value, so
// narrowing it to float gives the correctly rounded float unless it lies within a few
// such units of a point halfway between two floats; those, subnormal and out-of-range
// results go the general (exact) way.
// Parses from p and leaves p after the number; false when the text is not such a number.
inline bool parse_decimal_fast(const char*& p, const char* e, float& out) {
    const char* q = p;
    std::uint64_t m = 0;
    int exp10 = 0;
    while (q != e && *q == '0') ++q;  // leading zeros carry no significance
    const char* digits = q;
    read_digits(q, e, m);
    int significant = static_cast<int>(q - digits);
    bool any_digit = q != p;
    if (q != e && *q == '.') {
        ++q;
        const char* frac = q;
        if (m == 0) {
            while (q != e && *q == '0') ++q;  // zeros after the point, before the first digit
            exp10 -= static_cast<int>(q - frac);
        }
        const char* sig = q;
        read_digits(q, e, m);
        significant += static_cast<int>(q - sig);
        exp10 -= static_cast<int>(q - sig);
        any_digit = any_digit || q != frac;
    }
    if (!any_digit || significant > 19) return false;
    if (q != e && ((*q | 0x20) == 'e' || (*q | 0x20) == 'd')) {
        ++q;
        bool negative = false;
        if (q != e && (*q == '+' || *q == '-')) negative = *q++ == '-';
        const char* x0 = q;
        int x = 0;
        while (q != e && is_digit(*q) && q - x0 < 4) x = x * 10 + (*q++ - '0');
        if (q == x0) return false;
        exp10 += negative ? -x : x;
    }
    if (m == 0) {
        out = 0.0f;
        p = q;
        return true;
    }
    if (m > (std::uint64_t{1} << 53) || exp10 < -22 || exp10 > 22) return false;
    const double d = static_cast<double>(m) * (exp10 < 0 ? inverse_pow10[-exp10] : exact_pow10[exp10]);
    if (!(d >= static_cast<double>(std::numeric_limits<float>::min()) &&
          d <= static_cast<double>(std::numeric_limits<float>::max())))
        return false;
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    // The 29 bits that narrowing drops: 0x10000000 is exactly halfway.
    const auto dropped = static_cast<std::int64_t>(bits & 0x1FFFFFFFu) - 0x10000000;
    if (dropped >= -16 && dropped <= 16) return false;
    out = static_cast<float>(d);
    p = q;
    return true;
}

// A plain decimal number at p that ends at a value separator or the line end, parsed in
// the same pass that finds its end. False for anything else (repeat forms, Inf/NaN, long
// or odd tokens), which then take the general way.
inline bool scan_real(const char*& p, const char* e, float& out) {
    const char* q = p;
    bool negative = false;
    if (q != e && (*q == '+' || *q == '-')) negative = *q++ == '-';
    float v;
    if (!parse_decimal_fast(q, e, v) || (q != e && !ends_token(*q))) return false;
    out = negative ? -v : v;
    p = q;
    return true;
}

inline bool scan_integer(const char*& p, const char* e, std::int32_t& out) {
    const char* q = p;
    bool negative = false;
    if (q != e && (*q == '+' || *q == '-')) negative = *q++ == '-';
    const char* start = q;
    std::int32_t v = 0;
    while (q != e && is_digit(*q) && q - start < 9) v = v * 10 + (*q++ - '0');  // nine digits cannot overflow
    if (q == start || (q != e && !ends_token(*q))) return false;
    out = negative ? -v : v;
    p = q;
    return true;
}

Parsed parse_real(std::string_view t, float& out) {
    const char* b = t.data();
    const char* e = b + t.size();
    bool negative = false;
    if (b != e && (*b == '+' || *b == '-')) {
        negative = *b == '-';
        ++b;
    }
    if (b == e) return Parsed::Bad;
    if (!is_digit(*b) && *b != '.') {
        float v;
        if (equals_nocase(b, e, "inf") || equals_nocase(b, e, "infinity")) {
            v = std::numeric_limits<float>::infinity();
        } else if (equals_nocase(b, e, "nan")) {
            v = std::numeric_limits<float>::quiet_NaN();
        } else {
            return Parsed::Bad;
        }
        out = negative ? -v : v;
        return Parsed::Ok;
    }
    const char* q = b;
    float fast;
    if (parse_decimal_fast(q, e, fast) && q == e) {
        out = negative ? -fast : fast;
        return Parsed::Ok;
    }
    // The D exponent of double-precision constants reads like E.
    char local[64];
    std::string long_copy;
    const char* d = static_cast<const char*>(std::memchr(b, 'd', static_cast<std::size_t>(e - b)));
    if (!d) d = static_cast<const char*>(std::memchr(b, 'D', static_cast<std::size_t>(e - b)));
    if (d) {
        std::size_t len = static_cast<std::size_t>(e - b);
        char* copy = local;
        if (len >= sizeof local) {
            long_copy.assign(b, e);
            copy = long_copy.data();
        } else {
            std::memcpy(local, b, len);
        }
        for (std::size_t i = 0; i < len; ++i)
            if (copy[i] == 'd' || copy[i] == 'D') copy[i] = 'e';
        b = copy;
        e = copy + len;
    }
    float v = 0.0f;
    auto [p, ec] = std::from_chars(b, e, v, std::chars_format::general);
    if (ec == std::errc::result_out_of_range && p == e) {
        // Overflow is an error; a value too small for a normal float rounds to the
        // nearest subnormal or to zero, as the C library's conversion does.
        std::string s(b, e);
        errno = 0;
        float w = std::strtof(s.c_str(), nullptr);
        if (std::isinf(w)) return Parsed::Range;
        v = w;
    } else if (ec != std::errc() || p != e) {
        return Parsed::Bad;
    }
    out = negative ? -v : v;
    return Parsed::Ok;
}

const char* kind_name(const Dest& d) { return d.kind == Dest::Integer ? "an integer" : "a real"; }

std::string item_label(std::span<const Dest> dests, std::size_t i) {
    if (dests.size() <= 1) return std::string();
    return "item " + std::to_string(i + 1) + " of " + std::to_string(dests.size()) + ": ";
}

void assign(Unit& unit, const What& what, std::span<const Dest> dests, std::size_t i, std::string_view token) {
    const Dest& d = dests[i];
    Parsed r;
    if (d.kind == Dest::Integer) {
        r = parse_integer(token, *static_cast<std::int32_t*>(d.target));
    } else {
        r = parse_real(token, *static_cast<float*>(d.target));
    }
    if (r == Parsed::Ok) return;
    std::string detail = item_label(dests, i);
    if (r == Parsed::Range) {
        detail += d.kind == Dest::Integer ? "integer outside -2147483648..2147483647, found "
                                          : "real beyond the single-precision range, found ";
    } else {
        detail += std::string("expected ") + kind_name(d) + ", found ";
    }
    unit.fail_read(what, detail + quote_found(token));
}

[[noreturn]] void fail_end(Unit& unit, const What& what, std::span<const Dest> dests, std::size_t i) {
    if (dests.empty()) unit.fail_at_end(what, "a line");
    unit.fail_at_end(what, item_label(dests, i) + kind_name(dests[i]));
}

}  // namespace

void read_list(Unit& unit, const What& what, std::span<const Dest> dests) {
    std::string_view line;
    if (!unit.next_line(line)) fail_end(unit, what, dests, 0);
    const std::size_t n = dests.size();
    if (n == 0) return;  // a read with nothing to fill still takes its line

    std::size_t i = 0;
    // At the start of a read, and after a comma, a further comma stands for a null value.
    bool after_comma = true;
    const char* p = line.data();
    const char* e = p + line.size();
    for (;;) {
        while (p != e && is_blank(*p)) ++p;
        if (p == e) {
            // The line end is a blank: the read goes on with the next line.
            if (!unit.next_line(line)) fail_end(unit, what, dests, i);
            p = line.data();
            e = p + line.size();
            continue;
        }
        const char c = *p;
        if (c == ',') {
            ++p;
            if (after_comma && ++i == n) return;  // null value: the destination keeps its value
            after_comma = true;
            continue;
        }
        if (c == '/') return;  // a slash ends the read; the rest stay unchanged

        const Dest& d = dests[i];
        if (d.kind == Dest::Real ? scan_real(p, e, *static_cast<float*>(d.target))
                                 : scan_integer(p, e, *static_cast<std::int32_t*>(d.target))) {
            after_comma = false;
            if (++i == n) return;  // the rest of the line is discarded
            continue;
        }

        const char* t = p;
        while (p != e && !ends_token(*p)) ++p;
        std::string_view token(t, static_cast<std::size_t>(p - t));
        after_comma = false;

        // Repeat forms r*c (r copies of c) and r* (r null values).
        std::size_t digits = 0;
        while (digits < token.size() && is_digit(token[digits])) ++digits;
        if (digits > 0 && digits < token.size() && token[digits] == '*') {
            std::uint32_t r = 0;
            auto [rp, rec] = std::from_chars(token.data(), token.data() + digits, r);
            (void)rp;
            if (rec != std::errc() || r == 0) {
                unit.fail_read(what, item_label(dests, i) + "expected a repeat count from 1, found " +
                                         quote_found(token));
            }
            std::string_view value = token.substr(digits + 1);
            std::size_t copies = std::min<std::size_t>(r, n - i);
            if (value.empty()) {
                i += copies;
            } else {
                for (std::size_t k = 0; k < copies; ++k, ++i) assign(unit, what, dests, i, value);
            }
            if (i == n) return;
            continue;
        }
        assign(unit, what, dests, i, token);
        if (++i == n) return;  // the rest of the line is discarded
    }
}

}  // namespace galtk
