#pragma once
// A file name as it may be shown in a message: unchanged when it holds only
// printable characters, otherwise in double quotes with C-style escapes, so
// that no control character reaches a terminal raw.

#include <string>
#include <string_view>

namespace ryx {

std::string displayName(std::string_view name);

}  // namespace ryx
