// parsub: prepares one galmix run of a parameter survey. It copies the structural
// parameter template "sh1.para0" to "sh1.para" with the bulge fraction, the bar fraction
// and the bar's first semi-axis taken from three one-value files, and writes the disk
// scale file "rdisk.para" from a fourth.
#include <cstdint>

#include "list_reader.hpp"
#include "list_writer.hpp"
#include "run.hpp"
#include "structural_records.hpp"

namespace {

// The first value of a one-value survey file; 0.0 when the value is null.
float read_survey_value(galtk::Unit& in, const char* name) {
    float value = 0.0f;
    galtk::read_list(in, {name}, value);
    return value;
}

// The bulge fraction is the reciprocal of s3; a zero s3 (either sign) stands for a
// vanishing bulge scale and gives 1000. NaN compares unequal to zero and passes through.
float bulge_fraction(float s3) {
    if (s3 != 0.0f) return 1.0f / s3;
    return 1000.0f;
}

}  // namespace

int main(int argc, char** argv) {
    static const galtk::ProgramInfo info{
        "parsub", "writes the structural parameters and disk scale of one survey run",
        "  reads   sh1.para0    template of the 21 structural records\n"
        "  reads   th3.dat      s3: record 10 (fbul) becomes 1/s3, or 1000 when s3 is 0\n"
        "  reads   th4.dat      s4: record 13 (fbar)\n"
        "  reads   th5.dat      s5: the disk scale\n"
        "  reads   th6.dat      s6: record 14 (bara)\n"
        "  writes  rdisk.para   rdisk = s5 (written as soon as s5 is read)\n"
        "  writes  sh1.para     the template with records 10, 13 and 14 replaced\n"};
    galtk::Run run(info, argc, argv);
    galtk::Unit& sh1 = run.open_unit(1, "sh1.para");
    galtk::Unit& th3 = run.open_unit(2, "th3.dat");
    galtk::Unit& th4 = run.open_unit(3, "th4.dat");
    galtk::Unit& th5 = run.open_unit(4, "th5.dat");
    galtk::Unit& th6 = run.open_unit(7, "th6.dat");
    galtk::Unit& sh1_template = run.open_unit(10, "sh1.para0");
    galtk::Unit& rdisk_para = run.open_unit(11, "rdisk.para");

    namespace record = galtk::record;
    galtk::StructuralRecords records;
    records.read(sh1_template, galtk::structural_records, "structural record");

    const float s3 = read_survey_value(th3, "s3 (first value of th3.dat)");
    records.real(record::fbul) = bulge_fraction(s3);
    const float s4 = read_survey_value(th4, "s4 (first value of th4.dat)");
    records.real(record::fbar) = s4;
    const float s5 = read_survey_value(th5, "s5 (first value of th5.dat)");
    galtk::write_list(rdisk_para, s5);
    const float s6 = read_survey_value(th6, "s6 (first value of th6.dat)");
    records.real(record::bara) = s6;

    records.write(sh1, galtk::structural_records);
    return run.finish();
}
