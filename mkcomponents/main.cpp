// placeholder until the program is written
#include "run.hpp"
int main(int argc, char** argv) {
    static const galtk::ProgramInfo info{"mkcomponents", "", ""};
    galtk::Run run(info, argc, argv);
    return run.finish();
}
