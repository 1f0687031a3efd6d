#include "component_shapes.hpp"

#include <algorithm>
#include <cmath>

#include "ran1.hpp"

namespace mkcomponents {

namespace {

constexpr float pi = 3.14159265f;

// A point at distance r in an isotropic direction: two draws, cos(polar angle) then the
// azimuth.
galtk::Vec3 isotropic(std::int32_t& seed, float r) {
    const float cos_theta = 2.0f * galtk::ran1(seed) - 1.0f;
    const float phi = 2.0f * pi * galtk::ran1(seed);
    const float sin_theta = std::sqrt(std::max(0.0f, 1.0f - cos_theta * cos_theta));
    return {r * sin_theta * std::cos(phi), r * sin_theta * std::sin(phi), r * cos_theta};
}

// Height from a sech-squared profile of scale hz: z = hz atanh(2u - 1), written as
// hz/2 ln(u/(1 - u)), which stays finite over the whole range of ran1.
float sech2_height(std::int32_t& seed, float hz) {
    const float u = galtk::ran1(seed);
    return 0.5f * hz * std::log(u / (1.0f - u));
}

}  // namespace

HernquistBulge::HernquistBulge(float abu, float rbumax)
    : abu_(abu), rbumax_(rbumax), q_(rbumax / (rbumax + abu)) {}

galtk::Vec3 HernquistBulge::draw(std::int32_t& seed) const {
    const float s = std::sqrt(galtk::ran1(seed)) * q_;   // s < q < 1
    const float r = std::min(abu_ * s / (1.0f - s), rbumax_);
    return isotropic(seed, r);
}

SpiralArms::SpiralArms(float rin, float rout, float pitch_degrees, float width, float hz)
    : rin_(rin), rout_(rout), log_ratio_(std::log(rout / rin)), hz_(hz) {
    const float pitch = pitch_degrees * (pi / 180.0f);
    tan_pitch_ = std::tan(pitch);
    across_ = width / std::sin(pitch);
}

galtk::Vec3 SpiralArms::draw(std::int32_t& seed, int arm) const {
    const float along = galtk::ran1(seed) * log_ratio_;   // ln(r/rin)
    const float r = std::clamp(rin_ * std::exp(along), rin_, rout_);
    const float theta = along / tan_pitch_;
    const float offset = across_ * (galtk::ran1(seed) - 0.5f);
    const float phi = theta + static_cast<float>(arm) * pi + offset / r;
    const float z = sech2_height(seed, hz_);
    return {r * std::cos(phi), r * std::sin(phi), z};
}

Ring::Ring(float radius, float width, float hz)
    : inner_(radius - 0.5f * width), outer_(radius + 0.5f * width), hz_(hz) {
    inner_sq_ = inner_ * inner_;
    span_sq_ = outer_ * outer_ - inner_sq_;
}

galtk::Vec3 Ring::draw(std::int32_t& seed) const {
    const float r = std::clamp(std::sqrt(inner_sq_ + galtk::ran1(seed) * span_sq_), inner_, outer_);
    const float phi = 2.0f * pi * galtk::ran1(seed);
    const float z = sech2_height(seed, hz_);
    return {r * std::cos(phi), r * std::sin(phi), z};
}

UniformSphere::UniformSphere(float radius) : radius_(radius) {}

galtk::Vec3 UniformSphere::draw(std::int32_t& seed) const {
    const float r = radius_ * std::cbrt(galtk::ran1(seed));
    return isotropic(seed, r);
}

}  // namespace mkcomponents
