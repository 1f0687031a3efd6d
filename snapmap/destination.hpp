// Where an output of snapmap goes. A regular file (or a new name) is written through the
// formats library's temporary file and renamed at the end, so a failure leaves an earlier
// file of that name intact. A name that exists and is not itself a regular file
// (/dev/null, a pipe, a symbolic link such as /dev/stdout) is opened and written
// directly: renaming over it would replace the device or the link with a plain file.
#pragma once

#include <filesystem>
#include <optional>

#include "output_file.hpp"

namespace snapmap {

class Destination {
public:
    // Throws galtk::FormatError (status 2) when the output cannot be opened.
    explicit Destination(const std::filesystem::path& target);
    ~Destination();
    Destination(const Destination&) = delete;
    Destination& operator=(const Destination&) = delete;

    const std::filesystem::path& target() const { return target_; }
    int fd() const { return temporary_ ? temporary_->fd() : direct_fd_; }
    bool direct() const { return !temporary_; }
    // Renames the temporary file over the target, or closes the direct output; throws
    // galtk::FormatError (status 2).
    void commit();

private:
    std::filesystem::path target_;
    std::optional<galtk::OutputFile> temporary_;
    int direct_fd_ = -1;
};

}  // namespace snapmap
