#include "structural_records.hpp"

#include "list_reader.hpp"
#include "list_writer.hpp"

namespace parsub {

void StructuralRecords::read(galtk::Unit& in) {
    for (int k = 1; k <= nrecords; ++k) {
        const galtk::What what{"structural record", k};
        if (is_integer_record(k))
            galtk::read_list(in, what, integer_[k - 1]);
        else
            galtk::read_list(in, what, real_[k - 1]);
    }
}

void StructuralRecords::write(galtk::Unit& out) const {
    for (int k = 1; k <= nrecords; ++k) {
        if (is_integer_record(k))
            galtk::write_list(out, integer_[k - 1]);
        else
            galtk::write_list(out, real_[k - 1]);
    }
}

}  // namespace parsub
