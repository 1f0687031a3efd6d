#include "output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "snapshot_io.hpp"

namespace galtk {

namespace {

constexpr std::size_t buffer_size = std::size_t{1} << 22;

// The temporaries alive, as plain strings a signal handler may pass to unlink.
constexpr int max_open = 8;
std::array<std::atomic<const char*>, max_open> open_temporaries{};

void register_temporary(const char* name) {
    for (auto& slot : open_temporaries) {
        const char* expected = nullptr;
        if (slot.compare_exchange_strong(expected, name)) return;
    }
}

void unregister_temporary(const char* name) {
    for (auto& slot : open_temporaries) {
        const char* expected = name;
        if (slot.compare_exchange_strong(expected, nullptr)) return;
    }
}

extern "C" void remove_and_reraise(int sig) {
    for (auto& slot : open_temporaries) {
        const char* name = slot.load();
        if (name) ::unlink(name);
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

std::string quoted(const std::filesystem::path& p) { return "\"" + p.string() + "\""; }

}  // namespace

OutputFile::OutputFile(const std::filesystem::path& target) : target_(target) {
    std::filesystem::path dir = target.parent_path();
    std::string name = (dir.empty() ? std::string() : dir.string() + "/") + "." + target.filename().string() +
                       ".XXXXXX";
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) {
        const int err = errno;
        throw FormatError(2, "cannot create a temporary file for " + quoted(target) + " in " +
                                 quoted(dir.empty() ? std::filesystem::path(".") : dir) + ": " +
                                 std::strerror(err));
    }
    temporary_ = name;
    register_temporary(temporary_.c_str());
    // mkstemp makes the file private; an output gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    (void)::fchmod(fd_, 0666 & ~mask);
    buffer_.reset(new char[buffer_size]);
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) {
        ::unlink(temporary_.c_str());
        unregister_temporary(temporary_.c_str());
    }
}

void OutputFile::fail(const std::string& what, int err) const {
    throw FormatError(2, what + " failed, file " + quoted(target_) + ": " + std::strerror(err));
}

void OutputFile::write_through(const char* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd_, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            fail("write", errno);
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
}

void OutputFile::flush() {
    const std::size_t n = used_;
    used_ = 0;
    write_through(buffer_.get(), n);
}

void OutputFile::write(const void* data, std::size_t n) {
    if (used_ + n <= buffer_size) {
        std::memcpy(buffer_.get() + used_, data, n);
        used_ += n;
        return;
    }
    flush();
    if (n < buffer_size / 2) {
        std::memcpy(buffer_.get(), data, n);
        used_ = n;
        return;
    }
    write_through(static_cast<const char*>(data), n);
}

void OutputFile::close_descriptor() {
    if (fd_ < 0) return;
    flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail("write", errno);
}

void OutputFile::commit() {
    close_descriptor();
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) fail("rename of " + quoted(temporary_), errno);
    committed_ = true;
    unregister_temporary(temporary_.c_str());
}

void remove_temporaries_on_signals() {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, remove_and_reraise);
}

}  // namespace galtk
