#include "what.hpp"

namespace galtk {

std::string What::describe() const {
    std::string s = text;
    if (index >= 0) {
        s += ' ';
        s += std::to_string(index);
    }
    return s;
}

}  // namespace galtk
