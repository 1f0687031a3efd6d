// Bad-input cases derived from a small valid working directory: every input file
// missing, truncated, binary, one enormous line, with CRLF line ends, and every value
// token of every record replaced by a value of the wrong type, a non-finite or
// out-of-range real, or a negative, zero or huge count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace galtk::test::sweep {

// Name under which the standard input text of a run is kept among the input files.
inline const std::string stdin_name = "<stdin>";

struct InputFile {
    std::string name;
    std::optional<std::string> text;  // nullopt: the file is absent
};

// One value token of an input file: where it stands and what it is.
struct TokenPlace {
    std::size_t line;    // 1-based
    std::size_t column;  // 1-based token number on the line
    std::size_t start;   // byte offset in the file
    std::size_t length;
    bool integer;
};

// A derived working directory: the inputs after one change, and what was changed.
struct Case {
    std::string label;     // e.g. "si2.para line 2 value 1 = NaN"
    std::string changed;   // name of the changed input ("*" when all were changed)
    std::vector<InputFile> inputs;
};

inline bool is_separator(char c) { return c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n'; }

inline bool is_integer_text(const std::string& t) {
    std::size_t i = (!t.empty() && (t[0] == '+' || t[0] == '-')) ? 1 : 0;
    if (i == t.size()) return false;
    for (; i < t.size(); ++i)
        if (t[i] < '0' || t[i] > '9') return false;
    return true;
}

// The tokens of a file that are numbers (the valid base files hold numbers only; a real
// always carries a point or an exponent, so that the two types can be told apart).
inline std::vector<TokenPlace> value_tokens(const std::string& text) {
    std::vector<TokenPlace> places;
    std::size_t line = 1, column = 0, i = 0;
    while (i < text.size()) {
        if (text[i] == '\n') {
            ++line;
            column = 0;
            ++i;
            continue;
        }
        if (is_separator(text[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < text.size() && !is_separator(text[j])) ++j;
        places.push_back({line, ++column, i, j - i, is_integer_text(text.substr(i, j - i))});
        i = j;
    }
    return places;
}

inline std::vector<std::string> split_lines_kept(const std::string& text) {
    std::vector<std::string> lines;  // each with its '\n' (the last one may lack it)
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t nl = text.find('\n', start);
        std::size_t end = nl == std::string::npos ? text.size() : nl + 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

inline std::string to_crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// 4 KiB of bytes of every value, NUL included, from a fixed linear congruential stream.
inline const std::string& binary_text() {
    static const std::string text = [] {
        std::string t(4096, '\0');
        std::uint32_t x = 12345u;
        for (char& c : t) {
            x = x * 1103515245u + 12345u;
            c = static_cast<char>(x >> 24);
        }
        return t;
    }();
    return text;
}

constexpr std::size_t huge_line_bytes = std::size_t{10} << 20;

// One line of 10 MB holding the value 0.5 over and over.
inline const std::string& huge_line_of_values() {
    static const std::string text = [] {
        std::string t;
        t.reserve(huge_line_bytes + 1);
        while (t.size() < huge_line_bytes) t += "0.5 ";
        t += '\n';
        return t;
    }();
    return text;
}

// One line of 10 MB that is a single token of digits.
inline const std::string& huge_line_one_token() {
    static const std::string text = std::string(huge_line_bytes, '7') + "\n";
    return text;
}

// List-directed forms in place of any value: a null value, a slash that ends the read,
// and a repeat count far beyond the values asked for.
inline const std::vector<std::string> list_forms = {",", "/", "2000000000*7"};

// Replacements of one integer token. `huge` stands for a count far larger than the data.
inline std::vector<std::string> integer_variants(const std::string& huge) {
    std::vector<std::string> v{"-1", "0", huge, "-2147483648", "2147483648", "2.5", "abc"};
    v.insert(v.end(), list_forms.begin(), list_forms.end());
    return v;
}

// Replacements of one real token.
inline std::vector<std::string> real_variants() {
    std::vector<std::string> v{"NaN", "Infinity", "-Infinity", "0.0", "-1.0", "3e38", "1e39", "abc"};
    v.insert(v.end(), list_forms.begin(), list_forms.end());
    return v;
}

// A count that is far larger than any data of the small base directories.
inline const std::string huge_count = "2000000000";

// The cases derived from `base`. A token listed in `work_counts` ("file:line:column")
// counts work to do rather than data that follows (particles to draw, values to
// write); its huge variant is `work_count_large`, large for the base but a run of
// moments, instead of a count that would run for hours.
inline std::vector<Case> derive_cases(const std::vector<InputFile>& base, const std::set<std::string>& work_counts,
                                      const std::string& work_count_large) {
    std::vector<Case> cases;
    auto with = [&](std::size_t f, std::optional<std::string> text, std::string label) {
        Case c{base[f].name + ": " + std::move(label), base[f].name, base};
        c.inputs[f].text = std::move(text);
        cases.push_back(std::move(c));
    };

    for (std::size_t f = 0; f < base.size(); ++f) {
        const std::string& text = *base[f].text;
        with(f, std::nullopt, "missing");
        with(f, std::string(), "empty");

        const std::vector<std::string> lines = split_lines_kept(text);
        std::string head;
        for (std::size_t k = 0; k < lines.size(); ++k) {
            // Cut in the middle of line k + 1, without its line end.
            const std::string& line = lines[k];
            const std::size_t body = line.size() - (line.back() == '\n' ? 1 : 0);
            if (body > 1) with(f, head + line.substr(0, body / 2), "cut inside line " + std::to_string(k + 1));
            head += line;
            if (k + 1 < lines.size()) with(f, head, "truncated after line " + std::to_string(k + 1));
        }

        with(f, binary_text(), "binary");
        with(f, huge_line_of_values(), "one 10 MB line of values");
        with(f, huge_line_one_token(), "one 10 MB token");
        with(f, to_crlf(text), "CRLF line ends");

        for (const TokenPlace& t : value_tokens(text)) {
            const std::string where = base[f].name + ":" + std::to_string(t.line) + ":" + std::to_string(t.column);
            const bool work = work_counts.count(where) != 0;
            const std::vector<std::string> variants =
                t.integer ? integer_variants(work ? work_count_large : huge_count) : real_variants();
            for (const std::string& v : variants) {
                std::string changed = text;
                changed.replace(t.start, t.length, v);
                with(f, changed,
                     "line " + std::to_string(t.line) + " value " + std::to_string(t.column) + " = " + v);
            }
        }
    }

    Case all{"all inputs: CRLF line ends", "*", base};
    for (InputFile& in : all.inputs) in.text = to_crlf(*in.text);
    cases.push_back(std::move(all));
    return cases;
}

}  // namespace galtk::test::sweep
