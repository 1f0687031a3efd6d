#include "hdf5_guard.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "snapshot_io.hpp"

namespace galtk::h5 {

namespace {

// The metadata of a valid snapshot take milliseconds; a damaged B-tree that sends
// libhdf5 round a loop is stopped after this.
constexpr int walk_seconds_max = 120;

// Waits for the child: the end of the pipe it holds (closed when it ends, however it
// ends) wakes the parent at once, with no polling delay on a quick walk.
int wait_for(pid_t child, int pipe_end, bool& timed_out) {
    pollfd p{pipe_end, POLLIN, 0};
    int r;
    while ((r = ::poll(&p, 1, walk_seconds_max * 1000)) < 0 && errno == EINTR) {
    }
    timed_out = r == 0;
    if (timed_out) ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return 0;  // not ours to wait for: the read decides
    }
    return status;
}

}  // namespace

void walk_metadata_guarded(const std::string& file, const std::function<void()>& walk) {
    if (std::getenv("GALTK_HDF5_UNGUARDED")) return;
    std::fflush(nullptr);  // nothing buffered is written twice by the child's copy
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return;  // no descriptors to spare: unguarded
    const pid_t child = ::fork();
    if (child < 0) {  // no process to spare: the read goes on unguarded
        ::close(ends[0]);
        ::close(ends[1]);
        return;
    }
    if (child == 0) {
        ::close(ends[0]);
        // The child dies by the signal itself, whatever handlers the parent installed (a
        // sanitizer's, a fuzzer's, Python's faulthandler), and leaves by _exit: no
        // destructors, atexit handlers or stdio flushes of the parent's state.
        for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS}) std::signal(sig, SIG_DFL);
        try {
            walk();
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    ::close(ends[1]);
    bool timed_out = false;
    const int status = wait_for(child, ends[0], timed_out);
    ::close(ends[0]);
    if (timed_out) {
        throw FormatError(2, "file \"" + file + "\": libhdf5 did not get through the file's metadata in " +
                                 std::to_string(walk_seconds_max) + " s (a damaged HDF5 file?)");
    }
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        const char* name = strsignal(sig);
        throw FormatError(2, "file \"" + file + "\": damaged HDF5 metadata: libhdf5 ended with signal " +
                                 std::to_string(sig) + " (" + (name ? name : "?") + ") reading them");
    }
}

}  // namespace galtk::h5
