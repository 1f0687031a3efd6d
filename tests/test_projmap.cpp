// projmap end to end: the dialogue, the files bound and written, the pairing of maps with
// their models' parameters, and the counts of its loops at their edges.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support.hpp"

namespace galtk::test {
namespace {

const std::vector<std::string> fixed_files = {"2dft.dat",   "2dftn.dat",  "2dfv.dat", "2dfvn.dat", "test.dat",
                                              "2dftn1.dat", "2dftn2.dat", "denve.dat", "l.dat"};

std::string answers(int kind, int nfiles, int nmesh, int nproj) {
    return std::to_string(kind) + "\n" + std::to_string(nfiles) + "\n" + std::to_string(nmesh) + "\n" +
           std::to_string(nproj) + "\n";
}

// A map file of `count` values, value k of model n being n * 1000 + k.
void write_map(const Scratch& s, const std::string& name, int n, int count) {
    std::string text;
    for (int k = 1; k <= count; ++k) text += std::to_string(n * 1000 + k) + "\n";
    s.write(name, text);
}

std::string name_line(const char* label, const std::string& name) {
    return std::string(" ") + label + name + std::string(128 - name.size(), ' ');
}

std::vector<std::string> first_tokens(const Scratch& s, const char* file) {
    std::vector<std::string> v;
    for (const std::string& line : s.lines(file)) v.push_back(tokens(line).at(0));
    return v;
}

TEST(Projmap, TwoModelsOfThreeProjectionsOfFourByFour) {
    Scratch s;
    s.write("denve.dat", "3\n0.5 7.25\n1.5 8.25\n2.5 9.25\n");
    write_map(s, "2dfv.dat.m1", 1, 48);
    write_map(s, "2dfv.dat.m2", 2, 50);  // two values more than needed: ignored
    const RunResult r = s.run("projmap", answers(2, 2, 4, 3));
    ASSERT_EQ(r.status, 0) << r.err;

    const std::vector<std::string> console = {
        " 2df.dat Density (1) or 2dfv.dat Kinematic (2) ?",
        " 2dfv1.dat Kinematic (V_los) (3) ?",
        " Total number of files",
        " Input the number of meshes for one direction",
        " Number of projections ?",
        name_line("filename1=", "2dfv.dat.m1"),
        " i           1",
        name_line("filename1=", "2dfv.dat.m2"),
        " i           2"};
    const auto out = r.out_lines();
    ASSERT_EQ(out.size(), console.size()) << r.out;
    for (std::size_t i = 0; i < console.size(); ++i) {
        if (i == 6 || i == 8) EXPECT_EQ(tokens(out[i]), tokens(console[i]));
        else EXPECT_EQ(out[i], console[i]);
    }

    for (const auto& f : fixed_files) EXPECT_TRUE(s.exists(f)) << f;
    EXPECT_EQ(s.read("2dftn.dat"), "");
    EXPECT_EQ(s.read("test.dat"), "");
    EXPECT_FALSE(s.exists("2dft1.dat"));
    EXPECT_EQ(first_tokens(s, "l.dat"), std::vector<std::string>{"3"});

    const auto vn = s.lines("2dfvn.dat");
    ASSERT_EQ(vn.size(), 7u);
    EXPECT_EQ(tokens(vn[0]), std::vector<std::string>{"6"});
    const auto n1 = s.lines("2dftn1.dat");
    const auto n2 = s.lines("2dftn2.dat");
    ASSERT_EQ(n1.size(), 6u);
    ASSERT_EQ(n2.size(), 6u);
    const auto stream = s.lines("2dfv.dat");
    ASSERT_EQ(stream.size(), 96u);
    EXPECT_EQ(s.read("2dft.dat"), s.read("2dfv.dat"));
    EXPECT_EQ(s.read("2dft2.dat"), s.read("2dfv.dat"));
    // Map r (values 16 (r - 1) + 1 .. 16 r of the stream) has its pair on line r of the
    // pair files and line r + 1 of 2dfvn.dat.
    for (int r_map = 1; r_map <= 6; ++r_map) {
        const int model = (r_map - 1) / 3 + 1;
        const float first = model == 1 ? 0.5f : 1.5f;
        const float second = model == 1 ? 7.25f : 8.25f;
        EXPECT_EQ(as_real(tokens(n1[r_map - 1])[0]), first);
        EXPECT_EQ(as_real(tokens(n2[r_map - 1])[0]), second);
        EXPECT_EQ(reals_of(vn[r_map]), (std::vector<float>{first, second}));
        for (int k = 1; k <= 16; ++k) {
            const int within = ((r_map - 1) % 3) * 16 + k;
            EXPECT_EQ(as_real(tokens(stream[(r_map - 1) * 16 + k - 1])[0]), float(model * 1000 + within));
        }
    }
}

TEST(Projmap, DensityMapsGoToTheFirstKindFile) {
    Scratch s;
    s.write("denve.dat", "1\n4 5\n");
    s.write("2df.dat.m1", "1.5 99\n-2.25e3,98\n3\n");  // only the first value of a line counts
    const RunResult r = s.run("projmap", answers(1, 1, 1, 3));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(s.exists("2dft2.dat"));
    EXPECT_EQ(first_tokens(s, "2dft1.dat"), (std::vector<std::string>{"1.5", "-2250.0", "3.0"}));
    EXPECT_EQ(s.read("2dft1.dat"), s.read("2dfv.dat"));
    EXPECT_EQ(s.read("2dft.dat"), s.read("2dfv.dat"));
}

TEST(Projmap, StreamLinesAreWrittenAsTheWriterWritesReals) {
    // Each model's one-value map holds the first value of its pair, so every line of the
    // map stream must equal the line of 2dftn1.dat written for the same value.
    const std::vector<std::string> values = {"0.1", "-3e-5", "1e10", "0", "-0.0", "123456789", "NaN",
                                             "-Inf", "1.17549435E-38", "0.001", "999999999"};
    Scratch s;
    std::string denve = std::to_string(values.size()) + "\n";
    for (std::size_t n = 1; n <= values.size(); ++n) {
        denve += values[n - 1] + " 0\n";
        s.write("2dfv1.dat.m" + std::to_string(n), values[n - 1] + "\n");
    }
    s.write("denve.dat", denve);
    const RunResult r = s.run("projmap", answers(3, int(values.size()), 1, 1));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(s.read("2dft.dat"), s.read("2dftn1.dat"));
    EXPECT_EQ(s.lines("2dft.dat").size(), values.size());
}

TEST(Projmap, NoProjectionsStillBindsEveryMapFile) {
    Scratch s;
    s.write("denve.dat", "0\n");
    const RunResult r = s.run("projmap", answers(2, 3, 4, 0));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(first_tokens(s, "2dfvn.dat"), std::vector<std::string>{"0"});
    for (const char* f : {"2dftn1.dat", "2dftn2.dat", "2dfv.dat", "2dft.dat", "2dft2.dat"}) EXPECT_EQ(s.read(f), "") << f;
    for (int n = 1; n <= 3; ++n) EXPECT_TRUE(s.exists("2dfv.dat.m" + std::to_string(n)));
    EXPECT_EQ(r.out_lines().size(), 5u + 2 * 3);
}

TEST(Projmap, EmptyAndNegativeMeshes) {
    {
        Scratch s;
        s.write("denve.dat", "0\n");
        const RunResult r = s.run("projmap", answers(1, 2, 0, 3));
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(s.lines("2dftn1.dat").size(), 6u);
        EXPECT_EQ(s.lines("2dfvn.dat").size(), 7u);
        EXPECT_EQ(s.read("2dfv.dat"), "");
        EXPECT_EQ(s.read("2df.dat.m1"), "");  // created by the binding, never read
    }
    {
        Scratch s;
        s.write("denve.dat", "0\n");
        write_map(s, "2df.dat.m1", 1, 20);
        const RunResult r = s.run("projmap", answers(1, 1, -3, 2));
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(s.lines("2dft1.dat").size(), 18u);  // two maps of (-3)^2 values
    }
    {
        // 46341^2 wraps to a negative 32-bit count: maps are empty, the file is not read.
        Scratch s;
        s.write("denve.dat", "0\n");
        const RunResult r = s.run("projmap", answers(1, 1, 46341, 1));
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(s.read("2dft1.dat"), "");
        EXPECT_EQ(s.lines("2dftn1.dat").size(), 1u);
    }
}

TEST(Projmap, MapCountIsTheWrappedProduct) {
    Scratch s;
    s.write("denve.dat", "0\n");
    ASSERT_EQ(s.run("projmap", answers(1, -65536, 1, 65537)).status, 0);
    EXPECT_EQ(first_tokens(s, "2dfvn.dat"), std::vector<std::string>{"-65536"});
    ASSERT_EQ(s.run("projmap", "1\n-1\n1\n-2147483648\n").status, 0);
    EXPECT_EQ(first_tokens(s, "2dfvn.dat"), std::vector<std::string>{"-2147483648"});
}

TEST(Projmap, ModelsBeyondThePairsArePairedWithZeros) {
    Scratch s;
    s.write("denve.dat", "1\n0.5 0.75\n");
    const RunResult r = s.run("projmap", answers(2, 3, 0, 1));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(first_tokens(s, "2dftn1.dat"), (std::vector<std::string>{"0.5", "0.0", "0.0"}));
    EXPECT_EQ(first_tokens(s, "2dftn2.dat"), (std::vector<std::string>{"0.75", "0.0", "0.0"}));
}

TEST(Projmap, PairCountOutOfStep) {
    {
        // More pairs than models: all are read, the first ones used.
        Scratch s;
        s.write("denve.dat", "3\n1 2\n3 4\n5 6\n");
        ASSERT_EQ(s.run("projmap", answers(2, 1, 0, 1)).status, 0);
        EXPECT_EQ(first_tokens(s, "2dftn1.dat"), std::vector<std::string>{"1.0"});
    }
    {
        // A negative count reads no pair; l.dat still holds the count as read.
        Scratch s;
        s.write("denve.dat", "-4\n1 2\n");
        ASSERT_EQ(s.run("projmap", answers(2, 1, 0, 1)).status, 0);
        EXPECT_EQ(first_tokens(s, "l.dat"), std::vector<std::string>{"-4"});
        EXPECT_EQ(first_tokens(s, "2dftn1.dat"), std::vector<std::string>{"0.0"});
    }
    {
        // A huge count with two pairs behind it ends at the missing third pair, without
        // first claiming room for two billion pairs.
        Scratch s;
        s.write("denve.dat", "2000000000\n1 2\n3 4\n");
        const RunResult r = s.run("projmap", answers(2, 1, 0, 1));
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("denve.dat"), std::string::npos) << r.err;
        EXPECT_EQ(first_tokens(s, "l.dat"), std::vector<std::string>{"2000000000"});
        EXPECT_EQ(s.read("2dfvn.dat"), "");
    }
}

TEST(Projmap, NameLinesOfModelsNineTenAndAThousand) {
    Scratch s;
    s.write("denve.dat", "0\n");
    const RunResult r = s.run("projmap", answers(3, 1000, 4, 0));
    ASSERT_EQ(r.status, 0) << r.err;
    const auto out = r.out_lines();
    ASSERT_EQ(out.size(), 5u + 2 * 1000);
    auto name_line_of = [&](int n) { return out[5 + 2 * (n - 1)]; };
    EXPECT_EQ(name_line_of(7), name_line("filename1=", "2dfv1.dat.m7"));
    EXPECT_EQ(name_line_of(9), name_line("filename1=", "2dfv1.dat.m9"));
    EXPECT_EQ(name_line_of(10), name_line("fiename1=", "2dfv1.dat.m10"));
    EXPECT_EQ(name_line_of(100), name_line("fiename1=", "2dfv1.dat.m100"));
    EXPECT_EQ(name_line_of(1000), name_line("fiename1=", "2dfv1.dat.m1000"));
    EXPECT_EQ(tokens(out.back()), (std::vector<std::string>{"i", "1000"}));
    for (const char* f : {"2dfv1.dat.m7", "2dfv1.dat.m100", "2dfv1.dat.m999", "2dfv1.dat.m1000"}) EXPECT_TRUE(s.exists(f)) << f;
}

TEST(Projmap, ShortMapFileKeepsWhatWasWritten) {
    Scratch s;
    s.write("denve.dat", "2\n1 2\n3 4\n");
    write_map(s, "2df.dat.m1", 1, 8);
    write_map(s, "2df.dat.m2", 2, 5);  // the second map of model 2 stops after one value
    const RunResult r = s.run("projmap", answers(1, 2, 2, 2));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("2df.dat.m2"), std::string::npos) << r.err;
    EXPECT_EQ(s.lines("2dft.dat").size(), 13u);
    EXPECT_EQ(s.read("2dft1.dat"), s.read("2dft.dat"));
    EXPECT_EQ(s.read("2dfv.dat"), s.read("2dft.dat"));
    EXPECT_EQ(s.lines("2dftn1.dat").size(), 4u);  // the projection in progress included
    EXPECT_EQ(s.lines("2dfvn.dat").size(), 5u);
}

TEST(Projmap, UnknownMapKindIsRefusedBeforeAnyFileIsBound) {
    for (const char* kind : {"0", "4", "-1"}) {
        Scratch s;
        const RunResult r = s.run("projmap", std::string(kind) + "\n2\n4\n3\n");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out_lines(), (std::vector<std::string>{" 2df.dat Density (1) or 2dfv.dat Kinematic (2) ?",
                                                           " 2dfv1.dat Kinematic (V_los) (3) ?",
                                                           " Error: map kind must be 1, 2 or 3"}));
        for (const auto& entry : std::filesystem::directory_iterator(s.dir()))
            EXPECT_EQ(entry.path().filename().string().front(), '.') << "created " << entry.path();
    }
}

// A null value or a slash in a map file leaves the one real in transit as the read before
// left it, whether that read was in the same file or in the previous map file; only
// before the first read of the run is it 0.0.
TEST(Projmap, NullsAndSlashesRepeatTheValueInTransit) {
    Scratch s;
    s.write("denve.dat", "0\n");
    s.write("2df.dat.m1", ",\n1.5\n,\n/\n2.5, 9\n, 7\n");
    s.write("2df.dat.m2", "/\n,,\n-4\n/ 8\n,\n3\n");
    const RunResult r = s.run("projmap", answers(1, 2, 1, 6));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> expected = {"0.0", "1.5",  "1.5",  "1.5", "2.5", "2.5",
                                               "2.5", "2.5", "-4.0", "-4.0", "-4.0", "3.0"};
    EXPECT_EQ(first_tokens(s, "2dft1.dat"), expected);
    EXPECT_EQ(s.read("2dft.dat"), s.read("2dft1.dat"));
    EXPECT_EQ(s.read("2dfv.dat"), s.read("2dft1.dat"));
}

}  // namespace
}  // namespace galtk::test
