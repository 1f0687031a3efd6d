// The bad-input sweep: every program is run on many working directories derived from a
// small valid one (sweep_cases.hpp). Every run must end within seconds, either normally
// (exit 0, nothing on stderr) or with exactly one diagnostic line "<program>: ..." and
// status 1 or 2; never by a signal, a hang or a sanitizer report. Files that a program
// promises to leave alone (outputs of a failed run, files it only binds) must keep
// their contents. Each program's sweep is one test, so that they run in parallel.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <iostream>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "support.hpp"
#include "sweep_cases.hpp"

namespace galtk::test {
namespace {

using sweep::Case;
using sweep::InputFile;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
constexpr int case_timeout_s = 10;
#else
constexpr bool sanitized = false;
constexpr int case_timeout_s = 5;
#endif

// Counts of particles to draw or values to write get this instead of the huge count.
const std::string work_count_large = "100000";

const std::string sentinel = "sentinel: contents from before the run\n";

struct Program {
    std::string name;
    std::vector<InputFile> inputs;    // the valid base directory (standard input included)
    std::set<std::string> work_counts;  // "file:line:column" of counts of work, not of data
    std::vector<std::string> written;   // written by every run that ends normally
    std::vector<std::string> bound_only;  // bound and never written: always unchanged
    // Outputs that a failed run leaves unchanged, given the input that was changed.
    std::function<std::vector<std::string>(const std::string& changed)> kept_on_failure;
    // Console text of a documented early stop (exit 0) before any output is written.
    std::string stop_text;
};

std::string lines_of(std::initializer_list<const char*> lines) {
    std::string t;
    for (const char* l : lines) t += std::string(l) + "\n";
    return t;
}


std::vector<std::string> files(std::vector<std::string> names) { return names; }

Program diskgen() {
    return {"diskgen",
            {{"si2.para", lines_of({"1.0", "10.0 1.0", "7.0 0.2", "20"})},
             {"si1.dat", lines_of({"0.0", "2.5", "1000"})},
             {"sip1.dat", lines_of({"3", "0.1 0.2 0.3", "-0.5 0.25 0.0", "1.5 -1.0 0.05"})}},
            {"si2.para:4:1"},
            {"sip2.dat"},
            {},
            [](const std::string&) { return files({"sip2.dat"}); },
            {}};
}

Program diskbulge() {
    return {"diskbulge",
            {{"si1.para", structural_records({.fbul = 0.5f, .bscale = 2.0f}, 11)},
             {"sip2.dat", lines_of({"4 0.0", "4", "0.05 0.05 0.05 0.05 0.05", "0.25 0.25 0.25 0.25 0.25",
                                    "0.0 0.0 0.0 0.0 0.0 0.0 1", "1.0 2.0 0.1 0.0 0.0 0.0 1",
                                    "-1.0 0.5 -0.1 0.0 0.0 0.0 1", "0.5 -2.0 0.2 0.0 0.0 0.0 1"})},
             {"sip3.dat", lines_of({"3", "0.1 0.2 0.3", "-0.1 0.0 0.05", "0.3 -0.2 0.0"})}},
            {},
            {"tinit.dat"},
            {},
            [](const std::string&) { return files({"tinit.dat"}); },
            {}};
}

Program galmix() {
    return {"galmix",
            {{"galmix.para", lines_of({"1"})},
             {"rdisk.para", lines_of({"1.0"})},
             {"rgal.para", lines_of({"1.0"})},
             {"sh1.para", structural_records()},
             {"di.dat", lines_of({"3 0.0", "5", "0.01 0.01 0.01 0.01 0.01", "0.001 0.001 0.001 0.001 0.001",
                                  "0.5 0.2 0.1 0.5 -0.5 0.25 1", "3.0 0.0 0.0 0.5 -0.5 0.25 1",
                                  "-1.0 0.5 -0.2 0.5 -0.5 0.25 1"})},
             {"shp1.dat", lines_of({"2", "4.0 1.0 0.1", "-4.0 -1.0 0.0"})},
             {"r1.dat", lines_of({"2", "2.0 0.0 0.0", "0.0 -2.0 0.05"})},
             {"r2.dat", lines_of({"2", "6.0 0.0 0.0", "0.0 6.0 -0.05"})},
             {"sip3.dat", lines_of({"2", "0.1 0.2 0.3", "-0.1 0.0 0.05"})}},
            {},
            {"tinit.dat"},
            {},
            // The model is written only after every input has been read.
            [](const std::string&) { return files({"tinit.dat"}); },
            "Error:fnon ge 1.0"};
}

Program parsample() {
    return {"parsample",
            {{"th1.para", lines_of({"5"})},
             {"th1a.para", lines_of({"1", "0.0 1.0", "0.5 2.0", "-1.0 1.0", "0.0 0.1"})}},
            {"th1.para:1:1"},
            {"denve.dat"},
            {},
            // Every setting is read before the first draw is written.
            [](const std::string&) { return files({"th1.dat", "th2.dat", "th0.dat", "th01.dat", "denve.dat"}); },
            {}};
}

Program parsub() {
    return {"parsub",
            {{"sh1.para0", structural_records()},
             {"th3.dat", lines_of({"4.0"})},
             {"th4.dat", lines_of({"0.2"})},
             {"th5.dat", lines_of({"1.5"})},
             {"th6.dat", lines_of({"2.0"})}},
            {},
            {"sh1.para", "rdisk.para"},
            {},
            // "rdisk.para" is written as soon as s5 is read, before "th6.dat" is.
            [](const std::string& changed) {
                if (changed == "th6.dat" || changed == "*") return files({"sh1.para"});
                return files({"sh1.para", "rdisk.para"});
            },
            {}};
}

Program projmap() {
    const std::string map = lines_of({"1.5", "2.5", "3.5", "4.5", "5.5", "6.5", "7.5", "8.5"});
    return {"projmap",
            {{sweep::stdin_name, lines_of({"1", "2", "2", "2"})},
             {"denve.dat", lines_of({"2", "1.0 2.0", "3.0 4.0"})},
             {"2df.dat.m1", map},
             {"2df.dat.m2", map}},
            {},
            {"l.dat", "2dfvn.dat"},
            {"test.dat", "2dftn.dat"},
            // Outputs are written as the maps are copied: a failed run keeps what it wrote.
            [](const std::string&) { return std::vector<std::string>{}; },
            "Error: map kind must be 1, 2 or 3"};
}

Program mkcomponents() {
    return {"mkcomponents",
            {{"mkcomp.para", lines_of({"-4711", "20 0.4 3.0", "20 4.0 12.0 15.0 1.0", "10 4.0 0.6", "10 11.0 1.0",
                                       "5 0.2", "0.1"})}},
            {"mkcomp.para:2:1", "mkcomp.para:3:1", "mkcomp.para:4:1", "mkcomp.para:5:1", "mkcomp.para:6:1"},
            {"sip3.dat", "shp1.dat", "r1.dat", "r2.dat", "sip1.dat"},
            {},
            // Every parameter is read and checked before the first list is written.
            [](const std::string&) { return files({"sip3.dat", "shp1.dat", "r1.dat", "r2.dat", "sip1.dat"}); },
            {}};
}

bool contains(const std::string& text, const char* what) { return text.find(what) != std::string::npos; }

std::string first_line(const std::string& text) {
    std::string l = text.substr(0, text.find('\n'));
    return l.size() > 200 ? l.substr(0, 200) + "..." : l;
}

// What is wrong with one run; empty when it kept every rule.
std::string check_run(const Program& p, const Case& c, const Scratch& dir, const RunResult& r,
                      const std::vector<std::string>& seeded) {
    if (r.status == -1) return "did not end within " + std::to_string(case_timeout_s) + " s";
    if (r.status >= 128) return "ended by signal " + std::to_string(r.status - 128) + "; stderr: " + first_line(r.err);
    for (const char* report : {"runtime error", "AddressSanitizer", "LeakSanitizer"})
        if (contains(r.err, report)) return std::string("sanitizer report: ") + first_line(r.err);

    if (r.status == 0) {
        if (!r.err.empty()) return "exit 0 with stderr: " + first_line(r.err);
    } else {
        if (r.status != 1 && r.status != 2) return "exit status " + std::to_string(r.status);
        const std::size_t newline = r.err.find('\n');
        if (newline == std::string::npos || newline + 1 != r.err.size())
            return "stderr is not exactly one line: " + first_line(r.err);
        if (r.err.rfind(p.name + ": ", 0) != 0) return "diagnostic not prefixed by the program: " + first_line(r.err);
        if (r.err.size() > 1000) return "diagnostic line of " + std::to_string(r.err.size()) + " bytes";
    }

    for (const std::string& f : p.bound_only)
        if (dir.read(f) != sentinel) return f + " (bound only) was changed";
    const bool stopped = r.status == 0 && !p.stop_text.empty() && contains(r.out, p.stop_text.c_str());
    if (r.status != 0 || stopped) {
        for (const std::string& f : p.kept_on_failure(c.changed))
            if (dir.read(f) != sentinel) return f + " was changed by a run that " + (stopped ? "stopped" : "failed");
    }
    if (stopped) {
        // A stop before the outputs: none of them is created or changed.
        for (const std::string& f : p.written) {
            const bool was_seeded = std::find(seeded.begin(), seeded.end(), f) != seeded.end();
            if (was_seeded ? dir.read(f) != sentinel : dir.exists(f)) return f + " was touched by a stopped run";
        }
    } else if (r.status == 0) {
        for (const std::string& f : p.written)
            if (!dir.exists(f) || dir.read(f) == sentinel) return "exit 0 but " + f + " was not written";
    }
    return {};
}

// Case counts and times of the sweeps that ran in this process, for the closing line.
struct Tally {
    std::mutex m;
    std::map<std::string, std::pair<std::size_t, double>> runs;
};
Tally& tally() {
    static Tally t;
    return t;
}

class SweepSummary : public ::testing::Environment {
public:
    void TearDown() override {
        std::lock_guard<std::mutex> lock(tally().m);
        if (tally().runs.empty()) return;
        std::string line = "sweep:";
        std::size_t total = 0;
        for (const auto& [name, run] : tally().runs) {
            line += " " + name + " " + std::to_string(run.first) + " cases,";
            total += run.first;
        }
        std::cout << line << " total " << total << " cases" << std::endl;
    }
};
const auto* const summary = ::testing::AddGlobalTestEnvironment(new SweepSummary);

// Outside the sanitizer build (whose shadow memory needs terabytes of address space),
// the programs run with at most 1 GiB of address space: a count far larger than the
// data must not reserve gigabytes before the data is read.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(rlim_t bytes = rlim_t{1} << 30) {
        if (sanitized) return;
        getrlimit(RLIMIT_AS, &old_);
        rlimit lim = old_;
        lim.rlim_cur = std::min<rlim_t>(old_.rlim_max, bytes);
        set_ = setrlimit(RLIMIT_AS, &lim) == 0;
    }
    ~AddressSpaceLimit() {
        if (set_) setrlimit(RLIMIT_AS, &old_);
    }

private:
    rlimit old_{};
    bool set_ = false;
};

void sweep_program(const Program& p) {
    const std::vector<Case> cases = sweep::derive_cases(p.inputs, p.work_counts, work_count_large);
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> problems;
    std::size_t ended[3] = {0, 0, 0};  // exit 0, refused (1), read or I/O failure (2)
    {
        const AddressSpaceLimit limit;
        for (const Case& c : cases) {
            Scratch dir;
            std::string stdin_text;
            for (const InputFile& in : c.inputs) {
                if (!in.text) continue;
                if (in.name == sweep::stdin_name)
                    stdin_text = *in.text;
                else
                    dir.write(in.name, *in.text);
            }
            std::vector<std::string> seeded = p.kept_on_failure(c.changed);
            seeded.insert(seeded.end(), p.bound_only.begin(), p.bound_only.end());
            for (const std::string& f : seeded) dir.write(f, sentinel);

            const RunResult r = dir.run(p.name, stdin_text, {}, case_timeout_s);
            if (r.status >= 0 && r.status <= 2) ++ended[r.status];
            const std::string problem = check_run(p, c, dir, r, seeded);
            if (!problem.empty()) problems.push_back(c.label + ": " + problem);
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    {
        std::lock_guard<std::mutex> lock(tally().m);
        tally().runs[p.name] = {cases.size(), seconds};
    }
    char line[200];
    std::snprintf(line, sizeof line, "sweep: %s %zu cases (exit 0: %zu, refused: %zu, read failures: %zu), %.1f s%s",
                  p.name.c_str(), cases.size(), ended[0], ended[1], ended[2], seconds,
                  sanitized ? " (sanitizer build)" : "");
    std::cout << line << std::endl;
    ::testing::Test::RecordProperty("cases", static_cast<int>(cases.size()));

    std::string shown;
    for (std::size_t i = 0; i < problems.size() && i < 30; ++i) shown += "  " + problems[i] + "\n";
    EXPECT_TRUE(problems.empty()) << problems.size() << " of " << cases.size() << " runs broke the rules:\n"
                                  << shown;
}

TEST(BadInputSweep, Diskgen) { sweep_program(diskgen()); }
TEST(BadInputSweep, Diskbulge) { sweep_program(diskbulge()); }
TEST(BadInputSweep, Galmix) { sweep_program(galmix()); }
TEST(BadInputSweep, Parsample) { sweep_program(parsample()); }
TEST(BadInputSweep, Parsub) { sweep_program(parsub()); }
TEST(BadInputSweep, Projmap) { sweep_program(projmap()); }
TEST(BadInputSweep, Mkcomponents) { sweep_program(mkcomponents()); }

// The generator itself: the kinds of cases derived from a two-line file.
TEST(BadInputSweep, CasesDerivedFromOneFile) {
    const std::vector<Case> cases =
        sweep::derive_cases({{"a.para", std::string("12\n0.5 7\n")}}, {"a.para:2:2"}, "999");
    std::set<std::string> labels;
    for (const Case& c : cases) labels.insert(c.label);
    for (const char* expected :
         {"a.para: missing", "a.para: empty", "a.para: truncated after line 1", "a.para: cut inside line 1",
          "a.para: cut inside line 2", "a.para: binary", "a.para: one 10 MB line of values",
          "a.para: one 10 MB token", "a.para: CRLF line ends", "a.para: line 1 value 1 = 2000000000",
          "a.para: line 2 value 1 = NaN", "a.para: line 2 value 1 = Infinity", "a.para: line 2 value 2 = 999",
          "a.para: line 2 value 2 = -1", "a.para: line 2 value 2 = 2.5", "a.para: line 1 value 1 = ,",
          "a.para: line 2 value 1 = /", "all inputs: CRLF line ends"})
        EXPECT_EQ(labels.count(expected), 1u) << expected;
    EXPECT_EQ(labels.count("a.para: line 2 value 2 = 2000000000"), 0u);
    for (const Case& c : cases) {
        const std::optional<std::string>& text = c.inputs[0].text;
        if (c.label == "a.para: missing") {
            EXPECT_FALSE(text.has_value());
        } else if (c.label == "a.para: line 2 value 1 = NaN") {
            EXPECT_EQ(text, "12\nNaN 7\n");
        } else if (c.label == "a.para: CRLF line ends") {
            EXPECT_EQ(text, "12\r\n0.5 7\r\n");
        } else if (c.label == "a.para: cut inside line 2") {
            EXPECT_EQ(text, "12\n0.");
        }
    }
}

// A disk count far beyond memory: the store cannot grow, and the run ends with one
// diagnostic and status 2 (not an abort with the runtime's two-line message).
TEST(BadInputSweep, WorkCountBeyondMemoryEndsWithOneDiagnostic) {
    if (sanitized) GTEST_SKIP() << "the sanitizer build cannot run under an address-space limit";
    Scratch dir;
    dir.write("si2.para", "1.0\n10.0 1.0\n3.0 0.2\n2000000000\n");
    dir.write("si1.dat", "0.0\n3.0\n1000\n");
    dir.write("sip1.dat", "0\n");
    dir.write("sip2.dat", "before\n");
    RunResult r;
    {
        const AddressSpaceLimit limit(rlim_t{160} << 20);
        r = dir.run("diskgen", {}, {}, 60);
    }
    EXPECT_EQ(r.status, 2);
    ASSERT_EQ(r.err_lines().size(), 1u) << r.err;
    EXPECT_NE(r.err.find("diskgen: out of memory"), std::string::npos) << r.err;
    EXPECT_EQ(dir.read("sip2.dat"), "before\n");
}

}  // namespace
}  // namespace galtk::test
