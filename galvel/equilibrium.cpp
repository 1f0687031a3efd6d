#include "equilibrium.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "deviates.hpp"
#include "disk_shape.hpp"
#include "energy.hpp"
#include "gas_energy.hpp"
#include "field.hpp"
#include "gas_assembly.hpp"
#include "gas_equilibrium.hpp"
#include "geometry.hpp"
#include "halo_particles.hpp"
#include "components.hpp"
#include "particle_sphere.hpp"
#include "header.hpp"
#include "refusal.hpp"
#include "shell_density.hpp"
#include "ring_field.hpp"
#include "spherical_mass.hpp"
#include "velocities.hpp"
#include "vertical_pull.hpp"

namespace galtk::galvel {

namespace {

constexpr int disk_grid_points = 256;

// In the file's order, before the components are grouped: the message counts as the file does.
void check_particles(const ParticleSet& set) {
    for (std::size_t j = 0; j < set.size(); ++j) {
        const Vec3& p = set.pos[j];
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
            throw Refusal("particle " + std::to_string(j + 1) + ": position is not finite");
        if (!std::isfinite(set.mass[j]) || set.mass[j] < 0.0f)
            throw Refusal("particle " + std::to_string(j + 1) + ": mass is not finite and non-negative");
    }
}

void check_disk(const ParticleSet& set, const Settings& s, const ComponentRanges& r) {
    const std::size_t n = set.size();
    if (r.disk == 0) {
        if (!s.bulge_type && !s.halo_type)
            throw Refusal("no disk particle: the model has " + std::to_string(n) + " particles and --bulge " +
                          std::to_string(s.bulge));
        throw Refusal("no disk particle: every one of the model's " + std::to_string(n) +
                      " particles has a type code named by --bulge-type or --halo-type");
    }
    double disk_mass = 0.0;
    for (std::size_t j = 0; j < r.disk; ++j) disk_mass += set.mass[j];
    if (!(disk_mass > 0.0))
        throw Refusal("the disk population has no mass (a position list carries none: give it masses first)");
}

// The mid-plane field at the disk table's radii of particles [0, n_rings), per component,
// G included (a halo the model holds acts through its spherical average, as `in.halo`).
void particle_field(const ParticleSet& set, std::size_t n_disk, std::size_t n_rings, const DiskShape& disk_shape,
                    int threads, double G, DiskInputs& in) {
    RingGridShape shape;
    // The disk's median |z| and its softening: the height at which most rings sit.
    double eps_disk = 0.0;
    for (std::size_t j = 0; j < n_disk; ++j) eps_disk = std::max(eps_disk, softening_of(set, j));
    const double z_median = disk_shape.z0 * std::atanh(0.5);
    shape.zeta_typical = std::sqrt(z_median * z_median + eps_disk * eps_disk);
    for (std::size_t j = 0; j < n_rings; ++j) {
        const double eps = softening_of(set, j);
        const double z = set.pos[j].z;
        shape.r_max = std::max(shape.r_max, cylindrical_radius(set.pos[j]));
        shape.zeta_max = std::max(shape.zeta_max, std::sqrt(z * z + eps * eps));
    }
    RingField disk(shape), bulge(shape);
    for (std::size_t j = 0; j < n_rings; ++j) {
        const double eps = softening_of(set, j);
        const double z = set.pos[j].z;
        (j < n_disk ? disk : bulge).add(cylindrical_radius(set.pos[j]), std::sqrt(z * z + eps * eps), set.mass[j]);
    }
    std::vector<double> potential_disk, potential_bulge;
    disk.evaluate(in.grid.radii(), in.force_disk, potential_disk, threads);
    if (n_rings > n_disk) {
        bulge.evaluate(in.grid.radii(), in.force_bulge, potential_bulge, threads);
    } else {
        in.force_bulge.assign(in.grid.size(), 0.0);
        potential_bulge.assign(in.grid.size(), 0.0);
    }
    in.potential.resize(in.grid.size());
    for (int i = 0; i < in.grid.size(); ++i) {
        in.force_disk[i] *= G;
        in.force_bulge[i] *= G;
        in.potential[i] = G * (potential_disk[i] + potential_bulge[i]);
    }
}

void count_annuli(const ParticleSet& set, std::size_t n_disk, DiskInputs& in) {
    in.annulus_mass.assign(in.grid.size(), 0.0);
    in.annulus_count.assign(in.grid.size(), 0.0);
    for (std::size_t j = 0; j < n_disk; ++j) {
        int i;
        double t;
        in.grid.locate(cylindrical_radius(set.pos[j]), i, t);
        const int k = t < 0.5 ? i : i + 1;
        in.annulus_mass[k] += set.mass[j];
        in.annulus_count[k] += 1.0;
    }
}

constexpr int f_points = 1024;
// The halo's table starts this far inside its scale radius (a particle inside holds the
// innermost f; a Hernquist halo of 10^9 particles has about 0.1 there).
constexpr double halo_f_inner = 1e-5;

// f(E) of the bulge (its particles' smoothed density, tapered beyond the outermost one)
// and of the halo particles (the halo's formula), in the total spherically averaged
// potential; mu from the smoothed densities of disk and bulge and the halo's formula.
// A component whose particles all sit at the centre, or weigh nothing, has no density
// profile and so no distribution function: refused rather than drawn from none.
void refuse_shapeless(const SmoothDensity& density, const char* component, std::size_t count) {
    if (density.empty())
        throw Refusal(std::string("the ") + component + "'s " + std::to_string(count) +
                      " particles have no density profile (all at the centre, or without mass): f(E) needs one");
}

void distribution_functions(Outcome& out, const AnalyticHalo& halo, const std::vector<float>& disk_radii,
                            const std::vector<float>& disk_masses, const std::vector<float>& bulge_radii,
                            const std::vector<float>& bulge_masses, double G, const MassFunction& G_mass,
                            const std::function<double(double)>& potential) {
    const SmoothDensity disk(disk_radii, disk_masses, false);
    const SmoothDensity bulge = out.bulge > 0 ? SmoothDensity(bulge_radii, bulge_masses, true) : SmoothDensity();
    const auto rho_total = [&](double r) {
        const double bulge_rho = !bulge.empty() && r <= bulge.outer() ? bulge.at(r).rho : 0.0;
        return disk.at(r).rho + bulge_rho + halo.density(r);
    };
    if (out.bulge > 0) {
        refuse_shapeless(bulge, "bulge", out.bulge);
        const auto local = [&](double r) { return bulge.at(r); };
        out.bulge_f.emplace(tabulate_component(0.1 * bulge.inner(), bulge.end(), f_points, local, rho_total, G_mass, potential, G));
        out.bulge_report.negative = out.bulge_f->negative();
    }
    if (const ParticleSphere* held = halo.particles(); held && out.halo > 0) {
        // Known by its particles, as the bulge: tapered beyond the outermost one.
        const SmoothDensity& density = held->smooth();
        refuse_shapeless(density, "halo", out.halo);
        const auto local = [&](double r) { return density.at(r); };
        out.halo_f.emplace(tabulate_component(0.1 * density.inner(), density.end(), f_points, local, rho_total, G_mass, potential, G));
        out.halo_report.negative = out.halo_f->negative();
    } else if (out.halo > 0) {
        const auto local = [&](double r) {
            return LocalDensity{halo.density(r), halo.log_slope(r), halo.log_curvature(r)};
        };
        const double r_hi = halo.cutoff() > 0.0 ? halo.cutoff() : 1e4 * halo.scale();
        out.halo_f.emplace(tabulate_component(halo_f_inner * halo.scale(), r_hi, f_points, local, rho_total, G_mass, potential, G));
        out.halo_report.negative = out.halo_f->negative();
    }
}

// Particles of [first, last) whose relative potential exceeds the lowest energy where f
// was negative: their speed distribution has lost that part.
std::size_t reaching(const ParticleSet& set, std::size_t first, std::size_t last, const NegativeRange& negative,
                     const std::function<double(double)>& potential) {
    if (negative.nodes == 0) return 0;
    std::size_t count = 0;
    for (std::size_t j = first; j < last; ++j) count += -potential(spherical_radius(set.pos[j])) > negative.lo;
    return count;
}

// The field of particles [0, n_rings) off the plane, mirrored about it, resolving the
// disk's thickness z0.
ParticleField rings_field(const ParticleSet& set, std::size_t n_rings, double z0) {
    FieldLayout layout = field_layout(set, 0, n_rings, z0);
    layout.mirror = true;
    ParticleField particles(layout);
    add_particles(particles, set, 0, n_rings);
    return particles;
}

// The model's field off the plane (the particles' field with the gas added) and the disk's
// vertical balance in it; the Jeans dispersion replaces the sheet's unless --vertical sheet.
void vertical_field(ParticleField particles, Outcome& out, const AnalyticHalo& halo, const Settings& s) {
    const auto start = std::chrono::steady_clock::now();
    // The gas disk's cells (unsoftened: the field's floor of half a radial step remains).
    if (out.gas) out.gas->for_each_cell([&](double R, double z, double m) { particles.add(R, z, m, 0.0); });
    out.field.emplace(std::move(particles), &halo, s.G);
    DiskTable& t = out.disk_table;
    out.sigma_z_sheet = t.sigma_z;
    out.vertical = vertical_balance_on(*out.field, t.grid, out.sigma_z_sheet, out.z0, s.threads);
    if (s.vertical == VerticalRule::jeans) t.sigma_z = out.vertical.sigma_z_column;
    out.field_seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Spherical radii and masses of particles [first, last).
void spherical_sample(const ParticleSet& set, std::size_t first, std::size_t last, std::vector<float>& radii,
                      std::vector<float>& masses) {
    radii.reserve(last - first);
    masses.reserve(last - first);
    for (std::size_t j = first; j < last; ++j) {
        radii.push_back(static_cast<float>(spherical_radius(set.pos[j])));
        masses.push_back(set.mass[j]);
    }
}

}  // namespace

Outcome give_velocities(ParticleSet& set, const Settings& s) {
    check_particles(set);
    FileOrder file_order;
    const ComponentRanges ranges = group_components(set, {s.bulge, s.bulge_type, s.halo_type}, file_order);
    check_disk(set, s, ranges);
    Outcome out;
    out.units = s.units;
    const std::size_t n_model = set.size();
    // The particles that act on the disk as rings: disk population and bulge.
    const std::size_t n_rings = ranges.bulge_end();
    out.disk = ranges.disk;
    out.bulge = ranges.bulge;
    out.halo_in_model = ranges.halo > 0;
    out.halo = out.halo_in_model ? ranges.halo : (s.halo.kind == HaloKind::none ? 0 : s.halo_particles);
    if (s.bulge_type) out.codes.bulge = *s.bulge_type;
    if (s.halo_type) out.codes.halo = *s.halo_type;

    const DiskShape shape = measure_disk(set, out.disk);
    if (!(shape.r_max > 0.0)) throw Refusal("the disk population has no extent: every particle is on the z axis");
    out.scale_length_estimated = !s.scale_length;
    out.scale_length = s.scale_length ? *s.scale_length : shape.scale_length;
    out.z0 = shape.z0;
    out.q_radius = s.q_radius ? *s.q_radius : default_q_radius * out.scale_length;
    out.spherical = s.spherical;
    out.halo_parameters = with_taper(s.halo, {out.halo > 0 && !out.halo_in_model, s.halo_outer, s.halo_decay});
    // The halo the velocities feel: the particles the model holds, or the analytic profile.
    std::vector<float> halo_radii, halo_masses;
    spherical_sample(set, n_rings, n_model, halo_radii, halo_masses);
    const AnalyticHalo halo = out.halo_in_model
                                  ? AnalyticHalo(std::make_shared<const ParticleSphere>(halo_radii, halo_masses), s.G)
                                  : AnalyticHalo(out.halo_parameters, s.G);

    DiskInputs in;
    in.grid = LogGrid(std::min(shape.r_half, shape.r_max) / 100.0, shape.r_max, disk_grid_points);
    in.halo = halo.present() ? &halo : nullptr;
    in.G = s.G;
    in.z0 = shape.z0;
    in.scale_length = out.scale_length;
    in.q = s.q;
    in.q_radius = out.q_radius;
    count_annuli(set, out.disk, in);
    // The one field off the plane: the gas's equilibrium is solved in that of the stars
    // and the halo, and the stars' vertical balance sees the gas added to it.
    const auto rings_start = std::chrono::steady_clock::now();
    ParticleField stars_field = rings_field(set, n_rings, out.z0);
    const double rings_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - rings_start).count();
    if (s.gas.present) {
        const auto gas_start = std::chrono::steady_clock::now();
        out.gas.emplace(s.gas, gas_outer_radius(s, shape.r_max), s.gas_c2, s.G,
                        model_vertical_field(ModelField(stars_field, &halo, s.G), s.threads));
        out.gas_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - gas_start).count();
    }
    const auto field_start = std::chrono::steady_clock::now();
    particle_field(set, out.disk, n_rings, shape, s.threads, s.G, in);
    if (out.gas) add_gas_field(*out.gas, in, s.G, s.threads);
    out.field_seconds = rings_seconds + std::chrono::duration<double>(std::chrono::steady_clock::now() - field_start).count();
    out.disk_table = build_disk_table(in);
    if (out.gas) out.gas->set_rotation(gas_circular_speeds(*out.gas, out.disk_table, halo, s.G));
    vertical_field(std::move(stars_field), out, halo, s);

    // Spherical averages of the particles, for the spherical components and the energies.
    double r_max = 0.0;
    for (std::size_t j = 0; j < n_rings; ++j) r_max = std::max(r_max, spherical_radius(set.pos[j]));
    if (out.gas) out.gas->for_each_cell([&](double R, double z, double) { r_max = std::max(r_max, std::hypot(R, z)); });
    SphericalMass disk_mass(r_max), bulge_mass(r_max);
    std::vector<float> bulge_radii, bulge_masses;
    bulge_radii.reserve(out.bulge);
    bulge_masses.reserve(out.bulge);
    // With f(E) the disk population (and the gas) also needs its smoothed spherical density.
    const bool from_f = s.spherical == SphericalMethod::eddington && (out.bulge > 0 || out.halo > 0);
    std::vector<float> disk_radii, disk_masses;   // for the disk's smoothed monopole
    if (from_f) {
        disk_radii.reserve(out.disk);
        disk_masses.reserve(out.disk);
    }
    for (std::size_t j = 0; j < n_rings; ++j) {
        const double r = spherical_radius(set.pos[j]);
        if (j < out.disk) {
            disk_mass.add(r, set.mass[j]);
            if (from_f) {
                disk_radii.push_back(static_cast<float>(r));
                disk_masses.push_back(set.mass[j]);
            }
        } else {
            bulge_mass.add(r, set.mass[j]);
            bulge_radii.push_back(static_cast<float>(r));
            bulge_masses.push_back(set.mass[j]);
        }
    }
    // The gas counts with the disk population in the spherical averages.
    if (out.gas) out.gas->for_each_cell([&](double R, double z, double m) {
        disk_mass.add(std::hypot(R, z), m);
        if (from_f) {
            disk_radii.push_back(static_cast<float>(std::hypot(R, z)));
            disk_masses.push_back(static_cast<float>(m));
        }
    });
    disk_mass.finish();
    bulge_mass.finish();
    const double G = s.G;
    const MassFunction G_mass_all = [&](double r) {
        return G * (disk_mass.mass(r) + bulge_mass.mass(r) + halo.mass(r));
    };
    const MassFunction G_mass_spheroids = [&](double r) { return G * (bulge_mass.mass(r) + halo.mass(r)); };
    const auto potential = [&](double r) {
        return G * (disk_mass.potential(r) + bulge_mass.potential(r)) + halo.potential(r);
    };
    if (out.bulge > 0) out.bulge_table = bulge_table(bulge_radii, bulge_masses, G_mass_all, potential);
    if (out.halo_in_model) {
        out.halo_table = bulge_table(halo_radii, halo_masses, G_mass_all, potential);
    } else if (halo.present()) {
        out.halo_table = halo_table(halo, G_mass_all, potential);
    }
    if (from_f) distribution_functions(out, halo, disk_radii, disk_masses, bulge_radii, bulge_masses, G, G_mass_all, potential);
    std::vector<float>().swap(bulge_radii);
    std::vector<float>().swap(bulge_masses);
    std::vector<float>().swap(disk_radii);
    std::vector<float>().swap(disk_masses);
    std::vector<float>().swap(halo_radii);
    std::vector<float>().swap(halo_masses);

    // The random stream: halo positions first, then gas positions, then the velocities in
    // particle order (of the run: disk population, bulge, halo).
    Deviates random(s.seed);
    if (out.halo > 0 && !out.halo_in_model) append_halo_particles(set, halo, out.halo, random);
    // The halo: the model's particles after the bulge, or those just appended.
    const std::size_t halo_first = n_rings, halo_last = set.size();
    // The gas takes its uniforms here and is made meanwhile on another thread.
    std::optional<GasAssembly> gas;
    if (out.gas) gas.emplace(*out.gas, draw_gas_uniforms(s.gas.particles, random), s.gas.neighbours, s.threads);
    out.capped += draw_disk_velocities(set, out.disk, out.disk_table, random);
    if (from_f) {
        if (out.bulge > 0) {
            out.bulge_report.unsettled = draw_sphere_velocities_from_f(set, out.disk, n_rings, *out.bulge_f, potential, random);
            out.bulge_report.affected = reaching(set, out.disk, n_rings, out.bulge_report.negative, potential);
        }
        if (out.halo > 0) {
            out.halo_report.unsettled = draw_sphere_velocities_from_f(set, halo_first, halo_last, *out.halo_f, potential, random);
            out.halo_report.affected = reaching(set, halo_first, halo_last, out.halo_report.negative, potential);
        }
    } else {
        if (out.bulge > 0)
            out.capped += draw_sphere_velocities(set, out.disk, n_rings, *out.bulge_table, G_mass_all, random);
        if (out.halo > 0)
            out.capped += draw_sphere_velocities(set, halo_first, halo_last, *out.halo_table, G_mass_all, random);
    }
    relabel(set, ranges, out.codes);

    // The disk's vertical virial in the field its vertical balance came from.
    DiskPull pull;
    std::optional<VerticalPull> field_pull;
    if (s.vertical == VerticalRule::jeans) {
        field_pull.emplace(out.vertical);
        pull.field = [&](double R, double z) { return field_pull->a_z(R, z); };
    } else if (out.gas) {
        pull.layer = [&](double R, double z) { return gas_layer_a_z(*out.gas, G, R, z); };
    }
    const Energies e = energies(set, out.disk, out.disk_table, out.z0, G, G_mass_all, G_mass_spheroids, pull);
    out.kinetic = e.kinetic;
    out.virial = e.virial;
    restore_file_order(set, file_order);
    if (gas) {
        const GasParticles made = gas->take();
        // The gas's kinetic (bulk and thermal) and potential energies join the stars'.
        const GasDisk& disk = *out.gas;
        const double R0 = disk.grid()[0];
        const Energies g = gas_energies(made, [&](double R) {
            // Solid-body inside the innermost column.
            return R < R0 ? disk.circular_speed_squared()[0] * (R * R) / (R0 * R0)
                          : disk.grid().interpolate(disk.circular_speed_squared(), R);
        });
        out.kinetic += g.kinetic;
        out.virial += g.virial;
        out.neighbour_seconds = gas->search_seconds();
        out.gas_wait_seconds = gas->wait_seconds();
        insert_gas(set, n_model, made);
        out.gas_count = made.size();
        out.gas_first = n_model;
        if (s.units) set.units = ModelUnits{s.units->length_cm, s.units->mass_g, s.units->velocity_cm_s};
    }
    return out;
}

}  // namespace galtk::galvel
