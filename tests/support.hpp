// Support for end-to-end tests: a scratch working directory, input files, a program run
// with given standard input, and the files and console read back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "vec3.hpp"

namespace galtk::test {

// Path of a built program of the toolkit, e.g. program_path("galmix").
std::string program_path(std::string_view name);

struct RunResult {
    int status = -1;        // exit status; 128 + signal number when killed by a signal
    std::string out;        // standard output
    std::string err;        // standard error
    std::vector<std::string> out_lines() const;
    std::vector<std::string> err_lines() const;
};

// A fresh directory under the system's temporary folder, removed when the object dies
// (kept when the environment variable GALTK_KEEP_SCRATCH is set).
class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    std::filesystem::path path(std::string_view name) const { return dir_ / name; }

    void write(std::string_view name, std::string_view content) const;
    std::string read(std::string_view name) const;   // empty string if absent
    bool exists(std::string_view name) const;
    std::vector<std::string> lines(std::string_view name) const;

    // Runs program `name` of the toolkit in this directory with `stdin_text` on its
    // standard input; extra arguments optional. Times out (status -1) after `timeout_s`.
    RunResult run(std::string_view name, std::string_view stdin_text = {},
                  const std::vector<std::string>& args = {}, int timeout_s = 60) const;

private:
    std::filesystem::path dir_;
};

// The whitespace/comma-separated tokens of one line.
std::vector<std::string> tokens(std::string_view line);
// Token parsed as a single-precision real / 32-bit integer (test failure if it is not).
float as_real(std::string_view token);
std::int32_t as_int(std::string_view token);
// All tokens of a line as reals.
std::vector<float> reals_of(std::string_view line);
// A float as text with nine significant digits (reads back to the same float), for
// writing test inputs independently of the toolkit's own writer.
std::string real_text(float v);
// Bit pattern of a float, for exact comparisons.
std::uint32_t bits(float v);
float from_bits(std::uint32_t b);

// --- input files of the model-building programs ---

// Values of the structural records that the programs use.
struct StructuralValues {
    float fspi = 0.1f;
    float fbul = 0.2f;
    float bscale = 1.0f;
    float fbar = 0.2f;
    float bara = 2.0f;
    float barb = 1.0f;
    float fr1 = 0.05f;
    float fr2 = 0.05f;
};
// Structural records 1 to `count` ("sh1.para" 21, "si1.para" 11), one a line: the
// used records from `v`, fixed values of their types for the others (records 1, 3 and 8
// integers). `lines` replaces the whole line of record k.
std::string structural_records(const StructuralValues& v = {}, int count = 21,
                               const std::map<int, std::string>& lines = {});
// A position list file: the count line, then `x y z` per position (real_text each).
std::string position_list(const std::vector<Vec3>& list);
// The content of an output file before a run that must leave it untouched.
inline const std::string previous_model = "previous model\n";

// --- console lines ---

// The value tokens of the first console line labelled `label` (the label followed
// directly by values, so "totm" does not match "totm (d)"); empty if there is none.
std::vector<std::string> console_values(const RunResult& r, std::string_view label);
// A token that starts like a number the writer prints (digits, sign, point, Infinity, NaN).
bool numeric_token(const std::string& t);

}  // namespace galtk::test
