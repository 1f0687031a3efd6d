// The command-line style shared by snapconv and snapmap (CLI11): values are checked by
// validators attached to their options, so that every refusal reads
// "--option: Value TEXT ..." with the value as it was typed, and parsing ends in one place.
#pragma once

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

namespace galtk::cli {

// A finite number of type T (float or double: a float value must also be finite as a
// float, so 1e39 is refused) of at least `low`, or above `low` when `strictly`.
template <typename T>
CLI::Validator finite_number(double low, bool strictly) {
    const std::string bound = std::string(strictly ? "above " : "of at least ") + CLI::detail::to_string(low);
    return CLI::Validator(
        [low, strictly, bound](std::string& text) -> std::string {
            T value{};
            if (!CLI::detail::lexical_cast(text, value)) return "Value " + text + " is not a number";
            if (!std::isfinite(value)) return "Value " + text + " is not a finite number";
            if (strictly ? !(double(value) > low) : !(double(value) >= low))
                return "Value " + text + ": expected a number " + bound;
            return {};
        },
        "finite number " + bound, "FINITE");
}

template <typename T>
CLI::Validator positive() {
    return finite_number<T>(0.0, true);
}
template <typename T>
CLI::Validator non_negative() {
    return finite_number<T>(0.0, false);
}

// Parses the command line. --help and --version print and end the process with status 0;
// a refused option or value comes back as its one-line message.
inline std::optional<std::string> parse(CLI::App& app, int argc, char** argv) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        std::exit(app.exit(e));
    } catch (const CLI::CallForAllHelp& e) {
        std::exit(app.exit(e));
    } catch (const CLI::CallForVersion& e) {
        std::exit(app.exit(e));
    } catch (const CLI::ParseError& e) {
        std::string line = e.what();
        for (char& c : line)
            if (c == '\n') c = ' ';
        return line;
    }
    return std::nullopt;
}

}  // namespace galtk::cli
