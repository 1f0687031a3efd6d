// The bar of the model is the part of the disk inside an elliptic cylinder around the
// origin: semi-axis bara along the first coordinate, barb along the second, any third
// coordinate.
#pragma once

namespace galmix {

class BarEllipse {
public:
    BarEllipse(float bara, float barb);

    // e = (y*y)/(barb*barb) + x^2/bara^2 <= 1, in single precision, where x^2 and bara^2
    // come from the runtime's single-precision power function and the other two squares
    // are products. The two differ where a square falls halfway between two floats:
    // powf(4097, 2) is 16785410 but 4097*4097 rounds to 16785408, which moves particles
    // on the boundary. Zero semi-axes give an infinite or NaN e: no particle is inside.
    bool contains(float x, float y) const;

private:
    float exponent_;  // 2.0, held where the compiler cannot fold powf(x, 2) into x*x
    float bara_squared_;
    float barb_squared_;
};

}  // namespace galmix
