// Random access to a binary input file whose size is known before anything is
// allocated: every read names what it reads, and a read beyond the end is a
// FormatError naming the file, the block and the offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace galtk {

inline std::uint32_t byte_swapped(std::uint32_t v) { return __builtin_bswap32(v); }
inline std::uint64_t byte_swapped(std::uint64_t v) { return __builtin_bswap64(v); }

// Swaps every `width`-byte word of a buffer in place (width 4 or 8).
void swap_words(void* data, std::size_t count, int width);

class BinaryInput {
public:
    explicit BinaryInput(const std::filesystem::path& path);  // throws FormatError(2)
    ~BinaryInput();
    BinaryInput(const BinaryInput&) = delete;
    BinaryInput& operator=(const BinaryInput&) = delete;

    std::uint64_t size() const { return size_; }
    const std::string& name() const { return name_; }

    // Reads n bytes at offset; fewer bytes in the file is a FormatError naming `what`.
    void read_at(std::uint64_t offset, void* data, std::size_t n, const std::string& what) const;

    // "file "NAME": " + text, status 2.
    [[noreturn]] void fail(const std::string& text) const;

private:
    std::string name_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

}  // namespace galtk
