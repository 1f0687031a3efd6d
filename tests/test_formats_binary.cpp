// The binary formats (GADGET format 1 and 2, HDF5, tipsy): round trips through the text
// form, the layouts the codes read, files of other writers (byte order, precision, ID
// width), and the refusals of bad files.
#include <gtest/gtest.h>

#include <hdf5.h>

#include <bit>
#include <vector>

#include "formats_fixture.hpp"
#include "snapshot_io.hpp"

namespace galtk::test {
namespace {

constexpr SnapshotFormat binary_formats[] = {SnapshotFormat::gadget1, SnapshotFormat::gadget2, SnapshotFormat::hdf5,
                                             SnapshotFormat::tipsy};

// text -> format -> text, byte for byte: the models the toolkit writes (one code, a
// uniform header, 7 or 8 items) in every format; interleaved codes 0..5 in the formats
// with particle types.
TEST(FormatsBinary, TextThroughEachFormatAndBackIsByteIdentical) {
    Scratch dir;
    struct Case {
        ParticleSet set;
        bool tipsy_too;
    };
    // tipsy has one particle class and four spare bytes: models of one code, whose
    // header masses are 1/ntot or the particles' own.
    const Case cases[] = {{model(500, false, 1), true}, {galmix_like(500), true}, {model(500, true, 1), false},
                          {model(500, true), false},    {model(500, false), false}, {model(0, false, 1), false}};
    for (const Case& c : cases) {
        write_snapshot(dir.path("in.dat"), c.set, SnapshotFormat::text);
        const std::string text = dir.read("in.dat");
        for (SnapshotFormat f : binary_formats) {
            if (f == SnapshotFormat::tipsy && !c.tipsy_too) continue;
            SCOPED_TRACE(format_name(f) + std::string(" of ") + std::to_string(c.set.size()) + " particles");
            write_snapshot(dir.path("mid"), read_snapshot(dir.path("in.dat")), f);
            EXPECT_EQ(detect_format(dir.path("mid")), f);
            write_snapshot(dir.path("back.dat"), read_snapshot(dir.path("mid")), SnapshotFormat::text);
            EXPECT_EQ(dir.read("back.dat"), text);
        }
    }
}

TEST(FormatsBinary, HeaderListsOfDifferentValuesSurviveOnlyInHdf5) {
    Scratch dir;
    const ParticleSet s = model(50, true, -1, true);
    for (SnapshotFormat f : {SnapshotFormat::gadget1, SnapshotFormat::hdf5}) {
        write_snapshot(dir.path("mid"), s, f);
        const ParticleSet r = read_snapshot(dir.path("mid"));
        expect_same_particles(s, r);
        if (f == SnapshotFormat::hdf5) {
            EXPECT_EQ(r.softening, s.softening);
            EXPECT_EQ(r.type_mass, s.type_mass);
        } else {
            // GADGET has room for one value per list only: the reader derives the header.
            EXPECT_FALSE(r.ncomp.has_value());
        }
    }
}

TEST(FormatsBinary, GadgetLayoutIsWhatGadget2Reads) {
    Scratch dir;
    ParticleSet s = model(10, false);  // interleaved types, masses per type: no MASS block
    s.type_mass.push_back(1e-3f);
    for (std::size_t i = 0; i < s.size(); ++i)
        if (s.type[i] == 5) s.mass[i] = 1e-3f;
    write_snapshot(dir.path("g1"), s, SnapshotFormat::gadget1);
    const std::string b = file_bytes(dir.path("g1"));
    auto i32 = [&](std::size_t off) { std::int32_t v; std::memcpy(&v, b.data() + off, 4); return v; };
    auto f64 = [&](std::size_t off) { double v; std::memcpy(&v, b.data() + off, 8); return v; };
    ASSERT_EQ(i32(0), 256);
    ASSERT_EQ(i32(260), 256);
    std::int32_t total = 0;
    for (int t = 0; t < 6; ++t) total += i32(4 + 4 * t);
    EXPECT_EQ(total, 10);
    EXPECT_EQ(f64(4 + 24 + 8 * 2), static_cast<double>(s.type_mass[2]));
    EXPECT_EQ(i32(4 + 124), 1);   // num_files
    EXPECT_EQ(i32(4 + 196), 0);   // flag_doubleprecision: single precision
    // POS, VEL, ID and nothing more: 264 + 3 * (120 + 8) + (40 + 8).
    EXPECT_EQ(i32(264), 120);
    EXPECT_EQ(b.size(), 264u + 2 * 128 + 48);
    // Types in order: the IDs hold each particle's place in the model.
    const ParticleSet r = read_snapshot(dir.path("g1"));
    expect_same_particles(s, r);

    // Per-particle masses of one type go to a MASS block of that type only.
    s.mass[0] *= 2.0f;
    write_snapshot(dir.path("g1m"), s, SnapshotFormat::gadget1);
    const std::string m = file_bytes(dir.path("g1m"));
    std::size_t with_type0 = 0;
    for (std::size_t i = 0; i < s.size(); ++i) with_type0 += s.type[i] == s.type[0];
    EXPECT_EQ(m.size(), b.size() + 8 + 4 * with_type0);
    expect_same_particles(s, read_snapshot(dir.path("g1m")));

    write_snapshot(dir.path("g2"), s, SnapshotFormat::gadget2);
    const std::string g2 = file_bytes(dir.path("g2"));
    EXPECT_EQ(g2.substr(4, 4), "HEAD");
    EXPECT_EQ(g2.substr(16 + 264 + 4, 4), "POS ");
}

// A GADGET file as another writer makes it: either byte order, float or double, 32- or
// 64-bit IDs, format 1 or 2, a MASS block for type 1 only.
std::string foreign_gadget(bool big, bool doubles, bool wide_ids, bool format2) {
    std::string out;
    auto raw = [&](const void* p, std::size_t n, std::size_t word) {
        std::string s(static_cast<const char*>(p), n);
        if (big)
            for (std::size_t k = 0; k + word <= n; k += word) std::reverse(s.begin() + static_cast<long>(k), s.begin() + static_cast<long>(k + word));
        out += s;
    };
    auto u32 = [&](std::uint32_t v) { raw(&v, 4, 4); };
    auto block = [&](const char* label, const std::string& payload, std::size_t word) {
        if (format2) {
            u32(8);
            out += std::string(label, 4);
            u32(static_cast<std::uint32_t>(payload.size() + 8));
            u32(8);
        }
        u32(static_cast<std::uint32_t>(payload.size()));
        raw(payload.data(), payload.size(), word);
        u32(static_cast<std::uint32_t>(payload.size()));
    };
    std::string h(256, '\0');
    const std::int32_t npart[6] = {0, 2, 1, 0, 0, 0};
    const double table[6] = {0, 0, 0.5, 0, 0, 0};
    std::memcpy(h.data(), npart, 24);
    std::memcpy(h.data() + 24, table, 48);
    const double time = 1.5;
    std::memcpy(h.data() + 72, &time, 8);
    // The header's words: 4 bytes each except the doubles; swap field by field.
    if (big) {
        std::string s = h;
        auto rev = [&](std::size_t off, std::size_t n) { std::reverse(s.begin() + static_cast<long>(off), s.begin() + static_cast<long>(off + n)); };
        for (int k = 0; k < 6; ++k) rev(4 * k, 4);
        for (int k = 0; k < 8; ++k) rev(24 + 8 * k, 8);
        if (format2) {
            u32(8);
            out += "HEAD";
            u32(264);
            u32(8);
        }
        u32(256);
        out += s;
        u32(256);
    } else {
        block("HEAD", h, 1);
    }
    const double pos[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9}, vel[9] = {-1, -2, -3, -4, -5, -6, -7, -8, -9};
    const double mass[2] = {0.25, 0.125};
    auto reals = [&](const double* v, std::size_t n) {
        std::string s;
        for (std::size_t k = 0; k < n; ++k) {
            if (doubles) {
                s.append(reinterpret_cast<const char*>(&v[k]), 8);
            } else {
                const float f = static_cast<float>(v[k]);
                s.append(reinterpret_cast<const char*>(&f), 4);
            }
        }
        return s;
    };
    const std::size_t w = doubles ? 8 : 4;
    block("POS ", reals(pos, 9), w);
    block("VEL ", reals(vel, 9), w);
    std::string ids;
    for (std::uint64_t id : {7ull, 9ull, 8ull}) {
        if (wide_ids) ids.append(reinterpret_cast<const char*>(&id), 8);
        else { const auto i = static_cast<std::uint32_t>(id); ids.append(reinterpret_cast<const char*>(&i), 4); }
    }
    block("ID  ", ids, wide_ids ? 8 : 4);
    block("MASS", reals(mass, 2), w);
    return out;
}

TEST(FormatsBinary, GadgetFilesOfOtherWritersAreRead) {
    Scratch dir;
    for (int variant = 0; variant < 16; ++variant) {
        const bool big = variant & 1, doubles = variant & 2, wide = variant & 4, format2 = variant & 8;
        SCOPED_TRACE("big " + std::to_string(big) + " doubles " + std::to_string(doubles) + " 64-bit IDs " +
                     std::to_string(wide) + " format 2 " + std::to_string(format2));
        put_bytes(dir.path("f"), foreign_gadget(big, doubles, wide, format2));
        EXPECT_EQ(detect_format(dir.path("f")), format2 ? SnapshotFormat::gadget2 : SnapshotFormat::gadget1);
        const ParticleSet s = read_snapshot(dir.path("f"));
        ASSERT_EQ(s.size(), 3u);
        EXPECT_EQ(s.time, 1.5);
        EXPECT_EQ(s.type, (std::vector<std::int32_t>{1, 1, 2}));
        EXPECT_EQ(s.mass, (std::vector<float>{0.25f, 0.125f, 0.5f}));
        EXPECT_EQ(s.pos[2], (Vec3{7, 8, 9}));
        EXPECT_EQ(s.vel[1], (Vec3{-4, -5, -6}));
        EXPECT_EQ(s.id, (std::vector<std::uint64_t>{7, 9, 8}));  // not 1..N: kept, order kept
    }
}

TEST(FormatsBinary, BadGadgetFilesAreRefusedWithTheBlock) {
    Scratch dir;
    const std::string good = foreign_gadget(false, false, false, false);
    auto refusal = [&](const std::string& bytes) {
        put_bytes(dir.path("bad"), bytes);
        const FormatError e = format_error_of([&] { read_snapshot(dir.path("bad"), {SnapshotFormat::gadget1}); });
        EXPECT_EQ(e.status, 2);
        return std::string(e.what());
    };
    EXPECT_NE(refusal(good.substr(0, good.size() - 3)).find("block MASS"), std::string::npos);
    std::string markers = good;
    markers[264 + 4 + 36] ^= 1;  // the POS record's closing marker
    EXPECT_NE(refusal(markers).find("block POS: record markers disagree"), std::string::npos);
    std::string huge = good;
    const std::int32_t many = 2000000000;
    std::memcpy(huge.data() + 8, &many, 4);
    EXPECT_NE(refusal(huge).find("block POS: record of 36 bytes, expected"), std::string::npos);
    std::string negative = good;
    const std::int32_t minus = -1;
    std::memcpy(negative.data() + 4, &minus, 4);
    EXPECT_NE(refusal(negative).find("negative"), std::string::npos);
    std::string split = good;
    const std::int32_t files = 4;
    std::memcpy(split.data() + 4 + 124, &files, 4);
    EXPECT_NE(refusal(split).find("num_files"), std::string::npos);
    const std::string g2 = foreign_gadget(false, false, false, true);
    std::string label = g2;
    label.replace(g2.find("VEL "), 4, "VELO");
    put_bytes(dir.path("bad2"), label);
    EXPECT_NE(std::string(format_error_of([&] { read_snapshot(dir.path("bad2")); }).what()).find("label \"VELO\""),
              std::string::npos);
}

TEST(FormatsBinary, TypeCodesOutsideTheParticleTypesNeedAMap) {
    Scratch dir;
    ParticleSet s = model(6, false, 1);
    s.type[4] = 7;
    FormatError e = format_error_of([&] { write_snapshot(dir.path("o.hdf5"), s, SnapshotFormat::hdf5); });
    EXPECT_EQ(e.status, 1);
    EXPECT_NE(std::string(e.what()).find("particle 4 (0-based) has type code 7"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("--type-map 7=K"), std::string::npos);
    EXPECT_FALSE(dir.exists("o.hdf5"));
    std::string error;
    WriteOptions o;
    o.type_map = *parse_type_map("7=2,1=1", error);
    write_snapshot(dir.path("o.hdf5"), s, SnapshotFormat::hdf5, o);
    const ParticleSet r = read_snapshot(dir.path("o.hdf5"));
    expect_same_particles(s, r);  // the codes come back through the map's inverse
    // Two codes on one type: HDF5 keeps each particle's code, GADGET cannot.
    o.type_map = *parse_type_map("7=1,1=1", error);
    write_snapshot(dir.path("two.hdf5"), s, SnapshotFormat::hdf5, o);
    expect_same_particles(s, read_snapshot(dir.path("two.hdf5")));
    write_snapshot(dir.path("two.g"), s, SnapshotFormat::gadget1, o);
    EXPECT_EQ(read_snapshot(dir.path("two.g")).type[4], 1);
}

TEST(FormatsBinary, TypeMapParsing) {
    std::string error;
    const auto m = parse_type_map("1=2,3=3,-4=0", error);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->type_of(-4), 0);
    EXPECT_EQ(m->type_of(2), std::nullopt);
    EXPECT_EQ(m->code_of(2), 1);
    for (const char* bad : {"", "1=6", "1=2,1=3", "1:2", "1=2,", "a=1", "1=-1"}) {
        EXPECT_FALSE(parse_type_map(bad, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(FormatsBinary, Hdf5FilesOfOtherWritersAndTheirFaults) {
    Scratch dir;
    const ParticleSet s = model(20, false);
    WriteOptions units;
    units.units = parse_swift_units("galactic");
    write_snapshot(dir.path("a.hdf5"), s, SnapshotFormat::hdf5, units);
    // Edit a copy with the HDF5 library itself: remove objects, change a shape.
    auto edited = [&](const char* name, auto edit) {
        std::filesystem::copy_file(dir.path("a.hdf5"), dir.path(name), std::filesystem::copy_options::overwrite_existing);
        const hid_t f = H5Fopen(dir.path(name).c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
        edit(f);
        H5Fclose(f);
        const FormatError e = format_error_of([&] { read_snapshot(dir.path(name)); });
        EXPECT_EQ(e.status, 2);
        return std::string(e.what());
    };
    EXPECT_NE(edited("nohead.hdf5", [](hid_t f) { H5Ldelete(f, "Header", H5P_DEFAULT); }).find("group Header: missing"),
              std::string::npos);
    EXPECT_NE(edited("noattr.hdf5",
                     [](hid_t f) {
                         H5Adelete_by_name(f, "Header", "NumPart_ThisFile", H5P_DEFAULT);
                         H5Adelete_by_name(f, "Header", "NumPart_Total", H5P_DEFAULT);
                     })
                  .find("attribute Header/NumPart_ThisFile: missing"),
              std::string::npos);
    EXPECT_NE(edited("nomass.hdf5", [](hid_t f) { H5Ldelete(f, "PartType2/Masses", H5P_DEFAULT); })
                  .find("dataset PartType2/Masses: missing"),
              std::string::npos);
    EXPECT_NE(edited("shape.hdf5", [](hid_t f) {
                  H5Ldelete(f, "PartType3/Velocities", H5P_DEFAULT);
                  const hsize_t dims[2] = {7, 3};
                  const hid_t sp = H5Screate_simple(2, dims, nullptr);
                  const hid_t d = H5Dcreate2(f, "PartType3/Velocities", H5T_IEEE_F32LE, sp, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
                  const float zeros[21] = {};
                  H5Dwrite(d, H5T_NATIVE_FLOAT, H5S_ALL, H5S_ALL, H5P_DEFAULT, zeros);
                  H5Dclose(d);
                  H5Sclose(sp);
              }).find("dataset PartType3/Velocities: shape (7, 3), expected (2, 3)"),
              std::string::npos);
    // Masses from the mass table when a type has no Masses dataset (GADGET-4's own ICs).
    std::filesystem::copy_file(dir.path("a.hdf5"), dir.path("table.hdf5"));
    {
        const hid_t f = H5Fopen(dir.path("table.hdf5").c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
        H5Ldelete(f, "PartType2/Masses", H5P_DEFAULT);
        const double table[6] = {0, 0, 0.75, 0, 0, 0};
        // Rewritten as a new attribute (HDF5 1.10 cannot write an attribute it reopened).
        const hid_t g = H5Gopen2(f, "Header", H5P_DEFAULT);
        H5Adelete(g, "MassTable");
        const hsize_t six = 6;
        const hid_t sp = H5Screate_simple(1, &six, nullptr);
        const hid_t a = H5Acreate2(g, "MassTable", H5T_IEEE_F64LE, sp, H5P_DEFAULT, H5P_DEFAULT);
        H5Awrite(a, H5T_NATIVE_DOUBLE, table);
        H5Aclose(a);
        H5Sclose(sp);
        H5Gclose(g);
        H5Fclose(f);
    }
    // SWIFT's minimum: the totals without NumPart_ThisFile, no Time.
    std::filesystem::copy_file(dir.path("a.hdf5"), dir.path("swift.hdf5"));
    {
        const hid_t f = H5Fopen(dir.path("swift.hdf5").c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
        H5Adelete_by_name(f, "Header", "NumPart_ThisFile", H5P_DEFAULT);
        H5Adelete_by_name(f, "Header", "Time", H5P_DEFAULT);
        H5Fclose(f);
    }
    expect_same_particles(s, read_snapshot(dir.path("swift.hdf5")));
    const ParticleSet t = read_snapshot(dir.path("table.hdf5"));
    for (std::size_t i = 0; i < t.size(); ++i)
        EXPECT_EQ(t.mass[i], t.type[i] == 2 ? 0.75f : s.mass[i]) << i;
}

TEST(FormatsBinary, TipsyInBothByteOrdersAndAsStars) {
    Scratch dir;
    const ParticleSet s = galmix_like(30);
    WriteOptions stars;
    stars.tipsy_stars = true;
    write_snapshot(dir.path("s.tipsy"), s, SnapshotFormat::tipsy, stars);
    std::string b = file_bytes(dir.path("s.tipsy"));
    ASSERT_EQ(b.size(), 32u + 44 * 30);
    // Standard order is big-endian: nbodies at byte 8, nstar at 24.
    EXPECT_EQ(static_cast<unsigned char>(b[11]), 30);
    EXPECT_EQ(static_cast<unsigned char>(b[27]), 30);
    // eps (word 9 of a star) is the softening of the particle's type.
    std::uint32_t eps;
    std::memcpy(&eps, b.data() + 32 + 36, 4);
    EXPECT_EQ(std::bit_cast<float>(__builtin_bswap32(eps)), s.softening[1]);
    const ParticleSet r = read_snapshot(dir.path("s.tipsy"));
    expect_same_particles(s, r);
    // The same file in the machine's order (native tipsy) reads the same.
    std::string native = b;
    auto swap4 = [&](std::size_t off) { std::reverse(native.begin() + static_cast<long>(off), native.begin() + static_cast<long>(off + 4)); };
    std::reverse(native.begin(), native.begin() + 8);
    for (std::size_t off = 8; off < native.size(); off += 4) swap4(off);
    put_bytes(dir.path("n.tipsy"), native);
    EXPECT_EQ(detect_format(dir.path("n.tipsy")), SnapshotFormat::tipsy);
    expect_same_particles(s, read_snapshot(dir.path("n.tipsy")));
    // One byte short: told apart from text and refused with the sizes.
    put_bytes(dir.path("short.tipsy"), b.substr(0, b.size() - 1));
    const FormatError e = format_error_of([&] { read_snapshot(dir.path("short.tipsy")); });
    EXPECT_EQ(e.status, 2);
    EXPECT_NE(std::string(e.what()).find("the header's counts need"), std::string::npos);
}

TEST(FormatsBinary, BoxMovesEveryPositionByHalfTheBox) {
    Scratch dir;
    const ParticleSet s = model(8, false, 1);
    WriteOptions o;
    o.box = 100.0;
    for (SnapshotFormat f : binary_formats) {
        write_snapshot(dir.path("b"), s, f, o);
        const ParticleSet r = read_snapshot(dir.path("b"));
        for (std::size_t i = 0; i < s.size(); ++i) EXPECT_EQ(r.pos[i].y, s.pos[i].y + 50.0f);
        if (f != SnapshotFormat::tipsy) {
            EXPECT_EQ(r.box_size, 100.0);
        }
    }
}

TEST(FormatsBinary, AModelWrittenInABoxComesBackCentred) {
    // --box L moves a centred galaxy into [0, L]^3; read back it sits at the origin again
    // (to within float rounding at L/2), unless the caller keeps the file's coordinates.
    Scratch dir;
    ParticleSet s = model(50, false, 1);
    for (std::size_t i = 0; i < s.size(); ++i) s.pos[i] = {float(i) - 25.0f, 0.5f * float(i) - 12.0f, -3.0f};
    WriteOptions o;
    o.box = 1000.0;
    for (SnapshotFormat f : {SnapshotFormat::gadget1, SnapshotFormat::gadget2, SnapshotFormat::hdf5}) {
        SCOPED_TRACE(format_name(f));
        write_snapshot(dir.path("b"), s, f, o);
        const ParticleSet r = read_snapshot(dir.path("b"));
        for (std::size_t i = 0; i < s.size(); ++i) {
            EXPECT_NEAR(r.pos[i].x, s.pos[i].x, 1e-4) << i;
            EXPECT_NEAR(r.pos[i].z, -3.0f, 1e-4) << i;
        }
        ReadOptions raw;
        raw.centre_box = false;
        EXPECT_NEAR(read_snapshot(dir.path("b"), raw).pos[0].x, 475.0f, 1e-4);
    }
}

}  // namespace
}  // namespace galtk::test
