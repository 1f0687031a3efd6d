#include "output_file.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "snapshot_io.hpp"

namespace snapmap {

OutputFile::OutputFile(std::filesystem::path final_path) : final_(std::move(final_path)) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status own = fs::symlink_status(final_, ec);
    direct_ = !ec && fs::exists(own) && !fs::is_regular_file(own);
    temp_ = direct_ ? final_
                    : final_.parent_path() / ("." + final_.filename().string() + ".tmp" + std::to_string(::getpid()));
}

OutputFile::~OutputFile() {
    if (!committed_ && !direct_) std::remove(temp_.c_str());
}

void OutputFile::commit() {
    if (direct_) {
        committed_ = true;
        return;
    }
    if (std::rename(temp_.c_str(), final_.c_str()) != 0) {
        const int err = errno;
        throw galtk::FormatError(2, "cannot rename \"" + temp_.string() + "\" to \"" + final_.string() +
                                        "\": " + std::strerror(err));
    }
    committed_ = true;
}

}  // namespace snapmap
