// One bound file (or standard input/output): a buffered line reader and a buffered line
// writer over one file descriptor. Lines are read through a large buffer; written lines
// collect in a buffer that goes to the file in big blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <memory>

#include "what.hpp"

namespace galtk {

class Run;

// A byte buffer that, unlike a vector, leaves new room uninitialised when it grows: the
// pages of a large buffer cost memory only once they are used.
class ByteBuffer {
public:
    char* data() { return data_.get(); }
    std::size_t size() const { return size_; }
    // Grows to at least `n` bytes, keeping the first `keep`.
    void grow(std::size_t n, std::size_t keep);

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
};

class Unit {
public:
    Unit(Run& run, int number, std::string name, int fd, bool owns_fd, bool writable);
    ~Unit();
    Unit(const Unit&) = delete;
    Unit& operator=(const Unit&) = delete;

    int number() const { return number_; }
    bool is_open() const { return fd_ >= 0; }
    const std::string& name() const { return name_; }
    Run& run() const { return run_; }

    // --- reading ---
    // The next line not yet consumed (without its '\n'); false at end of file.
    bool next_line(std::string_view& line) {
        // The common case inline: a whole line already in the buffer (standard input
        // always takes the slow way, which first shows the console's pending prompt).
        if (in_pos_ < in_end_ && number_ != 5) {
            const char* base = in_.data();
            const void* nl = std::memchr(base + in_pos_, '\n', in_end_ - in_pos_);
            if (nl) {
                const auto end = static_cast<std::size_t>(static_cast<const char*>(nl) - base);
                line = std::string_view(base + in_pos_, end - in_pos_);
                in_pos_ = end + 1;
                ++line_no_;
                return true;
            }
        }
        return next_line_refill(line);
    }
    // Number of the line last returned by next_line (1-based; 0 before the first).
    std::int64_t line_number() const { return line_no_; }

    // --- writing ---
    // Room for at least `n` more bytes of the line being built.
    char* reserve(std::size_t n) {
        if (written_ && out_len_ + n + 1 <= out_.size()) return out_.data() + out_len_;
        return reserve_more(n);
    }
    // Ends the line being built at `end` (which must lie within the reserved room): adds
    // the '\n'. The first line written to a unit empties its file first, so a written
    // file holds exactly the lines of this run.
    void commit_line(char* end) {
        *end++ = '\n';
        out_len_ = static_cast<std::size_t>(end - out_.data());
        if (line_flush_ || out_len_ >= write_block) flush();
    }
    // Pushes pending lines to the file; a failed write ends the run (status 2).
    void flush();
    // Flush after every line (the console, so that prompts and messages show at once).
    void set_line_flush(bool on) { line_flush_ = on; }

    // A read failure on this unit: one diagnostic line naming the unit, file, line and
    // what was being read, then exit status 2.
    [[noreturn]] void fail_read(const What& what, std::string_view detail);
    // The file ended before the read was complete.
    [[noreturn]] void fail_at_end(const What& what, std::string_view expected);

    void close();

    // The text of the last real written to this unit: a column that repeats one value
    // (a component's particle mass) is formatted once.
    struct LastReal {
        std::uint32_t bits = 0;  // 0 (+0.0) has a fast path of its own, so it never hits
        std::uint32_t length = 0;
        char text[32];
    };
    LastReal& last_real() { return last_real_; }

    // Pending output goes to the file at this size.
    static constexpr std::size_t write_block = std::size_t{1} << 20;

private:
    bool next_line_refill(std::string_view& line);
    char* reserve_more(std::size_t n);
    void fill();
    void start_writing();
    [[noreturn]] void fail_write(int err);

    Run& run_;
    int number_;
    std::string name_;
    int fd_;
    bool owns_fd_;
    bool writable_;

    // reading
    ByteBuffer in_;
    std::size_t in_pos_ = 0;
    std::size_t in_end_ = 0;
    bool eof_ = false;
    std::int64_t line_no_ = 0;

    // writing
    ByteBuffer out_;
    std::size_t out_len_ = 0;
    bool written_ = false;
    bool line_flush_ = false;
    LastReal last_real_;
};

}  // namespace galtk
