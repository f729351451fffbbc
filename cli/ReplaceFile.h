#pragma once
// Puts a newly written file in place of an existing one, atomically.

#include "core/OperationResult.h"

#include <filesystem>
#include <functional>

namespace ryx::cli {

// Calls write with a fresh name beside target, then swaps the result into
// target's place (a link's: the file it names). On any failure target is
// untouched and nothing is left.
OperationResult writeReplacing(const std::filesystem::path& target,
                               const std::function<OperationResult(const std::filesystem::path&)>& write);

}  // namespace ryx::cli
