// Runs the built glimmerkit-cli from a test and captures its exit status and output.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "test_support.h"

namespace testing_support {

struct CliRun {
    int status = -1;
    std::string out, err;
};

/// The text quoted for the shell.
inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

/// Runs "glimmerkit-cli ARGS" with standard error captured in a file of dir.
inline CliRun RunCli(const std::string& args, const TempDir& dir) {
    const std::string errFile = dir.file("stderr.txt");
    const std::string command = std::string(GLIMMER_CLI_PATH) + " " + args + " 2>" + Quote(errFile);
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    const auto err = ReadBytes(errFile);
    run.err.assign(err.begin(), err.end());
    return run;
}

}  // namespace testing_support
