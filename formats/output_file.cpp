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

// fsync fails with EINVAL or ENOTSUP where there is nothing to bring to a disk (a pipe,
// a terminal, some special file systems) and EROFS on a read-only one: not a failure of
// the data.
bool nothing_to_sync(int err) { return err == EINVAL || err == ENOTSUP || err == EROFS || err == EBADF; }

// The folder's entries to the disk, so that a new or renamed name survives a crash.
int sync_folder(const std::filesystem::path& file) {
    const std::filesystem::path dir = file.parent_path();
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return 0;  // a folder we may write into but not read: nothing more to do
    const int rc = ::fsync(fd) == 0 || nothing_to_sync(errno) ? 0 : errno;
    ::close(fd);
    return rc;
}

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

void OutputFile::finish() {
    if (finished_) return;
    if (fd_ >= 0) {
        flush();
        if (::fsync(fd_) != 0 && !nothing_to_sync(errno)) fail("write", errno);
        close_descriptor();
    } else if (!direct_) {
        // A writer that closed the descriptor and wrote by name (HDF5).
        const int fd = ::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) fail("reopening " + quoted(temporary_), errno);
        const int rc = ::fsync(fd) == 0 || nothing_to_sync(errno) ? 0 : errno;
        ::close(fd);
        if (rc != 0) fail("write", rc);
    }
    if (!direct_) {
        if (const int err = sync_folder(temporary_)) fail("flushing the folder", err);
    }
    finished_ = true;
}

void OutputFile::publish() {
    finish();
    if (committed_) return;
    if (direct_) {
        committed_ = true;
        return;
    }
    if (::rename(temporary_.c_str(), final_.c_str()) != 0) fail("rename of " + quoted(temporary_), errno);
    committed_ = true;
    unregister_temporary(temporary_.c_str());
    // The rename itself is durable only once the folder is on the disk; the data are
    // complete under the final name whatever happens from here.
    if (const int err = sync_folder(final_)) fail("flushing the folder", err);
}

void OutputFile::commit() {
    finish();
    publish();
}

void commit_together(std::initializer_list<OutputFile*> outputs) {
    for (OutputFile* out : outputs)
        if (out) out->finish();
    for (OutputFile* out : outputs)
        if (out) out->publish();
}

void remove_temporaries_on_signals() {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, remove_and_reraise);
}

}  // namespace galtk
