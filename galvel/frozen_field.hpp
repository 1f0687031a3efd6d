// The model's own field frozen in time, as the orbit integration of --check feels it:
// axisymmetric and symmetric about the mid-plane, the particles' part tabulated once on
// an (R, z) grid from the ring sums, the analytic halo added in closed form.
//
// The grid is uniform in u = asinh(R / s_R) and w = asinh(|z| / s_z): fine near the axis
// and the plane, where the disk's field changes on its thickness, logarithmic far out.
// Between nodes each acceleration component is interpolated by Catmull-Rom cubics in u
// and w (third order), with the parities of the field continued across R = 0 and z = 0
// (a_R odd in R and even in z, a_z even in R and odd in z). Beyond the grid the
// particles act as a point of their total mass. Ring sums cost a full pass over the
// occupied deposit cells a point; the table costs that once per node and then a few
// dozen operations per force.
#pragma once

#include <vector>

#include "field.hpp"
#include "halo.hpp"

namespace galtk::galvel {

struct Acceleration {
    double a_R = 0.0;   // outward positive
    double a_z = 0.0;   // upward positive
};

// Any axisymmetric, time-independent field an orbit can be integrated in.
class AxisymmetricField {
public:
    virtual ~AxisymmetricField() = default;
    virtual Acceleration at(double R, double z) const = 0;
};

// An analytic halo alone (closed form): the tests' field of known orbits.
class HaloField final : public AxisymmetricField {
public:
    HaloField(const AnalyticHalo& halo, double G) : halo_(halo), G_(G) {}
    Acceleration at(double R, double z) const override;

private:
    AnalyticHalo halo_;
    double G_;
};

struct TableLayout {
    int radial_nodes = 256;
    int vertical_nodes = 96;
    double R_soft = 1.0;    // s_R: the grid is uniform in R inside it
    double z_soft = 0.05;   // s_z: uniform in z inside it
    double R_max = 1.0;     // the grid's extent
    double z_max = 1.0;
};

// The layout for a model's field: s_R a quarter of the disk's scale length, s_z half its
// sech^2 height, the grid reaching twice the farthest particle the field holds.
TableLayout table_layout(const ModelField& field, double scale_length, double z0);

class FieldTable final : public AxisymmetricField {
public:
    // Tabulates the particles' part of `field` (G included) on the layout's grid.
    FieldTable(const ModelField& field, const TableLayout& layout, int threads);

    Acceleration at(double R, double z) const override;
    // The particles' tabulated part alone (no halo).
    Acceleration particles_at(double R, double z) const;
    const TableLayout& layout() const { return layout_; }

private:
    TableLayout layout_;
    double du_, dw_, inv_du_, inv_dw_;
    double GM_;   // the particles' G times mass, for points beyond the grid
    std::vector<Acceleration> nodes_;   // radial node major: [i * vertical_nodes + k]
    AnalyticHalo halo_;
    double G_;
};

}  // namespace galtk::galvel
