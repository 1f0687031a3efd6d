// An output file that appears only when it is complete: the data go to a temporary file
// in the output's folder (".NAME.XXXXXX"), renamed over the output at the end. A
// failure, an exception or a signal (after remove_temporaries_on_signals) leaves no
// partial file, and a file already there keeps its contents. A symbolic link is
// followed (its target is replaced, the link stays); a device or pipe that exists
// (/dev/null, /dev/stdout) is written directly, and a folder is refused.
//
// A commit survives a crash of the machine, not only of the process: the data and the
// temporary's folder entry are flushed to the disk (fsync) before the rename, and the
// folder again after it, so a file system never shows an empty or partial file under
// the final name. Several outputs of one run are committed together (commit_together):
// all are complete on the disk before the first replaces an earlier file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>

namespace galtk {

class OutputFile {
public:
    // Creates the temporary; throws FormatError(2) when it cannot.
    explicit OutputFile(const std::filesystem::path& target);
    ~OutputFile();  // removes the temporary unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    const std::filesystem::path& target() const { return target_; }
    const std::filesystem::path& temporary() const { return temporary_; }
    int fd() const { return fd_; }

    // Buffered writing of raw bytes; large blocks go to the file directly.
    void write(const void* data, std::size_t n);
    void flush();
    // Closes the descriptor (for writers that open the temporary by its name, HDF5).
    void close_descriptor();
    // Flushes, closes and renames the temporary to the target: finish() then publish().
    void commit();
    // Writes out the buffer, brings the data to the disk and closes the descriptor; a
    // failure (a full disk, an I/O error reported late, as NFS does) throws and leaves
    // the target untouched.
    void finish();
    // Renames the finished temporary to the target and flushes the folder.
    void publish();

    [[noreturn]] void fail(const std::string& what, int err) const;

private:
    void write_through(const char* p, std::size_t n);

    std::filesystem::path target_;
    std::filesystem::path final_;      // the target, a symbolic link resolved
    std::filesystem::path temporary_;  // the target itself when written directly
    bool direct_ = false;              // a device or pipe: no temporary, no rename
    int fd_ = -1;
    bool committed_ = false;
    bool finished_ = false;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
};

// Finishes every output, then publishes them: when any fails to finish, none replaces
// its target. Null entries (an output not asked for) are skipped.
void commit_together(std::initializer_list<OutputFile*> outputs);

// SIGINT, SIGTERM and SIGHUP remove the temporary of every OutputFile alive, then end
// the process as the signal would. For programs (not called by the library).
void remove_temporaries_on_signals();

}  // namespace galtk
