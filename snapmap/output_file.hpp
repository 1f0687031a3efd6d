// An output written under a temporary name in its own folder and renamed over the final
// name only once it is complete, so a failure leaves an earlier file of that name intact.
// A final name that exists and is not itself a regular file (/dev/null, a pipe, a
// symbolic link such as /dev/stdout) is written directly: renaming over it would replace
// the device or the link with a file.
#pragma once

#include <filesystem>

namespace snapmap {

class OutputFile {
public:
    explicit OutputFile(std::filesystem::path final_path);
    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Where to write: ".NAME.tmpPID" beside the final file, or the final name itself.
    const std::filesystem::path& temp_path() const { return temp_; }
    const std::filesystem::path& final_path() const { return final_; }
    // Renames the temporary file to the final name; throws galtk::FormatError (status 2).
    void commit();

private:
    std::filesystem::path final_;
    std::filesystem::path temp_;
    bool committed_ = false;
    bool direct_ = false;
};

}  // namespace snapmap
