// The commands of glimmerkit-cli, each taking the arguments after its name.
#pragma once

#include <string>
#include <vector>

int RunInfoCommand(const std::vector<std::string>& args);
int RunConvertCommand(const std::vector<std::string>& args);
int RunBatchCommand(const std::vector<std::string>& args);
/// The option list of a command, printed after its usage line by --help.
void PrintCommandHelp(const std::string& command);
