#include "destination.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "snapshot_io.hpp"

namespace snapmap {

Destination::Destination(const std::filesystem::path& target) : target_(target) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status own = fs::symlink_status(target, ec);
    if (ec || !fs::exists(own) || fs::is_regular_file(own)) {
        temporary_.emplace(target);
        return;
    }
    direct_fd_ = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (direct_fd_ < 0) {
        const int err = errno;
        throw galtk::FormatError(2, "cannot open \"" + target.string() + "\" for writing: " + std::strerror(err));
    }
}

Destination::~Destination() {
    if (direct_fd_ >= 0) ::close(direct_fd_);
}

void Destination::commit() {
    if (temporary_) {
        temporary_->commit();
        return;
    }
    const int fd = direct_fd_;
    direct_fd_ = -1;
    if (fd >= 0 && ::close(fd) != 0) {
        const int err = errno;
        throw galtk::FormatError(2, "writing \"" + target_.string() + "\": " + std::strerror(err));
    }
}

}  // namespace snapmap
