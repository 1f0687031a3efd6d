#include "binning.hpp"

#include <algorithm>
#include <cmath>
#include <thread>

namespace snapmap {

namespace {

// Sums of one view: `moments` doubles per cell (S_m, then S_1, then S_2), cells in map
// order, so the two cells of a cloud's row sit side by side.
template <int moments>
struct Deposit {
    double* cells;

    void add(std::size_t cell, double w, double m, double vlos) {
        double* c = cells + cell * moments;
        const double wm = w * m;
        c[0] += wm;
        if constexpr (moments >= 2) c[1] += wm * vlos;
        if constexpr (moments >= 3) c[2] += wm * vlos * vlos;
    }
};

// One share of the work: particles [begin, end) into `sums` (views x cells x moments)
// and `tally` (one per view).
struct Share {
    std::size_t begin = 0, end = 0;
    std::vector<double> sums;
    std::vector<ViewTally> tally;
};

template <Assignment assignment, int moments>
void bin_share(const galtk::ParticleSet& model, const std::vector<Basis>& proj, const Grid& grid, Share& share) {
    std::vector<double>& sums = share.sums;
    std::vector<ViewTally>& tally = share.tally;
    const std::int32_t n = grid.nmesh;
    const double extent = grid.extent;
    const double inv_h = n / (2.0 * extent);
    const std::size_t cells = std::size_t(n) * std::size_t(n);
    const std::size_t nview = proj.size();
    const galtk::Vec3* pos = model.pos.data();
    const galtk::Vec3* vel = model.vel.data();
    const float* mass = model.mass.data();
    const double top = n;

    for (std::size_t k = share.begin; k < share.end; ++k) {
        const double x = pos[k].x, y = pos[k].y, z = pos[k].z;
        const double m = mass[k];
        for (std::size_t j = 0; j < nview; ++j) {
            const Basis& p = proj[j];
            const double gu = (p.u[0] * x + p.u[1] * y + p.u[2] * z + extent) * inv_h;
            const double gv = (p.v[0] * x + p.v[1] * y + p.v[2] * z + extent) * inv_h;
            // Written so that NaN fails too: no conversion below sees an out-of-range value.
            if (!(gu >= 0.0 && gu < top && gv >= 0.0 && gv < top)) {
                ++tally[j].outside;
                tally[j].mass_outside += m;
                continue;
            }
            double vlos = 0.0;
            if constexpr (moments >= 2)
                vlos = p.los[0] * double(vel[k].x) + p.los[1] * double(vel[k].y) + p.los[2] * double(vel[k].z);
            Deposit<moments> d{sums.data() + j * cells * moments};
            if constexpr (assignment == Assignment::ngp) {
                const auto i = static_cast<std::size_t>(gu);
                const auto jr = static_cast<std::size_t>(gv);
                d.add(jr * std::size_t(n) + i, 1.0, m, vlos);
            } else {
                // Offsets from the cell centres; cu + 1 lies in [0.5, n + 0.5), so the
                // truncation is the floor.
                const double cu = gu - 0.5, cv = gv - 0.5;
                const std::int32_t i0 = static_cast<std::int32_t>(cu + 1.0) - 1;
                const std::int32_t j0 = static_cast<std::int32_t>(cv + 1.0) - 1;
                const double dx = cu - i0, dy = cv - j0;
                const std::size_t ia = std::size_t(std::max(i0, 0)), ib = std::size_t(std::min(i0 + 1, n - 1));
                const std::size_t ra = std::size_t(std::max(j0, 0)) * std::size_t(n);
                const std::size_t rb = std::size_t(std::min(j0 + 1, n - 1)) * std::size_t(n);
                d.add(ra + ia, (1.0 - dx) * (1.0 - dy), m, vlos);
                d.add(ra + ib, dx * (1.0 - dy), m, vlos);
                d.add(rb + ia, (1.0 - dx) * dy, m, vlos);
                d.add(rb + ib, dx * dy, m, vlos);
            }
            ++tally[j].inside;
        }
    }
}

template <int moments>
void bin_with(Assignment a, const galtk::ParticleSet& model, const std::vector<Basis>& proj, const Grid& grid,
              Share& share) {
    if (a == Assignment::ngp)
        bin_share<Assignment::ngp, moments>(model, proj, grid, share);
    else
        bin_share<Assignment::cic, moments>(model, proj, grid, share);
}

void bin(int moments, Assignment a, const galtk::ParticleSet& model, const std::vector<Basis>& proj, const Grid& grid,
         Share& share) {
    switch (moments) {
        case 1: bin_with<1>(a, model, proj, grid, share); break;
        case 2: bin_with<2>(a, model, proj, grid, share); break;
        default: bin_with<3>(a, model, proj, grid, share); break;
    }
}

// The particles are cut into two shares, binned side by side on two threads, when the
// model is large and the second set of sums is small beside the particle set. The cut
// depends on the model and the grid only, never on the machine, and the shares are added
// in one fixed order: the same input gives the same bits on every machine.
std::size_t share_count(std::size_t particles, std::size_t sum_bytes) {
    constexpr std::size_t bytes_per_particle = 36;  // position, velocity, mass, type
    if (particles < 200000 || sum_bytes > particles * bytes_per_particle / 8) return 1;
    return 2;
}

int moments_of(Quantity q) {
    switch (q) {
        case Quantity::density: return 1;
        case Quantity::mean_velocity: return 2;
        case Quantity::dispersion: return 3;
    }
    return 1;
}

float cell_value(Quantity q, const double* s, double cell_area) {
    const double m = s[0];
    if (q == Quantity::density) return static_cast<float>(m / cell_area);
    if (!(m > 0.0)) return 0.0f;
    const double mean = s[1] / m;
    if (q == Quantity::mean_velocity) return static_cast<float>(mean);
    return static_cast<float>(std::sqrt(std::max(0.0, s[2] / m - mean * mean)));
}

}  // namespace

Maps make_maps(const galtk::ParticleSet& model, const std::vector<View>& views, const Grid& grid,
               Assignment assignment, Quantity quantity) {
    Maps maps;
    maps.grid = grid;
    maps.quantity = quantity;
    maps.views = views;
    maps.tally.assign(views.size(), ViewTally{});

    std::vector<Basis> proj;
    for (const View& v : views) proj.push_back(basis_of(v));

    const int moments = moments_of(quantity);
    const std::size_t cells = maps.cells();
    const std::size_t nsums = views.size() * cells * std::size_t(moments);
    const std::size_t nshares = share_count(model.size(), nsums * sizeof(double));
    std::vector<Share> shares(nshares);
    for (std::size_t t = 0; t < nshares; ++t) {
        shares[t].begin = model.size() * t / nshares;
        shares[t].end = model.size() * (t + 1) / nshares;
        shares[t].sums.assign(nsums, 0.0);
        shares[t].tally.assign(views.size(), ViewTally{});
    }
    if (nshares == 1) {
        bin(moments, assignment, model, proj, grid, shares[0]);
    } else {
        std::thread second([&] { bin(moments, assignment, model, proj, grid, shares[1]); });
        bin(moments, assignment, model, proj, grid, shares[0]);
        second.join();
    }
    std::vector<double>& sums = shares[0].sums;
    for (std::size_t t = 1; t < nshares; ++t) {
        for (std::size_t c = 0; c < nsums; ++c) sums[c] += shares[t].sums[c];
        std::vector<double>().swap(shares[t].sums);
    }
    for (const Share& share : shares) {
        for (std::size_t v = 0; v < views.size(); ++v) {
            maps.tally[v].inside += share.tally[v].inside;
            maps.tally[v].outside += share.tally[v].outside;
            maps.tally[v].mass_outside += share.tally[v].mass_outside;
        }
    }

    const double h = grid.cell_side();
    const double area = h * h;
    maps.values.resize(views.size() * cells);
    for (std::size_t c = 0; c < maps.values.size(); ++c)
        maps.values[c] = cell_value(quantity, sums.data() + c * std::size_t(moments), area);
    return maps;
}

}  // namespace snapmap
