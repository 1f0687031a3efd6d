// The progress line: its wording, silence when standard error is not a terminal or the
// stage is short, and a line that is drawn and then erased on a terminal (a pseudo-terminal
// stands in for the user's).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "progress.hpp"

namespace galtk {
namespace {

using Measure = Progress::Measure;

TEST(Progress, LineSaysHowFarTheStageIs) {
    EXPECT_EQ(Progress::line("galvel", "velocities", 45, 100, Measure::count, 12.4), "galvel: velocities 45% (12 s)");
    // More than the total (bytes of metadata read beside the data) stays at 100%.
    EXPECT_EQ(Progress::line("snapconv", "reading a.h5", 3'000'000'000ULL, 2'000'000'000ULL, Measure::bytes_read, 3),
              "snapconv: reading a.h5 100% of 2.0 GB (3 s)");
    EXPECT_EQ(Progress::line("snapconv", "reading a.h5", 999, 1000, Measure::bytes_read, 1), "snapconv: reading a.h5 99% of 1 kB (1 s)");
    EXPECT_EQ(Progress::line("snapconv", "writing b", 340'000'000, 0, Measure::bytes_written, 2.6), "snapconv: writing b 340 MB (3 s)");
    EXPECT_EQ(Progress::line("x", "counting", 0, 0, Measure::count, 1), "x: counting (1 s)");
    EXPECT_EQ(Progress::line("x", "counting", 7, 0, Measure::count, 1), "x: counting 7 (1 s)");
}

// Everything readable from `fd` within `wait`.
std::string drain(int fd, std::chrono::milliseconds wait) {
    std::string got;
    char buf[512];
    const auto end = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, int(left.count() > 0 ? left.count() : 0)) <= 0) return got;
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) return got;
        got.append(buf, std::size_t(n));
    }
}

TEST(Progress, SilentWhenNotATerminal) {
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    {
        Progress p("galvel", pipe_fds[1]);
        EXPECT_FALSE(p.shown());
        p.stage("velocities", 100);
        p.set(50);
        std::this_thread::sleep_for(std::chrono::milliseconds(1400));
    }
    ::close(pipe_fds[1]);
    EXPECT_EQ(drain(pipe_fds[0], std::chrono::milliseconds(100)), "");
    ::close(pipe_fds[0]);
}

TEST(Progress, DrawnOnATerminalAfterASecondAndErased) {
    int master = -1, slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    {
        Progress p("galvel", slave);
        ASSERT_TRUE(p.shown());
        // A short stage shows nothing.
        p.stage("short", 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        p.end_stage();
        EXPECT_EQ(drain(master, std::chrono::milliseconds(200)), "");
        p.stage("velocities", 200);
        p.advance(50);
        p.advance(50);
        const std::string shown = drain(master, std::chrono::milliseconds(1600));
        EXPECT_NE(shown.find("\rgalvel: velocities 50% (1 s)"), std::string::npos) << shown;
        EXPECT_EQ(shown.find('\n'), std::string::npos) << shown;
    }
    // Destroyed: the line is overwritten with blanks and the cursor put back.
    const std::string erased = drain(master, std::chrono::milliseconds(200));
    const std::string blank = "\r" + std::string(std::string("galvel: velocities 50% (1 s)").size(), ' ') + "\r";
    EXPECT_NE(erased.find(blank), std::string::npos) << erased;
    ::close(slave);
    ::close(master);
}

}  // namespace
}  // namespace galtk
