#include "structural_records.hpp"

#include <algorithm>
#include <string>

#include "list_reader.hpp"
#include "list_writer.hpp"

namespace galtk {

namespace {

// The name of a named record, "" for the others.
const char* record_name(int k) {
    switch (k) {
    case record::fspi: return "fspi";
    case record::fbul: return "fbul";
    case record::bscale: return "bscale";
    case record::fbar: return "fbar";
    case record::bara: return "bara";
    case record::barb: return "barb";
    case record::fr1: return "fr1";
    case record::fr2: return "fr2";
    default: return "";
    }
}

}  // namespace

void StructuralRecords::read(Unit& in, int count, const char* label, std::initializer_list<int> named) {
    for (int k = 1; k <= count; ++k) {
        std::string text;
        What what{label, k};
        if (std::find(named.begin(), named.end(), k) != named.end()) {
            text = std::string(label) + " " + std::to_string(k) + " (" + record_name(k) + ")";
            what = What{text.c_str()};
        }
        if (is_integer_record(k))
            read_list(in, what, integer_[k - 1]);
        else
            read_list(in, what, real_[k - 1]);
    }
}

void StructuralRecords::write(Unit& out, int count) const {
    for (int k = 1; k <= count; ++k) {
        if (is_integer_record(k))
            write_list(out, integer_[k - 1]);
        else
            write_list(out, real_[k - 1]);
    }
}

}  // namespace galtk
