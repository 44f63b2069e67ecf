#include "cli/commands.h"

#include <cstdio>

int RunInfoCommand(const std::vector<std::string>&) {
    std::fprintf(stderr, "glimmerkit-cli: info is not available yet\n");
    return 2;
}

int RunConvertCommand(const std::vector<std::string>&) {
    std::fprintf(stderr, "glimmerkit-cli: convert is not available yet\n");
    return 2;
}

void PrintCommandHelp(const std::string&) {}
