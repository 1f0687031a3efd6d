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
    // Where the data finally go: a symbolic link's target (the link stays a link); a
    // device or pipe (/dev/null, /dev/stdout) is written directly, never replaced.
    std::filesystem::path final_path = target;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) throw FormatError(2, "cannot write file " + quoted(target) + ": it is a folder");
        if (!S_ISREG(st.st_mode)) {
            fd_ = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd_ < 0) {
                const int err = errno;
                throw FormatError(2, "cannot open " + quoted(target) + " for writing: " + std::strerror(err));
            }
            direct_ = true;
            temporary_ = target;
            buffer_.reset(new char[buffer_size]);
            return;
        }
    }
    struct stat link {};
    if (::lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        std::error_code ec;
        std::filesystem::path resolved = std::filesystem::canonical(target, ec);
        if (ec) {
            // A link to a file not yet there: its target, relative to the link's folder.
            resolved = std::filesystem::read_symlink(target, ec);
            if (!ec && resolved.is_relative()) resolved = target.parent_path() / resolved;
        }
        if (!ec) final_path = resolved;
    }
    final_ = final_path;
    std::filesystem::path dir = final_path.parent_path();
    std::string name = (dir.empty() ? std::string() : dir.string() + "/") + "." + final_path.filename().string() +
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
    if (!committed_ && !direct_) {
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
    if (n == 0) return;  // an empty set's arrays have no data pointer
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
    if (direct_) {
        committed_ = true;
        return;
    }
    if (::rename(temporary_.c_str(), final_.c_str()) != 0) fail("rename of " + quoted(temporary_), errno);
    committed_ = true;
    unregister_temporary(temporary_.c_str());
}

void remove_temporaries_on_signals() {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, remove_and_reraise);
}

}  // namespace galtk
