// glimmerkit-cli: the command-line front end on the headless core.
#include "cli/cli.h"

#include <cstdlib>

int main(int argc, char** argv) {
    // With TZ unset, glibc re-reads /etc/localtime for every archive entry's timestamp.
    setenv("TZ", ":/etc/localtime", 0);
    return RunCli(argc, argv);
}
