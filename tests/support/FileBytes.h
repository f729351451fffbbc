#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "core/ProgramState.h"

namespace ryx::test {

std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& path);
void writeFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// A state as the main window leaves it after creation: reset, message empty.
std::unique_ptr<ProgramState> makeStartedState(const std::filesystem::path& previewDirectory);

}  // namespace ryx::test
