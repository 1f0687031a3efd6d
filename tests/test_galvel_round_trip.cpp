// galvel's models through every format and back to text: per-type softening lengths and
// type masses of unequal entries (what galvel writes) come back whole where the format
// has room, and where it has not the writer's one line says exactly what comes back.
// Also the GADGET header record itself: the earlier record still read, the fields
// GADGET-2, GADGET-4 and AREPO read left as they were, a damaged record passed over.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "galvel_models.hpp"
#include "snapshot_io.hpp"
#include "support.hpp"
#include "text_header.hpp"

namespace galtk::test {
namespace {

// A model as diskgen + diskbulge would hand galvel one, but with a softening length per
// type code: the disk particles code 1, the bulge code 4.
ParticleSet per_type_input() {
    ModelRecipe recipe;
    recipe.disk = 3000;
    recipe.bulge = 600;
    ParticleSet set = make_model(recipe);
    for (std::size_t j = recipe.disk; j < set.size(); ++j) set.type[j] = 4;
    set.ncomp = 4;
    set.softening = {0.05f, 0.0937f, 0.02f, 0.03f, 0.04f};
    set.type_mass = {0.001f, 0.0f, 0.0f, 0.0f, 0.002f};
    return set;
}

std::vector<std::string> galvel_args(std::initializer_list<std::string> more) {
    std::vector<std::string> a = {"in.dat", "--bulge", "600", "--halo", "hernquist:5:6", "--threads", "2"};
    a.insert(a.end(), more);
    return a;
}

// Line `k` (0-based) of a text snapshot.
std::string line_of(const Scratch& dir, const std::string& name, std::size_t k) {
    const std::vector<std::string> lines = dir.lines(name);
    return k < lines.size() ? lines[k] : std::string();
}

// The values the loss line says a list comes back as: the text after "<what> ... come
// back as " up to the next ";" or the end.
std::vector<float> said_to_come_back(const std::string& line, const std::string& what) {
    const std::size_t at = line.find(what + " ");
    if (at == std::string::npos) return {};
    const std::string marker = " come back as ";
    const std::size_t from = line.find(marker, at) + marker.size();
    const std::size_t to = line.find(';', from);
    return reals_of(line.substr(from, to == std::string::npos ? std::string::npos : to - from));
}

void expect_same_bits(const std::vector<float>& a, const std::vector<float>& b, const std::string& what) {
    ASSERT_EQ(a.size(), b.size()) << what;
    for (std::size_t k = 0; k < a.size(); ++k) EXPECT_EQ(bits(a[k]), bits(b[k])) << what << " entry " << k;
}

class GalvelRoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        write_snapshot(dir.path("in.dat"), per_type_input(), SnapshotFormat::text);
    }
    Scratch dir;
};

TEST_F(GalvelRoundTrip, DiskBulgeAndHaloParticlesComeBackByteIdenticalFromGadgetAndHdf5) {
    RunResult r = dir.run("galvel", "", galvel_args({"out.dat", "--halo-particles", "300"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string text = dir.read("out.dat");
    // The case the earlier record could not carry: unequal softenings and masses.
    const ParticleSet model = read_snapshot(dir.path("out.dat"));
    ASSERT_EQ(model.softening.size(), 5u);
    ASSERT_NE(bits(model.softening[0]), bits(model.softening[1]));
    ASSERT_NE(bits(model.type_mass[0]), bits(model.type_mass[1]));
    for (const char* format : {"gadget1", "gadget2", "hdf5"}) {
        SCOPED_TRACE(format);
        const std::string binary = std::string("out.") + format;
        r = dir.run("snapconv", "", {"out.dat", binary, "--to", format});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "") << "nothing is lost, so nothing is said";
        r = dir.run("snapconv", "", {binary, "back.dat", "--to", "text"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(dir.read("back.dat") == text) << "line 3: " << line_of(dir, "back.dat", 2) << "\nline 4: "
                                                  << line_of(dir, "back.dat", 3);
    }
}

TEST_F(GalvelRoundTrip, TipsySaysInOneLineWhatComesBackAndThatIsWhatComesBack) {
    RunResult r = dir.run("galvel", "", galvel_args({"out.dat", "--halo-particles", "300"}));
    ASSERT_EQ(r.status, 0) << r.err;
    r = dir.run("snapconv", "", {"out.dat", "out.std", "--to", "tipsy"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.err_lines().size(), 1u) << r.err;
    const std::string said = r.err_lines()[0];
    EXPECT_EQ(said.rfind("snapconv: out.std: tipsy keeps one softening per particle class and no type codes", 0), 0u)
        << said;
    r = dir.run("snapconv", "", {"out.std", "back.dat", "--to", "text"});
    ASSERT_EQ(r.status, 0) << r.err;
    const ParticleSet before = read_snapshot(dir.path("out.dat"));
    const ParticleSet after = read_snapshot(dir.path("back.dat"));
    // Every list the line names is what the text written from the file holds, and what
    // it names was there before.
    expect_same_bits(said_to_come_back(said, "softenings"), after.softening, "softenings");
    expect_same_bits(said_to_come_back(said, "type masses"), after.type_mass, "type masses");
    const std::size_t from = said.find("softenings ") + 11;
    expect_same_bits(reals_of(said.substr(from, said.find(" come back", from) - from)), before.softening,
                     "softenings before");
    // What does come back is not named: ncomp 4 of five entries, the 8-item records.
    EXPECT_EQ(said.find("ncomp "), std::string::npos) << said;
    EXPECT_EQ(said.find("records "), std::string::npos) << said;
    EXPECT_EQ(line_of(dir, "back.dat", 1), line_of(dir, "out.dat", 1));
}

TEST_F(GalvelRoundTrip, GasDiskComesBackWholeFromEveryBinaryFormatButTipsy) {
    RunResult r = dir.run("galvel", "", galvel_args({"out.hdf5", "--to", "hdf5", "--halo-particles", "300", "--gas",
                                                      "0.2:1.5", "--gas-sound-speed", "0.08", "--gas-particles", "800",
                                                      "--gas-neighbours", "32"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    r = dir.run("snapconv", "", {"out.hdf5", "ref.dat", "--to", "text", "--drop-gas"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string text = dir.read("ref.dat");
    const ParticleSet ref = read_snapshot(dir.path("ref.dat"));
    ASSERT_NE(bits(ref.type_mass.at(0)), 0u) << "the gas's mass is in the list";
    for (const char* format : {"gadget1", "gadget2", "tipsy"}) {
        SCOPED_TRACE(format);
        const std::string binary = std::string("out.") + format;
        r = dir.run("snapconv", "", {"out.hdf5", binary, "--to", format});
        ASSERT_EQ(r.status, 0) << r.err;
        const bool tipsy = std::string(format) == "tipsy";
        EXPECT_EQ(r.err_lines().size(), tipsy ? 1u : 0u) << r.err;
        r = dir.run("snapconv", "", {binary, "back.dat", "--to", "text", "--drop-gas"});
        ASSERT_EQ(r.status, 0) << r.err;
        if (!tipsy) {
            EXPECT_TRUE(dir.read("back.dat") == text) << line_of(dir, "back.dat", 2) << "\n" << line_of(dir, "back.dat", 3);
        }
    }
}

// A GADGET header of `set`'s file, and the file's bytes.
std::string file_bytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
void put_file(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

ParticleSet three_codes() {
    ParticleSet set = per_type_input();
    for (std::size_t j = 0; j < set.size(); ++j) set.type[j] = j < 2000 ? 2 : (j < 3000 ? 1 : 3);
    set.softening = {0.0f, 0.0937f, 0.0937f, 0.04f, 0.0f};
    set.type_mass = {0.001f, 0.0f, set.mass[0], 0.0f, 0.0f};
    set.type_mass[3] = set.mass[3100];
    return set;
}

void expect_same_lists(const ParticleSet& back, const ParticleSet& set) {
    EXPECT_EQ(back.ncomp, set.ncomp);
    expect_same_bits(back.softening, set.softening, "softenings");
    expect_same_bits(back.type_mass, set.type_mass, "type masses");
}

TEST(GadgetHeaderRecord, LeavesEveryFieldTheCodesReadAsItWas) {
    Scratch dir;
    const ParticleSet set = three_codes();
    WriteOptions options;
    options.box = 0.0;
    EXPECT_EQ(write_snapshot(dir.path("g"), set, SnapshotFormat::gadget1, options), "");
    const std::string b = file_bytes(dir.path("g"));
    const char* h = b.data() + 4;  // the header's payload
    // flag_entropy_instead_u (192), flag_doubleprecision (196) and AREPO's and GADGET-4's
    // extras up to 216 stay zero: a single-precision file without extras to all of them.
    for (std::size_t k = 192; k < 216; ++k) EXPECT_EQ(h[k], 0) << "header byte " << k;
    EXPECT_EQ(std::memcmp(h + 216, "gtk2", 4), 0);
    std::int32_t npart[6], files;
    double mass[6];
    std::memcpy(npart, h, 24);
    std::memcpy(mass, h + 24, 48);
    std::memcpy(&files, h + 124, 4);
    EXPECT_EQ(npart[1], 1000);
    EXPECT_EQ(npart[2], 2000);
    EXPECT_EQ(npart[3], 600);
    EXPECT_EQ(files, 1);
    EXPECT_EQ(static_cast<float>(mass[2]), set.mass[0]);
}

TEST(GadgetHeaderRecord, FilesOfTheEarlierRecordReadAsBefore) {
    Scratch dir;
    ParticleSet set = three_codes();
    set.softening.assign(5, 0.0937f);
    set.type_mass.assign(5, 0.25f);
    ASSERT_EQ(write_snapshot(dir.path("g"), set, SnapshotFormat::gadget2), "");
    std::string b = file_bytes(dir.path("g"));
    // Format 2: a 16-byte label record, then the header's marker.
    char* r = b.data() + 16 + 4 + 216;
    // The earlier layout: magic, ncomp, the counts, flags, codes, then one softening at
    // 20 and one mass at 24.
    const std::string codes(r + 8, 6);
    std::memset(r, 0, 40);
    std::memcpy(r, "gtk1", 4);
    const std::int32_t ncomp = 7;
    std::memcpy(r + 4, &ncomp, 4);
    r[8] = 5;
    r[9] = 5;
    r[10] = 2 | 1;
    std::memcpy(r + 12, codes.data(), 6);
    const float soft = 0.0937f, m = 0.25f;
    std::memcpy(r + 20, &soft, 4);
    std::memcpy(r + 24, &m, 4);
    put_file(dir.path("old"), b);
    const ParticleSet back = read_snapshot(dir.path("old"));
    EXPECT_EQ(back.ncomp, 7);
    expect_same_bits(back.softening, std::vector<float>(5, 0.0937f), "softenings");
    expect_same_bits(back.type_mass, std::vector<float>(5, 0.25f), "type masses");
    EXPECT_TRUE(back.per_particle_mass);
    EXPECT_EQ(back.type, set.type);
}

TEST(GadgetHeaderRecord, ListsBeyondItsRoomAreNamedAndTheRestDerived) {
    Scratch dir;
    ParticleSet set = three_codes();
    // Five different softenings and the type mass of code 0: one more than the palette
    // holds.
    set.softening = {0.01f, 0.02f, 0.03f, 0.04f, 0.05f};
    const std::string said = write_snapshot(dir.path("g"), set, SnapshotFormat::gadget1);
    EXPECT_EQ(said.rfind(dir.path("g").string() + ": the GADGET header's free bytes hold at most 12 list entries", 0),
              0u)
        << said;
    EXPECT_NE(said.find("softenings 0.01 0.02 0.03 0.04 0.05 come back as 0 0 0 0 0"), std::string::npos) << said;
    const ParticleSet back = read_snapshot(dir.path("g"));
    EXPECT_EQ(back.type, set.type) << "the codes still come back";
    EXPECT_FALSE(back.ncomp.has_value());
    expect_same_bits(said_to_come_back(said, "type masses"),
                     {0.0f, set.mass[2000], set.mass[0], set.mass[3100], 0.0f}, "type masses said");

    // Five distinct values besides 0 and the shared masses fit exactly.
    set.softening = {0.01f, 0.02f, 0.03f, 0.0f, 0.04f};
    EXPECT_EQ(write_snapshot(dir.path("g"), set, SnapshotFormat::gadget1), "");
    expect_same_lists(read_snapshot(dir.path("g")), set);
}

TEST(GadgetHeaderRecord, ListsOfZerosAndSharedMassesNeedNoValues) {
    // No palette value at all (the sanitizer build checks the empty copy too).
    Scratch dir;
    ParticleSet set = three_codes();
    set.softening.assign(5, 0.0f);
    set.type_mass = {0.0f, set.mass[2000], set.mass[0], set.mass[3100], 0.0f};
    ASSERT_EQ(write_snapshot(dir.path("g"), set, SnapshotFormat::gadget1), "");
    expect_same_lists(read_snapshot(dir.path("g")), set);
}

TEST(GadgetHeaderRecord, ByteSwappedFileKeepsTheLists) {
    Scratch dir;
    const ParticleSet set = three_codes();
    ASSERT_EQ(write_snapshot(dir.path("g"), set, SnapshotFormat::gadget1), "");
    std::string b = file_bytes(dir.path("g"));
    // Every 4-byte word reversed but the header's doubles (8 bytes) and its record's byte
    // fields; the particle blocks are 4-byte words throughout.
    auto rev = [&b](std::size_t at, std::size_t n) { std::reverse(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + n)); };
    for (std::size_t at = 0; at < b.size();) {
        std::uint32_t len;
        std::memcpy(&len, b.data() + at, 4);
        rev(at, 4);
        rev(at + 4 + len, 4);
        const std::size_t p = at + 4;
        if (len == 256) {
            for (std::size_t k = 0; k < 24; k += 4) rev(p + k, 4);
            for (std::size_t k = 24; k < 96; k += 8) rev(p + k, 8);
            for (std::size_t k = 96; k < 128; k += 4) rev(p + k, 4);
            for (std::size_t k = 128; k < 160; k += 8) rev(p + k, 8);
            for (std::size_t k = 160; k < 216; k += 4) rev(p + k, 4);
            rev(p + 216 + 4, 2);  // ncomp
            for (std::size_t k = 216 + 20; k < 256; k += 4) rev(p + k, 4);
        } else {
            for (std::size_t k = 0; k < len; k += 4) rev(p + k, 4);
        }
        at += 8 + len;
    }
    put_file(dir.path("big"), b);
    expect_same_lists(read_snapshot(dir.path("big")), set);
}

TEST(GadgetHeaderRecord, DamagedRecordIsPassedOverForADerivedHeader) {
    Scratch dir;
    const ParticleSet set = three_codes();
    ASSERT_EQ(write_snapshot(dir.path("g"), set, SnapshotFormat::gadget1), "");
    const std::string good = file_bytes(dir.path("g"));
    for (const auto& [at, value] : std::vector<std::pair<std::size_t, char>>{
             {7, char(0x92)},    // a palette of nine values
             {6, char(0x5D)},    // 13 + 5 entries
             {14, char(0x7C)}})  // entries into the palette's unused slots
    {
        std::string b = good;
        b[4 + 216 + at] = value;
        put_file(dir.path("bad"), b);
        const ParticleSet back = read_snapshot(dir.path("bad"));
        EXPECT_FALSE(back.ncomp.has_value()) << "record byte " << at;
        EXPECT_EQ(back.type, set.type) << "record byte " << at;
    }
}

}  // namespace
}  // namespace galtk::test

namespace galtk::test {
namespace {

// tipsy's padding word carries the header of a model of one code, whose eps is the
// softening: a negative code has eps 0, so the record would give back softening 0.
TEST(TipsyHeaderRecord, NegativeCodeIsNotRecordedButSaid) {
    Scratch dir;
    ParticleSet set;
    set.resize(3);
    for (std::size_t j = 0; j < 3; ++j) {
        set.pos[j] = {float(j), 0.0f, 0.0f};
        set.mass[j] = 0.125f;
        set.type[j] = -4;
    }
    set.ncomp = 4;
    set.softening.assign(5, 0.05f);
    set.type_mass.assign(5, 0.125f);
    const std::string said = write_snapshot(dir.path("t"), set, SnapshotFormat::tipsy);
    EXPECT_NE(said.find("softenings 0.05 0.05 0.05 0.05 0.05 come back as 0 0 0 0 0"), std::string::npos) << said;
    const ParticleSet back = read_snapshot(dir.path("t"));
    expect_same_bits(back.softening, std::vector<float>(5, 0.0f), "softenings");

    // A code inside the list keeps it all, and nothing is said.
    std::fill(set.type.begin(), set.type.end(), 3);
    EXPECT_EQ(write_snapshot(dir.path("t"), set, SnapshotFormat::tipsy), "");
    EXPECT_EQ(text_header_of(read_snapshot(dir.path("t"))).softening, set.softening);
}

}  // namespace
}  // namespace galtk::test
