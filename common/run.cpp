#include "run.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace galtk {

std::string What::describe() const {
    std::string s = text;
    if (index >= 0) {
        s += ' ';
        s += std::to_string(index);
    }
    return s;
}

namespace {

// Writes the whole of `s` to a descriptor, retrying short writes; errors are ignored
// (there is nowhere left to report them).
void write_all(int fd, std::string_view s) {
    while (!s.empty()) {
        ssize_t n = ::write(fd, s.data(), s.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        s.remove_prefix(static_cast<std::size_t>(n));
    }
}

// The run whose units an out-of-memory failure must flush: there is one per program.
Run* active_run = nullptr;

// A store that cannot grow (a count in the input far beyond the machine's memory) ends
// the run like a failed read: one line and status 2, output already written kept.
void out_of_memory() {
    std::set_new_handler(nullptr);  // a further failure throws instead of coming back here
    if (active_run) active_run->fail("out of memory: the input asks for more particles or values than fit");
    throw std::bad_alloc();
}

}  // namespace

Run::Run(const ProgramInfo& info, int argc, char** argv) : program_(info.name) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::string text = std::string("Usage: ") + info.name + "\n" + info.summary +
                               "\nRun it in the working directory that holds its files.\n" + "Files:\n" +
                               info.files;
            write_all(1, text);
            std::exit(0);
        }
        if (arg == "--version") {
            write_all(1, std::string(info.name) + " (galaxy toolkit) " + GALTK_VERSION + "\n");
            std::exit(0);
        }
    }
    active_run = this;
    std::set_new_handler(out_of_memory);
    units_.emplace(5, std::make_unique<Unit>(*this, 5, "standard input", 0, false, false));
    units_.emplace(6, std::make_unique<Unit>(*this, 6, "standard output", 1, false, true));
    units_.at(6)->set_line_flush(true);
}

Run::Run(std::string_view program, Embedded) : program_(program), throw_on_failure_(true) {}

Run::~Run() {
    if (active_run == this) {
        active_run = nullptr;
        std::set_new_handler(nullptr);
    }
}

Unit& Run::open_unit(int number, std::string_view file_name) {
    auto it = units_.find(number);
    if (it != units_.end()) {
        if (it->second->name() == file_name && it->second->is_open()) return *it->second;
        it->second->close();
        units_.erase(it);
    }
    std::string name(file_name);
    bool writable = true;
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EISDIR)) {
        // A read-only input file is still readable; a write to it fails later.
        int err = errno;
        fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        writable = false;
        if (fd < 0) errno = err;
    }
    if (fd < 0) {
        fail("cannot open unit " + std::to_string(number) + ", file \"" + name + "\": " + std::strerror(errno));
    }
    auto [pos, inserted] = units_.emplace(number, std::make_unique<Unit>(*this, number, name, fd, true, writable));
    (void)inserted;
    return *pos->second;
}

Unit& Run::unit(int number) {
    auto it = units_.find(number);
    if (it == units_.end()) fail("unit " + std::to_string(number) + " is not bound");
    return *it->second;
}

void Run::flush_all() {
    for (auto& [number, unit] : units_) unit->flush();
}

void Run::close_all() {
    flush_all();
    for (auto& [number, unit] : units_) unit->close();
}

void Run::stop_run() {
    close_all();
    std::exit(0);
}

int Run::finish() {
    close_all();
    return 0;
}

[[noreturn]] static void end_with(const std::string& program, std::string_view message, int status) {
    std::string line = program + ": " + std::string(message) + "\n";
    write_all(2, line);
    std::exit(status);
}

void Run::refuse(std::string_view message) {
    if (throw_on_failure_) throw RunFailure(1, program_ + ": " + std::string(message));
    if (!ending_) {
        ending_ = true;
        close_all();
    }
    end_with(program_, message, 1);
}

void Run::fail(std::string_view message) {
    if (throw_on_failure_) throw RunFailure(2, program_ + ": " + std::string(message));
    if (!ending_) {
        // Keep every line written so far: push the pending output of all units before the
        // diagnostic. A unit that fails to flush here reports nothing more.
        ending_ = true;
        for (auto& [number, unit] : units_) unit->flush();
    }
    end_with(program_, message, 2);
}

}  // namespace galtk
