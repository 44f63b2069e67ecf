// glimmerkit-cli: the command-line front end on the headless core.
#include "cli/cli.h"

int main(int argc, char** argv) { return RunCli(argc, argv); }
