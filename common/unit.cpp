#include "unit.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "run.hpp"

namespace galtk {

namespace {
constexpr std::size_t read_block = 1 << 20;   // bytes asked of the system per read
}  // namespace

void ByteBuffer::grow(std::size_t n, std::size_t keep) {
    if (n <= size_) return;
    std::unique_ptr<char[]> bigger(new char[n]);
    if (keep > 0) std::memcpy(bigger.get(), data_.get(), keep);
    data_ = std::move(bigger);
    size_ = n;
}

Unit::Unit(Run& run, int number, std::string name, int fd, bool owns_fd, bool writable)
    : run_(run), number_(number), name_(std::move(name)), fd_(fd), owns_fd_(owns_fd), writable_(writable) {}

Unit::~Unit() {
    if (owns_fd_ && fd_ >= 0) ::close(fd_);
}

void Unit::fill() {
    // Keep the unread tail, make room, read one more block.
    if (in_pos_ > 0) {
        std::memmove(in_.data(), in_.data() + in_pos_, in_end_ - in_pos_);
        in_end_ -= in_pos_;
        in_pos_ = 0;
    }
    // Doubling keeps a very long line linear in its length.
    if (in_.size() - in_end_ < read_block) in_.grow(std::max(in_end_ + read_block, 2 * in_.size()), in_end_);
    for (;;) {
        ssize_t n = ::read(fd_, in_.data() + in_end_, in_.size() - in_end_);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            run_.fail("read failed on unit " + std::to_string(number_) + ", file \"" + name_ +
                      "\", after line " + std::to_string(line_no_) + ": " + std::strerror(err));
        }
        if (n == 0) eof_ = true;
        in_end_ += static_cast<std::size_t>(n);
        return;
    }
}

bool Unit::next_line_refill(std::string_view& line) {
    if (number_ == 5) run_.console().flush();  // a prompt shows before its answer is read
    std::size_t scanned = in_pos_;
    for (;;) {
        const char* base = in_.data();
        const void* nl = scanned < in_end_ ? std::memchr(base + scanned, '\n', in_end_ - scanned) : nullptr;
        if (nl) {
            std::size_t end = static_cast<std::size_t>(static_cast<const char*>(nl) - base);
            line = std::string_view(base + in_pos_, end - in_pos_);
            in_pos_ = end + 1;
            ++line_no_;
            return true;
        }
        if (eof_) {
            if (in_pos_ == in_end_) return false;
            // A last line without its line end still counts.
            line = std::string_view(base + in_pos_, in_end_ - in_pos_);
            in_pos_ = in_end_;
            ++line_no_;
            return true;
        }
        // Everything up to the old end was searched already; go on from there.
        std::size_t searched = in_end_ - in_pos_;
        fill();
        scanned = in_pos_ + searched;
    }
}

void Unit::start_writing() {
    written_ = true;
    if (!owns_fd_) return;
    if (!writable_) fail_write(EACCES);  // bound read-only: the file cannot be written
    // The first line of a run starts the file afresh. Devices and pipes (/dev/null,
    // /dev/full) have no length to cut.
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) {
        if (::ftruncate(fd_, 0) != 0) fail_write(errno);
    }
    // Character devices may refuse to seek; that is harmless, so the result is not checked.
    (void)::lseek(fd_, 0, SEEK_SET);
}

char* Unit::reserve_more(std::size_t n) {
    if (!written_) start_writing();
    if (out_.size() < out_len_ + n + 1) out_.grow(std::max(out_len_ + n + 1, write_block + (write_block >> 2)), out_len_);
    return out_.data() + out_len_;
}

void Unit::flush() {
    std::size_t done = 0;
    while (done < out_len_) {
        ssize_t n = ::write(fd_, out_.data() + done, out_len_ - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            out_len_ = 0;  // what could not be written is lost; say so once
            fail_write(err);
        }
        done += static_cast<std::size_t>(n);
    }
    out_len_ = 0;
}

void Unit::fail_write(int err) {
    run_.fail("write failed on unit " + std::to_string(number_) + ", file \"" + name_ + "\": " + std::strerror(err));
}

void Unit::fail_read(const What& what, std::string_view detail) {
    std::string where = "read failed on unit " + std::to_string(number_) + ", file \"" + name_ + "\", line " +
                        std::to_string(line_no_);
    run_.fail(where + ": " + what.describe() + ": " + std::string(detail));
}

void Unit::fail_at_end(const What& what, std::string_view expected) {
    std::string where = "read failed on unit " + std::to_string(number_) + ", file \"" + name_ + "\", ";
    where += line_no_ == 0 ? std::string("an empty file") : "end of file after line " + std::to_string(line_no_);
    run_.fail(where + ": " + what.describe() + ": expected " + std::string(expected));
}

void Unit::close() {
    flush();
    if (owns_fd_ && fd_ >= 0) ::close(fd_);
    fd_ = -1;
    owns_fd_ = false;
}

}  // namespace galtk
