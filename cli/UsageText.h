#pragma once
// What ryxenc prints for --help, after a usage error, and for --list-chips.

#include <string>
#include <string_view>

namespace ryx::cli {

// The help text: the options from their table, then how the run behaves.
std::string usageText();
extern const std::string_view kShortUsageText;

// The chip table as --list-chips prints it.
std::string chipListText();

}  // namespace ryx::cli
