#include "fractions.hpp"

namespace galmix {

float disk_fraction(const RunParameters& p) { return (((1.0f - p.fspi) - p.fbar) - p.fr1) - p.fr2; }

}  // namespace galmix
