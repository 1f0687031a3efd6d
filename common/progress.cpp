#include "progress.hpp"

#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace galtk {

namespace {

constexpr auto tick = std::chrono::milliseconds(250);
constexpr double quiet_seconds = 1.0;

std::string bytes_text(std::uint64_t b) {
    char buf[32];
    const double v = double(b);
    if (v >= 1e9) std::snprintf(buf, sizeof buf, "%.1f GB", v / 1e9);
    else if (v >= 1e6) std::snprintf(buf, sizeof buf, "%.0f MB", v / 1e6);
    else std::snprintf(buf, sizeof buf, "%.0f kB", v / 1e3);
    return buf;
}

void write_all(int fd, const std::string& text) {
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n <= 0) return;  // a progress line is not worth a failure
        p += n;
        left -= std::size_t(n);
    }
}

}  // namespace

std::uint64_t process_io_bytes(bool written) {
    std::FILE* f = std::fopen("/proc/self/io", "r");
    if (!f) return 0;
    char line[128];
    std::uint64_t value = 0;
    const char* key = written ? "wchar: %" SCNu64 : "rchar: %" SCNu64;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, key, &value) == 1) break;
    std::fclose(f);
    return value;
}

std::string Progress::line(const std::string& program, const std::string& what, std::uint64_t done,
                           std::uint64_t total, Measure measure, double elapsed) {
    std::string text = program + ": " + what;
    const bool bytes = measure != Measure::count;
    if (total > 0) {
        const std::uint64_t capped = done < total ? done : total;
        const int percent = int(double(capped) * 100.0 / double(total));
        text += " " + std::to_string(percent) + "%";
        if (bytes) text += " of " + bytes_text(total);
    } else if (bytes) {
        text += " " + bytes_text(done);
    } else if (done > 0) {
        text += " " + std::to_string(done);
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, " (%.0f s)", elapsed);
    return text + seconds;
}

Progress::Progress(std::string program, int fd) : program_(std::move(program)), fd_(fd), enabled_(::isatty(fd) == 1) {
    if (enabled_) ticker_ = std::thread([this] { run(); });
}

Progress::~Progress() {
    if (!enabled_) return;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    ticker_.join();
    std::lock_guard lock(mutex_);
    draw(true);
}

std::uint64_t Progress::measured() const {
    switch (measure_) {
        case Measure::count: return done_.load(std::memory_order_relaxed);
        case Measure::bytes_read: return process_io_bytes(false) - io_base_;
        case Measure::bytes_written: return process_io_bytes(true) - io_base_;
    }
    return 0;
}

void Progress::stage(std::string what, std::uint64_t total, Measure measure) {
    if (!enabled_) return;
    std::lock_guard lock(mutex_);
    draw(true);
    what_ = std::move(what);
    total_ = total;
    measure_ = measure;
    io_base_ = measure == Measure::count ? 0 : process_io_bytes(measure == Measure::bytes_written);
    done_.store(0, std::memory_order_relaxed);
    start_ = std::chrono::steady_clock::now();
    active_ = true;
}

void Progress::stage_reading(const std::string& path) {
    if (!enabled_) return;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    stage("reading " + path, error ? 0 : std::uint64_t(size), Measure::bytes_read);
}

void Progress::end_stage() {
    if (!enabled_) return;
    std::lock_guard lock(mutex_);
    draw(true);
    active_ = false;
}

// Called with the mutex held.
void Progress::draw(bool final_erase) {
    if (final_erase) {
        if (drawn_width_ > 0) write_all(fd_, "\r" + std::string(drawn_width_, ' ') + "\r");
        drawn_width_ = 0;
        return;
    }
    if (!active_) return;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    if (elapsed < quiet_seconds) return;
    std::string text = line(program_, what_, measured(), total_, measure_, elapsed);
    const std::size_t width = text.size();
    if (width < drawn_width_) text += std::string(drawn_width_ - width, ' ');
    write_all(fd_, "\r" + text);
    drawn_width_ = width > drawn_width_ ? width : drawn_width_;
}

void Progress::run() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        wake_.wait_for(lock, tick, [this] { return stop_; });
        if (!stop_) draw(false);
    }
}

}  // namespace galtk
