#include "binary_input.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "snapshot_io.hpp"

namespace galtk {

void swap_words(void* data, std::size_t count, int width) {
    auto* p = static_cast<unsigned char*>(data);
    if (width == 4) {
        for (std::size_t i = 0; i < count; ++i, p += 4) {
            std::uint32_t v;
            std::memcpy(&v, p, 4);
            v = byte_swapped(v);
            std::memcpy(p, &v, 4);
        }
    } else {
        for (std::size_t i = 0; i < count; ++i, p += 8) {
            std::uint64_t v;
            std::memcpy(&v, p, 8);
            v = byte_swapped(v);
            std::memcpy(p, &v, 8);
        }
    }
}

BinaryInput::BinaryInput(const std::filesystem::path& path) : name_(path.string()) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        const int err = errno;
        throw FormatError(2, "cannot open file \"" + name_ + "\": " + std::strerror(err));
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw FormatError(2, "file \"" + name_ + "\" is not a regular file");
    }
    size_ = static_cast<std::uint64_t>(st.st_size);
}

BinaryInput::~BinaryInput() {
    if (fd_ >= 0) ::close(fd_);
}

void BinaryInput::fail(const std::string& text) const { throw FormatError(2, "file \"" + name_ + "\": " + text); }

void BinaryInput::read_at(std::uint64_t offset, void* data, std::size_t n, const std::string& what) const {
    if (offset > size_ || n > size_ - offset) {
        fail(what + ": the file ends at byte " + std::to_string(size_) + ", " + std::to_string(n) +
             " bytes were expected at byte " + std::to_string(offset));
    }
    auto* p = static_cast<char*>(data);
    while (n > 0) {
        const ssize_t got = ::pread(fd_, p, n, static_cast<off_t>(offset));
        if (got < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            fail(what + ": read failed: " + std::strerror(err));
        }
        if (got == 0) fail(what + ": the file ended early (it shrank while being read)");
        p += got;
        offset += static_cast<std::uint64_t>(got);
        n -= static_cast<std::size_t>(got);
    }
}

}  // namespace galtk
