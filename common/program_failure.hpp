// How a program with command-line options ends on a refused option or value (status 1)
// or a failed read or write (status 2): what it wrote to standard output goes first, then
// one line "program: message" on standard error.
#pragma once

#include <cstdio>
#include <string>

namespace galtk {

inline int end_with_failure(const char* program, int status, const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s\n", program, message.c_str());
    return status;
}

}  // namespace galtk
