// libFuzzer target for list-directed reading and writing.
//
// Input layout: byte 0 picks the number of destinations of every read (0..12), bytes 1
// and 2 their kinds (bit k set: destination k is a real, else an integer); the rest is
// the text of the file that is read.
//
// Checked on every input, besides the absence of crashes and sanitizer reports:
//  1. The file is read record by record (at most 64 reads) until a read fails. A failure
//     must be one diagnostic line that starts with the program's name, status 2.
//  2. When the first value of the file is a plain token read into a single destination,
//     the value read agrees with the C library's correctly rounded conversion (strtof),
//     or the read is refused exactly when the token is malformed or out of range.
//  3. Every record read is written again with write_list and read back with the same
//     destinations: the same integers, the same bits of every real (any NaN as NaN);
//     each write is one line, so the written file ends after the last record.
//  4. Reals taken from the raw bytes (every 4 bytes a float) are formatted by
//     format_real: at most real_text_max bytes, nine correctly rounded significant
//     digits, fixed-point form exactly for 1e-3 <= |x| < 1e9, and the text reads back to
//     the same bits through read_list.
//  5. No file descriptor outlives the Run of one input.
#include <malloc.h>
#include <sanitizer/asan_interface.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "list_reader.hpp"
#include "list_writer.hpp"
#include "real_format.hpp"
#include "run.hpp"

namespace {

constexpr const char* program = "fuzzlist";
constexpr std::size_t max_dests = 12;
constexpr int max_records = 64;
constexpr std::size_t max_raw_floats = 32;

[[noreturn]] void finding(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "FINDING: %s%s%s\n", what, detail.empty() ? "" : ": ", detail.c_str());
    std::fflush(stderr);
    std::abort();
}

// A file in memory, reached by a path that open() can open again (a new description
// with its own position, as a program's unit has).
struct MemFile {
    int fd;
    std::string path;
    explicit MemFile(const char* name) : fd(::memfd_create(name, 0)) {
        if (fd < 0) finding("memfd_create failed");
        path = "/proc/self/fd/" + std::to_string(fd);
    }
    void assign(const std::uint8_t* data, std::size_t size) {
        if (::ftruncate(fd, 0) != 0) finding("ftruncate failed");
        std::size_t done = 0;
        while (done < size) {
            ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) finding("pwrite failed");
            done += static_cast<std::size_t>(n);
        }
    }
};

// The descriptor number the next open() gets: it must not creep up from input to input.
int next_fd() {
    int fd = ::dup(0);
    if (fd >= 0) ::close(fd);
    return fd;
}

void check_failure(const galtk::RunFailure& f) {
    const std::string line = f.what();
    const std::string prefix = std::string(program) + ": ";
    if (f.status != 2) finding("read failure with a status other than 2", line);
    if (line.compare(0, prefix.size(), prefix) != 0) finding("diagnostic without the program name", line);
    if (line.find('\n') != std::string::npos) finding("diagnostic of more than one line", line);
    if (line.size() <= prefix.size()) finding("empty diagnostic", line);
}

// One record: the destinations' kinds and the values read into them.
struct Record {
    std::array<std::int32_t, max_dests> ints{};
    std::array<float, max_dests> reals{};
};

struct Pattern {
    std::size_t count = 0;
    std::uint32_t real_mask = 0;  // bit k: destination k is a real
    bool is_real(std::size_t k) const { return (real_mask >> k) & 1u; }
};

// Reads one record into fresh destinations holding `start_int`/`start_real`.
void read_record(galtk::Unit& unit, const Pattern& pat, Record& rec, std::int64_t index, std::int32_t start_int,
                 float start_real) {
    std::vector<galtk::Dest> dests;
    dests.reserve(pat.count);
    for (std::size_t k = 0; k < pat.count; ++k) {
        rec.ints[k] = start_int;
        rec.reals[k] = start_real;
        if (pat.is_real(k)) {
            dests.emplace_back(rec.reals[k]);
        } else {
            dests.emplace_back(rec.ints[k]);
        }
    }
    galtk::read_list(unit, {"fuzz record", index}, std::span<const galtk::Dest>(dests));
}

// --- writing a record with write_list ---------------------------------------------------
// A record is written as the runs of equal kind it consists of, as list items in one
// write_list call: integers(...), reals(...), integers(...), ... The number of runs is
// known at run time only, so each count and each kind of the first run has its own call.
struct Runs {
    std::array<std::pair<std::size_t, std::size_t>, max_dests> span{};  // first, length
    std::size_t count = 0;
    bool first_real = false;
};

template <bool FirstReal, std::size_t I>
auto run_item(const Record& rec, const Runs& runs) {
    const auto [first, length] = runs.span[I];
    if constexpr ((I % 2 == 0) == FirstReal) {
        return galtk::reals(std::span<const float>(rec.reals.data() + first, length));
    } else {
        return galtk::integers(std::span<const std::int32_t>(rec.ints.data() + first, length));
    }
}

template <bool FirstReal, std::size_t... I>
void write_runs(galtk::Unit& unit, const Record& rec, const Runs& runs, std::index_sequence<I...>) {
    galtk::write_list(unit, run_item<FirstReal, I>(rec, runs)...);
}

template <bool FirstReal>
void write_runs_n(galtk::Unit& unit, const Record& rec, const Runs& runs) {
    [&]<std::size_t... N>(std::index_sequence<N...>) {
        (void)((runs.count == N + 1 ? (write_runs<FirstReal>(unit, rec, runs, std::make_index_sequence<N + 1>()), true)
                                    : false) ||
               ...);
    }(std::make_index_sequence<max_dests>());
}

void write_record(galtk::Unit& unit, const Pattern& pat, const Record& rec) {
    if (pat.count == 0) {
        galtk::write_list(unit);
        return;
    }
    Runs runs;
    runs.first_real = pat.is_real(0);
    for (std::size_t k = 0; k < pat.count; ++k) {
        if (k == 0 || pat.is_real(k) != pat.is_real(k - 1)) runs.span[runs.count++] = {k, 0};
        ++runs.span[runs.count - 1].second;
    }
    if (runs.first_real) {
        write_runs_n<true>(unit, rec, runs);
    } else {
        write_runs_n<false>(unit, rec, runs);
    }
}

bool same_real(float a, float b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string real_bits(float v) {
    std::uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    char buf[64];
    std::snprintf(buf, sizeof buf, "0x%08x (%.9g)", u, static_cast<double>(v));
    return buf;
}

void compare_records(const Pattern& pat, const Record& want, const Record& got, std::size_t index) {
    for (std::size_t k = 0; k < pat.count; ++k) {
        if (pat.is_real(k)) {
            if (!same_real(want.reals[k], got.reals[k]))
                finding("real changed in write and read back",
                        "record " + std::to_string(index) + " item " + std::to_string(k + 1) + ": wrote " +
                            real_bits(want.reals[k]) + ", read " + real_bits(got.reals[k]));
        } else if (want.ints[k] != got.ints[k]) {
            finding("integer changed in write and read back",
                    "record " + std::to_string(index) + " item " + std::to_string(k + 1) + ": wrote " +
                        std::to_string(want.ints[k]) + ", read " + std::to_string(got.ints[k]));
        }
    }
}

// --- the reference for a single token -----------------------------------------------------
inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The first token of the file when it is a value (not a null value, slash or repeat form).
std::optional<std::string> first_token(std::string_view text) {
    std::size_t p = 0;
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t' || text[p] == '\r' || text[p] == '\n')) ++p;
    if (p == text.size() || text[p] == ',' || text[p] == '/') return std::nullopt;
    std::size_t e = p;
    while (e < text.size() && !(text[e] == ' ' || text[e] == '\t' || text[e] == '\r' || text[e] == '\n' ||
                                text[e] == ',' || text[e] == '/'))
        ++e;
    std::string token(text.substr(p, e - p));
    std::size_t d = 0;
    while (d < token.size() && is_digit(token[d])) ++d;
    if (d > 0 && d < token.size() && token[d] == '*') return std::nullopt;
    return token;
}

// [+-]? digits: its value, or nullopt outside the 32-bit range. `ok` false when malformed.
std::optional<std::int32_t> reference_integer(const std::string& t, bool& ok) {
    std::size_t p = 0;
    bool negative = false;
    if (p < t.size() && (t[p] == '+' || t[p] == '-')) negative = t[p++] == '-';
    ok = p < t.size();
    for (std::size_t q = p; q < t.size(); ++q) ok = ok && is_digit(t[q]);
    if (!ok) return std::nullopt;
    std::int64_t v = 0;
    for (; p < t.size(); ++p) {
        v = v * 10 + (t[p] - '0');
        if (v > std::int64_t{1} << 31) return std::nullopt;
    }
    if (negative) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(v);
}

bool equals_nocase(std::string_view a, std::string_view word) {
    if (a.size() != word.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    return true;
}

// A real token: its correctly rounded value, or nullopt beyond the float range. `ok`
// false when malformed. Grammar: [+-]? (digits [. digits*] | . digits) ([EeDd] [+-]? digits)?
// or [+-]? (inf | infinity | nan) in any case.
std::optional<float> reference_real(std::string t, bool& ok) {
    std::size_t p = 0;
    bool negative = false;
    if (p < t.size() && (t[p] == '+' || t[p] == '-')) negative = t[p++] == '-';
    std::string_view rest = std::string_view(t).substr(p);
    if (equals_nocase(rest, "inf") || equals_nocase(rest, "infinity")) {
        ok = true;
        return negative ? -INFINITY : INFINITY;
    }
    if (equals_nocase(rest, "nan")) {
        ok = true;
        return NAN;
    }
    std::size_t q = p, digits = 0;
    while (q < t.size() && is_digit(t[q])) ++q, ++digits;
    if (q < t.size() && t[q] == '.') {
        ++q;
        while (q < t.size() && is_digit(t[q])) ++q, ++digits;
    }
    ok = digits > 0;
    if (ok && q < t.size() && (t[q] == 'e' || t[q] == 'E' || t[q] == 'd' || t[q] == 'D')) {
        t[q] = 'e';
        ++q;
        if (q < t.size() && (t[q] == '+' || t[q] == '-')) ++q;
        ok = q < t.size();
        while (q < t.size() && is_digit(t[q])) ++q;
    }
    ok = ok && q == t.size();
    if (!ok) return std::nullopt;
    const float v = std::strtof(t.c_str(), nullptr);  // glibc: correctly rounded
    if (std::isinf(v)) return std::nullopt;
    return v;
}

void check_first_value(const Pattern& pat, const Record& rec, bool read_ok, const std::string& failure,
                       std::string_view text) {
    if (pat.count != 1) return;
    auto token = first_token(text);
    if (!token) return;
    bool ok = false;
    if (pat.is_real(0)) {
        auto want = reference_real(*token, ok);
        if (ok && want) {
            if (!read_ok) finding("well-formed real refused", "\"" + *token + "\": " + failure);
            if (!same_real(*want, rec.reals[0]))
                finding("real read differs from the correctly rounded value",
                        "\"" + *token + "\": read " + real_bits(rec.reals[0]) + ", want " + real_bits(*want));
        } else if (read_ok) {
            finding(ok ? "real beyond the float range accepted" : "malformed real accepted", "\"" + *token + "\"");
        }
    } else {
        auto want = reference_integer(*token, ok);
        if (ok && want) {
            if (!read_ok) finding("well-formed integer refused", "\"" + *token + "\": " + failure);
            if (*want != rec.ints[0])
                finding("integer read differs", "\"" + *token + "\": read " + std::to_string(rec.ints[0]));
        } else if (read_ok) {
            finding(ok ? "integer out of range accepted" : "malformed integer accepted", "\"" + *token + "\"");
        }
    }
}

// --- format_real on raw bit patterns ------------------------------------------------------
void check_format(float v) {
    // Exactly real_text_max bytes on the heap, so that AddressSanitizer sees any overrun.
    std::vector<char> out(galtk::real_text_max);
    char* end = galtk::format_real(v, out.data());
    const auto len = end - out.data();
    if (len <= 0 || len > galtk::real_text_max) finding("format_real length", real_bits(v));
    std::string text(out.data(), static_cast<std::size_t>(len));
    if (std::isnan(v)) {
        if (text != "NaN") finding("NaN formatted as", text);
        return;
    }
    if (std::isinf(v)) {
        if (text != (v < 0 ? "-Infinity" : "Infinity")) finding("infinity formatted as", text);
        return;
    }
    // Nine significant digits, correctly rounded: the same decimal as the exact route.
    char exact[40];
    auto r = std::to_chars(exact, exact + sizeof exact - 1, v, std::chars_format::scientific, 8);
    *r.ptr = '\0';
    const double a = std::strtod(text.c_str(), nullptr);
    const double b = std::strtod(exact, nullptr);
    if (a != b || std::signbit(a) != std::signbit(b))
        finding("format_real digits", real_bits(v) + " gave \"" + text + "\", nine digits are " + exact);
    const float m = std::fabs(v);
    const bool fixed = text.find('E') == std::string::npos;
    const bool want_fixed = m == 0.0f || (m >= 1e-3f && m < 1e9f);
    if (fixed != want_fixed) finding("format_real form", real_bits(v) + " gave \"" + text + "\"");
    if (text.find('.') == std::string::npos) finding("format_real without a point", text);
}

void one_input(const std::uint8_t* data, std::size_t size, MemFile& in_file, MemFile& out_file) {
    Pattern pat;
    pat.count = size > 0 ? data[0] % (max_dests + 1) : 0;
    pat.real_mask = (size > 1 ? data[1] : 0u) | (size > 2 ? static_cast<std::uint32_t>(data[2]) << 8 : 0u);
    const std::size_t skip = size < 3 ? size : 3;
    const std::uint8_t* content = data + skip;
    const std::size_t content_size = size - skip;
    const std::string_view text(reinterpret_cast<const char*>(content), content_size);
    in_file.assign(content, content_size);

    char arg0[] = "fuzzlist";
    char* argv[] = {arg0, nullptr};
    static const galtk::ProgramInfo info{program, "fuzz target of list-directed reading and writing", ""};
    galtk::Run run(info, 1, argv);
    run.throw_on_failure(true);

    // 1. Read records until the file ends or a read fails.
    std::vector<Record> records;
    galtk::Unit& in = run.open_unit(1, in_file.path);
    for (int i = 0; i < max_records; ++i) {
        Record rec;
        bool read_ok = true;
        std::string failure;
        try {
            read_record(in, pat, rec, i + 1, 0, 0.0f);
        } catch (const galtk::RunFailure& f) {
            check_failure(f);
            read_ok = false;
            failure = f.what();
        }
        if (i == 0) check_first_value(pat, rec, read_ok, failure, text);  // 2.
        if (!read_ok) break;
        records.push_back(rec);
    }

    // Reals from the raw bytes.
    std::vector<float> raw;
    for (std::size_t k = 0; k + 4 <= content_size && raw.size() < max_raw_floats; k += 4) {
        float v;
        std::memcpy(&v, content + k, sizeof v);
        raw.push_back(v);
        check_format(v);  // 4.
    }

    // 3. Write everything read (and the raw reals, one line), then read it back.
    try {
        galtk::Unit& out = run.open_unit(2, out_file.path);
        for (const Record& rec : records) write_record(out, pat, rec);
        galtk::write_list(out, galtk::reals(std::span<const float>(raw)));
        out.flush();
    } catch (const galtk::RunFailure& f) {
        finding("write failed", f.what());
    }
    galtk::Unit& back = run.open_unit(3, out_file.path);
    try {
        for (std::size_t i = 0; i < records.size(); ++i) {
            Record got;
            read_record(back, pat, got, static_cast<std::int64_t>(i + 1), -123456789, 1234.5f);
            compare_records(pat, records[i], got, i + 1);
        }
        std::vector<float> raw_back(raw.size(), 1234.5f);
        galtk::read_list(back, {"raw reals"}, galtk::reals(std::span<float>(raw_back)));
        for (std::size_t k = 0; k < raw.size(); ++k)
            if (!same_real(raw[k], raw_back[k]))
                finding("raw real changed in write and read back",
                        "wrote " + real_bits(raw[k]) + ", read " + real_bits(raw_back[k]));
    } catch (const galtk::RunFailure& f) {
        finding("reading back what was written failed", f.what());
    }
    // One write is one line: nothing is left after the last of them.
    bool at_end = false;
    try {
        galtk::read_list(back, {"past the end"});
    } catch (const galtk::RunFailure& f) {
        check_failure(f);
        at_end = true;
    }
    if (!at_end) finding("written file holds more lines than were written");
    run.finish();
}

}  // namespace

// --- big buffers ---------------------------------------------------------------------------
// Every unit takes buffers of about a megabyte. Under AddressSanitizer each such block is
// mapped fresh and unmapped again, and the page faults cost more than the whole input;
// so blocks of that size are kept for the next input instead. A kept block is poisoned,
// so a use after its release is still reported, and a block is only handed out again for
// exactly its own size, so an overrun still runs into the allocator's red zone. (The
// replaced operators allocate with malloc; blocks with extended alignment keep the
// sanitizer's own operators.)
namespace big_blocks {
constexpr std::size_t threshold = 256 * 1024;
constexpr int slots = 16;
struct Slot {
    void* p = nullptr;
    std::size_t size = 0;
};
Slot kept[slots];

void* take(std::size_t size) {
    for (Slot& s : kept) {
        if (s.p && s.size == size) {
            void* p = s.p;
            s.p = nullptr;
            ASAN_UNPOISON_MEMORY_REGION(p, size);
            return p;
        }
    }
    return nullptr;
}

bool keep(void* p) {
    const std::size_t size = ::malloc_usable_size(p);
    if (size < threshold) return false;
    for (Slot& s : kept) {
        if (!s.p) {
            s = {p, size};
            ASAN_POISON_MEMORY_REGION(p, size);
            return true;
        }
    }
    return false;
}
}  // namespace big_blocks

void* operator new(std::size_t size) {
    if (size >= big_blocks::threshold)
        if (void* p = big_blocks::take(size)) return p;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept {
    if (p && !big_blocks::keep(p)) std::free(p);
}
void operator delete[](void* p) noexcept { ::operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { ::operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { ::operator delete(p); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return ::operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return ::operator new(size, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { ::operator delete(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { ::operator delete(p); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemFile in_file("fuzz-in");
    static MemFile out_file("fuzz-out");
    const int fd_mark = next_fd();
    one_input(data, size, in_file, out_file);
    if (next_fd() != fd_mark) finding("file descriptor leaked by a run");
    return 0;
}
