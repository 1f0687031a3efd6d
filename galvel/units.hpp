// The units of a model: model units (G given, no physical scale) or a physical system of
// length, mass and velocity in cgs from which G follows.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "particle_set.hpp"

namespace galtk::galvel {

// Newton's constant in cm^3 g^-1 s^-2. This is the value GADGET-2 uses, so that kpc,
// 1e10 solar masses and km/s give its G = 43007.1 to the six digits it is quoted with.
inline constexpr double G_cgs = 6.672e-8;
inline constexpr double seconds_per_myr = 3.15576e13;   // Julian years

struct PhysicalUnits {
    double length_cm = 0.0, mass_g = 0.0, velocity_cm_s = 0.0;
    double G = 0.0;   // Newton's constant in these units
    // Names for the summary and the profile; the cgs values when no names are known.
    std::string length, mass, velocity, time;

    double time_s() const { return length_cm / velocity_cm_s; }
    double time_myr() const { return time_s() / seconds_per_myr; }
};

// The galactic system: kpc, 1e10 solar masses, km/s; its G is taken as 43007.1 exactly, so
// that it gives the velocities of --G 43007.1 bit for bit.
inline constexpr double galactic_G = 43007.1;
PhysicalUnits galactic_system();

// The units record the formats library writes with the model.
ModelUnits model_units(const PhysicalUnits& units);

// Parses "galactic" or "UL,UM,UV" (three positive finite numbers in cm, g and cm/s; G is
// then G_cgs UM UL^-1 UV^-2).
// Returns the units, or the reason the text was refused in `why`.
std::optional<PhysicalUnits> parse_units(std::string_view text, std::string& why);

// "length kpc, mass 1e10 Msun, velocity km/s, time kpc/(km/s) = 977.8 Myr, G 43007.1".
std::string describe_units(const PhysicalUnits& units);

}  // namespace galtk::galvel
