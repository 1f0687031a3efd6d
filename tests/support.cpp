#include "support.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

extern char** environ;

namespace galtk::test {

namespace fs = std::filesystem;

std::string program_path(std::string_view name) {
    return std::string(GALTK_BUILD_DIR) + "/" + std::string(name) + "/" + std::string(name);
}

namespace {
std::vector<std::string> split_lines(const std::string& s) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < s.size()) {
        std::size_t nl = s.find('\n', start);
        if (nl == std::string::npos) {
            lines.push_back(s.substr(start));
            break;
        }
        lines.push_back(s.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
}  // namespace

std::vector<std::string> RunResult::out_lines() const { return split_lines(out); }
std::vector<std::string> RunResult::err_lines() const { return split_lines(err); }

Scratch::Scratch() {
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    for (;;) {
        fs::path candidate = fs::temp_directory_path() /
                             ("galtk-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
                              std::to_string(rd() % 100000));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            dir_ = candidate;
            return;
        }
    }
}

Scratch::~Scratch() {
    if (std::getenv("GALTK_KEEP_SCRATCH")) return;
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

void Scratch::write(std::string_view name, std::string_view content) const {
    std::ofstream out(path(name), std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path(name);
}

std::string Scratch::read(std::string_view name) const {
    if (!exists(name)) return {};
    return slurp(path(name));
}

bool Scratch::exists(std::string_view name) const { return fs::exists(path(name)); }

std::vector<std::string> Scratch::lines(std::string_view name) const { return split_lines(read(name)); }

RunResult Scratch::run(std::string_view name, std::string_view stdin_text, const std::vector<std::string>& args,
                       int timeout_s) const {
    RunResult result;
    const std::string in_file = (dir_ / ".stdin").string();
    const std::string out_file = (dir_ / ".stdout").string();
    const std::string err_file = (dir_ / ".stderr").string();
    {
        std::ofstream in(in_file, std::ios::binary | std::ios::trunc);
        in.write(stdin_text.data(), static_cast<std::streamsize>(stdin_text.size()));
    }
    const std::string exe = program_path(name);
    std::vector<std::string> argv_s{exe};
    argv_s.insert(argv_s.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argv_s) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in_file.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
    pid_t pid = -1;
    int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        ADD_FAILURE() << "cannot start " << exe << ": " << std::strerror(rc);
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_s);
    int status = 0;
    for (;;) {
        pid_t w = ::waitpid(pid, &status, WNOHANG);
        if (w == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << name << " did not end within " << timeout_s << " s";
            result.status = -1;
            result.out = slurp(out_file);
            result.err = slurp(err_file);
            return result;
        }
        ::usleep(2000);
    }
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) result.status = 128 + WTERMSIG(status);
    result.out = slurp(out_file);
    result.err = slurp(err_file);
    fs::remove(in_file);
    fs::remove(out_file);
    fs::remove(err_file);
    return result;
}

std::vector<std::string> tokens(std::string_view line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == ',' || line[i] == '\t' || line[i] == '\r')) ++i;
        std::size_t j = i;
        while (j < line.size() && !(line[j] == ' ' || line[j] == ',' || line[j] == '\t' || line[j] == '\r')) ++j;
        if (j > i) out.emplace_back(line.substr(i, j - i));
        i = j;
    }
    return out;
}

float as_real(std::string_view token) {
    std::string t(token);
    for (char& c : t)
        if (c == 'd' || c == 'D') c = 'e';
    if (t == "Infinity") return std::numeric_limits<float>::infinity();
    if (t == "-Infinity") return -std::numeric_limits<float>::infinity();
    if (t == "NaN") return std::numeric_limits<float>::quiet_NaN();
    const char* b = t.data();
    if (!t.empty() && t[0] == '+') ++b;
    float v = 0;
    auto [p, ec] = std::from_chars(b, t.data() + t.size(), v);
    EXPECT_TRUE(ec == std::errc() && p == t.data() + t.size()) << "not a real: '" << token << "'";
    return v;
}

std::int32_t as_int(std::string_view token) {
    std::int32_t v = 0;
    auto [p, ec] = std::from_chars(token.data(), token.data() + token.size(), v);
    EXPECT_TRUE(ec == std::errc() && p == token.data() + token.size()) << "not an integer: '" << token << "'";
    return v;
}

std::vector<float> reals_of(std::string_view line) {
    std::vector<float> out;
    for (auto& t : tokens(line)) out.push_back(as_real(t));
    return out;
}

std::string real_text(float v) {
    char b[40];
    std::snprintf(b, sizeof b, "%.9g", static_cast<double>(v));
    return b;
}

std::uint32_t bits(float v) {
    std::uint32_t b;
    std::memcpy(&b, &v, 4);
    return b;
}

float from_bits(std::uint32_t b) {
    float v;
    std::memcpy(&v, &b, 4);
    return v;
}

std::string structural_records(const StructuralValues& v, int count, const std::map<int, std::string>& lines) {
    // Records 1 to 21; the unused ones hold values of their types that no used one has.
    const std::string text[21] = {"7",
                                  "0.5",
                                  "3",
                                  "1.5",
                                  "2.5",
                                  real_text(v.fspi),
                                  "0.7",
                                  "11",
                                  "0.9",
                                  real_text(v.fbul),
                                  real_text(v.bscale),
                                  "1.2",
                                  real_text(v.fbar),
                                  real_text(v.bara),
                                  real_text(v.barb),
                                  real_text(v.fr1),
                                  "1.7",
                                  "1.8",
                                  real_text(v.fr2),
                                  "2.0",
                                  "2.1"};
    std::string t;
    for (int k = 1; k <= count && k <= 21; ++k) {
        const auto line = lines.find(k);
        t += (line != lines.end() ? line->second : text[k - 1]) + "\n";
    }
    return t;
}

std::string position_list(const std::vector<Vec3>& list) {
    std::string t = std::to_string(list.size()) + "\n";
    for (const Vec3& p : list) t += real_text(p.x) + " " + real_text(p.y) + " " + real_text(p.z) + "\n";
    return t;
}

bool numeric_token(const std::string& t) {
    if (t.empty()) return false;
    const char c = t[0];
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'I' || c == 'N';
}

std::vector<std::string> console_values(const RunResult& r, std::string_view label) {
    for (const std::string& line : r.out_lines()) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos || line.compare(start, label.size(), label) != 0) continue;
        const std::string rest = line.substr(start + label.size());
        if (!rest.empty() && rest[0] != ' ') continue;
        std::vector<std::string> values = tokens(rest);
        if (values.empty() || numeric_token(values[0])) return values;
    }
    return {};
}

}  // namespace galtk::test
