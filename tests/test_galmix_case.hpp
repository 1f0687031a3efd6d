// A galmix working directory for end-to-end tests: the four parameter files and the five
// particle inputs built from plain values, plus helpers to read the console and the
// written model back.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "support.hpp"

namespace galtk::test::galmix_case {

using galtk::test::real_text;


struct GalmixCase {
    int idisk = 1;
    float rdisk = 1.0f;
    float rgal = 1.0f;
    StructuralValues s;
    // "di.dat": header values and positions (records get velocity 0.5 -0.5 0.25, type 1)
    int ncomp = 5;
    float thead = 2.5f;
    std::array<float, 5> hpar = {0.01f, 0.02f, 0.03f, 0.04f, 0.05f};
    std::vector<Vec3> disk, spiral, inner_ring, outer_ring, bulge;

    std::string disk_snapshot() const {
        std::string t = std::to_string(disk.size()) + " " + real_text(thead) + "\n" + std::to_string(ncomp) + "\n";
        for (float h : hpar) t += real_text(h) + " ";
        t += "\n1e-3 1e-3 1e-3 1e-3 1e-3\n";
        for (const Vec3& p : disk) {
            t += real_text(p[0]) + " " + real_text(p[1]) + " " + real_text(p[2]) + " 0.5 -0.5 0.25 1\n";
        }
        return t;
    }

    void write(const Scratch& dir) const {
        dir.write("galmix.para", std::to_string(idisk) + "\n");
        dir.write("rdisk.para", real_text(rdisk) + "\n");
        dir.write("rgal.para", real_text(rgal) + "\n");
        dir.write("sh1.para", structural_records(s));
        dir.write("di.dat", disk_snapshot());
        dir.write("shp1.dat", position_list(spiral));
        dir.write("r1.dat", position_list(inner_ring));
        dir.write("r2.dat", position_list(outer_ring));
        dir.write("sip3.dat", position_list(bulge));
    }
};

// Checks that the console holds one line per label, in order, each the label followed
// by values only ("" for the line of counts, which has no label).
inline void expect_console(const RunResult& r, const std::vector<std::string>& labels) {
    const std::vector<std::string> lines = r.out_lines();
    ASSERT_EQ(lines.size(), labels.size()) << r.out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::size_t start = std::min(line.find_first_not_of(' '), line.size());
        ASSERT_EQ(line.compare(start, labels[i].size(), labels[i]), 0) << "line " << i << ": " << line;
        const std::string rest = line.substr(start + labels[i].size());
        EXPECT_TRUE(labels[i].empty() || rest.empty() || rest[0] == ' ') << line;
        for (const std::string& t : tokens(rest)) EXPECT_TRUE(numeric_token(t)) << line;
    }
}

// One record of "tinit.dat": the three given coordinates, velocity 0, type 1, mass;
// every real compared bit for bit.
inline void expect_record(const std::string& line, const Vec3& pos, float mass) {
    const std::vector<std::string> t = tokens(line);
    ASSERT_EQ(t.size(), 8u) << line;
    for (int k = 0; k < 3; ++k) EXPECT_EQ(bits(as_real(t[k])), bits(pos[k])) << "coordinate " << k << ": " << line;
    for (int k = 3; k < 6; ++k) EXPECT_EQ(bits(as_real(t[k])), bits(0.0f)) << line;
    EXPECT_EQ(t[6], "1") << line;
    EXPECT_EQ(bits(as_real(t[7])), bits(mass)) << line;
}

// Particle records of a written model (the lines after the four header lines).
inline std::vector<std::string> model_records(const Scratch& dir) {
    std::vector<std::string> lines = dir.lines("tinit.dat");
    if (lines.size() < 4) return {};
    return {lines.begin() + 4, lines.end()};
}

}  // namespace galtk::test::galmix_case
