// Small helpers shared by the commands: option parsing of HDR settings and the error line.
#pragma once

#include <optional>
#include <string>

#include "adjust/hdr_tone.h"

/// Exit codes of every command.
enum ExitCode : int { kExitOk = 0, kExitInputFailed = 1, kExitUsage = 2 };

/// "glimmerkit-cli: MESSAGE" on standard error with the usage line of the command; returns 2.
int UsageError(const std::string& command, const std::string& message);
/// "NAME: MESSAGE" on standard error.
void ReportError(const std::string& name, const std::string& message);

std::optional<double> ParseReal(const std::string& text);
std::optional<int> ParseTone(const std::string& text);  // clip -> 0, filmic -> 1
