// The commands of glimmerkit-cli, each taking the arguments after its name.
#pragma once

#include <string>
#include <vector>

int RunInfoCommand(const std::vector<std::string>& args);
int RunConvertCommand(const std::vector<std::string>& args);
void PrintCommandHelp(const std::string& command);
