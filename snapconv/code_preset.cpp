#include "code_preset.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "analytic_halo_note.hpp"
#include "particle_order.hpp"

namespace snapconv {

namespace {

using galtk::SnapshotFormat;

struct Preset {
    const char* name;
    SnapshotFormat format;
    std::vector<SnapshotFormat> reads;  // formats the code starts from
    const char* type_map;               // empty: type code t is particle type t
    const char* line;
};

// galvel writes the galaxy convention of GADGET's types (gas 0, halo 1, disk 2, bulge 3);
// SWIFT's 2 and 3 are background dark matter and sinks, so its stars (4) take disk and
// bulge there.
const Preset& preset(Code code) {
    static const Preset presets[] = {
        {"gadget2", SnapshotFormat::gadget1, {SnapshotFormat::gadget1, SnapshotFormat::gadget2, SnapshotFormat::hdf5}, "",
         "GADGET-2 binary format 1 (ICFormat 1; --to gadget2 or hdf5 for ICFormat 2 or 3); type code t is type t "
         "(galvel's disk 2, bulge 3, halo 1); no box, no units (both from the parameter file); POS, VEL, 32-bit ID, "
         "MASS, U for gas"},
        {"gadget4", SnapshotFormat::hdf5, {SnapshotFormat::hdf5, SnapshotFormat::gadget1, SnapshotFormat::gadget2}, "",
         "HDF5 (ICFormat 3); type code t is type t; BoxSize 0, no units; Coordinates, Velocities, unique ParticleIDs, "
         "Masses, InternalEnergy for gas"},
        {"arepo", SnapshotFormat::hdf5, {SnapshotFormat::hdf5, SnapshotFormat::gadget1, SnapshotFormat::gadget2}, "",
         "HDF5 (ICFormat 3), Flag_DoublePrecision 0; type code t is type t; BoxSize 0, no units; Coordinates, "
         "Velocities, ParticleIDs, Masses, InternalEnergy for gas"},
        {"swift", SnapshotFormat::hdf5, {SnapshotFormat::hdf5}, "0=0,1=1,2=4,3=4,4=4,5=5",
         "HDF5; code 1 is dark matter (1), 2, 3, 4 stars (4), 0 gas, 5 black holes; BoxSize 4 max|x| rounded up to a "
         "power of two, the model moved to its centre; a Units group (G = 1 in kpc and 1e10 solar masses, or "
         "kpc, 1e10 solar masses, km/s for G 43007.1); Masses of every type, unique IDs, SmoothingLength and "
         "InternalEnergy for gas"},
        {"changa", SnapshotFormat::tipsy, {SnapshotFormat::tipsy}, "",
         "tipsy (big-endian); every particle dark matter with its type's softening as eps (refused where a type "
         "has none), G = 1"},
    };
    return presets[static_cast<int>(code)];
}

// Within float rounding of a value (G as a model or a file states it).
bool close_to(double a, double b) { return std::fabs(a - b) <= 1e-5 * std::fabs(b); }

// G = 1 with kpc and 1e10 solar masses: the velocity unit is sqrt(G M / L) = 207.4 km/s.
galtk::SwiftUnits unit_G_units() {
    constexpr double G_cgs = 6.67430e-8, kpc = 3.085678e21, mass = 1.989e43;
    const double velocity = std::sqrt(G_cgs * mass / kpc);
    return {kpc, mass, kpc / velocity, 1.0, 1.0};
}

// The type codes the particles hold, in order of first appearance.
std::vector<std::int32_t> codes_in_use(const galtk::ParticleSet& set) {
    std::vector<std::int32_t> codes;
    for (std::size_t i = 0; i < set.size(); ++i)
        if ((i == 0 || set.type[i] != set.type[i - 1]) && std::find(codes.begin(), codes.end(), set.type[i]) == codes.end())
            codes.push_back(set.type[i]);
    return codes;
}

bool ids_unique(const galtk::ParticleSet& set) {
    if (set.id.empty()) return true;  // 1..N
    std::vector<std::uint64_t> ids(set.id);
    std::sort(ids.begin(), ids.end());
    return std::adjacent_find(ids.begin(), ids.end()) == ids.end();
}

std::string refuse(Code code, const std::string& why) { return std::string("--code ") + code_name(code) + ": " + why; }

// Every particle that becomes gas (type 0) has a smoothing length above 0; the others hold
// 0 there by the set's convention and no writer stores it.
bool gas_smoothed(const galtk::ParticleSet& set, const galtk::TypeMap& map) {
    if (!set.has_gas_fields()) return false;
    for (std::size_t k = 0; k < set.size(); ++k)
        if (map.type_of(set.type[k]) == 0 && !(set.smoothing_length[k] > 0.0f)) return false;
    return true;
}

}  // namespace

std::optional<Code> parse_code(std::string_view name) {
    for (Code c : {Code::gadget2, Code::gadget4, Code::arepo, Code::swift, Code::changa})
        if (name == preset(c).name) return c;
    return std::nullopt;
}

const char* code_name(Code code) { return preset(code).name; }

std::string describe(Code code) { return preset(code).line; }

std::string apply_preset(Code code, const Explicit& given, SnapshotFormat& to, galtk::WriteOptions& write) {
    const Preset& p = preset(code);
    to = p.format;
    if (given.to) {
        if (std::find(p.reads.begin(), p.reads.end(), *given.to) == p.reads.end())
            return refuse(code, std::string("the code does not start from ") + galtk::format_name(*given.to) + " files");
        to = *given.to;
    }
    if (!given.type_map && *p.type_map != '\0') {
        std::string error;
        write.type_map = *galtk::parse_type_map(p.type_map, error);
    }
    return {};
}

std::string fit_model(Code code, const Explicit& given, const galtk::ParticleSet& set, galtk::WriteOptions& write) {
    const std::vector<std::int32_t> codes = codes_in_use(set);
    for (std::int32_t c : codes)
        if (!write.type_map.type_of(c))
            return refuse(code, "type code " + std::to_string(c) + " is no particle type of the code: give --type-map");
    const bool gas = std::any_of(codes.begin(), codes.end(), [&](std::int32_t c) { return write.type_map.type_of(c) == 0; });
    const double G = set.analytic_halo.kind != galtk::AnalyticHaloNote::none ? set.analytic_halo.G : 1.0;
    switch (code) {
    case Code::gadget2:
        if (galtk::needs_64bit_ids(set))
            return refuse(code, "particle IDs beyond 32 bits (GADGET-2 reads them only when built with LONGIDS)");
        break;
    case Code::gadget4:
    case Code::arepo:
        if (!ids_unique(set)) return refuse(code, "two particles share an ID (the code stops on it)");
        break;
    case Code::swift:
        if (!ids_unique(set)) return refuse(code, "two particles share an ID (SWIFT stops on it)");
        if (gas && !gas_smoothed(set, write.type_map))
            return refuse(code, "gas particles without a smoothing length above 0 (SWIFT refuses an IC without "
                                "SmoothingLength)");
        if (!given.box) write.box = swift_box(set);
        if (!given.units) {
            if (set.units) {
                write.units = galtk::swift_units(*set.units);
            } else if (close_to(G, 1.0)) {
                write.units = unit_G_units();
            } else if (close_to(G, 43007.1)) {
                write.units = galtk::parse_swift_units("galactic");
            } else {
                return refuse(code, "the velocities were drawn with G " + galtk::shortest_text(G) +
                                        ", neither 1 nor 43007.1: give the file's units with --units");
            }
        }
        break;
    case Code::changa:
        for (std::int32_t c : codes) {
            const bool has = c >= 0 && static_cast<std::size_t>(c) < set.softening.size() && set.softening[c] > 0.0f &&
                             std::isfinite(set.softening[c]);
            if (!has)
                return refuse(code, "type code " + std::to_string(c) +
                                        " has no softening length above 0 (a text header's line 3): ChaNGa would run "
                                        "it unsoftened");
        }
        if (!close_to(G, 1.0))
            return refuse(code, "the velocities were drawn with G " + galtk::shortest_text(G) + ", but tipsy's units have G = 1");
        break;
    }
    return {};
}

double swift_box(const galtk::ParticleSet& set) {
    float largest = 0.0f;
    for (const galtk::Vec3& p : set.pos)
        for (int k = 0; k < 3; ++k) largest = std::max(largest, std::fabs(p[k]));
    double box = 1.0;
    while (box < 4.0 * static_cast<double>(largest) && box < 1e300) box *= 2.0;
    return box;
}

}  // namespace snapconv
