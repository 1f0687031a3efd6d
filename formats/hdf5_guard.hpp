// libhdf5 parses a file's metadata (superblock, object headers, B-trees) with little
// defence against damage: a half-copied or corrupt file from another writer can end the
// process inside the library with a signal. The readers therefore walk the metadata
// first in a child process: a child ended by a signal (or taking too long) becomes the
// usual error naming the file, and only a file the child got through is read here.
// The walk touches every object the read will use but no particle data, so it costs a
// fork and the metadata reads (milliseconds), not a second read of the file.
#pragma once

#include <functional>
#include <string>

namespace galtk::h5 {

// Runs `walk` in a child process and waits for it. Returns when the child ended
// normally (whatever `walk` found: a refusal is left to the real read, which finds the
// same); throws FormatError(2) naming `file` when the child ended by a signal or did not
// end within the time limit. With GALTK_HDF5_UNGUARDED set in the environment the walk
// is skipped (for a fuzzer looking for the library's own faults, and for timing).
void walk_metadata_guarded(const std::string& file, const std::function<void()>& walk);

}  // namespace galtk::h5
