// dozovor: cuts a rectangle out of a qvt 2.2 point file.
#include "console.hpp"
#include "io/platform.hpp"
#include "run.hpp"

#ifdef _WIN32
// The MinGW-w64 start-up code expands wildcards in the arguments when this is nonzero; a name
// such as *.qvt must reach the tool as it was typed, as on any other platform.
extern "C" {
int _dowildcard = 0;
}
#endif

int main(int argc, char** argv) {
    // Nothing can be reported without a standard output to report on.
    if (dozovor::open_standard_descriptors() != 0) {
        return -1;
    }
    dozovor::prepare_signals();
    dozovor::Console console;
    dozovor::open_console(console, dozovor::STANDARD_OUTPUT);
    const int status = dozovor::run(argc, argv, console);
    dozovor::flush_console(console);
    return status;
}
