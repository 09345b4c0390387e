// dozovor: cuts a rectangle out of a qvt 2.2 point file.
#include <unistd.h>

#include "console.hpp"
#include "run.hpp"

int main(int argc, char** argv) {
    dozovor::Console console;
    dozovor::open_console(console, STDOUT_FILENO);
    const int status = dozovor::run(argc, argv, console);
    dozovor::flush_console(console);
    return status;
}
