#include "component_parameters.hpp"

#include <cstdio>
#include <limits>
#include <string>

#include "list_reader.hpp"

namespace mkcomponents {

ComponentParameters read_parameters(galtk::Unit& para) {
    ComponentParameters p;
    galtk::read_list(para, {"record 1 (seed)"}, p.seed);
    galtk::read_list(para, {"record 2 (nbu, abu, rbumax)"}, p.nbu, p.abu, p.rbumax);
    galtk::read_list(para, {"record 3 (nspi, rin, rout, pitch, width)"}, p.nspi, p.rin, p.rout, p.pitch, p.width);
    galtk::read_list(para, {"record 4 (nr1, r1, w1)"}, p.nr1, p.r1, p.w1);
    galtk::read_list(para, {"record 5 (nr2, r2, w2)"}, p.nr2, p.r2, p.w2);
    galtk::read_list(para, {"record 6 (nadd, radd)"}, p.nadd, p.radd);
    galtk::read_list(para, {"record 7 (hz)"}, p.hz);
    return p;
}

namespace {

// Sizes are kept well inside the single-precision range so that squares, ratios and
// logarithms of them never overflow: every position written is finite.
constexpr float min_size = 1e-15f;
constexpr float max_size = 1e15f;

std::string real_text(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(v));
    return text;
}

// The checks of one record, each refusal naming the record and the value.
class RecordCheck {
public:
    RecordCheck(galtk::Run& run, int record) : run_(run), record_(record) {}

    void count(const char* name, std::int32_t n) const {
        if (n < 0) refuse(name, "must not be negative", std::to_string(n));
    }
    void radius(const char* name, float v) const {
        if (!(v >= min_size && v <= max_size)) refuse(name, "must lie between 1e-15 and 1e15", real_text(v));
    }
    void spread(const char* name, float v) const {
        if (!(v >= 0.0f && v <= max_size)) refuse(name, "must lie between 0 and 1e15", real_text(v));
    }
    void holds(bool condition, const std::string& message) const {
        if (!condition) run_.refuse("mkcomp.para record " + std::to_string(record_) + ": " + message);
    }

private:
    [[noreturn]] void refuse(const char* name, const char* rule, const std::string& value) const {
        run_.refuse("mkcomp.para record " + std::to_string(record_) + ": " + name + " " + rule + " (found " +
                    value + ")");
    }

    galtk::Run& run_;
    int record_;
};

}  // namespace

void check_parameters(galtk::Run& run, const ComponentParameters& p) {
    // ran1 starts its stream from |seed|; the modulus 2147483647 itself would give a
    // stream of zeros, and -2147483648 has no magnitude in 32 bits.
    const RecordCheck seed(run, 1);
    seed.holds(p.seed > -std::numeric_limits<std::int32_t>::max() && p.seed < std::numeric_limits<std::int32_t>::max(),
               "seed must lie between -2147483646 and 2147483646 (found " + std::to_string(p.seed) + ")");

    const RecordCheck bulge(run, 2);
    bulge.count("nbu", p.nbu);
    bulge.radius("abu", p.abu);
    bulge.radius("rbumax", p.rbumax);

    const RecordCheck arms(run, 3);
    arms.count("nspi", p.nspi);
    arms.radius("rin", p.rin);
    arms.radius("rout", p.rout);
    arms.holds(p.rout > p.rin, "rout must exceed rin");
    arms.holds(p.pitch >= 0.1f && p.pitch <= 89.9f,
               "pitch must lie between 0.1 and 89.9 degrees (found " + real_text(p.pitch) + ")");
    arms.spread("width", p.width);

    const RecordCheck inner(run, 4);
    inner.count("nr1", p.nr1);
    inner.radius("r1", p.r1);
    inner.spread("w1", p.w1);
    inner.holds(p.w1 <= 2.0f * p.r1, "the ring width w1 must not exceed twice the radius r1");

    const RecordCheck outer(run, 5);
    outer.count("nr2", p.nr2);
    outer.radius("r2", p.r2);
    outer.spread("w2", p.w2);
    outer.holds(p.w2 <= 2.0f * p.r2, "the ring width w2 must not exceed twice the radius r2");

    const RecordCheck extra(run, 6);
    extra.count("nadd", p.nadd);
    extra.radius("radd", p.radd);

    const RecordCheck thickness(run, 7);
    thickness.spread("hz", p.hz);
}

}  // namespace mkcomponents
