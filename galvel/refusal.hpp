// A model or an option that galvel cannot work with: one line, exit status 1.
#pragma once

#include <stdexcept>
#include <string>

namespace galtk::galvel {

struct Refusal : std::runtime_error {
    explicit Refusal(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace galtk::galvel
