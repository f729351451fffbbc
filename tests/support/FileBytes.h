#pragma once
// Files as bytes, folder listings and a state to start from.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/ProgramState.h"

namespace ryx::test {

std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& path);
// The file's text; empty when it cannot be read.
std::string readFileText(const std::filesystem::path& path);
void writeFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// The names in a folder, sorted.
std::vector<std::string> entriesOf(const std::filesystem::path& folder);

// A state as the main window leaves it after creation: reset, message empty.
std::unique_ptr<ProgramState> makeStartedState();

}  // namespace ryx::test
