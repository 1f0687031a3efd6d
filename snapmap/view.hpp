// Viewing directions of a map and the projection of a model onto the image plane.
//
// A view is an inclination i and a position angle phi, in degrees. The observer looks
// from the direction
//     n = (sin i sin phi, -sin i cos phi, cos i)
// towards the origin. The image's horizontal axis u (to the right) is the line of nodes
//     e_u = (cos phi, sin phi, 0),
// its vertical axis v (up) is e_v = n x e_u = (-cos i sin phi, cos i cos phi, sin i), and
// (e_u, e_v, n) is right-handed: the observer sees u to the right and v up. Turning the
// model by -phi about its z axis puts the line of nodes on x; tilting it by i about x
// then moves its +v half (y > 0 of a face-on disk) away from the observer.
//   0:0    face-on from +z: u = x, v = y
//   90:0   edge-on, line of sight along y (observer on -y): u = x, v = z
//   90:90  edge-on, line of sight along x (observer on +x): u = y, v = z
//   180:0  face-on from -z: u = x, v = -y
// The line-of-sight velocity is positive for a particle moving away from the observer
// (receding, the astronomer's sign): v_los = -(v . n).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace snapmap {

struct View {
    double inclination = 0.0;     // degrees, 0 .. 180
    double position_angle = 0.0;  // degrees, any finite value
};

// Face-on (along z), edge-on along x, edge-on along y.
std::vector<View> default_views();

// "60:30" -> {60, 30}. Throws galtk::FormatError (status 1) naming the text on anything
// else: a missing colon, a number that does not parse, a non-finite value, an inclination
// outside 0 .. 180.
View parse_view(std::string_view text);
std::string view_text(const View& view);  // "60:30"

// The rows e_u, e_v and -n of the projection: u = e_u . r, v = e_v . r and
// v_los = los . velocity.
struct Basis {
    double u[3];
    double v[3];
    double los[3];
};
Basis basis_of(const View& view);

// sin and cos of an angle in degrees, exact (0, 1, -1) at multiples of 90 degrees, so
// that the standard views copy coordinates without rounding.
void sin_cos_degrees(double degrees, double& s, double& c);

}  // namespace snapmap
