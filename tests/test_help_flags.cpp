// Every program answers --help, -h and --version on standard output with status 0 and
// touches no file: a scratch directory stays empty.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support.hpp"

namespace galtk::test {
namespace {

const char* const programs[] = {"diskgen", "diskbulge", "galmix", "parsample", "parsub", "projmap", "mkcomponents"};

TEST(HelpFlags, AnswerWithoutTouchingFiles) {
    for (const std::string program : programs) {
        for (const std::string flag : {"--help", "-h", "--version"}) {
            Scratch s;
            const RunResult r = s.run(program, "", {flag});
            EXPECT_EQ(r.status, 0) << program << " " << flag;
            EXPECT_EQ(r.err, "") << program << " " << flag;
            EXPECT_NE(r.out.find(program), std::string::npos) << program << " " << flag << ": " << r.out;
            if (flag != "--version") {
                EXPECT_EQ(r.out.rfind("Usage: " + program, 0), 0u) << r.out;
                EXPECT_NE(r.out.find("writes"), std::string::npos) << program << ": files not listed\n" << r.out;
            }
            EXPECT_TRUE(std::filesystem::is_empty(s.dir())) << program << " " << flag << " created a file";
        }
    }
}

}  // namespace
}  // namespace galtk::test
