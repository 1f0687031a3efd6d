// In-process runs of the frame for its unit tests: a Run over files of a scratch
// directory, addressed by absolute path.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "run.hpp"
#include "support.hpp"

namespace galtk::test {

inline const ProgramInfo& test_program() {
    static const ProgramInfo info{"frametest", "frame test", ""};
    return info;
}

class FrameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { GTEST_FLAG_SET(death_test_style, "fast"); }
    galtk::Run& run() {
        if (!run_) {
            static char name[] = "frametest";
            static char* argv[] = {name, nullptr};
            run_ = std::make_unique<galtk::Run>(test_program(), 1, argv);
        }
        return *run_;
    }
    // Binds `unit` to a scratch file holding `content`.
    Unit& input(int unit, const std::string& name, const std::string& content) {
        scratch.write(name, content);
        return run().open_unit(unit, scratch.path(name).string());
    }
    Unit& output(int unit, const std::string& name) { return run().open_unit(unit, scratch.path(name).string()); }

    Scratch scratch;
    std::unique_ptr<galtk::Run> run_;
};

}  // namespace galtk::test
