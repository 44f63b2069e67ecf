// Fuzz target: the preferences file parser and rewriter on arbitrary bytes. The first byte gives
// the length of a key, the next byte the length of a value, and the rest is the file. Nothing may
// crash or read outside the input; when the key can be stored, the rewritten file must hold it
// exactly once, with the value (minus its leading blanks) read back through the parser.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/prefs.h"
#include "fuzz_checks.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Asks the parser about each line on its own; the mark in front keeps a line that happens to
// start with the mark's bytes from being read differently than inside the file.
std::size_t CountKeyLines(std::string_view text, std::string_view key) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
    std::size_t count = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (FindPrefValue(std::string(kByteOrderMark) + std::string(text.substr(0, end)), key)) ++count;
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return count;
}

// The number conversions: reals are finite and survive a write with three decimals and a read
// within half a thousandth.
void CheckNumbers(std::string_view text) {
    ParsePrefInt(text);
    const double real = ParsePrefReal(text);
    if (!std::isfinite(real)) FuzzFail("ParsePrefReal gave a value that is not finite");
    const double again = ParsePrefReal(FormatPrefReal(real));
    if (std::fabs(again - real) > 0.0005 * (1 + std::fabs(real) * 1e-12)) FuzzFail("real did not survive a round trip");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t keyLength = std::min<std::size_t>(uint8_t(input[0]) % 32, size - 2);
    const std::size_t valueLength = std::min<std::size_t>(uint8_t(input[1]) % 32, size - 2 - keyLength);
    const std::string_view key = input.substr(2, keyLength);
    const std::string_view value = input.substr(2 + keyLength, valueLength);
    const std::string_view file = input.substr(2 + keyLength + valueLength);

    if (const auto found = FindPrefValue(file, key)) CheckNumbers(*found);
    CheckNumbers(value);
    const std::optional<std::string> rewritten = SetPrefValue(file, key, value);
    if (!rewritten) return 0;
    std::string_view expected = value;
    while (!expected.empty() && (expected.front() == ' ' || expected.front() == '\t')) expected.remove_prefix(1);
    const auto reread = FindPrefValue(*rewritten, key);
    if (!reread || *reread != expected) std::abort();
    if (CountKeyLines(*rewritten, key) != 1) std::abort();
    return 0;
}
