// snapconv --code: each preset's file checked against what its code reads (the layouts of
// the N-body codes: header attributes and their shapes, groups per type, record sizes,
// tipsy's big-endian records), and the refusals of models a code cannot start from.
#include <algorithm>
#include <hdf5.h>

#include <bit>
#include <cstring>

#include "snapshot_io.hpp"
#include "support.hpp"

namespace galtk::test {
namespace {

// A model as galvel writes it: disk (code 2), bulge (3) and halo (1), softening per type.
ParticleSet galvel_like(std::size_t disk, std::size_t bulge, std::size_t halo) {
    ParticleSet s;
    s.resize(disk + bulge + halo);
    for (std::size_t j = 0; j < s.size(); ++j) {
        const float t = static_cast<float>(j);
        s.pos[j] = {3.0f * std::sin(t), 3.0f * std::cos(t), 0.01f * static_cast<float>(j % 7) - 0.03f};
        s.vel[j] = {0.1f, -0.2f, 0.05f};
        s.type[j] = j < disk ? 2 : (j < disk + bulge ? 3 : 1);
        s.mass[j] = j < disk + bulge ? 1e-3f : 4e-3f;
    }
    s.pos[0] = {-20.0f, 0.0f, 0.0f};   // the largest |coordinate|: 20
    s.ncomp = 4;
    s.softening = {0.0f, 0.2f, 0.05f, 0.1f};
    s.type_mass = {0.0f, 4e-3f, 1e-3f, 1e-3f};
    return s;
}

struct H5 {
    hid_t file;
    explicit H5(const std::filesystem::path& p) : file(H5Fopen(p.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT)) {}
    ~H5() {
        if (file >= 0) H5Fclose(file);
    }
    bool has(const char* path) const { return H5Lexists(file, path, H5P_DEFAULT) > 0; }
    // Elements of an attribute of `group` (1 for a scalar), -1 when missing.
    long elements(const char* group, const char* name) const {
        if (H5Aexists_by_name(file, group, name, H5P_DEFAULT) <= 0) return -1;
        const hid_t a = H5Aopen_by_name(file, group, name, H5P_DEFAULT, H5P_DEFAULT);
        const hid_t space = H5Aget_space(a);
        const long n = H5Sget_simple_extent_npoints(space);
        H5Sclose(space);
        H5Aclose(a);
        return n;
    }
    std::vector<double> doubles(const char* group, const char* name) const {
        std::vector<double> v(static_cast<std::size_t>(std::max(0L, elements(group, name))));
        const hid_t a = H5Aopen_by_name(file, group, name, H5P_DEFAULT, H5P_DEFAULT);
        H5Aread(a, H5T_NATIVE_DOUBLE, v.data());
        H5Aclose(a);
        return v;
    }
    // Rows, columns (0 for one dimension) and class/size of a dataset.
    struct Shape {
        hsize_t rows = 0, cols = 0;
        H5T_class_t cls = H5T_NO_CLASS;
        std::size_t size = 0;
    };
    Shape shape(const std::string& path) const {
        Shape s;
        const hid_t d = H5Dopen2(file, path.c_str(), H5P_DEFAULT);
        if (d < 0) return s;
        const hid_t space = H5Dget_space(d), type = H5Dget_type(d);
        hsize_t dims[2] = {0, 0};
        const int rank = H5Sget_simple_extent_dims(space, dims, nullptr);
        s.rows = dims[0];
        s.cols = rank == 2 ? dims[1] : 0;
        s.cls = H5Tget_class(type);
        s.size = H5Tget_size(type);
        H5Tclose(type);
        H5Sclose(space);
        H5Dclose(d);
        return s;
    }
    std::vector<float> coordinates(const std::string& group, hsize_t rows) const {
        std::vector<float> v(rows * 3);
        const hid_t d = H5Dopen2(file, (group + "/Coordinates").c_str(), H5P_DEFAULT);
        H5Dread(d, H5T_NATIVE_FLOAT, H5S_ALL, H5S_ALL, H5P_DEFAULT, v.data());
        H5Dclose(d);
        return v;
    }
};

// The datasets every HDF5 reader needs, with the types and shapes it reads.
void expect_particle_group(const H5& f, const std::string& group, hsize_t n) {
    for (const char* field : {"Coordinates", "Velocities"}) {
        const H5::Shape s = f.shape(group + "/" + field);
        EXPECT_EQ(s.rows, n) << group << field;
        EXPECT_EQ(s.cols, 3u) << group << field;
        EXPECT_EQ(s.cls, H5T_FLOAT) << group << field;
        EXPECT_EQ(s.size, 4u) << group << field;
    }
    const H5::Shape ids = f.shape(group + "/ParticleIDs"), m = f.shape(group + "/Masses");
    EXPECT_EQ(ids.rows, n);
    EXPECT_EQ(ids.cols, 0u);
    EXPECT_EQ(ids.cls, H5T_INTEGER);
    EXPECT_EQ(m.rows, n) << group;
    EXPECT_EQ(m.cls, H5T_FLOAT);
}

void write_input(const Scratch& dir, const ParticleSet& s) { write_snapshot(dir.path("in.dat"), s, SnapshotFormat::text); }

TEST(SnapconvCode, Gadget4AndArepoGetEveryHeaderAttributeInItsShapeAndTheGalaxyTypes) {
    Scratch dir;
    write_input(dir, galvel_like(60, 20, 30));
    for (const char* code : {"gadget4", "arepo"}) {
        const RunResult r = dir.run("snapconv", {}, {"in.dat", "out.hdf5", "--code", code});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("out.hdf5 (hdf5): 110 particles"), std::string::npos) << r.out;
        H5 f(dir.path("out.hdf5"));
        for (const char* vec : {"NumPart_ThisFile", "NumPart_Total", "NumPart_Total_HighWord", "MassTable"})
            EXPECT_EQ(f.elements("Header", vec), 6) << code << vec;
        for (const char* scalar : {"Time", "Redshift", "BoxSize", "NumFilesPerSnapshot", "Omega0", "OmegaLambda",
                                   "HubbleParam", "Flag_Sfr", "Flag_Cooling", "Flag_StellarAge", "Flag_Metals",
                                   "Flag_Feedback", "Flag_DoublePrecision"})
            EXPECT_EQ(f.elements("Header", scalar), 1) << code << scalar;
        EXPECT_EQ(f.doubles("Header", "Flag_DoublePrecision"), std::vector<double>{0.0});
        EXPECT_EQ(f.doubles("Header", "BoxSize"), std::vector<double>{0.0});
        EXPECT_EQ(f.doubles("Header", "NumPart_Total"), (std::vector<double>{0, 30, 60, 20, 0, 0}));
        expect_particle_group(f, "PartType1", 30);
        expect_particle_group(f, "PartType2", 60);
        expect_particle_group(f, "PartType3", 20);
        EXPECT_FALSE(f.has("Units")) << code;
        // Positions as they are: no box shift.
        EXPECT_EQ(f.coordinates("PartType2", 60)[0], -20.0f);
    }
}

TEST(SnapconvCode, SwiftGetsStarsDarkMatterABoxAroundTheModelAndUnitsWithGOne) {
    Scratch dir;
    write_input(dir, galvel_like(60, 20, 30));
    const RunResult r = dir.run("snapconv", {}, {"in.dat", "swift.hdf5", "--code", "swift"});
    ASSERT_EQ(r.status, 0) << r.err;
    H5 f(dir.path("swift.hdf5"));
    // Disk and bulge are stars (4), the halo dark matter (1); nothing in background dark
    // matter (2) or sinks (3).
    EXPECT_EQ(f.doubles("Header", "NumPart_Total"), (std::vector<double>{0, 30, 0, 0, 80, 0}));
    EXPECT_FALSE(f.has("PartType2"));
    EXPECT_FALSE(f.has("PartType3"));
    expect_particle_group(f, "PartType1", 30);
    expect_particle_group(f, "PartType4", 80);
    EXPECT_EQ(f.elements("Header", "Flag_Entropy_ICs"), 1);
    EXPECT_EQ(f.elements("Header", "NumPart_Total_HighWord"), 6);
    EXPECT_EQ(f.doubles("Header", "NumFilesPerSnapshot"), std::vector<double>{1.0});
    // 4 x 20 rounded up to a power of two; every coordinate inside [0, BoxSize).
    const std::vector<double> box = f.doubles("Header", "BoxSize");
    ASSERT_EQ(box.size(), 1u);
    EXPECT_EQ(box[0], 128.0);
    for (auto [group, n] : {std::pair{"PartType1", 30}, std::pair{"PartType4", 80}})
        for (float x : f.coordinates(group, n)) {
            EXPECT_GE(x, 0.0f);
            EXPECT_LT(x, 128.0f);
        }
    // The Units group by SWIFT's names; G = 1 in them: G_cgs U_M U_t^2 / U_L^3 = 1.
    const char* names[] = {"Unit length in cgs (U_L)", "Unit mass in cgs (U_M)", "Unit time in cgs (U_t)",
                           "Unit current in cgs (U_I)", "Unit temperature in cgs (U_T)"};
    for (const char* n : names) ASSERT_EQ(f.elements("Units", n), 1) << n;
    const double L = f.doubles("Units", names[0])[0], M = f.doubles("Units", names[1])[0],
                 t = f.doubles("Units", names[2])[0];
    EXPECT_NEAR(L, 3.085678e21, 1e16);
    EXPECT_NEAR(6.67430e-8 * M * t * t / (L * L * L), 1.0, 1e-9);

    // Given options win: the box and the type map as typed.
    const RunResult own = dir.run("snapconv", {}, {"in.dat", "own.hdf5", "--code", "swift", "--box", "1000",
                                                   "--type-map", "1=1,2=4,3=5"});
    ASSERT_EQ(own.status, 0) << own.err;
    H5 g(dir.path("own.hdf5"));
    EXPECT_EQ(g.doubles("Header", "BoxSize"), std::vector<double>{1000.0});
    EXPECT_EQ(g.doubles("Header", "NumPart_Total"), (std::vector<double>{0, 30, 0, 0, 60, 20}));
}

TEST(SnapconvCode, SwiftTakesGalacticUnitsForAModelOfGadgetsG) {
    Scratch dir;
    ParticleSet s = galvel_like(10, 0, 0);
    s.analytic_halo = {AnalyticHaloNote::hernquist, 50.0, 10.0, 0.0, 43007.1};
    write_snapshot(dir.path("in.hdf5"), s, SnapshotFormat::hdf5);
    const RunResult r = dir.run("snapconv", {}, {"in.hdf5", "out.hdf5", "--code", "swift"});
    ASSERT_EQ(r.status, 0) << r.err;
    H5 f(dir.path("out.hdf5"));
    EXPECT_NEAR(f.doubles("Units", "Unit time in cgs (U_t)")[0], 3.085678e21 / 1e5, 1e12);
    // Any other G cannot be told apart from a unit system: refused, nothing written.
    s.analytic_halo.G = 2.5;
    write_snapshot(dir.path("odd.hdf5"), s, SnapshotFormat::hdf5);
    const RunResult odd = dir.run("snapconv", {}, {"odd.hdf5", "odd_out.hdf5", "--code", "swift"});
    EXPECT_EQ(odd.status, 1);
    EXPECT_EQ(odd.err, "snapconv: odd.hdf5: --code swift: the velocities were drawn with G 2.5, neither 1 nor "
                       "43007.1: give the file's units with --units\n");
    EXPECT_FALSE(dir.exists("odd_out.hdf5"));
    EXPECT_EQ(dir.run("snapconv", {}, {"odd.hdf5", "odd_out.hdf5", "--code", "swift", "--units", "galactic"}).status, 0);
}

std::uint32_t u32_at(const std::string& bytes, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

TEST(SnapconvCode, Gadget2GetsFormatOneRecordsWith32BitIdsAndMasses) {
    Scratch dir;
    write_input(dir, galvel_like(60, 20, 30));
    const RunResult r = dir.run("snapconv", {}, {"in.dat", "galaxy.ic", "--code", "gadget2"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string b = dir.read("galaxy.ic");
    // Header record of 256 bytes, both markers; npart per type.
    ASSERT_GE(b.size(), 264u);
    EXPECT_EQ(u32_at(b, 0), 256u);
    EXPECT_EQ(u32_at(b, 260), 256u);
    EXPECT_EQ(u32_at(b, 4 + 4), 30u);
    EXPECT_EQ(u32_at(b, 4 + 8), 60u);
    EXPECT_EQ(u32_at(b, 4 + 12), 20u);
    // Each type's particles share one mass: the mass table holds it and no MASS block follows.
    for (auto [type, m] : {std::pair{1, 4e-3f}, std::pair{2, 1e-3f}, std::pair{3, 1e-3f}}) {
        double entry;
        std::memcpy(&entry, b.data() + 4 + 24 + 8 * type, 8);
        EXPECT_EQ(entry, static_cast<double>(m)) << type;
    }
    // POS, VEL (12 bytes a particle), ID (4: 32-bit IDs).
    std::size_t at = 264;
    for (std::uint32_t bytes : {110u * 12, 110u * 12, 110u * 4}) {
        ASSERT_LE(at + 8 + bytes, b.size());
        EXPECT_EQ(u32_at(b, at), bytes) << at;
        EXPECT_EQ(u32_at(b, at + 4 + bytes), bytes) << at;
        at += 8 + bytes;
    }
    EXPECT_EQ(at, b.size());
    // ICFormat 2 on request, a format GADGET-2 does not read refused.
    EXPECT_EQ(dir.run("snapconv", {}, {"in.dat", "g2.ic", "--code", "gadget2", "--to", "gadget2"}).status, 0);
    EXPECT_EQ(dir.read("g2.ic").substr(4, 4), "HEAD");
    const RunResult tipsy = dir.run("snapconv", {}, {"in.dat", "g.tipsy", "--code", "gadget2", "--to", "tipsy"});
    EXPECT_EQ(tipsy.status, 1);
    EXPECT_EQ(tipsy.err, "snapconv: --code gadget2: the code does not start from tipsy files\n");
    // Type codes beyond GADGET's six types need a map.
    ParticleSet odd = galvel_like(5, 0, 0);
    odd.type[2] = 7;
    write_snapshot(dir.path("odd.dat"), odd, SnapshotFormat::text);
    const RunResult refused = dir.run("snapconv", {}, {"odd.dat", "odd.ic", "--code", "gadget2"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "snapconv: odd.dat: --code gadget2: type code 7 is no particle type of the code: give --type-map\n");
}

float be_float(const std::string& b, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
    return std::bit_cast<float>(v);
}

TEST(SnapconvCode, ChangaGetsBigEndianDarkParticlesWithTheirTypesSofteningAndRefusesNone) {
    Scratch dir;
    write_input(dir, galvel_like(6, 2, 3));
    const RunResult r = dir.run("snapconv", {}, {"in.dat", "g.tipsy", "--code", "changa"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string b = dir.read("g.tipsy");
    ASSERT_EQ(b.size(), 32u + 11u * 36u);   // header, 11 dark particles of 9 floats
    // nbodies 11, ndim 3, nsph 0, ndark 11, nstar 0 (big-endian int32 after the time).
    const std::uint32_t header[] = {11, 3, 0, 11, 0};
    for (std::size_t k = 0; k < 5; ++k) EXPECT_EQ(std::bit_cast<std::uint32_t>(be_float(b, 8 + 4 * k)), header[k]) << k;
    // eps (the eighth float of a dark particle) is the softening of each particle's type.
    const float eps[] = {0.05f, 0.05f, 0.05f, 0.05f, 0.05f, 0.05f, 0.1f, 0.1f, 0.2f, 0.2f, 0.2f};
    for (std::size_t j = 0; j < 11; ++j) EXPECT_EQ(be_float(b, 32 + 36 * j + 28), eps[j]) << j;

    // No softening for the halo's type: ChaNGa would run it unsoftened.
    ParticleSet bare = galvel_like(6, 2, 3);
    bare.softening[1] = 0.0f;
    write_snapshot(dir.path("bare.dat"), bare, SnapshotFormat::text);
    const RunResult refused = dir.run("snapconv", {}, {"bare.dat", "bare.tipsy", "--code", "changa"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "snapconv: bare.dat: --code changa: type code 1 has no softening length above 0 (a text "
                           "header's line 3): ChaNGa would run it unsoftened\n");
    EXPECT_FALSE(dir.exists("bare.tipsy"));
    // The toolkit's GADGET file gives the softenings back in its header record; a binary
    // input without that record (another code's file) carries none at all.
    ASSERT_EQ(dir.run("snapconv", {}, {"in.dat", "in.ic", "--to", "gadget1"}).status, 0);
    EXPECT_EQ(dir.run("snapconv", {}, {"in.ic", "x.tipsy", "--code", "changa"}).status, 0);
    std::string ic = dir.read("in.ic");
    std::fill(ic.begin() + 4 + 216, ic.begin() + 4 + 256, '\0');
    dir.write("other.ic", ic);
    EXPECT_EQ(dir.run("snapconv", {}, {"other.ic", "y.tipsy", "--code", "changa"}).status, 1);
}

TEST(SnapconvCode, SharedIdsAndUnknownCodesAreRefused) {
    Scratch dir;
    ParticleSet s = galvel_like(5, 0, 0);
    s.id = {1, 2, 3, 2, 5};
    write_snapshot(dir.path("dup.hdf5"), s, SnapshotFormat::hdf5);
    for (const char* code : {"gadget4", "arepo", "swift"}) {
        const RunResult r = dir.run("snapconv", {}, {"dup.hdf5", "out.hdf5", "--code", code});
        EXPECT_EQ(r.status, 1) << code;
        EXPECT_NE(r.err.find("two particles share an ID"), std::string::npos) << r.err;
    }
    const RunResult unknown = dir.run("snapconv", {}, {"dup.hdf5", "out.hdf5", "--code", "ramses"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err_lines().size(), 1u) << unknown.err;
    EXPECT_FALSE(dir.exists("out.hdf5"));
}

}  // namespace
}  // namespace galtk::test
