// dozovor: cuts a rectangle out of a qvt 2.2 point file.
#include <unistd.h>

#include "console.hpp"
#include "io/process.hpp"
#include "run.hpp"

int main(int argc, char** argv) {
    // Nothing can be reported without a standard output to report on.
    if (dozovor::open_standard_descriptors() != 0) {
        return -1;
    }
    dozovor::prepare_signals();
    dozovor::Console console;
    dozovor::open_console(console, STDOUT_FILENO);
    const int status = dozovor::run(argc, argv, console);
    dozovor::flush_console(console);
    return status;
}
