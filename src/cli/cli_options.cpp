#include "cli/cli_options.h"

#include <cstdio>
#include <cstdlib>

int UsageError(const std::string& command, const std::string& message) {
    std::fprintf(stderr, "glimmerkit-cli: %s\nUsage: glimmerkit-cli %s --help\n", message.c_str(), command.c_str());
    return kExitUsage;
}

void ReportError(const std::string& name, const std::string& message) {
    std::string oneLine = message;
    for (char& c : oneLine)
        if (c == '\n') c = ' ';
    std::fprintf(stderr, "%s: %s\n", name.c_str(), oneLine.c_str());
}

std::optional<double> ParseReal(const std::string& text) {
    std::string dotted = text;
    for (char& c : dotted)
        if (c == ',') c = '.';
    char* end = nullptr;
    const double value = std::strtod(dotted.c_str(), &end);
    if (dotted.empty() || *end != '\0') return std::nullopt;
    return value;
}

std::optional<int> ParseTone(const std::string& text) {
    if (text == "clip") return 0;
    if (text == "filmic") return 1;
    return std::nullopt;
}
