// The frame of one program run: the program's name, its bound units, the console, and
// the three ways a run ends (normal end, bare stop, failure).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <stdexcept>
#include <string_view>

#include "unit.hpp"

namespace galtk {

// What `--help` prints: the program's purpose and its files, one line each.
struct ProgramInfo {
    const char* name;
    const char* summary;  // one line: what the program does
    const char* files;    // lines "  reads  si2.para  ...", each ending in '\n'
};

// Thrown instead of ending the process when a Run is set to throw on failure (for the
// fuzzer and in-process tests); carries the exit status and the diagnostic line.
struct RunFailure : std::runtime_error {
    int status;
    RunFailure(int s, const std::string& line) : std::runtime_error(line), status(s) {}
};

class Run {
public:
    // Handles `--help`/`-h` and `--version` (print, exit 0, no file touched); any other
    // argument is ignored.
    Run(const ProgramInfo& info, int argc, char** argv);
    // A run inside library code (the formats library reading or writing a text file for
    // another program): no arguments handled, no process-wide out-of-memory handler, no
    // console units; every failure is thrown as RunFailure. Units are made by the caller
    // (Unit's constructor) on descriptors it opened.
    struct Embedded {};
    Run(std::string_view program, Embedded);
    ~Run();
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // Binds `number` to `file_name` in the working directory. An absent file is created
    // empty; a unit that holds another file releases it first; binding a unit again to
    // the name it already holds changes nothing (the position stays).
    Unit& open_unit(int number, std::string_view file_name);
    Unit& unit(int number);   // a unit bound before (5 and 6 always are)
    Unit& console() { return unit(6); }
    Unit& input() { return unit(5); }

    // Bare stop: flush and close everything, exit status 0, nothing printed.
    [[noreturn]] void stop_run();
    // Normal end of main: flush and close everything; returns the exit status (0).
    int finish();
    // A refused input (a check of the program's own): one line on stderr, status 1.
    // Output already written stays.
    [[noreturn]] void refuse(std::string_view message);
    // An I/O failure: one line on stderr, status 2. Output already written stays.
    [[noreturn]] void fail(std::string_view message);

    const std::string& program() const { return program_; }

    // Failures throw RunFailure instead of printing and exiting.
    void throw_on_failure(bool on) { throw_on_failure_ = on; }

    // Flushes every unit that holds pending output, in binding order. Used before
    // standard input is read and on every way out of the run.
    void flush_all();

private:
    void close_all();

    std::string program_;
    std::map<int, std::unique_ptr<Unit>> units_;
    bool ending_ = false;
    bool throw_on_failure_ = false;
};

}  // namespace galtk
