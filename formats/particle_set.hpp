// A model in memory: every particle's position, velocity, mass, type code and ID, plus
// what the toolkit's text header carries (time stamp, per-type softening lengths and
// masses). Structure of arrays: one contiguous float32 array per quantity, no
// per-particle allocation, so tens of millions of particles cost about 36 bytes each.
//
// Gas: the particles that are type 0 in the binary formats may carry the fields
// hydrodynamics codes start from (specific internal energy, density, smoothing length).
// The three arrays are either all empty (no gas fields: 0 extra bytes) or all as long as
// the model, index for index with `pos`; the entries of particles that are not gas are 0
// and no writer stores them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "vec3.hpp"

namespace galtk {

// The code units of a model's numbers in cgs: cm, g and cm/s for one unit of length,
// mass and velocity (time is length / velocity).
struct ModelUnits {
    double length_cgs = 0.0;
    double mass_cgs = 0.0;
    double velocity_cgs = 0.0;
};

// kpc, 1e10 solar masses, km/s: the GADGET defaults (G = 43007.1 in them).
inline ModelUnits galactic_units() { return {3.085678e21, 1.989e43, 1.0e5}; }

// The analytic dark halo a model's velocities assume and its file does not hold as
// particles (written by galvel, kept in the HDF5 Toolkit group); kind none otherwise.
struct AnalyticHaloNote {
    enum Kind : std::int32_t { none = 0, hernquist = 1, nfw = 2 };
    std::int32_t kind = none;
    double mass = 0.0;           // M of Hernquist, M200 of NFW
    double length = 0.0;         // Hernquist's a, NFW's r200
    double concentration = 0.0;  // NFW's c
    double G = 1.0;              // the gravitational constant the velocities were drawn with
};

struct ParticleSet {
    std::vector<Vec3> pos;
    std::vector<Vec3> vel;
    std::vector<float> mass;          // every particle's own mass, whatever the file held
    std::vector<std::int32_t> type;   // type code as the input file gave it
    std::vector<std::uint64_t> id;    // empty: the IDs are 1..N in order

    // Gas fields (see above): empty, or size() entries each.
    std::vector<float> internal_energy;   // u, specific: velocity unit squared
    std::vector<float> density;           // mass unit / length unit^3
    std::vector<float> smoothing_length;  // GADGET's h: the radius where the kernel reaches 0

    // The text header: `thead` and the per-type lists as many entries long as read
    // (empty when the input had none, as the binary formats).
    double time = 0.0;
    std::vector<float> softening;
    std::vector<float> type_mass;
    bool per_particle_mass = false;   // the text records carried an 8th item
    // Line 2 of the text header as read; none when the input had no text header (the
    // writer then derives one, see text_snapshot.hpp).
    std::optional<std::int32_t> ncomp;
    // BoxSize of a binary input (0: none, or a text input).
    double box_size = 0.0;
    // The units the numbers are in; none when unknown (the file did not say).
    std::optional<ModelUnits> units;
    AnalyticHaloNote analytic_halo;

    std::size_t size() const { return pos.size(); }
    void resize(std::size_t n) {
        pos.resize(n);
        vel.resize(n);
        mass.resize(n);
        type.resize(n);
    }

    bool has_gas_fields() const { return !internal_energy.empty(); }
    // Gives every particle gas fields of 0 (those it has keep their values; new particles
    // appended since get 0): call after resize().
    void add_gas_fields() {
        internal_energy.resize(size(), 0.0f);
        density.resize(size(), 0.0f);
        smoothing_length.resize(size(), 0.0f);
    }
    // Frees the gas fields' memory.
    void drop_gas_fields() {
        std::vector<float>().swap(internal_energy);
        std::vector<float>().swap(density);
        std::vector<float>().swap(smoothing_length);
    }
};

}  // namespace galtk
