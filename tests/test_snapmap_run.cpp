// snapmap end to end: the map files projmap collects, the picture, the summary line, and
// the refusals that leave an earlier map file as it was.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support.hpp"

namespace galtk::test {
namespace {

// A text snapshot with particles of mass `mass` (eighth item) at the given x y z vx vy vz.
std::string snapshot(const std::vector<std::vector<float>>& records, float mass) {
    std::string text = " " + std::to_string(records.size()) + " 0.0\n 1\n 0.1\n 0.0\n";
    for (const auto& r : records) {
        for (const float v : r) text += " " + real_text(v);
        text += " 1 " + real_text(mass) + "\n";
    }
    return text;
}

// A disk turning counter-clockwise about z: particle k at radius 0.3 + k/n (spread over
// angles), speed 1.
std::string turning_disk(int n, float mass) {
    std::vector<std::vector<float>> records;
    for (int k = 0; k < n; ++k) {
        const double phi = 2.39996 * k, r = 0.3 + 1.5 * k / n;
        records.push_back({float(r * std::cos(phi)), float(r * std::sin(phi)), float(0.05 * std::sin(7.0 * k)),
                           float(-std::sin(phi)), float(std::cos(phi)), 0.0f});
    }
    return snapshot(records, mass);
}

std::vector<std::string> first_tokens(const Scratch& s, const char* file) {
    std::vector<std::string> v;
    for (const std::string& line : s.lines(file)) v.push_back(tokens(line).at(0));
    return v;
}

// Width and height from a PNG's IHDR chunk; {0, 0} when the file is not a PNG.
std::pair<std::uint32_t, std::uint32_t> png_size(const std::string& bytes) {
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || bytes.compare(12, 4, "IHDR") != 0)
        return {0, 0};
    auto be32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        for (int k = 0; k < 4; ++k) v = v << 8 | static_cast<unsigned char>(bytes[at + k]);
        return v;
    };
    return {be32(16), be32(20)};
}

TEST(SnapmapRun, ProjmapPairsEachMapWithItsModel) {
    Scratch s;
    s.write("model1.dat", turning_disk(300, 0.01f));
    s.write("model2.dat", turning_disk(500, 0.002f));
    for (const char* kind : {"1", "3"}) {
        for (int n = 1; n <= 2; ++n) {
            const RunResult r = s.run("snapmap", {}, {"model" + std::to_string(n) + ".dat", "--kind", kind, "--model",
                                                      std::to_string(n), "--nmesh", "4", "--extent", "2"});
            ASSERT_EQ(r.status, 0) << r.err;
            ASSERT_EQ(r.out_lines().size(), 1u) << r.out;
            EXPECT_EQ(r.err, "");
        }
    }
    ASSERT_EQ(s.lines("2df.dat.m1").size(), 48u);  // three views of 4 x 4 cells
    ASSERT_EQ(s.lines("2dfv1.dat.m2").size(), 48u);
    s.write("denve.dat", "2\n1.5 2.5\n3.5 4.5\n");
    for (const char* kind : {"1", "3"}) {
        const RunResult p = s.run("projmap", std::string(kind) + "\n2\n4\n3\n");
        ASSERT_EQ(p.status, 0) << p.err;
        const std::string prefix = kind[0] == '1' ? "2df.dat.m" : "2dfv1.dat.m";
        // The stream is the two map files line for line (same text, hence same bits),
        // and map r (16 values) of model (r - 1) / 3 + 1 has that model's pair.
        EXPECT_EQ(s.read("2dft.dat"), s.read(prefix + "1") + s.read(prefix + "2")) << kind;
        EXPECT_EQ(first_tokens(s, "2dftn1.dat"), (std::vector<std::string>{"1.5", "1.5", "1.5", "3.5", "3.5", "3.5"}));
        EXPECT_EQ(first_tokens(s, "2dftn2.dat"), (std::vector<std::string>{"2.5", "2.5", "2.5", "4.5", "4.5", "4.5"}));
    }
    // The face-on density of model 1 holds its mass of 3 inside [-2, 2)^2 (cells of area 1).
    double sum = 0;
    for (int k = 0; k < 16; ++k) sum += as_real(tokens(s.lines("2df.dat.m1")[k])[0]);
    EXPECT_NEAR(sum, 3.0, 1e-5);
    // Edge-on along y (third map): the receding side is on the right.
    const auto v = s.lines("2dfv1.dat.m1");
    EXPECT_GT(as_real(tokens(v[32 + 4 * 2 + 3])[0]), 0.5f);
    EXPECT_LT(as_real(tokens(v[32 + 4 * 2 + 0])[0]), -0.5f);
}

TEST(SnapmapRun, NamesOutputsAsAskedAndSaysWhenVelocitiesAreZero) {
    Scratch s;
    s.write("still.dat", snapshot({{1, 0, 0, 0, 0, 0}, {-2, 1, 0, 0, 0, 0}, {0, 30, 0, 0, 0, 0}}, 1.0f));
    RunResult r = s.run("snapmap", {}, {"still.dat", "--kind", "2", "--model", "7", "--nmesh", "8"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(s.exists("2dfv.dat.m7"));
    EXPECT_NE(r.out.find("every velocity is 0"), std::string::npos) << r.out;
    // 99% of the mass of three equal particles needs the one at 30: extent 31.
    EXPECT_NE(r.out.find("over [-31, 31)^2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("outside the extent: 0, 0, 0 particles"), std::string::npos) << r.out;
    r = s.run("snapmap", {}, {"still.dat", "--extent", "30", "--nmesh", "8", "--output", "at30.map"});
    EXPECT_NE(r.out.find("outside the extent: 1, 1, 0 particles"), std::string::npos) << r.out;

    r = s.run("snapmap", {}, {"still.dat", "--output", "sub.map", "--view", "45:10", "--assign", "ngp", "--png", "a.png"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(s.lines("sub.map").size(), 128u * 128u);
    EXPECT_EQ(png_size(s.read("a.png")), (std::pair<std::uint32_t, std::uint32_t>{256, 256}));
    EXPECT_FALSE(s.exists("2df.dat.m1"));

    // Each --view takes one view, so INPUT may follow them.
    r = s.run("snapmap", {}, {"--view", "0:0", "--view", "90:0", "still.dat", "--nmesh", "4", "--output", "two.map"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(s.lines("two.map").size(), 2u * 16u);

    // Only a picture asked for: no map file.
    r = s.run("snapmap", {}, {"still.dat", "--png", "b.png", "--nmesh", "100", "--extent", "40"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(png_size(s.read("b.png")), (std::pair<std::uint32_t, std::uint32_t>{3 * 300 + 2 * 4, 300}));
    EXPECT_FALSE(s.exists("2df.dat.m1"));
    r = s.run("snapmap", {}, {"still.dat", "--png", "c.png", "--nmesh", "2048", "--view", "0:0", "--extent", "40"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(png_size(s.read("c.png")), (std::pair<std::uint32_t, std::uint32_t>{1024, 1024}));
}

// The picture's pixels, RGB, row after row from the top; empty when unreadable.
std::vector<unsigned char> png_pixels(const std::filesystem::path& file, png_uint_32& width) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
    width = image.width;
    return rgb;
}

TEST(SnapmapRun, PictureColoursFollowTheScales) {
    Scratch s;
    s.write("disk.dat", turning_disk(4000, 0.001f));
    // Edge-on along y, 16 cells over [-2, 2): the disk fills the middle rows, receding on
    // the right (red), approaching on the left (blue); empty rows are 0 (grey).
    RunResult r = s.run("snapmap", {}, {"disk.dat", "--kind", "3", "--view", "90:0", "--nmesh", "16", "--extent", "2",
                                         "--png", "v.png"});
    ASSERT_EQ(r.status, 0) << r.err;
    png_uint_32 width = 0;
    auto rgb = png_pixels(s.path("v.png"), width);
    ASSERT_EQ(rgb.size(), 256u * 256u * 3u);
    auto pixel = [&](int x, int y) { return &rgb[(std::size_t(y) * width + std::size_t(x)) * 3]; };
    const unsigned char* right = pixel(256 - 8, 128);
    const unsigned char* left = pixel(8, 128);
    const unsigned char* empty = pixel(128, 8);
    EXPECT_GT(right[0], right[2] + 60);
    EXPECT_GT(left[2], left[0] + 60);
    EXPECT_EQ(empty[0], 221);  // the cool-warm scale's grey centre
    EXPECT_EQ(empty[1], 220);
    EXPECT_EQ(empty[2], 220);

    // Density, face-on: the centre is brighter than the edge of the disk, and an empty
    // corner takes the darkest colour of viridis.
    r = s.run("snapmap", {}, {"disk.dat", "--view", "0:0", "--nmesh", "16", "--extent", "2", "--png", "d.png"});
    ASSERT_EQ(r.status, 0) << r.err;
    rgb = png_pixels(s.path("d.png"), width);
    ASSERT_EQ(rgb.size(), 256u * 256u * 3u);
    const unsigned char* corner = pixel(2, 2);
    EXPECT_EQ(corner[0], 68);  // viridis at 0: (0.267, 0.005, 0.329)
    EXPECT_EQ(corner[1], 1);
    EXPECT_EQ(corner[2], 84);
    const unsigned char* centre = pixel(136, 120);
    EXPECT_GT(centre[1], 100);
}

// Where a view puts an off-axis clump, in the picture and in the map file. The clump at
// (3, 1.5, 1) lies off every plane of symmetry, so a picture turned upside down or
// mirrored (which would also reverse the sense of rotation) puts it in another quadrant.
TEST(SnapmapRun, PicturesAndMapsKeepTheViewsOrientation) {
    Scratch s;
    std::vector<std::vector<float>> records;
    for (int k = 0; k < 300; ++k)  // a faint spread for the maps to show around the clump
        records.push_back({float(3.5 * std::sin(1.3 * k)), float(3.5 * std::sin(2.1 * k + 1)),
                           float(3.5 * std::sin(0.7 * k + 2)), 0, 0, 0});
    std::string text = snapshot(records, 1e-4f);
    text.replace(0, text.find('\n'), " 303 0.0");
    for (int k = 0; k < 3; ++k) text += " 3.0 1.5 1.0 0 0 0 1 1\n";
    s.write("clump.dat", text);
    struct Expect {
        const char* view;
        double u, v;
    };
    const std::vector<Expect> views = {{"0:0", 3, 1.5}, {"90:0", 3, 1}, {"90:90", 1.5, 1}, {"180:0", 3, -1.5}, {"0:90", 1.5, -3}};
    std::vector<std::string> args = {"clump.dat", "--nmesh", "32", "--extent", "4", "--output", "c.map", "--png", "c.png"};
    for (const Expect& e : views) {
        args.push_back("--view");
        args.push_back(e.view);
    }
    const RunResult r = s.run("snapmap", {}, args);
    ASSERT_EQ(r.status, 0) << r.err;
    png_uint_32 width = 0;
    const auto rgb = png_pixels(s.path("c.png"), width);
    ASSERT_EQ(width, 5u * 256u + 4u * 4u);
    const std::vector<std::string> values = s.lines("c.map");
    ASSERT_EQ(values.size(), views.size() * 32u * 32u);
    for (std::size_t k = 0; k < views.size(); ++k) {
        // The brightest pixel of the panel (viridis grows brighter towards its top).
        int best_x = -1, best_y = -1, best = -1;
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                const unsigned char* p = &rgb[(std::size_t(y) * width + k * 260 + std::size_t(x)) * 3];
                if (p[0] + p[1] > best) best = p[0] + p[1], best_x = x, best_y = y;
            }
        }
        // 32 pixels a length unit; rows from the top.
        EXPECT_NEAR(best_x, (views[k].u + 4.0) * 32.0, 12.0) << views[k].view;
        EXPECT_NEAR(best_y, (4.0 - views[k].v) * 32.0, 12.0) << views[k].view;
        // The map's largest cell: value i + 32 j is cell (i, j), bottom row first.
        std::size_t top = 0;
        double top_value = -1.0;
        for (std::size_t c = 0; c < 32u * 32u; ++c) {
            const double v = std::stod(values[k * 1024 + c]);
            if (v > top_value) top_value = v, top = c;
        }
        EXPECT_NEAR(double(top % 32) + 0.5, (views[k].u + 4.0) * 4.0, 1.0) << views[k].view;
        EXPECT_NEAR(double(top / 32) + 0.5, (views[k].v + 4.0) * 4.0, 1.0) << views[k].view;
    }
}

// --kind takes the quantity's name as well as its number, and names the map file by the
// number projmap expects; a refused value is quoted as it was typed.
TEST(SnapmapRun, KindsByNameAndRefusalsQuoteTheValue) {
    Scratch s;
    s.write("disk.dat", turning_disk(500, 0.002f));
    const std::vector<std::pair<std::string, std::string>> kinds = {
        {"density", "2df.dat.m3"}, {"dispersion", "2dfv.dat.m3"}, {"velocity", "2dfv1.dat.m3"}};
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        const std::string number = std::to_string(k + 1);
        RunResult r = s.run("snapmap", {}, {"disk.dat", "--kind", kinds[k].first, "--model", "3", "--nmesh", "8"});
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string by_name = s.read(kinds[k].second);
        r = s.run("snapmap", {}, {"disk.dat", "--kind", number, "--model", "3", "--nmesh", "8"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(s.read(kinds[k].second), by_name) << kinds[k].first;
        EXPECT_FALSE(by_name.empty());
    }
    // A face-on mean velocity map is flat for a disk: the summary says why; not for inclined views.
    RunResult v = s.run("snapmap", {}, {"disk.dat", "--kind", "velocity", "--view", "0:0", "--view", "60:0", "--view",
                                         "180:30", "--nmesh", "8", "--output", "v.map"});
    ASSERT_EQ(v.status, 0) << v.err;
    EXPECT_NE(v.out.find("; face-on (0:0 180:30): a disk's rotation lies in the sky plane"), std::string::npos) << v.out;
    v = s.run("snapmap", {}, {"disk.dat", "--kind", "velocity", "--view", "60:0", "--nmesh", "8", "--output", "v.map"});
    EXPECT_EQ(v.out.find("face-on"), std::string::npos) << v.out;
    const std::vector<std::pair<std::vector<std::string>, std::string>> refusals = {
        {{"--extent", "-0"}, "snapmap: --extent: Value -0: expected a number above 0\n"},
        {{"--extent", "1e39"}, "snapmap: --extent: Value 1e39 is not a finite number\n"},
        {{"--position-mass", "-1.5"}, "snapmap: --position-mass: Value -1.5: expected a number of at least 0\n"},
        {{"--nmesh", "16385"}, "snapmap: --nmesh: Value 16385 not in range 1 to 16384\n"},
        {{"--kind", "speed"}, "snapmap: --kind: speed not in {1,2,3,density,dispersion,velocity}\n"},
    };
    // A value from the file, too, as it is written there.
    s.write("negative.dat", snapshot({{1, 0, 0, 0, 0, 0}}, -1.5f));
    const RunResult negative = s.run("snapmap", {}, {"negative.dat"});
    EXPECT_EQ(negative.status, 2);
    EXPECT_EQ(negative.err, "snapmap: negative.dat: particle 1: mass -1.5, expected a finite mass of 0 or more\n");
    for (const auto& [args, line] : refusals) {
        std::vector<std::string> all = {"disk.dat"};
        all.insert(all.end(), args.begin(), args.end());
        const RunResult r = s.run("snapmap", {}, all);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, line);
    }
}

TEST(SnapmapRun, RefusalsAreOneLineAndKeepTheEarlierMapFile) {
    Scratch s;
    s.write("m.dat", snapshot({{1, 0, 0, 0, 0, 0}}, 1.0f));
    s.write("short.dat", " 5 0.0\n 1\n 0.1\n 0.0\n 1 2 3 0 0 0 1 1\n");
    s.write("centre.dat", snapshot({{0, 0, 0, 1, 0, 0}}, 1.0f));
    const std::string earlier = " 1.5\n keep me\n";
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const std::vector<Case> cases = {
        {{"m.dat", "--nmesh", "0"}, 1},
        {{"m.dat", "--nmesh", "16385"}, 1},
        {{"m.dat", "--nmesh", "-3"}, 1},
        {{"m.dat", "--nmesh", "12x"}, 1},
        {{"m.dat", "--extent", "0"}, 1},
        {{"m.dat", "--extent", "-2"}, 1},
        {{"m.dat", "--extent", "nan"}, 1},
        {{"m.dat", "--extent", "inf"}, 1},
        {{"m.dat", "--view", "sideways"}, 1},
        {{"m.dat", "--view", "200:0"}, 1},
        {{"m.dat", "--view", "0:0", "--view", "60:"}, 1},
        {{"m.dat", "--kind", "4"}, 1},
        {{"m.dat", "--kind", "velo"}, 1},
        {{"m.dat", "--extent", "1e39"}, 1},
        {{"m.dat", "--position-mass", "-1"}, 1},
        {{"m.dat", "--format", "xyz"}, 1},
        {{"m.dat", "--assign", "tsc"}, 1},
        {{"m.dat", "--model", "0"}, 1},
        {{"m.dat", "--model", "2", "--output", "x"}, 1},
        {{"m.dat", "--frobnicate"}, 1},
        {{}, 1},
        {{"centre.dat"}, 1},
        {{"absent.dat"}, 2},
        {{"short.dat"}, 2},
        {{"m.dat", "--png", "no/such/folder/p.png"}, 2},
    };
    for (const Case& c : cases) {
        s.write("2df.dat.m1", earlier);
        const RunResult r = s.run("snapmap", {}, c.args);
        std::string shown;
        for (const auto& a : c.args) shown += a + " ";
        EXPECT_EQ(r.status, c.status) << shown << r.err;
        ASSERT_EQ(r.err_lines().size(), 1u) << shown << r.err;
        EXPECT_EQ(r.err.rfind("snapmap: ", 0), 0u) << r.err;
        EXPECT_EQ(r.out, "") << shown;
        EXPECT_EQ(s.read("2df.dat.m1"), earlier) << shown;
    }
    // Nothing but the inputs and the kept map file is left behind (no temporary file).
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(s.dir())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 4u);
}

}  // namespace
}  // namespace galtk::test

namespace galtk::test {
namespace {

TEST(SnapmapRun, MapAndPictureReplaceTheirEarlierFilesTogether) {
    Scratch s;
    s.write("m.dat", snapshot({{1, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0}}, 1.0f));
    const std::string earlier = " 1.5\n keep me\n";
    s.write("m.map", earlier);
    RunResult r = s.run("snapmap", {}, {"m.dat", "--nmesh", "8", "--output", "m.map", "--png", "/dev/full"});
    EXPECT_EQ(r.status, 2) << r.err;
    ASSERT_EQ(r.err_lines().size(), 1u) << r.err;
    EXPECT_EQ(s.read("m.map"), earlier);
    s.write("p.png", "earlier picture");
    r = s.run("snapmap", {}, {"m.dat", "--nmesh", "8", "--output", "/dev/full", "--png", "p.png"});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(s.read("p.png"), "earlier picture");
}

}  // namespace
}  // namespace galtk::test
