#pragma once
// What ryxenc prints for --list-memories, and the memory pins that
// --list-chips adds after its table.

#include <string>

namespace ryx::cli {

// Each serial memory: its bus, its size and the seconds it holds.
std::string memoryListText();

// Each chip's memory pins by bus, with what they take from it.
std::string memoryPinListText();

}  // namespace ryx::cli
