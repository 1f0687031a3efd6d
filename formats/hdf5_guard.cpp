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

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
#define GALTK_GUARD_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define GALTK_GUARD_SANITIZED 1
#endif
#endif

#ifdef GALTK_GUARD_SANITIZED
#include <dlfcn.h>
#include <execinfo.h>
#include <sys/mman.h>

#include <cstdint>
#include <sanitizer/common_interface_defs.h>
#endif

namespace galtk::h5 {

namespace {

#ifdef GALTK_GUARD_SANITIZED
// Under a sanitizer (the test suite's ASan build, the fuzzers) the sanitizer, not the
// kernel, ends a child that faults: it reports and exits with status 1, which the parent
// would take for a walk that got through, and a fuzzer's death callback inherited by the
// child would record the input as a finding. The child's death callback tells whose
// fault it was instead. libhdf5 is not instrumented and calls none of our code, so a
// fault whose stack passes through libhdf5 happened while the library ran (in its own
// code or in a libc or sanitizer function it called): the child then dies by SIGABRT, the
// refusal of a damaged file that an unsanitized build gives, and the sanitizer's report
// (kept in memory until then) is dropped. Any other fault is in our code: the report goes
// to standard error, the child leaves with `our_fault_status`, and the parent aborts so
// that the sanitizer's run (and a fuzzer) counts it.
constexpr int our_fault_status = 86;
int held_report = -1;  // the child's sanitizer reports, until whose fault it was is known

bool in_libhdf5(void* pc) {
    Dl_info info{};
    return ::dladdr(pc, &info) != 0 && info.dli_fname && std::strstr(info.dli_fname, "libhdf5");
}

// Copies the held report to standard error with system calls only (the child is dying
// inside the sanitizer: no allocation, no stdio).
void release_report() {
    if (held_report < 0 || ::lseek(held_report, 0, SEEK_SET) != 0) return;
    char buf[4096];
    ssize_t got;
    while ((got = ::read(held_report, buf, sizeof buf)) > 0)
        for (ssize_t put = 0, w; put < got; put += w)
            if ((w = ::write(STDERR_FILENO, buf + put, static_cast<std::size_t>(got - put))) <= 0) return;
}

void child_death() {
    void* frames[128];
    const int n = ::backtrace(frames, 128);
    for (int k = 0; k < n; ++k) {
        if (in_libhdf5(frames[k])) {
            std::signal(SIGABRT, SIG_DFL);
            ::raise(SIGABRT);
        }
    }
    release_report();
    ::_exit(our_fault_status);
}

void watch_child_faults() {
    void* warm[1];
    ::backtrace(warm, 1);  // loads the unwinder now, not while the child is dying
    held_report = ::memfd_create("galtk-hdf5-walk-report", 0);
    if (held_report >= 0) __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<std::intptr_t>(held_report)));
    __sanitizer_set_death_callback(child_death);
}

[[noreturn]] void our_fault_in_child(const std::string& file) {
    std::fprintf(stderr, "file \"%s\": the sanitizer stopped the metadata walk in the toolkit's own code (its report "
                 "is above)\n", file.c_str());
    std::abort();
}
#endif

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
#ifdef GALTK_GUARD_SANITIZED
        // The sanitizer's handlers of SIGSEGV, SIGBUS and SIGFPE stay: those faults go
        // through child_death(). The others (a fuzzer's, which would record the input)
        // go.
        watch_child_faults();
        for (int sig : {SIGILL, SIGABRT, SIGTRAP, SIGSYS}) std::signal(sig, SIG_DFL);
#else
        for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS}) std::signal(sig, SIG_DFL);
#endif
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
#ifdef GALTK_GUARD_SANITIZED
    if (WIFEXITED(status) && WEXITSTATUS(status) == our_fault_status) our_fault_in_child(file);
#endif
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        const char* name = strsignal(sig);
        throw FormatError(2, "file \"" + file + "\": damaged HDF5 metadata: libhdf5 ended with signal " +
                                 std::to_string(sig) + " (" + (name ? name : "?") + ") reading them");
    }
}

}  // namespace galtk::h5
