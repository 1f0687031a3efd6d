// Support for end-to-end tests: a scratch working directory, input files, a program run
// with given standard input, and the files and console read back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

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

}  // namespace galtk::test
