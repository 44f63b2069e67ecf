// Numbers shown to and typed by the user: always with a full stop as the decimal point,
// whatever locale the toolkit has set.
#pragma once

#include <optional>
#include <string>

/// value with the given number of decimals ("1.00", "-0.5"); "-0.0" is written as "0.0".
std::string FixedText(double value, int decimals);

/// A decimal number typed by the user, "," accepted as the decimal point; leading and trailing
/// blanks are ignored, text after the number too. None when the text does not start with one.
std::optional<double> ParseDecimal(const std::string& text);
