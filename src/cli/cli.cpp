#include "cli/cli.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace {

struct Command {
    const char* name;
    const char* synopsis;
    const char* description;
    int (*run)(const std::vector<std::string>& args);
};

const Command kCommands[] = {
    {"info", "info [--json] [--exposure EV] [--tone clip|filmic] PATH...",
     "Print size and format of each file as the status bar shows it.", RunInfoCommand},
    {"convert", "convert [OPTIONS] INPUT OUTPUT", "Load INPUT, apply edits in order, write OUTPUT.",
     RunConvertCommand},
    {"batch",
     "batch --to EXT (--out DIR | --next-to-source) [--from EXT] [--force] [--no-fit-1024] "
     "[--collisions number|first] [--quiet] INPUT...",
     "Convert files, folders and .gro archives into one output format.", RunBatchCommand},
};

void PrintUsage(FILE* out) {
    std::fprintf(out, "Usage: glimmerkit-cli COMMAND [OPTIONS] ARGS...\n\nCommands:\n");
    for (const Command& c : kCommands) std::fprintf(out, "  %-10s %s\n", c.name, c.description);
    std::fprintf(out, "\nRun 'glimmerkit-cli COMMAND --help' for the options of a command.\n"
                      "Exit status: 0 all done, 1 some input failed, 2 usage error.\n");
}

}  // namespace

int RunCli(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    const std::string first = argv[1];
    if (first == "--help" || first == "-h") {
        PrintUsage(stdout);
        return 0;
    }
    if (first == "--version") {
        std::printf("glimmerkit-cli %s\n", GLIMMER_VERSION);
        return 0;
    }
    for (const Command& c : kCommands) {
        if (first != c.name) continue;
        std::vector<std::string> args(argv + 2, argv + argc);
        for (const std::string& a : args) {
            if (a == "--") break;
            if (a == "--help" || a == "-h") {
                std::printf("Usage: glimmerkit-cli %s\n\n%s\n", c.synopsis, c.description);
                PrintCommandHelp(c.name);
                return 0;
            }
        }
        return c.run(args);
    }
    std::fprintf(stderr, "glimmerkit-cli: unknown command '%s'\n", first.c_str());
    PrintUsage(stderr);
    return 2;
}
