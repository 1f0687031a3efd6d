// How far a long run is, on standard error when it is a terminal, and nothing otherwise
// (logs, pipes and tests see the program's usual lines only).
//
// A Progress shows one line, rewritten in place a few times a second by a thread of its
// own: "program: stage 45% (12 s)". A stage says how far it is either by counting
// (advance/set towards a total) or, for reading and writing files, by the bytes the
// process has read or written since the stage began (/proc/self/io), against the size
// expected. Nothing is shown in the first second of a stage, so short runs stay silent
// on a terminal too. The line is erased when the stage ends or the Progress is destroyed.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace galtk {

class Progress {
public:
    enum class Measure { count, bytes_read, bytes_written };

    // Shown on `fd` (standard error by default) when it is a terminal.
    explicit Progress(std::string program, int fd = 2);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    bool shown() const { return enabled_; }

    // Starts a stage (ending the one before). `total` 0: no percentage, only the count (of
    // bytes for the byte measures) or the time.
    void stage(std::string what, std::uint64_t total = 0, Measure measure = Measure::count);
    // A stage "reading PATH" measured by the bytes read against the file's size.
    void stage_reading(const std::string& path);
    void set(std::uint64_t done) { done_.store(done, std::memory_order_relaxed); }
    void advance(std::uint64_t n) { done_.fetch_add(n, std::memory_order_relaxed); }
    // Erases the line; the next stage() starts a new one.
    void end_stage();

    // The line for a stage at `elapsed` seconds (also used by the tests).
    static std::string line(const std::string& program, const std::string& what, std::uint64_t done,
                            std::uint64_t total, Measure measure, double elapsed);

private:
    void run();
    void draw(bool final_erase);
    std::uint64_t measured() const;

    std::string program_;
    int fd_;
    bool enabled_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::string what_;
    std::uint64_t total_ = 0;
    Measure measure_ = Measure::count;
    std::uint64_t io_base_ = 0;
    bool active_ = false;
    std::size_t drawn_width_ = 0;
    std::chrono::steady_clock::time_point start_;
    std::atomic<std::uint64_t> done_{0};
    std::thread ticker_;
};

// Bytes read (rchar) or written (wchar) by this process so far, 0 if unknown.
std::uint64_t process_io_bytes(bool written);

}  // namespace galtk
